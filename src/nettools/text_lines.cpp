#include "text_lines.h"

namespace kav {

QList<QByteArray> LineCollector::feed(const QByteArray &chunk)
{
    QList<QByteArray> lines;
    for (char c : chunk) {
        if (c == '\0' || c == '\n') {
            if (dropCr && open.endsWith('\r'))
                open.chop(1);
            lines.append(open);
            open.clear();
            hasOpen = false;
        } else {
            open.append(c);
            hasOpen = true;
        }
    }
    return lines;
}

QList<QByteArray> LineCollector::finish()
{
    QList<QByteArray> lines;
    if (hasOpen) {
        if (dropCr && open.endsWith('\r'))
            open.chop(1);
        lines.append(open);
    }
    open.clear();
    hasOpen = false;
    return lines;
}

} // namespace kav
