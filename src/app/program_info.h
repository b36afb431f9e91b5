#pragma once
// Names and words the frame shows about the program itself.

#include <QString>

namespace kav {

inline QString programTitle() { return QStringLiteral("Kavrin Version 2.2"); }
inline QString programName() { return QStringLiteral("Kavrin"); }
inline QString programVersion() { return QStringLiteral(KAVRIN_VERSION); }
inline QString programSubtitle() { return QStringLiteral("한글 FTP 클라이언트와 네트워크 도구"); }
inline QString programCredit() { return QStringLiteral("Kavrin 개발팀이 만든 자유 소프트웨어"); }
inline QString programLicense() { return QStringLiteral("GNU 일반 공중 사용 허가서(GPL) 버전 3 이상으로 배포"); }

// "굴림체" and the window font resolve to the installed Korean font.
void installKoreanFonts();

} // namespace kav
