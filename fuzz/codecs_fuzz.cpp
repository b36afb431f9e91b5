// Any bytes through both codecs: decoding never loses a byte (encode(decode(b))
// is b), and decoded text encodes and decodes back to itself.
#include "fuzz_check.h"

#include "platform/cp949.h"
#include "platform/utf8x.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    const QString cp = kav::cp949::decode(bytes);
    FUZZ_CHECK(kav::cp949::encode(cp) == bytes);
    FUZZ_CHECK(kav::cp949::decode(kav::cp949::encode(cp)) == cp);
    FUZZ_CHECK(kav::cp949::canEncode(cp));

    const QString u = kav::utf8x::decode(bytes);
    FUZZ_CHECK(kav::utf8x::encode(u) == bytes);
    FUZZ_CHECK(kav::utf8x::decode(kav::utf8x::encode(u)) == u);
    if (kav::utf8x::isValid(bytes))
        FUZZ_CHECK(u == QString::fromUtf8(bytes));

    // The same bytes as UTF-16 text (what a user or another codec might hold):
    // text that holds no lone surrogate survives UTF-8 with escapes.
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text += QChar(char16_t(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8));
    bool lone = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            lone = true;
    }
    if (!lone)
        FUZZ_CHECK(kav::utf8x::decode(kav::utf8x::encode(text)) == text);
    if (kav::cp949::canEncode(text) && !lone)
        FUZZ_CHECK(kav::cp949::decode(kav::cp949::encode(text)) == text);
    return 0;
}
