#pragma once
// Where host files are copied to be edited or hex viewed: "Temp" in Kavrin's own
// settings directory, readable only by the user, and in it a fresh directory for
// every call, so that a copy left by an earlier run (or by another program) is
// never taken for the file this call fetched.

#include <QString>

namespace kav::remote {

// The settings directory's "Temp", created (mode 0700) when missing and narrowed to
// 0700 when it exists; empty text when it cannot be made.
QString temporaryRoot();

// A new, empty directory inside temporaryRoot() (mode 0700) for one call; empty text
// when none can be made.
QString freshCopyDirectory();

// Deletes the copy `name` inside `directory`, then the directory when it is empty.
// Refuses (false) a directory that is not one of freshCopyDirectory()'s or a name
// that is not a plain file name, so nothing outside the temporary directory is ever
// deleted.
bool removeCopy(const QString &directory, const QString &name);

} // namespace kav::remote
