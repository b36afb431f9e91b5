#pragma once
// "This machine's address" for the network tools. The host name's own lookup
// gives 127.0.1.1 on Debian, which says nothing about the network the machine is
// on: take the address of the interface that carries the default route, else the
// first IPv4 address that is not loopback, else 127.0.0.1.

#include <QString>

namespace kav {

QString localIpAddress();

} // namespace kav
