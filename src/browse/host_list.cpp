#include "host_list.h"

#include "platform/local_path.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace kav {

int HostListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(entries.size());
}

QVariant HostListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= entries.size())
        return {};
    const RemoteEntry &e = entries.at(index.row());
    // A name with bytes of no text (two files differing only in such a byte)
    // is shown as the local pane shows such names, never as a replacement
    // glyph that would make both look alike; the name itself stays as it came.
    if (role == Qt::DisplayRole)
        return localpath::hasEscapes(e.name) ? localpath::displayName(QStringView(e.name)) : e.name;
    if (role == Qt::EditRole)
        return e.name;
    if (role == KindRole)
        return int(e.kind);
    if ((role == Qt::BackgroundRole || role == Qt::ToolTipRole) && !looks.isEmpty()) {
        const auto look = looks.constFind(e.name);
        if (look == looks.cend())
            return {};
        if (role == Qt::ToolTipRole)
            return look->hint.isEmpty() ? QVariant() : QVariant(look->hint);
        return look->background.isValid() ? QVariant(look->background) : QVariant();
    }
    return {};
}

Qt::ItemFlags HostListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

void HostListModel::setLooks(QHash<QString, RowLook> byName)
{
    if (looks.isEmpty() && byName.isEmpty())
        return;
    looks = std::move(byName);
    if (!entries.isEmpty())
        emit dataChanged(index(0), index(int(entries.size()) - 1), {Qt::BackgroundRole, Qt::ToolTipRole});
}

void HostListModel::reset(QList<RemoteEntry> all)
{
    beginResetModel();
    entries = std::move(all);
    entries.squeeze();
    endResetModel();
}

void HostListModel::insert(qsizetype row, RemoteEntry entry)
{
    beginInsertRows({}, int(row), int(row));
    entries.insert(row, std::move(entry));
    endInsertRows();
}

void HostListModel::remove(qsizetype row)
{
    beginRemoveRows({}, int(row), int(row));
    entries.remove(row);
    endRemoveRows();
}

// ---- order ------------------------------------------------------------------------

QString nameSortKey(const QString &name)
{
    // Shares the name's characters when folding changes none (most names).
    return name.toCaseFolded();
}

bool sortsBefore(const QString &keyA, const QString &nameA, const QString &keyB, const QString &nameB)
{
    const int c = QString::compare(keyA, keyB, Qt::CaseSensitive);
    return c != 0 ? c < 0 : QString::compare(nameA, nameB, Qt::CaseSensitive) < 0;
}

namespace {

bool keyedBefore(const NameSorter::Keyed &a, const NameSorter::Keyed &b)
{
    return sortsBefore(a.key, a.entry.name, b.key, b.entry.name);
}

} // namespace

void NameSorter::add(QList<RemoteEntry> run)
{
    if (run.isEmpty())
        return;
    std::vector<Keyed> keyed;
    keyed.reserve(size_t(run.size()));
    for (RemoteEntry &e : run) {
        QString key = nameSortKey(e.name);
        keyed.push_back(Keyed{std::move(key), std::move(e)});
    }
    std::sort(keyed.begin(), keyed.end(), keyedBefore);
    runs.push_back(std::move(keyed));
    // Like a binary counter: a run is merged into the one before it once it
    // has grown to half its size, which keeps the whole work n log n.
    while (runs.size() >= 2 && runs[runs.size() - 2].size() <= 2 * runs.back().size())
        mergeLastTwo();
}

void NameSorter::mergeLastTwo()
{
    std::vector<Keyed> b = std::move(runs.back());
    runs.pop_back();
    std::vector<Keyed> &a = runs.back();
    std::vector<Keyed> merged;
    merged.reserve(a.size() + b.size());
    std::merge(std::make_move_iterator(a.begin()), std::make_move_iterator(a.end()),
               std::make_move_iterator(b.begin()), std::make_move_iterator(b.end()), std::back_inserter(merged),
               keyedBefore);
    a = std::move(merged);
}

