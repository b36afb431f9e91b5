#include "local_pane.h"
#include "local_names.h"

#include "ftp/transcript.h"
#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/file_attributes.h"
#include "platform/pane_drop.h"
#include "platform/processes.h"
#include "platform/wildcard.h"
#include "platform/editor_lookup.h"
#include "viewers/view_form.h"
#include "viewers/view_logic.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include "platform/local_path.h"

#include <QDir>
#include <QDropEvent>
#include <QFileIconProvider>
#include <QKeyEvent>
#include <QListWidget>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTimer>
#include <QToolTip>
#include <QHelpEvent>

namespace kav {

namespace {


const QString CrLf = QStringLiteral("\r\n");
constexpr int PathRole = Qt::UserRole;
constexpr int LevelRole = Qt::UserRole + 1;
constexpr int TreeIndent = 12;

// The tree's items are one flat list (the path from the root down to the current
// directory, then its subdirectories), each drawn indented by its depth.
class TreeDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.adjust(index.data(LevelRole).toInt() * TreeIndent, 0, 0, 0);
        QStyledItemDelegate::paint(painter, shifted, index);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += index.data(LevelRole).toInt() * TreeIndent;
        size.setHeight(16);
        return size;
    }
};

QIcon driveIcon(int type)
{
    QStyle *style = QApplication::style();
    switch (type) {
    case DriveRemovable: return style->standardIcon(QStyle::SP_DriveFDIcon);
    case DriveFixed: return style->standardIcon(QStyle::SP_DriveHDIcon);
    case DriveRemote: return style->standardIcon(QStyle::SP_DriveNetIcon);
    case DriveCdRom: return style->standardIcon(QStyle::SP_DriveCDIcon);
    case DriveRamDisk: return style->standardIcon(QStyle::SP_ComputerIcon);
    default: return style->standardIcon(QStyle::SP_FileIcon);
    }
}

// Paths are built as text and reach the system through local_path: a directory
// whose name is not UTF-8 is entered and listed by its own bytes.
QString canonicalDirectory(const QString &path)
{
    const bool absolute = path.startsWith(QLatin1Char('/'));
    return QDir::cleanPath(absolute ? path : localpath::currentDirectory() + QLatin1Char('/') + path);
}

// A local name or path as the user sees it.
QString shown(const QString &path) { return localpath::displayPath(path); }

} // namespace

LocalPane::LocalPane(const LocalPaneWidgets &widgets, std::function<void(const QString &)> logRoutine,
                     QString &selectAfterRefresh, TViewForm *viewForm, QObject *parent)
    : QObject(parent), w(widgets), log(std::move(logRoutine)), SelectAfterRefresh(selectAfterRefresh),
      viewer(viewForm)
{
    QListWidget *files = w.LFileListBox;
    files->setSelectionMode(QAbstractItemView::ExtendedSelection);
    files->setUniformItemSizes(true);
    files->setIconSize(QSize(16, 16));
    // Dragged to the host list for an upload; drops come only from the host list.
    files->setDragEnabled(true);
    files->setAcceptDrops(true);
    files->setDefaultDropAction(Qt::CopyAction);
    files->installEventFilter(this);
    files->viewport()->installEventFilter(this);

    QListWidget *tree = w.LDirectoryListBox;
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setItemDelegate(new TreeDelegate(tree));
    tree->setIconSize(QSize(16, 16));
    tree->installEventFilter(this);

    connect(files, &QListWidget::itemDoubleClicked, this, [this] { LFileListBoxDblClick(); });
    // The tree is rebuilt when the directory changes: not inside its own click signal.
    connect(tree, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        const QString path = item->data(PathRole).toString();
        QTimer::singleShot(0, this, [this, path] { enterDirectory(path); });
    });
    connect(w.LTabSet, &QTabBar::currentChanged, this, [this] {
        if (!syncingTabs)
            LTabSetClick();
    });

    // Network drives are mounted by the system here: the buttons are disabled and
    // their hint, when shown, says so below its own text.
    for (QAbstractButton *button : {w.SB_ConnectDRV, w.SB_DisconnectDRV}) {
        if (button) {
            button->setEnabled(false);
            button->installEventFilter(this);
        }
    }

    if (!setDirectory(localpath::currentDirectory()))
        setDirectory(QDir::homePath());
}

LocalPane::~LocalPane() = default;

