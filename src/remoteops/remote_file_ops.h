#pragma once
// The host file menu's view, print, edit and hex view: one host file opened in
// place, streamed into the text viewer or onto the printer, or copied into a
// fresh directory of Kavrin's own temporary directory for the external editor
// (and sent back when the user says so) or for the hex viewer.
//
// No failed step uploads anything: the editor only ever sees a copy that this
// call's download completed, and an edited copy is deleted only once it has been
// sent back or the user declined to send it.

#include "ftp/listing.h"
#include "remote_view_logic.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QListWidget;
class QWidget;

namespace kav {

class HostChannel;
class HostPane;
class TPrintForm;
class TTransForm;
class TViewForm;

struct RemoteFileOpsParts {
    HostChannel &channel;
    HostPane &hostPane;
    TTransForm &transferWindow;
    TPrintForm &printWindow;
    TViewForm &viewer;
    QListWidget *localFiles;       // the local pane's file list
    QWidget *window;               // the main window: owner of the boxes, hidden while the editor runs
    QString &SelectAfterRefresh;
};

class RemoteFileOps : public QObject {
    Q_OBJECT
public:
    explicit RemoteFileOps(const RemoteFileOpsParts &parts, QObject *parent = nullptr);

    void N_RViewClick();
    void N_RPrintClick();
    void N_REditClick();
    void N_RHexviewClick();

    // ---- The local pane and the main window, handed on by the owner ----
    std::function<QString()> localDirectory;
    std::function<bool(const QString &directory)> setLocalDirectory;
    std::function<void()> refreshLocal;   // reselects SelectAfterRefresh
    std::function<void()> leaveTopmost;
    std::function<void()> restoreTopmost;
    std::function<bool(const QString &extension)> isTextExtension;
    std::function<QString()> editorCommand;

protected:
    // Seams: the windows and programs the commands start, replaceable in tests.
    virtual void showViewer();
    virtual void showHexViewer(const QString &path);
    virtual int runEditor(const QString &program, const QStringList &arguments);

private:
    // Connected with a host directory, nothing else under way, exactly one file
    // selected, and (for view, print and edit) the text check answered Yes.
    std::optional<RemoteEntry> commonStart(std::optional<remote::Action> action);
    // One file through the transfer window; false on a failure or a cancel (a
    // cancelled download closes the connection, as every download does).
    bool transferOne(const std::function<bool()> &transfer, bool download);
    // The copy is made from the host name only when that is a plain local file name.
    bool safeName(const QString &name);
    void cancelledStream();

    HostChannel &channel;
    HostPane &hostPane;
    TTransForm &transferWindow;
    TPrintForm &printWindow;
    TViewForm &viewer;
    QListWidget *localFiles;
    QWidget *window;
    QString &SelectAfterRefresh;
};

} // namespace kav
