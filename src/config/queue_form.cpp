#include "queue_form.h"

#include "lists_host.h"

#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/local_path.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kav {

namespace {
ListSide sideOf(bool upload) { return upload ? ListSide::Local : ListSide::Host; }
}

TQueueForm::TQueueForm(SavedListsHost &host, QWidget *parent)
    : ListWindow(host, QStringLiteral("대기행렬 (Queue) - Local,Host"), parent)
{
    setObjectName(QStringLiteral("TQueueForm"));
    resize(designSize(SizedWindow::Queue));
    auto *layout = new QHBoxLayout(this);
    LV_Queue = new QTreeWidget(this);
    LV_Queue->setObjectName(QStringLiteral("LV_Queue"));
    LV_Queue->setColumnCount(3);
    LV_Queue->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Destination"), QStringLiteral("Type")});
    // The file and destination share the width the type leaves, so the type column is
    // always in sight, at the design size and any other.
    QHeaderView *header = LV_Queue->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    header->setSectionResizeMode(2, QHeaderView::Fixed);
    LV_Queue->setColumnWidth(2, 40);
    LV_Queue->headerItem()->setTextAlignment(2, Qt::AlignCenter);
    LV_Queue->header()->setSectionsClickable(false);
    LV_Queue->setRootIsDecorated(false);
    LV_Queue->setSortingEnabled(false);
    LV_Queue->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LV_Queue->setSelectionBehavior(QAbstractItemView::SelectRows);
    LV_Queue->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LV_Queue->setContextMenuPolicy(Qt::CustomContextMenu);
    LV_Queue->installEventFilter(this);
    layout->addWidget(LV_Queue, 1);

    auto *panel = new QVBoxLayout;
    layout->addLayout(panel);
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PM_Queue"));
    BB_Goto = addCommand(panel, menu, QStringLiteral("BB_Goto"), QStringLiteral("찾아가기"),
                         QStringLiteral("선택한 파일의 디렉토리로 이동합니다"), &N_Goto);
    BB_Delete = addCommand(panel, menu, QStringLiteral("BB_Delete"), QStringLiteral("삭제"),
                           QStringLiteral("선택한 항목을 대기행렬에서 삭제합니다(파일시스템의 삭제가 아닙니다)"), &N_Delete);
    BB_Update = addCommand(panel, menu, QStringLiteral("BB_Update"), QStringLiteral("목적지 변경"),
                           QStringLiteral("선택한 항목의 목적지 디렉토리를 변경합니다"), &N_Update);
    BB_Trash = addCommand(panel, menu, QStringLiteral("BB_Trash"), QStringLiteral("비우기"),
                          QStringLiteral("대기행렬을 모두 비웁니다"), &N_Trash);
    menu->addSeparator();
    BB_SendFiles = addCommand(panel, menu, QStringLiteral("BB_SendFiles"), QStringLiteral("파일전송"),
                              QStringLiteral("선택한 파일들을 목적지로 전송합니다"), &N_SendFiles);
    panel->addStretch(1);
    BB_Close = addCommand(panel, menu, QStringLiteral("BB_Close"), QStringLiteral("닫기"),
                          QStringLiteral("현재 화면을 닫습니다"), &N_Close);
    // Close is the default and the cancel button: Enter and Escape both close.
    BB_Close->setDefault(true);

    connect(BB_Goto, &QPushButton::clicked, this, &TQueueForm::BB_GotoClick);
    connect(BB_Delete, &QPushButton::clicked, this, &TQueueForm::BB_DeleteClick);
    connect(BB_Update, &QPushButton::clicked, this, &TQueueForm::BB_UpdateClick);
    connect(BB_Trash, &QPushButton::clicked, this, &TQueueForm::BB_TrashClick);
    connect(BB_SendFiles, &QPushButton::clicked, this, &TQueueForm::BB_SendFilesClick);
    connect(BB_Close, &QPushButton::clicked, this, &TQueueForm::BB_CloseClick);
    connect(LV_Queue, &QTreeWidget::itemDoubleClicked, this, &TQueueForm::BB_GotoClick);
    connect(LV_Queue, &QWidget::customContextMenuRequested, this,
            [this, menu](const QPoint &pos) { menu->popup(LV_Queue->viewport()->mapToGlobal(pos)); });
    setTakesDrops(true);
    UpdateButtons();
}

void TQueueForm::render()
{
    LV_Queue->clear();
    const QIcon up = style()->standardIcon(QStyle::SP_ArrowRight);
    const QIcon down = style()->standardIcon(QStyle::SP_ArrowLeft);
    QList<QTreeWidgetItem *> rows;
    for (int i = 0; i < list.size(); ++i) {
        const QueueEntry &e = list.at(i);
        // The local side as names are shown (a name not in UTF-8 decoded); the host side as the server gave it.
        const QString file = e.upload ? localpath::displayPath(e.fileName) : e.fileName;
        const QString dir = e.upload ? e.directory : localpath::displayPath(e.directory);
        auto *item = new QTreeWidgetItem({file, dir, e.binary ? QStringLiteral("B") : QStringLiteral("A")});
        item->setIcon(0, e.upload ? up : down);
        item->setTextAlignment(2, Qt::AlignCenter);
        rows << item;
    }
    LV_Queue->addTopLevelItems(rows);
    for (int i = 0; i < list.size(); ++i)
        rows[i]->setSelected(list.isSelected(i));
    if (list.current() >= 0 && list.current() < list.size())
        LV_Queue->setCurrentItem(rows[list.current()], 0, QItemSelectionModel::NoUpdate);
}

