// The saved lists' rules: moving entries and blocks, deleting a selection, the
// add rules with their refusals, subjects, the stored form of each list in
// KAVRIN.INI, how a tools entry starts, and the host search's mask check.
#include "browse/host_search.h"
#include "config/list_rules.h"
#include "config/stored_lists.h"
#include "platform/ini_file.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kav;

namespace {

OrderedList<QString> listOf(const QString &letters, const QList<int> &selected, int current = -1)
{
    OrderedList<QString> l;
    for (QChar c : letters)
        l.append(QString(c));
    for (int i : selected)
        l.setSelected(i, true);
    l.setCurrent(current);
    return l;
}

QString lettersOf(const OrderedList<QString> &l)
{
    QString s;
    for (const QString &e : l.entries())
        s += e;
    return s;
}

} // namespace

struct MoveCase {
    const char *name;
    const char *before;
    QList<int> selected;
    bool up;
    int times;
    const char *after;
    QList<int> selectedAfter;
    bool lastMoveDone;   // false: the last press beeped
};

TEST(OrderedListMoves, BlocksAndSingleEntries)
{
    const MoveCase cases[] = {
        {"two of five up twice", "abcde", {2, 3}, true, 2, "cdabe", {0, 1}, true},
        {"two of five up three times: the third beeps", "abcde", {2, 3}, true, 3, "cdabe", {0, 1}, false},
        {"block of three up", "abcdef", {2, 3, 4}, true, 1, "acdebf", {1, 2, 3}, true},
        {"block of three down", "abcdef", {1, 2, 3}, false, 1, "aebcdf", {2, 3, 4}, true},
        {"block of three down to the bottom, then a beep", "abcdef", {1, 2, 3}, false, 3, "aefbcd", {3, 4, 5}, false},
        {"first entry up beeps and moves nothing", "abc", {0}, true, 1, "abc", {0}, false},
        {"last entry down beeps", "abc", {2}, false, 1, "abc", {2}, false},
        {"separate entries up", "abcde", {1, 3}, true, 1, "badce", {0, 2}, true},
        {"top of a selection at the top stops the walk", "abcde", {0, 3}, true, 1, "abcde", {0, 3}, false},
        {"nothing selected", "abc", {}, true, 1, "abc", {}, true},
    };
    for (const MoveCase &c : cases) {
        OrderedList<QString> l = listOf(QString::fromLatin1(c.before), c.selected);
        bool done = true;
        for (int i = 0; i < c.times; ++i)
            done = c.up ? l.moveUp() : l.moveDown();
        EXPECT_EQ(lettersOf(l), QString::fromLatin1(c.after)) << c.name;
        EXPECT_EQ(l.selectedRows(), c.selectedAfter) << c.name;
        EXPECT_EQ(done, c.lastMoveDone) << c.name;
    }
}

TEST(OrderedListMoves, CurrentFollowsTheMovedEntry)
{
    OrderedList<QString> l = listOf(QStringLiteral("abc"), {1}, 1);
    ASSERT_TRUE(l.moveDown());
    EXPECT_EQ(l.current(), 2);
    ASSERT_TRUE(l.moveUp());
    ASSERT_TRUE(l.moveUp());
    EXPECT_EQ(l.current(), 0);
    EXPECT_EQ(lettersOf(l), QStringLiteral("bac"));
}

TEST(OrderedListDelete, SelectionAfterwards)
{
    struct Case {
        const char *name;
        const char *before;
        QList<int> selected;
        const char *after;
        int selectedAfter;   // -1: none
    };
    const Case cases[] = {
        {"three selected go", "abcdef", {1, 2, 4}, "adf", 2},
        {"the last entry: the previous one is selected", "abcd", {3}, "abc", 2},
        {"the first entry: the new first", "abcd", {0}, "bcd", 0},
        {"a middle entry: the one that moved up", "abcd", {1}, "acd", 1},
        {"the only entry: nothing left", "a", {0}, "", -1},
        {"everything", "abc", {0, 1, 2}, "", -1},
        {"nothing selected", "abc", {}, "abc", -1},
    };
    for (const Case &c : cases) {
        OrderedList<QString> l = listOf(QString::fromLatin1(c.before), c.selected);
        l.removeSelected();
        EXPECT_EQ(lettersOf(l), QString::fromLatin1(c.after)) << c.name;
        EXPECT_EQ(l.selectedRows(), c.selectedAfter < 0 ? QList<int>{} : QList<int>{c.selectedAfter}) << c.name;
        EXPECT_EQ(l.current(), c.selectedAfter) << c.name;
    }
}

