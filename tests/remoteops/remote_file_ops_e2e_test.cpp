// Viewing, editing, hex viewing and printing host files in place: the real main
// window against pyftpdlib on 127.0.0.1:21 of this test's own network namespace.

#include "ftp_server.h"
#include "qt_printers.h"
#include "ui_main_form.h"

#include "app/main_form.h"
#include "app/settings_bridge.h"
#include "app/transfer_bridge.h"
#include "browse/host_pane.h"
#include "ftp/session.h"
#include "local/local_pane.h"
#include "platform/cp949.h"
#include "platform/dialogs.h"
#include "platform/local_path.h"
#include "platform/printer.h"
#include "platform/scripted_dialogs.h"
#include "platform/settings_dir.h"
#include "platform/winsock.h"
#include "remoteops/temp_copies.h"
#include "config/ascii_extensions.h"
#include "transfer/trans_form.h"
#include "viewers/hex_form.h"
#include "viewers/print_form.h"
#include "viewers/view_form.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTableWidget>
#include <QTimer>
#include <QLabel>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kav;

namespace {

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(dialogs()); }

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
    f.close();
    if (executable)
        ::chmod(QFile::encodeName(path).constData(), 0755);
}

// Everything left below Kavrin's temporary directory.
QStringList leftInTemp()
{
    QStringList out;
    QDirIterator it(QDir(settingsDirectory()).filePath(QStringLiteral("Temp")),
                    QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    return out;
}

class RemoteFileOpsE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(settingsHome.isValid());
        ASSERT_TRUE(localDir.isValid());
        qputenv("KAVRIN_HOME", settingsHome.path().toUtf8());
        hostDir = QString::fromStdString(home.path());
        writeFile(hostDir + QStringLiteral("/한글.txt"),
                  cp949::encode(u"첫째 줄\n둘째 줄 가나다\n\n넷째 줄 (빈 줄 다음)\n끝 줄에는 줄바꿈이 없음"));
        writeFile(hostDir + QStringLiteral("/memo.txt"), "first line\nsecond line\n");
        writeFile(hostDir + QStringLiteral("/gone.txt"), "listed, then removed\n");
        QByteArray blob;
        for (int i = 0; i < 300; ++i)
            blob += char((i * 7 + 13) & 0xff);
        blob += "\r\n\n\r";
        writeFile(hostDir + QStringLiteral("/blob.bin"), blob);
        writeFile(localDir.filePath(QStringLiteral("mine.txt")), "local\n");
        server.addUser("kim", "secret", home.path()).setNames(hostNames());
        ASSERT_TRUE(server.start());

        scripted().clear();
        ASSERT_TRUE(ws::startup());
        f = std::make_unique<TMainForm>();
        f->FormActivate();
        ASSERT_TRUE(f->setLogFile(settingsHome.filePath(QStringLiteral("log.txt"))));
        f->settings().asciiExtensions().add(QStringLiteral("TXT"));
        SessionProfile local;
        local.LocalPath = localDir.path();
        f->enterLocalStartDirectory(local);
        localStart = f->localPaneOf()->currentDirectory();

        SessionProfile &p = f->profile();
        p.HostName = QStringLiteral("시험 서버");
        p.HostIP = QStringLiteral("127.0.0.1");
        p.UserId = QStringLiteral("kim");
        p.Password = QStringLiteral("secret");
        f->connectFlow().BB_ConnectClick(false);
        ASSERT_TRUE(f->session().isConnected()) << log().toStdString();
        ASSERT_GT(f->form()->RFileListBox->count(), 0);
        scripted().clear();
        logMark = log().size();
    }
    void TearDown() override
    {
        f.reset();
        qputenv("PATH", path);
    }

    virtual kavtest::FtpServer::Names hostNames() const { return kavtest::FtpServer::Names::Utf8; }
    QString log() const { return QString::fromUtf8(readFile(settingsHome.filePath(QStringLiteral("log.txt")))); }
    // The log written since the test's own start.
    QString newLog() const { return log().mid(logMark); }

    void selectHost(const QString &name)
    {
        HostListView *files = f->form()->RFileListBox;
        files->clearSelection();
        const auto found = files->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        found.first()->setSelected(true);
    }
    QString editorScript(const QString &body)
    {
        const QString script = settingsHome.filePath(QStringLiteral("editor.sh"));
        writeFile(script, ("#!/bin/sh\n" + body + "\n").toUtf8(), true);
        return script;
    }
    void expectLocalPaneBack()
    {
        EXPECT_EQ(f->localPaneOf()->currentDirectory(), localStart);
        EXPECT_EQ(QDir::currentPath(), localStart);
        EXPECT_TRUE(leftInTemp().isEmpty()) << leftInTemp().join('\n').toStdString();
    }

    QByteArray path = qgetenv("PATH");
    QTemporaryDir settingsHome, localDir;
    kavtest::ScratchDir home;
    kavtest::FtpServer server;
    QString hostDir, localStart;
    std::unique_ptr<TMainForm> f;
    qsizetype logMark = 0;
};

