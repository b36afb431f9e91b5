// Ping, trace route and the scanner over a real three-host chain of private
// network namespaces (tests/fixtures/in-chain): this program runs in A,
// R (198.18.100.1 / 198.19.113.1) routes, B answers on 198.19.113.2, .3 and .5.
#include "fake_host.h"
#include "unprivileged.h"
#include "wait_until.h"

#include "nettools/ping_form.h"
#include "nettools/scan_form.h"
#include "platform/icmp_echo.h"
#include "platform/winsock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>
#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace kav;

namespace {

quint32 ip(const char *text)
{
    quint32 a = 0;
    EXPECT_TRUE(ws::inetAddr(QLatin1String(text), &a)) << text;
    return a;
}

// Runs a command in the router's namespace.
bool inRouter(const QStringList &command)
{
    const QByteArray pid = qgetenv("KAVRIN_CHAIN_ROUTER_PID");
    if (pid.isEmpty())
        return false;
    QProcess p;
    p.start(QStringLiteral("nsenter"), QStringList{QStringLiteral("-t"), QString::fromLatin1(pid), QStringLiteral("-n")} + command);
    return p.waitForFinished(10000) && p.exitCode() == 0;
}

// Ping sockets are allowed in this namespace (A's own setting): for every group
// with real root, for the mapped root group inside a user namespace.
bool allowPingSockets()
{
    // Already allowed for this group (a check rerun as an ordinary user cannot write it).
    QFile current(QStringLiteral("/proc/sys/net/ipv4/ping_group_range"));
    if (current.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> range = current.readAll().simplified().split(' ');
        const qint64 gid = ::getgid();
        if (range.size() == 2 && range[0].toLongLong() <= gid && gid <= range[1].toLongLong())
            return true;
    }
    for (const char *range : {"0 2147483647\n", "0 0\n"}) {
        QFile f(QStringLiteral("/proc/sys/net/ipv4/ping_group_range"));
        if (f.open(QIODevice::WriteOnly) && f.write(range) > 0 && f.flush())
            return true;
    }
    return false;
}

class Chain : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_FALSE(qgetenv("KAVRIN_CHAIN_ROUTER_PID").isEmpty()) << "not started by tests/fixtures/in-chain";
        ASSERT_TRUE(ws::startup());
        ASSERT_TRUE(allowPingSockets());
    }
    kavtest::FakeHost host;
};

std::unique_ptr<TPingForm> pingWindow(kavtest::FakeHost &host, int mode, const QString &target,
                                      icmp::SocketKind kind = icmp::SocketKind::Raw)
{
    auto f = std::make_unique<TPingForm>(host, mode);
    f->socketKind = kind;
    f->show();
    EXPECT_TRUE(kavtest::waitUntil([&] { return f->L_LocalIP->text() != QStringLiteral("로컬 IP"); }, 5000));
    f->CB_HostName->setEditText(QStringLiteral("far"));
    f->E_HostIP->setText(target);
    return f;
}

std::unique_ptr<TScanForm> scanWindow(kavtest::FakeHost &host, icmp::SocketKind kind = icmp::SocketKind::Raw)
{
    auto f = std::make_unique<TScanForm>(host);
    f->socketKind = kind;
    f->show();
    EXPECT_TRUE(kavtest::waitUntil([&] { return f->windowTitle().contains(QStringLiteral("로컬 IP")); }, 5000));
    f->NE_sa1->setText(QStringLiteral("198"));
    f->NE_sa2->setText(QStringLiteral("19"));
    f->NE_sa3->setText(QStringLiteral("113"));
    return f;
}

} // namespace

