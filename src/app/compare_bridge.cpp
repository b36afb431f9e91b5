#include "compare_bridge.h"

#include "main_form.h"
#include "ui_main_form.h"

#include "browse/host_pane.h"
#include "composition.h"
#include "local/local_pane.h"
#include "platform/dialogs.h"
#include "remotefs/remote_fs.h"
#include "settings_bridge.h"

#include <QAction>
#include <QActionGroup>
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>

namespace kav {

using sync::PaneMark;

CompareBridge::CompareBridge(TMainForm &window) : QObject(&window), window(window)
{
    const auto make = [&](const QString &text, const QString &name, const QString &hint) {
        auto *a = new QAction(text, this);
        a->setObjectName(name);
        a->setToolTip(hint);
        a->setStatusTip(hint);
        a->setCheckable(true);
        return a;
    };
    N_Compare = make(QStringLiteral("디렉토리 비교(&P)"), QStringLiteral("N_Compare"),
                     QStringLiteral("두 창의 파일을 비교하여 표시합니다: 파랑은 한쪽에만 있는 파일, 초록은 더 새 파일, "
                                    "노랑은 더 오래된 파일, 빨강은 크기가 다른 파일"));
    N_CompareByBoth = make(QStringLiteral("시간과 크기로 비교(&B)"), QStringLiteral("N_CompareByBoth"),
                           QStringLiteral("수정한 시간과 크기를 모두 비교합니다"));
    N_CompareByTime = make(QStringLiteral("시간으로 비교(&T)"), QStringLiteral("N_CompareByTime"),
                           QStringLiteral("수정한 시간만 비교합니다 (시간을 알 수 없는 파일은 표시하지 않습니다)"));
    N_CompareBySize = make(QStringLiteral("크기로 비교(&S)"), QStringLiteral("N_CompareBySize"),
                           QStringLiteral("크기만 비교합니다"));
    N_CompareHideSame = make(QStringLiteral("같은 파일 숨기기(&H)"), QStringLiteral("N_CompareHideSame"),
                             QStringLiteral("비교하는 동안 양쪽에 똑같이 있는 파일을 목록에서 숨깁니다"));
    N_BrowseTogether = make(QStringLiteral("동기화 브라우징(&W)"), QStringLiteral("N_BrowseTogether"),
                            QStringLiteral("한쪽 창에서 디렉토리를 옮기면 다른 쪽 창도 같은 상대 경로로 옮깁니다. "
                                           "접속 정보마다 기억하여 다음 접속 때 다시 켭니다"));
    by = new QActionGroup(this);
    for (QAction *a : {N_CompareByBoth, N_CompareByTime, N_CompareBySize})
        by->addAction(a);
    N_CompareByBoth->setChecked(true);

    Ui::TMainForm &f = *window.form();
    for (QMenu *menu : {f.RDirMenu, f.LDirMenu}) {
        menu->addSeparator();
        menu->addAction(N_Compare);
        QMenu *criteriaMenu = menu->addMenu(QStringLiteral("비교 기준(&C)"));
        criteriaMenu->setObjectName(menu == f.RDirMenu ? QStringLiteral("N_RCompareBy") : QStringLiteral("N_LCompareBy"));
        criteriaMenu->addActions({N_CompareByBoth, N_CompareByTime, N_CompareBySize});
        criteriaMenu->addSeparator();
        criteriaMenu->addAction(N_CompareHideSame);
        menu->addAction(N_BrowseTogether);
    }
    for (QAction *a : {N_Compare, N_CompareByBoth, N_CompareByTime, N_CompareBySize, N_CompareHideSame})
        connect(a, &QAction::toggled, this, [this] { remark(); });

    connect(N_BrowseTogether, &QAction::toggled, this, &CompareBridge::browseTogetherToggled);
    // Only the user's own choice is remembered, not the switch-off of a disconnect.
    connect(N_BrowseTogether, &QAction::triggered, this, &CompareBridge::rememberBrowsing);

    window.hostPaneOf()->listed = [this] { hostListed(); };
    window.localPaneOf()->filesListed = [this] { localListed(); };
}

bool CompareBridge::relativeTo(const QString &root, const QString &path, QString *relative)
{
    if (path == root) {
        relative->clear();
        return true;
    }
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if (!path.startsWith(prefix))
        return false;
    *relative = path.mid(prefix.size());
    return true;
}

QString CompareBridge::joined(const QString &root, const QString &relative)
{
    if (relative.isEmpty())
        return root;
    return (root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/')) + relative;
}

bool CompareBridge::idle() const
{
    const RemoteFs &fs = window.sessionParts().fs;
    return fs.connected() && !fs.transferUnderWay();
}

void CompareBridge::browseTogetherToggled(bool on)
{
    const QString host = window.hostPaneOf()->currentDirectory();
    if (on && host.isEmpty()) {
        // Nothing to browse with before a host directory shows.
        const QSignalBlocker block(N_BrowseTogether);
        N_BrowseTogether->setChecked(false);
        return;
    }
    localRoot = window.localPaneOf()->currentDirectory();
    hostRoot = host;
    localShown = localRoot;
    hostShown = hostRoot;
}

void CompareBridge::localListed()
{
    remark();
    const QString now = window.localPaneOf()->currentDirectory();
    const bool moved = now != localShown;
    localShown = now;
    QString relative;
    if (moved && !following && N_BrowseTogether->isChecked() && idle() && relativeTo(localRoot, now, &relative))
        followToHost(relative);
}

void CompareBridge::hostListed()
{
    remark();
    const QString now = window.hostPaneOf()->currentDirectory();
    if (now.isEmpty()) {
        // Disconnected: the pair is gone with the host's lists.
        hostShown.clear();
        if (N_BrowseTogether->isChecked())
            N_BrowseTogether->setChecked(false);
        return;
    }
    if (hostShown.isEmpty()) {
        // The first listing of a session: a profile browsed together before
        // is again, from the directories the panes show now.
        hostShown = now;
        if (window.profile().Connection.BrowseTogether && !N_BrowseTogether->isChecked())
            N_BrowseTogether->setChecked(true);
        return;
    }
    const bool moved = now != hostShown;
    hostShown = now;
    QString relative;
    if (moved && !following && N_BrowseTogether->isChecked() && idle() && relativeTo(hostRoot, now, &relative))
        followToLocal(relative);
}

void CompareBridge::rememberBrowsing()
{
    if (!window.sessionParts().fs.connected())
        return;
    SessionProfile &profile = window.profile();
    const bool on = N_BrowseTogether->isChecked();
    if (profile.Connection.BrowseTogether == on)
        return;
    profile.Connection.BrowseTogether = on;
    window.settings().configuration().storeBrowseTogether(profile.HostName, on);
}

void CompareBridge::followToHost(const QString &relative)
{
    const QString target = joined(hostRoot, relative);
    if (target == window.hostPaneOf()->currentDirectory())
        return;
    following = true;
    RemoteFs &fs = window.sessionParts().fs;
    bool there = fs.changeDirectory(target).ok();
    if (!there && fs.connected()
        && dialogs().messageBox(&window, QStringLiteral("동기화 브라우징"),
                                QStringLiteral("호스트에 '") + target + QStringLiteral("' 디렉토리가 없습니다. 만들까요?"),
                                MsgIcon::Question, BtnYes | BtnNo) == BtnYes
        && fs.connected())
        there = fs.makeDirectory(target).ok() && fs.changeDirectory(target).ok();
    if (there && fs.connected())
        window.hostPaneOf()->RBrefreshClick();
    hostShown = window.hostPaneOf()->currentDirectory();
    following = false;
}

void CompareBridge::followToLocal(const QString &relative)
{
    const QString target = joined(localRoot, relative);
    LocalPane *local = window.localPaneOf();
    if (target == local->currentDirectory())
        return;
    following = true;
    bool there = QFileInfo(target).isDir();
    if (!there
        && dialogs().messageBox(&window, QStringLiteral("동기화 브라우징"),
                                QStringLiteral("로컬에 '") + target + QStringLiteral("' 디렉토리가 없습니다. 만들까요?"),
                                MsgIcon::Question, BtnYes | BtnNo) == BtnYes)
        there = QDir().mkpath(target);
    if (there)
        local->enterDirectory(target);
    localShown = local->currentDirectory();
    following = false;
}

unsigned CompareBridge::criteria() const
{
    if (N_CompareByTime->isChecked())
        return sync::ByTime;
    if (N_CompareBySize->isChecked())
        return sync::BySize;
    return sync::ByTime | sync::BySize;
}

QColor CompareBridge::markColour(PaneMark mark)
{
    // Light tints that keep black text readable and the selection colour distinct.
    switch (mark) {
    case PaneMark::OnlyHere: return QColor(0xd6, 0xe6, 0xff);
    case PaneMark::Newer: return QColor(0xd4, 0xf2, 0xd4);
    case PaneMark::Older: return QColor(0xff, 0xf3, 0xc4);
    case PaneMark::SizeDiffers:
    case PaneMark::KindDiffers: return QColor(0xff, 0xd8, 0xd8);
    case PaneMark::Same:
    case PaneMark::None: break;
    }
    return {};
}

void CompareBridge::remark()
{
    const bool on = N_Compare->isChecked();
    const bool hideSame = on && N_CompareHideSame->isChecked();
    sync::PaneMarks marks;
    LocalPane *local = window.localPaneOf();
    HostPane *host = window.hostPaneOf();
    // Without a host directory there is nothing to compare with: every local
    // file would read as "only here".
    const bool comparable = on && local && host && !host->currentDirectory().isEmpty();
    if (comparable) {
        QList<sync::Node> hostNodes;
        const HostListView *files = window.form()->RFileListBox;
        const HostListView *dirs = window.form()->RDirListBox;
        hostNodes.reserve(files->count() + dirs->count());
        for (const HostListView *list : {files, dirs})
            for (int row = 0; row < list->count(); ++row)
                if (list != dirs || list->text(row) != ParentEntry)
                    hostNodes.append(sync::nodeOfEntry(list->entry(row)));
        marks = sync::comparePanes(sync::localDirectoryNodes(local->currentDirectory()), hostNodes, criteria());
    }
    // Off and never on since the lists were last filled: nothing to take away.
    if (!comparable && !marked)
        return;
    markLocal(marks, comparable, hideSame);
    markHost(marks, comparable, hideSame);
    marked = comparable;
}

void CompareBridge::markLocal(const sync::PaneMarks &marks, bool on, bool hideSame)
{
    QListWidget *files = window.form()->LFileListBox;
    for (int row = 0; row < files->count(); ++row) {
        QListWidgetItem *item = files->item(row);
        const PaneMark mark = on ? marks.local.value(localNameOf(item), PaneMark::None) : PaneMark::None;
        const QColor colour = markColour(mark);
        item->setData(Qt::BackgroundRole, colour.isValid() ? QVariant(colour) : QVariant());
        item->setData(Qt::ToolTipRole, on ? QVariant(sync::paneMarkText(mark)) : QVariant());
        item->setHidden(hideSame && mark == PaneMark::Same);
    }
}

void CompareBridge::markHost(const sync::PaneMarks &marks, bool on, bool hideSame)
{
    HostListView *files = window.form()->RFileListBox;
    QHash<QString, HostListModel::RowLook> looks;
    if (on) {
        looks.reserve(marks.host.size());
        for (auto it = marks.host.cbegin(); it != marks.host.cend(); ++it)
            looks.insert(it.key(), {markColour(it.value()), sync::paneMarkText(it.value())});
    }
    files->entries()->setLooks(std::move(looks));
    // Rows are hidden one by one: only touch them when some are or will be.
    if (!hideSame && !hostHidden)
        return;
    hostHidden = false;
    for (int row = 0; row < files->count(); ++row) {
        const bool hide = hideSame && marks.host.value(files->text(row), PaneMark::None) == PaneMark::Same;
        if (files->isRowHidden(row) != hide)
            files->setRowHidden(row, hide);
        hostHidden = hostHidden || hide;
    }
}

} // namespace kav
