#include "reply.h"

#include "platform/text.h"

namespace kav {

void ReplyReader::feed(QByteArrayView bytes)
{
    lines += splitter.feed(bytes.data(), bytes.size());
}

void ReplyReader::clear()
{
    splitter.clear();
    lines.clear();
    partial = {};
    openCode.clear();
}

std::optional<RawReply> ReplyReader::next()
{
    while (!lines.isEmpty()) {
        const QByteArray line = text::trimmedBytes(lines.takeFirst());
        if (openCode.isEmpty()) {
            if (line.isEmpty())
                continue;   // a stray blank line between replies
            if (replyCode(line) && line.size() >= 4 && line.at(3) == '-') {
                openCode = line.left(3);
                partial.lines << line;
                continue;
            }
        } else if (!(line.startsWith(openCode) && (line.size() == 3 || line.at(3) == ' '))) {
            partial.lines << line;
            continue;
        }
        partial.lines << line;
        RawReply done = std::move(partial);
        partial = {};
        openCode.clear();
        return done;
    }
    return std::nullopt;
}

int replyCode(QByteArrayView line)
{
    if (line.size() < 3)
        return 0;
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        const char c = line[i];
        if (c < '0' || c > '9')
            return 0;
        code = code * 10 + (c - '0');
    }
    return code;
}

qint64 expectedTransferSize(const QString &replyText)
{
    const qsizetype open = replyText.lastIndexOf(QLatin1Char('('));
    if (open < 0)
        return SizeUnknown;
    // The announcement is read from the last "(" on, at most 255 characters.
    const QString tail = replyText.mid(open, 255);
    QString digits;
    for (const QChar c : tail)
        if (c.isDigit() && c.unicode() < 128)
            digits += c;
    bool ok = false;
    const qint64 size = digits.toLongLong(&ok);
    return ok ? size : 0;
}

QString ExtractQuoted(const QString &text, QChar ch)
{
    const qsizetype first = text.indexOf(ch);
    if (first < 0)
        return {};
    const qsizetype last = text.lastIndexOf(ch);
    if (last <= first)
        return {};
    const QString inner = text.mid(first + 1, last - first - 1);
    // RFC 959 doubles a quote inside the name ("/a""b" is the directory /a"b).
    // Servers that do not double leave lone quotes; their names are taken as they are.
    QString undoubled;
    undoubled.reserve(inner.size());
    for (qsizetype i = 0; i < inner.size(); ++i) {
        undoubled += inner.at(i);
        if (inner.at(i) != ch)
            continue;
        if (i + 1 >= inner.size() || inner.at(i + 1) != ch)
            return inner;   // a lone quote: this server does not double them
        ++i;
    }
    return undoubled;
}

} // namespace kav