// ---- seams ---------------------------------------------------------------------

QList<DriveTab> LocalPane::readDriveTabs() { return currentDriveTabs(); }

void LocalPane::showViewer()
{
    if (viewer)
        viewer->showModal();
}

int LocalPane::runAndWait(const QString &program, const QStringList &arguments)
{
    return kav::runAndWait(program, arguments);
}

bool LocalPane::openDocument(const QString &path) { return openWithAssociatedProgram(path); }

bool LocalPane::startFileManager(const QString &dir) { return launchFileManager(dir); }

// ---- drives ----------------------------------------------------------------------

void LocalPane::FillDriveTabs()
{
    drives = readDriveTabs();
    syncingTabs = true;
    QTabBar *tabs = w.LTabSet;
    while (tabs->count() > 0)
        tabs->removeTab(0);
    int firstFixed = -1;
    for (const DriveTab &d : drives) {
        const int index = tabs->addTab(driveIcon(d.type), d.text);
        tabs->setTabData(index, d.type);
        tabs->setTabToolTip(index, d.mountPoint);
        if (firstFixed < 0 && d.type == DriveFixed)
            firstFixed = index;
    }
    int selected = driveTabIndexOf(drives, directory);
    if (selected < 0)
        selected = firstFixed;
    if (selected >= 0)
        tabs->setCurrentIndex(selected);
    syncingTabs = false;
    if (startupTab < 0)
        startupTab = selected;
}

void LocalPane::LTabSetClick()
{
    const int index = w.LTabSet->currentIndex();
    if (index < 0 || index >= drives.size())
        return;
    const QString mount = drives[index].mountPoint;
    if (!setDirectory(mount)) {
        // The tab stays selected, as the user chose it.
        informationBox(mount + QStringLiteral(" 에 접근할 수 없습니다. 확인하세요"), w.window);
    }
}

void LocalPane::LDirectoryListBoxChange()
{
    const int index = driveTabIndexOf(drives, directory);
    if (index >= 0 && index != w.LTabSet->currentIndex()) {
        syncingTabs = true;
        w.LTabSet->setCurrentIndex(index);
        syncingTabs = false;
    }
}

void LocalPane::SB_ConnectDRVClick()
{
    // The system mounts network drives; whatever it mounted meanwhile gets its tab.
    FillDriveTabs();
}

void LocalPane::SB_DisconnectDRVClick()
{
    FillDriveTabs();
}

// ---- tree and list ---------------------------------------------------------------

bool LocalPane::setDirectory(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QString target = canonicalDirectory(path);
    // A directory that cannot be listed would show as empty, which it may not be.
    const localpath::Status info = localpath::status(target);
    if (!info.isDirectory || !info.readable || !localpath::setCurrent(target))
        return false;
    directory = target;
    updateTree();
    fillFileList();
    LDirectoryListBoxChange();
    return true;
}

bool LocalPane::enterDirectory(const QString &path)
{
    if (setDirectory(path))
        return true;
    // The tree may already highlight what the user clicked: it goes back to the directory
    // the list still shows, and the user learns why nothing happened.
    updateTree();
    informationBox(QStringLiteral("디렉토리 '") + shown(path) + QStringLiteral("'를 열 수 없습니다."), w.window);
    return false;
}

void LocalPane::updateTree()
{
    // A directory removed behind our back: the nearest existing parent takes its place.
    QString dir = directory;
    while (!local::isRootPath(dir) && !localpath::isDirectory(dir))
        dir = canonicalDirectory(dir + QStringLiteral("/.."));
    if (dir != directory) {
        directory = dir;
        localpath::setCurrent(dir);
    }

    QListWidget *tree = w.LDirectoryListBox;
    QStyle *style = tree->style();
    const QIcon open = style->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style->standardIcon(QStyle::SP_DirClosedIcon);
    tree->clear();
    auto add = [&](const QString &text, const QString &path, int level, const QIcon &icon) {
        auto *item = new QListWidgetItem(icon, text, tree);
        item->setData(PathRole, path);
        item->setData(LevelRole, level);
        item->setToolTip(shown(path));
        return item;
    };
    QString path;
    int level = 0;
    QListWidgetItem *current = nullptr;
#ifdef Q_OS_WIN
    const QStringList parts = directory.split(QLatin1Char('/'), Qt::SkipEmptyParts);
#else
    const QStringList parts = QStringList{QStringLiteral("/")} + directory.split(QLatin1Char('/'), Qt::SkipEmptyParts);
#endif
    for (const QString &part : parts) {
        path = path.isEmpty() ? part : local::joinPath(path, part);
        current = add(shown(part), path, level++, open);
    }
    for (const localpath::Entry &sub : localpath::directories(directory))
        add(sub.display, local::joinPath(directory, sub.path), level, closed);
    if (current) {
        tree->setCurrentItem(current);
        tree->scrollToItem(current);
    }
}

