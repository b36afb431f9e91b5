#pragma once
// The composition root: the objects beneath the windows and how they are wired,
// built in one place. The main window builds SessionParts over its own controls;
// the tests build the same over stand-ins, so that both run the same wiring.
//
//   Session           the protocol (src/ftp), signals out, cancel in
//   FtpFs             the remote file system over the session
//   SftpFs            the remote file system over SSH, for SFTP profiles
//   ConnectionFs      the one the profile in use speaks: what every pane uses
//   ConnectFlow       BB_ConnectClick and the rest, over a ConnectWindow
//   ProfileList       the stored profiles that the connect dialog shows
//   HostPane          the host lists, following the session's 257 replies
//   TransferEngine    SendFile/ReceiveFile over the session's data channel
//   TransferCommands  the transfer buttons and runners
//   ExtraConnections  the further connections a batch is spread over
//   HostFileOps       the host pane's file, directory and permission commands

#include "connect_flow.h"
#include "extra_connections.h"

#include "browse/host_pane.h"
#include "config/profiles.h"
#include "ftp/session.h"
#include "remotefs/connection_fs.h"
#include "remotefs/ftp_fs.h"
#include "remotefs/sftp_fs.h"
#include "remoteops/host_file_ops.h"
#include "transfer/batch_transfer.h"
#include "transfer/transfer_engine.h"

#include <memory>

namespace kav {

class TTransForm;
class TransferHost;

// The session, its connect flow (routing the transcript to the window) and the profiles.
struct SessionCore {
    explicit SessionCore(ConnectWindow &window);

    Session session;
    FtpFs ftpFs{session};
    SftpFs sftpFs;
    ConnectionFs fs{ftpFs};
    ConnectFlow flow;
    ProfileList profiles;
};

// Everything beneath the main window that the panes and transfers need.
struct SessionParts : SessionCore {
    struct Views {
        HostPaneWidgets hostWidgets;
        QString *selectAfterRefresh = nullptr;   // the name the next refresh selects
        TransferHost *transferHost = nullptr;    // the local side and the window's state
        TTransForm *transferWindow = nullptr;    // progress and cancel of a transfer
        QAction *changeMode = nullptr;           // N_RChangeMode: enabled for UNIX-like servers
    };
    SessionParts(ConnectWindow &window, const Views &views);
    ~SessionParts();

    std::unique_ptr<HostPane> hostPane;
    std::unique_ptr<TransferEngine> engine;
    std::unique_ptr<ExtraConnections> extraConnections;
    std::unique_ptr<TransferCommands> commands;
    std::unique_ptr<HostFileOps> hostFileOps;
};

} // namespace kav