// A server that gives names as the bytes on its disk, whatever they are.
class RemoteFileOpsRawNamesE2e : public RemoteFileOpsE2e {
protected:
    kavtest::FtpServer::Names hostNames() const override { return kavtest::FtpServer::Names::RawBytes; }
};

} // namespace

// Two host names that differ only in a byte that is not UTF-8: each is edited
// and hex viewed through a copy named with its own bytes, goes back to itself
// and to nothing else, and no copy is left behind.
TEST_F(RemoteFileOpsRawNamesE2e, CopiesOfUndecodableHostNamesKeepTheirBytes)
{
    const QByteArray host = QFile::encodeName(hostDir);
    const QList<QByteArray> names = {"x\xe9.txt", "x\xe8.txt"};
    for (const QByteArray &name : names) {
        const int fd = ::open((host + '/' + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        const QByteArray content = "copy of " + name.toHex() + "\n";
        ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), content.size());
        ::close(fd);
    }
    f->hostPaneOf()->RBrefreshClick();
    const QString seen = settingsHome.filePath(QStringLiteral("seen"));
    f->profile().Editor = editorScript(QStringLiteral("for last; do :; done\nprintf %s \"$last\" > '") + seen
                                       + QStringLiteral("'\nprintf 'edited\\n' >> \"$last\""));
    const auto hostBytes = [&](const QByteArray &name) {
        QFile file;
        return localpath::open(file, hostDir + QLatin1Char('/') + localpath::decode(name), QIODevice::ReadOnly)
            ? file.readAll() : QByteArray("<unreadable>");
    };
    // The host list's item for a name: its host path carries the bytes it stands for.
    const auto selectBytes = [&](const QByteArray &name) {
        auto *files = f->form()->RFileListBox;
        files->clearSelection();
        for (int i = 0; i < files->count(); ++i) {
            const QString path = f->hostPaneOf()->hostPathOf(files->item(i)->text());
            if (localpath::encode(path).value_or(QByteArray()).endsWith("/" + name)) {
                files->item(i)->setSelected(true);
                files->setCurrentItem(files->item(i));
                return true;
            }
        }
        return false;
    };
    const QByteArray tempRoot = QFile::encodeName(QFileInfo(remote::temporaryRoot()).canonicalFilePath());
    for (const QByteArray &name : names) {
        SCOPED_TRACE(name.toHex().toStdString());
        ASSERT_TRUE(selectBytes(name));
        scripted().clear();
        scripted().pushButton(BtnYes);   // send it back
        f->form()->N_REdit->trigger();
        EXPECT_EQ(scripted().messageTexts().size(), 1) << scripted().messageTexts().join('|').toStdString();
        const QByteArray given = readFile(seen);
        EXPECT_TRUE(given.startsWith(tempRoot + "/copy-")) << given.toStdString();
        EXPECT_TRUE(given.endsWith("/" + name)) << given.toHex().toStdString();
        EXPECT_EQ(hostBytes(name), "copy of " + name.toHex() + "\nedited\n");

        ASSERT_TRUE(selectBytes(name));
        scripted().clear();
        QString title, firstCell;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto *hex = qobject_cast<THexForm *>(QApplication::activeModalWidget());
            if (!hex || !title.isEmpty())
                return;
            hex->FormActivate();
            if (hex->lastSector() == 0 && scripted().asked.empty())
                return;   // its own activation is still under way
            title = hex->windowTitle();
            firstCell = hex->findChild<QTableWidget *>(QStringLiteral("SG_Hexcodes"))->item(0, 0)->text();
            hex->close();
        });
        watch.start(10);
        f->form()->N_RHexview->trigger();
        watch.stop();
        EXPECT_EQ(firstCell, QStringLiteral("63"));
        EXPECT_TRUE(title.endsWith(localpath::displayName(QByteArrayView(name)) + QStringLiteral("  (")
                                   + QString::number(name.toHex().size() + 16) + QStringLiteral(" Bytes)")))
            << title.toStdString();
        EXPECT_TRUE(scripted().messageTexts().isEmpty()) << scripted().messageTexts().join('|').toStdString();
        expectLocalPaneBack();
    }
    EXPECT_TRUE(f->session().isConnected());
}

