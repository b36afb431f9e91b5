// Browsing, downloads and uploads in active and in passive mode, on port 21
// and on 2121, over 127.0.0.1 and over ::1, against pyftpdlib and vsftpd in
// this test's own network namespace; automatic mode falling back to active
// against a server that refuses passive mode; host names and bracketed
// addresses that lead to IPv6.

#include "ftp_server.h"
#include "served.h"
#include "transfer_fixture.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include <sched.h>
#include <sys/mount.h>

using namespace kav;
using kavtest::Transfers;
using kavtest::Served;
using kavtest::Server;
using kavtest::digest;
using kavtest::randomBytes;
using kavtest::readAll;
using kavtest::writeAll;

namespace {

int countStarting(const QStringList &log, const QString &prefix)
{
    int n = 0;
    for (const QString &line : log)
        n += line.startsWith(prefix);
    return n;
}

// One real server of either kind on an address and a port of the namespace.
void connectTo(Transfers &t, const QString &host, int port, DataMode mode)
{
    t.flow.profile.HostName = QStringLiteral("h");
    t.flow.profile.HostIP = host;
    t.flow.profile.UserId = QStringLiteral("kim");
    t.flow.profile.Password = QStringLiteral("secret");
    t.flow.profile.Timeout = 5;
    t.flow.profile.Connection.Port = port;
    t.flow.profile.Connection.Mode = mode;
    t.flow.BB_ConnectClick(false);
}

// The host lists show the home's file and directory; a download and an
// upload are byte-exact; nothing is left open.
void browseAndTransfer(Transfers &t, const Served &s)
{
    EXPECT_FALSE(t.files.findItems(QStringLiteral("안녕.txt"), Qt::MatchExactly).isEmpty()) << t.ui.log.join('\n').toStdString();
    EXPECT_FALSE(t.dirs.findItems(QStringLiteral("하위"), Qt::MatchExactly).isEmpty());

    ASSERT_TRUE(t.engine->ReceiveFile(QStringLiteral("안녕.txt"), s.localDir() + "/down.txt", true));
    EXPECT_EQ(readAll(s.localDir() + "/down.txt"), readAll(s.homeDir() + "/안녕.txt"));

    const QByteArray data = randomBytes(3 * 1024 * 1024 + 17, 5);
    writeAll(s.localDir() + "/up.bin", data);
    ASSERT_TRUE(t.engine->SendFile(QStringLiteral("up.bin"), QStringLiteral("하위/up.bin")));
    EXPECT_EQ(digest(readAll(s.homeDir() + "/하위/up.bin")), digest(data));
    EXPECT_FALSE(t.session.dataTransferUnderWay());
}

void fillHome(const Served &s)
{
    writeAll(s.homeDir() + "/안녕.txt", QByteArray("안녕하세요\r\n") + randomBytes(70000, 9));
    ASSERT_TRUE(QDir(s.homeDir()).mkdir(QStringLiteral("하위")));
}

using Row = std::tuple<Server, DataMode, int, const char *>;

class Modes : public ::testing::TestWithParam<Row> {};

} // namespace

TEST_P(Modes, BrowseDownloadAndUpload)
{
    const auto [server, mode, port, address] = GetParam();
    Served s;
    fillHome(s);
    ASSERT_TRUE(s.start(server, address, port));
    Transfers t(s.localDir());
    connectTo(t, QString::fromLatin1(address), port, mode);
    ASSERT_TRUE(t.session.isConnected()) << t.ui.log.join('\n').toStdString() << s.log();
    browseAndTransfer(t, s);

    // Every data connection went the mode's way: the listing and the two
    // transfers, three of them.
    const bool six = QString::fromLatin1(address).contains(':');
    const QStringList &log = t.ui.log;
    if (mode == DataMode::Passive) {
        EXPECT_EQ(countStarting(log, "[L] - EPSV"), 3) << log.join('\n').toStdString();
        EXPECT_EQ(countStarting(log, "[H] - 229 "), 3);
        EXPECT_EQ(countStarting(log, "[L] - PORT") + countStarting(log, "[L] - EPRT"), 0);
    } else {
        EXPECT_EQ(countStarting(log, six ? "[L] - EPRT |2|::1|" : "[L] - PORT 127,0,0,1,"), 3)
            << log.join('\n').toStdString();
        EXPECT_EQ(countStarting(log, "[L] - EPSV") + countStarting(log, "[L] - PASV"), 0);
    }
    EXPECT_EQ(t.session.localControlAddress().text(), QString::fromLatin1(address));
}

