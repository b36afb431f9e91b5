#include "bookmark_forms.h"

#include "lists_host.h"

#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/local_path.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace kav {

namespace {
// Whatever the bytes of its name: Qt's own file classes miss a name that is not UTF-8.
bool fileExists(const QString &path)
{
    return localpath::status(path).isFile;
}
}

TBookmarkForm::TBookmarkForm(SavedListsHost &host, bool hostSide, QWidget *parent)
    : ListWindow(host, hostSide ? QStringLiteral("File Bookmarks - Host") : QStringLiteral("File Bookmarks - Local"),
                 parent),
      hostSide(hostSide)
{
    resize(designSize(hostSide ? SizedWindow::HostBookmarks : SizedWindow::LocalBookmarks));
    auto *layout = new QHBoxLayout(this);
    LB_BookMark = new QListWidget(this);
    LB_BookMark->setObjectName(QStringLiteral("LB_BookMark"));
    LB_BookMark->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LB_BookMark->setContextMenuPolicy(Qt::CustomContextMenu);
    LB_BookMark->installEventFilter(this);
    layout->addWidget(LB_BookMark, 1);

    auto *panel = new QVBoxLayout;
    panel->setObjectName(QStringLiteral("P_Control"));
    layout->addLayout(panel);
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PM_Bookmark"));
    BB_Goto = addCommand(panel, menu, QStringLiteral("BB_Goto"), QStringLiteral("찾아가기"),
                         QStringLiteral("선택한 Bookmark의 파일로 이동합니다"), &N_Goto);
    BB_Delete = addCommand(panel, menu, QStringLiteral("BB_Delete"), QStringLiteral("삭제"),
                           QStringLiteral("선택한 Bookmark를 삭제합니다(파일시스템의 삭제가 아닙니다)"), &N_Delete);
    BB_Up = addCommand(panel, menu, QStringLiteral("BB_Up"), QStringLiteral("위로"),
                       QStringLiteral("선택한 Bookmark를 한칸 위로 이동 시킵니다"), &N_Up);
    BB_Down = addCommand(panel, menu, QStringLiteral("BB_Down"), QStringLiteral("아래로"),
                         QStringLiteral("선택한 Bookmark를 한칸 아래로 이동 시킵니다"), &N_Down);
    BB_Subject = addCommand(panel, menu, QStringLiteral("BB_Subject"), QStringLiteral("제목"),
                            QStringLiteral("Bookmark를 분류하는 제목을 지정합니다"), &N_Subject);
    menu->addSeparator();
    BB_SendFiles = addCommand(panel, menu, QStringLiteral("BB_SendFiles"), QStringLiteral("파일전송"),
                              hostSide ? QStringLiteral("선택한 Bookmark의 파일을 Local의 현재 디렉토리 전송합니다")
                                       : QStringLiteral("선택한 Bookmark의 파일을 Host의 현재 디렉토리 전송합니다"),
                              &N_SendFiles);
    panel->addStretch(1);
    BB_Close = addCommand(panel, menu, QStringLiteral("BB_Close"), QStringLiteral("닫기"),
                          QStringLiteral("현재 화면을 닫습니다"), &N_Close);
    BB_Close->setDefault(true);

    connect(BB_Goto, &QPushButton::clicked, this, &TBookmarkForm::BB_GotoClick);
    connect(BB_Delete, &QPushButton::clicked, this, &TBookmarkForm::BB_DeleteClick);
    connect(BB_Up, &QPushButton::clicked, this, &TBookmarkForm::BB_UpClick);
    connect(BB_Down, &QPushButton::clicked, this, &TBookmarkForm::BB_DownClick);
    connect(BB_Subject, &QPushButton::clicked, this, &TBookmarkForm::BB_SubjectClick);
    connect(BB_SendFiles, &QPushButton::clicked, this, &TBookmarkForm::BB_SendFilesClick);
    connect(BB_Close, &QPushButton::clicked, this, &TBookmarkForm::BB_CloseClick);
    connect(LB_BookMark, &QListWidget::itemDoubleClicked, this, &TBookmarkForm::BB_GotoClick);
    connect(LB_BookMark, &QWidget::customContextMenuRequested, this,
            [this, menu](const QPoint &pos) { menu->popup(LB_BookMark->viewport()->mapToGlobal(pos)); });
    UpdateButtons();
}

