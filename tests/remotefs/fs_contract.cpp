#include "fs_contract.h"
#include "patterned_bytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include "qt_printers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include <sys/stat.h>

using namespace kav;

namespace kavtest {

namespace {

void writeFile(const QString &path, const QByteArray &bytes, int mode = 0644)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
    f.close();
    ::chmod(QFile::encodeName(path).constData(), mode_t(mode));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

int modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QList<RemoteEntry> listAll(RemoteFs &fs, FsListing *outcome = nullptr)
{
    QList<RemoteEntry> all;
    const FsListing o = fs.list([&all](QList<RemoteEntry> &&entries, qsizetype) {
        all.append(entries);
        return true;
    });
    if (outcome)
        *outcome = o;
    return all;
}

const RemoteEntry *find(const QList<RemoteEntry> &entries, const QString &name)
{
    for (const RemoteEntry &e : entries)
        if (e.name == name)
            return &e;
    return nullptr;
}

QByteArray pattern(int size) { return patternedBytes(size); }

QByteArray retrieved(RemoteFs &fs, const QString &path, qint64 offset, FsResult *result = nullptr)
{
    QByteArray got;
    const FsResult r = fs.retrieve(path, offset, [&got](const char *data, int n) {
        got.append(data, n);
        return true;
    });
    if (result)
        *result = r;
    return got;
}

FsResult stored(RemoteFs &fs, const QString &path, qint64 offset, bool append, QByteArray bytes)
{
    qsizetype at = 0;
    return fs.store(path, offset, append, [&](char *buffer, int size) {
        const int n = int(std::min<qsizetype>(size, bytes.size() - at));
        memcpy(buffer, bytes.constData() + at, size_t(n));
        at += n;
        return n;
    });
}

} // namespace

void listsEntriesWithTheirFacts(FsUnderTest t)
{
    ASSERT_TRUE(QDir(t.root).mkpath(QStringLiteral("자료실")));
    writeFile(t.root + QStringLiteral("/한글파일.txt"), "hangul\n");
    writeFile(t.root + QStringLiteral("/ 앞 공백 뒤 .txt"), "blanks\n");
    writeFile(t.root + QStringLiteral("/run.sh"), "#!/bin/sh\n", 0755);
    writeFile(t.root + QStringLiteral("/big.bin"), QByteArray(70000, 'x'), 0640);
    const QDateTime when(QDate(2024, 2, 29), QTime(13, 14, 15), Qt::UTC);
    {
        QFile f(t.root + QStringLiteral("/big.bin"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    }

    FsListing outcome = FsListing::Failed;
    const QList<RemoteEntry> entries = listAll(t.fs, &outcome);
    EXPECT_EQ(outcome, FsListing::Received);
    struct Row { QString name; EntryKind kind; qint64 size; int mode; };
    const Row rows[] = {
        {QStringLiteral("한글파일.txt"), EntryKind::PlainFile, 7, 0644},
        {QStringLiteral(" 앞 공백 뒤 .txt"), EntryKind::PlainFile, 7, 0644},
        {QStringLiteral("run.sh"), EntryKind::ExecutableFile, 10, 0755},
        {QStringLiteral("big.bin"), EntryKind::PlainFile, 70000, 0640},
        {QStringLiteral("자료실"), EntryKind::Directory, -1, -1},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        const RemoteEntry *e = find(entries, row.name);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->kind, row.kind);
        if (row.size >= 0)
            EXPECT_EQ(e->size, row.size);
        if (row.mode >= 0)
            EXPECT_EQ(e->mode, row.mode);
    }
    EXPECT_EQ(find(entries, QStringLiteral("big.bin"))->modified, when);
}

void changesAndReportsDirectories(FsUnderTest t)
{
    ASSERT_TRUE(QDir(t.root).mkpath(QStringLiteral("자료실/하위 폴더")));
    writeFile(t.root + QStringLiteral("/자료실/하위 폴더/깊은 파일.txt"), "deep\n");
    // The login directory is "/" on a server that shows the user a root of
    // its own, a real path on one that does not.
    const QString start = t.fs.reportDirectory();
    ASSERT_TRUE(start.startsWith(QLatin1Char('/')));
    const QString sub = start.endsWith(QLatin1Char('/')) ? start : start + QLatin1Char('/');
    EXPECT_TRUE(t.fs.changeDirectory(QStringLiteral("자료실")).ok());
    EXPECT_TRUE(t.fs.changeDirectory(QStringLiteral("하위 폴더")).ok());
    EXPECT_EQ(t.fs.reportDirectory(), sub + QStringLiteral("자료실/하위 폴더"));
    const QList<RemoteEntry> entries = listAll(t.fs);
    EXPECT_NE(find(entries, QStringLiteral("깊은 파일.txt")), nullptr);
    EXPECT_TRUE(t.fs.changeDirectory(QStringLiteral("..")).ok());
    EXPECT_EQ(t.fs.reportDirectory(), sub + QStringLiteral("자료실"));
    EXPECT_TRUE(t.fs.changeDirectory(start).ok());
    EXPECT_EQ(t.fs.reportDirectory(), start);
}

void makesRenamesAndRemoves(FsUnderTest t)
{
    EXPECT_TRUE(t.fs.makeDirectory(QStringLiteral("새 폴더")).ok());
    EXPECT_TRUE(QFileInfo(t.root + QStringLiteral("/새 폴더")).isDir());
    EXPECT_TRUE(t.fs.removeDirectory(QStringLiteral("새 폴더")).ok());
    EXPECT_FALSE(QFileInfo::exists(t.root + QStringLiteral("/새 폴더")));

    writeFile(t.root + QStringLiteral("/before.txt"), "same bytes\n");
    EXPECT_TRUE(t.fs.rename(QStringLiteral("before.txt"), QStringLiteral("이름 바뀐.txt")).ok());
    EXPECT_EQ(readFile(t.root + QStringLiteral("/이름 바뀐.txt")), "same bytes\n");
    EXPECT_FALSE(QFileInfo::exists(t.root + QStringLiteral("/before.txt")));
    EXPECT_TRUE(t.fs.remove(QStringLiteral("이름 바뀐.txt")).ok());
    EXPECT_FALSE(QFileInfo::exists(t.root + QStringLiteral("/이름 바뀐.txt")));
}

void refusesWhatCannotBe(FsUnderTest t)
{
    ASSERT_TRUE(QDir(t.root).mkpath(QStringLiteral("full/inside")));
    const struct {
        const char *what;
        std::function<FsResult()> request;
    } cases[] = {
        {"enter a missing directory", [&] { return t.fs.changeDirectory(QStringLiteral("없는 곳")); }},
        {"delete a missing file", [&] { return t.fs.remove(QStringLiteral("없는 파일")); }},
        {"rename a missing file", [&] { return t.fs.rename(QStringLiteral("없는 파일"), QStringLiteral("x")); }},
        {"remove a directory with something in it", [&] { return t.fs.removeDirectory(QStringLiteral("full")); }},
        {"size of a missing file", [&] { return t.fs.size(QStringLiteral("없는 파일"), nullptr); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const FsResult r = c.request();
        EXPECT_TRUE(r.refused()) << r.code << " " << r.text.toStdString();
        EXPECT_TRUE(r.answered);
        EXPECT_TRUE(t.fs.connected());
    }
    EXPECT_TRUE(QFileInfo(t.root + QStringLiteral("/full/inside")).isDir());
    FsResult r;
    EXPECT_TRUE(retrieved(t.fs, QStringLiteral("없는 파일"), 0, &r).isEmpty());
    EXPECT_TRUE(r.refused());
    EXPECT_FALSE(t.fs.transferUnderWay());
}

void changesModeAndTimes(FsUnderTest t)
{
    writeFile(t.root + QStringLiteral("/모드.sh"), "#!/bin/sh\n", 0644);
    EXPECT_TRUE(t.fs.changeMode(QStringLiteral("모드.sh"), QStringLiteral("750")).ok());
    EXPECT_EQ(modeOf(t.root + QStringLiteral("/모드.sh")), 0750);

    qint64 bytes = 0;
    EXPECT_TRUE(t.fs.size(QStringLiteral("모드.sh"), &bytes).ok());
    EXPECT_EQ(bytes, 10);

    const QDateTime when(QDate(2019, 7, 1), QTime(8, 9, 10), Qt::UTC);
    EXPECT_TRUE(t.fs.setModificationTime(QStringLiteral("모드.sh"), when).ok());
    EXPECT_EQ(QFileInfo(t.root + QStringLiteral("/모드.sh")).lastModified().toUTC(), when);
    QDateTime read;
    EXPECT_TRUE(t.fs.modificationTime(QStringLiteral("모드.sh"), &read).ok());
    EXPECT_EQ(read, when);
}

void readsFromAnOffset(FsUnderTest t)
{
    const QByteArray bytes = pattern(3 * 1024 * 1024 + 17);
    writeFile(t.root + QStringLiteral("/데이터.bin"), bytes);
    for (const qint64 offset : {qint64(0), qint64(1), qint64(65536), qint64(bytes.size() - 1), qint64(bytes.size())}) {
        SCOPED_TRACE(offset);
        FsResult r;
        const QByteArray got = retrieved(t.fs, QStringLiteral("데이터.bin"), offset, &r);
        EXPECT_TRUE(r.ok()) << r.text.toStdString();
        EXPECT_TRUE(got == bytes.mid(offset)) << got.size();
    }
}

void writesWholeAtAnOffsetAndAppending(FsUnderTest t)
{
    const QByteArray bytes = pattern(2 * 1024 * 1024 + 5);
    const QString path = t.root + QStringLiteral("/올림.bin");
    EXPECT_TRUE(stored(t.fs, QStringLiteral("올림.bin"), 0, false, bytes).ok());
    EXPECT_TRUE(readFile(path) == bytes);

    // A partial file continued where it ends.
    writeFile(path, bytes.left(1000000));
    EXPECT_TRUE(stored(t.fs, QStringLiteral("올림.bin"), 1000000, false, bytes.mid(1000000)).ok());
    EXPECT_TRUE(readFile(path) == bytes);

    // Appending adds after whatever is there.
    EXPECT_TRUE(stored(t.fs, QStringLiteral("올림.bin"), 0, true, QByteArray("tail")).ok());
    EXPECT_TRUE(readFile(path) == bytes + "tail");

    // From the start again: the file is replaced, not overwritten in place.
    EXPECT_TRUE(stored(t.fs, QStringLiteral("올림.bin"), 0, false, QByteArray("short")).ok());
    EXPECT_EQ(readFile(path), "short");
}

void stopsAListingAndGoesOn(FsUnderTest t)
{
    for (int i = 0; i < 3000; ++i)
        writeFile(t.root + QStringLiteral("/file-%1-with-a-rather-long-name-to-fill-blocks.txt").arg(i), "x");
    int calls = 0;
    const FsListing o = t.fs.list([&calls](QList<RemoteEntry> &&, qsizetype) {
        ++calls;
        return false;
    });
    EXPECT_EQ(o, FsListing::Stopped);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(t.fs.transferUnderWay());
    ASSERT_TRUE(t.fs.connected());
    EXPECT_EQ(listAll(t.fs).size(), 3000);
}

void declinesDataBeforeItFlows(FsUnderTest t)
{
    writeFile(t.root + QStringLiteral("/a.txt"), "abc");
    int asked = 0;
    const FsOpening o = t.fs.openRead(QStringLiteral("a.txt"), 0, [&asked](const FsOpening &) {
        ++asked;
        return false;
    });
    EXPECT_EQ(o.status, FsOpening::Status::Declined);
    EXPECT_EQ(asked, 1);
    t.fs.finishTransfer();
    EXPECT_FALSE(t.fs.transferUnderWay());
    ASSERT_TRUE(t.fs.connected());
    EXPECT_EQ(retrieved(t.fs, QStringLiteral("a.txt"), 0), "abc");
}

} // namespace kavtest
