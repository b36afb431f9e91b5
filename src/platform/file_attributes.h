#pragma once
// File attributes in the Windows sense, read from this system's file modes, and
// the local file operations whose system calls differ from the Windows ones.

#include <QString>

class QDateTime;

namespace kav {

enum FileAttribute : int {
    AttrReadOnly = 1,
    AttrHidden = 2,
    AttrSysFile = 4,
    AttrVolumeId = 8,
    AttrDirectory = 16,
    AttrArchive = 32,
};

// read-only: the owner may not write; hidden: the name starts with "." (not "."
// and ".." themselves); system: neither a regular file nor a directory (devices,
// pipes, sockets); directory; archive: a regular file, or a link whose target is gone.
// The path may hold escaped bytes (see local_path.h).
int fileAttributes(const QString &path);

// The modification time to show for an entry: its target's for a link that points
// somewhere, the link's own for one whose target is gone.
QDateTime entryModified(const QString &path);

// Renames `from` to `to` (relative names count from the current directory) but
// never replaces an existing `to` (both may hold escaped bytes), as the Windows call refuses to. Changing only
// the letter case on a file system that ignores case is allowed (it is the same
// file). False, and nothing changed, when the system refuses.
bool renameNoReplace(const QString &from, const QString &to);

} // namespace kav
