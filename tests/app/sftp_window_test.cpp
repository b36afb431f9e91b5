// The host-side features of the main window over an SFTP profile, against
// OpenSSH's sshd on 127.0.0.1:22 of this executable's own network and mount
// namespaces (sshd_server.h holds the recipe): batches of several files both
// ways, byte for byte (Korean names, CR LF kept as it is: SFTP has no ASCII
// type), a queue run mixing both ways, the host viewer, the host search,
// and renaming, deleting and making directories, each checked on the
// server's own disk.
#include "app/lists_bridge.h"
#include "app/main_form.h"
#include "app/message_log.h"
#include "ui_main_form.h"

#include "app/composition.h"
#include "app/settings_bridge.h"
#include "browse/host_pane.h"
#include "config/configuration.h"
#include "config/find_forms.h"
#include "config/queue_form.h"
#include "platform/scripted_dialogs.h"
#include "platform/winsock.h"
#include "patterned_bytes.h"
#include "sshd_server.h"
#include "viewers/view_form.h"
#include "wait_until.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

using namespace kav;

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(dialogs()); }

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

QByteArray pattern(int size, quint32 seed) { return kavtest::patternedBytes(size, seed); }

class SftpWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ws::startup());
        ASSERT_TRUE(sshd.start()) << sshd.log();
        root = QString::fromStdString(sshd.home());
        scripted().clear();
        qputenv("KAVRIN_HOME", settings.path().toUtf8());
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("SSH_AUTH_SOCK");
        f = std::make_unique<TMainForm>();
        SessionProfile &p = f->profile();
        p.HostName = QStringLiteral("사내 SFTP");
        p.HostIP = QStringLiteral("127.0.0.1");
        p.UserId = QStringLiteral("root");
        p.Password = QString::fromStdString(sshd.password());
        p.Connection.Kind = Protocol::Sftp;
        p.Connection.Port = DefaultSftpPort;
        p.LocalPath = local.path();
        f->settings().configuration().SaveSessionProfile(p);
        f->show();
        kavtest::waitUntil([this] { return f->firstActivated(); }, 5000);
        SessionProfile start;
        start.LocalPath = local.path();
        f->enterLocalStartDirectory(start);
    }
    void TearDown() override { f.reset(); }

    void connect()
    {
        scripted().pushHostKey(HostKeyChoice::AcceptOnce);
        f->connectFlow().BB_ConnectClick(false);
        ASSERT_TRUE(kavtest::waitUntil([&] { return connected() && ui().RFileListBox->count() > 0; }, 15000))
            << transcript() << sshd.log();
    }
    bool connected() const { return f->sessionParts().fs.connected(); }
    Ui::TMainForm &ui() const { return *f->form(); }
    QStringList log() const { return f->messages().texts(); }
    std::string transcript() const { return log().join('\n').toStdString(); }
    QStringList hostFiles() const
    {
        QStringList names;
        for (int i = 0; i < ui().RFileListBox->count(); ++i)
            names << ui().RFileListBox->text(i);
        return names;
    }
    void selectHost(const QStringList &names)
    {
        HostListView *files = ui().RFileListBox;
        files->clearSelection();
        for (const QString &name : names) {
            const auto found = files->findItems(name, Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1) << name.toStdString() << " in " << hostFiles().join('|').toStdString();
            found.first()->setSelected(true);
            files->setCurrentItem(found.first(), QItemSelectionModel::Select);
        }
    }
    void selectLocal(const QStringList &names)
    {
        f->refreshLocalPane();
        QListWidget *files = ui().LFileListBox;
        files->clearSelection();
        for (const QString &name : names) {
            const auto found = files->findItems(name, Qt::MatchStartsWith);
            ASSERT_FALSE(found.isEmpty()) << name.toStdString();
            found.first()->setSelected(true);
            files->setCurrentItem(found.first(), QItemSelectionModel::Select);
        }
    }
    bool idle() const { return connected() && !f->sessionParts().fs.transferUnderWay() && !ui().BB_Stop->isEnabled(); }

    kavtest::SshdServer sshd;
    QString root;
    QTemporaryDir settings, home, local;
    std::unique_ptr<TMainForm> f;
};

