#pragma once
// The addresses that travel as text: the host field of a profile (a name or
// an address of either family, with a port where one is given), the PORT and
// EPRT commands of active mode and the 227 and 229 replies of passive mode.

#include "platform/winsock.h"

#include <QString>

#include <optional>

namespace kav {

// The host field: "ftp.example.com", "10.0.0.1:2121", "::1" (an IPv6 address
// without brackets carries no port: its colons are its own), "[::1]:2121".
struct HostInput {
    QString host;      // what is looked up: without brackets, port and blanks
    QString shown;     // the text before the port, as typed (the whole text without one)
    int port = 0;      // 0: none given
    bool valid = false;  // false: nothing to look up, an unclosed bracket, a port that is no port
};
HostInput splitHostInput(const QString &text);

// "PORT 127,0,0,1,19,137" (RFC 959): an IPv4 address and a port.
QString portCommand(quint32 address, quint16 port);
// "EPRT |2|::1|5001|" (RFC 2428), for either family.
QString eprtCommand(const ws::SocketAddress &address, quint16 port);

// The port of a 229 reply: "229 Entering Extended Passive Mode (|||6446|)",
// with any printable delimiter. Nothing when the text is not of that form.
std::optional<quint16> epsvPort(const QString &replyText);
// The port of a 227 reply: the first six numbers "h1,h2,h3,h4,p1,p2" after
// the code, with or without parentheses. The four address numbers must be
// there but are never used: the data connection goes to the host the control
// connection reaches (a server behind NAT often names its private address,
// and a hostile one could name a third party).
std::optional<quint16> pasvPort(const QString &replyText);

} // namespace kav