TEST_F(RemoteFileOpsE2e, ViewShowsEveryLineOfAKoreanTextFile)
{
    selectHost(QStringLiteral("한글.txt"));
    QStringList shown;
    QString caption;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        TViewForm *viewer = f->viewForm();
        if (!viewer->isVisible())
            return;
        shown = viewer->lines();
        caption = viewer->windowTitle();
        viewer->close();
    });
    watch.start(10);
    f->form()->N_RView->trigger();
    watch.stop();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("첫째 줄"), QStringLiteral("둘째 줄 가나다"), QString(),
                                  QStringLiteral("넷째 줄 (빈 줄 다음)"), QStringLiteral("끝 줄에는 줄바꿈이 없음")}));
    EXPECT_TRUE(caption.startsWith(QStringLiteral("[Host] - File View (한글.txt, "))) << caption.toStdString();
    EXPECT_TRUE(scripted().asked.empty());
    EXPECT_TRUE(newLog().contains(QStringLiteral("[L] - RETR 한글.txt")));
    EXPECT_TRUE(newLog().contains(QStringLiteral("[H] - 226 ")));
    EXPECT_TRUE(f->session().isConnected());
    EXPECT_FALSE(f->transfers().transferWindow().isVisible());
    EXPECT_TRUE(leftInTemp().isEmpty()) << "a view stores nothing";
}

// pyftpdlib announces no size in its 150 reply: the listing's size stands in, so the
// transfer window tells the real size and its gauge moves; an empty file gets the box,
// not an empty viewer.
TEST_F(RemoteFileOpsE2e, ViewUsesTheListedSizeWhenTheServerAnnouncesNone)
{
    QByteArray big;
    for (int i = 0; big.size() < 300000; ++i)
        big += "line " + QByteArray::number(i) + "\n";
    writeFile(hostDir + QStringLiteral("/big.txt"), big);
    writeFile(hostDir + QStringLiteral("/empty.txt"), QByteArray());
    f->hostPaneOf()->RBrefreshClick();

    selectHost(QStringLiteral("big.txt"));
    QStringList sizes;
    int highestGauge = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        kav::TTransForm &t = f->transfers().transferWindow();
        if (t.isVisible()) {
            const QString label = t.findChild<QLabel *>(QStringLiteral("L_Lsize"))->text();
            if (!sizes.contains(label))
                sizes << label;
            highestGauge = std::max(highestGauge, t.gauge());
        }
        if (f->viewForm()->isVisible())
            f->viewForm()->close();
    });
    watch.start(1);
    f->form()->N_RView->trigger();
    watch.stop();
    EXPECT_EQ(sizes, QStringList{QString::number(big.size()) + QStringLiteral(" Bytes")});
    EXPECT_GT(highestGauge, 0);

    scripted().clear();
    selectHost(QStringLiteral("empty.txt"));
    bool viewerShown = false;
    QObject::disconnect(&watch, nullptr, nullptr, nullptr);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (f->viewForm()->isVisible()) {
            viewerShown = true;
            f->viewForm()->close();
        }
    });
    watch.start(1);
    f->form()->N_RView->trigger();
    watch.stop();
    EXPECT_FALSE(viewerShown);
    EXPECT_EQ(scripted().messageTexts(), QStringList{QStringLiteral("파일 'empty.txt'의 파일크기가 0 Byte 입니다.")});
    EXPECT_TRUE(f->session().isConnected());
}

