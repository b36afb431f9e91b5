#pragma once
// The comparison marks of the two panes: how each name of the local file list
// stands to the same name in the host's listing, one directory deep, by the
// criteria the user chose. Nothing here is read from the server: the host side
// is the listing the pane already holds, so a mark costs no round trip and
// follows every refresh for free.
//
// - A name is compared only with the same name (code units): the host's
//   "Index.html" is not the local "index.html".
// - A time that is not known on both sides (a LIST line names no exact time)
//   decides nothing: compared by time alone such a file is left unmarked, never
//   called the same.
// - Links are never followed; a link beside a file or directory of the same
//   name counts as present on both sides.

#include "ftp/listing.h"
#include "sync/host_tree.h"
#include "sync/sync_plan.h"

#include <QHash>
#include <QList>
#include <QString>

namespace kav::sync {

enum class PaneMark {
    None,          // not decided (times unknown), or not compared
    Same,
    OnlyHere,      // this side has it, the other has nothing of that name
    Newer,         // this side's copy is newer
    Older,         // the other side's copy is newer
    SizeDiffers,
    KindDiffers,   // a file here, a directory there
};

struct PaneMarks {
    QHash<QString, PaneMark> local;
    QHash<QString, PaneMark> host;
};

// The marks of every name on either side. `criteria` is ByTime, BySize or both.
PaneMarks comparePanes(const QList<Node> &local, const QList<Node> &host, unsigned criteria);

// The entries of one local directory, not descending into subdirectories.
QList<Node> localDirectoryNodes(const QString &directory);

// What a mark says, for a row's hint (empty for None).
QString paneMarkText(PaneMark mark);

} // namespace kav::sync