// The echo layer on both kinds of socket: an answer, a router's TTL
// complaint, a late "unreachable", and answers never taken for a later echo.
TEST_F(Chain, EchoLayerOnPingAndRawSockets)
{
    const QByteArray data(icmp::RequestSize, char(0xAA));
    for (icmp::SocketKind kind : {icmp::SocketKind::Raw, icmp::SocketKind::Datagram}) {
        SCOPED_TRACE(kind == icmp::SocketKind::Raw ? "raw socket" : "ping socket");
        auto s = icmp::EchoSocket::open(kind);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->isDatagram(), kind == icmp::SocketKind::Datagram);

        icmp::EchoReply r = s->send(ip("198.19.113.2"), 64, data, 3000);
        EXPECT_EQ(r.replies, 1);
        EXPECT_EQ(r.status, icmp::Success);
        EXPECT_EQ(r.address, ip("198.19.113.2"));
        EXPECT_EQ(r.dataSize, 56);
        EXPECT_EQ(r.ttl, 63);  // B's 64, less R's hop

        r = s->send(ip("198.19.113.2"), 1, data, 3000);
        EXPECT_EQ(r.replies, 1);
        EXPECT_EQ(r.status, icmp::TtlExpiredTransit);
        EXPECT_EQ(r.address, ip("198.18.100.1"));
        EXPECT_EQ(ws::lastError(), icmp::TtlExpiredTransit);

        r = s->send(ip("198.19.113.4"), 64, data, 3000);
        EXPECT_EQ(r.replies, 1);
        EXPECT_EQ(r.status, icmp::DestHostUnreachable);
        EXPECT_EQ(r.address, ip("198.18.100.1"));  // the router, from its side towards us

        // .4's "unreachable" comes 1.2 s late: after this short time limit,
        // and in the middle of the next echoes' waits.
        r = s->send(ip("198.19.113.4"), 64, data, 300);
        EXPECT_EQ(r.replies, 0);
        EXPECT_EQ(r.status, icmp::TimedOut);
        EXPECT_EQ(ws::lastError(), icmp::TimedOut);
        r = s->send(ip("198.19.113.6"), 64, data, 3000);
        EXPECT_EQ(r.status, icmp::DestHostUnreachable);
        EXPECT_GE(r.roundTripMs, 1000) << "the late answer to .4 was taken for .6's";
        r = s->send(ip("198.19.113.2"), 64, data, 3000);
        EXPECT_EQ(r.status, icmp::Success);
        EXPECT_EQ(r.address, ip("198.19.113.2"));
    }
}

// A late "unreachable" for .4 that nobody read (the scanner was looking up a name) must
// not fail the next echo: .5 is alive. With the ping socket ordinary users get, checked as
// an ordinary user too, and with the raw socket where root may open one.
TEST_F(Chain, ALateErrorLeftUnreadNeverFailsTheNextEcho)
{
    const QByteArray data(icmp::RequestSize, char(0xAA));
    QList<icmp::SocketKind> kinds{icmp::SocketKind::Datagram};
    if (::geteuid() == 0)
        kinds << icmp::SocketKind::Raw;
    for (icmp::SocketKind kind : kinds) {
        SCOPED_TRACE(kind == icmp::SocketKind::Raw ? "raw socket" : "ping socket");
        auto s = icmp::EchoSocket::open(kind);
        ASSERT_TRUE(s);
        for (int round = 0; round < 2; ++round) {
            icmp::EchoReply r = s->send(ip("198.19.113.4"), 64, data, 300);
            EXPECT_EQ(r.status, icmp::TimedOut);
            ::usleep(1600 * 1000);   // the router's answer for .4 arrives; nobody reads it
            r = s->send(ip("198.19.113.5"), 64, data, 3000);
            EXPECT_EQ(r.status, icmp::Success) << icmp::statusText(r.status).toStdString();
            EXPECT_EQ(r.address, ip("198.19.113.5"));
        }
    }
    if (::geteuid() == 0) {
        EXPECT_EQ(kavtest::rerunUnprivileged("Chain.ALateErrorLeftUnreadNeverFailsTheNextEcho"), 0);
    }
}

