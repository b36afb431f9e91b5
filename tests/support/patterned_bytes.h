// Bytes of a xorshift sequence: no block of them matches a shifted copy, so
// a block lost, doubled or out of place in a transfer shows in a comparison.
#pragma once

#include <QByteArray>

namespace kavtest {

inline QByteArray patternedBytes(qsizetype size, quint32 seed = 2463534242u)
{
    QByteArray out(size, '\0');
    for (char &c : out) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        c = char(seed);
    }
    return out;
}

} // namespace kavtest