namespace {
std::string rowName(const ::testing::TestParamInfo<Row> &info)
{
    const auto [server, mode, port, address] = info.param;
    return std::string(server == Server::Pyftpdlib ? "pyftpdlib" : "vsftpd") + "_"
           + (mode == DataMode::Active ? "active" : "passive") + "_" + std::to_string(port) + "_"
           + (std::string(address) == "::1" ? "ipv6" : "ipv4");
}
} // namespace

INSTANTIATE_TEST_SUITE_P(Servers, Modes,
                         ::testing::Combine(::testing::Values(Server::Pyftpdlib, Server::Vsftpd),
                                            ::testing::Values(DataMode::Active, DataMode::Passive),
                                            ::testing::Values(21, 2121), ::testing::Values("127.0.0.1", "::1")),
                         rowName);

// vsftpd with passive mode switched off refuses EPSV and PASV: automatic mode
// says so once, and the session goes on in active mode without asking again.
TEST(AutomaticMode, FallsBackToActiveOnceWhenPassiveIsRefused)
{
    for (const char *address : {"127.0.0.1", "::1"}) {
        SCOPED_TRACE(address);
        Served s;
        fillHome(s);
        ASSERT_TRUE(s.start(Server::Vsftpd, address, 21, {"pasv_enable=NO"}));
        Transfers t(s.localDir());
        connectTo(t, QString::fromLatin1(address), 21, DataMode::Automatic);
        ASSERT_TRUE(t.session.isConnected()) << t.ui.log.join('\n').toStdString();
        browseAndTransfer(t, s);

        const QStringList &log = t.ui.log;
        EXPECT_EQ(countStarting(log, "[L] - EPSV"), 1) << log.join('\n').toStdString();
        EXPECT_EQ(countStarting(log, "[L] - PASV"), 1);
        EXPECT_EQ(log.count(QStringLiteral("[L] - 패시브 모드로 데이터 연결을 할 수 없어 이 세션은 액티브 모드로 전환합니다.")), 1);
        EXPECT_EQ(countStarting(log, "[L] - PORT") + countStarting(log, "[L] - EPRT"), 3);
        EXPECT_FALSE(t.session.passiveInUse());

        // A new session tries passive mode again.
        t.flow.BB_DisconnectClick();
        t.ui.log.clear();
        connectTo(t, QString::fromLatin1(address), 21, DataMode::Automatic);
        ASSERT_TRUE(t.session.isConnected());
        EXPECT_EQ(countStarting(t.ui.log, "[L] - EPSV"), 1) << t.ui.log.join('\n').toStdString();
        t.flow.BB_DisconnectClick();
    }
}

// A host name that resolves to ::1 alone, and a bracketed address with its
// port, reach an IPv6-only server.
TEST(Ipv6, NamesAndBracketedAddresses)
{
    // A hosts file of this test's own, in a mount namespace of its own.
    kavtest::ScratchDir etc;
    std::ofstream(etc.file("hosts")) << "::1 kavrin-six.test\n127.0.0.1 localhost\n";
    if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || ::mount(etc.file("hosts").c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) != 0)
        FAIL() << "no private mount namespace here for a hosts file of the test's own";

    struct Case {
        const char *input;
        int profilePort;
        int serverPort;
        QString connecting;
    };
    const Case cases[] = {
        {"kavrin-six.test", 21, 21, "Connecting to kavrin-six.test  port 21"},
        {"kavrin-six.test:2121", 21, 2121, "Connecting to kavrin-six.test  port 2121"},
        {"[::1]:2121", 21, 2121, "Connecting to [::1]  port 2121"},
        {"::1", 2121, 2121, "Connecting to ::1  port 2121"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.input);
        Served s;
        fillHome(s);
        ASSERT_TRUE(s.start(Server::Pyftpdlib, "::1", c.serverPort));
        for (DataMode mode : {DataMode::Passive, DataMode::Active}) {
            Transfers t(s.localDir());
            connectTo(t, QString::fromLatin1(c.input), c.profilePort, mode);
            ASSERT_TRUE(t.session.isConnected()) << t.ui.log.join('\n').toStdString();
            EXPECT_EQ(t.ui.log.first(), c.connecting);
            EXPECT_TRUE(t.session.serverAddress().isIpv6());
            EXPECT_FALSE(t.files.findItems(QStringLiteral("안녕.txt"), Qt::MatchExactly).isEmpty());
            ASSERT_TRUE(t.engine->ReceiveFile(QStringLiteral("안녕.txt"), s.localDir() + "/down.txt", true));
            EXPECT_EQ(readAll(s.localDir() + "/down.txt"), readAll(s.homeDir() + "/안녕.txt"));
            t.flow.BB_DisconnectClick();
        }
    }
}
