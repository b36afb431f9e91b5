#include "program_info.h"

#include <QFont>
#include <QStringList>

namespace kav {

void installKoreanFonts()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QFont::insertSubstitutions(QStringLiteral("굴림체"),
                               {QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR")});
    QFont::insertSubstitutions(QStringLiteral("굴림"),
                               {QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR")});
}

} // namespace kav
