// Transfers against the scripted server, for what real servers do not produce
// on demand: a CR and its LF in two blocks, sizes past 4 GiB, a server that
// fails an upload after the data, and data connections reset mid-transfer.

#include "transfer_fixture.h"

#include "reply_peer.h"
#include "transfer/transfer_progress.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTemporaryDir>
#include "qt_printers.h"
#include "ui_trans_form.h"
#include "wait_until.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <dirent.h>

using namespace kav;
using kavtest::ReplyPeer;
using kavtest::Transfers;
using kavtest::waitUntil;

namespace {

// A logged-in server whose root lists nothing.
void serveEmptyRoot(ReplyPeer &peer)
{
    peer.answerAsLoggedInServer("/");
    ReplyPeer::DataReply list;
    list.preliminary = "150 Here comes the listing\r\n";
    list.final = "226 Transfer complete\r\n";
    peer.onData("LIST", list);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The names in a directory exactly as the system holds them.
QList<QByteArray> namesOnDisk(const QString &dir)
{
    QList<QByteArray> out;
    if (DIR *d = ::opendir(QFile::encodeName(dir).constData())) {
        while (const dirent *e = ::readdir(d))
            if (e->d_name[0] != '.')
                out << QByteArray(e->d_name);
        ::closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST(TransferEdges, AsciiLineEndSplitBetweenTwoReceivedBlocks)
{
    struct Case {
        const char *name;
        QList<QByteArray> blocks;
        QByteArray local;
    };
    const QList<Case> cases = {
        {"CR at a block's end, its LF at the next one's start", {"one\r", "\ntwo\r\n"}, "one\ntwo\n"},
        {"a lone CR at a block's end stays", {"one\r", "two\r\n"}, "one\rtwo\n"},
        {"a lone CR at the very end stays", {"one\r\n", "two\r"}, "one\ntwo\r"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ReplyPeer peer(21);
        serveEmptyRoot(peer);
        ReplyPeer::DataReply retr;
        retr.preliminary = "150 Opening ASCII mode data connection (14 bytes)\r\n";
        retr.data = c.blocks;
        retr.gapMs = 150;   // two blocks on the receiving side
        retr.final = "226 Transfer complete\r\n";
        peer.onData("RETR", retr);
        Transfers t(dir.path());
        t.host.ascii.add(QStringLiteral("TXT"));
        t.login();
        ASSERT_TRUE(t.session.isConnected());
        const QString local = dir.filePath(QStringLiteral("notes.txt"));
        EXPECT_TRUE(t.engine->ReceiveFile(QStringLiteral("notes.txt"), local, false));
        EXPECT_EQ(fileBytes(local), c.local);
    }
}

TEST(TransferEdges, SizesPast4GiBShowTheirSizeAndGauge)
{
    QTemporaryDir dir;
    ReplyPeer peer(21);
    serveEmptyRoot(peer);
    ReplyPeer::DataReply retr;
    retr.preliminary = "150 Opening BINARY mode data connection for big.iso (5000000000 bytes)\r\n";
    // 8 MiB: 0.17 % of the size, but over 1 % of a size cut to 32 bits.
    for (int i = 0; i < 64; ++i)
        retr.data << QByteArray(128 * 1024, char('a' + i % 26));
    retr.gapMs = 2;
    retr.final = "226 Transfer complete\r\n";
    peer.onData("RETR", retr);
    Transfers t(dir.path());
    t.login();
    ASSERT_TRUE(t.session.isConnected());
    const QString local = dir.filePath(QStringLiteral("big.iso"));
    EXPECT_TRUE(t.engine->ReceiveFile(QStringLiteral("big.iso"), local, true));
    EXPECT_EQ(t.window.expected(), 5000000000LL);
    EXPECT_EQ(t.window.form()->L_Lsize->text(), QStringLiteral("5000000000 Bytes"));
    EXPECT_EQ(t.window.moved(), 8LL * 1024 * 1024);
    // The gauge the window paints from these counters (complete() then fills it).
    EXPECT_EQ(TTransForm::percent(t.window.moved(), t.window.expected()), 0);
    EXPECT_EQ(TTransForm::percent(4000000000LL, t.window.expected()), 80);
    EXPECT_EQ(t.window.gauge(), 100);
    EXPECT_EQ(QFileInfo(local).size(), 8LL * 1024 * 1024);
}

TEST(TransferEdges, UploadTheServerFailsAfterTheData)
{
    for (const QByteArray final : {QByteArray("552 Exceeded storage allocation\r\n"),
                                   QByteArray("451 Local error in processing\r\n")}) {
        SCOPED_TRACE(final.toStdString());
        QTemporaryDir dir;
        ReplyPeer peer(21);
        serveEmptyRoot(peer);
        ReplyPeer::DataReply stor;
        stor.preliminary = "150 Ok to send data\r\n";
        stor.gapMs = 300;   // the data goes out before the server closes
        stor.data = {QByteArray()};
        stor.final = final;
        peer.onData("STOR", stor);
        Transfers t(dir.path());
        t.login();
        ASSERT_TRUE(t.session.isConnected());
        QFile f(dir.filePath(QStringLiteral("up.bin")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(1000, 'u'));
        f.close();
        EXPECT_FALSE(t.engine->SendFile(QStringLiteral("up.bin"), QStringLiteral("up.bin")));
        EXPECT_EQ(t.ui.log.last(), QStringLiteral("[H] - ") + QString::fromLatin1(final.trimmed()));
        EXPECT_EQ(fileBytes(dir.filePath(QStringLiteral("up.bin"))), QByteArray(1000, 'u'));   // untouched
        EXPECT_FALSE(t.session.dataTransferUnderWay());
    }
}

TEST(TransferEdges, DataConnectionResetMidTransfer)
{
    {
        SCOPED_TRACE("during RETR");
        QTemporaryDir dir;
        ReplyPeer peer(21);
        serveEmptyRoot(peer);
        ReplyPeer::DataReply retr;
        retr.preliminary = "150 Opening BINARY mode data connection (1048576 bytes)\r\n";
        retr.data = {QByteArray(4096, 'r')};
        retr.gapMs = 100;
        retr.reset = true;
        retr.final = "426 Connection closed; transfer aborted.\r\n";
        peer.onData("RETR", retr);
        Transfers t(dir.path());
        t.login();
        ASSERT_TRUE(t.session.isConnected());
        const QString local = dir.filePath(QStringLiteral("part.bin"));
        EXPECT_FALSE(t.engine->ReceiveFile(QStringLiteral("part.bin"), local, true));
        EXPECT_EQ(t.ui.log.last(), QStringLiteral("[H] - 426 Connection closed; transfer aborted."));
        EXPECT_LE(QFileInfo(local).size(), 4096);   // never more than arrived
        EXPECT_FALSE(t.session.dataTransferUnderWay());
    }
    {
        SCOPED_TRACE("during STOR");
        QTemporaryDir dir;
        ReplyPeer peer(21);
        serveEmptyRoot(peer);
        ReplyPeer::DataReply stor;
        stor.preliminary = "150 Ok to send data\r\n";
        stor.data = {QByteArray()};
        stor.gapMs = 100;
        stor.reset = true;
        stor.final = "426 Connection closed; transfer aborted.\r\n";
        peer.onData("STOR", stor);
        Transfers t(dir.path());
        t.login();
        ASSERT_TRUE(t.session.isConnected());
        QFile f(dir.filePath(QStringLiteral("big.bin")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(32 * 1024 * 1024, 's'));   // more than the buffers hold
        f.close();
        EXPECT_FALSE(t.engine->SendFile(QStringLiteral("big.bin"), QStringLiteral("big.bin")));
        EXPECT_TRUE(t.ui.log.contains(QStringLiteral("[H] - 네트워크 오류: 데이타를 전송할 수 없는 상태입니다.")))
            << t.ui.log.join('\n').toStdString();
        EXPECT_EQ(t.ui.log.last(), QStringLiteral("[H] - 426 Connection closed; transfer aborted."));
        EXPECT_FALSE(t.session.dataTransferUnderWay());
    }
}

namespace {

// Progress without a window: what the engine reports, in order.
struct RecordingProgress : TransferProgress {
    QStringList names;
    qint64 expected = -2;
    QList<qint64> moves;
    int completes = 0;
    bool cancel = false;
    void begin(const QString &send, qint64 size, const QString &receive) override
    {
        names = {send, receive};
        expected = size;
    }
    void progress(qint64 moved, bool) override { moves << moved; }
    void complete() override { ++completes; }
    bool cancelled() const override { return cancel; }
};

} // namespace

TEST(TransferEdges, TheEngineReportsToAnyProgressSink)
{
    QTemporaryDir dir;
    ReplyPeer peer(21);
    serveEmptyRoot(peer);
    ReplyPeer::DataReply retr;
    retr.preliminary = "150 Opening BINARY mode data connection for a.bin (10 bytes)\r\n";
    retr.data = {"01234", "56789"};
    retr.gapMs = 100;
    retr.final = "226 Transfer complete\r\n";
    peer.onData("RETR", retr);
    Transfers t(dir.path());
    t.login();
    ASSERT_TRUE(t.session.isConnected());
    RecordingProgress progress;
    TransferEngine engine(t.parts->fs, progress, t.host);
    const QString local = dir.filePath(QStringLiteral("a.bin"));
    EXPECT_TRUE(engine.ReceiveFile(QStringLiteral("a.bin"), local, true));
    EXPECT_EQ(progress.names, (QStringList{QStringLiteral("a.bin"), local}));
    EXPECT_EQ(progress.expected, 10);
    ASSERT_FALSE(progress.moves.isEmpty());
    EXPECT_EQ(progress.moves.last(), 10);
    EXPECT_EQ(progress.completes, 1);
    EXPECT_EQ(fileBytes(local), QByteArray("0123456789"));
    EXPECT_FALSE(t.window.isVisible());   // the transfer window took no part
}

// Task bars here show the main window's title: the percentage goes there during
// a transfer and the title comes back whole afterwards.
TEST(TransferEdges, PercentageInTheMainWindowTitle)
{
    QWidget main;
    main.setWindowTitle(QStringLiteral("Kavrin Version 2.2 - h (127.0.0.1, u)"));
    TTransForm form(&main);
    form.sessionTitle = [] { return QStringLiteral("h (127.0.0.1, u)"); };
    form.show();
    form.begin(QStringLiteral("a.bin"), 200, QStringLiteral("/tmp/a.bin"));
    form.progress(50, true);
    // The window paints at most once a frame: the title follows within one.
    EXPECT_TRUE(waitUntil([&] { return main.windowTitle() == QStringLiteral("Kavrin Version 2.2 - h (127.0.0.1, u) 25%"); },
                          1000));
    EXPECT_EQ(applicationTitle(), QStringLiteral("h (127.0.0.1, u) 25%"));
    form.progress(200, true);
    EXPECT_TRUE(waitUntil([&] { return main.windowTitle() == QStringLiteral("Kavrin Version 2.2 - h (127.0.0.1, u) 100%"); },
                          1000));
    form.progress(100, true);
    form.close();   // what was not painted yet never reaches the titles afterwards
    QTest::qWait(2 * 33);
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Kavrin Version 2.2 - h (127.0.0.1, u)"));
    EXPECT_EQ(applicationTitle(), QStringLiteral("h (127.0.0.1, u)"));
}

// A batch of small files changes names, sizes and the counter hundreds of
// times a second; the controls change at most once a frame, and the last
// file's exact figures show within one.
TEST(TransferEdges, ABatchOfSmallFilesPaintsTheWindowOnceAFrame)
{
    TTransForm form;
    form.show();
    // The controls themselves, not brought up to date by form().
    auto *count = form.findChild<QLabel *>(QStringLiteral("L_Count"));
    auto *received = form.findChild<QLabel *>(QStringLiteral("L_Rsize"));
    ASSERT_TRUE(count && received);
    constexpr int Files = 400;
    int changes = 0;
    QString last = count->text();
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= Files; ++i) {
        form.setCount(i, Files);
        form.begin(QStringLiteral("f%1").arg(i), 4096, QStringLiteral("/tmp/f%1").arg(i));
        form.progress(4096, true);
        form.complete();
        QCoreApplication::processEvents();
        if (count->text() != last) {
            ++changes;
            last = count->text();
        }
    }
    EXPECT_LE(changes, clock.elapsed() / 33 + 2) << "in " << clock.elapsed() << " ms";
    EXPECT_TRUE(waitUntil([&] { return count->text() == TTransForm::countText(Files, Files); }, 1000));
    EXPECT_EQ(received->text(), QStringLiteral("4096 Bytes"));
    EXPECT_EQ(form.findChild<QLabel *>(QStringLiteral("L_Lfile"))->text(), QStringLiteral("f%1").arg(Files));
    EXPECT_EQ(form.gauge(), 100);
}

// Two host names that differ only in bytes that are not UTF-8 are two local
// files with the server's bytes; neither overwrites the other.
TEST(TransferEdges, UndecodableHostNamesKeepTheirBytesLocally)
{
    QTemporaryDir dir;
    ReplyPeer peer(21);
    peer.answerAsLoggedInServer("/");
    ReplyPeer::DataReply list;
    list.preliminary = "150 Here comes the listing\r\n";
    list.data = {"-rw-r--r--   1 ftp ftp 2 Dec 10 03:04 x\xe9.txt\r\n"
                 "-rw-r--r--   1 ftp ftp 2 Dec 10 03:04 x\xe8.txt\r\n"};
    list.final = "226 Transfer complete\r\n";
    peer.onData("LIST", list);
    for (const QByteArray &name : {QByteArray("x\xe9.txt"), QByteArray("x\xe8.txt")}) {
        ReplyPeer::DataReply retr;
        retr.preliminary = "150 Opening BINARY mode data connection\r\n";
        retr.data = {name.toHex()};
        retr.final = "226 Transfer complete\r\n";
        peer.onData("RETR " + name, retr);
    }
    Transfers t(dir.path());
    t.login();
    ASSERT_EQ(t.files.count(), 2);
    for (int i = 0; i < t.files.count(); ++i)
        t.files.item(i)->setSelected(true);
    t.commands->SB_RightLeftClick();
    EXPECT_EQ(namesOnDisk(dir.path()),
              (QList<QByteArray>{"x\xe8.txt", "x\xe9.txt"}));
    for (const QByteArray &name : namesOnDisk(dir.path())) {
        QFile f;
        const QByteArray path = QFile::encodeName(dir.path()) + '/' + name;
        FILE *raw = std::fopen(path.constData(), "rb");
        ASSERT_NE(raw, nullptr) << name.toHex().toStdString();
        ASSERT_TRUE(f.open(raw, QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), name.toHex()) << name.toHex().toStdString();
        f.close();
        std::fclose(raw);
    }
}
