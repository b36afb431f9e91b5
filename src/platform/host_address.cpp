#include "host_address.h"

#include <QFile>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace kav {
namespace {

// The interface of the IPv4 default route (/proc/net/route: destination 00000000).
QString defaultRouteInterface()
{
    QFile f(QStringLiteral("/proc/net/route"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    f.readLine();  // header
    while (!f.atEnd()) {
        const QList<QByteArray> fields = f.readLine().simplified().split(' ');
        if (fields.size() > 7 && fields[1] == "00000000" && fields[7] == "00000000")
            return QString::fromLatin1(fields[0]);
    }
    return {};
}

// The interface of the IPv6 default route (/proc/net/ipv6_route: ::/0). The
// kernel keeps an "unreachable" default on the loopback: not a route out.
QString defaultRoute6Interface()
{
    QFile f(QStringLiteral("/proc/net/ipv6_route"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    while (!f.atEnd()) {
        const QList<QByteArray> fields = f.readLine().simplified().split(' ');
        if (fields.size() >= 10 && fields[0] == QByteArray(32, '0') && fields[1] == "00" && fields[9] != "lo")
            return QString::fromLatin1(fields[9]);
    }
    return {};
}

QList<InterfaceAddress> interfaceAddresses()
{
    QList<InterfaceAddress> out;
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return out;
    for (ifaddrs *i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || (i->ifa_addr->sa_family != AF_INET && i->ifa_addr->sa_family != AF_INET6))
            continue;
        InterfaceAddress a;
        a.interface = QString::fromLocal8Bit(i->ifa_name);
        a.ipv6 = i->ifa_addr->sa_family == AF_INET6;
        a.loopback = i->ifa_flags & IFF_LOOPBACK;
        char text[INET6_ADDRSTRLEN] = {};
        if (a.ipv6) {
            const in6_addr &six = reinterpret_cast<sockaddr_in6 *>(i->ifa_addr)->sin6_addr;
            a.linkLocal = IN6_IS_ADDR_LINKLOCAL(&six);
            ::inet_ntop(AF_INET6, &six, text, sizeof text);
        } else {
            ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in *>(i->ifa_addr)->sin_addr, text, sizeof text);
        }
        a.address = QString::fromLatin1(text);
        out << a;
    }
    ::freeifaddrs(list);
    return out;
}

} // namespace

QString chooseLocalAddress(const QList<InterfaceAddress> &addresses, const QString &route4Interface,
                           const QString &route6Interface, bool ipv4Only)
{
    const auto first = [&](bool ipv6, const QString &interface) -> QString {
        for (const InterfaceAddress &a : addresses)
            if (a.ipv6 == ipv6 && !a.loopback && !a.linkLocal && (interface.isEmpty() || a.interface == interface))
                return a.address;
        return {};
    };
    QString chosen;
    if (!route4Interface.isEmpty())
        chosen = first(false, route4Interface);
    if (chosen.isEmpty() && !ipv4Only && !route6Interface.isEmpty())
        chosen = first(true, route6Interface);
    if (chosen.isEmpty())
        chosen = first(false, {});
    if (chosen.isEmpty() && !ipv4Only)
        chosen = first(true, {});
    return chosen.isEmpty() ? QStringLiteral("127.0.0.1") : chosen;
}

QString localIpAddress()
{
    return chooseLocalAddress(interfaceAddresses(), defaultRouteInterface(), defaultRoute6Interface(), false);
}

QString localIpv4Address()
{
    return chooseLocalAddress(interfaceAddresses(), defaultRouteInterface(), {}, true);
}

} // namespace kav
