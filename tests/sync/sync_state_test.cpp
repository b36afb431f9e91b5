// The two-way state: its file, and what a run leaves in it.
#include "sync_trees.h"

#include "platform/local_path.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace kav::sync;
using synctest::actionLines;
using synctest::tree;

namespace {

TEST(SyncState, FileRoundTripsEveryName)
{
    SyncState s;
    s.exists = true;
    s.profile = QStringLiteral("내 서버");
    s.localDir = QStringLiteral("/home/me/웹 사이트");
    s.hostDir = QStringLiteral("/var/www");
    const QString odd = QStringLiteral("tab\there%and\nnewline ") + QChar(0xDCB1) + QChar(0xDC80);
    const QList<QString> paths{QStringLiteral("a.txt"), QStringLiteral("한글/파일 이름.txt"), odd};
    for (const QString &p : paths)
        s.records.insert(p, StateRecord{Facts{NodeKind::File, true, 12, {1000, 1000}, {}},
                                        Facts{NodeKind::File, true, 12, {60000, 60000}, {}}});
    s.records.insert(QStringLiteral("d"), StateRecord{Facts{NodeKind::Directory, true, -1, {}, {}},
                                                      Facts{NodeKind::Directory, true, -1, {5000, 1000}, {}}});
    SyncState back;
    ASSERT_TRUE(parseStateText(stateText(s), &back));
    EXPECT_TRUE(back.exists);
    EXPECT_EQ(back.profile, s.profile);
    EXPECT_EQ(back.localDir, s.localDir);
    EXPECT_EQ(back.hostDir, s.hostDir);
    EXPECT_EQ(back.records, s.records);
    EXPECT_EQ(stateText(back), stateText(s));
}

TEST(SyncState, ACutOrForeignFileIsRefused)
{
    SyncState s;
    s.exists = true;
    s.records.insert(QStringLiteral("a"), StateRecord{Facts{NodeKind::File, true, 1, {1000, 1000}, {}},
                                                      Facts{NodeKind::File, true, 1, {1000, 1000}, {}}});
    const QByteArray good = stateText(s);
    SyncState out;
    const QByteArray bad[] = {
        good.left(good.size() - 4),                 // the "end" line lost
        good.left(good.indexOf("entry")),            // cut before the entries
        QByteArray("KAVRIN-SYNC-STATE 2\nend\n"),   // a later format
        QByteArray(good).replace("\tF\t", "\tX\t"),  // an unknown kind
        QByteArray(good).replace("end\n", "end\nentry\tb\n"),
        QByteArray(),
    };
    for (const QByteArray &text : bad)
        EXPECT_FALSE(parseStateText(text, &out)) << text.constData();
}

TEST(SyncState, IsKeptBesideTheSettingsAndWrittenWhole)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    qputenv("KAVRIN_HOME", QFile::encodeName(home.path()));
    const QString path = stateFilePath(QStringLiteral("p"), QStringLiteral("/l"), QStringLiteral("/h"));
    EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(home.path()).absolutePath());
    EXPECT_NE(path, stateFilePath(QStringLiteral("p"), QStringLiteral("/l"), QStringLiteral("/h2")));
    EXPECT_NE(path, stateFilePath(QStringLiteral("q"), QStringLiteral("/l"), QStringLiteral("/h")));

    SyncState loaded;
    EXPECT_EQ(loadState(path, &loaded), StateLoad::Missing);
    EXPECT_FALSE(loaded.exists);

    SyncState s;
    s.exists = true;
    s.profile = QStringLiteral("p");
    s.records.insert(QStringLiteral("x"), StateRecord{Facts{NodeKind::File, true, 3, {1000, 1000}, {}},
                                                      Facts{NodeKind::File, true, 3, {2000, 1000}, {}}});
    QString error;
    ASSERT_TRUE(saveState(path, s, &error)) << error.toStdString();
    ASSERT_EQ(loadState(path, &loaded), StateLoad::Loaded);
    EXPECT_EQ(loaded.records, s.records);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // A damaged file is an error, never an empty state.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("KAVRIN-SYNC-STATE 1\nentry\tx\n");
    f.close();
    EXPECT_EQ(loadState(path, &loaded), StateLoad::Unreadable);
    EXPECT_FALSE(loaded.exists);
    qunsetenv("KAVRIN_HOME");
}

TEST(SyncState, ARunRecordsWhatIsAlikeAndKeepsWhatWasLeftUndone)
{
    const Node baseLocal = tree({"a 1 @100", "b 2 @100", "d/e 3 @100", "skip.bak 1 @1"});
    const Node baseHost = tree({"a 1 @900", "b 2 @900", "d/e 3 @900", "skip.bak 1 @1"});
    const Excludes ex(QStringLiteral("*.bak"));
    const SyncState last = stateAfter(SyncState{}, baseLocal, baseHost, {}, Excludes());
    EXPECT_EQ(last.records.size(), 5);   // a, b, d, d/e, skip.bak
    // The user deleted "a" and "d/e" locally; the plan proposes deleting them
    // on the host; the user unchecks "d/e".
    const Node local = tree({"b 2 @100", "d/"});
    const Node host = tree({"a 1 @900", "b 2 @900", "d/e 3 @900"});
    Plan plan = planSync(local, host, {Direction::BothWays, ByTime | BySize}, &last);
    ASSERT_EQ(actionLines(plan), (QStringList{"delhost a", "delhost d/e"}));
    plan.actions[1].checked = false;
    const QSet<QString> unsettled = unsettledPaths(plan, {0});
    EXPECT_EQ(unsettled, QSet<QString>{QStringLiteral("d/e")});
    // After the run the host lost "a"; "d/e" is still there.
    const SyncState next = stateAfter(last, local, tree({"b 2 @900", "d/e 3 @900"}), unsettled, ex);
    EXPECT_FALSE(next.records.contains(QStringLiteral("a")));
    EXPECT_TRUE(next.records.contains(QStringLiteral("b")));
    EXPECT_TRUE(next.records.contains(QStringLiteral("d/e")));        // kept: its delete is still due
    EXPECT_TRUE(next.records.contains(QStringLiteral("skip.bak")));   // excluded: kept as it was
    // So the next sync proposes the delete again, and nothing else.
    EXPECT_EQ(actionLines(planSync(local, tree({"b 2 @900", "d/e 3 @900"}), {Direction::BothWays, ByTime | BySize},
                                   &next)),
              QStringList{"delhost d/e"});
}

} // namespace
