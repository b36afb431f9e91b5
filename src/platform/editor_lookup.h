#pragma once
// The text editor the program starts for "edit" commands. The stored value is a
// program (a path, or a name found on PATH); when it names no program here, the
// desktop's own editor stands in, as one that can be waited for.

#include <QString>
#include <QStringList>

namespace kav {

// The first editor of a short list found on PATH that can run in the foreground
// until the user has finished (gedit, kate, mousepad, ...): its absolute path, or
// empty text when none is installed.
QString platformTextEditor();

// The arguments that make the editor wait until its window is closed ("--wait"
// for gedit, "--block" for kate), to be given before the file's path.
QStringList editorWaitArguments(const QString &program);

// True when the text names an executable file: an existing path, or a name found on PATH.
bool editorExists(const QString &program);

// The stored editor with its fallbacks: an empty value or one that names no
// program gives the platform editor (when there is none, the stored text stays).
QString resolveEditor(const QString &stored);

// How an edit is started: the program and the arguments that go before the file's path.
struct EditorLaunch {
    QString program;
    QStringList arguments;
    // Set when the stored editor names no program here and another stands in: the
    // stand-in as the user should be told of it ("/usr/bin/mousepad", "vi (xterm)").
    QString substitute;
};

// The stored editor when it names a program here; otherwise, in this order, a graphical
// editor named by $VISUAL, one of the desktop's editors (platformTextEditor), and $VISUAL
// or $EDITOR in a terminal window that stays until the editor ends. With none of these,
// the stored text, which then fails to start and is reported as such.
EditorLaunch editorLaunch(const QString &stored);

} // namespace kav