TEST_F(RemoteFileOpsE2e, EditSendsTheEditedFileBack)
{
    f->profile().Editor = editorScript(QStringLiteral("for last; do :; done\nprintf 'added by the editor\\n' >> \"$last\""));
    selectHost(QStringLiteral("memo.txt"));
    scripted().pushButton(BtnYes);   // send it back
    f->form()->N_REdit->trigger();
    ASSERT_EQ(scripted().messageTexts().size(), 1) << scripted().messageTexts().join('|').toStdString();
    EXPECT_EQ(scripted().messageTexts().first(),
              QStringLiteral("편집한 파일 'memo.txt'를 호스트에 저장하시겠습니까 ?\r\n(편집을 모두 마친 뒤에 [예]를 누르십시오.)"));
    const QByteArray host = readFile(hostDir + QStringLiteral("/memo.txt"));
    EXPECT_TRUE(host.startsWith("first line")) << host.toStdString();
    EXPECT_TRUE(host.contains("added by the editor")) << host.toStdString();
    EXPECT_TRUE(newLog().contains(QStringLiteral("[L] - STOR /memo.txt"))) << newLog().toStdString();
    expectLocalPaneBack();
    EXPECT_TRUE(f->session().isConnected());
}

// The server's file changes only where the editor changed it: the copy goes and comes
// back in image type, whatever the type controls say, so no line end is rewritten.
TEST_F(RemoteFileOpsE2e, EditChangesOnlyWhatTheEditorChanged)
{
    f->profile().Editor = editorScript(QStringLiteral("for last; do :; done\nsed -i 's/second/SECOND/' \"$last\""));
    struct Row {
        const char *name;
        QByteArray before, after;
    };
    const Row rows[] = {
        {"crlf.txt", "first line\r\nsecond line\r\nthird\r\n", "first line\r\nSECOND line\r\nthird\r\n"},
        {"lf.txt", "first line\nsecond line\nthird", "first line\nSECOND line\nthird"},
        {"mixed.txt", "first\r\nsecond\nthird\r", "first\r\nSECOND\nthird\r"},
    };
    Ui::TMainForm &u = *f->form();
    for (int mode = 0; mode < 2; ++mode) {   // the automatic type by extension, then ASCII chosen by hand
        u.CB_AutoMode->setChecked(mode == 0);
        if (mode == 1)
            u.RB_ascii->click();
        for (const Row &row : rows) {
            SCOPED_TRACE(row.name);
            SCOPED_TRACE(mode);
            writeFile(hostDir + QLatin1Char('/') + QLatin1String(row.name), row.before);
            f->hostPaneOf()->RBrefreshClick();
            selectHost(QLatin1String(row.name));
            scripted().clear();
            scripted().pushButton(BtnYes);   // send it back
            f->form()->N_REdit->trigger();
            EXPECT_EQ(readFile(hostDir + QLatin1Char('/') + QLatin1String(row.name)), row.after);
            EXPECT_TRUE(f->session().isConnected());
        }
    }
    u.CB_AutoMode->setChecked(true);
}

TEST_F(RemoteFileOpsE2e, DecliningTheQuestionsSendsNothing)
{
    // An executable is "not a text file"; No ends the view before any command.
    writeFile(hostDir + QStringLiteral("/run.sh"), "#!/bin/sh\n", true);
    f->hostPaneOf()->RBrefreshClick();
    selectHost(QStringLiteral("run.sh"));
    logMark = log().size();
    f->form()->N_RView->trigger();
    EXPECT_EQ(scripted().messageTexts(),
              QStringList{QStringLiteral("[주의]\r\n파일 'run.sh'는 텍스트 파일이 아님니다.\r\n그래도 선택한 파일을 열람하시겠습니까 ?")});
    EXPECT_FALSE(newLog().contains(QStringLiteral("RETR")));

    // Edited, but not to be sent: the host file stays, the copy goes.
    scripted().clear();
    f->profile().Editor = editorScript(QStringLiteral("for last; do :; done\nprintf 'not wanted\\n' >> \"$last\""));
    const QByteArray before = readFile(hostDir + QStringLiteral("/memo.txt"));
    selectHost(QStringLiteral("memo.txt"));
    f->form()->N_REdit->trigger();   // the question is answered No
    ASSERT_EQ(scripted().messageTexts().size(), 1);
    EXPECT_EQ(readFile(hostDir + QStringLiteral("/memo.txt")), before);
    EXPECT_FALSE(newLog().contains(QStringLiteral("STOR")));
    expectLocalPaneBack();
}

