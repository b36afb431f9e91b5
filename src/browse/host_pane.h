#pragma once
// The host pane: the current host directory as a file list and a directory
// list, the current-directory history, and navigation between directories.

#include "host_list.h"
#include "ftp/listing.h"


#include <QObject>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QComboBox;
class QWidget;

namespace kav {

class RemoteFs;

// The text of the directory list's first item (48 characters).
extern const QString ParentEntry;
// The box when the server refuses the active mode's PORT (EPRT) for a listing.
extern const QString ActiveModeRefusedText;

struct HostPaneWidgets {
    HostListView *RFileListBox = nullptr;
    HostListView *RDirListBox = nullptr;
    QComboBox *CB_CurName = nullptr;
    QAction *N_RSortByName = nullptr;
    QAction *N_RRexec = nullptr;
    QWidget *LFileListBox = nullptr;   // the only accepted drag source
};

class HostPane : public QObject {
    Q_OBJECT
public:
    // `selectAfterRefresh` is the main window's name to reselect after the next
    // refresh. The pane follows the directories the server reports by itself.
    HostPane(RemoteFs &fs, const HostPaneWidgets &widgets, QString &selectAfterRefresh,
             QObject *parent = nullptr);

    void RBrefreshClick();
    void N_RSortByNameClick();
    void RDirListBoxDblClick();
    void CB_CurNameChange();
    void N_RSpecifyadirectoryClick();
    void RFileListBoxDblClick();
    void N_RCopyURLClick();
    void SB_HostToClipClick();
    void SB_CopyRemotePathClick();
    void N_RDirectoryListClick();

    // A 257 reply named the current directory: the history combo follows, without a CWD.
    void hostDirectoryReported(const QString &name);
    // After a disconnect: both lists and the history empty.
    void clear();
    // The sorted state of the file list (the configuration's SortByName).
    void applySorted(bool sorted);

    // The current directory's path of a host name (joinHostPath).
    QString hostPathOf(const QString &name) const;
    QString currentDirectory() const;
    // "먼저 파일을 선택하세요." / "한개의 파일만 선택하세요..." with the host prefix;
    // true when exactly one file is selected.
    bool checkSingleSelection();
    // The selected files of the file list, in list order, with their kinds.
    QList<RemoteEntry> selectedFiles() const;
    void focusFiles();

    // The host as the user named it (the profile's address), for URLs.
    std::function<QString()> hostAddress;
    // Work of other windows that the pane hands on, when they exist.
    std::function<void(const QString &hostPath)> remoteExecute;
    std::function<void()> deleteFiles;
    std::function<void()> deleteDirectory;
    std::function<void()> uploadLocalSelection;
    std::function<void(const QString &directory)> storeRemoteStartPath;
    // Shows the directory report; the viewer saves it as `fileName` in the local directory.
    std::function<void(const QString &caption, const QStringList &lines, const QString &fileName)> showReport;
    // The lists show a new listing (or were emptied).
    std::function<void()> listed;

    // The icons of the three entry kinds (red pixels are transparent when drawn).
    static QPixmap iconOf(EntryKind kind);
    // The height of a row of the host lists in `font`: the whole text of a name, Latin or
    // Korean, and never less than an icon.
    static int rowHeight(const QFont &font);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool connectedWithDirectory() const;
    // Connected, and no transfer under way that a new command would disturb.
    bool idle() const;
    RemoteFs &fs;
    HostPaneWidgets w;
    QString &SelectAfterRefresh;
    // A refresh is under way (it pumps window events while it reads and sorts).
    bool refreshing = false;
};

} // namespace kav
