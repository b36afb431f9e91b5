#include "text_lines.h"

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

} // namespace kav
