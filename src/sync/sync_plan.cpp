#include "sync/sync_plan.h"

#include "sync/sync_state.h"

namespace kav::sync {

namespace {

bool sizesDiffer(const Node &a, const Node &b) { return a.size >= 0 && b.size >= 0 && a.size != b.size; }

bool digestsKnown(const Node &a, const Node &b) { return !a.digest.isEmpty() && !b.digest.isEmpty(); }

// Two files by the criteria: the difference and, for a time, which is newer.
Difference compareFiles(const Node &l, const Node &h, unsigned criteria)
{
    if ((criteria & ByContent) && digestsKnown(l, h)) {
        if (l.digest != h.digest || sizesDiffer(l, h))
            return Difference::ContentDiffers;
        return Difference::Same;
    }
    // Without digests, content is judged by time and size.
    const unsigned c = (criteria & ByContent) ? (criteria | ByTime | BySize) : criteria;
    if (c & ByTime) {
        switch (compareTimes(l.time, h.time)) {
        case TimeOrder::Newer: return Difference::LocalNewer;
        case TimeOrder::Older: return Difference::HostNewer;
        default: break;
        }
    }
    if ((c & BySize) && sizesDiffer(l, h))
        return Difference::SizeDiffers;
    return Difference::Same;
}

} // namespace

Difference compareNodes(const Node *local, const Node *host, unsigned criteria)
{
    if (!local && !host)
        return Difference::Same;
    if (!host)
        return Difference::OnlyLocal;
    if (!local)
        return Difference::OnlyHost;
    if (local->isDirectory() != host->isDirectory() && local->kind != NodeKind::Link && host->kind != NodeKind::Link)
        return Difference::KindDiffers;
    if (!local->isFile() || !host->isFile())
        return Difference::Same;
    return compareFiles(*local, *host, criteria);
}

Facts factsOf(const Node *node)
{
    Facts f;
    if (!node)
        return f;
    f.present = true;
    f.kind = node->kind;
    f.size = node->size;
    f.time = node->time;
    f.digest = node->digest;
    return f;
}

bool Action::isDelete() const
{
    return kind == ActionKind::DeleteLocal || kind == ActionKind::DeleteHost || kind == ActionKind::RemoveLocalDir
        || kind == ActionKind::RemoveHostDir;
}

Plan::Totals Plan::totals(bool checkedOnly) const
{
    Totals t;
    for (const Action &a : actions) {
        if (a.kind == ActionKind::Conflict) {
            ++t.conflicts;
            continue;
        }
        if (checkedOnly && !a.checked)
            continue;
        if (a.isTransfer()) {
            ++t.transfers;
            t.bytes += qMax<qint64>(0, a.bytes);
        } else if (a.isDelete()) {
            ++t.deletes;
        } else {
            ++t.others;
        }
    }
    return t;
}

bool Plan::nothingToDo() const { return actions.isEmpty(); }

QString actionKindText(ActionKind kind)
{
    switch (kind) {
    case ActionKind::Upload: return QStringLiteral("올리기");
    case ActionKind::Download: return QStringLiteral("내려받기");
    case ActionKind::DeleteLocal: return QStringLiteral("로컬에서 삭제");
    case ActionKind::DeleteHost: return QStringLiteral("호스트에서 삭제");
    case ActionKind::MakeLocalDir: return QStringLiteral("로컬에 디렉토리 만들기");
    case ActionKind::MakeHostDir: return QStringLiteral("호스트에 디렉토리 만들기");
    case ActionKind::RemoveLocalDir: return QStringLiteral("로컬 디렉토리 삭제");
    case ActionKind::RemoveHostDir: return QStringLiteral("호스트 디렉토리 삭제");
    case ActionKind::SetLocalTime: return QStringLiteral("로컬 파일 시각 맞추기");
    case ActionKind::SetHostTime: return QStringLiteral("호스트 파일 시각 맞추기");
    case ActionKind::Conflict: return QStringLiteral("충돌");
    }
    return {};
}

QString reasonText(Reason reason)
{
    switch (reason) {
    case Reason::Missing: return QStringLiteral("상대편에 없음");
    case Reason::Newer: return QStringLiteral("더 새 파일");
    case Reason::SizeDiffers: return QStringLiteral("크기가 다름");
    case Reason::ContentDiffers: return QStringLiteral("내용이 다름");
    case Reason::TimeDiffers: return QStringLiteral("내용은 같고 시각만 다름");
    case Reason::Extra: return QStringLiteral("원본에 없음(미러)");
    case Reason::Changed: return QStringLiteral("지난 동기화 뒤에 바뀜");
    case Reason::Deleted: return QStringLiteral("상대편에서 지워짐");
    case Reason::ChangedBoth: return QStringLiteral("양쪽에서 모두 바뀜");
    case Reason::ChangedDeleted: return QStringLiteral("한쪽에서 바뀌고 다른 쪽에서 지워짐");
    case Reason::CreatedBoth: return QStringLiteral("양쪽에서 따로 생긴 다른 파일");
    case Reason::KindDiffers: return QStringLiteral("한쪽은 파일, 다른 쪽은 디렉토리");
    case Reason::Undecided: return QStringLiteral("크기가 다르나 어느 쪽이 새것인지 알 수 없음");
    }
    return {};
}

QString actionText(const Action &action)
{
    return actionKindText(action.kind) + QStringLiteral(": ") + action.path + QStringLiteral(" (")
        + reasonText(action.reason) + QLatin1Char(')');
}

namespace {

class Planner {
public:
    Planner(const SyncOptions &options, const SyncState *state)
        : o(options), state(state && state->exists ? state : nullptr)
    {
    }