// The scanner with the ping socket and names looked up: each cell by its own answer.
TEST_F(Chain, ScannerOnThePingSocketWithNamesLookedUp)
{
    auto f = scanWindow(host, icmp::SocketKind::Datagram);
    f->NE_sa4->setText(QStringLiteral("3"));
    f->NE_ea4->setText(QStringLiteral("6"));
    f->RB_Entire->setChecked(true);
    f->CB_ResolveNames->setChecked(true);
    // .4's late "unreachable" arrives while .5 and .6 are probed or their names looked up.
    f->BB_runClick();
    const QColor lime(Qt::green), white(Qt::white);
    for (int n : {3, 5})
        EXPECT_EQ(f->cellColour(n), lime) << n;
    for (int n : {4, 6})
        EXPECT_EQ(f->cellColour(n), white) << n;
    if (::geteuid() == 0) {
        EXPECT_EQ(kavtest::rerunUnprivileged("Chain.ScannerOnThePingSocketWithNamesLookedUp"), 0);
    }
}

TEST_F(Chain, TraceRouteReachesTheFarHostThroughTheRouter)
{
    // Desktops allow ping sockets (the router's answers come on the error
    // queue); elsewhere the raw socket serves.
    for (icmp::SocketKind kind : {icmp::SocketKind::Datagram, icmp::SocketKind::Raw}) {
        SCOPED_TRACE(kind == icmp::SocketKind::Raw ? "raw socket" : "ping socket");
        auto f = pingWindow(host, TPingForm::Trace, QStringLiteral("198.19.113.2"), kind);
        EXPECT_EQ(f->L_LocalIP->text(), QStringLiteral("198.18.100.2"));
        f->BB_runClick();
        const QStringList lines = f->messageLines();
        ASSERT_EQ(lines.size(), 7) << lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(lines[0], QStringLiteral("최대 30개의 홉에서"));
        EXPECT_EQ(lines[1], QStringLiteral("198.19.113.2 [198.19.113.2]로의 경로를 추적하는 중입니다."));
        EXPECT_EQ(lines[2], QString());
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\[ 1\\]  \\(198\\.18\\.100\\.1\\)    RTT: \\d+ ms,  TTL: 64$"))
                        .match(lines[3]).hasMatch()) << lines[3].toStdString();
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\[ 2\\]  \\(198\\.19\\.113\\.2\\)    RTT: \\d+ ms,  TTL: 63$"))
                        .match(lines[4]).hasMatch()) << lines[4].toStdString();
        EXPECT_EQ(lines[5], QString());
        EXPECT_EQ(lines[6], QStringLiteral("추적이 완료되었습니다."));
        EXPECT_TRUE(f->BB_run->isEnabled());
        EXPECT_TRUE(f->BB_exit->isEnabled());
    }
}

TEST_F(Chain, TraceRouteThroughASilentRouterIsNotReached)
{
    ASSERT_TRUE(inRouter({QStringLiteral("sysctl"), QStringLiteral("-qw"), QStringLiteral("net.ipv4.ip_forward=0")}));
    auto f = pingWindow(host, TPingForm::Trace, QStringLiteral("198.19.113.2"));
    f->BB_runClick();
    EXPECT_TRUE(inRouter({QStringLiteral("sysctl"), QStringLiteral("-qw"), QStringLiteral("net.ipv4.ip_forward=1")}));
    EXPECT_EQ(f->messageLines(),
              (QStringList{QStringLiteral("최대 30개의 홉에서"),
                           QStringLiteral("198.19.113.2 [198.19.113.2]로의 경로를 추적하는 중입니다."), QString(),
                           QStringLiteral("네트워크 오류: 요청 시간이 초과되었습니다(11010)"), QString(),
                           QStringLiteral("호스트에 도달하지 못했습니다.")}));
}

TEST_F(Chain, PingTenEchoesToTheFarHost)
{
    auto f = pingWindow(host, TPingForm::Ping, QStringLiteral("198.19.113.2"));
    f->BB_runClick();
    const QStringList lines = f->messageLines();
    ASSERT_EQ(lines.size(), 16) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("56바이트의 데이터를 가진 198.19.113.2 [198.19.113.2]를 Ping 하는 중:"));
    const QRegularExpression reply(QStringLiteral("^198\\.19\\.113\\.2 로부터 응답: 바이트=56, 시간=\\d+ms, TTL=63$"));
    for (int i = 2; i < 12; ++i)
        EXPECT_TRUE(reply.match(lines[i]).hasMatch()) << lines[i].toStdString();
    EXPECT_EQ(lines[12], QString());
    EXPECT_EQ(lines[13], QStringLiteral("PING Statistics for 198.19.113.2"));
    EXPECT_EQ(lines[14], QStringLiteral("10 packets transmitted, 10 packets received, 0% packet loss"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^round-trip \\(ms\\) min/avg/max = \\d+/\\d+/\\d+$"))
                    .match(lines[15]).hasMatch()) << lines[15].toStdString();
}

