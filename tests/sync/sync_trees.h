#pragma once
// Trees written as lines, for tables of (trees before, actions proposed):
//
//   "a.txt 10 @100"   a file of 10 bytes changed at second 100 (exact time)
//   "a.txt 10 ~5"     a file whose LIST time is minute 5 (to the minute)
//   "d/"              a directory;  "d/!" a directory that could not be listed
//   "l ->"            a link
//
// Parent directories are made as needed. Actions read "upload a.txt",
// "mkhost d", "conflict changed-both f", with "(off)" for unchecked ones.

#include "sync/sync_plan.h"
#include "sync/sync_state.h"

#include <QStringList>

#include <initializer_list>

namespace synctest {

using namespace kav::sync;

inline Node *ensureDir(Node &root, const QStringList &names)
{
    Node *at = &root;
    for (const QString &n : names) {
        Node *c = nullptr;
        for (Node &x : at->children)
            if (x.name == n)
                c = &x;
        if (!c) {
            Node d;
            d.name = n;
            d.kind = NodeKind::Directory;
            at->children.append(d);
            c = &at->children.last();
        }
        at = c;
    }
    return at;
}

inline void tidyAll(Node &n)
{
    tidyChildren(n.children);
    for (Node &c : n.children)
        tidyAll(c);
}

inline Node tree(std::initializer_list<const char *> lines)
{
    Node root;
    root.kind = NodeKind::Directory;
    for (const char *raw : lines) {
        const QString line = QString::fromUtf8(raw);
        if (line.endsWith(QLatin1String("/!"))) {
            ensureDir(root, line.chopped(2).split(u'/'))->listed = false;
            continue;
        }
        if (line.endsWith(u'/')) {
            ensureDir(root, line.chopped(1).split(u'/'));
            continue;
        }
        // The name may hold blanks: the facts are the last words.
        QStringList words = line.split(u' ');
        Node n;
        if (words.last() == QLatin1String("->")) {
            words.removeLast();
            n.kind = NodeKind::Link;
        } else {
            const QString when = words.takeLast();
            n.size = words.takeLast().toLongLong();
            if (when.startsWith(u'@'))
                n.time = FileTime{when.mid(1).toLongLong() * 1000, 1000};
            else
                n.time = FileTime{when.mid(1).toLongLong() * 60000, 60000};
        }
        QStringList path = words.join(u' ').split(u'/');
        n.name = path.takeLast();
        ensureDir(root, path)->children.append(n);
    }
    tidyAll(root);
    return root;
}

inline QString kindWord(ActionKind k)
{
    switch (k) {
    case ActionKind::Upload: return QStringLiteral("upload");
    case ActionKind::Download: return QStringLiteral("download");
    case ActionKind::DeleteLocal: return QStringLiteral("dellocal");
    case ActionKind::DeleteHost: return QStringLiteral("delhost");
    case ActionKind::MakeLocalDir: return QStringLiteral("mklocal");
    case ActionKind::MakeHostDir: return QStringLiteral("mkhost");
    case ActionKind::RemoveLocalDir: return QStringLiteral("rmlocal");
    case ActionKind::RemoveHostDir: return QStringLiteral("rmhost");
    case ActionKind::SetLocalTime: return QStringLiteral("timelocal");
    case ActionKind::SetHostTime: return QStringLiteral("timehost");
    case ActionKind::Conflict: return QStringLiteral("conflict");
    }
    return {};
}

inline QString reasonWord(Reason r)
{
    switch (r) {
    case Reason::ChangedBoth: return QStringLiteral("changed-both ");
    case Reason::ChangedDeleted: return QStringLiteral("changed-deleted ");
    case Reason::CreatedBoth: return QStringLiteral("created-both ");
    case Reason::KindDiffers: return QStringLiteral("kind ");
    case Reason::Undecided: return QStringLiteral("undecided ");
    default: return {};
    }
}

inline QStringList actionLines(const Plan &plan)
{
    QStringList out;
    for (const Action &a : plan.actions)
        out << kindWord(a.kind) + u' ' + (a.kind == ActionKind::Conflict ? reasonWord(a.reason) : QString()) + a.path
                + (a.checked || a.kind == ActionKind::Conflict ? QString() : QStringLiteral(" (off)"));
    return out;
}

} // namespace synctest
