// Plans for every direction and option: (trees before, actions proposed).
#include "sync_trees.h"

#include <gtest/gtest.h>

using namespace kav::sync;
using synctest::actionLines;
using synctest::tree;

namespace {

// One pair of trees with every kind of difference: missing on each side, newer
// on each side, equal, differing only in size, Korean names, names with
// blanks, nested three deep, a link, and a directory on one side only.
Node localSide()
{
    return tree({"same.txt 10 @100", "newer-here.txt 10 @200", "newer-there.txt 10 @100", "size.txt 12 @100",
                 "only-local.txt 5 @100", "한글 파일.txt 3 @100", "a/b/c/deep.txt 1 @100", "a/b/c/same 1 @100",
                 "local-dir/x 1 @1", "link ->"});
}

Node hostSide()
{
    return tree({"same.txt 10 @100", "newer-here.txt 10 @100", "newer-there.txt 10 @200", "size.txt 10 @100",
                 "only-host.txt 4 @100", "a/b/c/same 1 @100", "host-dir/y 1 @1", "host-dir/z/w 2 @1", "link ->"});
}

struct Case {
    const char *name;
    SyncOptions options;
    QStringList expected;
};

TEST(SyncPlan, OneWayTables)
{
    const Case cases[] = {
        {"to the host",
         {Direction::ToHost, ByTime | BySize},
         {"upload a/b/c/deep.txt", "mkhost local-dir", "upload local-dir/x", "upload newer-here.txt",
          "upload only-local.txt", "upload size.txt", "upload 한글 파일.txt"}},
        {"to the host, mirror",
         {Direction::ToHost, ByTime | BySize, true},
         {"upload a/b/c/deep.txt", "delhost host-dir/y", "delhost host-dir/z/w", "rmhost host-dir/z",
          "rmhost host-dir", "mkhost local-dir", "upload local-dir/x", "upload newer-here.txt",
          "delhost only-host.txt", "upload only-local.txt", "upload size.txt",
          "upload 한글 파일.txt"}},
        {"to the host, only existing",
         {Direction::ToHost, ByTime | BySize, false, true},
         {"upload newer-here.txt", "upload size.txt"}},
        {"to the host by size only", {Direction::ToHost, BySize, false, true}, {"upload size.txt"}},
        {"to the host by time only", {Direction::ToHost, ByTime, false, true}, {"upload newer-here.txt"}},
        {"to the local side",
         {Direction::ToLocal, ByTime | BySize},
         {"mklocal host-dir", "download host-dir/y", "mklocal host-dir/z", "download host-dir/z/w",
          "download newer-there.txt", "download only-host.txt", "download size.txt"}},
        {"to the local side, mirror",
         {Direction::ToLocal, ByTime | BySize, true},
         {"dellocal a/b/c/deep.txt", "mklocal host-dir", "download host-dir/y", "mklocal host-dir/z",
          "download host-dir/z/w", "dellocal local-dir/x", "rmlocal local-dir",
          "download newer-there.txt", "download only-host.txt", "dellocal only-local.txt", "download size.txt",
          "dellocal 한글 파일.txt"}},
        {"to the local side, only existing, mirror",
         {Direction::ToLocal, ByTime | BySize, true, true},
         {"dellocal a/b/c/deep.txt", "dellocal local-dir/x", "rmlocal local-dir",
          "download newer-there.txt", "dellocal only-local.txt", "download size.txt", "dellocal 한글 파일.txt"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(actionLines(planSync(localSide(), hostSide(), c.options, nullptr)), c.expected) << c.name;
}

TEST(SyncPlan, MakesEveryMissingLevelOfANestedDirectory)
{
    const Plan p = planSync(tree({"a/b/c/d.txt 1 @1"}), tree({}), {Direction::ToHost, ByTime | BySize}, nullptr);
    EXPECT_EQ(actionLines(p), (QStringList{"mkhost a", "mkhost a/b", "mkhost a/b/c", "upload a/b/c/d.txt"}));
    EXPECT_EQ(p.totals().transfers, 1);
    EXPECT_EQ(p.totals().bytes, 1);
    EXPECT_EQ(p.totals().others, 3);
}

TEST(SyncPlan, ListTimesCountToTheMinute)
{
    // Host times from LIST lines: minute 2 is [120 s, 180 s).
    const Node host = tree({"inside 1 ~2", "after 1 ~2", "before 1 ~2"});
    const Node local = tree({"inside 1 @179", "after 1 @180", "before 1 @119"});
    EXPECT_EQ(actionLines(planSync(local, host, {Direction::ToHost, ByTime}, nullptr)),
              QStringList{"upload after"});
    EXPECT_EQ(actionLines(planSync(local, host, {Direction::ToLocal, ByTime}, nullptr)),
              QStringList{"download before"});
}

TEST(SyncPlan, ExcludedNamesAreNeitherCopiedNorDeleted)
{
    Excludes ex(QStringLiteral("*.bak; .git ;[Tt]emp*"));
    EXPECT_TRUE(ex.excludes(QStringLiteral("a.BAK")));
    EXPECT_TRUE(ex.excludes(QStringLiteral(".git")));
    EXPECT_TRUE(ex.excludes(QStringLiteral("temp1")));
    EXPECT_FALSE(ex.excludes(QStringLiteral("a.bak2")));
    EXPECT_TRUE(ex.excludesPath(QStringLiteral("src/.git/config")));
    EXPECT_TRUE(ex.firstInvalidMask().isEmpty());
    EXPECT_EQ(Excludes(QStringLiteral("ok;[bad")).firstInvalidMask(), QStringLiteral("[bad"));
}

TEST(SyncPlan, LinksAndUnreadableDirectoriesAreLeftAlone)
{
    // The host's "pub" could not be listed: nothing in it is missing, so even a
    // mirror deletes nothing there, and nothing is copied into it.
    const Node local = tree({"pub/new.txt 1 @1", "keep/a 1 @1", "lnk ->"});
    const Node host = tree({"pub/!", "gone/!", "keep/a 1 @1", "keep/l ->"});
    const Plan p = planSync(local, host, {Direction::ToHost, ByTime | BySize, true}, nullptr);
    EXPECT_EQ(actionLines(p), QStringList{});
    EXPECT_EQ(p.unlisted, (QStringList{"gone", "pub"}));
    EXPECT_EQ(p.links, (QStringList{"keep/l", "lnk"}));
    // A directory with a link in it is not removed by a mirror: the link keeps it.
    const Plan q = planSync(tree({}), tree({"d/f 1 @1", "d/l ->"}), {Direction::ToHost, ByTime, true}, nullptr);
    EXPECT_EQ(actionLines(q), QStringList{"delhost d/f"});
    // A root that could not be listed plans nothing at all.
    Node unreadable = tree({});
    unreadable.listed = false;
    EXPECT_TRUE(planSync(localSide(), unreadable, {Direction::ToLocal, ByTime, true}, nullptr).actions.isEmpty());
}

TEST(SyncPlan, AFileAgainstADirectoryIsAConflict)
{
    const Plan p = planSync(tree({"x 1 @1"}), tree({"x/y 1 @1"}), {Direction::ToHost, ByTime | BySize, true}, nullptr);
    EXPECT_EQ(actionLines(p), QStringList{"conflict kind x"});
    EXPECT_FALSE(p.actions[0].checked);
    EXPECT_EQ(p.totals().conflicts, 1);
}

TEST(SyncPlan, ContentDigestsDecideAndEqualContentOnlySetsATime)
{
    Node local = tree({"same 3 @100", "differs 3 @100", "no-digest 3 @200"});
    Node host = tree({"same 3 @50", "differs 3 @100", "no-digest 3 @100"});
    local.child("same")->digest = host.child("same")->digest = "aaa";
    local.child("differs")->digest = "bbb";
    host.child("differs")->digest = "ccc";
    EXPECT_EQ(actionLines(planSync(local, host, {Direction::ToHost, ByContent}, nullptr)),
              (QStringList{"upload differs", "upload no-digest"}));
    SyncOptions settable{Direction::ToHost, ByContent | ByTime};
    EXPECT_EQ(actionLines(planSync(local, host, settable, nullptr)), (QStringList{"upload differs", "upload no-digest"}));
    settable.hostTimeSettable = true;
    EXPECT_EQ(actionLines(planSync(local, host, settable, nullptr)),
              (QStringList{"upload differs", "upload no-digest", "timehost same"}));
    EXPECT_EQ(actionLines(planSync(local, host, {Direction::ToLocal, ByContent | ByTime}, nullptr)),
              (QStringList{"download differs", "timelocal same"}));
}

TEST(SyncPlan, ComparisonMarks)
{
    const Node l = tree({"a 1 @100", "b 1 @100", "c 2 @100", "d 1 @100", "e 1 @100", "dir/"});
    const Node h = tree({"a 1 @100", "b 1 @200", "c 1 @100", "d 1 @50", "f 1 @1", "dir 1 @1"});
    struct Row {
        const char *name;
        unsigned criteria;
        Difference expected;
    } rows[] = {
        {"a", ByTime | BySize, Difference::Same},       {"b", ByTime | BySize, Difference::HostNewer},
        {"c", ByTime | BySize, Difference::SizeDiffers}, {"c", ByTime, Difference::Same},
        {"d", ByTime, Difference::LocalNewer},           {"d", BySize, Difference::Same},
        {"e", ByTime, Difference::OnlyLocal},            {"f", BySize, Difference::OnlyHost},
        {"dir", ByTime, Difference::KindDiffers},
    };
    for (const Row &r : rows)
        EXPECT_EQ(compareNodes(l.child(r.name), h.child(r.name), r.criteria), r.expected) << r.name;
}

// ---- both ways ---------------------------------------------------------------------

SyncState stateOf(const Node &local, const Node &host)
{
    return stateAfter(SyncState{}, local, host, {}, Excludes());
}

TEST(SyncPlan, FirstTwoWaySyncOnlyCopies)
{
    const SyncOptions both{Direction::BothWays, ByTime | BySize};
    EXPECT_EQ(actionLines(planSync(localSide(), hostSide(), both, nullptr)),
              (QStringList{"upload a/b/c/deep.txt", "mklocal host-dir", "download host-dir/y",
                           "mklocal host-dir/z", "download host-dir/z/w", "mkhost local-dir", "upload local-dir/x",
                           "upload newer-here.txt", "download newer-there.txt", "download only-host.txt",
                           "upload only-local.txt", "conflict undecided size.txt", "upload 한글 파일.txt"}));
}

TEST(SyncPlan, TwoWayTablesAgainstTheLastSync)
{
    // The pair as the last sync left it: alike on both sides (the host's
    // times differ, as on a server that cannot set them).
    const Node baseLocal = tree({"a.txt 1 @100", "b.txt 2 @100", "c.txt 3 @100", "old-name 4 @100", "d/e 5 @100",
                                 "d/f 6 @100", "g/h 7 @100"});
    const Node baseHost = tree({"a.txt 1 @900", "b.txt 2 @900", "c.txt 3 @900", "old-name 4 @900", "d/e 5 @900",
                                "d/f 6 @900", "g/h 7 @900"});
    const SyncState last = stateOf(baseLocal, baseHost);
    const SyncOptions both{Direction::BothWays, ByTime | BySize};
    struct TwoWay {
        const char *name;
        Node local, host;
        QStringList expected;
    } cases[] = {
        {"nothing changed", baseLocal, baseHost, {}},
        {"deleted on each side",
         tree({"b.txt 2 @100", "c.txt 3 @100", "old-name 4 @100", "d/e 5 @100", "d/f 6 @100", "g/h 7 @100"}),
         tree({"a.txt 1 @900", "c.txt 3 @900", "old-name 4 @900", "d/e 5 @900", "d/f 6 @900", "g/h 7 @900"}),
         {"delhost a.txt", "dellocal b.txt"}},
        {"changed on each side",
         tree({"a.txt 1 @150", "b.txt 2 @100", "c.txt 3 @100", "old-name 4 @100", "d/e 5 @100", "d/f 6 @100",
               "g/h 7 @100"}),
         tree({"a.txt 1 @900", "b.txt 9 @900", "c.txt 3 @900", "old-name 4 @900", "d/e 5 @900", "d/f 6 @900",
               "g/h 7 @900"}),
         {"upload a.txt", "download b.txt"}},
        {"changed on both sides: a conflict",
         tree({"a.txt 1 @150", "b.txt 2 @100", "c.txt 3 @100", "old-name 4 @100", "d/e 5 @100", "d/f 6 @100",
               "g/h 7 @100"}),
         tree({"a.txt 8 @950", "b.txt 2 @900", "c.txt 3 @900", "old-name 4 @900", "d/e 5 @900", "d/f 6 @900",
               "g/h 7 @900"}),
         {"conflict changed-both a.txt"}},
        {"changed here, deleted there: a conflict",
         tree({"a.txt 1 @150", "b.txt 2 @100", "c.txt 3 @100", "old-name 4 @100", "d/e 5 @100", "d/f 6 @100",
               "g/h 7 @100"}),
         tree({"b.txt 2 @900", "c.txt 3 @900", "old-name 4 @900", "d/e 5 @900", "d/f 6 @900", "g/h 7 @900"}),
         {"conflict changed-deleted a.txt"}},
        {"renamed locally: a delete plus an add",
         tree({"a.txt 1 @100", "b.txt 2 @100", "c.txt 3 @100", "new-name 4 @100", "d/e 5 @100", "d/f 6 @100",
               "g/h 7 @100"}),
         baseHost,
         {"upload new-name", "delhost old-name"}},
        {"directory deleted on the host",
         tree({"a.txt 1 @100", "b.txt 2 @100", "c.txt 3 @100", "old-name 4 @100", "d/e 5 @100", "d/f 6 @100",
               "g/h 7 @100"}),
         tree({"a.txt 1 @900", "b.txt 2 @900", "c.txt 3 @900", "old-name 4 @900", "g/h 7 @900"}),
         {"dellocal d/e", "dellocal d/f", "rmlocal d"}},
        {"directory deleted on the host, a new file in it kept",
         tree({"a.txt 1 @100", "b.txt 2 @100", "c.txt 3 @100", "old-name 4 @100", "d/e 5 @100", "d/f 6 @100",
               "d/new 1 @300", "g/h 7 @100"}),
         tree({"a.txt 1 @900", "b.txt 2 @900", "c.txt 3 @900", "old-name 4 @900", "g/h 7 @900"}),
         {"mkhost d", "dellocal d/e", "dellocal d/f", "upload d/new"}},
        {"new on both sides, different: a conflict; alike: nothing",
         tree({"a.txt 1 @100", "b.txt 2 @100", "c.txt 3 @100", "old-name 4 @100", "d/e 5 @100", "d/f 6 @100",
               "g/h 7 @100", "n1 1 @500", "n2 2 @500"}),
         tree({"a.txt 1 @900", "b.txt 2 @900", "c.txt 3 @900", "old-name 4 @900", "d/e 5 @900", "d/f 6 @900",
               "g/h 7 @900", "n1 1 @500", "n2 3 @500"}),
         {"conflict created-both n2"}},
        {"host listing only to the minute, unchanged",
         baseLocal,
         tree({"a.txt 1 ~15", "b.txt 2 ~15", "c.txt 3 ~15", "old-name 4 ~15", "d/e 5 ~15", "d/f 6 ~15",
               "g/h 7 ~15"}),
         {}},
    };
    for (const TwoWay &c : cases)
        EXPECT_EQ(actionLines(planSync(c.local, c.host, both, &last)), c.expected) << c.name;
}

TEST(SyncPlan, AStateThatDoesNotExistIsTheFirstSync)
{
    SyncState none;   // exists == false
    const Plan p = planSync(tree({"a 1 @1"}), tree({"b 1 @1"}), {Direction::BothWays, ByTime}, &none);
    EXPECT_EQ(actionLines(p), (QStringList{"upload a", "download b"}));
}

} // namespace
