// Any bytes as the control connection's. The first byte chooses how the rest is
// cut into segments; the replies must be the same as when it all arrives at
// once, and every rule read from a reply's text must hold up.
#include "fuzz_check.h"

#include "ftp/reply.h"
#include "platform/utf8x.h"

#include <cstddef>
#include <cstdint>

using kav::ReplyReader;

namespace {

QList<QList<QByteArray>> drain(ReplyReader &reader, QList<QList<QByteArray>> out = {})
{
    while (auto reply = reader.next())
        out << reply->lines;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const unsigned shape = data[0];
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);

    ReplyReader whole;
    whole.feed(bytes);
    const QList<QList<QByteArray>> expected = drain(whole);

    ReplyReader pieces;
    QList<QList<QByteArray>> got;
    for (qsizetype at = 0, i = 0; at < bytes.size(); ++i) {
        // Segments of 1 to 4096 bytes, varying with the position.
        const qsizetype len = fuzzPieceLength(shape, i, bytes.size() - at);
        pieces.feed(bytes.sliced(at, len));
        got = drain(pieces, got);
        at += len;
    }
    FUZZ_CHECK(got == expected);
    FUZZ_CHECK(pieces.overflow() == whole.overflow());
    FUZZ_CHECK(pieces.unfinished().lines == whole.unfinished().lines);

    for (const QList<QByteArray> &reply : expected) {
        FUZZ_CHECK(!reply.isEmpty());
        FUZZ_CHECK(reply.size() <= ReplyReader::MaxReplyLines + 1);   // and its closing line
        for (const QByteArray &line : reply)
            FUZZ_CHECK(line.size() <= ReplyReader::MaxLineLength + 1);   // a CR may end it
        const QString text = kav::utf8x::decode(reply.last());
        kav::replyCode(reply.last());
        kav::expectedTransferSize(text);
        const QString quoted = kav::ExtractQuoted(text, QLatin1Char('"'));
        FUZZ_CHECK(quoted.size() <= text.size());
    }
    return 0;
}
