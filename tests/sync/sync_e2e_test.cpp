// Comparing and synchronizing against real servers: pyftpdlib (MLSD, MFMT)
// and vsftpd (LIST to the minute, no way to set a time). Trees built by the
// test, each direction and option as a table of (trees before, actions
// proposed, trees after), two-way runs against the remembered state, and a
// run cancelled halfway and then finished.

#include "served.h"
#include "recording_ui.h"
#include "sync_trees.h"

#include "ftp/session.h"
#include "platform/local_path.h"
#include "platform/winsock.h"
#include "remotefs/ftp_fs.h"
#include "sync/host_tree.h"
#include "sync/sync_runner.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace kav;
using namespace kav::sync;
using kavtest::Server;
using synctest::actionLines;

namespace {

// Whole files through the remote file system, as a transfer engine moves them.
class FsTransfers : public SyncTransfers {
public:
    explicit FsTransfers(RemoteFs &fs) : fs(fs) {}
    bool upload(const QString &localPath, const QString &hostPath, qint64) override
    {
        QFile f;
        if (!localpath::open(f, localPath, QIODevice::ReadOnly))
            return false;
        ++count;
        return fs.store(hostPath, 0, false, [&](char *b, int n) { return int(f.read(b, n)); }).ok();
    }
    bool download(const QString &hostPath, const QString &localPath, qint64) override
    {
        QFile f;
        if (!localpath::open(f, localPath, QIODevice::WriteOnly))
            return false;
        ++count;
        return fs.retrieve(hostPath, 0, [&](const char *b, int n) { return f.write(b, n) == n; }).ok();
    }
    // Cancelled once `stopAfter` transfers were done (-1: never).
    bool cancelled() const override { return stopAfter >= 0 && count >= stopAfter; }
    // As a runner over several connections is handed them: every run of copies at once.
    bool spreads() const override { return spread; }
    QList<bool> copyAll(const QList<FileCopy> &copies) override
    {
        batches << int(copies.size());
        return SyncTransfers::copyAll(copies);
    }

    RemoteFs &fs;
    int count = 0;
    int stopAfter = -1;
    bool spread = false;
    QList<int> batches;
};

const char *serverName(Server s) { return s == Server::Pyftpdlib ? "pyftpdlib" : "vsftpd"; }

struct Pair {
    kavtest::Served served;
    kavtest::RecordedSession client;
    FtpFs fs{client.session};
    // Whole minutes two days back: a LIST line shows them with a clock.
    const QDateTime base = QDateTime::fromSecsSinceEpoch(
        (QDateTime::currentSecsSinceEpoch() - 2 * 86400) / 60 * 60, Qt::UTC);

    QString local(const QString &rel = {}) const { return rel.isEmpty() ? served.localDir() : served.localDir() + "/" + rel; }
    QString home(const QString &rel = {}) const { return rel.isEmpty() ? served.homeDir() : served.homeDir() + "/" + rel; }

    static void put(const QString &path, const QByteArray &bytes, const QDateTime &when)
    {
        const QString dir = path.left(path.lastIndexOf('/'));
        ASSERT_TRUE(QDir().mkpath(dir));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        ASSERT_TRUE(localpath::setModified(path, when));
    }

    // The standard pair of trees: every kind of difference.
    void buildTrees()
    {
        const QDateTime later = base.addSecs(3600);
        put(local("same.txt"), "0123456789", base);
        put(home("same.txt"), "0123456789", base);
        put(local("newer-here.txt"), "new here..", later);
        put(home("newer-here.txt"), "old there.", base);
        put(local("newer-there.txt"), "old here..", base);
        put(home("newer-there.txt"), "new there.", later);
        put(local("size.txt"), "twelve bytes", base);
        put(home("size.txt"), "ten bytes!", base);
        put(local("only-local.txt"), "local", base);
        put(local("한글 파일.txt"), "한글", base);
        put(local("a/b/c/deep.txt"), "d", base);
        put(local("a/b/c/same"), "s", base);
        put(home("a/b/c/same"), "s", base);
        put(local("local-dir/x"), "x", base);
        put(home("only-host.txt"), "host", base);
        put(home("host-dir/y"), "y", base);
        put(home("host-dir/z/w"), "ww", base);
        ASSERT_EQ(::symlink(".", QFile::encodeName(local("link")).constData()), 0);
        // MLSD follows links (pyftpdlib lists this one as a file); LIST shows it as a link.
        ASSERT_EQ(::symlink("same.txt", QFile::encodeName(home("link")).constData()), 0);
    }