TEST(AddRules, LocalBookmarks)
{
    const QStringList existing = {QStringLiteral("/home/김/문서/보고서.txt"), QStringLiteral("/tmp/README"),
                                  QStringLiteral("/tmp/readme"), QStringLiteral("/tmp/a;b.txt"),
                                  QStringLiteral("/tmp/two\nlines")};
    const auto exists = [&](const QString &p) { return existing.contains(p); };
    OrderedList<QString> l;
    struct Case {
        QString text;
        AddOutcome expected;
    };
    const Case cases[] = {
        {QStringLiteral("/home/김/문서/보고서.txt"), AddOutcome::Added},
        {QStringLiteral("/home/김/문서/보고서.txt"), AddOutcome::Duplicate},
        {QStringLiteral("/tmp/README"), AddOutcome::Added},
        // Two files that differ only in letter case are two files here.
        {QStringLiteral("/tmp/readme"), AddOutcome::Added},
        {QStringLiteral("/tmp/gone.txt"), AddOutcome::Missing},
        {QStringLiteral("▶ 업무"), AddOutcome::Added},
        {QStringLiteral("▶ 업무"), AddOutcome::Duplicate},
        // ";" separates nothing in this section; a line end would cut the entry.
        {QStringLiteral("/tmp/a;b.txt"), AddOutcome::Added},
        {QStringLiteral("/tmp/two\nlines"), AddOutcome::Unstorable},
    };
    for (const Case &c : cases)
        EXPECT_EQ(addLocalBookmark(l, c.text, exists), c.expected) << c.text.toStdString();
    EXPECT_EQ(l.size(), 5);
}

TEST(AddRules, HostBookmarks)
{
    OrderedList<HostBookmark> l;
    EXPECT_EQ(addHostBookmark(l, QStringLiteral("/pub/한글.txt"), false), AddOutcome::Added);
    EXPECT_EQ(addHostBookmark(l, QStringLiteral("/pub/한글.txt"), true), AddOutcome::Duplicate);
    EXPECT_EQ(addHostBookmark(l, QStringLiteral("/pub/한글.TXT"), false), AddOutcome::Added);
    EXPECT_EQ(addHostBookmark(l, QStringLiteral("/pub/setup.exe"), true), AddOutcome::Added);
    EXPECT_EQ(addHostBookmark(l, QStringLiteral("▶ 자료"), false), AddOutcome::Added);
    EXPECT_EQ(addHostBookmark(l, QStringLiteral("/pub/a;b"), false), AddOutcome::Unstorable);
    EXPECT_EQ(addHostBookmark(l, QStringLiteral("/pub/a\r"), false), AddOutcome::Unstorable);
    ASSERT_EQ(l.size(), 4);
    EXPECT_FALSE(l.at(0).binary);
    EXPECT_TRUE(l.at(2).binary);
    EXPECT_TRUE(l.at(3).binary) << "a subject line is always stored with B";
}

TEST(AddRules, QueueTakesDuplicatesButNoBrokenPaths)
{
    OrderedList<QueueEntry> l;
    const QueueEntry up{QStringLiteral("/home/김/보고서.txt"), QStringLiteral("/pub"), false, true};
    EXPECT_EQ(addQueueEntry(l, up), AddOutcome::Added);
    EXPECT_EQ(addQueueEntry(l, up), AddOutcome::Added) << "the same file may be queued twice";
    EXPECT_EQ(addQueueEntry(l, {QStringLiteral("/tmp/x;y"), QStringLiteral("/pub"), false, true}), AddOutcome::Unstorable);
    EXPECT_EQ(addQueueEntry(l, {QStringLiteral("/tmp/x"), QStringLiteral("/pub;x"), false, true}), AddOutcome::Unstorable);
    EXPECT_EQ(addQueueEntry(l, {QStringLiteral("/tmp/x\n"), QStringLiteral("/pub"), false, true}), AddOutcome::Unstorable);
    EXPECT_EQ(l.size(), 2);
}

