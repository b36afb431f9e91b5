// The local file search on a real tree: hidden entries, a symbolic-link loop,
// a directory the user cannot read (checked as an unprivileged user, since
// root reads everything), depth-first order, stop, and a one-level search.
#include "unprivileged.h"

#include "config/local_search.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

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
