// The local file search on a real tree: hidden entries, a symbolic-link loop,
// a directory the user cannot read (checked as an unprivileged user, since
// root reads everything), depth-first order, stop, a one-level search, and
// names that are not UTF-8.
#include "unprivileged.h"

#include "config/local_search.h"
#include "platform/local_path.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kav;

namespace {

void touch(const QString &path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("x");
}

// root/
//   readme.txt  Notes.TXT  .hidden.txt  data.bin
//   문서/ 보고서.txt  .숨김/ secret.txt
//   문서/하위/ 깊은.txt
//   loop -> .   (a link to a directory: never entered)
//   textlink.txt -> readme.txt (a link to a file: a file like any other)
//   locked/ inside.txt   (mode 000)
struct Tree {
    QTemporaryDir tmp;
    QString root;
    Tree()
    {
        root = tmp.path() + QStringLiteral("/찾기");
        QDir().mkpath(root + QStringLiteral("/문서/하위"));
        QDir().mkpath(root + QStringLiteral("/문서/.숨김"));
        QDir().mkpath(root + QStringLiteral("/locked"));
        for (const char *f : {"/readme.txt", "/Notes.TXT", "/.hidden.txt", "/data.bin", "/문서/보고서.txt",
                              "/문서/.숨김/secret.txt", "/문서/하위/깊은.txt", "/locked/inside.txt"})
            touch(root + QString::fromUtf8(f));
        QFile::link(root, root + QStringLiteral("/loop"));
        QFile::link(root + QStringLiteral("/readme.txt"), root + QStringLiteral("/textlink.txt"));
        ::chmod(QFile::encodeName(root + QStringLiteral("/locked")).constData(), 0);
    }
    ~Tree() { ::chmod(QFile::encodeName(root + QStringLiteral("/locked")).constData(), 0755); }
};

struct Outcome {
    LocalSearchResult result;
    QStringList found;
    int read = 0;
};

Outcome search(const QString &dir, const QString &mask, bool sub, int stopAfterMatches = -1)
{
    Outcome o;
    LocalSearchCallbacks cb;
    cb.directoryRead = [&](int n) { o.read = n; };
    cb.found = [&](const QString &p, int) { o.found << p; };
    cb.stopRequested = [&] { return stopAfterMatches >= 0 && o.found.size() >= stopAfterMatches; };
    o.result = searchLocalFiles(dir, mask, sub, cb);
    return o;
}

} // namespace

TEST(LocalSearch, HiddenLinksAndUnreadableDirectoriesAsAUser)
{
    Tree t;
    const QString r = t.root;
    // The scratch directory goes to the ordinary user; the tree inside stays
    // root's, readable by all but "locked".
    const int status = kavtest::runUnprivileged(t.tmp.path(), [&] {
        // The user really cannot read it: otherwise this test proves nothing.
        if (QDir(r + QStringLiteral("/locked")).isReadable())
            return 2;
        const Outcome o = search(r, QStringLiteral("*.TXT"), true);
        const QStringList expected = {r + QStringLiteral("/Notes.TXT"), r + QStringLiteral("/readme.txt"),
                                      r + QStringLiteral("/textlink.txt"), r + QStringLiteral("/문서/보고서.txt"),
                                      r + QStringLiteral("/문서/하위/깊은.txt")};
        if (o.found != expected || o.result != LocalSearchResult::Finished)
            return 3;
        // The start, 문서 and 하위; not locked, .숨김 or the loop.
        return o.read == 3 ? 0 : 4;
    });
    EXPECT_EQ(status, 0);
}

TEST(LocalSearch, OrderCountersStopAndOneLevel)
{
    Tree t;
    const QString r = t.root;
    ::chmod(QFile::encodeName(r + QStringLiteral("/locked")).constData(), 0755);

    // Files of a directory before its subdirectories, depth first; absolute paths.
    Outcome all = search(r, QStringLiteral("*.*"), true);
    EXPECT_EQ(all.result, LocalSearchResult::Finished);
    EXPECT_EQ(all.found, (QStringList{r + QStringLiteral("/Notes.TXT"), r + QStringLiteral("/data.bin"),
                                      r + QStringLiteral("/readme.txt"), r + QStringLiteral("/textlink.txt"),
                                      r + QStringLiteral("/locked/inside.txt"), r + QStringLiteral("/문서/보고서.txt"),
                                      r + QStringLiteral("/문서/하위/깊은.txt")}));
    EXPECT_EQ(all.read, 4);

    const Outcome one = search(r, QStringLiteral("*.txt"), false);
    EXPECT_EQ(one.read, 1);
    EXPECT_EQ(one.found.size(), 3);

    const Outcome stopped = search(r, QStringLiteral("*"), true, 2);
    EXPECT_EQ(stopped.result, LocalSearchResult::Stopped);
    EXPECT_EQ(stopped.found.size(), 2);
    EXPECT_EQ(stopped.read, 1);

    // A relative start still reports absolute paths.
    const QString old = QDir::currentPath();
    QDir::setCurrent(r);
    const Outcome rel = search(QStringLiteral("문서"), QStringLiteral("보고서.*"), false);
    QDir::setCurrent(old);
    EXPECT_EQ(rel.found, QStringList{r + QStringLiteral("/문서/보고서.txt")});

    EXPECT_EQ(search(r + QStringLiteral("/none"), QStringLiteral("*"), true).result, LocalSearchResult::StartUnreadable);
    EXPECT_EQ(search(r + QStringLiteral("/readme.txt"), QStringLiteral("*"), true).result,
              LocalSearchResult::StartUnreadable);
}

