#pragma once
// The transfer commands wired by the composition root over stand-ins
// (wired_session.h), with the local side in a given directory.

#include "wired_session.h"

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

struct Transfers : WiredSession {
    explicit Transfers(const QString &localDir)
    {
        host.directory = localDir;
        QDir::setCurrent(localDir);   // the local pane's directory is the process's
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
