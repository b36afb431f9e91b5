// Batches spread over several connections of the profile, against pyftpdlib
// and vsftpd on 127.0.0.1:21 of this test's own network namespace: the bytes,
// the numbered log, the summary of failures, the cancel, and no connection
// left behind.

#include "ftp_server.h"
#include "served.h"
#include "transfer_fixture.h"

#include "app/extra_connections.h"
#include "transfer/parallel_transfer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kav;
using kavtest::Served;
using kavtest::Server;
using kavtest::Transfers;
using kavtest::digest;
using kavtest::randomBytes;
using kavtest::readAll;
using kavtest::writeAll;

namespace {

// Established TCP connections of this namespace whose far end is port 21:
// the client side of every control connection.
int controlConnections()
{
    int n = 0;
    for (const char *table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile f(QString::fromLatin1(table));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        f.readLine();   // the heading
        while (!f.atEnd()) {
            const QList<QByteArray> fields = f.readLine().simplified().split(' ');
            if (fields.size() > 3 && fields[3] == "01" && fields[2].endsWith(":0015"))
                ++n;
        }
    }
    return n;
}

// The log lines of connection `number`.
int linesOf(const QStringList &log, int number)
{
    const QString tag = QStringLiteral("[연결 %1] ").arg(number);
    int n = 0;
    for (const QString &line : log)
        n += line.mid(6).startsWith(tag);
    return n;
}

QString joined(const QStringList &log) { return log.join(QLatin1Char('\n')); }

struct Case {
    const char *name;
    Server server;
    DataMode mode;
};

class Servers : public ::testing::TestWithParam<Case> {};

// Sizes around the block and buffer edges, and many small files.
QList<qint64> batchSizes()
{
    QList<qint64> sizes = {0, 1, 4095, 4096, 4097, 65536, 1024 * 1024 + 3, 5 * 1024 * 1024};
    for (int i = 0; i < 16; ++i)
        sizes << 4096 + i;
    return sizes;
}

} // namespace

TEST_P(Servers, FourConnectionsMoveABatchByteExactBothWays)
{
    const Case c = GetParam();
    Served s;
    ASSERT_TRUE(s.start(c.server));
    Transfers t(s.localDir());
    t.host.controls = TypeControls{false, false, true};   // image type
    t.flow.profile.Connection.Mode = c.mode;
    t.flow.profile.Connection.Parallel = 4;
    t.login();
    ASSERT_TRUE(t.session.isConnected()) << joined(t.ui.log).toStdString();
    ASSERT_EQ(t.commands->connectionSource()->connections(), 4);

    const QList<qint64> sizes = batchSizes();
    QStringList names;
    QList<QByteArray> contents;
    for (int i = 0; i < sizes.size(); ++i) {
        names << QStringLiteral("p%1.bin").arg(i, 2, 10, QLatin1Char('0'));
        contents << randomBytes(sizes[i], quint32(i) + 11);
        writeAll(s.localDir() + "/" + names.last(), contents.last());
    }
    t.host.selected = names;
    t.commands->SB_LeftRightClick();
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(digest(readAll(s.homeDir() + "/" + names[i])), digest(contents[i])) << names[i].toStdString();
    for (int n = 1; n <= 4; ++n)
        EXPECT_GT(linesOf(t.ui.log, n), 0) << n << joined(t.ui.log).toStdString();
    EXPECT_EQ(linesOf(t.ui.log, 5), 0);
    EXPECT_TRUE(t.ui.log.contains(QStringLiteral("[L] - 동시 전송(연결 4개): 파일 24개를 모두 전송했습니다.")))
        << joined(t.ui.log).toStdString() << s.log();
    EXPECT_FALSE(t.window.isVisible());
    // Only the window's own connection is left, and it still answers.
    EXPECT_EQ(controlConnections(), 1);
    EXPECT_TRUE(t.session.isConnected());
    EXPECT_EQ(t.session.command(QStringLiteral("NOOP")).code, 200);

    // Down again into another directory, the files chosen in the host pane.
    kavtest::ScratchDir second;
    const QString back = QString::fromStdString(second.path());
    t.host.directory = back;
    t.pane->RBrefreshClick();
    t.selectHost(names);
    t.ui.log.clear();
    t.commands->SB_RightLeftClick();
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(digest(readAll(back + "/" + names[i])), digest(contents[i])) << names[i].toStdString();
    EXPECT_TRUE(t.ui.log.contains(QStringLiteral("[L] - 동시 전송(연결 4개): 파일 24개를 모두 전송했습니다.")))
        << joined(t.ui.log).toStdString();
    EXPECT_EQ(t.window.gauge(), 100);
    EXPECT_EQ(t.host.localRefreshes, 1);
    EXPECT_EQ(controlConnections(), 1);
    EXPECT_TRUE(t.session.isConnected());
}

