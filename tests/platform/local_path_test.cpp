// Local names whatever their bytes: the path text, how a name is shown, and
// files listed, written and read under names Qt's own classes cannot reach.

#include "platform/local_path.h"

#include "qt_printers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kav;

TEST(LocalPath, BytesAndShownNames)
{
    struct Case {
        const char *what;
        QByteArray bytes;
        QString shown;
    };
    const QList<Case> cases = {
        {"ASCII", "a.txt", "a.txt"},
        {"UTF-8 Korean", "\xed\x95\x9c\xea\xb8\x80.txt", QStringLiteral("한글.txt")},
        {"code page 949 Korean", "\xc7\xd1\xb1\xdb.txt", QStringLiteral("한글.txt")},
        {"no encoding at all", "x\xff.txt", QStringLiteral("x\\xFF.txt")},
        {"UTF-8 with one stray byte", "\xc3\xa9\xe9", QStringLiteral("é\\xE9")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = localpath::decode(c.bytes);
        EXPECT_EQ(localpath::encode(path), std::optional<QByteArray>(c.bytes));
        EXPECT_EQ(localpath::displayName(QByteArrayView(c.bytes)), c.shown);
        EXPECT_EQ(localpath::displayName(QStringView(path)), c.shown);
    }
    // A lone surrogate that stands for no byte can name no file.
    EXPECT_FALSE(localpath::encode(QString(QChar(0xD800))).has_value());
}

TEST(LocalPath, FilesWithForeignNamesAreListedWrittenAndRead)
{
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    for (const QByteArray &name : {QByteArray("\xc7\xd1\xb1\xdb.txt"), QByteArray("x\xe9.txt"),
                                   QByteArray("x\xe8.txt"), QByteArray(".hidden")}) {
        const int fd = ::open((root + '/' + name).constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    ASSERT_EQ(::mkdir((root + "/sub\xff").constData(), 0755), 0);
    const QList<localpath::Entry> entries = localpath::regularFiles(dir.path());
    QStringList shown;
    for (const localpath::Entry &e : entries)
        shown << e.display;
    EXPECT_EQ(shown, (QStringList{QStringLiteral("x\\xE8.txt"), QStringLiteral("x\\xE9.txt"), QStringLiteral("한글.txt")}));

    const QString path = dir.path() + QLatin1Char('/') + entries.at(1).path;
    {
        QFile f;
        ASSERT_TRUE(localpath::open(f, path, QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("e9");
    }
    QFile f;
    ASSERT_TRUE(localpath::open(f, path, QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("e9"));
    EXPECT_FALSE(localpath::isDirectory(path));
    EXPECT_TRUE(localpath::isDirectory(dir.path() + QLatin1Char('/') + localpath::decode("sub\xff")));
    EXPECT_TRUE(localpath::remove(path));
    EXPECT_EQ(localpath::regularFiles(dir.path()).size(), 2);
}
