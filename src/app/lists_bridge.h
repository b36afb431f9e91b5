#pragma once
// Between the main window and the saved-list and search windows: builds the
// queue, bookmark, tools and search windows, plugs their lists and sizes into
// the configuration, connects the main window's buttons and menu items to
// them, and gives them the panes, the log and the batch runners.

#include "config/lists_host.h"

namespace kav {

class TBookmarkLForm;
class TBookmarkRForm;
class TFindLForm;
class TFindRForm;
class TMainForm;
class TQueueForm;
class TToolsForm;

class ListsBridge : public SavedListsHost {
public:
    explicit ListsBridge(TMainForm &window);
    ~ListsBridge() override;

    TQueueForm &queueForm() const { return *queue; }
    TBookmarkLForm &localBookmarks() const { return *localMarks; }
    TBookmarkRForm &hostBookmarks() const { return *hostMarks; }
    TToolsForm &toolsForm() const { return *tools; }
    // The search windows, built when first asked for: most sessions never open them.
    TFindLForm &findLocal();
    TFindRForm &findHost();

    // SavedListsHost
    bool connected() const override;
    QString hostDirectory() const override;
    QString localDirectory() const override;
    QStringList selectedLocalPaths() const override;
    QList<HostFileRef> selectedHostFiles() const override;
    bool isAsciiExtension(const QString &extension) const override;
    QStringList asciiExtensions() const override;
    void log(ListSide side, const QString &text) override;
    void goToLocalFile(const QString &directory, const QString &name) override;
    void goToHostFile(const QString &directory, const QString &name) override;
    void changeHostDirectory(const QString &directory) override;
    QString selectAfterRefresh() const override;
    QString currentHostFile() const override;
    void uploadLocalPaths(const QStringList &paths, int total, QWidget *caller) override;
    void downloadHostPaths(const QList<HostItem> &items, int total, QWidget *caller) override;
    void runQueue(const QList<QueueEntry> &items, int total, QWidget *caller) override;
    RemoteFs &remoteFs() override;
    void hideMainWindow() override;
    void showMainWindow() override;
    void restoreStayOnTop() override;
    void beep() override;

private:
    TMainForm &window;
    TQueueForm *queue = nullptr;        // the windows are owned by the main window
    TBookmarkLForm *localMarks = nullptr;
    TBookmarkRForm *hostMarks = nullptr;
    TToolsForm *tools = nullptr;
    TFindLForm *findL = nullptr;
    TFindRForm *findR = nullptr;
};

} // namespace kav
