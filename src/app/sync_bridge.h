#pragma once
// Between the main window and the synchronize window: the menu entries on
// both panes' directory menus, the connection's file system, the panes'
// directories, the log, and the transfers of a run through the transfer
// engine and its window.

#include "transfer/sync_form.h"

#include <memory>

namespace kav {

class TMainForm;

class SyncBridge : public SyncFormHost {
public:
    explicit SyncBridge(TMainForm &window);
    ~SyncBridge() override;

    // The menu entries' handler: the window for the panes' directories.
    void N_SynchronizeClick();
    TSyncForm &syncWindow();

    // SyncFormHost
    RemoteFs *remoteFs() override;
    QString profileName() const override;
    int zoneOffsetMinutes() const override;
    QString localDirectory() const override;
    QString hostDirectory() const override;
    void appendLog(const QString &line) override;
    sync::SyncTransfers &beginTransfers(int total) override;
    void endTransfers() override;
    void refreshPanes() override;

private:
    class EngineTransfers;
    TMainForm &window;
    std::unique_ptr<EngineTransfers> transfers;
    TSyncForm *form = nullptr;   // owned by the main window
};

} // namespace kav