INSTANTIATE_TEST_SUITE_P(Parallel, Servers,
                         // Not pyftpdlib in active mode: with several sessions connecting
                         // back at once it leaves some of its own connects unnoticed (the
                         // connection is up, its 200 to PORT never comes), whatever the client.
                         ::testing::Values(Case{"PyftpdlibPassive", Server::Pyftpdlib, DataMode::Passive},
                                           Case{"VsftpdPassive", Server::Vsftpd, DataMode::Passive},
                                           Case{"VsftpdActive", Server::Vsftpd, DataMode::Active}),
                         [](const auto &info) { return std::string(info.param.name); });

// One connection is the window's own, as always: no further connection, no
// summary; a failed file ends the batch.
TEST(Parallel, OneConnectionIsTheWindowsOwn)
{
    Served s;
    ASSERT_TRUE(s.start(Server::Pyftpdlib));
    for (const char *n : {"a.bin", "b.bin", "c.bin"})
        writeAll(s.homeDir() + "/" + n, "data");
    Transfers t(s.localDir());
    t.login();
    ASSERT_EQ(t.commands->connectionSource()->connections(), 1);
    t.pane->RBrefreshClick();
    QFile::remove(s.homeDir() + "/b.bin");
    t.selectHost({"a.bin", "b.bin", "c.bin"});
    t.commands->SB_RightLeftClick();
    EXPECT_TRUE(QFile::exists(s.localDir() + "/a.bin"));
    EXPECT_FALSE(QFile::exists(s.localDir() + "/c.bin"));
    EXPECT_EQ(linesOf(t.ui.log, 1), 0);
    EXPECT_FALSE(joined(t.ui.log).contains(QStringLiteral("동시 전송")));

    // A single file goes on the window's connection whatever the option says.
    t.flow.profile.Connection.Parallel = 4;
    t.selectHost({"c.bin"});
    t.commands->SB_RightLeftClick();
    EXPECT_TRUE(QFile::exists(s.localDir() + "/c.bin"));
    EXPECT_EQ(linesOf(t.ui.log, 1), 0);
}

// A file the server refuses does not stop the others, and the summary names it.
TEST(Parallel, ARefusedFileIsNamedAndTheRestMove)
{
    // pyftpdlib: a directory where the user may not write, in a queue run.
    {
        Served s;
        s.py = std::make_unique<kavtest::FtpServer>();
        QDir(s.homeDir()).mkdir(QStringLiteral("locked"));
        s.py->addUser("kim", "secret", s.home.path()).overridePerm("kim", s.home.path() + "/locked", "elr");
        ASSERT_TRUE(s.py->start());
        Transfers t(s.localDir());
        t.flow.profile.Connection.Mode = DataMode::Passive;
        t.flow.profile.Connection.Parallel = 3;
        t.login();
        ASSERT_TRUE(t.session.isConnected());
        QList<TransferCommands::QueueItem> queue;
        for (int i = 0; i < 6; ++i) {
            const QString name = QStringLiteral("q%1.bin").arg(i);
            writeAll(s.localDir() + "/" + name, randomBytes(20000 + i, quint32(i)));
            queue.append({s.localDir() + "/" + name, i == 2 ? QStringLiteral("/locked") : QStringLiteral("/"),
                          QStringLiteral("B"), true});
        }
        t.commands->runQueue(queue, int(queue.size()), nullptr);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(QFile::exists(s.homeDir() + QStringLiteral("/q%1.bin").arg(i)), i != 2) << i;
        EXPECT_FALSE(QFile::exists(s.homeDir() + "/locked/q2.bin"));
        EXPECT_TRUE(t.ui.log.contains(QStringLiteral("[L] - 동시 전송(연결 3개): 파일 6개 중 1개를 전송하지 못했습니다.")))
            << joined(t.ui.log).toStdString();
        EXPECT_TRUE(t.ui.log.contains(QStringLiteral("[L] - 전송 실패: ") + s.localDir() + "/q2.bin"));
        EXPECT_TRUE(t.session.isConnected());
        EXPECT_EQ(controlConnections(), 1);
    }
    // vsftpd reads as its unprivileged user: a file nobody may read.
    {
        if (std::string why; !kavtest::VsftpdServer::available(&why))
            FAIL() << why;
        Served s;
        for (int i = 0; i < 5; ++i)
            writeAll(s.homeDir() + QStringLiteral("/d%1.bin").arg(i), randomBytes(30000, quint32(i) + 40));
        ASSERT_TRUE(s.start(Server::Vsftpd));
        ASSERT_EQ(::chmod((s.homeDir() + "/d3.bin").toLocal8Bit().constData(), 0), 0);
        Transfers t(s.localDir());
        t.flow.profile.Connection.Mode = DataMode::Passive;
        t.flow.profile.Connection.Parallel = 2;
        t.login();
        ASSERT_TRUE(t.session.isConnected());
        t.pane->RBrefreshClick();
        t.selectHost({"d0.bin", "d1.bin", "d2.bin", "d3.bin", "d4.bin"});
        t.commands->SB_RightLeftClick();
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(QFile::exists(s.localDir() + QStringLiteral("/d%1.bin").arg(i)), i != 3) << i;
        EXPECT_EQ(readAll(s.localDir() + "/d4.bin"), randomBytes(30000, 44));
        EXPECT_TRUE(t.ui.log.contains(QStringLiteral("[L] - 동시 전송(연결 2개): 파일 5개 중 1개를 전송하지 못했습니다.")))
            << joined(t.ui.log).toStdString();
        EXPECT_TRUE(t.ui.log.contains(QStringLiteral("[L] - 전송 실패: d3.bin")));
        EXPECT_EQ(controlConnections(), 1);
    }
}