void LocalPane::fillFileList()
{
    QListWidget *files = w.LFileListBox;
    files->clear();
    // Plain files only: no directories, no hidden files, nothing that is not a regular file.
    // Every name, whatever its bytes: one from an old Korean archive (code page
    // 949) is shown decoded, and its path keeps the bytes it has on disk.
    static QFileIconProvider icons;
    for (const localpath::Entry &entry : localpath::regularFiles(directory)) {
        // Qt cannot look at a name with foreign bytes: such a file gets the plain file glyph.
        const QIcon icon = localpath::hasEscapes(entry.path)
            ? icons.icon(QFileIconProvider::File)
            : icons.icon(QFileInfo(local::joinPath(directory, entry.path)));
        auto *item = new QListWidgetItem(icon, entry.display, files);
        item->setData(LocalPathRole, entry.path);
        item->setSizeHint(QSize(files->fontMetrics().horizontalAdvance(entry.display) + 24, 16));
    }
    if (filesListed)
        filesListed();
}

QString LocalPane::fullPathOf(const QString &name) const
{
    return local::joinPath(directory, name);
}

QString localNameOf(const QListWidgetItem *item)
{
    const QVariant path = item->data(LocalPathRole);
    return path.isValid() ? path.toString() : item->text();
}

QString LocalPane::selectedNameAt(int row) const
{
    const QListWidgetItem *item = w.LFileListBox->item(row);
    return item ? localNameOf(item) : QString();
}

int LocalPane::LocalSelectionCount(int *lastSelected) const
{
    int count = 0, last = -1;
    for (int row = 0; row < w.LFileListBox->count(); ++row) {
        if (w.LFileListBox->item(row)->isSelected()) {
            ++count;
            last = row;
        }
    }
    if (lastSelected)
        *lastSelected = last;
    return count;
}

int LocalPane::singleSelection()
{
    int last = -1;
    const int count = LocalSelectionCount(&last);
    if (count == 0) {
        log(transcriptLine(TranscriptSide::Local, QStringLiteral("먼저 파일을 선택하세요.")));
        return -1;
    }
    if (count > 1) {
        log(transcriptLine(TranscriptSide::Local, QStringLiteral("한개의 파일만 선택하세요. 지금작업은 다중선택을 못합니다")));
        return -1;
    }
    return last;
}

void LocalPane::selectOnly(int row)
{
    QListWidget *files = w.LFileListBox;
    files->clearSelection();
    if (row < 0 || row >= files->count())
        return;
    files->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    files->scrollToItem(files->item(row));
}

void LocalPane::selectName(const QString &name)
{
    // The name on disk first; a shown name (another window's) when no name matches.
    QListWidget *files = w.LFileListBox;
    for (const bool byPath : {true, false}) {
        for (int row = 0; row < files->count(); ++row) {
            if ((byPath ? localNameOf(files->item(row)) : files->item(row)->text()) == name) {
                selectOnly(row);
                return;
            }
        }
    }
}

void LocalPane::focusFiles()
{
    w.LFileListBox->setFocus();
}

void LocalPane::LBrefreshClick()
{
    updateTree();
    QString name = SelectAfterRefresh;
    // View and edit leave a full path: a file of this directory is found by its name.
    if (name.contains(QDir::separator())) {
        const QString file = local::fileNameOf(name);
        name = name == fullPathOf(file) ? file : QString();
    }
    if (SelectAfterRefresh.isEmpty()) {
        int last = -1;
        if (LocalSelectionCount(&last) > 0)
            name = selectedNameAt(last);
    }
    fillFileList();
    if (!name.isEmpty())
        selectName(name);
}

void LocalPane::LBLaunchExplorerClick()
{
    if (!startFileManager(directory))
        informationBox(QStringLiteral("파일 관리자를 실행할 수 없습니다."), w.window);
}

