#include "lists_bridge.h"

#include "composition.h"
#include "main_form.h"
#include "settings_bridge.h"
#include "transfer_bridge.h"
#include "ui_main_form.h"

#include "browse/host_pane.h"
#include "config/bookmark_forms.h"
#include "config/find_forms.h"
#include "config/queue_form.h"
#include "config/tools_form.h"
#include "ftp/session.h"
#include "local/local_pane.h"
#include "platform/event_pump.h"
#include "platform/shell.h"
#include "transfer/batch_transfer.h"

namespace kav {

ListsBridge::ListsBridge(TMainForm &w) : window(w)
{
    queue = new TQueueForm(*this, &window);
    localMarks = new TBookmarkLForm(*this, &window);
    hostMarks = new TBookmarkRForm(*this, &window);
    tools = new TToolsForm(*this, &window);

    Configuration &config = window.settings().configuration();
    config.setQueue(queue);
    config.setLocalBookmarks(localMarks);
    config.setHostBookmarks(hostMarks);
    config.setTools(tools);
    config.setWindowSizeHolder(SizedWindow::Queue, queue);
    config.setWindowSizeHolder(SizedWindow::LocalBookmarks, localMarks);
    config.setWindowSizeHolder(SizedWindow::HostBookmarks, hostMarks);
    config.setWindowSizeHolder(SizedWindow::Tools, tools);

    Ui::TMainForm &f = *window.form();
    auto onClick = [](QAbstractButton *b, auto *target, auto handler) {
        QObject::connect(b, &QAbstractButton::clicked, target, [target, handler] { (target->*handler)(); });
    };
    auto onTrigger = [](QAction *a, auto *target, auto handler) {
        QObject::connect(a, &QAction::triggered, target, [target, handler] { (target->*handler)(); });
    };
    onClick(f.RBqueue, queue, &TQueueForm::RBqueueClick);
    onClick(f.LBbookmark, localMarks, &TBookmarkLForm::LBbookmarkClick);
    onClick(f.RBbookmark, hostMarks, &TBookmarkRForm::RBbookmarkClick);
    onClick(f.LBtools, tools, &TToolsForm::LBtoolsClick);
    QObject::connect(f.LBfindfile, &QAbstractButton::clicked, &window, [this] { findLocal().LBfindfileClick(); });
    QObject::connect(f.RBfindfile, &QAbstractButton::clicked, &window, [this] { findHost().RBfindfileClick(); });
    onTrigger(f.N_LAddQueue, queue, &TQueueForm::N_LAddQueueClick);
    onTrigger(f.N_RAddQueue, queue, &TQueueForm::N_RAddQueueClick);
    onTrigger(f.N_LAddBookmark, localMarks, &TBookmarkLForm::N_LAddBookmarkClick);
    onTrigger(f.N_RAddBookmar, hostMarks, &TBookmarkRForm::N_RAddBookmarClick);
    onTrigger(f.N_LAddTool, tools, &TToolsForm::N_LAddToolClick);
}

ListsBridge::~ListsBridge()
{
    Configuration &config = window.settings().configuration();
    config.setQueue(nullptr);
    config.setLocalBookmarks(nullptr);
    config.setHostBookmarks(nullptr);
    config.setTools(nullptr);
    for (SizedWindow s : {SizedWindow::Queue, SizedWindow::LocalBookmarks, SizedWindow::HostBookmarks, SizedWindow::Tools})
        config.setWindowSizeHolder(s, nullptr);
}

TFindLForm &ListsBridge::findLocal()
{
    if (!findL) {
        findL = new TFindLForm(*this, &window);
        findL->setLists(queue, localMarks, hostMarks);
    }
    return *findL;
}

TFindRForm &ListsBridge::findHost()
{
    if (!findR) {
        findR = new TFindRForm(*this, &window);
        findR->setLists(queue, localMarks, hostMarks);
    }
    return *findR;
}

bool ListsBridge::connected() const
{
    return window.sessionParts().fs.connected();
}

QString ListsBridge::hostDirectory() const
{
    return window.hostPaneOf()->currentDirectory();
}

QString ListsBridge::localDirectory() const
{
    return window.localPaneOf()->currentDirectory();
}

QStringList ListsBridge::selectedLocalPaths() const
{
    QStringList paths;
    for (const QString &name : window.transfers().selectedLocalFiles())
        paths << window.localPaneOf()->fullPathOf(name);
    return paths;
}

QList<HostFileRef> ListsBridge::selectedHostFiles() const
{
    QList<HostFileRef> files;
    for (const RemoteEntry &e : window.hostPaneOf()->selectedFiles())
        files << HostFileRef{window.hostPaneOf()->hostPathOf(e.name), e.kind == EntryKind::ExecutableFile};
    return files;
}

bool ListsBridge::isAsciiExtension(const QString &extension) const
{
    return window.settings().asciiExtensions().contains(extension);
}

QStringList ListsBridge::asciiExtensions() const
{
    return window.settings().asciiExtensions().items();
}

void ListsBridge::log(ListSide side, const QString &text)
{
    window.session().log(side == ListSide::Host ? TranscriptSide::Host : TranscriptSide::Local, text);
}

void ListsBridge::goToLocalFile(const QString &directory, const QString &name)
{
    window.localPaneOf()->setDirectory(directory);
    window.SelectAfterRefresh = name;
    window.refreshLocalPane();
}

void ListsBridge::goToHostFile(const QString &directory, const QString &name)
{
    if (!connected())
        return;
    window.sessionParts().fs.changeDirectory(directory);
    PumpMessages(5);
    window.SelectAfterRefresh = name;
    window.hostPaneOf()->RBrefreshClick();
}

void ListsBridge::changeHostDirectory(const QString &directory)
{
    if (connected())
        window.sessionParts().fs.changeDirectory(directory);
}

QString ListsBridge::selectAfterRefresh() const
{
    return window.SelectAfterRefresh;
}

QString ListsBridge::currentHostFile() const
{
    const HostListView *list = window.form()->RFileListBox;
    if (list->selectionModel()->selectedIndexes().isEmpty() || !list->currentItem())
        return {};
    return list->currentItem().text();
}

void ListsBridge::uploadLocalPaths(const QStringList &paths, int total, QWidget *caller)
{
    window.transfers().commands().uploadLocalPaths(paths, total, caller);
}

void ListsBridge::downloadHostPaths(const QList<HostItem> &items, int total, QWidget *caller)
{
    QList<TransferCommands::HostItem> out;
    for (const HostItem &i : items)
        out << TransferCommands::HostItem{i.path, i.marker};
    window.transfers().commands().downloadHostPaths(out, total, caller);
}

void ListsBridge::runQueue(const QList<QueueEntry> &items, int total, QWidget *caller)
{
    QList<TransferCommands::QueueItem> out;
    for (const QueueEntry &e : items)
        out << TransferCommands::QueueItem{e.fileName, e.directory, e.binary ? QStringLiteral("B") : QStringLiteral("A"),
                                           e.upload};
    window.transfers().commands().runQueue(out, total, caller);
}

RemoteFs &ListsBridge::remoteFs()
{
    return window.sessionParts().fs;
}

void ListsBridge::hideMainWindow()
{
    window.hide();
}

void ListsBridge::showMainWindow()
{
    window.showNormal();
}

void ListsBridge::restoreStayOnTop()
{
    window.SetStayOnTop(window.form()->N_RStayOnTop->isChecked());
}

void ListsBridge::beep()
{
    shell::beep();
}

} // namespace kav
