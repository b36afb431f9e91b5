// The local tree as a sync reads it from a real directory.
#include "sync/sync_tree.h"

#include "platform/local_path.h"

#include "unprivileged.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

using namespace kav::sync;

namespace {

void write(const QString &path, const QByteArray &bytes)
{
    QFile f;
    ASSERT_TRUE(kav::localpath::open(f, path, QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

TEST(LocalTree, ReadsNamesSizesTimesAndLeavesLinksAndExcludesAlone)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path();
    ASSERT_TRUE(kav::localpath::makeDirectory(root + "/한글 폴더"));
    ASSERT_TRUE(kav::localpath::makeDirectory(root + "/한글 폴더/b"));
    ASSERT_TRUE(kav::localpath::makeDirectory(root + "/한글 폴더/b/c"));
    write(root + "/한글 폴더/b/c/deep file.txt", "12345");
    write(root + "/.htaccess", "x");
    write(root + "/skip.bak", "x");
    // A name in foreign bytes (code page 949 "가") keeps its bytes.
    const QString foreign = kav::localpath::decode(QByteArray("\xB0\xA1.txt"));
    write(root + "/" + foreign, "ab");
    ASSERT_EQ(::symlink(".", QFile::encodeName(root + "/loop").constData()), 0);

    QString error;
    const Node t = scanLocalTree(root, Excludes(QStringLiteral("*.bak")), &error);
    EXPECT_TRUE(error.isEmpty());
    QStringList names;
    for (const Node &n : t.children)
        names << n.name;
    EXPECT_EQ(names, (QStringList{".htaccess", "loop", "한글 폴더", foreign}));
    EXPECT_EQ(t.child("loop")->kind, NodeKind::Link);
    EXPECT_EQ(t.child(foreign)->size, 2);
    const Node *deep = t.child("한글 폴더")->child("b")->child("c")->child("deep file.txt");
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->size, 5);
    EXPECT_TRUE(deep->time.known());
    EXPECT_EQ(deep->time.spanMs, 1000);
    const TreeCount count = countTree(t);
    EXPECT_EQ(count.files, 3);
    EXPECT_EQ(count.directories, 3);
    EXPECT_EQ(count.bytes, 8);
    // Qt's own removal cannot reach a name in foreign bytes.
    EXPECT_TRUE(kav::localpath::remove(root + "/" + foreign));
}

TEST(LocalTree, ADirectoryThatCannotBeReadIsMarkedNotEmptied)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.path();
    // Made by the user who then cannot read it.
    const int result = kavtest::runUnprivileged(path, [path] {
        if (!kav::localpath::makeDirectory(path + "/closed"))
            return 9;
        QFile f(path + "/closed/f");
        if (!f.open(QIODevice::WriteOnly))
            return 8;
        f.close();
        if (!QFile::setPermissions(path + "/closed", QFileDevice::WriteOwner))
            return 10;
        QString error;
        const Node t = scanLocalTree(path, Excludes(), &error);
        QFile::setPermissions(path + "/closed", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (!t.child("closed"))
            return 11;
        if (t.child("closed")->listed)
            return 12;
        return error.endsWith("closed") ? 0 : 13;
    });
    EXPECT_EQ(result, 0);
}

} // namespace
