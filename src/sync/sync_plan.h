#pragma once
// The plan of a synchronization: two trees in (a local directory and a host
// directory, as sync_tree.h describes them), the list of actions out, each of
// which the user sees, and may uncheck, before anything moves.
//
//   Node local = scanLocalTree("/home/me/site", excludes);
//   Node host = ...;                    // the host tree, listed through the remote file system
//   SyncOptions o{Direction::ToHost, ByTime | BySize};
//   Plan plan = planSync(local, host, o, nullptr);
//   // plan.actions: MakeHostDir "img", Upload "img/a.png", Upload "index.html", ...
//
// Invariants (what must never happen, and why):
// - Nothing is deleted or overwritten that is not an action of the plan: the
//   preview is the whole truth of a run.
// - One way, nothing is ever deleted unless `mirror` is set, and only on the
//   target side; only existing files never creates anything on the target.
// - Both ways, a file changed on both sides since the last sync, a file
//   changed on one side and deleted on the other, and two different files that
//   appeared on both sides are conflicts: shown, never acted on. Without a
//   state (the first sync), nothing is deleted: files only copy.
// - A directory is removed only when every entry in it is deleted by the same
//   plan (links and excluded names keep it), after those deletes.
// - Nothing is planned beneath a directory that could not be listed, on either
//   side: what could not be read is not missing.
// - Actions come in an order that can be run as it stands: a directory is made
//   before what goes into it and removed after what it held.

#include "sync/sync_tree.h"

#include <QList>
#include <QString>

namespace kav::sync {

class SyncState;

enum class Direction { ToHost, ToLocal, BothWays };

enum Criterion : unsigned {
    ByTime = 1,
    BySize = 2,
    // A content digest on both sides (the runner fills Node::digest first);
    // files without digests are judged by time and size.
    ByContent = 4,
};

struct SyncOptions {
    Direction direction = Direction::ToHost;
    unsigned criteria = ByTime | BySize;
    // One way: delete on the target what the source lacks. A target copy that
    // is newer is still left alone.
    bool mirror = false;
    // One way: only files and directories the target already has.
    bool onlyExisting = false;
    // The server can set a file's time (MFMT, SITE UTIME): then a file whose
    // content is known equal but whose times differ gets its host time set
    // instead of a transfer.
    bool hostTimeSettable = false;
};

// How one name stands between the panes, for the comparison marks.
enum class Difference {
    Same,
    OnlyLocal,
    OnlyHost,
    LocalNewer,
    HostNewer,
    SizeDiffers,
    ContentDiffers,
    KindDiffers,   // a file on one side, a directory on the other
};

// The difference of two entries of the same name (either may be null) by the
// given criteria. Directories that both exist are Same (their contents are
// compared by the tree walk). Times that cannot be told apart (a minute of a
// LIST line) are the same.
Difference compareNodes(const Node *local, const Node *host, unsigned criteria);

// What the planner saw of one entry, for the preview.
struct Facts {
    NodeKind kind = NodeKind::File;
    bool present = false;
    qint64 size = -1;
    FileTime time;
    QByteArray digest;
    bool operator==(const Facts &) const = default;
};
Facts factsOf(const Node *node);

enum class ActionKind {
    Upload,
    Download,
    DeleteLocal,
    DeleteHost,
    MakeLocalDir,
    MakeHostDir,
    RemoveLocalDir,
    RemoveHostDir,
    SetLocalTime,
    SetHostTime,
    Conflict,   // shown, never run
};

enum class Reason {
    Missing,          // the other side has no such file or directory
    Newer,            // this side's copy is the newer
    SizeDiffers,
    ContentDiffers,
    TimeDiffers,      // content equal, times not
    Extra,            // mirror: the source has no such entry
    Changed,          // both ways: changed on one side since the last sync
    Deleted,          // both ways: deleted on the other side since the last sync
    ChangedBoth,      // conflict: changed on both sides
    ChangedDeleted,   // conflict: changed on one side, deleted on the other
    CreatedBoth,      // conflict: made on both sides, different
    KindDiffers,      // conflict: a file here, a directory there
    Undecided,        // conflict: first sync, differ, and no time tells which is newer
};

struct Action {
    ActionKind kind = ActionKind::Conflict;
    Reason reason = Reason::Missing;
    QString path;        // relative to both roots, "/"-joined
    Facts local;
    Facts host;
    qint64 bytes = 0;    // what a transfer moves
    bool checked = true; // conflicts start (and stay) unchecked
    bool isTransfer() const { return kind == ActionKind::Upload || kind == ActionKind::Download; }
    bool isDelete() const;
};

struct Plan {
    QList<Action> actions;
    // Directories that could not be listed, on either side; nothing beneath
    // them was planned.
    QStringList unlisted;
    // Links met on either side, left alone.
    QStringList links;

    struct Totals {
        qint64 transfers = 0;
        qint64 bytes = 0;
        qint64 deletes = 0;
        qint64 others = 0;      // directories made, times set
        qint64 conflicts = 0;
    };
    Totals totals(bool checkedOnly = true) const;
    bool nothingToDo() const;
};

// The words the preview and the log use: "올리기", "양쪽에서 모두 바뀜", and
// an action as one line: what, where, why.
QString actionKindText(ActionKind kind);
QString reasonText(Reason reason);
QString actionText(const Action &action);

// The plan for two trees. `state` is the last completed sync of this pair, for
// BothWays only; null (or a state that does not exist) means the first sync.
Plan planSync(const Node &localRoot, const Node &hostRoot, const SyncOptions &options, const SyncState *state);

} // namespace kav::sync