void TQueueForm::pullSelection()
{
    for (int i = 0; i < list.size(); ++i)
        list.setSelected(i, LV_Queue->topLevelItem(i)->isSelected());
    list.setCurrent(LV_Queue->currentItem() ? LV_Queue->indexOfTopLevelItem(LV_Queue->currentItem()) : -1);
}

AddOutcome TQueueForm::AddQueueEntry(const QString &source, const QString &destination, bool binary, bool upload)
{
    pullSelection();
    const AddOutcome outcome = addQueueEntry(list, {source, destination, binary, upload});
    if (outcome == AddOutcome::Added) {
        render();
        LV_Queue->scrollToItem(LV_Queue->topLevelItem(list.size() - 1));
    } else if (const QString why = refusalText(outcome, ListName, source, QueueCapacity); !why.isEmpty()) {
        host.log(sideOf(upload), why);
    }
    return outcome;
}

void TQueueForm::load(const QList<QueueEntry> &entries)
{
    list.clear();
    for (const QueueEntry &e : entries)
        addQueueEntry(list, e);
    render();
    UpdateButtons();
}

void TQueueForm::RBqueueClick()
{
    if (!host.connected())
        return;
    host.hideMainWindow();
    FormActivate();
    exec();
}

void TQueueForm::N_LAddQueueClick()
{
    const QStringList paths = host.selectedLocalPaths();
    if (paths.isEmpty()) {
        host.log(ListSide::Local, QStringLiteral("먼저 파일을 선택하세요."));
        return;
    }
    const QString destination = host.hostDirectory();
    if (!host.connected() || destination.isEmpty())
        return;
    for (const QString &path : paths)
        AddQueueEntry(path, destination, binaryByExtension(path, [this](const QString &e) { return host.isAsciiExtension(e); }),
                      true);
    UpdateButtons();
}

void TQueueForm::N_RAddQueueClick()
{
    if (!host.connected() || host.hostDirectory().isEmpty())
        return;
    const QList<HostFileRef> files = host.selectedHostFiles();
    if (files.isEmpty()) {
        host.log(ListSide::Host, QStringLiteral("먼저 파일을 선택하세요."));
        return;
    }
    const QString destination = host.localDirectory();
    for (const HostFileRef &f : files)
        AddQueueEntry(f.path, destination,
                      binaryByExtension(f.path, [this](const QString &e) { return host.isAsciiExtension(e); }, f.executable),
                      false);
    UpdateButtons();
}

void TQueueForm::filesDropped(const QStringList &paths)
{
    const QString destination = host.hostDirectory();
    if (!host.connected() || destination.isEmpty())
        return;
    for (const QString &path : paths) {
        if (!localpath::status(path).isFile)
            continue;
        AddQueueEntry(path, destination,
                      binaryByExtension(path, [this](const QString &e) { return host.isAsciiExtension(e); }), true);
    }
    UpdateButtons();
}

void TQueueForm::FormActivate()
{
    PumpMessages(1);
    UpdateButtons();
    raise();
}

void TQueueForm::UpdateButtons()
{
    const bool any = !list.isEmpty();
    for (QPushButton *b : {BB_Goto, BB_Delete, BB_Update, BB_Trash, BB_SendFiles})
        b->setEnabled(any);
    for (QAction *a : {N_Goto, N_Delete, N_Update, N_Trash, N_SendFiles})
        a->setEnabled(any);
}

void TQueueForm::BB_GotoClick()
{
    pullSelection();
    const QList<int> rows = list.selectedRows();
    if (rows.isEmpty())
        return;
    const QueueEntry e = list.at(rows.first());
    if (e.upload) {
        const LocalPlace place = placeOf(e.fileName);
        host.goToLocalFile(place.directory, place.name);
    } else {
        const int slash = int(e.fileName.lastIndexOf(QLatin1Char('/')));
        host.goToHostFile(e.fileName.left(slash + 1), e.fileName.mid(slash + 1));
    }
    accept();
}

void TQueueForm::BB_DeleteClick()
{
    pullSelection();
    list.removeSelected();
    render();
    UpdateButtons();
    LV_Queue->setFocus();
}

void TQueueForm::BB_UpdateClick()
{
    pullSelection();
    const QList<int> rows = list.selectedRows();
    if (rows.isEmpty())
        return;
    QueueEntry &e = list[rows.first()];
    QString answer = e.directory;
    if (!dialogs().inputQuery(this, QStringLiteral("목적지 변경"), QStringLiteral("디렉토리: ") + e.directory, answer)
        || answer.isEmpty())
        return;
    if (hasFieldBreak(answer)) {
        host.log(e.upload ? ListSide::Host : ListSide::Local, refusalText(AddOutcome::Unstorable, ListName, answer, QueueCapacity));
        return;
    }
    e.directory = answer;
    render();
}

void TQueueForm::BB_TrashClick()
{
    list.clear();
    render();
    UpdateButtons();
}

void TQueueForm::BB_SendFilesClick()
{
    pullSelection();
    const QList<int> rows = list.selectedRows();
    if (rows.isEmpty())
        return;
    QList<QueueEntry> items;
    for (int row : rows)
        items << list.at(row);
    host.runQueue(items, int(items.size()), this);
}

void TQueueForm::BB_CloseClick()
{
    reject();
}

bool TQueueForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == LV_Queue && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        BB_DeleteClick();
        return true;
    }
    return ListWindow::eventFilter(watched, event);
}

} // namespace kav