TEST_F(Chain, PingStoppedAfterTheThirdEcho)
{
    auto f = pingWindow(host, TPingForm::Ping, QStringLiteral("198.19.113.2"));
    // The stop button is pressed as soon as the third answer is shown.
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, f.get(), [&] {
        if (f->messageLines().size() >= 5 && f->StopTag == 0)
            f->BB_stopClick();
    });
    poll.start();
    f->BB_runClick();
    const QStringList lines = f->messageLines();
    EXPECT_TRUE(lines.contains(QStringLiteral("3 packets transmitted, 3 packets received, 0% packet loss")))
        << lines.join(QLatin1Char('\n')).toStdString();
}

TEST_F(Chain, PingToAnAddressWithoutHostLosesEveryEcho)
{
    auto f = pingWindow(host, TPingForm::Ping, QStringLiteral("198.19.113.4"));
    f->BB_runClick();
    const QStringList lines = f->messageLines();
    ASSERT_EQ(lines.size(), 16) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("56바이트의 데이터를 가진 198.19.113.4 [198.19.113.4]를 Ping 하는 중:"));
    for (int i = 2; i < 12; ++i)
        EXPECT_EQ(lines[i], QStringLiteral("네트워크 오류: 대상 호스트에 연결할 수 없습니다(11003)"));
    EXPECT_EQ(lines.mid(13), (QStringList{QStringLiteral("PING Statistics for 198.19.113.4"),
                                          QStringLiteral("10 packets transmitted, 0 packets received, 100% packet loss"),
                                          QStringLiteral("round-trip (ms) min/avg/max = 0/0/0")}));
}

TEST_F(Chain, LookupOfADottedAddressWithoutName)
{
    auto f = pingWindow(host, TPingForm::Lookup, QStringLiteral("198.19.113.2"));
    f->BB_runClick();
    EXPECT_EQ(f->messageLines(), (QStringList{QStringLiteral("Official Name: 198.19.113.2"),
                                              QStringLiteral("IP Address: 198.19.113.2"),
                                              QStringLiteral("호스트 정보가 LookUp 되었습니다")}));
    f->E_HostIP->setText(QStringLiteral("no-such-host.invalid"));
    f->BB_runClick();
    EXPECT_EQ(f->messageLines(), QStringList{QStringLiteral("호스트를 알 수 없습니다.  호스트 주소를 확인하세요.")});
}

