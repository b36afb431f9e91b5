#pragma once
// Runs the checked actions of a plan, in the plan's order: directories and
// deletes through the remote file system and the local file layer, file
// transfers through the caller's transfer engine (the usual progress window,
// cancel and resume), and the times afterwards:
//
// - after a download the local file gets the host's time (MDTM when the
//   listing's time was coarser than a second), so the copies compare equal;
// - after an upload the host file gets the local time where the server can
//   set one; where it cannot, that is said once in the log and the run goes
//   on (the host file keeps the time of the upload, which a later comparison
//   reads as "newer on the host", never as a reason to upload again).
//
// Invariants:
// - Only checked actions run; conflicts never do.
// - A failed action is logged and the run goes on with the next one, except
//   that nothing beneath a directory that could not be made is tried.
// - A cancel ends the run after the current action; the report says which
//   actions were done, so a later sync proposes only the rest.
// - A local path is only ever built from names a tree accepted
//   (isSyncableName): no name from a server reaches outside the local root.

#include "sync/sync_plan.h"

#include <QSet>
#include <QString>

#include <functional>

namespace kav {
class RemoteFs;
}

namespace kav::sync {

// One file to copy, either way.
struct FileCopy {
    bool upload = false;
    QString localPath, hostPath;
    qint64 size = -1;
};

// The file transfers, done by the caller's transfer engine.
class SyncTransfers {
public:
    virtual ~SyncTransfers() = default;
    virtual bool upload(const QString &localPath, const QString &hostPath, qint64 size) = 0;
    virtual bool download(const QString &hostPath, const QString &localPath, qint64 size) = 0;
    // The user asked to stop (the transfer window's cancel).
    virtual bool cancelled() const = 0;
    // Whether copyAll() moves files side by side (over several connections):
    // the runner then hands it every run of consecutive copies of the plan.
    virtual bool spreads() const { return false; }
    // Several copies: whether each was done, in order. By default one after
    // another, none after a cancel.
    virtual QList<bool> copyAll(const QList<FileCopy> &copies);
};

struct SyncRunCallbacks {
    // Before each action runs: its index in the plan.
    std::function<void(int index)> starting;
    // A line for the main window's log.
    std::function<void(const QString &line)> log;
};

struct SyncReport {
    QSet<int> done;
    QList<int> failed;
    bool cancelled = false;
    bool hostTimesUnsettable = false;   // the server could not set a time (said once)
};

class SyncRunner {
public:
    SyncRunner(RemoteFs &fs, SyncTransfers &transfers, const QString &localRoot, const QString &hostRoot,
               const SyncRunCallbacks &callbacks = {});

    SyncReport run(const Plan &plan);

    QString localPath(const QString &relative) const;
    QString hostPath(const QString &relative) const;

private:
    bool runOne(const Action &a);
    // Actions from `first` on that are checked copies, side by side; the
    // index after the last one taken.
    int runCopies(const Plan &plan, int first, SyncReport &report);
    static bool isCopy(const Action &a);
    void afterDownload(const Action &a);
    void afterUpload(const Action &a);
    bool setHostTime(const QString &relative, const QDateTime &utc);
    void log(const QString &line) const;

    RemoteFs &fs;
    SyncTransfers &transfers;
    QString localRoot, hostRoot;
    SyncRunCallbacks cb;
    bool hostTimesWork = true;
    bool toldHostTimes = false;
};

} // namespace kav::sync
