#include "cp949.h"

#include <array>
#include <cstring>
#include <iconv.h>
#include <memory>

namespace kav::cp949 {
namespace {

// Lead bytes 0x81..0xFE, trail bytes 0x41..0xFE: every two-byte form the code
// page can have. glibc knows which of them are assigned; we ask it once and then
// walk the bytes ourselves, because no converter keeps undecodable bytes.
constexpr int LeadFirst = 0x81;
constexpr int LeadLast = 0xFE;
constexpr int TrailFirst = 0x41;
constexpr int TrailLast = 0xFE;
constexpr int TrailCount = TrailLast - TrailFirst + 1;
constexpr int PairCount = (LeadLast - LeadFirst + 1) * TrailCount;

// A byte that cannot be decoded becomes U+DC00 + byte (only bytes 0x80..0xFF can
// be undecodable, so the escapes are U+DC80..U+DCFF).
constexpr char16_t EscapeBase = 0xDC00;

inline bool isEscape(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

struct Tables {
    std::array<char16_t, PairCount> decode{};   // 0: not assigned
    std::array<quint16, 0x10000> encode{};      // 0: not representable
};

std::unique_ptr<Tables> buildTables()
{
    auto t = std::make_unique<Tables>();
    iconv_t cd = iconv_open("UTF-32LE", "CP949");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return t;  // no converter: only ASCII decodes, everything else is escaped
    for (int lead = LeadFirst; lead <= LeadLast; ++lead) {
        for (int trail = TrailFirst; trail <= TrailLast; ++trail) {
            char in[2] = {char(lead), char(trail)};
            unsigned char out[8] = {};
            char *inp = in;
            char *outp = reinterpret_cast<char *>(out);
            size_t inLeft = 2, outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
            if (r == size_t(-1) || inLeft != 0 || sizeof out - outLeft != 4)
                continue;
            const quint32 cp = out[0] | out[1] << 8 | out[2] << 16 | quint32(out[3]) << 24;
            // Only characters outside ASCII and the escape range can come from a pair.
            if (cp < 0x80 || cp > 0xFFFF || (cp >= 0xD800 && cp <= 0xDFFF))
                continue;
            const quint16 bytes = quint16(lead << 8 | trail);
            t->decode[(lead - LeadFirst) * TrailCount + (trail - TrailFirst)] = char16_t(cp);
            if (t->encode[cp] == 0)
                t->encode[cp] = bytes;
        }
    }
    iconv_close(cd);
    return t;
}

const Tables &tables()
{
    static const std::unique_ptr<Tables> t = buildTables();  // thread-safe, built on first use
    return *t;
}

// Length of the leading run of ASCII bytes.
qsizetype asciiPrefix(const char *p, qsizetype n)
{
    qsizetype i = 0;
    // Eight bytes at a time: the protocol lines are almost always pure ASCII.
    for (; i + 8 <= n; i += 8) {
        quint64 w;
        std::memcpy(&w, p + i, 8);
        if (w & 0x8080808080808080ULL)
            break;
    }
    while (i < n && !(static_cast<unsigned char>(p[i]) & 0x80))
        ++i;
    return i;
}

qsizetype asciiPrefix(const char16_t *p, qsizetype n)
{
    qsizetype i = 0;
    while (i < n && p[i] < 0x80)
        ++i;
    return i;
}

inline char16_t lookupPair(const Tables &t, unsigned char lead, unsigned char trail)
{
    if (lead < LeadFirst || lead > LeadLast || trail < TrailFirst || trail > TrailLast)
        return 0;
    return t.decode[(lead - LeadFirst) * TrailCount + (trail - TrailFirst)];
}

} // namespace

QString decode(QByteArrayView bytes)
{
    const char *p = bytes.data();
    const qsizetype n = bytes.size();
    const qsizetype prefix = asciiPrefix(p, n);
    if (prefix == n)
        return QString::fromLatin1(p, n);

    const Tables &t = tables();
    QString out(n, Qt::Uninitialized);  // never more characters than bytes
    char16_t *o = reinterpret_cast<char16_t *>(out.data());
    qsizetype k = 0;
    for (qsizetype i = 0; i < prefix; ++i)
        o[k++] = char16_t(static_cast<unsigned char>(p[i]));
    qsizetype i = prefix;
    while (i < n) {
        const unsigned char b = static_cast<unsigned char>(p[i]);
        if (b < 0x80) {
            o[k++] = b;
            ++i;
            continue;
        }
        if (i + 1 < n) {
            if (char16_t c = lookupPair(t, b, static_cast<unsigned char>(p[i + 1]))) {
                o[k++] = c;
                i += 2;
                continue;
            }
        }
        // Only the bad byte is escaped; the next byte starts afresh (it may be
        // ASCII or the lead of a good pair).
        o[k++] = char16_t(EscapeBase + b);
        ++i;
    }
    out.truncate(k);
    return out;
}

QByteArray encode(QStringView text)
{
    const char16_t *p = text.utf16();
    const qsizetype n = text.size();
    const qsizetype prefix = asciiPrefix(p, n);
    QByteArray out(prefix == n ? n : n * 2, Qt::Uninitialized);
    char *o = out.data();
    qsizetype k = 0;
    for (qsizetype i = 0; i < prefix; ++i)
        o[k++] = char(p[i]);
    if (prefix == n)
        return out;

    const Tables &t = tables();
    for (qsizetype i = prefix; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x80) {
            o[k++] = char(c);
        } else if (isEscape(c)) {
            o[k++] = char(c - EscapeBase);
        } else if (quint16 b = t.encode[c]) {
            o[k++] = char(b >> 8);
            o[k++] = char(b & 0xFF);
        } else {
            // One "?" per character: a surrogate pair (emoji) is one character.
            if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1]))
                ++i;
            o[k++] = '?';
        }
    }
    out.truncate(k);
    return out;
}

bool isValid(QByteArrayView bytes)
{
    const char *p = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype i = asciiPrefix(p, n);
    if (i == n)
        return true;
    const Tables &t = tables();
    while (i < n) {
        const unsigned char b = static_cast<unsigned char>(p[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        if (i + 1 >= n || !lookupPair(t, b, static_cast<unsigned char>(p[i + 1])))
            return false;
        i += 2;
    }
    return true;
}

bool canEncode(QStringView text)
{
    const char16_t *p = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = asciiPrefix(p, n);
    if (i == n)
        return true;
    const Tables &t = tables();
    for (; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x80 || isEscape(c) || t.encode[c])
            continue;
        return false;
    }
    return true;
}

} // namespace kav::cp949