TEST_F(Chain, ScannerColoursEachCellByItsOwnAnswer)
{
    auto f = scanWindow(host);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("IP Scanner (Scan for devices in your network) - 로컬 IP: 198.18.100.2"));
    f->NE_sa4->setText(QStringLiteral("1"));
    f->NE_ea4->setText(QStringLiteral("8"));
    f->RB_Entire->setChecked(true);
    // .4's "unreachable" comes about 1.2 s late, while .7 is being probed.
    f->BB_runClick();
    const QColor lime(Qt::green), white(Qt::white), face = QApplication::palette().color(QPalette::Button);
    for (int n : {1, 2, 3, 5})
        EXPECT_EQ(f->cellColour(n), lime) << n;
    for (int n : {4, 6, 7, 8})
        EXPECT_EQ(f->cellColour(n), white) << n;
    for (int n : {0, 9, 100, 255})
        EXPECT_EQ(f->cellColour(n), face) << n;
    // The map shows it: a pixel inside cell 2 (row 0, column 2) and cell 4.
    EXPECT_EQ(f->map().pixelColor(2 * 30 + 25, 16), lime);
    EXPECT_EQ(f->map().pixelColor(4 * 30 + 25, 16), white);

    ASSERT_EQ(host.reports.size(), 1u);
    const kavtest::Report &r = host.reports[0];
    EXPECT_EQ(r.caption, QStringLiteral("[IP Scanner] - (198.19.113.1 ~ 198.19.113.8)"));
    EXPECT_EQ(r.fileName, QStringLiteral("IPScan.txt"));
    EXPECT_EQ(r.directory, QStringLiteral("/tmp/local-pane"));
    ASSERT_EQ(r.lines.size(), 15) << r.lines.join(QLatin1Char('\n')).toStdString();
    const QRegularExpression alive(QStringLiteral("^198\\.19\\.113\\.(\\d)\\(198\\.19\\.113\\.\\1\\) : ☞ alive \\(응답 바이트=56, 시간=\\d+ms, TTL=\\d+\\)$"));
    for (int i : {0, 1, 2, 4})
        EXPECT_TRUE(alive.match(r.lines[i]).hasMatch()) << r.lines[i].toStdString();
    EXPECT_EQ(r.lines[3], QStringLiteral("198.19.113.4(198.19.113.4) : 요청 시간이 초과되었습니다(11010)"));
    EXPECT_EQ(r.lines.mid(8), (QStringList{QString(), QStringLiteral("IP Scanner Statistics for 198.19.113.1 ~ 198.19.113.8"),
                                           QStringLiteral("Total : 8"), QStringLiteral("Alive : 4"),
                                           QStringLiteral("No Response : 4"), QStringLiteral("TTL timed out : 0"),
                                           QStringLiteral("Host unreachable : 0")}));
    EXPECT_TRUE(f->BB_run->isEnabled());
    EXPECT_TRUE(f->P_Control->isEnabled());
}

TEST_F(Chain, ScannerUnreachableAndTimeToLiveCells)
{
    auto f = scanWindow(host);
    // A long enough time limit lets the router's "unreachable" arrive; only
    // answered probes are listed.
    f->NE_sa4->setText(QStringLiteral("4"));
    f->NE_ea4->setText(QStringLiteral("4"));
    f->NE_Timeout->setText(QStringLiteral("3000"));
    f->BB_runClick();
    EXPECT_EQ(f->cellColour(4), QColor(Qt::cyan));
    ASSERT_EQ(host.reports.size(), 1u);
    EXPECT_EQ(host.reports[0].lines.first(), QStringLiteral("198.19.113.4(198.19.113.4) : host unreachable"));
    EXPECT_TRUE(host.reports[0].lines.contains(QStringLiteral("Host unreachable : 1")));

    // Time-to-live 0 cannot go out here: 1 is sent, the router answers, and
    // the report says so first.
    f->NE_sa4->setText(QStringLiteral("2"));
    f->NE_ea4->setText(QStringLiteral("3"));
    f->NE_Timeout->setText(QStringLiteral("1000"));
    f->NE_TTL->setText(QStringLiteral("0"));
    f->BB_runClick();
    EXPECT_EQ(f->cellColour(2), QColor(Qt::magenta));
    EXPECT_EQ(f->cellColour(3), QColor(Qt::magenta));
    EXPECT_EQ(f->cellColour(4), QApplication::palette().color(QPalette::Button));  // out of range now
    ASSERT_EQ(host.reports.size(), 2u);
    const QStringList &lines = host.reports[1].lines;
    EXPECT_EQ(lines.value(0), QStringLiteral("※ 활동시간 0은 이 시스템에서 보낼 수 없어 1로 검사했습니다."));
    EXPECT_TRUE(lines.contains(QStringLiteral("198.19.113.2(198.19.113.2) : TTL-timeout")));
    EXPECT_TRUE(lines.contains(QStringLiteral("TTL timed out : 2")));
}

TEST_F(Chain, ClosingThePingWindowDuringARunEndsTheRunFirst)
{
    auto f = pingWindow(host, TPingForm::Ping, QStringLiteral("198.19.113.4"));
    QTimer::singleShot(300, f.get(), [&] { f->close(); });
    QElapsedTimer t;
    t.start();
    f->BB_runClick();
    EXPECT_LT(t.elapsed(), 2500);
    EXPECT_FALSE(f->isVisible());
    EXPECT_FALSE(f->running());
}
