#include "text_codec.h"

#include "platform/cp949.h"
#include "platform/utf8x.h"

namespace kav::viewers {

bool isValidUtf8(QByteArrayView bytes)
{
    return utf8x::isValid(bytes);
}

namespace {

bool hasNonAscii(QByteArrayView bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

LineEnd firstLineEnd(QByteArrayView bytes, LineEnd fallback)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            return LineEnd::Lf;
        if (bytes[i] == '\r')
            return (i + 1 < bytes.size() && bytes[i + 1] == '\n') ? LineEnd::CrLf : LineEnd::Cr;
    }
    return fallback;
}

QString toNewlines(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

PlainTextFile decodePlainText(QByteArrayView bytes, LineEnd fallback)
{
    PlainTextFile file;
    file.lineEnd = firstLineEnd(bytes, fallback);
    static const char bom[] = "\xEF\xBB\xBF";
    if (bytes.startsWith(QByteArrayView(bom, 3))) {
        // A marked file is UTF-8 even where a byte is broken; such bytes become U+FFFD.
        file.encoding = TextEncoding::Utf8Bom;
        file.text = toNewlines(QString::fromUtf8(bytes.sliced(3)));
    } else if (hasNonAscii(bytes) && isValidUtf8(bytes)) {
        file.encoding = TextEncoding::Utf8;
        file.text = toNewlines(QString::fromUtf8(bytes));
    } else {
        file.encoding = TextEncoding::Cp949;
        file.text = toNewlines(cp949::decode(bytes));
    }
    return file;
}

QByteArray encodePlainText(const QString &text, TextEncoding encoding, LineEnd lineEnd,
                           TextEncoding *used)
{
    QString body = text;
    if (lineEnd == LineEnd::CrLf)
        body.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    else if (lineEnd == LineEnd::Cr)
        body.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    if (encoding == TextEncoding::Cp949 && !cp949::canEncode(body))
        encoding = TextEncoding::Utf8;
    if (used)
        *used = encoding;
    switch (encoding) {
    case TextEncoding::Cp949:
        return cp949::encode(body);
    case TextEncoding::Utf8:
        return body.toUtf8();
    case TextEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + body.toUtf8();
    }
    return {};
}

} // namespace kav::viewers
