#include "composition.h"

#include "transfer/trans_form.h"

namespace kav {

SessionCore::SessionCore(ConnectWindow &window)
    : flow(session, window, ConnectFlow::Sftp{sftpFs, ftpFs, fs})
{
}

SessionParts::SessionParts(ConnectWindow &window, const Views &views)
    : SessionCore(window)
{
    extraConnections = std::make_unique<ExtraConnections>(session, fs, flow, window);
    hostPane = std::make_unique<HostPane>(fs, views.hostWidgets, *views.selectAfterRefresh);
    hostPane->hostAddress = [this] { return flow.profile.HostIP; };
    engine = std::make_unique<TransferEngine>(fs, *views.transferWindow, *views.transferHost);
    commands = std::make_unique<TransferCommands>(fs, *hostPane, *views.transferHost,
                                                  *views.transferWindow, *engine);
    commands->setConnectionSource(extraConnections.get());
    hostFileOps = std::make_unique<HostFileOps>(
        fs, *hostPane,
        HostFileOpsWidgets{views.hostWidgets.RFileListBox, views.hostWidgets.RDirListBox, views.changeMode},
        *views.selectAfterRefresh);
    // The Delete key of both host lists.
    hostPane->deleteFiles = [this] { hostFileOps->N_RDeleteClick(); };
    hostPane->deleteDirectory = [this] { hostFileOps->N_RDeleteDirectoryClick(); };
}

SessionParts::~SessionParts() = default;

} // namespace kav
