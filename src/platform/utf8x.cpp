#include "utf8x.h"

#include <algorithm>

namespace kav::utf8x {
namespace {

// Length of the valid sequence starting at i, or 0 when the byte there starts none.
int sequenceLength(QByteArrayView b, qsizetype i, char32_t *cp)
{
    const uchar c = uchar(b[i]);
    if (c < 0x80) {
        *cp = c;
        return 1;
    }
    int len;
    char32_t v, min;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2; v = c & 0x1F; min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3; v = c & 0x0F; min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4; v = c & 0x07; min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > b.size())
        return 0;
    for (int k = 1; k < len; ++k) {
        const uchar t = uchar(b[i + k]);
        if ((t & 0xC0) != 0x80)
            return 0;
        v = (v << 6) | (t & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 0;
    *cp = v;
    return len;
}

} // namespace

QString decode(QByteArrayView bytes)
{
    // Most names are ASCII: one pass, no sequences to read.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    QString out(bytes.size(), Qt::Uninitialized);   // never more code units than bytes
    char16_t *o = reinterpret_cast<char16_t *>(out.data());
    qsizetype k = 0;
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t cp;
        const int len = sequenceLength(bytes, i, &cp);
        if (len == 0) {
            o[k++] = char16_t(0xDC00 + uchar(bytes[i]));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            o[k++] = QChar::highSurrogate(cp);
            o[k++] = QChar::lowSurrogate(cp);
        } else {
            o[k++] = char16_t(cp);
        }
        i += len;
    }
    out.truncate(k);
    // A Korean name is a third of its bytes in characters: a list of many
    // keeps only what it needs.
    if (out.capacity() > k + k / 2 + 8)
        out.squeeze();
    return out;
}

QByteArray encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        char32_t cp = u;
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            cp = QChar::surrogateToUcs4(u, text[i + 1].unicode());
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out += char(u - 0xDC00);   // an escaped byte goes back as it came
            continue;
        } else if (QChar::isSurrogate(u)) {
            out += '?';
            continue;
        }
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

bool isValid(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t cp;
        const int len = sequenceLength(bytes, i, &cp);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

} // namespace kav::utf8x
