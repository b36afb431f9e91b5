#pragma once
// A stand-in for the main window that records what the session does to it.

#include "ftp/session.h"
#include "ftp/session_ui.h"

#include <QStringList>
#include <functional>

namespace kavtest {

class RecordingUi : public kav::SessionUi {
public:
    void AppendLog(const QString &line) override { log << line; }
    bool stopEnabled() const override { return stop; }
    void setStopEnabled(bool on) override { stop = on; }
    int stopTag() const override { return tag; }
    void setStopTag(int t) override { tag = t; }
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
        if (session)
            session->profile = kav::SessionProfile{};
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
    void hostDirectoryReported(const QString &name) override { directories << name; }
    void refreshHostLists() override { ++refreshes; }
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
    bool antiIdleChecked() const override { return antiIdle; }
    bool transferOrPrintShowing() const override { return transferShowing; }
    void resetCancelTags() override { ++cancelResets; }
    void clearAutoMode() override { autoMode = false; }

    kav::Session *session = nullptr;
    std::function<void()> onDialog;
    QStringList log;
    QStringList directories;
    QStringList hostListsLoaded;
    QString caption, appTitle, selectAfterRefresh;
    bool stop = false, connectEnabled = true, disconnectEnabled = false;
    bool unixCommands = true, antiIdle = false, transferShowing = false, autoMode = true;
    int tag = 0, dialogs = 0, resets = 0, fronts = 0, refreshes = 0, hostPaneClears = 0;
    int messageClears = 0, clearedAt = -1, localStarts = 0, saves = 0, cancelResets = 0;
};

} // namespace kavtest
