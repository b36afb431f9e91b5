#pragma once
// Lines out of a byte stream that arrives in chunks (finger, remote execution).
// A byte 0 or LF ends a line. A line split across two chunks is carried over and
// comes out whole; the line still open when the connection closes comes out at
// the close, so the last line of an answer without a line end is not lost.

#include <QByteArray>
#include <QList>

namespace kav {

class LineCollector {
public:
    // With dropCr, a CR just before the line end is removed (the CR of CR LF);
    // nothing else is ever cut off.
    explicit LineCollector(bool dropCr) : dropCr(dropCr) {}
    // The lines that this chunk completes.
    QList<QByteArray> feed(const QByteArray &chunk);
    // The unfinished line at the close, if there is one.
    QList<QByteArray> finish();

private:
    bool dropCr;
    QByteArray open;
    bool hasOpen = false;
};

} // namespace kav
