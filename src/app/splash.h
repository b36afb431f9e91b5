#pragma once
// The start-up splash window.

class QSplashScreen;

namespace kav {

// A splash screen showing the program name, its Korean subtitle and version,
// kept above other windows without taking the focus. The caller owns it.
QSplashScreen *makeSplash();

} // namespace kav