QList<RemoteEntry> NameSorter::take(const std::function<void()> &pause)
{
    while (runs.size() > 1) {
        mergeLastTwo();
        if (pause)
            pause();
    }
    QList<RemoteEntry> out;
    if (!runs.empty()) {
        out.reserve(qsizetype(runs.front().size()));
        for (Keyed &k : runs.front())
            out.append(std::move(k.entry));
    }
    runs.clear();
    return out;
}

void sortByName(QList<RemoteEntry> &entries, const std::function<void()> &pause)
{
    constexpr qsizetype Run = 8192;
    NameSorter sorter;
    for (qsizetype lo = 0; lo < entries.size(); lo += Run) {
        sorter.add(entries.mid(lo, Run));
        if (pause)
            pause();
    }
    entries = sorter.take(pause);
}

// ---- the view ---------------------------------------------------------------------

QString HostListView::Row::text() const { return view->text(number); }
EntryKind HostListView::Row::kind() const { return view->entries()->at(number).kind; }
QVariant HostListView::Row::data(int role) const { return view->model()->index(number, 0).data(role); }

bool HostListView::Row::isSelected() const
{
    return view->selectionModel()->isSelected(view->model()->index(number, 0));
}

void HostListView::Row::setSelected(bool on) const
{
    view->selectionModel()->select(view->model()->index(number, 0),
                                   on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

HostListView::HostListView(QWidget *parent) : QListView(parent), list(new HostListModel(this))
{
    setModel(list);
    setUniformItemSizes(true);
}

HostListView::Row HostListView::item(int row) const
{
    return Row(const_cast<HostListView *>(this), row);
}

void HostListView::setEntries(QList<RemoteEntry> all, bool inNameOrder)
{
    list->reset(std::move(all));
    sorted = inNameOrder;
}

void HostListView::addItem(const QString &name, EntryKind kind)
{
    qsizetype row = list->size();
    if (sorted) {
        const QString key = nameSortKey(name);
        qsizetype lo = 0, hi = list->size();
        while (lo < hi) {
            const qsizetype mid = (lo + hi) / 2;
            const QString &other = list->at(mid).name;
            if (sortsBefore(key, name, nameSortKey(other), other))
                hi = mid;
            else
                lo = mid + 1;
        }
        row = lo;
    }
    list->insert(row, RemoteEntry{name, kind});
}

void HostListView::removeRow(int row)
{
    if (row >= 0 && row < count())
        list->remove(row);
}

void HostListView::clear()
{
    list->reset({});
}

void HostListView::setSortingEnabled(bool on)
{
    if (on && !sorted && count() > 1) {
        QList<RemoteEntry> all;
        all.reserve(count());
        for (int i = 0; i < count(); ++i)
            all.append(list->at(i));
        sortByName(all);
        list->reset(std::move(all));
    }
    sorted = on;
}

QList<int> HostListView::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QList<HostListView::Row> HostListView::selectedItems() const
{
    QList<Row> out;
    for (const QModelIndex &index : selectionModel()->selectedIndexes())
        out.append(item(index.row()));
    return out;
}

HostListView::Row HostListView::currentItem() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? item(index.row()) : Row();
}

int HostListView::currentRow() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() : -1;
}

void HostListView::setCurrentRow(int row)
{
    const QItemSelectionModel::SelectionFlags how = selectionMode() == SingleSelection
        ? QItemSelectionModel::ClearAndSelect
        : selectionMode() == NoSelection ? QItemSelectionModel::NoUpdate : QItemSelectionModel::SelectCurrent;
    setCurrentRow(row, how);
}

void HostListView::setCurrentRow(int row, QItemSelectionModel::SelectionFlags how)
{
    selectionModel()->setCurrentIndex(list->index(row, 0), how);
}

QList<HostListView::Row> HostListView::findItems(const QString &name, Qt::MatchFlags flags) const
{
    const Qt::MatchFlags type = flags & Qt::MatchTypeMask;
    const Qt::CaseSensitivity cs =
        type == Qt::MatchExactly || (flags & Qt::MatchCaseSensitive) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    QList<Row> out;
    for (int i = 0; i < count(); ++i)
        if (QString::compare(list->at(i).name, name, cs) == 0)
            out.append(item(i));
    return out;
}

} // namespace kav
