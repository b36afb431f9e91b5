#pragma once
// Desktop services of the platform: the user's desktop folder, desktop launchers,
// detached processes and the default beep.

#include <QString>
#include <QStringList>

namespace kav::shell {

// The user's desktop folder: XDG_DESKTOP_DIR from user-dirs.dirs (in
// $XDG_CONFIG_HOME, else ~/.config), else ~/Desktop. Not created here.
QString desktopFolder();

// A profile name made into a file name that stays inside its folder: no "/",
// no NUL or other control character, not "." or "..", no leading "-", and at
// most maxBytes bytes of UTF-8 (cut at a character boundary). Never empty.
QString safeFileName(const QString &name, int maxBytes = 200);

// One argument quoted for the Exec key of a desktop entry, as the desktop entry
// format wants it inside the file: quoted, with '"', '`', '$' and '\'
// escaped, '%' doubled, and the result escaped once more as a string value.
QString quoteExecArgument(const QString &argument);
// The full Exec value for a program and its arguments.
QString execLine(const QString &program, const QStringList &arguments);

// Writes a launcher "<folder>/<safeFileName(name)>.desktop" that starts program
// with arguments in workingDir, shown with icon (a file or theme name; none when
// empty). The file is replaced atomically (a link already at that path is
// replaced, never followed). Returns the path written, or an empty string when
// the platform refused.
QString writeLauncher(const QString &folder, const QString &name, const QString &program,
                      const QStringList &arguments, const QString &workingDir,
                      const QString &icon = {});

// Starts a program as a new process that outlives this one; arguments are passed
// as they are, one each, never through a shell.
bool startDetached(const QString &program, const QStringList &arguments);

// The default beep.
void beep();

} // namespace kav::shell