    ::testing::AssertionResult start(Server which)
    {
        EXPECT_TRUE(ws::startup());
        if (auto started = served.start(which); !started)
            return started;
        SessionProfile &p = client.profile();
        p.HostName = QStringLiteral("h");
        p.HostIP = QStringLiteral("127.0.0.1");
        p.UserId = QStringLiteral("kim");
        p.Password = QStringLiteral("secret");
        client.flow.BB_ConnectClick(false);
        if (!fs.connected())
            return ::testing::AssertionFailure() << client.ui.log.join('\n').toStdString();
        return ::testing::AssertionSuccess();
    }

    struct Trees {
        Node local, host;
    };
    Trees scan(const Excludes &ex = Excludes())
    {
        QString error;
        Trees t;
        t.local = scanLocalTree(local(), ex, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        HostScan h = scanHostTree(fs, QStringLiteral("/"), ex, {});
        EXPECT_TRUE(h.complete);
        t.host = std::move(h.root);
        return t;
    }
    Plan plan(const SyncOptions &o, const SyncState *state = nullptr, const Excludes &ex = Excludes())
    {
        const Trees t = scan(ex);
        return planSync(t.local, t.host, o, state);
    }
    SyncReport run(const Plan &p, int stopAfter = -1, bool spread = false)
    {
        FsTransfers transfers(fs);
        transfers.stopAfter = stopAfter;
        transfers.spread = spread;
        SyncRunner runner(fs, transfers, local(), QStringLiteral("/"), {{}, [this](const QString &l) { runLog << l; }});
        const SyncReport report = runner.run(p);
        batches = transfers.batches;
        return report;
    }
    QList<int> batches;   // the runs of copies of the last run, when spread
    QDateTime hostTime(const QString &rel)
    {
        QDateTime t;
        fs.modificationTime(QStringLiteral("/") + rel, &t);
        return t;
    }
    QByteArray hostBytes(const QString &rel)
    {
        QByteArray out;
        fs.retrieve(QStringLiteral("/") + rel, 0, [&](const char *b, int n) {
            out.append(b, n);
            return true;
        });
        return out;
    }
    QStringList runLog;
};

QByteArray bytesOf(const QString &path) { return kavtest::readAll(path); }

struct OneWay {
    const char *name;
    SyncOptions options;
    QStringList expected;
    // Files alike on both sides afterwards.
    QStringList alike;
    // Paths gone from both sides afterwards.
    QStringList gone;
};

const OneWay OneWayCases[] = {
    {"to the host",
     {Direction::ToHost, ByTime | BySize},
     {"upload a/b/c/deep.txt", "mkhost local-dir", "upload local-dir/x", "upload newer-here.txt",
      "upload only-local.txt", "upload size.txt", "upload 한글 파일.txt"},
     {"a/b/c/deep.txt", "local-dir/x", "newer-here.txt", "only-local.txt", "size.txt", "한글 파일.txt"},
     {}},
    {"to the host, mirror",
     {Direction::ToHost, ByTime | BySize, true},
     {"upload a/b/c/deep.txt", "delhost host-dir/y", "delhost host-dir/z/w", "rmhost host-dir/z", "rmhost host-dir",
      "mkhost local-dir", "upload local-dir/x", "upload newer-here.txt", "delhost only-host.txt",
      "upload only-local.txt", "upload size.txt", "upload 한글 파일.txt"},
     {"newer-here.txt", "size.txt"},
     {"host-dir", "only-host.txt"}},
    {"to the host, only existing", {Direction::ToHost, ByTime | BySize, false, true},
     {"upload newer-here.txt", "upload size.txt"}, {"newer-here.txt", "size.txt"}, {}},
    {"to the local side",
     {Direction::ToLocal, ByTime | BySize},
     {"mklocal host-dir", "download host-dir/y", "mklocal host-dir/z", "download host-dir/z/w",
      "download newer-there.txt", "download only-host.txt", "download size.txt"},
     {"host-dir/y", "host-dir/z/w", "newer-there.txt", "only-host.txt", "size.txt"},
     {}},
    {"to the local side, mirror",
     {Direction::ToLocal, ByTime | BySize, true},
     {"dellocal a/b/c/deep.txt", "mklocal host-dir", "download host-dir/y", "mklocal host-dir/z",
      "download host-dir/z/w", "dellocal local-dir/x", "rmlocal local-dir", "download newer-there.txt",
      "download only-host.txt", "dellocal only-local.txt", "download size.txt", "dellocal 한글 파일.txt"},
     {"newer-there.txt", "size.txt"},
     {"local-dir", "only-local.txt", "a/b/c/deep.txt"}},
};

class SyncServers : public ::testing::TestWithParam<Server> {};

// Each case one file after another, and with the copies handed on side by
// side (as over several connections): the same result, the order of
// directories, deletes and copies kept.
TEST_P(SyncServers, OneWayTables)
{
    for (const OneWay &c : OneWayCases)
    for (const bool spread : {false, true}) {
        SCOPED_TRACE(std::string(serverName(GetParam())) + ": " + c.name + (spread ? ", side by side" : ""));
        Pair pair;
        pair.buildTrees();
        ASSERT_TRUE(pair.start(GetParam()));
        const Plan plan = pair.plan(c.options);
        EXPECT_EQ(actionLines(plan), c.expected);
        EXPECT_EQ(plan.links, QStringList{"link"});
        const SyncReport report = pair.run(plan, -1, spread);
        if (spread) {
            // Every run of consecutive copies went at once, and nothing else.
            QList<int> runs;
            int length = 0;
            for (const QString &line : c.expected) {
                const bool copy = line.startsWith("upload ") || line.startsWith("download ");
                if (copy)
                    ++length;
                if (!copy && length > 0) {
                    runs << length;
                    length = 0;
                }
            }
            if (length > 0)
                runs << length;
            EXPECT_EQ(pair.batches, runs);
        }
        EXPECT_FALSE(report.cancelled);
        EXPECT_TRUE(report.failed.isEmpty()) << pair.runLog.join('\n').toStdString();
        // Read back through the server: it may keep a name in its own encoding on disk.
        for (const QString &rel : c.alike)
            EXPECT_EQ(bytesOf(pair.local(rel)), pair.hostBytes(rel)) << rel.toStdString();
        for (const QString &rel : c.gone) {
            EXPECT_FALSE(QFileInfo::exists(pair.local(rel))) << rel.toStdString();
            EXPECT_FALSE(QFileInfo::exists(pair.home(rel))) << rel.toStdString();
        }
        // The links were left alone.
        EXPECT_TRUE(QFileInfo(pair.local("link")).isSymLink());
        EXPECT_TRUE(QFileInfo(pair.home("link")).isSymLink());
        // A second comparison finds nothing to do, and transfers nothing.
        EXPECT_EQ(actionLines(pair.plan(c.options)), QStringList{});
    }
}

// Content: the host's files of equal size are downloaded to compare, never stored.
TEST_P(SyncServers, ContentComparedByDownloading)
{
    Pair pair;
    pair.buildTrees();
    ASSERT_TRUE(pair.start(GetParam()));
    Pair::Trees t = pair.scan();
    ASSERT_TRUE(fillDigests(pair.fs, t.local, t.host, pair.local(), QStringLiteral("/"), {}));
    EXPECT_FALSE(t.host.child("same.txt")->digest.isEmpty());
    EXPECT_EQ(t.host.child("same.txt")->digest, t.local.child("same.txt")->digest);
    EXPECT_TRUE(t.host.child("size.txt")->digest.isEmpty());   // sizes differ: nothing to read
    const SyncOptions byContent{Direction::ToHost, ByContent, false, true};
    EXPECT_EQ(actionLines(planSync(t.local, t.host, byContent, nullptr)),
              (QStringList{"upload newer-here.txt", "upload newer-there.txt", "upload size.txt"}));
}

TEST_P(SyncServers, TimesAfterTransfer)
{
    const bool canSetTimes = GetParam() == Server::Pyftpdlib;
    Pair pair;
    pair.buildTrees();
    ASSERT_TRUE(pair.start(GetParam()));
    // Down: the local file gets the host's time, to the second.
    pair.run(pair.plan({Direction::ToLocal, ByTime | BySize, false, false}));
    const QDateTime hostTime = pair.hostTime(QStringLiteral("only-host.txt"));
    ASSERT_TRUE(hostTime.isValid());
    EXPECT_EQ(localpath::status(pair.local("only-host.txt")).modified.toSecsSinceEpoch(), hostTime.toSecsSinceEpoch());
    EXPECT_EQ(hostTime, pair.base);
    // Up: the host file gets the local time where the server can set one.
    const SyncReport up = pair.run(pair.plan({Direction::ToHost, ByTime | BySize}));
    const QDateTime uploaded = pair.hostTime(QStringLiteral("only-local.txt"));
    ASSERT_TRUE(uploaded.isValid());
    EXPECT_EQ(uploaded == pair.base, canSetTimes);
    EXPECT_EQ(up.hostTimesUnsettable, !canSetTimes);
    // A server that cannot set times is said so once, not once a file.
    EXPECT_EQ(pair.runLog.filter(QStringLiteral("MFMT")).size(), canSetTimes ? 0 : 1);
}

TEST_P(SyncServers, TwoWayRemembers)
{
    Pair pair;
    pair.buildTrees();
    ASSERT_TRUE(pair.start(GetParam()));
    const SyncOptions both{Direction::BothWays, ByTime | BySize};
    SyncState state;
    // The first sync only copies; the sizes that no time explains are a conflict.
    Plan plan = pair.plan(both, &state);
    EXPECT_EQ(actionLines(plan),
              (QStringList{"upload a/b/c/deep.txt", "mklocal host-dir", "download host-dir/y", "mklocal host-dir/z",
                           "download host-dir/z/w", "mkhost local-dir", "upload local-dir/x", "upload newer-here.txt",
                           "download newer-there.txt", "download only-host.txt", "upload only-local.txt",
                           "conflict undecided size.txt", "upload 한글 파일.txt"}));
    SyncReport report = pair.run(plan);
    Pair::Trees after = pair.scan();
    state = stateAfter(state, after.local, after.host, unsettledPaths(plan, report.done), Excludes());
    // With a state, the two different files are a conflict of two creations.
    EXPECT_EQ(actionLines(pair.plan(both, &state)), QStringList{"conflict created-both size.txt"});

    // A delete on each side, a change on both sides, a rename.
    ASSERT_TRUE(QFile::remove(pair.local("only-host.txt")));
    ASSERT_TRUE(pair.fs.remove(QStringLiteral("/only-local.txt")).ok());
    Pair::put(pair.local("same.txt"), "changed here", pair.base.addSecs(7200));
    const QByteArray there = "changed there!";
    ASSERT_TRUE(pair.fs.store(QStringLiteral("/same.txt"), 0, false, [&, done = false](char *b, int) mutable {
        if (done)
            return 0;
        done = true;
        memcpy(b, there.constData(), there.size());
        return int(there.size());
    }).ok());
    ASSERT_TRUE(QFile::rename(pair.local("newer-here.txt"), pair.local("renamed.txt")));
    plan = pair.plan(both, &state);
    EXPECT_EQ(actionLines(plan), (QStringList{"delhost newer-here.txt", "delhost only-host.txt",
                                              "dellocal only-local.txt", "upload renamed.txt",
                                              "conflict changed-both same.txt", "conflict created-both size.txt"}));
    report = pair.run(plan);
    EXPECT_TRUE(report.failed.isEmpty()) << pair.runLog.join('\n').toStdString();
    after = pair.scan();
    state = stateAfter(state, after.local, after.host, unsettledPaths(plan, report.done), Excludes());
    // Nothing more but the conflicts, which were never overwritten.
    EXPECT_EQ(actionLines(pair.plan(both, &state)),
              (QStringList{"conflict changed-both same.txt", "conflict created-both size.txt"}));
    EXPECT_EQ(bytesOf(pair.local("same.txt")), QByteArray("changed here"));
    EXPECT_EQ(bytesOf(pair.home("same.txt")), there);
    EXPECT_FALSE(QFileInfo::exists(pair.home("newer-here.txt")));
    EXPECT_EQ(bytesOf(pair.home("renamed.txt")), QByteArray("new here.."));

    // The state survives a save and a load.
    QString error;
    const QString file = pair.local(".state");
    ASSERT_TRUE(saveState(file, state, &error)) << error.toStdString();
    SyncState loaded;
    ASSERT_EQ(loadState(file, &loaded), StateLoad::Loaded);
    EXPECT_EQ(loaded.records, state.records);
}

TEST_P(SyncServers, ACancelledRunFinishesOnTheNext)
{
    Pair pair;
    pair.buildTrees();
    ASSERT_TRUE(pair.start(GetParam()));
    const SyncOptions up{Direction::ToHost, ByTime | BySize};
    const Plan first = pair.plan(up);
    ASSERT_EQ(first.totals().transfers, 6);
    const SyncReport cancelled = pair.run(first, 2);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(cancelled.done.size(), 3);   // two uploads and the directory between them
    const Plan rest = pair.plan(up);
    EXPECT_EQ(rest.totals().transfers, 4);
    EXPECT_FALSE(pair.run(rest).cancelled);
    EXPECT_EQ(actionLines(pair.plan(up)), QStringList{});
}

// Servers that compute digests: pyftpdlib given the commands other servers
// have. Each way gives the same plan as downloading did, without a byte of
// the compared files coming over; a way the server answers as unknown falls
// through to the next one, and to downloading at the end.
TEST(SyncDigests, ServersThatComputeThem)
{
    struct Case {
        const char *name;
        std::vector<std::string> extensions;
        std::vector<std::pair<std::string, std::string>> answers;   // a way offered but refused
        int digestBytes;            // of the algorithm used; 32 is also downloading's SHA-256
        QStringList sent;           // commands that must appear in the transcript
        bool downloads;             // RETR of a compared file
    };
    const Case cases[] = {
        {"HASH, SHA-1 in force", {"HASH", "XSHA256", "XMD5"}, {}, 32, {"OPTS HASH SHA-256", "HASH /same.txt"}, false},
        {"XSHA256", {"XSHA256", "XMD5"}, {}, 32, {"XSHA256 /same.txt"}, false},
        {"XSHA1", {"XSHA1", "XMD5"}, {}, 20, {"XSHA1 /same.txt"}, false},
        {"XMD5 only", {"XMD5"}, {}, 16, {"XMD5 /same.txt"}, false},
        {"HASH offered but unknown, XMD5 next", {"HASH", "XMD5"}, {{"HASH", "502 Command not implemented."}}, 16,
         {"HASH /", "XMD5 /same.txt"}, false},
        {"none that works", {"XSHA256"}, {{"XSHA256", "500 Unknown command."}}, 32, {"XSHA256 /"}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Pair pair;
        pair.buildTrees();
        pair.served.configurePy = [&](kavtest::FtpServer &server) {
            for (const std::string &e : c.extensions)
                server.extend(e);
            for (const auto &[command, reply] : c.answers)
                server.answer(command, reply);
        };
        ASSERT_TRUE(pair.start(Server::Pyftpdlib));
        Pair::Trees t = pair.scan();
        const qsizetype before = pair.client.ui.log.size();
        ASSERT_TRUE(fillDigests(pair.fs, t.local, t.host, pair.local(), QStringLiteral("/"), {}));
        const QStringList log = pair.client.ui.log.mid(before);
        const QString transcript = log.join('\n');
        ASSERT_EQ(t.host.child("same.txt")->digest.size(), c.digestBytes) << transcript.toStdString();
        EXPECT_EQ(t.host.child("same.txt")->digest, t.local.child("same.txt")->digest);
        EXPECT_NE(t.host.child("newer-here.txt")->digest, t.local.child("newer-here.txt")->digest);
        EXPECT_TRUE(t.host.child("size.txt")->digest.isEmpty());
        for (const QString &command : c.sent)
            EXPECT_TRUE(transcript.contains(command)) << command.toStdString() << "\n" << transcript.toStdString();
        EXPECT_EQ(transcript.contains("RETR /same.txt"), c.downloads) << transcript.toStdString();
        // The way is said once, however many files it served.
        EXPECT_EQ(log.filter(QStringLiteral("내용을 비교합니다")).size(), 1) << transcript.toStdString();
        // An unknown way is asked once, not once a file.
        for (const auto &[command, reply] : c.answers)
            EXPECT_EQ(log.filter(QString::fromStdString(command) + " /").size(), 1) << transcript.toStdString();
        const SyncOptions byContent{Direction::ToHost, ByContent, false, true};
        EXPECT_EQ(actionLines(planSync(t.local, t.host, byContent, nullptr)),
                  (QStringList{"upload newer-here.txt", "upload newer-there.txt", "upload size.txt"}));
    }
}

// Setting a host file's time after an upload: MFMT, else SITE UTIME, else
// nothing, said once.
TEST(SyncHostTimes, ByWhateverTheServerKnows)
{
    struct Case {
        const char *name;
        bool mfmt, siteUtime;
    };
    for (const Case &c : {Case{"MFMT", true, true}, Case{"SITE UTIME", false, true}, Case{"neither", false, false}}) {
        SCOPED_TRACE(c.name);
        Pair pair;
        pair.buildTrees();
        pair.served.configurePy = [&](kavtest::FtpServer &server) {
            if (!c.mfmt)
                server.without("MFMT");
            if (c.siteUtime)
                server.extend("SITE UTIME");
        };
        ASSERT_TRUE(pair.start(Server::Pyftpdlib));
        const qsizetype before = pair.client.ui.log.size();
        const SyncReport up = pair.run(pair.plan({Direction::ToHost, ByTime | BySize}));
        EXPECT_TRUE(up.failed.isEmpty()) << pair.runLog.join('\n').toStdString();
        const QString transcript = pair.client.ui.log.mid(before).join('\n');
        const bool settable = c.mfmt || c.siteUtime;
        for (const char *rel : {"only-local.txt", "a/b/c/deep.txt", "한글 파일.txt"})
            EXPECT_EQ(pair.hostTime(QString::fromUtf8(rel)) == pair.base, settable) << rel << "\n" << transcript.toStdString();
        EXPECT_EQ(up.hostTimesUnsettable, !settable);
        EXPECT_EQ(pair.runLog.filter(QStringLiteral("MFMT")).size(), settable ? 0 : 1);
        // What the server does not know is asked once on the connection.
        EXPECT_EQ(transcript.count("MFMT "), c.mfmt ? 6 : 1) << transcript.toStdString();
        EXPECT_EQ(transcript.count("SITE UTIME "), c.mfmt ? 0 : c.siteUtime ? 6 : 1) << transcript.toStdString();
        // Now nothing differs by time.
        if (settable) {
            EXPECT_EQ(actionLines(pair.plan({Direction::ToHost, ByTime | BySize})), QStringList{});
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, SyncServers, ::testing::Values(Server::Pyftpdlib, Server::Vsftpd),
                         [](const auto &info) { return std::string(serverName(info.param)); });

} // namespace