void LocalPane::SB_LocalToClipClick()
{
    copyToClipboard(directory);
}

void LocalPane::SB_CopyLocalPathClick()
{
    if (storeLocalStartPath)
        storeLocalStartPath(directory);
}

void LocalPane::enterStartDirectory(const SessionProfile &profile)
{
    const auto exists = [](const QString &dir) { return !dir.isEmpty() && localpath::isDirectory(dir); };
    if (profile.UseLastPath && exists(profile.LastLocalDir)) {
        setDirectory(profile.LastLocalDir);
        SelectAfterRefresh = profile.LastLocalFile;
        LBrefreshClick();
    } else if (exists(profile.LocalPath)) {
        setDirectory(profile.LocalPath);
    }
}

// ---- file operations ----------------------------------------------------------------

void LocalPane::N_LRenameClick()
{
    const int row = singleSelection();
    if (row < 0)
        return;
    const QString name = selectedNameAt(row);
    SelectAfterRefresh = name;
    // The user edits the shown name; what was not changed keeps its bytes.
    QString value = shown(name);
    if (dialogs().inputQuery(w.window, QStringLiteral("파일명 변경(Local)"), QStringLiteral("파일: ") + value, value)
        && localpath::fromShown(value, name) != name) {
        const QString renamed = localpath::fromShown(value, name);
        // An existing file of the new name is never replaced; the old one then stays selected.
        if (renameNoReplace(name, renamed))
            SelectAfterRefresh = renamed;
        LBrefreshClick();
    }
    focusFiles();
}

void LocalPane::N_LDeleteClick()
{
    int last = -1;
    const int count = LocalSelectionCount(&last);
    if (count == 0) {
        log(transcriptLine(TranscriptSide::Local, QStringLiteral("먼저 파일을 선택하세요.")));
        return;
    }
    const QString question = QStringLiteral("[주의] - 삭제") + CrLf + QString::number(count)
        + QStringLiteral(" 개의 파일을 로컬에서 선택했습니다.") + CrLf + QStringLiteral("선택한 파일들을 삭제하시겠습니까 ?");
    if (!confirmBox(question, w.window))
        return;
    QStringList names;
    for (int row = 0; row < w.LFileListBox->count(); ++row) {
        if (w.LFileListBox->item(row)->isSelected())
            names << selectedNameAt(row);
    }
    for (const QString &name : names)
        localpath::remove(name);
    fillFileList();
    selectOnly(local::indexAfterDelete(last, w.LFileListBox->count()));
    focusFiles();
}

void LocalPane::N_LUppercaseClick(const QAction *item)
{
    int last = -1;
    const int count = LocalSelectionCount(&last);
    if (count == 0) {
        log(transcriptLine(TranscriptSide::Local, QStringLiteral("먼저 파일을 선택하세요.")));
        return;
    }
    const QString question = QStringLiteral("[주의] - 이름변경") + CrLf + QString::number(count)
        + QStringLiteral(" 개의 파일을 로컬에서 선택했습니다.") + CrLf
        + QStringLiteral("선택한 파일들의 이름을 바꾸시겠습니까 ?");
    if (!confirmBox(question, w.window))
        return;
    const QString which = item ? item->objectName() : QString();
    const local::CaseRename mode = which == QLatin1String("N_LUppercase")   ? local::CaseRename::Upper
                                   : which == QLatin1String("N_LLowercase") ? local::CaseRename::Lower
                                                                            : local::CaseRename::Sentence;
    QStringList names;
    for (int row = 0; row < w.LFileListBox->count(); ++row) {
        if (w.LFileListBox->item(row)->isSelected())
            names << selectedNameAt(row);
    }
    for (const QString &name : names) {
        const QString renamed = local::caseRenamed(name, mode);
        // A file that already has the new name is left alone, and so is this one.
        if (renamed == name || renameNoReplace(name, renamed))
            SelectAfterRefresh = renamed;
        else
            SelectAfterRefresh = name;
    }
    LBrefreshClick();
    focusFiles();
}

void LocalPane::N_LInvertSelectionClick()
{
    QListWidget *files = w.LFileListBox;
    files->setVisible(false);
    for (int row = 0; row < files->count(); ++row)
        files->item(row)->setSelected(!files->item(row)->isSelected());
    files->setVisible(true);
    focusFiles();
}

