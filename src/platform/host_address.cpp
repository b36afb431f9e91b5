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

} // namespace

QString localIpAddress()
{
    const QString routeInterface = defaultRouteInterface();
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return QStringLiteral("127.0.0.1");
    QString firstOther, onRoute;
    for (ifaddrs *i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || (i->ifa_flags & IFF_LOOPBACK))
            continue;
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in *>(i->ifa_addr)->sin_addr, text, sizeof text);
        const QString address = QString::fromLatin1(text);
        if (onRoute.isEmpty() && !routeInterface.isEmpty() && routeInterface == QString::fromLocal8Bit(i->ifa_name))
            onRoute = address;
        if (firstOther.isEmpty())
            firstOther = address;
    }
    ::freeifaddrs(list);
    if (!onRoute.isEmpty())
        return onRoute;
    return firstOther.isEmpty() ? QStringLiteral("127.0.0.1") : firstOther;
}

} // namespace kav
