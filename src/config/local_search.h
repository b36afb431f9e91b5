#pragma once
// The local file search: a depth-first walk from a start directory matching
// plain file names against a mask, free of widgets.
//
// - Matching is the local panes' (letter case ignored, "*.*" matches every name),
//   against each name as it is shown: the user types the mask as names look.
// - Every name is seen whatever its bytes (code page 949, no encoding at all).
// - Hidden entries (names starting with ".") are neither matched nor entered.
// - Symbolic links to directories are never entered: a link loop would never end.
// - A directory that cannot be read is skipped; the walk goes on.
// - Results are absolute local paths (local_path.h: foreign bytes escaped), ready
//   to be opened or sent; the process's current directory is not touched
//   (the local pane's relative names depend on it).

#include <QString>

#include <functional>

namespace kav {

struct LocalSearchCallbacks {
    // A directory was read (its count so far).
    std::function<void(int directoriesRead)> directoryRead;
    // A match: its absolute path and the count so far.
    std::function<void(const QString &path, int found)> found;
    // Asked after every directory and every match; true ends the walk.
    std::function<bool()> stopRequested;
};

enum class LocalSearchResult { Finished, Stopped, StartUnreadable };

LocalSearchResult searchLocalFiles(const QString &startDir, const QString &mask, bool subdirectories,
                                   const LocalSearchCallbacks &callbacks);

} // namespace kav