void LocalPane::N_LTagwildcardClick()
{
    QString pattern = QStringLiteral("*.*");
    if (!dialogs().inputQuery(w.window, QStringLiteral("Tag Wildcard (Local)"),
                              QStringLiteral("Wildcard(eg *.zip will tag all .zip files): "), pattern)
        || pattern.isEmpty())
        return;
    QListWidget *files = w.LFileListBox;
    files->setVisible(false);
    for (int row = 0; row < files->count(); ++row)
        files->item(row)->setSelected(matchesLocalMask(pattern, files->item(row)->text()));
    files->setVisible(true);
    focusFiles();
}

bool LocalPane::textFileChecks(const QString &name, bool edit)
{
    const QString extension = local::upperExtension(name);
    if (extension == QLatin1String("EXE") || extension == QLatin1String("COM")) {
        informationBox(QStringLiteral("파일 '") + shown(name)
                           + (edit ? QStringLiteral("'는 실행파일이라 편집할 수 없습니다.")
                                   : QStringLiteral("'는 실행파일이라 열람할 수 없습니다.")),
                       w.window);
        return false;
    }
    if (!(isTextExtension && isTextExtension(extension))) {
        const QString question = QStringLiteral("[주의]") + CrLf + QStringLiteral("파일 '") + shown(name)
            + QStringLiteral("'는 텍스트 파일이 아닐 수 있습니다.") + CrLf
            + (edit ? QStringLiteral("그래도 선택한 파일을 편집하시겠습니까 ?")
                    : QStringLiteral("그래도 선택한 파일을 열람하시겠습니까 ?"));
        if (!confirmBox(question, w.window))
            return false;
    }
    const QString path = fullPathOf(name);
    SelectAfterRefresh = path;
    QFile file;
    if (!localpath::open(file, path, QIODevice::ReadOnly)) {
        informationBox(QStringLiteral("파일 '") + shown(path) + QStringLiteral("'을 열 수 없습니다."), w.window);
        return false;
    }
    if (file.size() == 0) {
        informationBox(QStringLiteral("파일 '") + shown(path) + QStringLiteral("'의 파일크기가 0 Byte 입니다."), w.window);
        return false;
    }
    return true;
}

void LocalPane::N_LViewClick()
{
    const int row = singleSelection();
    if (row < 0)
        return;
    const QString name = selectedNameAt(row);
    if (textFileChecks(name, false) && viewer) {
        const QString path = fullPathOf(name);
        const qint64 size = localpath::status(path).size;
        if (!viewers::fitsInViewer(size)) {
            informationBox(viewers::tooLargeToViewText(shown(name), size), w.window);
            focusFiles();
            return;
        }
        viewer->setSaveDirectory(directory);
        viewer->setSaveFileName(shown(name));
        viewer->clearText();
        if (viewer->loadFile(path)) {
            viewer->setCaption(QStringLiteral("[Local] - File View (") + shown(name) + QStringLiteral(", ")
                               + QString::number(size) + QStringLiteral(" Bytes)"));
            showViewer();
        } else {
            informationBox(QStringLiteral("파일 '") + shown(path) + QStringLiteral("'을 열 수 없습니다."), w.window);
        }
    }
    focusFiles();
}

void LocalPane::N_LEditClick()
{
    const int row = singleSelection();
    if (row < 0)
        return;
    const QString name = selectedNameAt(row);
    if (textFileChecks(name, true)) {
        const QString stored = editorCommand ? editorCommand() : QString();
        const EditorLaunch editor = editorLaunch(stored);
        if (!editor.substitute.isEmpty())
            log(transcriptLine(TranscriptSide::Local, QStringLiteral("문서편집기 '") + stored
                                   + QStringLiteral("'를 찾을 수 없어 '") + editor.substitute
                                   + QStringLiteral("'로 편집합니다.")));
        const QString program = editor.program;
        // The file is an argument of its own: blanks and a leading "-" reach the editor intact.
        const QStringList arguments = QStringList(editor.arguments) << fullPathOf(name);
        const bool wasVisible = w.window && w.window->isVisible();
        if (wasVisible)
            w.window->hide();
        if (runAndWait(program, arguments) != 0)
            informationBox(QStringLiteral("지정한 문서편집기가 실행되지 않습니다."), w.window);
        if (wasVisible)
            w.window->show();
        LBrefreshClick();
    }
    focusFiles();
}

