#include "sync/pane_compare.h"

#include "platform/local_path.h"

namespace kav::sync {

namespace {

// The same difference as seen from each side.
std::pair<PaneMark, PaneMark> marksOf(Difference d)
{
    switch (d) {
    case Difference::Same: return {PaneMark::Same, PaneMark::Same};
    case Difference::OnlyLocal: return {PaneMark::OnlyHere, PaneMark::None};
    case Difference::OnlyHost: return {PaneMark::None, PaneMark::OnlyHere};
    case Difference::LocalNewer: return {PaneMark::Newer, PaneMark::Older};
    case Difference::HostNewer: return {PaneMark::Older, PaneMark::Newer};
    case Difference::SizeDiffers:
    case Difference::ContentDiffers: return {PaneMark::SizeDiffers, PaneMark::SizeDiffers};
    case Difference::KindDiffers: return {PaneMark::KindDiffers, PaneMark::KindDiffers};
    }
    return {PaneMark::None, PaneMark::None};
}

QList<Node> sorted(QList<Node> nodes)
{
    tidyChildren(nodes);
    return nodes;
}

} // namespace

PaneMarks comparePanes(const QList<Node> &localNodes, const QList<Node> &hostNodes, unsigned criteria)
{
    criteria &= ByTime | BySize;
    Node local, host;
    local.kind = host.kind = NodeKind::Directory;
    local.children = sorted(localNodes);
    host.children = sorted(hostNodes);
    PaneMarks marks;
    marks.local.reserve(local.children.size());
    marks.host.reserve(host.children.size());
    mergeChildren(&local, &host, [&](const QString &name, const Node *l, const Node *h) {
        Difference d = compareNodes(l, h, criteria);
        auto [localMark, hostMark] = marksOf(d);
        // By time alone, a pair whose times are not both known was not compared.
        if (d == Difference::Same && l && h && l->isFile() && h->isFile() && criteria == ByTime
            && !(l->time.known() && h->time.known()))
            localMark = hostMark = PaneMark::None;
        if (l)
            marks.local.insert(name, localMark);
        if (h)
            marks.host.insert(name, hostMark);
    });
    return marks;
}

QList<Node> localDirectoryNodes(const QString &directory)
{
    QList<Node> nodes;
    const QList<localpath::EntryFacts> entries = localpath::entryFacts(directory);
    nodes.reserve(entries.size());
    for (const localpath::EntryFacts &e : entries) {
        Node n;
        n.name = e.path;
        switch (e.kind) {
        case localpath::EntryFacts::Kind::Link: n.kind = NodeKind::Link; break;
        case localpath::EntryFacts::Kind::Directory: n.kind = NodeKind::Directory; break;
        case localpath::EntryFacts::Kind::File:
            n.kind = NodeKind::File;
            n.size = e.size;
            n.time = exactTime(e.modified);
            break;
        default: continue;
        }
        nodes.append(std::move(n));
    }
    return nodes;
}

QString paneMarkText(PaneMark mark)
{
    switch (mark) {
    case PaneMark::None: return {};
    case PaneMark::Same: return QStringLiteral("같은 파일");
    case PaneMark::OnlyHere: return QStringLiteral("이쪽에만 있는 파일");
    case PaneMark::Newer: return QStringLiteral("이쪽이 더 새 파일");
    case PaneMark::Older: return QStringLiteral("저쪽이 더 새 파일");
    case PaneMark::SizeDiffers: return QStringLiteral("크기가 다른 파일");
    case PaneMark::KindDiffers: return QStringLiteral("한쪽은 파일, 다른 쪽은 디렉토리");
    }
    return {};
}

} // namespace kav::sync
