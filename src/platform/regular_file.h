#pragma once
// Reading a whole file that must be a regular one. Opening a named pipe would
// wait for a writer forever and a device may never end: the file is opened
// without waiting and its type is checked on the open descriptor, so a file
// swapped for a pipe between a listing and the read is refused too.

#include <QByteArray>
#include <QString>
#include <optional>

namespace kav {

// The bytes of a regular file (symbolic links to one are followed); nothing
// for any other kind of file, a file larger than maxBytes, or a read error.
std::optional<QByteArray> readRegularFile(const QString &path, qint64 maxBytes);

// The first `count` bytes (fewer when the file is shorter) of a regular file of
// any size; nothing for any other kind of file.
std::optional<QByteArray> readRegularFileHead(const QString &path, qint64 count);

} // namespace kav