QStringList TBookmarkForm::texts() const
{
    QStringList out;
    for (const HostBookmark &b : list.entries())
        out << b.text;
    return out;
}

void TBookmarkForm::render()
{
    LB_BookMark->clear();
    for (int i = 0; i < list.size(); ++i) {
        // A local path is shown as its names are (one not in UTF-8 decoded).
        const QString &text = list.at(i).text;
        auto *item = new QListWidgetItem(hostSide ? text : localpath::displayPath(text), LB_BookMark);
        item->setSelected(list.isSelected(i));
    }
    if (list.current() >= 0 && list.current() < list.size())
        LB_BookMark->setCurrentRow(list.current(), QItemSelectionModel::NoUpdate);
}

void TBookmarkForm::pullSelection()
{
    for (int i = 0; i < list.size(); ++i)
        list.setSelected(i, LB_BookMark->item(i)->isSelected());
    list.setCurrent(LB_BookMark->currentRow());
}

void TBookmarkForm::added(AddOutcome outcome, const QString &text)
{
    if (outcome == AddOutcome::Added) {
        render();
        LB_BookMark->scrollToItem(LB_BookMark->item(list.size() - 1));
    } else if (const QString why = refusalText(outcome, ListName, text, LocalBookmarkCapacity); !why.isEmpty()) {
        host.log(hostSide ? ListSide::Host : ListSide::Local, why);
    }
}

void TBookmarkForm::FormActivate()
{
    PumpMessages(1);
    UpdateButtons();
    raise();
}

void TBookmarkForm::UpdateButtons()
{
    const bool any = !list.isEmpty();
    for (QPushButton *b : {BB_Goto, BB_Delete, BB_Up, BB_Down, BB_Subject, BB_SendFiles})
        b->setEnabled(any);
    for (QAction *a : {N_Goto, N_Delete, N_Up, N_Down, N_Subject, N_SendFiles})
        a->setEnabled(any);
}

void TBookmarkForm::BB_GotoClick()
{
    pullSelection();
    const int row = list.current();
    if (row < 0 || row >= list.size() || isSubjectLine(list.at(row).text))
        return;
    goTo(row);
}

void TBookmarkForm::BB_DeleteClick()
{
    pullSelection();
    removeSelected();
}

void TBookmarkForm::removeSelected()
{
    list.removeSelected();
    render();
    UpdateButtons();
    LB_BookMark->setFocus();
}

void TBookmarkForm::BB_UpClick()
{
    pullSelection();
    const bool moved = list.moveUp();
    render();
    if (!moved)
        host.beep();
}

void TBookmarkForm::BB_DownClick()
{
    pullSelection();
    const bool moved = list.moveDown();
    render();
    if (!moved)
        host.beep();
}

void TBookmarkForm::BB_SubjectClick()
{
    pullSelection();
    const int row = list.current();
    if (row < 0 || row >= list.size())
        return;
    if (isSubjectLine(list.at(row).text)) {
        const QString name = subjectName(list.at(row).text);
        QString answer = name;
        if (!dialogs().inputQuery(this, QStringLiteral("제목명 변경(Rename)"), QStringLiteral("제목명: ") + name, answer))
            return;
        renameSubject(list, row, answer);
    } else {
        QString answer;
        if (!dialogs().inputQuery(this, QStringLiteral("신규 제목명(New)"), QStringLiteral("제목명: "), answer))
            return;
        const QString line = subjectLine(answer.trimmed());
        if (insertSubject(list, row, answer, LocalBookmarkCapacity) == AddOutcome::Full)
            host.log(hostSide ? ListSide::Host : ListSide::Local,
                     refusalText(AddOutcome::Full, ListName, line, LocalBookmarkCapacity));
    }
    render();
}

void TBookmarkForm::BB_SendFilesClick()
{
    pullSelection();
    QList<int> rows;
    for (int row : list.selectedRows())
        if (!isSubjectLine(list.at(row).text))
            rows << row;
    if (!rows.isEmpty())
        send(rows);
}

void TBookmarkForm::BB_CloseClick()
{
    reject();
}

bool TBookmarkForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == LB_BookMark && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        BB_DeleteClick();
        return true;
    }
    return ListWindow::eventFilter(watched, event);
}

// ---- local -------------------------------------------------------------------------

TBookmarkLForm::TBookmarkLForm(SavedListsHost &host, QWidget *parent) : TBookmarkForm(host, false, parent)
{
    setObjectName(QStringLiteral("TBookmarkLForm"));
    setTakesDrops(true);
}

