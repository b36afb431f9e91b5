#pragma once
// Starting other programs from the local pane: run and wait (the external
// editor), opening a file with its associated program, and the file manager.

#include <QString>
#include <QStringList>

namespace kav {

// Starts the program with its arguments (each passed as it is, never through a
// shell) and returns only when it has ended, handling window events meanwhile so
// the program stays painted. 0 when the process ran; otherwise a nonzero error
// code (2: the program cannot be found or started).
int runAndWait(const QString &program, const QStringList &arguments);

// Opens a file as the desktop does on a double click: an executable file is
// started, anything else goes to the program associated with its type.
bool openWithAssociatedProgram(const QString &path);

// Starts a program on its own (it outlives us, we never wait for it), in
// `directory` when one is given; the program's path and each argument keep
// their bytes. False when it could not be started.
bool startDetachedExact(const QString &program, const QStringList &arguments, const QString &directory = {});

// The desktop's file manager on a directory, without waiting.
bool launchFileManager(const QString &directory);

} // namespace kav
