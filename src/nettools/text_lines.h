#pragma once
// Lines out of a byte stream that arrives in chunks (finger, remote execution).
// A byte 0 or LF ends a line. A line split across two chunks is carried over and
// comes out whole; the line still open when the connection closes comes out at
// the close, so the last line of an answer without a line end is not lost.
//
// A host may send without end. With limits, a line longer than lineBytes comes
// out in pieces of that length, and once more than totalBytes bytes or more
// than `lines` lines came, the collector stops: overflowed() tells the caller,
// who ends the connection. So memory stays bounded whatever the host sends.

#include <QByteArray>
#include <QList>
#include <QString>

namespace kav {

class LineCollector {
public:
    struct Limits {
        qsizetype lineBytes = 0;   // 0: no limit
        qsizetype totalBytes = 0;
        qsizetype lines = 0;
    };

    // With dropCr, a CR just before the line end is removed (the CR of CR LF);
    // nothing else is ever cut off.
    explicit LineCollector(bool dropCr) : dropCr(dropCr) {}
    LineCollector(bool dropCr, Limits limits) : dropCr(dropCr), limits(limits) {}
    // The lines that this chunk completes (none once the limits were passed).
    QList<QByteArray> feed(const QByteArray &chunk);
    // The unfinished line at the close, if there is one (none after an overflow).
    QList<QByteArray> finish();
    // More than totalBytes bytes or `lines` lines came: the rest was not read.
    bool overflowed() const { return overflow; }

private:
    // The open line comes out; `ended` when a line end closed it.
    void emitLine(QList<QByteArray> &out, bool ended);

    bool dropCr;
    Limits limits;
    QByteArray open;
    bool hasOpen = false;
    qsizetype total = 0;
    qsizetype emitted = 0;
    bool overflow = false;
};

// The text of one answer (a finger answer, a remote command's output). Hosts of today
// answer in UTF-8, older Korean hosts in code page 949: the answer decides, as a
// listing does on the FTP side. The first line that is not plain ASCII settles it: valid
// UTF-8 makes the answer UTF-8, anything else code page 949. A later line that is not
// valid UTF-8 in a UTF-8 answer is read as code page 949 on its own, never as marks.
class AnswerDecoder {
public:
    QString decode(const QByteArray &line);

private:
    enum class Encoding { Unknown, Utf8, Cp949 } encoding = Encoding::Unknown;
};

} // namespace kav
