// The local pane's window-free rules: path joins, extensions, case renames, the
// reselection after a delete, the directory report, the wildcard matcher, the
// drive tabs and the rename that never replaces a file.

#include "local/local_names.h"
#include "platform/drives.h"
#include "platform/file_attributes.h"
#include "platform/local_path.h"
#include "platform/processes.h"
#include "platform/wildcard.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kav;
using namespace kav::local;

namespace {

QString q(const char *utf8) { return QString::fromUtf8(utf8); }

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(LocalPaths, JoinsNeverDoubleTheSeparatorAtTheRoot)
{
    struct Case { const char *dir, *name, *joined, *trailing; bool root; } cases[] = {
        {"/", "a.txt", "/a.txt", "/", true},
        {"/home", "a.txt", "/home/a.txt", "/home/", false},
        {"/home/사용자", "가나다.txt", "/home/사용자/가나다.txt", "/home/사용자/", false},
        {"/tmp/", "b", "/tmp/b", "/tmp/", false},
        {"/mnt/c:", "d:e.txt", "/mnt/c:/d:e.txt", "/mnt/c:/", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dir);
        EXPECT_EQ(joinPath(q(c.dir), q(c.name)), q(c.joined));
        EXPECT_EQ(withTrailingSeparator(q(c.dir)), q(c.trailing));
        EXPECT_EQ(isRootPath(q(c.dir)), c.root);
    }
}

TEST(LocalPaths, ExtensionsSplitOnlyAtThisPlatformsSeparator)
{
    struct Case { const char *name, *extension; } cases[] = {
        {"a.exe", "EXE"}, {"setup.Com", "COM"}, {"README", ""}, {"archive.tar.gz", "GZ"},
        {"가나다.텍스트", "텍스트"}, {"c:name", ""}, {"c:name.txt", "TXT"}, {"a.b:c", "B:C"},
        {"/dir.d/file", ""}, {".hidden", "HIDDEN"}, {"trailing.", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(upperExtension(q(c.name)), q(c.extension)) << c.name;
    EXPECT_EQ(fileNameOf(QStringLiteral("/a/b:c.txt")), QStringLiteral("b:c.txt"));
}

TEST(LocalPaths, CaseRenameNames)
{
    struct Case { const char *name; CaseRename mode; const char *renamed; } cases[] = {
        {"README.TXT", CaseRename::Sentence, "Readme.txt"},
        {"README.TXT", CaseRename::Lower, "readme.txt"},
        {"a.b", CaseRename::Upper, "A.B"},
        {"a.b", CaseRename::Sentence, "A.b"},
        {"가나다.TXT", CaseRename::Sentence, "가나다.txt"},
        {"가나다.txt", CaseRename::Upper, "가나다.TXT"},
        {"한글Name.Doc", CaseRename::Lower, "한글name.doc"},
        {"", CaseRename::Sentence, ""},
        {"x", CaseRename::Sentence, "X"},
        // Foreign bytes (code page 949, no encoding) stay as they are.
        {"a\xe9" "b.txt", CaseRename::Upper, "A\xe9" "B.TXT"},
        {"\xc7\xd1x.TXT", CaseRename::Lower, "\xc7\xd1x.txt"},
        {"\xe9README", CaseRename::Sentence, "\xe9readme"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(localpath::encode(caseRenamed(localpath::decode(c.name), c.mode)), QByteArray(c.renamed)) << c.name;
}

TEST(LocalPaths, IndexAfterDelete)
{
    struct Case { int lastDeleted, count, expected; } cases[] = {
        {4, 3, 2}, {1, 5, 1}, {0, 0, -1}, {2, 3, 2}, {-1, 2, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(indexAfterDelete(c.lastDeleted, c.count), c.expected) << c.lastDeleted << "," << c.count;
}

TEST(DirectoryReport, AttributeTextInItsOrder)
{
    struct Case { int attributes; const char *text; } cases[] = {
        {0, ""},
        {AttrArchive, "Archive"},
        {AttrDirectory, "Directory"},
        {AttrReadOnly | AttrArchive, "ReadOnly,Archive"},
        {AttrVolumeId | AttrHidden | AttrReadOnly, "ReadOnly,Hidden,VolumeId"},
        {AttrHidden | AttrDirectory, "Hidden,Directory"},
        {AttrSysFile, "SysFile"},
        {63, "ReadOnly,Hidden,SysFile,Directory,Archive,VolumeId"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(attributeText(c.attributes), q(c.text)) << c.attributes;
}

TEST(DirectoryReport, LineFormat)
{
    struct Case { const char *name; qint64 size; const char *when, *attributes, *line; } cases[] = {
        {"a.txt", 12, "2026-12-10 4:05:06", "Archive",
         "          a.txt            12       2026-12-10 4:05:06    Archive"},
        {"가나다라마바사아자차카타파하.txt", 3000000000LL, "d", "ReadOnly,Archive",
         "   가나다라마바사아자차카타파하.txt    3000000000                        d    ReadOnly,Archive"},
        // Hangul takes two columns: the fields end where the ASCII rows' fields end.
        {"가나.txt", 5, "2026. 12. 10. 오후 4:05:06", "Archive",
         "       가나.txt             5    2026. 12. 10. 오후 4:05:06    Archive"},
        {"한.c", 5, "26. 12. 10. 오전 4:05:06", "Archive",
         "           한.c             5    26. 12. 10. 오전 4:05:06    Archive"},
        {"a.txt", 5, "1. 2. 오전 4:05:06", "Archive",
         "          a.txt             5       1. 2. 오전 4:05:06    Archive"},
        // A name that looks like a placeholder stays as it is.
        {"%2%1.txt", 0, "t", "Archive", "       %2%1.txt             0                        t    Archive"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(reportLine(q(c.name), c.size, q(c.when), q(c.attributes)), q(c.line)) << c.name;
}

TEST(DirectoryReport, DisplayWidth)
{
    struct Case { const char *text; int width; } cases[] = {
        {"", 0}, {"abc", 3}, {"가나", 4}, {"a가b", 4}, {"漢字", 4}, {"ＡＢ", 4},
        {"e\xCC\x81", 1},             // e + combining acute
        {"\xE1\x84\x80\xE1\x85\xA1", 2},  // a conjoining jamo syllable
        {"\xF0\x9F\x98\x80", 2},      // an emoji
        {"오후 4:05:06", 12},
    };
    for (const Case &c : cases)
        EXPECT_EQ(displayWidth(QString::fromUtf8(c.text)), c.width) << c.text;
}

TEST(DirectoryReport, ListsFlaggedEntriesAndCountsTheirCharacters)
{
    const QLocale c(QLocale::C);
    const QDateTime when(QDate(2026, 12, 10), QTime(4, 5, 6));
    const QList<ReportEntry> entries = {
        {QStringLiteral("."), 0, when, AttrDirectory},
        {QStringLiteral(".."), 0, when, AttrDirectory},
        {q("가.txt"), 7, when, AttrArchive},
        {QStringLiteral("nothing"), 1, when, 0},
        {QStringLiteral(".secret"), 3, when, AttrHidden | AttrArchive},
    };
    const DirectoryReport report = buildDirectoryReport(entries, c);
    ASSERT_EQ(report.lines.size(), 2 + 4);
    EXPECT_EQ(report.lines[0], q("         파일명          크기         변경한 날짜/시간    속성"));
    EXPECT_EQ(report.lines[1], QString());
    EXPECT_FALSE(report.lines.join(QLatin1Char('\n')).contains(QStringLiteral("nothing")));
    EXPECT_TRUE(report.lines[5].endsWith(QStringLiteral("Hidden,Archive")));
    qint64 total = 0;
    for (int i = 2; i < report.lines.size(); ++i)
        total += report.lines[i].size();
    EXPECT_EQ(report.total, total);
    EXPECT_EQ(reportCaption(QStringLiteral("/tmp"), report.total),
              QStringLiteral("[Local] - DirInfo (/tmp, ") + QString::number(total) + QStringLiteral(" Bytes)"));
    // The time zone name never widens the column.
    EXPECT_FALSE(reportDateTime(when, c).contains(QStringLiteral("UTC")));
    EXPECT_TRUE(reportDateTime(when, c).contains(QStringLiteral("4:05:06")));
}

TEST(Wildcard, Matcher)
{
    struct Case { const char *mask, *name; bool host, local; } cases[] = {
        {"*.zip", "a.zip", true, true},
        {"*.zip", "A.ZIP", true, true},
        {"*.zip", "a.zip.txt", false, false},
        {"*.*", "README", false, true},
        {"*.*", "a.b", true, true},
        {"*", "", true, true},
        {"?.txt", "가.txt", true, true},
        {"?.txt", "ab.txt", false, false},
        {"[abc]*", "Beta", true, true},
        {"[!abc]*", "beta", false, false},
        {"[!abc]*", "delta", true, true},
        {"[a-c]?", "c9", true, true},
        {"[가-나]*", "각하", true, true},
        {"[]]x", "]x", true, true},
        {"[abc", "[abc", true, true},
        {"a*b*c", "aXXbYYc", true, true},
        {"a*b*c", "aXXbYY", false, false},
        {"*a", "banana", true, true},
        {"data?.*", "data1", false, true},
        {"*.txt", "txt", false, false},
        {"😀?", "😀x", true, true},
        {"?", "😀", true, true},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(matchesWildcard(q(c.mask), q(c.name)), c.host) << c.mask << " / " << c.name;
        EXPECT_EQ(matchesLocalMask(q(c.mask), q(c.name)), c.local) << c.mask << " / " << c.name;
    }
}

namespace {
bool removableSdb(const QString &device) { return device.startsWith(QLatin1String("/dev/sdb")); }
bool everyDirectory(const QString &path) { return !path.endsWith(QLatin1String(".conf")); }
} // namespace

TEST(DriveTabs, UserMountsOnlyWithDistinctTextsAndTypes)
{
    const QByteArray table =
        "overlay / overlay rw 0 0\n"
        "proc /proc proc rw 0 0\n"
        "sysfs /sys sysfs rw 0 0\n"
        "tmpfs /dev tmpfs rw 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "tmpfs /run/user/1000 tmpfs rw 0 0\n"
        "/dev/sda2 /etc/resolv.conf ext4 rw 0 0\n"
        "/dev/sda3 /home ext4 rw 0 0\n"
        "/dev/sdb1 /media/user/USB\\040DISK vfat rw 0 0\n"
        "/dev/sr0 /media/user/cd iso9660 ro 0 0\n"
        "server:/export /mnt/usb nfs4 rw 0 0\n"
        "/dev/sdc1 /media/usb ext4 rw 0 0\n"
        "tmpfs /tmp tmpfs rw 0 0\n"
        "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
        "/dev/loop0 /snap/core/1 squashfs ro 0 0\n";
    const QList<DriveTab> tabs = driveTabsOf(parseMountTable(table), QStringLiteral("/home/user"), &removableSdb,
                                             &everyDirectory);
    QStringList seen;
    for (const DriveTab &t : tabs)
        seen << t.mountPoint + QLatin1Char('=') + t.text + QLatin1Char('=') + QString::number(t.type);
    EXPECT_EQ(seen, (QStringList{
                        "/=/=3",
                        "/home=home=3",
                        "/home/user=user=3",
                        "/media/usb=media/usb=3",
                        "/media/user/USB DISK=USB DISK=2",
                        "/media/user/cd=cd=5",
                        "/mnt/usb=mnt/usb=4",
                        "/tmp=tmp=6",
                    }));

    struct Case { const char *dir; const char *mount; } cases[] = {
        {"/home/user/docs", "/home/user"}, {"/home", "/home"}, {"/homework", "/"}, {"/", "/"},
        {"/media/user/USB DISK/x", "/media/user/USB DISK"}, {"/tmp/a/b", "/tmp"},
    };
    for (const Case &c : cases) {
        const int index = driveTabIndexOf(tabs, q(c.dir));
        ASSERT_GE(index, 0) << c.dir;
        EXPECT_EQ(tabs[index].mountPoint, q(c.mount)) << c.dir;
    }
}

TEST(LocalFiles, AttributesFromFileModes)
{
    QTemporaryDir dir;
    writeFile(dir.filePath(q("가.txt")), "x");
    writeFile(dir.filePath(QStringLiteral(".hidden")), "x");
    QFile::setPermissions(dir.filePath(QStringLiteral(".hidden")), QFile::ReadOwner);
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    QFile::link(dir.filePath(QStringLiteral("missing")), dir.filePath(QStringLiteral("dangling")));
    // Names Qt's own file classes cannot reach: code page 949 and no encoding at all.
    const QByteArray root = QFile::encodeName(dir.path()) + '/';
    ::close(::open((root + "\xc7\xd1.txt").constData(), O_WRONLY | O_CREAT, 0444));
    ::mkdir((root + "sub\xff").constData(), 0755);
    struct Case { QString name; int attributes; } cases[] = {
        {localpath::decode("\xc7\xd1.txt"), AttrArchive | AttrReadOnly},
        {localpath::decode("sub\xff"), AttrDirectory},
        {q("가.txt"), AttrArchive},
        {QStringLiteral(".hidden"), AttrHidden | AttrArchive | AttrReadOnly},
        {QStringLiteral("sub"), AttrDirectory},
        {QStringLiteral("dangling"), AttrArchive},  // still an entry the user can see and delete
        {QStringLiteral("."), AttrDirectory},
        {QStringLiteral(".."), AttrDirectory},
    };
    for (const Case &c : cases)
        EXPECT_EQ(fileAttributes(dir.path() + QLatin1Char('/') + c.name), c.attributes)
            << c.name.toStdString();
    // Its time is the link's own, not the missing target's (none).
    const QDateTime linked = entryModified(dir.filePath(QStringLiteral("dangling")));
    EXPECT_TRUE(linked.isValid());
    EXPECT_LT(qAbs(linked.secsTo(QDateTime::currentDateTime())), 60);
}

TEST(LocalFiles, RenameNeverReplacesAnExistingFile)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(q("가.txt")), b = dir.filePath(q("나.txt")), c = dir.filePath(q("다.txt"));
    writeFile(a, "first");
    writeFile(b, "second");
    EXPECT_FALSE(renameNoReplace(a, b));
    EXPECT_EQ(readFile(a), "first");
    EXPECT_EQ(readFile(b), "second");
    EXPECT_FALSE(renameNoReplace(a, a));
    EXPECT_TRUE(renameNoReplace(a, c));
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_EQ(readFile(c), "first");
    EXPECT_FALSE(renameNoReplace(dir.filePath(QStringLiteral("missing")), a));
    EXPECT_FALSE(QFileInfo::exists(a));
}

TEST(Processes, RunAndWaitReturnsOnlyWhenTheProcessHasEnded)
{
    QTemporaryDir dir;
    const QString marker = dir.filePath(q("끝.txt"));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(runAndWait(QStringLiteral("/bin/sh"),
                         {QStringLiteral("-c"), QStringLiteral("sleep 0.3; echo done > \"$1\""), QStringLiteral("sh"), marker}),
              0);
    EXPECT_GE(timer.elapsed(), 250);
    EXPECT_EQ(readFile(marker), "done\n");
    EXPECT_NE(runAndWait(dir.filePath(QStringLiteral("no-such-program")), {}), 0);
    EXPECT_NE(runAndWait(QString(), {}), 0);
}
