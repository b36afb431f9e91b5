#pragma once
// The further FTP connections a batch is spread over: sessions of the profile
// in use, opened to the address the window's session is connected to, logged
// in with the same name, password and security (TLS with the certificate the
// window's login accepted, and no other: a further connection never asks the
// user), in the server's encoding as the window's session found it. Their
// transcript reaches the window's log with the connection's number.
//
// SFTP profiles and an idle window give one connection: the window's own.

#include "transfer/parallel_transfer.h"

namespace kav {

class ConnectFlow;
class ConnectWindow;
class RemoteFs;
class Session;

class ExtraConnections final : public ConnectionSource {
public:
    ExtraConnections(Session &session, RemoteFs &connection, ConnectFlow &flow, ConnectWindow &window);

    int connections() const override;
    Opener opener(const QString &directory) override;

    // A line of connection `number`, as the log shows it: "[H] - [연결 2] 226 ...".
    static QString numberedLine(int number, TranscriptSide side, const QString &text);

private:
    Session &session;
    RemoteFs &connection;
    ConnectFlow &flow;
    ConnectWindow &window;
};

} // namespace kav
