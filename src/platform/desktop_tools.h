#pragma once
// Small desktop programs and documents the viewers hand work to.

#include <QString>
#include <QStringList>
#include <QUrl>

namespace kav {

// The desktop's character map program found on PATH (gucharmap, kcharselect, ...),
// or an empty text when none is installed.
QString characterMapProgram();
// Starts it detached; false when there is none or it could not start.
bool startCharacterMap();

// The HTML manual shipped with the program (next to the executable in manual/ in the
// build tree, installed in ../share/kavrin/manual/), or an empty URL when none is there.
QUrl manualUrl();
// Opens a document or address with the desktop's default program (the shell's "open").
bool openWithDesktop(const QUrl &url);

} // namespace kav