    Plan plan;

    void action(QList<Action> &out, ActionKind kind, Reason reason, const QString &path, const Node *l,
                const Node *h)
    {
        Action a;
        a.kind = kind;
        a.reason = reason;
        a.path = path;
        a.local = factsOf(l);
        a.host = factsOf(h);
        if (kind == ActionKind::Upload && l)
            a.bytes = qMax<qint64>(0, l->size);
        else if (kind == ActionKind::Download && h)
            a.bytes = qMax<qint64>(0, h->size);
        a.checked = kind != ActionKind::Conflict;
        out.append(std::move(a));
    }

    // ---- one way -----------------------------------------------------------------

    // toHost: the local side is the source.
    void oneWay(const Node *l, const Node *h, const QString &path, QList<Action> &out)
    {
        const bool toHost = o.direction == Direction::ToHost;
        mergeChildren(l, h, [&](const QString &name, const Node *lc, const Node *hc) {
            const QString p = joinRelative(path, name);
            if ((lc && lc->kind == NodeKind::Link) || (hc && hc->kind == NodeKind::Link)) {
                plan.links.append(p);
                return;
            }
            const Node *src = toHost ? lc : hc;
            const Node *tgt = toHost ? hc : lc;
            if (src && !tgt) {
                if (o.onlyExisting)
                    return;
                if (src->isDirectory()) {
                    action(out, toHost ? ActionKind::MakeHostDir : ActionKind::MakeLocalDir, Reason::Missing, p, lc,
                           hc);
                    if (!src->listed) {
                        plan.unlisted.append(p);
                        return;
                    }
                    oneWay(lc, hc, p, out);
                } else {
                    action(out, toHost ? ActionKind::Upload : ActionKind::Download, Reason::Missing, p, lc, hc);
                }
                return;
            }
            if (!src && tgt) {
                if (o.mirror)
                    deleteTree(tgt, p, toHost, out);
                return;
            }
            if (src->isDirectory() != tgt->isDirectory()) {
                action(out, ActionKind::Conflict, Reason::KindDiffers, p, lc, hc);
                return;
            }
            if (src->isDirectory()) {
                if (!src->listed || !tgt->listed) {
                    plan.unlisted.append(p);
                    return;
                }
                oneWay(lc, hc, p, out);
                return;
            }
            fileOneWay(*lc, *hc, p, toHost, out);
        });
    }

