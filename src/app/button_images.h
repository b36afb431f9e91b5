#pragma once
// The images of the main window's image buttons and the program's own icon,
// drawn as SVG so that they stay sharp at every screen scale.

#include <QIcon>
#include <QString>

class QWidget;

namespace Ui { class TMainForm; }

namespace kav {

// The program icon (the window icon; the same drawing as the installed one).
QIcon programIcon();
// One of the button images by name ("upload", "download", "drive_connect",
// "drive_disconnect", "to_clipboard", "start_directory"); a null icon when the
// name is unknown or the platform cannot draw SVG.
QIcon buttonImage(const QString &name);

// The program's icon as installed beside the program (<prefix>/bin/kavrin gives
// <prefix>/share/icons/hicolor/scalable/apps/kavrin.svg), so that a launcher made
// by the installed program shows it; empty when the program is not installed.
QString installedProgramIcon(const QString &programPath);

// Gives the pane buttons and the transfer arrows their images. The captions stay
// (they are the buttons' names for tests and screen readers); a tool button
// shows only its image once it has one.
void applyButtonImages(Ui::TMainForm &form);

} // namespace kav
