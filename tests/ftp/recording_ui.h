#pragma once
// A stand-in for the main window that records what the connect flow and the
// session do to it: a session, its connect flow, and the window's side.

#include "app/composition.h"

#include <QStringList>
#include <functional>

namespace kavtest {

class RecordingUi : public kav::ConnectWindow {
public:
    void AppendLog(const QString &line) override { log << line; }
    bool stopEnabled() const override { return stop; }
    void setStopEnabled(bool on) override { stop = on; }
    void setConnectEnabled(bool on) override { connectEnabled = on; }
    void setDisconnectEnabled(bool on) override { disconnectEnabled = on; }
    void runConnectDialog() override
    {
        ++dialogs;
        if (onDialog)
            onDialog();
    }
    void resetSessionProfile() override
    {
        ++resets;
        if (flow)
            flow->profile = kav::SessionProfile{};
    }
    void bringToFront() override { ++fronts; }
    void moveCursorToConnect() override {}
    void setTitles(const QString &c, const QString &a) override
    {
        caption = c;
        appTitle = a;
    }
    QString baseTitle() const override { return QStringLiteral("Kavrin Version 2.2"); }
    void setUnixCommandsEnabled(bool on) override { unixCommands = on; }
    void refreshHostLists() override
    {
        ++refreshes;
        if (onRefresh)
            onRefresh();
    }
    void clearHostPane() override { ++hostPaneClears; }
    void clearMessages() override
    {
        ++messageClears;
        clearedAt = log.size();
    }
    void setSelectAfterRefresh(const QString &name) override { selectAfterRefresh = name; }
    void enterLocalStartDirectory(const kav::SessionProfile &) override { ++localStarts; }
    void loadHostLists(const QString &hostName) override { hostListsLoaded << hostName; }
    void saveConfiguration() override { ++saves; }
    void storeTrustedCertificate(const kav::SessionProfile &p) override { trustedStored << p.Connection.TrustedCertificate; }
    void resetCancelTags() override { ++cancelResets; }
    void clearAutoMode() override { autoMode = false; }

    kav::ConnectFlow *flow = nullptr;
    std::function<void()> onDialog;
    std::function<void()> onRefresh;
    QStringList log;
    QStringList hostListsLoaded;
    QStringList trustedStored;
    QString caption, appTitle, selectAfterRefresh;
    bool stop = false, connectEnabled = true, disconnectEnabled = false;
    bool unixCommands = true, autoMode = true;
    int dialogs = 0, resets = 0, fronts = 0, refreshes = 0, hostPaneClears = 0;
    int messageClears = 0, clearedAt = -1, localStarts = 0, saves = 0, cancelResets = 0;
};

// The session and its connect flow wired to a recording window by the
// composition root, as the main window has them.
struct RecordedSession {
    RecordingUi ui;
    kav::SessionCore core{ui};
    kav::Session &session = core.session;
    kav::ConnectFlow &flow = core.flow;
    QStringList directories;   // what the 257 replies reported

    RecordedSession()
    {
        ui.flow = &flow;
        QObject::connect(&session, &kav::Session::hostDirectoryReported,
                         [this](const QString &name) { directories << name; });
    }
    kav::SessionProfile &profile() { return flow.profile; }
};

} // namespace kavtest
