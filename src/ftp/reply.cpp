#include "reply.h"

#include "platform/text.h"

namespace kav {

void ReplyReader::feed(QByteArrayView bytes)
{
    pending.append(bytes.data(), bytes.size());
}

void ReplyReader::clear()
{
    pending.clear();
    partial = {};
    openCode.clear();
}

std::optional<RawReply> ReplyReader::next()
{
    qsizetype pos = 0;
    std::optional<RawReply> done;
    while (!done) {
        qsizetype end = pos;
        while (end < pending.size() && pending.at(end) != '\n' && pending.at(end) != '\0')
            ++end;
        if (end >= pending.size())
            break;   // no whole line left
        const QByteArray line = text::trimmedBytes(QByteArrayView(pending).sliced(pos, end - pos));
        pos = end + 1;
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
        done = std::move(partial);
        partial = {};
        openCode.clear();
    }
    pending.remove(0, pos);
    return done;
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
    return text.mid(first + 1, last - first - 1);
}

} // namespace kav
