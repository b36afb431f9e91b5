// Local names whatever their bytes: the path text, how a name is shown, and
// files listed, written and read under names Qt's own classes cannot reach.

#include "platform/local_path.h"

#include "qt_printers.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

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
    // A path: each name shown on its own, and an edit of the shown path back to bytes.
    const QString path = localpath::decode("/\xc0\xda\xb7\xe1/d\xfe.txt");
    EXPECT_EQ(localpath::displayPath(path), QStringLiteral("/자료/d\\xFE.txt"));
    EXPECT_EQ(localpath::fromShownPath(QStringLiteral("/자료/d\\xFE.txt"), path), path);
    EXPECT_EQ(localpath::fromShownPath(QStringLiteral("/자료/d\\xFE.txt -v"), path), path + QStringLiteral(" -v"));
    EXPECT_EQ(localpath::fromShownPath(QStringLiteral("/자료"), path), QStringLiteral("/자료"));
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

// A name the user edited from its shown form becomes bytes written the way the
// original is; what was not edited keeps its bytes.
TEST(LocalPath, EditedShownNamesBackToBytes)
{
    struct Case {
        const char *what;
        QByteArray like;
        QString shown;
        QByteArray bytes;
    };
    const QList<Case> cases = {
        {"unchanged foreign name", "x\xff.txt", QStringLiteral("x\\xFF.txt"), "x\xff.txt"},
        {"escape typed back", "x\xff.txt", QStringLiteral("y\\xFF.txt"), "y\xff.txt"},
        {"text added to a foreign path", "/d\xfe/", QStringLiteral("/d\\xFE/new"), "/d\xfe/new"},
        {"code page 949 stays", "\xc7\xd1\xb1\xdb.txt", QStringLiteral("한글2.txt"), "\xc7\xd1\xb1\xdb" "2.txt"},
        {"code page 949 cannot hold it", "\xc7\xd1.txt", QStringLiteral("😀.txt"), "\xf0\x9f\x98\x80.txt"},
        {"UTF-8 name", "a.txt", QStringLiteral("가.txt"), "\xea\xb0\x80.txt"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(localpath::encode(localpath::fromShown(c.shown, localpath::decode(c.like))),
                  std::optional<QByteArray>(c.bytes));
    }
}

// Folders, the current directory, the facts of a file and its URL, whatever the bytes.
TEST(LocalPath, FoldersStatusAndUrlsOfForeignNames)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    const QByteArray rootBytes = QFile::encodeName(root);
    const QString folder = root + QLatin1Char('/') + localpath::decode("\xc0\xda\xb7\xe1");
    const QString other = root + QLatin1Char('/') + localpath::decode("d\xfe");
    ASSERT_TRUE(localpath::makeDirectory(folder));
    ASSERT_TRUE(localpath::makeDirectory(other));
    EXPECT_FALSE(localpath::makeDirectory(other)) << "already there";
    ASSERT_EQ(::mkdir((rootBytes + "/.hidden").constData(), 0755), 0);
    const int fd = ::open((rootBytes + "/f\xe9").constData(), O_WRONLY | O_CREAT, 0444);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "12345", 5), 5);
    ::close(fd);
    ASSERT_EQ(::symlink("f\xe9", (rootBytes + "/l\xe9").constData()), 0);

    QStringList shown;
    for (const localpath::Entry &e : localpath::directories(root))
        shown << e.display;
    EXPECT_EQ(shown, (QStringList{QStringLiteral("d\\xFE"), QStringLiteral("자료")}));
    EXPECT_EQ(localpath::allEntries(root).size(), 7);   // ".", ".." and the five

    const QString start = QDir::currentPath();
    ASSERT_TRUE(localpath::setCurrent(folder));
    EXPECT_EQ(localpath::encode(localpath::currentDirectory()), std::optional<QByteArray>(rootBytes + "/\xc0\xda\xb7\xe1"));
    QDir::setCurrent(start);

    const localpath::Status file = localpath::status(root + QLatin1Char('/') + localpath::decode("f\xe9"));
    EXPECT_TRUE(file.exists && file.isFile && !file.isDirectory && !file.isSymLink && !file.ownerWritable);
    EXPECT_EQ(file.size, 5);
    EXPECT_LT(qAbs(file.modified.secsTo(QDateTime::currentDateTime())), 60);
    const localpath::Status link = localpath::status(root + QLatin1Char('/') + localpath::decode("l\xe9"));
    EXPECT_TRUE(link.exists && link.isFile && link.isSymLink);
    EXPECT_EQ(link.size, 5);
    EXPECT_FALSE(localpath::status(root + QStringLiteral("/none")).exists);

    EXPECT_EQ(localpath::fileUrl(QStringLiteral("/tmp/") + localpath::decode("x\xff y")).toEncoded(),
              QByteArray("file:///tmp/x%FF%20y"));
    EXPECT_EQ(localpath::fileUrl(QStringLiteral("/tmp/가")).toLocalFile(), QStringLiteral("/tmp/가"));

    // Back from a URL as a file manager drops it: percent-escaped bytes are the name's.
    struct Url {
        const char *what;
        QByteArray url;
        std::optional<QByteArray> bytes;   // nothing: no local path at all
    };
    const QList<Url> urls = {
        {"code page 949", "file:///tmp/%C7%D1%B1%DB.txt", QByteArray("/tmp/\xc7\xd1\xb1\xdb.txt")},
        {"no encoding, and a blank", "file:///tmp/x%FF%20y", QByteArray("/tmp/x\xff y")},
        {"UTF-8 escaped", "file:///tmp/%EA%B0%80", QByteArray("/tmp/\xea\xb0\x80")},
        {"UTF-8 as it is", "file:///tmp/\xea\xb0\x80#1", QByteArray("/tmp/\xea\xb0\x80")},
        {"a reserved character escaped", "file:///tmp/a%23b%3F", QByteArray("/tmp/a#b?")},
        {"not a local file", "ftp://host/x%FF", std::nullopt},
    };
    for (const Url &u : urls) {
        SCOPED_TRACE(u.what);
        const QString path = localpath::fromUrl(QUrl::fromEncoded(u.url));
        EXPECT_EQ(path.isEmpty() ? std::nullopt : localpath::encode(path), u.bytes);
        if (u.bytes)
            EXPECT_EQ(localpath::fromUrl(localpath::fileUrl(path)), path) << "there and back";
    }

    EXPECT_TRUE(localpath::removeDirectory(other));
    EXPECT_FALSE(localpath::isDirectory(other));
}

