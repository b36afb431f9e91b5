#pragma once
// TQueueForm: the transfer queue of the connected profile. Entries keep the
// order they were added in; a selection of them is sent in one batch.

#include "config/list_rules.h"
#include "config/list_window.h"

class QTreeWidget;

namespace kav {

class TQueueForm : public ListWindow, public ListHolder<QueueEntry> {
    Q_OBJECT
public:
    static inline const QString ListName = QStringLiteral("대기행렬(Queue)");

    TQueueForm(SavedListsHost &host, QWidget *parent = nullptr);

    // AddQueueEntry, with the refusals worth a log line logged on the source's side.
    AddOutcome AddQueueEntry(const QString &source, const QString &destination, bool binary, bool upload);

    // Main window: the RBqueue button and the two "Add file(s) to" → "&Queue" items.
    void RBqueueClick();
    void N_LAddQueueClick();
    void N_RAddQueueClick();

    // Handlers.
    void FormActivate();
    void BB_GotoClick();
    void BB_DeleteClick();
    void BB_UpdateClick();
    void BB_TrashClick();
    void BB_SendFilesClick();
    void BB_CloseClick();
    void UpdateButtons();

    // ListHolder
    void load(const QList<QueueEntry> &entries) override;
    QList<QueueEntry> entries() const override { return list.entries(); }

    QTreeWidget *LV_Queue = nullptr;
    QPushButton *BB_Goto, *BB_Delete, *BB_Update, *BB_Trash, *BB_SendFiles, *BB_Close;
    QAction *N_Goto, *N_Delete, *N_Update, *N_Trash, *N_SendFiles, *N_Close;

protected:
    void filesDropped(const QStringList &paths) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void render();
    void pullSelection();

    OrderedList<QueueEntry> list;
};

} // namespace kav
