#pragma once
// The transfer commands wired as the main window wires them, without the main
// window: a session, the host pane's widgets, the transfer window, and a local
// side that is a plain directory.

#include "pane_ui.h"

#include "browse/host_pane.h"
#include "ftp/session.h"
#include "platform/dialogs.h"
#include "platform/scripted_dialogs.h"
#include "platform/winsock.h"
#include "config/ascii_extensions.h"
#include "transfer/batch_transfer.h"
#include "transfer/trans_form.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_host.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QListWidget>

namespace kavtest {

class LocalDirectory : public kav::TransferHost {
public:
    QStringList selected;
    QString directory;
    kav::TypeControls controls;
    kav::AsciiExtensionList ascii;
    int localRefreshes = 0;
    bool stayOnTop = false;

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
    QString selectAfterRefresh;
    kav::ConnectFlow *flow = nullptr;
};


struct Transfers {
    PaneUi ui;
    kav::Session session;
    kav::ConnectFlow flow{session, ui};
    QListWidget files, dirs, local;
    QComboBox curName;
    QAction sortByName{QStringLiteral("Sort by &name")};
    QAction rexec{QStringLiteral("Rexec(&Open)...")};
    QString selectAfterRefresh;
    std::unique_ptr<kav::HostPane> pane;
    LocalDirectory host;
    kav::TTransForm window;
    std::unique_ptr<kav::TransferEngine> engine;
    std::unique_ptr<kav::TransferCommands> commands;

    explicit Transfers(const QString &localDir)
    {
        sortByName.setCheckable(true);
        sortByName.setChecked(true);
        kav::HostPaneWidgets w{&files, &dirs, &curName, &sortByName, &rexec, &local};
        pane = std::make_unique<kav::HostPane>(session, w, selectAfterRefresh);
        ui.pane = pane.get();
        ui.flow = &flow;
        host.flow = &flow;
        host.directory = localDir;
        QDir::setCurrent(localDir);   // the local pane's directory is the process's
        engine = std::make_unique<kav::TransferEngine>(session, window, host);
        commands = std::make_unique<kav::TransferCommands>(session, *pane, host, window, *engine);
        static_cast<kav::ScriptedDialogs &>(kav::dialogs()).asked.clear();
        EXPECT_TRUE(kav::ws::startup());
    }

    void login(const QString &user = QStringLiteral("kim"), const QString &password = QStringLiteral("secret"))
    {
        flow.profile.HostName = QStringLiteral("h");
        flow.profile.HostIP = QStringLiteral("127.0.0.1");
        flow.profile.UserId = user;
        flow.profile.Password = password;
        flow.BB_ConnectClick(false);
    }
    void selectHost(const QStringList &names)
    {
        files.clearSelection();
        for (const QString &n : names) {
            const auto found = files.findItems(n, Qt::MatchExactly);
            if (!found.isEmpty())
                found.first()->setSelected(true);
        }
    }
};

} // namespace kavtest
