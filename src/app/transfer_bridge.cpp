#include "transfer_bridge.h"

#include "main_form.h"
#include "settings_bridge.h"
#include "ui_main_form.h"

#include "composition.h"
#include "ftp/session.h"
#include "local/local_pane.h"
#include "transfer/batch_transfer.h"
#include "transfer/trans_form.h"
#include "transfer/transfer_engine.h"

#include <QListWidget>

namespace kav {

TransferBridge::TransferBridge(TMainForm &window)
    : window(window)
{
    transWindow = new TTransForm(&window);
    transWindow->sessionTitle = [&window] {
        const SessionProfile &p = window.profile();
        return p.HostName + QStringLiteral(" (") + p.HostIP + QStringLiteral(", ") + p.UserId + QLatin1Char(')');
    };
}

TransferBridge::~TransferBridge() = default;

TransferEngine &TransferBridge::engine()
{
    return *window.sessionParts().engine;
}

TransferCommands &TransferBridge::commands()
{
    return *window.sessionParts().commands;
}

QStringList TransferBridge::selectedLocalFiles() const
{
    QStringList names;
    QListWidget *list = window.form()->LFileListBox;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            names << localNameOf(list->item(i));
    return names;
}

QString TransferBridge::localDirectory() const
{
    return window.localPaneOf()->currentDirectory();
}

void TransferBridge::refreshLocal()
{
    window.refreshLocalPane();
}

void TransferBridge::focusLocalFiles()
{
    window.form()->LFileListBox->setFocus();
}

void TransferBridge::setStayOnTop(bool on)
{
    window.SetStayOnTop(on);
}

bool TransferBridge::stayOnTopChecked() const
{
    return window.form()->N_RStayOnTop->isChecked();
}

TypeControls TransferBridge::typeControls() const
{
    return window.settings().typeControls();
}

void TransferBridge::setSelectAfterRefresh(const QString &name)
{
    window.SelectAfterRefresh = name;
}

void TransferBridge::disconnectFromHost()
{
    window.connectFlow().BB_DisconnectClick();
}

const AsciiExtensionList &TransferBridge::asciiExtensions() const
{
    return window.settings().asciiExtensions();
}

} // namespace kav
