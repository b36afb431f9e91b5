#include "sync/sync_tree.h"

#include "platform/local_path.h"
#include "platform/wildcard.h"

#include <algorithm>

namespace kav::sync {

namespace {

bool byName(const Node &a, const Node &b) { return a.name < b.name; }

} // namespace

const Node *Node::child(const QString &childName) const
{
    const auto it = std::lower_bound(children.cbegin(), children.cend(), childName,
                                     [](const Node &n, const QString &key) { return n.name < key; });
    return it != children.cend() && it->name == childName ? &*it : nullptr;
}

Node *Node::child(const QString &childName)
{
    return const_cast<Node *>(std::as_const(*this).child(childName));
}

bool isSyncableName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

void tidyChildren(QList<Node> &children)
{
    children.removeIf([](const Node &n) { return !isSyncableName(n.name); });
    std::sort(children.begin(), children.end(), byName);
    // A listing that names one entry twice keeps the first: two actions on one
    // path would race each other.
    children.erase(std::unique(children.begin(), children.end(),
                               [](const Node &a, const Node &b) { return a.name == b.name; }),
                   children.end());
}

Excludes::Excludes(const QString &masks)
{
    for (const QString &part : masks.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString mask = part.trimmed();
        if (!mask.isEmpty())
            list.append(mask);
    }
}

bool Excludes::excludes(const QString &name) const
{
    for (const QString &mask : list)
        if (matchesWildcard(mask, name))
            return true;
    return false;
}

bool Excludes::excludesPath(const QString &relativePath) const
{
    if (list.isEmpty())
        return false;
    for (const QString &name : relativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        if (excludes(name))
            return true;
    return false;
}

QString Excludes::firstInvalidMask() const
{
    for (const QString &mask : list) {
        // A set opened by "[" must be closed; the wildcard matcher would
        // otherwise take the rest of the mask literally and surprise the user.
        const qsizetype open = mask.indexOf(QLatin1Char('['));
        if (open >= 0 && mask.indexOf(QLatin1Char(']'), open + 1) < 0)
            return mask;
    }
    return {};
}

namespace {

void scanInto(Node &dir, const QString &path, const Excludes &excludes, QString *error, int depth)
{
    bool readable = false;
    const QList<localpath::EntryFacts> entries = depth > 256 ? QList<localpath::EntryFacts>()
                                                             : localpath::entryFacts(path, &readable);
    if (!readable) {
        dir.listed = false;
        if (error && error->isEmpty())
            *error = path;
        return;
    }
    dir.children.reserve(entries.size());
    for (const localpath::EntryFacts &e : entries) {
        if (!isSyncableName(e.path) || excludes.excludes(e.path))
            continue;
        Node node;
        node.name = e.path;
        switch (e.kind) {
        case localpath::EntryFacts::Kind::Link: node.kind = NodeKind::Link; break;
        case localpath::EntryFacts::Kind::Directory:
            node.kind = NodeKind::Directory;
            node.time = exactTime(e.modified);
            break;
        case localpath::EntryFacts::Kind::File:
            node.kind = NodeKind::File;
            node.size = e.size;
            node.time = exactTime(e.modified);
            break;
        default: continue;   // devices, sockets, pipes: nothing a server keeps
        }
        dir.children.append(std::move(node));
    }
    tidyChildren(dir.children);
    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    for (Node &child : dir.children)
        if (child.isDirectory())
            scanInto(child, prefix + child.name, excludes, error, depth + 1);
}

void countInto(const Node &dir, TreeCount &count)
{
    for (const Node &child : dir.children) {
        if (child.isDirectory()) {
            ++count.directories;
            countInto(child, count);
        } else if (child.isFile()) {
            ++count.files;
            count.bytes += qMax<qint64>(0, child.size);
        }
    }
}

} // namespace

Node scanLocalTree(const QString &directory, const Excludes &excludes, QString *error)
{
    Node root;
    root.kind = NodeKind::Directory;
    scanInto(root, directory, excludes, error, 0);
    return root;
}

TreeCount countTree(const Node &root)
{
    TreeCount count;
    countInto(root, count);
    return count;
}

} // namespace kav::sync
