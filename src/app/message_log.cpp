#include "message_log.h"

#include <QListView>

namespace kav {

MessageLog::MessageLog(int capacity, QListView &view, QObject *parent)
    : QAbstractListModel(parent), capacity(capacity), view(view)
{
    frame.setSingleShot(true);
    frame.setInterval(FrameMs);
    connect(&frame, &QTimer::timeout, this, &MessageLog::flush);
    view.setUniformItemSizes(true);
    view.setModel(this);
}

void MessageLog::append(const QString &line)
{
    if (count() >= capacity)
        clear();
    lines.append(line);
    if (!frame.isActive())
        frame.start();
}

void MessageLog::clear()
{
    frame.stop();
    beginResetModel();
    lines.clear();
    shown = 0;
    endResetModel();
}

void MessageLog::flush()
{
    frame.stop();
    if (shown == count())
        return;
    beginInsertRows({}, shown, count() - 1);
    shown = count();
    endInsertRows();
    view.setCurrentIndex(index(shown - 1));
    view.scrollToBottom();
}

int MessageLog::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : shown;
}

QVariant MessageLog::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= shown)
        return {};
    return lines.at(index.row());
}

} // namespace kav