    void fileOneWay(const Node &l, const Node &h, const QString &p, bool toHost, QList<Action> &out)
    {
        const ActionKind copy = toHost ? ActionKind::Upload : ActionKind::Download;
        const Difference d = compareFiles(l, h, o.criteria);
        const Difference sourceNewer = toHost ? Difference::LocalNewer : Difference::HostNewer;
        const Difference targetNewer = toHost ? Difference::HostNewer : Difference::LocalNewer;
        if (d == sourceNewer) {
            action(out, copy, Reason::Newer, p, &l, &h);
        } else if (d == targetNewer) {
            // The target's copy is newer: left alone, mirror or not. A server
            // that cannot set a time gives every upload the time of the upload,
            // so "older source over newer target" would send the same files
            // again on every run.
        } else if (d == Difference::SizeDiffers) {
            action(out, copy, Reason::SizeDiffers, p, &l, &h);
        } else if (d == Difference::ContentDiffers) {
            action(out, copy, Reason::ContentDiffers, p, &l, &h);
        } else if ((o.criteria & ByContent) && (o.criteria & ByTime) && digestsKnown(l, h)) {
            // Equal content: set the target's time rather than move the bytes again.
            const TimeOrder order = compareTimes(l.time, h.time);
            if (order == TimeOrder::Newer || order == TimeOrder::Older) {
                if (!toHost)
                    action(out, ActionKind::SetLocalTime, Reason::TimeDiffers, p, &l, &h);
                else if (o.hostTimeSettable)
                    action(out, ActionKind::SetHostTime, Reason::TimeDiffers, p, &l, &h);
            }
        }
    }

    // Deletes a target entry the source lacks; true when it is gone whole.
    bool deleteTree(const Node *t, const QString &p, bool onHost, QList<Action> &out)
    {
        if (t->kind == NodeKind::Link) {
            plan.links.append(p);
            return false;
        }
        const Node *l = onHost ? nullptr : t;
        const Node *h = onHost ? t : nullptr;
        if (!t->isDirectory()) {
            action(out, onHost ? ActionKind::DeleteHost : ActionKind::DeleteLocal, Reason::Extra, p, l, h);
            return true;
        }
        if (!t->listed) {
            plan.unlisted.append(p);
            return false;
        }
        bool emptied = true;
        for (const Node &c : t->children)
            emptied = deleteTree(&c, joinRelative(p, c.name), onHost, out) && emptied;
        if (emptied)
            action(out, onHost ? ActionKind::RemoveHostDir : ActionKind::RemoveLocalDir, Reason::Extra, p, l, h);
        return emptied;
    }

    // ---- both ways ---------------------------------------------------------------

    const StateRecord *recordOf(const QString &p) const { return state ? state->record(p) : nullptr; }

    static bool changedSince(const Node &now, const Facts &then)
    {
        if (!then.present || now.kind != then.kind)
            return true;
        if (!now.isFile())
            return false;
        if (now.size >= 0 && then.size >= 0 && now.size != then.size)
            return true;
        const TimeOrder order = compareTimes(now.time, then.time);
        return order == TimeOrder::Newer || order == TimeOrder::Older;
    }

    bool alike(const Node &l, const Node &h) const
    {
        return compareFiles(l, h, o.criteria | BySize) == Difference::Same;
    }

    // Returns true when the subtree is deleted whole by the actions added.
    // `out` receives the actions in the order they can run.
    bool bothWays(const Node *l, const Node *h, const QString &path, QList<Action> &out)
    {
        bool emptied = true;
        mergeChildren(l, h, [&](const QString &name, const Node *lc, const Node *hc) {
            const QString p = joinRelative(path, name);
            if ((lc && lc->kind == NodeKind::Link) || (hc && hc->kind == NodeKind::Link)) {
                plan.links.append(p);
                emptied = false;
                return;
            }
            const StateRecord *rec = recordOf(p);
            if (lc && hc) {
                emptied = false;
                if (lc->isDirectory() != hc->isDirectory()) {
                    action(out, ActionKind::Conflict, Reason::KindDiffers, p, lc, hc);
                } else if (lc->isDirectory()) {
                    if (!lc->listed || !hc->listed)
                        plan.unlisted.append(p);
                    else
                        bothWays(lc, hc, p, out);
                } else {
                    fileBothWays(*lc, *hc, p, rec, out);
                }
                return;
            }
            // Present on one side only.
            const bool onLocal = lc != nullptr;
            const Node *n = onLocal ? lc : hc;
            const Facts *then = rec ? (onLocal ? &rec->local : &rec->host) : nullptr;
            const bool otherHadIt = rec && (onLocal ? rec->host.present : rec->local.present);
            if (!otherHadIt) {
                // New on this side: copy it over.
                emptied = false;
                copyNew(n, p, onLocal, out);
                return;
            }
            // Deleted on the other side since the last sync.
            if (!n->isDirectory()) {
                if (changedSince(*n, *then)) {
                    action(out, ActionKind::Conflict, Reason::ChangedDeleted, p, lc, hc);
                    emptied = false;
                } else {
                    action(out, onLocal ? ActionKind::DeleteLocal : ActionKind::DeleteHost, Reason::Deleted, p, lc, hc);
                }
                return;
            }
            if (!n->listed) {
                plan.unlisted.append(p);
                emptied = false;
                return;
            }
            // A directory the other side deleted: what it holds that the last
            // sync knew goes; anything new in it is kept and copied back, so the
            // directory is made again on the other side first.
            QList<Action> inner;
            const bool gone = bothWays(lc, hc, p, inner);
            bool needsDir = false;
            for (const Action &a : inner)
                needsDir = needsDir || (onLocal ? a.kind == ActionKind::Upload || a.kind == ActionKind::MakeHostDir
                                                : a.kind == ActionKind::Download || a.kind == ActionKind::MakeLocalDir);
            if (needsDir)
                action(out, onLocal ? ActionKind::MakeHostDir : ActionKind::MakeLocalDir, Reason::Missing, p, lc, hc);
            out.append(inner);
            if (gone)
                action(out, onLocal ? ActionKind::RemoveLocalDir : ActionKind::RemoveHostDir, Reason::Deleted, p, lc,
                       hc);
            else
                emptied = false;
        });
        return emptied;
    }

