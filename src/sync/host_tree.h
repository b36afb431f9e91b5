#pragma once
// The host tree below a directory, read through the remote file system: one
// change of directory and one listing per directory, nothing per file, so
// comparing a tree costs what listing it costs.
//
// - Every directory's path is built from the root's text; the walk never goes
//   "..", and never follows a link (links are listed as links).
// - A directory the server will not enter or list is marked unlisted and the
//   walk goes on; a broken connection or a stop ends it (`complete` false),
//   and a plan must not be made from a tree read only in part.
// - Times: MLSD's "modify" (UTC, to the second), else MDTM for each file
//   (UTC, to the second: one request a file, asked only of servers without
//   MLSD, and no more once the server says it does not know MDTM).

#include "sync/sync_tree.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace kav {
class RemoteFs;
struct RemoteEntry;
}

namespace kav::sync {

struct HostScanOptions {
    int zoneOffsetMinutes = 0;
    QDateTime nowUtc;                                   // decides the year of a LIST date without one
    std::function<void(int directories, qint64 entries)> progress;
    std::function<bool()> stopRequested;
};

struct HostScan {
    Node root;
    bool complete = false;   // every directory was walked (some may be unlisted)
    bool stopped = false;    // the user stopped it
};

// A host listing's entry as a comparison node (exact times only: MLSD, SFTP).
Node nodeOfEntry(const RemoteEntry &entry);

HostScan scanHostTree(RemoteFs &fs, const QString &rootPath, const Excludes &excludes, const HostScanOptions &options);

// Content digests of the files present on both sides with equal sizes
// (different sizes differ anyway): the host's computed by the server where it
// offers that (HASH, XSHA256, XSHA1, XMD5), else downloaded to compare and
// never stored; the local ones read from disk in the same algorithm. False when stopped or the
// connection failed; files left without a digest are judged by time and size.
bool fillDigests(RemoteFs &fs, Node &local, Node &host, const QString &localRoot, const QString &hostRoot,
                 const std::function<bool()> &stopRequested);

} // namespace kav::sync
