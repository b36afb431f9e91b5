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

} // namespace kav
