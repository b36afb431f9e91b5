#pragma once
// The host pane's file and directory commands: delete, rename, the letter-case
// renames, the two selection tools, make, remove and rename directories, and
// the permission window.
//
// Invariants:
// - Every command does nothing unless connected and idle: no data transfer
//   under way, no other work of the window (a transfer window showing), and no
//   other of these commands running (they pump events between commands, so
//   the user could start one inside another).
// - A command works on the names selected when it starts, copied before the
//   first command goes out: a refresh or a change of directory while it runs
//   must not make it act on whatever the list shows by then. A change of
//   directory meanwhile ends the loop: the names would name other files.
// - No rename is sent onto a name the current directory already lists: RNTO
//   would replace that file on most servers.
// - Server refusals are only logged (the connection logs every answer).

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QDialog;


namespace kav {

class HostListView;
class HostPane;
class RemoteFs;
struct FsResult;

struct HostFileOpsWidgets {
    HostListView *RFileListBox = nullptr;
    HostListView *RDirListBox = nullptr;
    QAction *N_RChangeMode = nullptr;   // enabled for UNIX-like servers only
};

class HostFileOps : public QObject {
    Q_OBJECT
public:
    // `selectAfterRefresh` is the main window's name for the next refresh to select.
    HostFileOps(RemoteFs &fs, HostPane &pane, const HostFileOpsWidgets &widgets,
                QString &selectAfterRefresh, QObject *parent = nullptr);

    void N_RDeleteClick();
    void N_RRenameClick();
    // The three case renames; `senderName` is the menu item's object name.
    void N_RUppercaseClick(const QString &senderName);
    void N_RInvertSelectionClick();
    void N_RTagwildcardClick();
    void N_RMakeDirectoryClick();
    void N_RDeleteDirectoryClick();
    void N_RRenameDirectoryClick();
    void N_RChangeModeClick();

    // Other work of the window that these commands must wait for (the transfer
    // or print window showing).
    std::function<bool()> otherWork;
    // Shows a window modally and returns its result (tests answer in its place).
    std::function<int(QDialog &)> runModal;

    // A command is running.
    bool running() const { return busy; }

private:
    struct Item {
        int index;
        QString name;
    };
    bool ready() const;
    bool connectedWithDirectory() const;
    QList<Item> selectedFiles() const;
    // The names the current directory lists: files and directories, the parent entry left out.
    QStringList listedNames() const;
    // The host path of the selected directory entry; empty (and logged) when none or the parent entry.
    QString selectedDirectoryPath();
    // Whether renaming the listed entry `name` to `target` (a name or a path) would
    // land on another entry of the current directory.
    bool landsOnListedName(const QString &name, const QString &target) const;
    // Between the commands of a loop: still connected and still in `directory`
    // (logged when not, and the loop ends).
    bool stillInDirectory(const QString &directory);
    void logTaken(const QString &from, const QString &to);
    QWidget *window() const;
    // Reads the long listing of one file to the end; false when nothing came.
    bool readFileListing(const QString &name, QStringList &lines);

    RemoteFs &fs;
    HostPane &pane;
    HostFileOpsWidgets w;
    QString &SelectAfterRefresh;
    bool busy = false;
};

} // namespace kav
