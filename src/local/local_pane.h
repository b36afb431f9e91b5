#pragma once
// The local pane: drive tabs, the directory tree bound to the file list, and the
// operations of the local file and directory menus. The process's current
// directory always follows the tree, so list names work as relative names.

#include "config/profiles.h"
#include "platform/drives.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QAbstractButton;
class QAction;
class QListWidget;
class QListWidgetItem;
class QTabBar;
class QWidget;

namespace kav {

class TViewForm;

// A file list item's name as a local path (its bytes on disk, foreign bytes
// escaped); the item's text is the name as shown.
inline constexpr int LocalPathRole = Qt::UserRole + 7;
QString localNameOf(const QListWidgetItem *item);

struct LocalPaneWidgets {
    QTabBar *LTabSet = nullptr;
    QListWidget *LDirectoryListBox = nullptr;
    QListWidget *LFileListBox = nullptr;
    QAbstractButton *SB_ConnectDRV = nullptr;
    QAbstractButton *SB_DisconnectDRV = nullptr;
    QWidget *RFileListBox = nullptr;   // the only accepted drag source
    QWidget *window = nullptr;         // hidden while the editor runs; parent of the boxes
};

class LocalPane : public QObject {
    Q_OBJECT
public:
    // `selectAfterRefresh` is the main window's name to reselect after the next refresh;
    // `log` is the main window's log routine; `viewer` shows reports and files.
    LocalPane(const LocalPaneWidgets &widgets, std::function<void(const QString &)> log,
              QString &selectAfterRefresh, TViewForm *viewer, QObject *parent = nullptr);
    ~LocalPane() override;

    // ---- Handlers ----
    void LTabSetClick();
    void LDirectoryListBoxChange();
    void SB_ConnectDRVClick();
    void SB_DisconnectDRVClick();
    void SB_LocalToClipClick();
    void SB_CopyLocalPathClick();
    void LBrefreshClick();
    void LBLaunchExplorerClick();
    void LFileListBoxDblClick();
    void N_LRenameClick();
    void N_LDeleteClick();
    void N_LViewClick();
    void N_LEditClick();
    void N_LOpenClick();
    // One handler for the three case-rename items, told apart by the item's name.
    void N_LUppercaseClick(const QAction *item);
    void N_LInvertSelectionClick();
    void N_LTagwildcardClick();
    void N_LMakeDirectoryClick();
    void N_LDeleteDirectoryClick();
    void N_LDirectoryListClick();
    void N_LSpecifyadirectoryClick();

    // ---- Routines other parts use ----
    // Rebuilds the drive tabs; the first call records the start-up drive tab.
    void FillDriveTabs();
    int startupDriveTab() const { return startupTab; }
    // How many files are selected; `lastSelected` gets the last one's index (-1: none).
    int LocalSelectionCount(int *lastSelected = nullptr) const;
    // The selection rule of single-file operations: logs and returns -1 unless
    // exactly one file is selected, else its index.
    int singleSelection();
    // The tree's directory (the process's current directory).
    QString currentDirectory() const { return directory; }
    // Moves the tree (and the process) to a directory; false when it cannot be entered.
    bool setDirectory(const QString &path);
    // As setDirectory, telling the user when the directory cannot be entered.
    bool enterDirectory(const QString &path);
    // Re-reads the subdirectories of the tree without changing directory.
    void updateTree();
    // The full path of a listed file.
    QString fullPathOf(const QString &name) const;
    // After a login: the profile's last or start directory, when it exists.
    void enterStartDirectory(const SessionProfile &profile);
    // The file list shows the current directory's files anew.
    std::function<void()> filesListed;
    const QList<DriveTab> &driveTabs() const { return drives; }

    // ---- Work of other windows, handed on when they exist ----
    std::function<QString()> editorCommand;                       // the configured editor
    std::function<bool(const QString &extension)> isTextExtension; // the ASCII extension list
    std::function<void()> downloadHostSelection;                  // drop from the host file list
    std::function<void(const QString &directory)> storeLocalStartPath;

protected:
    // Seams: the platform services the pane calls, replaceable in tests.
    virtual QList<DriveTab> readDriveTabs();
    virtual void showViewer();
    virtual int runAndWait(const QString &program, const QStringList &arguments);
    virtual bool openDocument(const QString &path);
    virtual bool startFileManager(const QString &directory);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillFileList();
    void selectName(const QString &name);
    void selectOnly(int row);
    // The view and edit checks; false when the operation stops.
    bool textFileChecks(const QString &name, bool edit);
    void focusFiles();
    QString selectedNameAt(int row) const;

    LocalPaneWidgets w;
    std::function<void(const QString &)> log;
    QString &SelectAfterRefresh;
    TViewForm *viewer;
    QString directory;
    QList<DriveTab> drives;
    int startupTab = -1;
    bool syncingTabs = false;
};

} // namespace kav
