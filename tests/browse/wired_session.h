#pragma once
// The composition root of the tests: the session, its connect flow, the host
// pane and the transfer commands wired by SessionParts, as the main window has
// them, over plain widgets, a recording window and a local side that is a
// plain directory.

#include "pane_ui.h"

#include "app/composition.h"
#include "config/ascii_extensions.h"
#include "platform/dialogs.h"
#include "platform/scripted_dialogs.h"
#include "platform/winsock.h"
#include "transfer/trans_form.h"
#include "transfer/transfer_host.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>

#include <gtest/gtest.h>

namespace kavtest {

class LocalDirectory : public kav::TransferHost {
public:
    QStringList selected;
    QString directory;
    kav::TypeControls controls;
    kav::AsciiExtensionList ascii;
    int localRefreshes = 0;
    bool stayOnTop = false;
    QString selectAfterRefresh;
    kav::ConnectFlow *flow = nullptr;

    QStringList selectedLocalFiles() const override { return selected; }
    QString localDirectory() const override { return directory; }
    void refreshLocal() override { ++localRefreshes; }
    void focusLocalFiles() override {}
    void setStayOnTop(bool on) override { stayOnTop = on; }
    bool stayOnTopChecked() const override { return false; }
    kav::TypeControls typeControls() const override { return controls; }
    const kav::AsciiExtensionList &asciiExtensions() const override { return ascii; }
    void setSelectAfterRefresh(const QString &name) override { selectAfterRefresh = name; }
    void disconnectFromHost() override
    {
        if (flow)
            flow->BB_DisconnectClick();
    }
};

struct WiredSession {
    PaneUi ui;
    kav::HostListView files, dirs;
    QListWidget local;
    QComboBox curName;
    QAction sortByName{QStringLiteral("Sort by &name")};
    QAction rexec{QStringLiteral("Rexec(&Open)...")};
    QAction changeMode{QStringLiteral("Chan&ge Mode(chmod)...")};
    QString selectAfterRefresh;
    LocalDirectory host;
    kav::TTransForm window;
    std::unique_ptr<kav::SessionParts> parts;
    kav::Session &session;
    kav::ConnectFlow &flow;
    kav::HostPane *pane;
    kav::TransferEngine *engine;
    kav::TransferCommands *commands;
    kav::HostFileOps *hostFileOps;

    WiredSession()
        : parts(std::make_unique<kav::SessionParts>(ui, views())), session(parts->session),
          flow(parts->flow), pane(parts->hostPane.get()), engine(parts->engine.get()),
          commands(parts->commands.get()), hostFileOps(parts->hostFileOps.get())
    {
        sortByName.setCheckable(true);
        sortByName.setChecked(true);
        ui.pane = pane;
        ui.flow = &flow;
        host.flow = &flow;
        static_cast<kav::ScriptedDialogs &>(kav::dialogs()).asked.clear();
        EXPECT_TRUE(kav::ws::startup());
    }

private:
    kav::SessionParts::Views views()
    {
        kav::SessionParts::Views v;
        v.hostWidgets = kav::HostPaneWidgets{&files, &dirs, &curName, &sortByName, &rexec, &local};
        v.selectAfterRefresh = &selectAfterRefresh;
        v.transferHost = &host;
        v.transferWindow = &window;
        v.changeMode = &changeMode;
        return v;
    }
};

} // namespace kavtest