// Names that are not UTF-8 (an old Korean archive's code page 949, bytes of no
// encoding) are found, entered and reported by their exact bytes; the mask is
// matched against the name as shown, as the user types it.
TEST(LocalSearch, ForeignNamesAreFoundEnteredAndReportedByTheirBytes)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QByteArray root = QFile::encodeName(tmp.path());
    // QTemporaryDir cannot remove names that are not UTF-8: they go by their bytes.
    struct Sweep {
        QByteArray root;
        ~Sweep()
        {
            ::nftw(root.constData(), [](const char *p, const struct stat *, int, FTW *) { return ::remove(p); }, 16,
                   FTW_DEPTH | FTW_PHYS);
        }
    } sweep{root};
    const QByteArray korean = "/\xc7\xd1\xb1\xdb.txt";          // 한글.txt
    const QByteArray stray = "/x\xe9.txt";                      // valid in no encoding
    const QByteArray folder = "/\xc0\xda\xb7\xe1";               // 자료
    const QByteArray deep = folder + "/d\xfe.TXT";
    const QByteArray deeper = folder + "/\xb1\xed\xc0\xba/\xb1\xed\xc0\xba.bin";   // 깊은/깊은.bin
    ASSERT_EQ(::mkdir((root + folder).constData(), 0755), 0);
    ASSERT_EQ(::mkdir((root + folder + "/\xb1\xed\xc0\xba").constData(), 0755), 0);
    for (const QByteArray &file : {korean, stray, deep, deeper}) {
        const int fd = ::open((root + file).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << file.toHex().toStdString();
        ASSERT_EQ(::write(fd, file.constData(), size_t(file.size())), file.size());
        ::close(fd);
    }
    // A foreign-named link back up the tree is still never entered.
    ASSERT_EQ(::symlink(root.constData(), (root + folder + "/l\xff").constData()), 0);

    struct Case {
        const char *what;
        QString mask;
        bool subdirectories;
        QByteArrayList found;   // in walk order
        int read;
    };
    const QList<Case> cases = {
        {"every file, down through foreign folders", QStringLiteral("*.*"), true, {stray, korean, deep, deeper}, 3},
        {"letter case ignored in a foreign name", QStringLiteral("*.txt"), true, {stray, korean, deep}, 3},
        {"a Korean mask finds the code page 949 name", QStringLiteral("한글.*"), true, {korean}, 3},
        {"a Korean mask finds a code page 949 folder's file", QStringLiteral("깊*"), true, {deeper}, 3},
        {"a stray byte as shown", QStringLiteral("d\\xFE.txt"), true, {deep}, 3},
        {"one level", QStringLiteral("*"), false, {stray, korean}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome o = search(tmp.path(), c.mask, c.subdirectories);
        EXPECT_EQ(o.result, LocalSearchResult::Finished);
        EXPECT_EQ(o.read, c.read);
        QByteArrayList bytes;
        for (const QString &path : o.found) {
            bytes << localpath::encode(path).value_or("<no bytes>").mid(root.size());
            // What is reported opens as it is: the file holds its own name.
            QFile f;
            EXPECT_TRUE(localpath::open(f, path, QIODevice::ReadOnly) && f.readAll() == bytes.last())
                << bytes.last().toHex().toStdString();
        }
        EXPECT_EQ(bytes, c.found);
    }

    // A start directory with a foreign name, given as its path.
    const Outcome inside = search(localpath::decode(root + folder), QStringLiteral("*"), true);
    EXPECT_EQ(inside.result, LocalSearchResult::Finished);
    EXPECT_EQ(inside.found, (QStringList{localpath::decode(root + deep), localpath::decode(root + deeper)}));
}
