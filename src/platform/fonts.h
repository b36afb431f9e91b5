#pragma once
// The program's Korean fonts. Noto Sans CJK KR comes first: at the window's 12-pixel
// size NanumGothic draws "." like ",", so "2.2" and "cp949.txt" would read wrongly.
// NanumGothic stays as the fallback where Noto is missing.

#include <QFont>
#include <QStringList>

namespace kav {

// Proportional families for windows, dialogs and "굴림".
QStringList koreanFamilies();
// Fixed-pitch families for "굴림체": logs, the viewer and columns of figures.
QStringList koreanFixedFamilies();

// The windows' font: the proportional families at `pixels`.
QFont windowFont(int pixels = 12);

// Maps the Korean Windows font names the program's texts and documents use ("굴림",
// "굴림체", "돋움", "바탕" and their fixed forms) onto the families above. Once per process.
void installFontSubstitutions();

} // namespace kav
