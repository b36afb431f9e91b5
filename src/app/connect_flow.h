#pragma once
// The connect and login sequence of the main window, with its handlers'
// names: BB_ConnectClick, BB_DisconnectClick, BB_StopClick and the manual
// type buttons. It drives the session's protocol calls in the order and the
// nesting the window shows (a refused login shows its box, then disconnects;
// a successful one ends with the host lists read), and owns the profile of
// the current or the next session.

#include "config/profiles.h"
#include "ftp/session.h"

#include <QString>

namespace kav {

class ConnectionFs;
class RemoteFs;
class SftpFs;
struct HostInput;
namespace ws {
struct SocketAddress;
}
namespace tls {
struct PeerCertificate;
}

// What the flow needs of the main window.
class ConnectWindow {
public:
    virtual ~ConnectWindow() = default;

    // An unprefixed line of the message list ("Connecting to ...").
    virtual void AppendLog(const QString &line) = 0;

    virtual bool stopEnabled() const = 0;
    virtual void setStopEnabled(bool on) = 0;
    virtual void setConnectEnabled(bool on) = 0;
    virtual void setDisconnectEnabled(bool on) = 0;

    // Shows the host dialog modally with its profile fields enabled; confirming it
    // fills the profile (an empty HostIP means: no connection).
    virtual void runConnectDialog() = 0;
    // Reset of the profile from the dialog's option controls.
    virtual void resetSessionProfile() = 0;

    virtual void bringToFront() = 0;
    virtual void moveCursorToConnect() = 0;
    // Window caption and application (task bar) title.
    virtual void setTitles(const QString &caption, const QString &applicationTitle) = 0;
    virtual QString baseTitle() const = 0;
    // Permission change and remote execution menu items (off for Windows servers).
    virtual void setUnixCommandsEnabled(bool on) = 0;
    // The connection speaks FTP (true) or another protocol: FTP's own
    // controls (transfer type, the ls -la report, anti-idle) follow.
    virtual void showFtpControls(bool on) { (void)on; }

    // Re-read the host directory into the host pane (sends PWD and LIST).
    virtual void refreshHostLists() = 0;
    // Empty the host lists and the current-directory field.
    virtual void clearHostPane() = 0;
    virtual void clearMessages() = 0;
    virtual void setSelectAfterRefresh(const QString &name) = 0;

    // Put the local pane into the profile's start directory.
    virtual void enterLocalStartDirectory(const SessionProfile &profile) = 0;
    // This profile's transfer queue and host bookmarks into their windows.
    virtual void loadHostLists(const QString &hostName) = 0;
    virtual void saveConfiguration() = 0;
    // The profile now trusts the certificate in profile.Connection.TrustedCertificate:
    // kept with the stored profile of that name.
    virtual void storeTrustedCertificate(const SessionProfile &profile) = 0;
    // Cancel flags of the transfer and print windows back to "not cancelled".
    virtual void resetCancelTags() = 0;
    // Automatic transfer type selection off (manual type chosen).
    virtual void clearAutoMode() = 0;
};

// The session's data mode for a profile's.
Session::DataMode sessionDataMode(DataMode mode);

// How the last connect wait ended (the stop button's tag).
enum class StopTag { Waiting = 0, Stopped = 1, Connected = 2, Failed = 3 };

class ConnectFlow {
public:
    // The remote file systems: the window's connection and the two it can speak through.
    struct Sftp {
        SftpFs &sftp;
        RemoteFs &ftp;
        ConnectionFs &connection;
    };
    // Routes the session's transcript and its disconnects to the window.
    ConnectFlow(Session &session, ConnectWindow &window, const Sftp &fs);

    // fromButton: the connect button was pressed (the host dialog is shown);
    // false for the start-up auto-connect (the loaded profile is used as it is).
    void BB_ConnectClick(bool fromButton);
    void BB_DisconnectClick();
    // Ends a connect wait in progress.
    void BB_StopClick();
    void RB_asciiClick();
    void RB_binaryClick();

    StopTag stopTag() const { return tag; }

    // What a further connection of the FTP session in use logs in with (the
    // connections a batch is spread over): the password of this login, the
    // name the server's certificate was checked against and the fingerprint
    // of the certificate accepted for it (empty without TLS). Forgotten at
    // the disconnect.
    struct LoginSecrets {
        QString password;
        QString tlsHost;
        QString certificate;
    };
    const LoginSecrets &loginSecrets() const { return secrets; }

    // The values of the host profile in use, for the current or the next session.
    SessionProfile profile;

private:
    struct LoginWait;
    void logFailedConnect(const QString &box, bool toFront);
    // The password of this login: the profile's, else its keyring entry's, else
    // the user's answer in the login box. False when the user cancelled it.
    bool loginPassword(QString &password);
    void afterLogin(const QString &systemReply);
    // The SFTP side of BB_ConnectClick: SSH connect, host key, login, SFTP.
    void connectSftp(const HostInput &input, const QString &password);
    void afterSftpLogin();
    // The window's connection speaks through `protocol` from now on.
    void useProtocol(RemoteFs &protocol);
    // The user's word on a certificate that failed the check or is not the one
    // this profile trusts.
    bool judgeCertificate(const tls::PeerCertificate &certificate);
    bool judgeCertificateOf(const tls::PeerCertificate &certificate, const QString &seen);

    Session &session;
    ConnectWindow &window;
    Sftp fs;
    bool sftpLoggedIn = false;   // an SFTP session is up: its end ends the window's session
    StopTag tag = StopTag::Waiting;
    bool loginWaiting = false;   // from the connect to the end of the login
    bool loginDisconnected = false;   // the user disconnected during that wait
    LoginSecrets secrets;
};

} // namespace kav