TEST(AddRules, CapacityIsWhatTheFileStores)
{
    OrderedList<QueueEntry> q;
    OrderedList<HostBookmark> h;
    OrderedList<QString> b;
    OrderedList<QString> t;
    for (int i = 0; i < 500; ++i) {
        const QString p = QStringLiteral("/d/파일%1").arg(i);
        ASSERT_EQ(addQueueEntry(q, {p, QStringLiteral("/x"), true, false}), AddOutcome::Added);
        ASSERT_EQ(addHostBookmark(h, p, false), AddOutcome::Added);
        ASSERT_EQ(addLocalBookmark(b, p, [](const QString &) { return true; }), AddOutcome::Added);
    }
    EXPECT_EQ(addQueueEntry(q, {QStringLiteral("/d/501"), QStringLiteral("/x"), true, false}), AddOutcome::Full);
    EXPECT_EQ(addHostBookmark(h, QStringLiteral("/d/501"), false), AddOutcome::Full);
    EXPECT_EQ(addLocalBookmark(b, QStringLiteral("/d/501"), [](const QString &) { return true; }), AddOutcome::Full);
    EXPECT_EQ(addLocalBookmark(b, QStringLiteral("/d/파일7"), [](const QString &) { return true; }), AddOutcome::Duplicate);
    for (int i = 0; i < 30; ++i)
        ASSERT_EQ(addTool(t, QStringLiteral("/usr/bin/t%1").arg(i)), AddOutcome::Added);
    EXPECT_EQ(addTool(t, QStringLiteral("/usr/bin/t30")), AddOutcome::Full);
    EXPECT_EQ(addTool(t, QStringLiteral("/usr/bin/t3")), AddOutcome::Duplicate);
    EXPECT_EQ(q.size(), 500);
    EXPECT_EQ(t.size(), 30);

    // The refusal worth a log line names the list, the limit and the path.
    EXPECT_EQ(refusalText(AddOutcome::Full, QStringLiteral("대기행렬(Queue)"), QStringLiteral("/d/501"), 500),
              QStringLiteral("대기행렬(Queue)에는 500개까지만 등록할 수 있어 추가하지 못했습니다: /d/501"));
    EXPECT_EQ(refusalText(AddOutcome::Unstorable, QStringLiteral("대기행렬(Queue)"), QStringLiteral("/a;b\n"), 500),
              QStringLiteral("경로에 ';' 또는 줄바꿈 문자가 있어 대기행렬(Queue)에 추가하지 못했습니다: /a;b\\n"));
    EXPECT_TRUE(refusalText(AddOutcome::Duplicate, QStringLiteral("x"), QStringLiteral("y"), 1).isEmpty());
    EXPECT_TRUE(refusalText(AddOutcome::Missing, QStringLiteral("x"), QStringLiteral("y"), 1).isEmpty());
}

TEST(Subjects, MarkIsTwoUnitsAndRenameKeepsIt)
{
    EXPECT_EQ(SubjectMark.size(), 2);
    EXPECT_EQ(SubjectMark, QString::fromUtf8("\xE2\x96\xB6 "));
    const QString line = subjectLine(QStringLiteral("업무 자료"));
    EXPECT_TRUE(isSubjectLine(line));
    EXPECT_EQ(subjectName(line), QStringLiteral("업무 자료"));
    EXPECT_EQ(subjectLine(subjectName(line) + QStringLiteral("2")), QStringLiteral("▶ 업무 자료2"));
    EXPECT_FALSE(isSubjectLine(QStringLiteral("/pub/▶file")));
    EXPECT_TRUE(isSubjectLine(QStringLiteral("x▶ y")));
    EXPECT_EQ(subjectName(QStringLiteral("x▶ y")), QStringLiteral("xy"));
}