AddOutcome TBookmarkLForm::AddLocalBookmark(const QString &text)
{
    pullSelection();
    OrderedList<QString> texts;
    for (const HostBookmark &b : list.entries())
        texts.append(b.text);
    const AddOutcome outcome = addLocalBookmark(texts, text, fileExists);
    if (outcome == AddOutcome::Added)
        list.append({text, false});
    added(outcome, text);
    return outcome;
}

void TBookmarkLForm::LBbookmarkClick()
{
    host.hideMainWindow();
    FormActivate();
    exec();
}

void TBookmarkLForm::N_LAddBookmarkClick()
{
    const QStringList paths = host.selectedLocalPaths();
    if (paths.isEmpty()) {
        host.log(ListSide::Local, QStringLiteral("먼저 파일을 선택하세요."));
        return;
    }
    for (const QString &path : paths)
        AddLocalBookmark(path);
    UpdateButtons();
}

void TBookmarkLForm::filesDropped(const QStringList &paths)
{
    for (const QString &path : paths)
        if (fileExists(path))
            AddLocalBookmark(path);
    UpdateButtons();
}

void TBookmarkLForm::load(const QList<QString> &entries)
{
    OrderedList<QString> texts;
    for (const QString &e : entries)
        addLocalBookmark(texts, e, fileExists);
    list.clear();
    for (const QString &t : texts.entries())
        list.append({t, false});
    render();
    UpdateButtons();
}

QList<QString> TBookmarkLForm::entries() const
{
    return texts();
}

void TBookmarkLForm::goTo(int row)
{
    const QString path = list.at(row).text;
    if (!fileExists(path)) {
        informationBox(QStringLiteral("[알 림]\r\n선택한 파일이 디렉토리에 없습니다"), this);
        // Only the entry whose file is gone goes, not the rest of the selection.
        list.selectOnly(row);
        removeSelected();
        return;
    }
    const LocalPlace place = placeOf(path);
    host.goToLocalFile(place.directory, place.name);
    accept();
}

void TBookmarkLForm::send(const QList<int> &rows)
{
    QStringList paths;
    for (int row : rows)
        paths << list.at(row).text;
    host.uploadLocalPaths(paths, int(paths.size()), this);
}

// ---- host --------------------------------------------------------------------------

TBookmarkRForm::TBookmarkRForm(SavedListsHost &host, QWidget *parent) : TBookmarkForm(host, true, parent)
{
    setObjectName(QStringLiteral("TBookmarkRForm"));
}

AddOutcome TBookmarkRForm::AddHostBookmark(const QString &text, bool binary)
{
    pullSelection();
    const AddOutcome outcome = addHostBookmark(list, text, binary);
    added(outcome, text);
    return outcome;
}

void TBookmarkRForm::RBbookmarkClick()
{
    if (!host.connected())
        return;
    host.hideMainWindow();
    FormActivate();
    exec();
}

void TBookmarkRForm::N_RAddBookmarClick()
{
    if (!host.connected() || host.hostDirectory().isEmpty())
        return;
    const QList<HostFileRef> files = host.selectedHostFiles();
    if (files.isEmpty()) {
        host.log(ListSide::Host, QStringLiteral("먼저 파일을 선택하세요."));
        return;
    }
    for (const HostFileRef &f : files)
        AddHostBookmark(f.path, binaryByExtension(f.path, [this](const QString &e) { return host.isAsciiExtension(e); },
                                                  f.executable));
    UpdateButtons();
}

void TBookmarkRForm::load(const QList<HostBookmark> &entries)
{
    list.clear();
    for (const HostBookmark &e : entries)
        addHostBookmark(list, e.text, e.binary);
    render();
    UpdateButtons();
}

void TBookmarkRForm::goTo(int row)
{
    const QString path = list.at(row).text;
    const int slash = int(path.lastIndexOf(QLatin1Char('/')));
    host.goToHostFile(path.left(slash + 1), path.mid(slash + 1));
    accept();
}

void TBookmarkRForm::send(const QList<int> &rows)
{
    QList<SavedListsHost::HostItem> items;
    for (int row : rows)
        items << SavedListsHost::HostItem{list.at(row).text, list.at(row).binary ? QStringLiteral("B") : QStringLiteral("A")};
    host.downloadHostPaths(items, int(items.size()), this);
}

} // namespace kav
