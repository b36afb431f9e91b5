#pragma once
// The lines of the main window's message list, as a model for its view.
//
// A batch of small files logs several lines a file, a few hundred a second;
// laying out and painting the list for each of them cost more than the
// transfers themselves. So the model takes every line at once (what the list
// holds is always exact: count(), line()) and tells the view about new lines
// at most once a frame, when it also selects the last line and scrolls to it.
// The view's rows are of one height, so that scroll never measures a line.
//
// Invariants:
// - the list never holds more than `capacity` lines: the line that would
//   exceed it first empties the list, so it then holds just that line;
// - after flush() (or one frame) the view shows every line held, the last
//   one selected and in view;
// - rowCount() never counts a line the view has not been told of.

#include <QAbstractListModel>
#include <QStringList>
#include <QTimer>

class QListView;

namespace kav {

class MessageLog : public QAbstractListModel {
    Q_OBJECT
public:
    // How long new lines wait at most before the view shows them.
    static constexpr int FrameMs = 16;

    MessageLog(int capacity, QListView &view, QObject *parent = nullptr);

    void append(const QString &line);
    void clear();
    int count() const { return int(lines.size()); }
    const QString &line(int row) const { return lines.at(row); }
    const QStringList &texts() const { return lines; }
    // Shows the lines not yet shown on the view now, the last one selected.
    void flush();
    // Lines held that the view has not been told of yet.
    int pending() const { return count() - shown; }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    const int capacity;
    QListView &view;
    QStringList lines;
    int shown = 0;   // rows the view knows
    QTimer frame;
};

} // namespace kav
