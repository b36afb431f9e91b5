// Any bytes as a plain text file in the viewer: decode -> encode -> decode
// gives the same text, and the encoding and line end it was read in are kept
// (code page 949 text goes to UTF-8 only when it holds what that page cannot).
#include "fuzz_check.h"

#include "viewers/text_codec.h"

#include <cstddef>
#include <cstdint>

using namespace kav::viewers;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const PlainTextFile first = decodePlainText(bytes);
    TextEncoding used = first.encoding;
    const QByteArray written = encodePlainText(first.text, first.encoding, first.lineEnd, &used);
    const PlainTextFile second = decodePlainText(written, first.lineEnd);
    FUZZ_CHECK(second.text == first.text);
    if (used == first.encoding)
        FUZZ_CHECK(second.encoding == first.encoding);
    FUZZ_CHECK(second.lineEnd == first.lineEnd);
    // Written once more, the same bytes.
    TextEncoding usedAgain = second.encoding;
    FUZZ_CHECK(encodePlainText(second.text, second.encoding, second.lineEnd, &usedAgain) == written);
    return 0;
}