// Several files each way in one batch: every byte as it was, the CR LF of a
// text file included, Korean names and blanks as they are; then a queue that
// downloads and uploads in one run, into other directories.
TEST_F(SftpWindowTest, BatchesBothWaysAndAQueueRunByteExact)
{
    const struct { QString name; QByteArray bytes; } hostSide[] = {
        {QStringLiteral("한글 문서.txt"), "첫째 줄\r\n둘째 줄\r\n"},
        {QStringLiteral("큰 자료.bin"), pattern(5 * 1024 * 1024 + 333, 7)},
        {QStringLiteral("빈 파일"), QByteArray()},
        {QStringLiteral("plain.dat"), pattern(70001, 11)},
    };
    for (const auto &file : hostSide)
        writeFile(root + QLatin1Char('/') + file.name, file.bytes);
    connect();
    QStringList names;
    for (const auto &file : hostSide)
        names << file.name;
    selectHost(names);
    ui().N_RDownload->trigger();
    ASSERT_TRUE(kavtest::waitUntil([&] { return idle(); }, 30000)) << transcript();
    for (const auto &file : hostSide) {
        SCOPED_TRACE(file.name.toStdString());
        EXPECT_TRUE(readFile(local.filePath(file.name)) == file.bytes) << readFile(local.filePath(file.name)).size();
    }

    const struct { QString name; QByteArray bytes; } localSide[] = {
        {QStringLiteral("올린 보고서.txt"), "보고\r\n끝\n"},
        {QStringLiteral("올린 큰 것.bin"), pattern(9 * 1024 * 1024 + 5, 13)},
        {QStringLiteral("작은.bin"), pattern(1, 17)},
    };
    QStringList up;
    for (const auto &file : localSide) {
        writeFile(local.filePath(file.name), file.bytes);
        up << file.name;
    }
    selectLocal(up);
    ui().N_LUpload->trigger();
    ASSERT_TRUE(kavtest::waitUntil([&] { return idle(); }, 30000)) << transcript();
    for (const auto &file : localSide) {
        SCOPED_TRACE(file.name.toStdString());
        EXPECT_TRUE(readFile(root + QLatin1Char('/') + file.name) == file.bytes);
    }
    ASSERT_TRUE(kavtest::waitUntil([&] { return hostFiles().contains(QStringLiteral("올린 큰 것.bin")); }, 5000))
        << hostFiles().join('|').toStdString();

    // A queue run: one download and one upload, into directories of their own.
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("받은 편지")));
    ASSERT_TRUE(QDir(local.path()).mkpath(QStringLiteral("받기")));
    TQueueForm &queue = f->lists().queueForm();
    ASSERT_EQ(queue.AddQueueEntry(root + QStringLiteral("/큰 자료.bin"), local.filePath(QStringLiteral("받기")), true, false),
              AddOutcome::Added);
    ASSERT_EQ(queue.AddQueueEntry(local.filePath(QStringLiteral("올린 보고서.txt")), root + QStringLiteral("/받은 편지"), false, true),
              AddOutcome::Added);
    for (int i = 0; i < queue.LV_Queue->topLevelItemCount(); ++i)
        queue.LV_Queue->topLevelItem(i)->setSelected(true);
    queue.BB_SendFilesClick();
    ASSERT_TRUE(kavtest::waitUntil([&] { return idle(); }, 30000)) << transcript();
    EXPECT_TRUE(readFile(local.filePath(QStringLiteral("받기/큰 자료.bin"))) == hostSide[1].bytes);
    EXPECT_EQ(readFile(root + QStringLiteral("/받은 편지/올린 보고서.txt")), localSide[0].bytes);
    EXPECT_FALSE(log().join('\n').contains(QStringLiteral("네트워크 오류"))) << transcript();
}

