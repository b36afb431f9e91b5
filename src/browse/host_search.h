#pragma once
// The host file search: a depth-first walk of the host's tree, entering each
// directory and listing its entries through the remote file system, matching
// file names itself.
// Free of widgets: the search window shows what the callbacks report.
//
// - Every subdirectory path is built from the start directory's text; the walk
//   never sends "CWD ..", so the server is left in the last directory visited.
// - Names ".", ".." and names holding "/" are neither results nor entered: a
//   hostile listing must not send the walk round in circles or out of its tree.
// - The walk never goes deeper than maxDepth levels below the start directory.
// - A directory that refuses CWD or its listing is skipped (its reply is logged) and
//   the walk goes on; a failed data port, accept or receive ends it.
// - The stop request is asked after every received block, every match and every
//   directory: a stop ends the walk at once.

#include <QString>

#include <functional>

namespace kav {

class RemoteFs;

// The 1-based position of the character that makes a mask malformed (the "["
// of a set that is never closed), or 0 for a good mask.
int invalidMaskPosition(const QString &mask);
// "'%s' is an invalid mask at (%d)".
QString invalidMaskText(const QString &mask, int position);

struct HostSearchCallbacks {
    std::function<void(int directoriesRead)> directoryRead;
    // A match: its full path, its type letter ("A": by extension, "B": image) and the count so far.
    std::function<void(const QString &path, const QString &letter, int found)> found;
    std::function<bool()> stopRequested;
    // The ASCII extension list (upper case, no dot).
    std::function<bool(const QString &extension)> isAscii;
};

enum class HostSearchResult { Finished, Stopped, Failed };

class HostSearch {
public:
    static constexpr int DefaultMaxDepth = 32;

    HostSearch(RemoteFs &fs, const HostSearchCallbacks &callbacks) : fs(fs), cb(callbacks) {}

    // Walks from startDir; the mask must be good (invalidMaskPosition() == 0).
    HostSearchResult run(const QString &startDir, const QString &mask, bool subdirectories,
                         int maxDepth = DefaultMaxDepth);

private:
    enum class Visit { GoOn, Stop, Fail };
    Visit visit(const QString &path, int depth);
    bool stop() const { return cb.stopRequested && cb.stopRequested(); }

    RemoteFs &fs;
    HostSearchCallbacks cb;
    QString mask;
    bool recursive = true;
    int depthLimit = DefaultMaxDepth;
    int read = 0;
    int found = 0;
};

} // namespace kav
