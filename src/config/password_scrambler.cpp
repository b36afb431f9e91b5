#include "password_scrambler.h"

#include "platform/cp949.h"

namespace kav {

namespace {
constexpr unsigned C1 = 52845;
constexpr unsigned C2 = 22719;
}

int passwordByteLength(const QString &password)
{
    return int(cp949::encode(password).size());
}

QString ScramblePassword(const QString &password)
{
    // A character without a code page 949 form would be stored as "?" and the
    // password would come back changed: such a password is not stored at all.
    if (!cp949::canEncode(password))
        return {};
    const QByteArray bytes = cp949::encode(password);
    if (bytes.isEmpty() || bytes.size() > MaxPasswordBytes)
        return {};
    std::uint16_t k = ScrambleStartKey;
    QString out;
    out.reserve(bytes.size() * 3);
    for (char ch : bytes) {
        const unsigned c = (static_cast<unsigned char>(ch) ^ (k >> 8)) & 0xFF;
        k = static_cast<std::uint16_t>((k + c) * C1 + C2);
        out += QString::asprintf("%.3u", c);
    }
    return out;
}

QString UnscramblePassword(const QString &digits)
{
    if (digits.isEmpty())
        return {};
    std::uint16_t k = ScrambleStartKey;
    QByteArray bytes;
    for (qsizetype i = 0; i < digits.size(); i += 3) {
        bool ok = false;
        const int value = digits.mid(i, 3).toInt(&ok);
        const unsigned c = ok ? unsigned(value) & 0xFF : 0;
        bytes.append(char((c ^ (k >> 8)) & 0xFF));
        k = static_cast<std::uint16_t>((k + c) * C1 + C2);
    }
    return cp949::decode(bytes);
}

} // namespace kav