void LocalPane::N_LOpenClick()
{
    const int row = singleSelection();
    if (row < 0)
        return;
    const QString name = selectedNameAt(row);
    if (!openDocument(fullPathOf(name)))
        informationBox(QStringLiteral("파일 '") + shown(name) + QStringLiteral("'를 열 프로그램이 없습니다."), w.window);
    focusFiles();
}

void LocalPane::LFileListBoxDblClick()
{
    N_LOpenClick();
}

// ---- directory operations -------------------------------------------------------------

void LocalPane::N_LMakeDirectoryClick()
{
    const QString proposed = local::withTrailingSeparator(directory);
    QString value = shown(proposed);
    if (!dialogs().inputQuery(w.window, QStringLiteral("디렉토리작성(Local)"), QStringLiteral("디렉토리: ") + value,
                              value))
        return;
    if (!value.isEmpty() && localpath::makeDirectory(localpath::fromShown(value, proposed)))
        updateTree();
}

void LocalPane::N_LDeleteDirectoryClick()
{
    updateTree();
    if (local::isRootPath(directory)) {
        log(transcriptLine(TranscriptSide::Local, QStringLiteral("먼저 디렉토리를 선택하세요.")));
        return;
    }
    const QString current = directory;
    QString value = shown(current);
    if (!dialogs().inputQuery(w.window, QStringLiteral("디렉토리삭제(Local)"), QStringLiteral("디렉토리: ") + value,
                              value))
        return;
    // Out of the directory first: it cannot be removed while it is the current one.
    setDirectory(canonicalDirectory(directory + QStringLiteral("/..")));
    if (!value.isEmpty() && localpath::removeDirectory(localpath::fromShown(value, current)))
        updateTree();
}

void LocalPane::N_LDirectoryListClick()
{
    QList<local::ReportEntry> entries;
    struct Listed {
        localpath::Entry entry;
        localpath::Status status;
    };
    QList<Listed> listed;
    for (const localpath::Entry &e : localpath::allEntries(directory))
        listed.append({e, localpath::status(local::joinPath(directory, e.path))});
    // Directories first, then by shown name without regard to case.
    std::sort(listed.begin(), listed.end(), [](const Listed &a, const Listed &b) {
        if (a.status.isDirectory != b.status.isDirectory)
            return a.status.isDirectory;
        const int c = QString::compare(a.entry.display, b.entry.display, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.entry.path < b.entry.path;
    });
    for (const Listed &l : listed) {
        const QString path = local::joinPath(directory, l.entry.path);
        entries.append({l.entry.display, l.status.isDirectory ? 0 : l.status.size, l.status.modified,
                        fileAttributes(path)});
    }
    const local::DirectoryReport report = local::buildDirectoryReport(entries, QLocale::system());
    if (!viewer)
        return;
    viewer->setSaveDirectory(directory);
    viewer->setSaveFileName(QStringLiteral("DirInfo.txt"));
    viewer->clearText();
    for (const QString &line : report.lines)
        viewer->addLine(line);
    viewer->setCaption(local::reportCaption(shown(directory), report.total));
    showViewer();
}

void LocalPane::N_LSpecifyadirectoryClick()
{
    QString chosen;
    if (dialogs().chooseDirectory(w.window, QStringLiteral("Specify Directory"), chosen) && !chosen.isEmpty())
        enterDirectory(chosen);
}

// ---- keys and drops -------------------------------------------------------------------

bool LocalPane::eventFilter(QObject *watched, QEvent *event)
{
    const bool files = watched == w.LFileListBox || watched == w.LFileListBox->viewport();
    const bool tree = watched == w.LDirectoryListBox;
    switch (event->type()) {
    case QEvent::ToolTip:
        if (watched == w.SB_ConnectDRV || watched == w.SB_DisconnectDRV) {
            auto *button = static_cast<QAbstractButton *>(watched);
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                               button->toolTip() + QLatin1Char('\n') + networkDrivesNote(), button);
            return true;
        }
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (files && key == Qt::Key_Delete) {
            N_LDeleteClick();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (files)
                N_LOpenClick();
            else if (tree && w.LDirectoryListBox->currentItem())
                enterDirectory(w.LDirectoryListBox->currentItem()->data(PathRole).toString());
            return files || tree;
        }
        break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (files)
            return handlePaneDrop(event, w.RFileListBox, downloadHostSelection);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kav