TEST_F(RemoteFileOpsE2e, AnEditorThatCannotStartSendsNothing)
{
    // No editor of the desktop either: the stored one is all there is.
    qputenv("PATH", settingsHome.path().toUtf8());
    f->profile().Editor = settingsHome.filePath(QStringLiteral("no-such-editor"));
    const QByteArray before = readFile(hostDir + QStringLiteral("/memo.txt"));
    selectHost(QStringLiteral("memo.txt"));
    f->form()->N_REdit->trigger();
    EXPECT_EQ(scripted().messageTexts(), QStringList{QStringLiteral("지정한 문서편집기가 실행되지 않습니다.")});
    EXPECT_EQ(readFile(hostDir + QStringLiteral("/memo.txt")), before);
    EXPECT_FALSE(newLog().contains(QStringLiteral("STOR")));
    expectLocalPaneBack();
}

TEST_F(RemoteFileOpsE2e, ARefusedDownloadNeverReachesTheEditor)
{
    const QString marker = settingsHome.filePath(QStringLiteral("editor-ran"));
    f->profile().Editor = editorScript(QStringLiteral("touch '") + marker + QStringLiteral("'"));
    // A copy left in the temporary directory by an earlier run, under the same name.
    const QString temp = remote::temporaryRoot();
    writeFile(temp + QStringLiteral("/gone.txt"), "stale copy\n");
    QFile::remove(hostDir + QStringLiteral("/gone.txt"));   // listed, but gone when asked for
    selectHost(QStringLiteral("gone.txt"));
    scripted().pushButton(BtnYes);
    f->form()->N_REdit->trigger();
    EXPECT_FALSE(QFile::exists(marker)) << "no editor started";
    EXPECT_TRUE(scripted().messageTexts().isEmpty()) << scripted().messageTexts().join('|').toStdString();
    EXPECT_TRUE(newLog().contains(QStringLiteral("[L] - RETR gone.txt")));
    EXPECT_TRUE(newLog().contains(QStringLiteral("[H] - 550 ")));
    EXPECT_TRUE(newLog().contains(QStringLiteral("[L] - 파일 'gone.txt'가 로컬로 정확히 전송되지 않습니다.")));
    EXPECT_FALSE(newLog().contains(QStringLiteral("STOR")));
    EXPECT_FALSE(QFile::exists(hostDir + QStringLiteral("/gone.txt")));
    EXPECT_EQ(readFile(temp + QStringLiteral("/gone.txt")), "stale copy\n") << "not ours to delete";
    QFile::remove(temp + QStringLiteral("/gone.txt"));
    expectLocalPaneBack();
}

TEST_F(RemoteFileOpsE2e, CancelDuringTheEditDownloadClosesTheConnectionAndStartsNoEditor)
{
    const QString marker = settingsHome.filePath(QStringLiteral("editor-ran"));
    f->profile().Editor = editorScript(QStringLiteral("touch '") + marker + QStringLiteral("'"));
    writeFile(hostDir + QStringLiteral("/big.txt"), QByteArray(8 << 20, 'a'));
    f->hostPaneOf()->RBrefreshClick();
    selectHost(QStringLiteral("big.txt"));
    // The user presses cancel as soon as the first block has arrived.
    TTransForm &window = f->transfers().transferWindow();
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (window.isVisible() && window.moved() > 0 && window.cancelFlag() == 0)
            window.BB_abortClick();
    });
    user.start(0);
    f->form()->N_REdit->trigger();
    user.stop();
    EXPECT_FALSE(QFile::exists(marker)) << "no editor started";
    EXPECT_FALSE(f->session().isConnected());
    EXPECT_TRUE(newLog().contains(QStringLiteral("[H] - transfer failed")));
    EXPECT_TRUE(newLog().contains(QStringLiteral("[H] - 전송이 취소되어 호스트에 다시 접속하셔야 합니다")));
    EXPECT_FALSE(newLog().contains(QStringLiteral("STOR")));
    EXPECT_EQ(window.cancelFlag(), 0);
    expectLocalPaneBack();
}

