#include "fonts.h"

namespace kav {

QStringList koreanFamilies()
{
    return {QStringLiteral("Noto Sans CJK KR"), QStringLiteral("NanumGothic")};
}

QStringList koreanFixedFamilies()
{
    return {QStringLiteral("Noto Sans Mono CJK KR"), QStringLiteral("NanumGothicCoding"),
            QStringLiteral("NanumGothic")};
}

QFont windowFont(int pixels)
{
    QFont font;
    font.setFamilies(koreanFamilies());
    font.setPixelSize(pixels);
    return font;
}

void installFontSubstitutions()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const char16_t *name : {u"굴림", u"돋움", u"바탕", u"Gulim", u"Dotum", u"Batang"})
        QFont::insertSubstitutions(QString::fromUtf16(name), koreanFamilies());
    for (const char16_t *name : {u"굴림체", u"돋움체", u"바탕체", u"GulimChe", u"DotumChe", u"BatangChe"})
        QFont::insertSubstitutions(QString::fromUtf16(name), koreanFixedFamilies());
}

} // namespace kav
