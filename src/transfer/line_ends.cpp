#include "line_ends.h"

namespace kav {

void NetworkToLocalText::convert(const char *data, qsizetype size, QByteArray &out)
{
    out.clear();
    out.reserve(size + 1);
    qsizetype i = 0;
    if (pendingCR && size > 0) {
        pendingCR = false;
        if (data[0] != '\n')
            out += '\r';
    }
    for (; i < size; ++i) {
        const char c = data[i];
        if (c == '\r') {
            if (i + 1 == size) {
                pendingCR = true;   // the LF may be the first byte of the next block
                break;
            }
            if (data[i + 1] == '\n')
                continue;
        }
        out += c;
    }
}

void NetworkToLocalText::finish(QByteArray &out)
{
    out.clear();
    if (pendingCR)
        out += '\r';
    pendingCR = false;
}

void LocalToNetworkText::convert(const char *data, qsizetype size, QByteArray &out)
{
    out.clear();
    out.reserve(size + size / 16 + 2);
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\n' && !lastWasCR)
            out += '\r';
        out += c;
        lastWasCR = c == '\r';
    }
}

} // namespace kav