// A whole-file save by the path's bytes: the file of those bytes gets the new
// contents and keeps its mode, a link keeps pointing at its file, a directory
// is refused and left alone, and no temporary file stays behind.
TEST(LocalPath, SavedWholeByTheirBytes)
{
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(QDir(dir.path()).canonicalPath());
    const QString file = localpath::decode(root + "/\xc7\xd1 x\xe9.txt");
    const auto contents = [](const QString &path) {
        QFile f;
        return localpath::open(f, path, QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    };
    ASSERT_TRUE(localpath::saveFile(file, "first"));
    EXPECT_EQ(contents(file), "first");
    ASSERT_EQ(::chmod((root + "/\xc7\xd1 x\xe9.txt").constData(), 0640), 0);
    ASSERT_TRUE(localpath::saveFile(file, "second"));
    EXPECT_EQ(contents(file), "second");
    struct stat st {};
    ASSERT_EQ(::stat((root + "/\xc7\xd1 x\xe9.txt").constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    const QString link = localpath::decode(root + "/link\xff");
    ASSERT_EQ(::symlink("\xc7\xd1 x\xe9.txt", (root + "/link\xff").constData()), 0);
    ASSERT_TRUE(localpath::saveFile(link, "through the link"));
    EXPECT_TRUE(localpath::status(link).isSymLink);
    EXPECT_EQ(contents(file), "through the link");

    const QString folder = localpath::decode(root + "/d\xfe");
    ASSERT_TRUE(localpath::makeDirectory(folder));
    QString error;
    EXPECT_FALSE(localpath::saveFile(folder, "x", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(localpath::isDirectory(folder));
    EXPECT_FALSE(localpath::saveFile(localpath::decode(root + "/none\xfe/a.txt"), "x", &error));

    QStringList left;
    for (const localpath::Entry &e : localpath::allEntries(localpath::decode(root)))
        left << e.display;
    left.sort();
    EXPECT_EQ(left, QStringList({QStringLiteral("."), QStringLiteral(".."), QStringLiteral("\\xC7\\xD1 x\\xE9.txt"),
                                 QStringLiteral("d\\xFE"), QStringLiteral("link\\xFF")}));
    localpath::removeDirectory(folder);
    localpath::remove(link);
    localpath::remove(file);
}
