#include "reply.h"

#include "platform/text.h"

namespace kav {

void ReplyReader::feed(QByteArrayView bytes)
{
    if (replyOverflow)
        return;
    // Lines go into replies at once, so that a reply that never ends is found
    // out while it arrives, whatever the caller asks.
    for (const QByteArray &line : splitter.feed(bytes.data(), bytes.size())) {
        take(line);
        if (replyOverflow)
            return;
    }
}

void ReplyReader::clear()
{
    splitter.clear();
    ready.clear();
    partial = {};
    partialBytes = 0;
    openCode.clear();
    replyOverflow = false;
}

ReplyReader::Overflow ReplyReader::overflow() const
{
    // A reply that grew too long is named even when an overlong line came too:
    // which of them came first may lie inside one block of received bytes.
    if (replyOverflow)
        return Overflow::Reply;
    return splitter.overflowed() ? Overflow::Line : Overflow::None;
}

void ReplyReader::take(const QByteArray &received)
{
    const QByteArray line = text::trimmedBytes(received);
    if (openCode.isEmpty()) {
        if (line.isEmpty())
            return;   // a stray blank line between replies
        if (replyCode(line) && line.size() >= 4 && line.at(3) == '-') {
            openCode = line.left(3);
            partial.lines << line;
            partialBytes = received.size() + 1;
            return;
        }
    } else if (!(line.startsWith(openCode) && (line.size() == 3 || line.at(3) == ' '))) {
        partialBytes += received.size() + 1;
        if (partialBytes > MaxReplySize || partial.lines.size() >= MaxReplyLines) {
            // No closing line in sight: a broken or hostile server. What was
            // kept of this reply is let go; nothing after it is read.
            replyOverflow = true;
            partial = {};
            partialBytes = 0;
            openCode.clear();
            return;
        }
        partial.lines << line;
        return;
    }
    partial.lines << line;
    ready << std::move(partial);
    partial = {};
    partialBytes = 0;
    openCode.clear();
}

std::optional<RawReply> ReplyReader::next()
{
    if (ready.isEmpty())
        return std::nullopt;
    return ready.takeFirst();
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