// The host viewer shows a host file's text; the search walks the host tree
// through SFTP's listings; renaming, deleting and making a directory act on
// the server's disk and the pane follows.
TEST_F(SftpWindowTest, ViewSearchAndFileCommands)
{
    writeFile(root + QStringLiteral("/읽을 글.txt"), "가나다\n라마바\n");
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("찾기/깊은 곳")));
    writeFile(root + QStringLiteral("/찾기/a.txt"), "a");
    writeFile(root + QStringLiteral("/찾기/깊은 곳/나.txt"), "b");
    writeFile(root + QStringLiteral("/찾기/깊은 곳/다른.bin"), "c");
    writeFile(root + QStringLiteral("/지울 것.txt"), "x");
    writeFile(root + QStringLiteral("/옛 이름.txt"), "same");
    connect();

    // The viewer opens modally: read it and close it from a timer.
    QStringList shown;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (TViewForm *viewer = f->viewForm(); viewer && viewer->isVisible()) {
            shown = viewer->lines();
            viewer->close();
        }
    });
    look.start(20);
    selectHost({QStringLiteral("읽을 글.txt")});
    ui().N_RView->trigger();
    ASSERT_TRUE(kavtest::waitUntil([&] { return !shown.isEmpty() && idle(); }, 10000)) << transcript();
    look.stop();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("가나다"), QStringLiteral("라마바")}));

    // The search window as the user opens it: modal, the host put back once it closes.
    TFindRForm &find = f->lists().findHost();
    QStringList found;
    QTimer::singleShot(0, [&] {
        find.CB_FindFile->setEditText(QStringLiteral("*.txt"));
        find.E_FindDir->setText(root + QStringLiteral("/찾기"));
        find.B_RunClick();
        found = find.results();
        find.reject();
    });
    find.RBfindfileClick();
    QStringList expected{root + QStringLiteral("/찾기/a.txt"), root + QStringLiteral("/찾기/깊은 곳/나.txt")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected) << transcript();
    ASSERT_TRUE(connected());
    EXPECT_EQ(ui().CB_CurName->currentText(), root);

    selectHost({QStringLiteral("옛 이름.txt")});
    scripted().pushAccept(QStringLiteral("새 이름.txt"));
    ui().N_RRename->trigger();
    EXPECT_TRUE(kavtest::waitUntil([&] { return QFile::exists(root + QStringLiteral("/새 이름.txt")); }, 5000)) << transcript();
    EXPECT_FALSE(QFile::exists(root + QStringLiteral("/옛 이름.txt")));
    EXPECT_EQ(readFile(root + QStringLiteral("/새 이름.txt")), "same");

    ASSERT_TRUE(kavtest::waitUntil([&] { return hostFiles().contains(QStringLiteral("지울 것.txt")); }, 5000));
    selectHost({QStringLiteral("지울 것.txt")});
    scripted().pushButton(BtnYes);
    ui().N_RDelete->trigger();
    EXPECT_TRUE(kavtest::waitUntil([&] { return !QFile::exists(root + QStringLiteral("/지울 것.txt")); }, 5000)) << transcript();

    scripted().pushAccept(QStringLiteral("새 폴더"));
    ui().N_RMakeDirectory->trigger();
    EXPECT_TRUE(kavtest::waitUntil([&] { return QFileInfo(root + QStringLiteral("/새 폴더")).isDir(); }, 5000)) << transcript();
    EXPECT_TRUE(kavtest::waitUntil([&] {
        for (int i = 0; i < ui().RDirListBox->count(); ++i)
            if (ui().RDirListBox->item(i)->text().contains(QStringLiteral("새 폴더")))
                return true;
        return false;
    }, 5000));
    EXPECT_FALSE(hostFiles().contains(QStringLiteral("지울 것.txt")));
    EXPECT_TRUE(hostFiles().contains(QStringLiteral("새 이름.txt")));
    EXPECT_TRUE(connected());
}

} // namespace
