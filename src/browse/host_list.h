#pragma once
// The host pane's lists: the entries of a host directory held in a model (the
// names as the server sent them and their kinds) and shown by a view. Nothing
// is kept per entry but its name and kind: a directory of 300,000 entries
// must not cost a widget item each.

#include "ftp/listing.h"

#include <QAbstractListModel>
#include <QColor>
#include <QHash>
#include <QItemSelectionModel>
#include <QList>
#include <QListView>
#include <QString>

#include <functional>
#include <vector>

namespace kav {

class HostListModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The entry's kind (an int of EntryKind) beside the name as display text.
    static constexpr int KindRole = Qt::UserRole + 1;

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // How the rows of some names look beyond their name: a background and a
    // hint (the comparison of the two panes). Kept by name, so a row keeps its
    // look wherever a refresh or a sort puts it.
    struct RowLook {
        QColor background;
        QString hint;
    };
    void setLooks(QHash<QString, RowLook> byName);

    qsizetype size() const { return entries.size(); }
    const RemoteEntry &at(qsizetype row) const { return entries.at(row); }
    // All entries at once (the view lays them out once).
    void reset(QList<RemoteEntry> all);
    void insert(qsizetype row, RemoteEntry entry);
    void remove(qsizetype row);

private:
    QList<RemoteEntry> entries;
    QHash<QString, RowLook> looks;
};

// The order of a sorted host list: names without regard to letter case,
// equal ones by their exact characters.
QString nameSortKey(const QString &name);
bool sortsBefore(const QString &keyA, const QString &nameA, const QString &keyB, const QString &nameB);

// Puts entries in name order as they arrive: each run added is sorted at
// once, its keys made once per entry, and merged with runs of a like size, so
// that when the last run came only a few merges are left. The one comparison
// never needs to know more than two keys and two names.
class NameSorter {
public:
    void add(QList<RemoteEntry> run);
    // Every entry added, in name order; `pause` is called between merges.
    QList<RemoteEntry> take(const std::function<void()> &pause = {});

    struct Keyed {
        QString key;
        RemoteEntry entry;
    };

private:
    void mergeLastTwo();
    std::vector<std::vector<Keyed>> runs;
};

// Sorts entries by name in runs, with `pause` called between steps, so that a
// window stays responsive through a sort of any size.
void sortByName(QList<RemoteEntry> &entries, const std::function<void()> &pause = {});

class HostListView : public QListView {
    Q_OBJECT
public:
    explicit HostListView(QWidget *parent = nullptr);

    // A row of the list by its position: a handle made on demand, not an item
    // stored per entry. False when it names no row.
    class Row {
    public:
        Row() = default;
        Row(HostListView *view, int row) : view(view), number(row) {}
        explicit operator bool() const { return view && number >= 0 && number < view->count(); }
        const Row *operator->() const { return this; }
        int row() const { return number; }
        QString text() const;
        EntryKind kind() const;
        QVariant data(int role) const;
        bool isSelected() const;
        void setSelected(bool on) const;

    private:
        HostListView *view = nullptr;
        int number = -1;
    };

    HostListModel *entries() const { return list; }
    int count() const { return int(list->size()); }
    Row item(int row) const;
    RemoteEntry entry(int row) const { return list->at(row); }
    QString text(int row) const { return list->at(row).name; }

    // Replaces every entry, in the order given. `inNameOrder`: they come
    // sorted by name, and the list keeps itself sorted from now on.
    void setEntries(QList<RemoteEntry> all, bool inNameOrder = false);
    // One more entry: in name order when the list keeps itself sorted, else last.
    void addItem(const QString &name, EntryKind kind = EntryKind::PlainFile);
    void removeRow(int row);
    void clear();

    // Whether new entries take their place in name order (the file list's
    // sorted state). Turning it on sorts the list now.
    void setSortingEnabled(bool on);
    bool isSortingEnabled() const { return sorted; }

    QList<Row> selectedItems() const;
    // Selected row numbers, in list order.
    QList<int> selectedRows() const;
    Row currentItem() const;
    int currentRow() const;
    // Makes the row current, selecting it as the selection mode does for a
    // click (a single selection is replaced; an extended one keeps the rest).
    void setCurrentRow(int row);
    void setCurrentRow(int row, QItemSelectionModel::SelectionFlags how);
    void setCurrentItem(const Row &r) { setCurrentRow(r.row()); }
    void setCurrentItem(const Row &r, QItemSelectionModel::SelectionFlags how) { setCurrentRow(r.row(), how); }
    int row(const Row &r) const { return r.row(); }
    // Rows whose name equals `name` (MatchFixedString: without regard to case).
    QList<Row> findItems(const QString &name, Qt::MatchFlags flags = Qt::MatchExactly) const;

private:
    HostListModel *list;
    bool sorted = false;
};

} // namespace kav