    void copyNew(const Node *n, const QString &p, bool fromLocal, QList<Action> &out)
    {
        const Node *lc = fromLocal ? n : nullptr;
        const Node *hc = fromLocal ? nullptr : n;
        if (!n->isDirectory()) {
            action(out, fromLocal ? ActionKind::Upload : ActionKind::Download, Reason::Missing, p, lc, hc);
            return;
        }
        action(out, fromLocal ? ActionKind::MakeHostDir : ActionKind::MakeLocalDir, Reason::Missing, p, lc, hc);
        if (!n->listed) {
            plan.unlisted.append(p);
            return;
        }
        for (const Node &c : n->children) {
            const QString cp = joinRelative(p, c.name);
            if (c.kind == NodeKind::Link)
                plan.links.append(cp);
            else
                copyNew(&c, cp, fromLocal, out);
        }
    }

    void fileBothWays(const Node &l, const Node &h, const QString &p, const StateRecord *rec, QList<Action> &out)
    {
        if (!state || !rec || !rec->local.present || !rec->host.present) {
            if (alike(l, h))
                return;
            if (state) {
                action(out, ActionKind::Conflict, Reason::CreatedBoth, p, &l, &h);
                return;
            }
            // The first sync: the newer copy wins; when no time tells, it is the user's call.
            switch (compareTimes(l.time, h.time)) {
            case TimeOrder::Newer: action(out, ActionKind::Upload, Reason::Newer, p, &l, &h); break;
            case TimeOrder::Older: action(out, ActionKind::Download, Reason::Newer, p, &l, &h); break;
            default: action(out, ActionKind::Conflict, Reason::Undecided, p, &l, &h); break;
            }
            return;
        }
        const bool localChanged = changedSince(l, rec->local);
        const bool hostChanged = changedSince(h, rec->host);
        if (localChanged && hostChanged) {
            if (!alike(l, h))
                action(out, ActionKind::Conflict, Reason::ChangedBoth, p, &l, &h);
        } else if (localChanged) {
            action(out, ActionKind::Upload, Reason::Changed, p, &l, &h);
        } else if (hostChanged) {
            action(out, ActionKind::Download, Reason::Changed, p, &l, &h);
        }
    }

private:
    const SyncOptions &o;
    const SyncState *state;
};

} // namespace

Plan planSync(const Node &localRoot, const Node &hostRoot, const SyncOptions &options, const SyncState *state)
{
    Planner planner(options, state);
    if (!localRoot.listed || !hostRoot.listed) {
        planner.plan.unlisted.append(QString());
        return std::move(planner.plan);
    }
    if (options.direction == Direction::BothWays)
        planner.bothWays(&localRoot, &hostRoot, QString(), planner.plan.actions);
    else
        planner.oneWay(&localRoot, &hostRoot, QString(), planner.plan.actions);
    return std::move(planner.plan);
}

} // namespace kav::sync
