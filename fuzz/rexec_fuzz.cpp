// Any bytes as the answer of a REXEC server, and as finger output: the first
// input byte chooses how the rest is cut into receives and the line limits.
// The status and the lines are the same however the bytes arrive, no line
// holds a line end or exceeds its limit, and without limits every byte comes
// out (each line end is one byte, and the CR of CR LF where it is dropped).
#include "fuzz_check.h"

#include "nettools/rexec_reply.h"
#include "nettools/text_lines.h"

#include <cstddef>
#include <cstdint>

using namespace kav;

namespace {

template <typename Feed>
void inPieces(const QByteArray &bytes, unsigned shape, Feed feed)
{
    for (qsizetype at = 0, i = 0; at < bytes.size(); ++i) {
        const qsizetype len = fuzzPieceLength(shape, i, bytes.size() - at);
        feed(bytes.sliced(at, len));
        at += len;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const unsigned shape = data[0];
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);

    // The REXEC answer: status byte, then lines.
    RexecReply whole;
    QList<QByteArray> wholeLines = whole.feed(bytes);
    wholeLines += whole.finish();
    RexecReply pieces;
    QList<QByteArray> pieceLines;
    inPieces(bytes, shape, [&](const QByteArray &chunk) { pieceLines += pieces.feed(chunk); });
    pieceLines += pieces.finish();
    FUZZ_CHECK(whole.state() == pieces.state());
    FUZZ_CHECK(wholeLines == pieceLines);
    FUZZ_CHECK(whole.overflowed() == pieces.overflowed());
    for (const QByteArray &line : wholeLines)
        FUZZ_CHECK(line.size() <= RexecReply::MaxLineBytes && !line.contains('\n') && !line.contains('\0'));

    // The collector with small limits (from the shape byte), both ways of a CR.
    const bool dropCr = shape & 1;
    const LineCollector::Limits limits{qsizetype(shape >> 5), qsizetype((shape >> 1) & 0xF) * 16,
                                       qsizetype((shape >> 3) & 0x3)};
    for (const LineCollector::Limits &l : {limits, LineCollector::Limits{}}) {
        LineCollector one(dropCr, l);
        QList<QByteArray> a = one.feed(bytes);
        a += one.finish();
        LineCollector many(dropCr, l);
        QList<QByteArray> b;
        inPieces(bytes, shape, [&](const QByteArray &chunk) { b += many.feed(chunk); });
        b += many.finish();
        FUZZ_CHECK(a == b);
        FUZZ_CHECK(one.overflowed() == many.overflowed());
        if (l.lines > 0)
            FUZZ_CHECK(a.size() <= l.lines);
        qsizetype kept = 0;
        for (const QByteArray &line : a) {
            FUZZ_CHECK(!line.contains('\n') && !line.contains('\0'));
            if (l.lineBytes > 0)
                FUZZ_CHECK(line.size() <= l.lineBytes);
            kept += line.size();
        }
        if (l.lineBytes == 0 && l.totalBytes == 0 && l.lines == 0) {
            // Every byte accounted for: the lines, their ends, the CRs dropped.
            const qsizetype ends = bytes.count('\n') + bytes.count('\0');
            const qsizetype crs = dropCr ? bytes.count("\r\n") + bytes.count(QByteArray("\r\0", 2))
                    + (bytes.endsWith('\r') ? 1 : 0)
                                         : 0;
            FUZZ_CHECK(kept + ends + crs == bytes.size());
        }
    }
    return 0;
}
