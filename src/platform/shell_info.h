#pragma once
// What stands in for SHGetFileInfoA: a file's shell icon (the desktop's icon
// for its type), its type name (the MIME type's description) and a drive's
// display name.

#include <QImage>
#include <QString>

namespace kav {

// The shell icon at the standard size (32 x 32); never null: a generic file icon
// when the desktop has none.
QImage shellIcon(const QString &path);

// The type name, at most 80 characters, as the shell's type column shows it.
QString shellTypeName(const QString &path);

} // namespace kav