// Cancel stops every connection at once and the window's connection stays;
// the window's disconnect stops every connection too.
TEST(Parallel, CancelOrDisconnectStopsEveryConnection)
{
    for (const bool disconnect : {false, true}) {
        SCOPED_TRACE(disconnect ? "disconnect" : "cancel");
        Served s;
        ASSERT_TRUE(s.start(Server::Pyftpdlib));
        QStringList names;
        for (int i = 0; i < 8; ++i) {
            names << QStringLiteral("big%1.bin").arg(i);
            writeAll(s.homeDir() + "/" + names.last(), randomBytes(48 * 1024 * 1024, quint32(i)));
        }
        Transfers t(s.localDir());
        t.flow.profile.Connection.Mode = DataMode::Passive;
        t.flow.profile.Connection.Parallel = 4;
        t.login();
        ASSERT_TRUE(t.session.isConnected());
        t.pane->RBrefreshClick();
        t.selectHost(names);
        // Pressed once all four connections are moving data.
        QElapsedTimer sincePress;
        int seenConnections = 0;
        auto *poll = new QTimer(&t.window);
        QObject::connect(poll, &QTimer::timeout, &t.window, [&] {
            if (t.window.moved() > 8 * 1024 * 1024 && controlConnections() >= 5) {
                seenConnections = controlConnections();
                poll->stop();
                sincePress.start();
                if (disconnect)
                    t.flow.BB_DisconnectClick();
                else
                    t.window.BB_abortClick();
            }
        });
        poll->start(1);
        t.commands->SB_RightLeftClick();
        const qint64 stoppedIn = sincePress.elapsed();
        EXPECT_EQ(seenConnections, 5);
        EXPECT_LT(stoppedIn, 2000);
        EXPECT_TRUE(joined(t.ui.log).contains(QStringLiteral("[L] - 동시 전송을 중지했습니다: 파일 8개 중 ")))
            << joined(t.ui.log).toStdString();
        int whole = 0;
        for (const QString &n : names)
            whole += QFileInfo(s.localDir() + "/" + n).size() == 48 * 1024 * 1024;
        EXPECT_LT(whole, 8);
        // No worker's connection outlives the run; the window's is untouched by a cancel.
        EXPECT_EQ(controlConnections(), disconnect ? 0 : 1);
        EXPECT_EQ(t.session.isConnected(), !disconnect);
        EXPECT_EQ(t.window.cancelFlag(), 0);
        EXPECT_FALSE(t.ui.log.contains(QStringLiteral("[H] - 전송이 취소되어 호스트에 다시 접속하셔야 합니다")));
        if (!disconnect)
            EXPECT_EQ(t.session.command(QStringLiteral("NOOP")).code, 200);
    }
}

// The log's form of a connection's line.
TEST(Parallel, NumberedLines)
{
    EXPECT_EQ(ExtraConnections::numberedLine(2, TranscriptSide::Host, QStringLiteral("226 Transfer complete")),
              QStringLiteral("[H] - [연결 2] 226 Transfer complete"));
    EXPECT_EQ(ExtraConnections::numberedLine(8, TranscriptSide::Local, QStringLiteral("RETR a")),
              QStringLiteral("[L] - [연결 8] RETR a"));
}
