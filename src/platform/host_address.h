#pragma once
// "This machine's address" for the windows that show it. The host name's own
// lookup gives 127.0.1.1 on Debian, which says nothing about the network the
// machine is on: take the address of the interface that carries the default
// route, IPv4 first; a machine on an IPv6-only network shows its IPv6 address.

#include <QList>
#include <QString>

namespace kav {

// Either family: the IPv4 address of the IPv4 default route's interface, else
// the IPv6 address of the IPv6 default route's interface, else the first IPv4
// address that is not loopback, else the first IPv6 one (neither loopback nor
// link-local), else 127.0.0.1.
QString localIpAddress();
// IPv4 alone, in the same order (for windows that build IPv4 ranges from it).
QString localIpv4Address();

// One address of one interface, as the system lists them.
struct InterfaceAddress {
    QString interface;
    QString address;   // numeric text
    bool ipv6 = false;
    bool loopback = false;
    bool linkLocal = false;   // fe80::/10: meaningless without its interface
};
// The rule above over given facts: the interfaces' addresses in the system's
// order and the interfaces of the two default routes (empty: none).
QString chooseLocalAddress(const QList<InterfaceAddress> &addresses, const QString &route4Interface,
                           const QString &route6Interface, bool ipv4Only);

} // namespace kav
