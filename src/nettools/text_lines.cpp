#include "text_lines.h"

#include "platform/cp949.h"
#include "platform/utf8x.h"

namespace kav {

void LineCollector::emitLine(QList<QByteArray> &out, bool ended)
{
    if (limits.lines > 0 && emitted >= limits.lines) {
        overflow = true;
        return;
    }
    if (ended && dropCr && open.endsWith('\r'))
        open.chop(1);
    out.append(open);
    ++emitted;
    open.clear();
    hasOpen = false;
}

QList<QByteArray> LineCollector::feed(const QByteArray &chunk)
{
    QList<QByteArray> lines;
    for (char c : chunk) {
        if (overflow)
            break;
        if (limits.totalBytes > 0 && ++total > limits.totalBytes) {
            overflow = true;
            break;
        }
        if (c == '\0' || c == '\n') {
            emitLine(lines, true);
        } else {
            open.append(c);
            hasOpen = true;
            // A line without end is shown in pieces rather than held whole.
            if (limits.lineBytes > 0 && open.size() >= limits.lineBytes)
                emitLine(lines, false);
        }
    }
    return lines;
}

QList<QByteArray> LineCollector::finish()
{
    QList<QByteArray> lines;
    if (hasOpen && !overflow)
        emitLine(lines, true);
    open.clear();
    hasOpen = false;
    return lines;
}

QString AnswerDecoder::decode(const QByteArray &line)
{
    if (encoding == Encoding::Unknown) {
        bool ascii = true;
        for (const char c : line)
            ascii = ascii && uchar(c) < 0x80;
        if (ascii)
            return QString::fromLatin1(line);
        encoding = utf8x::isValid(line) ? Encoding::Utf8 : Encoding::Cp949;
    }
    if (encoding == Encoding::Utf8 && utf8x::isValid(line))
        return QString::fromUtf8(line);
    return cp949::decode(line);
}

} // namespace kav
