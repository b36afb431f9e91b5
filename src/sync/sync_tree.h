#pragma once
// A directory tree as a comparison sees it: names, kinds, sizes, times, and
// (when asked for) a content digest. The same shape for the local side and
// the host side, so one planner serves every direction.
//
// - Children are kept sorted by name (code unit order), so two listings meet
//   by one merge, never by a search per name: comparing 10,000 files costs
//   little beside listing them.
// - A directory that could not be listed is marked as such (`listed` false):
//   nothing beneath it may be taken as missing, or a mirror would delete the
//   other side's copy of a tree it merely failed to read.
// - Names that can name no file on the other side ("", ".", "..", a "/" or a
//   NUL in them) never enter a tree: a hostile listing must not lead a sync
//   out of the directory it was given.
// - Symbolic links are listed as links and never followed, copied or
//   deleted: a link to a parent would send a walk round for ever, and what a
//   link means on the other side is not ours to guess.

#include "sync/file_time.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace kav::sync {

enum class NodeKind { File, Directory, Link };

struct Node {
    QString name;
    NodeKind kind = NodeKind::File;
    qint64 size = -1;         // files: bytes; -1 unknown
    FileTime time;
    QByteArray digest;        // content digest (any one algorithm per run); empty: not known
    bool listed = true;       // directories: false when the listing failed
    QList<Node> children;     // directories: sorted by name

    bool isDirectory() const { return kind == NodeKind::Directory; }
    bool isFile() const { return kind == NodeKind::File; }
    // The child of that name, or null.
    const Node *child(const QString &childName) const;
    Node *child(const QString &childName);
};

// Sorts a directory's children by name and drops names that name no file.
void tidyChildren(QList<Node> &children);

// Whether a name may be used on both sides: not empty, ".", "..", and free of
// "/" and NUL.
bool isSyncableName(const QString &name);

// Exclude masks, "*.bak;*.tmp;.git": each mask is matched against every name
// of the tree (files and directories alike) with the host search's wildcard
// rule. An excluded name is neither compared, copied nor deleted.
class Excludes {
public:
    Excludes() = default;
    explicit Excludes(const QString &masks);
    bool excludes(const QString &name) const;
    // Whether any name along a "/"-joined relative path is excluded.
    bool excludesPath(const QString &relativePath) const;
    const QStringList &masks() const { return list; }
    // The first mask that is malformed ("[" never closed), or empty.
    QString firstInvalidMask() const;

private:
    QStringList list;
};

// The local tree below `directory` (the root node carries its children; its
// own name is empty). Hidden files are included (".htaccess" belongs to a web
// site); excluded names are left out. `error` receives the first directory
// that could not be read (its node is then marked unlisted).
Node scanLocalTree(const QString &directory, const Excludes &excludes, QString *error = nullptr);

// The number of files and of directories in a tree (the root not counted).
struct TreeCount {
    qint64 files = 0;
    qint64 directories = 0;
    qint64 bytes = 0;
};
TreeCount countTree(const Node &root);

// Walks two directories' sorted children side by side: `visit(name, a, b)`
// once a name, with null for the side that lacks it. One merge, never a
// search per name. N is Node or const Node.
template <typename N, typename Visit>
void mergeChildren(N *a, N *b, Visit visit)
{
    qsizetype i = 0, j = 0;
    const qsizetype as = a ? a->children.size() : 0, bs = b ? b->children.size() : 0;
    while (i < as || j < bs) {
        if (j >= bs || (i < as && a->children[i].name < b->children[j].name)) {
            visit(a->children[i].name, &a->children[i], static_cast<N *>(nullptr));
            ++i;
        } else if (i >= as || b->children[j].name < a->children[i].name) {
            visit(b->children[j].name, static_cast<N *>(nullptr), &b->children[j]);
            ++j;
        } else {
            visit(a->children[i].name, &a->children[i], &b->children[j]);
            ++i;
            ++j;
        }
    }
}

// A "/"-joined relative path.
inline QString joinRelative(const QString &parent, const QString &name)
{
    return parent.isEmpty() ? name : parent + QLatin1Char('/') + name;
}

} // namespace kav::sync
