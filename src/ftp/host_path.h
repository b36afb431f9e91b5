#pragma once
// Paths on the host: always "/"-separated, whatever this platform uses.

#include <QString>

namespace kav {

// A name inside a host directory: directory + "/" + name, without doubling the
// "/" of the root (or of a directory the server reports with a trailing "/").
QString joinHostPath(const QString &directory, const QString &name);
// The part of a host path after its last "/".
QString hostBaseName(const QString &hostPath);

} // namespace kav