TEST(Subjects, InsertBeforeTheCurrentEntryAndRename)
{
    OrderedList<HostBookmark> l;
    for (const char *t : {"/a", "/b", "/c", "/d", "/e"})
        l.append({QString::fromLatin1(t), false});
    // Inserted at the current entry's place, which moves one down and stays current.
    EXPECT_EQ(insertSubject(l, 4, QStringLiteral("  자료  "), 500), AddOutcome::Added);
    EXPECT_EQ(l.at(4).text, QStringLiteral("▶ 자료"));
    EXPECT_TRUE(l.at(4).binary);
    EXPECT_EQ(l.at(5).text, QStringLiteral("/e"));
    EXPECT_EQ(l.current(), 5);
    EXPECT_EQ(insertSubject(l, 0, QStringLiteral("자료"), 500), AddOutcome::Duplicate);
    EXPECT_EQ(insertSubject(l, 0, QStringLiteral("   "), 500), AddOutcome::Unstorable);
    EXPECT_EQ(insertSubject(l, 0, QStringLiteral("a;b"), 500), AddOutcome::Unstorable);
    EXPECT_EQ(insertSubject(l, 0, QStringLiteral("새 제목"), 6), AddOutcome::Full);
    EXPECT_EQ(l.size(), 6);

    // Renaming keeps the mark, trims the answer, and ignores an empty one.
    EXPECT_EQ(renameSubject(l, 4, QStringLiteral(" 문서 모음 ")), AddOutcome::Added);
    EXPECT_EQ(l.at(4).text, QStringLiteral("▶ 문서 모음"));
    EXPECT_EQ(subjectName(l.at(4).text), QStringLiteral("문서 모음"));
    EXPECT_EQ(renameSubject(l, 4, QString()), AddOutcome::Unstorable);
    EXPECT_EQ(renameSubject(l, 4, QStringLiteral("문서 모음")), AddOutcome::Added);
    EXPECT_EQ(l.at(4).text, QStringLiteral("▶ 문서 모음"));
}

TEST(StoredLists, KoreanEntriesRoundTripPerProfile)
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("KAVRIN.INI")));
    const QList<QueueEntry> queue = {
        {QStringLiteral("/home/김/보고서 1.hwp"), QStringLiteral("/pub/자료"), true, true},
        {QStringLiteral("/pub/자료/목록.txt"), QStringLiteral("/home/김"), false, false},
    };
    const QList<HostBookmark> marks = {{QStringLiteral("▶ 자료"), true}, {QStringLiteral("/pub/목록.txt"), false}};
    writeQueue(ini, QStringLiteral("회사"), queue);
    writeHostBookmarks(ini, QStringLiteral("회사"), marks);
    writeLocalBookmarks(ini, {QStringLiteral("/home/김/a;b.txt")});
    ASSERT_TRUE(ini.save());

    IniFile again(ini.path());
    ASSERT_EQ(again.load(), IniFile::LoadResult::Loaded);
    EXPECT_EQ(readQueue(again, QStringLiteral("회사")), queue);
    EXPECT_EQ(readHostBookmarks(again, QStringLiteral("회사")), marks);
    EXPECT_EQ(readLocalBookmarks(again), QStringList{QStringLiteral("/home/김/a;b.txt")});
    EXPECT_TRUE(readQueue(again, QStringLiteral("집")).isEmpty());
    EXPECT_EQ(again.readString(QStringLiteral("QUEUE"), QStringLiteral("회사0")),
              QStringLiteral("/home/김/보고서 1.hwp;/pub/자료;B;0"));
    EXPECT_EQ(again.readString(QStringLiteral("RBOOKMARK"), QStringLiteral("회사1")), QStringLiteral("/pub/목록.txt;A"));
}

TEST(StoredLists, FiveHundredEntriesComeBackWhole)
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("KAVRIN.INI")));
    QList<QueueEntry> queue;
    for (int i = 0; i < 500; ++i)
        queue << QueueEntry{QStringLiteral("/d/파일%1").arg(i), QStringLiteral("/x"), i % 2 == 0, i % 3 == 0};
    writeQueue(ini, QStringLiteral("a50"), queue);
    // Another profile whose keys would follow: "a500" is a key of "a50" only if read past 499.
    writeQueue(ini, QStringLiteral("a"), {{QStringLiteral("/only"), QStringLiteral("/"), false, true}});
    ASSERT_TRUE(ini.save());
    IniFile again(ini.path());
    ASSERT_EQ(again.load(), IniFile::LoadResult::Loaded);
    EXPECT_EQ(readQueue(again, QStringLiteral("a50")), queue);
    EXPECT_EQ(readQueue(again, QStringLiteral("a")).size(), 1);
}

