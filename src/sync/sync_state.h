#pragma once
// The state of the last completed two-way sync of one directory pair of one
// profile: for every path that was alike on both sides afterwards, what each
// side had (kind, size, time). Against it the next sync tells a file deleted
// on one side (in the state, missing now: delete on the other) from a file new
// on the other (not in the state: copy), and a change on one side from a
// change on both (a conflict).
//
// - One file per pair, beside KAVRIN.INI, written whole or not at all
//   (temporary file, then rename): a crash mid-write must never leave a half
//   state, which would read as "deleted" for every path it lost.
// - A state that cannot be read is an error, never an empty state: an empty
//   state would turn every file into a new one, which is safe, but silently
//   losing the deletes a user expects is not what they asked for either; the
//   window says so and offers a first sync.
// - Paths whose actions were not run (unchecked, failed, conflicts) keep their
//   old records, so what was left undone is proposed again next time.

#include "sync/sync_plan.h"

#include <QHash>
#include <QSet>
#include <QString>

namespace kav::sync {

struct StateRecord {
    Facts local;
    Facts host;
    bool operator==(const StateRecord &) const = default;
};

class SyncState {
public:
    bool exists = false;     // false: no sync of this pair has completed yet
    QString profile, localDir, hostDir;
    QHash<QString, StateRecord> records;   // by "/"-joined relative path

    const StateRecord *record(const QString &path) const;
};

// The state file of a pair: settingsDirectory() + "/SYNC-<digest of the three>.STATE".
QString stateFilePath(const QString &profile, const QString &localDir, const QString &hostDir);

enum class StateLoad { Missing, Loaded, Unreadable };
// Reads the state file; Missing leaves `state` empty (exists false).
StateLoad loadState(const QString &path, SyncState *state, QString *error = nullptr);
bool saveState(const QString &path, const SyncState &state, QString *error = nullptr);

// The text of a state file and back (the file format, for tests and the loader).
QByteArray stateText(const SyncState &state);
bool parseStateText(const QByteArray &text, SyncState *state);

// The state after a run: every path present on both sides of the trees as
// listed after the run, with the same kind, gets a fresh record; paths in
// `unsettled` (and everything beneath them) keep their old record or none;
// paths the excludes hide keep their old records.
SyncState stateAfter(const SyncState &old, const Node &localRoot, const Node &hostRoot,
                     const QSet<QString> &unsettled, const Excludes &excludes);

// The paths a run leaves unsettled: conflicts, and actions unchecked or not done.
QSet<QString> unsettledPaths(const Plan &plan, const QSet<int> &doneActions);

} // namespace kav::sync
