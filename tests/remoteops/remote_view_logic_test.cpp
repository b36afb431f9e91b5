// The host file commands' rules without a connection: the text check, host paths,
// the cutting of a received stream into lines, and the temporary directory.
#include "remoteops/remote_view_logic.h"
#include "remoteops/temp_copies.h"
#include "platform/settings_dir.h"
#include "qt_printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kav;
using namespace kav::remote;

TEST(RemoteViewLogic, TextCheckQuestions)
{
    struct Case {
        const char *name;
        EntryKind kind;
        bool text;
        Action action;
        const char *question;   // nullptr: no question
    };
    const Case cases[] = {
        {"run.sh", EntryKind::ExecutableFile, true, Action::View,
         "[주의]\r\n파일 'run.sh'는 텍스트 파일이 아님니다.\r\n그래도 선택한 파일을 열람하시겠습니까 ?"},
        {"data.bin", EntryKind::PlainFile, false, Action::Print,
         "[주의]\r\n파일 'data.bin'는 텍스트 파일이 아닐 수 있습니다.\r\n그래도 선택한 파일을 인쇄하시겠습니까 ?"},
        {"보고서", EntryKind::PlainFile, false, Action::Edit,
         "[주의]\r\n파일 '보고서'는 텍스트 파일이 아닐 수 있습니다.\r\n그래도 선택한 파일을 편집하시겠습니까 ?"},
        {"readme.txt", EntryKind::PlainFile, true, Action::View, nullptr},
        {"tool.txt", EntryKind::ExecutableFile, true, Action::Edit,
         "[주의]\r\n파일 'tool.txt'는 텍스트 파일이 아님니다.\r\n그래도 선택한 파일을 편집하시겠습니까 ?"},
    };
    for (const Case &c : cases) {
        const auto q = textCheckQuestion(RemoteEntry{QString::fromUtf8(c.name), c.kind}, c.text, c.action);
        if (c.question)
            EXPECT_EQ(q.value_or(QString()), QString::fromUtf8(c.question)) << c.name;
        else
            EXPECT_FALSE(q.has_value()) << c.name;
    }
    EXPECT_EQ(upperExtension(QStringLiteral("a.b.Txt")), "TXT");
    EXPECT_EQ(upperExtension(QStringLiteral("noext")), "");
}

TEST(RemoteViewLogic, StreamLines)
{
    struct Case {
        const char *name;
        QList<QByteArray> blocks;
        QList<QByteArray> lines;   // the last one from finish() when the stream has no final end
        QList<qint64> received;
    };
    const Case cases[] = {
        {"CR LF lines", {"one\r\ntwo\r\n"}, {"one", "two"}, {5, 5}},
        {"CR LF split across blocks", {"one\r", "\ntwo\r\n"}, {"one", "two"}, {5, 5}},
        {"last line without a line end", {"one\r\nlast"}, {"one", "last"}, {5, 4}},
        {"LF alone keeps every character", {"ab\ncd\n"}, {"ab", "cd"}, {3, 3}},
        {"NUL ends a line", {QByteArray("a\0b\n", 4)}, {"a", "b"}, {2, 2}},
        {"a CR inside a line stays", {"a\rb\r\n"}, {"a\rb"}, {5}},
        {"empty lines", {"\r\n\n"}, {"", ""}, {2, 1}},
        {"a line across many blocks", {"ab", "cd", "ef\r", "\n"}, {"abcdef"}, {8}},
    };
    for (const Case &c : cases) {
        StreamLines splitter;
        QList<QByteArray> lines;
        QList<qint64> received;
        for (const QByteArray &block : c.blocks)
            for (const auto &line : splitter.feed(block.constData(), block.size())) {
                lines << line.bytes;
                received << line.received;
            }
        if (const auto last = splitter.finish()) {
            lines << last->bytes;
            received << last->received;
        }
        EXPECT_EQ(lines, c.lines) << c.name;
        EXPECT_EQ(received, c.received) << c.name;
        EXPECT_FALSE(splitter.finish().has_value()) << c.name;
    }
}

TEST(RemoteViewLogic, TemporaryCopiesStayInKavrinsOwnDirectory)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QByteArray previousHome = qgetenv("KAVRIN_HOME");
    qputenv("KAVRIN_HOME", home.path().toUtf8());

    const QString root = temporaryRoot();
    EXPECT_EQ(root, QDir(settingsDirectory()).filePath(QStringLiteral("Temp")));
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    const auto modeBits = ownerOnly | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFile::permissions(root) & modeBits, ownerOnly);
    // A directory left wider by someone is narrowed.
    QFile::setPermissions(root, ownerOnly | QFileDevice::ReadOther | QFileDevice::ExeOther);
    EXPECT_EQ(temporaryRoot(), root);
    EXPECT_EQ(QFile::permissions(root) & modeBits, ownerOnly);

    // Each call gets a new, empty directory of its own.
    const QString a = freshCopyDirectory(), b = freshCopyDirectory();
    ASSERT_FALSE(a.isEmpty());
    ASSERT_FALSE(b.isEmpty());
    EXPECT_NE(a, b);
    EXPECT_EQ(QFileInfo(a).path(), root);
    EXPECT_TRUE(QDir(a).isEmpty());
    EXPECT_EQ(QFile::permissions(a) & modeBits, ownerOnly);

    QFile copy(QDir(a).filePath(QStringLiteral("보고서.txt")));
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.close();
    EXPECT_TRUE(removeCopy(a, QStringLiteral("보고서.txt")));
    EXPECT_FALSE(QFileInfo::exists(a)) << "the emptied directory goes too";

    // Nothing outside the temporary directory, and no name that is a path, is deleted.
    QTemporaryDir elsewhere;
    QFile victim(elsewhere.filePath(QStringLiteral("keep.txt")));
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
    victim.close();
    EXPECT_FALSE(removeCopy(elsewhere.path(), QStringLiteral("keep.txt")));
    EXPECT_FALSE(removeCopy(b, QStringLiteral("../") + QFileInfo(b).fileName()));
    EXPECT_FALSE(removeCopy(b, QStringLiteral("..")));
    EXPECT_FALSE(removeCopy(root, QStringLiteral("x")));
    EXPECT_TRUE(QFile::exists(victim.fileName()));
    EXPECT_TRUE(QFileInfo(b).isDir());

    qputenv("KAVRIN_HOME", previousHome);
}