TEST(Tools, HowAnEntryStarts)
{
    const auto exists = [](const QString &p) {
        return p == QStringLiteral("/opt/My Tool/run") || p == QStringLiteral("/doc/보고서.pdf")
            || p == QStringLiteral("/home/me/내 도구/인자 기록.sh");
    };
    struct Case {
        QString text;
        bool openFile;
        QString program;
        QStringList arguments;
    };
    const Case cases[] = {
        {QStringLiteral("/opt/My Tool/run"), true, QStringLiteral("/opt/My Tool/run"), {}},
        {QStringLiteral("/doc/보고서.pdf"), true, QStringLiteral("/doc/보고서.pdf"), {}},
        {QStringLiteral("/usr/bin/xterm -e top"), false, QStringLiteral("/usr/bin/xterm"), {QStringLiteral("-e"), QStringLiteral("top")}},
        {QStringLiteral("\"/opt/My Tool/run\" \"a b\" c"), false, QStringLiteral("/opt/My Tool/run"),
         {QStringLiteral("a b"), QStringLiteral("c")}},
        // Single quotes group words as the shell groups them; nothing is run through a shell.
        {QStringLiteral("editor 'x; rm -rf /'"), false, QStringLiteral("editor"), {QStringLiteral("x; rm -rf /")}},
        {QStringLiteral("/bin/echo 'two  words' \"it's\" a\\ b \"q\\\"d\" '$HOME'"), false, QStringLiteral("/bin/echo"),
         {QStringLiteral("two  words"), QStringLiteral("it's"), QStringLiteral("a b"), QStringLiteral("q\"d"),
          QStringLiteral("$HOME")}},
        {QStringLiteral("'/home/me/내 도구/인자 기록.sh' arg"), false, QStringLiteral("/home/me/내 도구/인자 기록.sh"),
         {QStringLiteral("arg")}},
        {QStringLiteral("'/it'\\''s/run' ''"), false, QStringLiteral("/it's/run"), {QString()}},
        // Stored before paths were quoted: the longest run of words naming a file.
        {QStringLiteral("/home/me/내 도구/인자 기록.sh arg two"), false, QStringLiteral("/home/me/내 도구/인자 기록.sh"),
         {QStringLiteral("arg"), QStringLiteral("two")}},
        // A quote left open starts nothing.
        {QStringLiteral("/bin/echo 'open"), false, QString(), {}},
    };
    for (const Case &c : cases) {
        const ToolLaunch l = toolLaunch(c.text, exists);
        EXPECT_EQ(l.openFile, c.openFile) << c.text.toStdString();
        EXPECT_EQ(l.program, c.program) << c.text.toStdString();
        EXPECT_EQ(l.arguments, c.arguments) << c.text.toStdString();
    }
}

// The path put before the arguments in the argument box comes back as one word.
TEST(Tools, QuotedPathsSplitBackToThemselves)
{
    for (const QString &path : {QStringLiteral("/usr/bin/xterm"), QStringLiteral("/home/me/내 도구/인자 기록.sh"),
                                QStringLiteral("/it's here/a\"b"), QStringLiteral("/x/$HOME `id` \\n"),
                                QStringLiteral("/tab\there"), QString()}) {
        const auto words = shellWords(shellQuoted(path) + QStringLiteral(" arg"));
        ASSERT_TRUE(words.has_value()) << path.toStdString();
        EXPECT_EQ(*words, (QStringList{path, QStringLiteral("arg")})) << path.toStdString();
    }
    EXPECT_EQ(shellQuoted(QStringLiteral("/usr/bin/xterm")), QStringLiteral("/usr/bin/xterm"));
}

TEST(TypeLetters, ByExtensionAndIcon)
{
    const auto ascii = [](const QString &e) { return e == QStringLiteral("TXT") || e == QStringLiteral("C"); };
    struct Case {
        const char *name;
        bool executable;
        bool binary;
    };
    const Case cases[] = {
        {"/pub/readme.txt", false, false}, {"/pub/README.TXT", false, false}, {"/pub/setup.txt", true, true},
        {"/pub/a.tar.gz", false, true},    {"/pub/Makefile", false, true},   {"/home/x.y/z", false, true},
        {"/src/main.c", false, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(binaryByExtension(QString::fromUtf8(c.name), ascii, c.executable), c.binary) << c.name;
}

TEST(HostSearchMask, MalformedMasksAreNamedWithTheirPosition)
{
    struct Case {
        const char *mask;
        int position;
    };
    const Case cases[] = {
        {"*", 0}, {"*.txt", 0}, {"[a-c]*.zip", 0}, {"[!a]?", 0}, {"[]]", 0},
        {"[abc", 1}, {"x[a-", 2}, {"*.[tT]xt[", 9}, {"[", 1}, {"a[!", 2},
    };
    for (const Case &c : cases)
        EXPECT_EQ(invalidMaskPosition(QString::fromLatin1(c.mask)), c.position) << c.mask;
    EXPECT_EQ(invalidMaskText(QStringLiteral("[abc"), 1), QStringLiteral("'[abc' is an invalid mask at (1)"));
}