TEST_F(RemoteFileOpsE2e, HexViewTakesAByteExactCopyAndPutsTheTypeBack)
{
    ASSERT_EQ(f->session().transferType(), TransferType::Ascii);
    const bool autoMode = f->form()->CB_AutoMode->isChecked();
    selectHost(QStringLiteral("blob.bin"));
    QString title;
    QByteArray copyBytes;
    QTimer watch;
    bool seen = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *hex = qobject_cast<THexForm *>(QApplication::activeModalWidget());
        if (!hex || seen)
            return;
        hex->FormActivate();
        if (hex->lastSector() == 0 && scripted().asked.empty())
            return;   // its own activation is still under way
        seen = true;
        title = hex->windowTitle();
        copyBytes = readFile(title.left(title.lastIndexOf(QStringLiteral("  ("))));
        hex->close();
    });
    watch.start(10);
    f->form()->N_RHexview->trigger();
    watch.stop();
    const QString copyDir = remote::temporaryRoot();
    EXPECT_TRUE(title.startsWith(QFileInfo(copyDir).canonicalFilePath() + QStringLiteral("/copy-")))
        << title.toStdString();
    EXPECT_TRUE(title.endsWith(QStringLiteral("/blob.bin  (304 Bytes)"))) << title.toStdString();
    EXPECT_EQ(copyBytes, readFile(hostDir + QStringLiteral("/blob.bin")));
    EXPECT_TRUE(scripted().asked.empty());
    const QString lines = newLog();
    const qsizetype image = lines.indexOf(QStringLiteral("[L] - TYPE I"));
    ASSERT_GE(image, 0) << lines.toStdString();
    EXPECT_GT(lines.indexOf(QStringLiteral("[L] - TYPE A"), image), image) << "the type in force before is back";
    EXPECT_EQ(f->session().transferType(), TransferType::Ascii);
    EXPECT_EQ(f->form()->CB_AutoMode->isChecked(), autoMode);
    expectLocalPaneBack();
}

TEST_F(RemoteFileOpsE2e, AHostileNameIsRefusedBeforeAnyPathIsBuilt)
{
    // A listing that offered "../x" (a server may send anything).
    f->form()->RFileListBox->addItem(QStringLiteral("../x"), EntryKind::PlainFile);
    selectHost(QStringLiteral("../x"));
    f->form()->N_RHexview->trigger();
    scripted().pushButton(BtnYes);   // the text check of the edit
    f->form()->N_REdit->trigger();
    const QString refused = QStringLiteral("[H] - 파일명 '../x' 은(는) 로컬 파일명으로 쓸 수 없어 받지 않습니다.");
    EXPECT_EQ(newLog().count(refused), 2) << newLog().toStdString();
    EXPECT_FALSE(newLog().contains(QStringLiteral("RETR")));
    EXPECT_TRUE(leftInTemp().isEmpty());
    EXPECT_EQ(f->localPaneOf()->currentDirectory(), localStart);
}

TEST_F(RemoteFileOpsE2e, PrintStreamsTheFileOnlyOnceThePrinterIsChosen)
{
    const QString pdf = settingsHome.filePath(QStringLiteral("host.pdf"));
    auto *printer = new PdfFilePrinter(pdf);
    auto previous = setPrinter(std::unique_ptr<PrinterService>(printer));
    selectHost(QStringLiteral("한글.txt"));
    printer->acceptDialogs = false;
    f->form()->N_RPrint->trigger();
    EXPECT_EQ(printer->printDialogsAsked, 1);
    EXPECT_FALSE(newLog().contains(QStringLiteral("RETR"))) << "a cancelled print dialog asks the server nothing";
    EXPECT_FALSE(QFile::exists(pdf));

    printer->acceptDialogs = true;
    f->form()->N_RPrint->trigger();
    EXPECT_TRUE(newLog().contains(QStringLiteral("[L] - RETR 한글.txt")));
    EXPECT_FALSE(f->printForm()->isVisible());
    setPrinter(std::move(previous));
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    QString text = QString::fromUtf8(p.readAllStandardOutput());
    text.remove(QLatin1Char(' ')).remove(QChar(1));
    qsizetype at = 0;
    for (const char *line : {"첫째줄", "둘째줄가나다", "넷째줄(빈줄다음)", "끝줄에는줄바꿈이없음"}) {
        const qsizetype found = text.indexOf(QString::fromUtf8(line), at);
        ASSERT_GE(found, at) << line << "\n" << text.toStdString();
        at = found;
    }
    EXPECT_TRUE(f->session().isConnected());
}
