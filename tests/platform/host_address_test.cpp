// This machine's address as the windows show it, for machines with IPv4, with
// both families, and with IPv6 alone.

#include "platform/host_address.h"

#include <gtest/gtest.h>

using namespace kav;

TEST(LocalAddress, DefaultRouteFirstForBothFamilies)
{
    const InterfaceAddress lo4{"lo", "127.0.0.1", false, true, false};
    const InterfaceAddress lo6{"lo", "::1", true, true, false};
    const InterfaceAddress docker{"docker0", "172.17.0.1", false, false, false};
    const InterfaceAddress eth4{"eth0", "192.168.0.7", false, false, false};
    const InterfaceAddress ethLink{"eth0", "fe80::1", true, false, true};
    const InterfaceAddress eth6{"eth0", "2001:db8::7", true, false, false};
    const InterfaceAddress wlan6{"wlan0", "2001:db8:1::9", true, false, false};
    struct Case {
        const char *name;
        QList<InterfaceAddress> addresses;
        QString route4, route6;
        QString either, ipv4;
    };
    const QList<Case> cases = {
        {"IPv4 default route", {lo4, docker, eth4, ethLink, eth6}, "eth0", "eth0", "192.168.0.7", "192.168.0.7"},
        {"IPv4 route wins over IPv6", {lo4, lo6, eth6, wlan6, docker}, "docker0", "wlan0", "172.17.0.1", "172.17.0.1"},
        {"IPv6 only network", {lo4, lo6, docker, ethLink, eth6}, "", "eth0", "2001:db8::7", "172.17.0.1"},
        {"IPv6 only machine", {lo4, lo6, ethLink, eth6}, "", "eth0", "2001:db8::7", "127.0.0.1"},
        {"IPv6 route on another interface", {lo6, eth6, wlan6}, "", "wlan0", "2001:db8:1::9", "127.0.0.1"},
        {"no routes: first IPv4", {lo4, eth6, docker, eth4}, "", "", "172.17.0.1", "172.17.0.1"},
        {"no routes, IPv6 alone", {lo6, ethLink, eth6}, "", "", "2001:db8::7", "127.0.0.1"},
        {"link-local alone", {lo4, lo6, ethLink}, "", "eth0", "127.0.0.1", "127.0.0.1"},
        {"loopback alone", {lo4, lo6}, "", "", "127.0.0.1", "127.0.0.1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(chooseLocalAddress(c.addresses, c.route4, c.route6, false), c.either);
        EXPECT_EQ(chooseLocalAddress(c.addresses, c.route4, c.route6, true), c.ipv4);
    }
}
