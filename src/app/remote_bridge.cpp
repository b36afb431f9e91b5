#include "remote_bridge.h"
#include "composition.h"
#include "main_form.h"
#include "settings_bridge.h"
#include "transfer_bridge.h"
#include "ui_main_form.h"

#include "ftp/session.h"
#include "local/local_pane.h"
#include "remoteops/host_channel.h"
#include "remoteops/remote_file_ops.h"
#include "config/ascii_extensions.h"

namespace kav {

RemoteFileOps *createRemoteFileOps(TMainForm &window)
{
    Ui::TMainForm &f = *window.form();
    auto *channel = new HostChannel(window.sessionParts().fs, window.transfers().engine(),
                                    [&window] { window.connectFlow().BB_DisconnectClick(); });
    RemoteFileOpsParts parts{*channel,
                             *window.hostPaneOf(),
                             window.transfers().transferWindow(),
                             *window.printForm(),
                             *window.viewForm(),
                             f.LFileListBox,
                             &window,
                             window.SelectAfterRefresh};
    auto *ops = new RemoteFileOps(parts, &window);
    QObject::connect(ops, &QObject::destroyed, [channel] { delete channel; });

    ops->localDirectory = [&window] { return window.localPaneOf()->currentDirectory(); };
    ops->setLocalDirectory = [&window](const QString &dir) { return window.localPaneOf()->setDirectory(dir); };
    ops->refreshLocal = [&window] { window.refreshLocalPane(); };
    ops->leaveTopmost = [&window] { window.SetStayOnTop(false); };
    ops->restoreTopmost = [&window] { window.SetStayOnTop(window.form()->N_RStayOnTop->isChecked()); };
    ops->isTextExtension = [&window](const QString &extension) {
        return window.settings().asciiExtensions().contains(extension);
    };
    ops->editorCommand = [&window] { return window.profile().Editor; };

    QObject::connect(f.N_RView, &QAction::triggered, ops, [ops] { ops->N_RViewClick(); });
    QObject::connect(f.N_RPrint, &QAction::triggered, ops, [ops] { ops->N_RPrintClick(); });
    QObject::connect(f.N_REdit, &QAction::triggered, ops, [ops] { ops->N_REditClick(); });
    QObject::connect(f.N_RHexview, &QAction::triggered, ops, [ops] { ops->N_RHexviewClick(); });
    return ops;
}

} // namespace kav
