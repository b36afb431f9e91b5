#pragma once
// What the queue, bookmark, tools and search windows need of the main window:
// both panes' directories and selections, the ASCII extension list, the log,
// moving a pane to a file, the batch runners and the session (for the host
// search). The main window implements it; the windows never see its widgets.

#include "config/stored_lists.h"

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

namespace kav {

class RemoteFs;

enum class ListSide { Local, Host };

struct HostFileRef {
    QString path;            // full host path
    bool executable = false; // shown with the executable-file icon
};

class SavedListsHost {
public:
    virtual ~SavedListsHost() = default;

    virtual bool connected() const = 0;
    // The text of CB_CurName: the host's current directory, empty when none is shown.
    virtual QString hostDirectory() const = 0;
    // The local file list's directory.
    virtual QString localDirectory() const = 0;
    // The selected files of the panes, full paths in list order.
    virtual QStringList selectedLocalPaths() const = 0;
    virtual QList<HostFileRef> selectedHostFiles() const = 0;
    // Whether an extension (upper case, no dot) is in the ASCII extension list.
    virtual bool isAsciiExtension(const QString &extension) const = 0;
    // The ASCII extensions in their order (the local search's patterns).
    virtual QStringList asciiExtensions() const = 0;
    // A log line with the side's prefix.
    virtual void log(ListSide side, const QString &text) = 0;

    // Local: the directory list moves to `directory`, the refresh selects `name`.
    virtual void goToLocalFile(const QString &directory, const QString &name) = 0;
    // Host: "CWD directory" (reply only logged), the refresh selects `name`.
    virtual void goToHostFile(const QString &directory, const QString &name) = 0;
    // "CWD directory" alone, reply only logged.
    virtual void changeHostDirectory(const QString &directory) = 0;
    // The name the next refresh of a pane selects.
    virtual QString selectAfterRefresh() const = 0;
    virtual QString currentHostFile() const = 0;   // the host file list's current item, if selected

    // The batch runners: `total` counts the items for the counter; `caller`
    // comes back to the front when the run ends.
    virtual void uploadLocalPaths(const QStringList &paths, int total, QWidget *caller) = 0;
    struct HostItem {
        QString path;
        QString marker;   // "A": type by extension; anything else: image type
    };
    virtual void downloadHostPaths(const QList<HostItem> &items, int total, QWidget *caller) = 0;
    virtual void runQueue(const QList<QueueEntry> &items, int total, QWidget *caller) = 0;

    // The remote file system, for the host search's walk.
    virtual RemoteFs &remoteFs() = 0;

    // The list windows hide the main window while they are shown; closing one
    // shows it again in its normal state and re-applies its stay-on-top state.
    virtual void hideMainWindow() = 0;
    virtual void showMainWindow() = 0;
    virtual void restoreStayOnTop() = 0;
    virtual void beep() = 0;
};

} // namespace kav
