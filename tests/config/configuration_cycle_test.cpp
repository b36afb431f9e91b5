// The real main window through start-up, connect, disconnect and exit, twice,
// with the settings directory in a temporary folder: profiles, passwords and
// options come back as they were left.

#include "app/main_form.h"
#include "app/settings_bridge.h"
#include "ui_connect_form.h"
#include "ui_main_form.h"
#include "ui_mode_form.h"

#include "config/connect_form.h"
#include "config/password_scrambler.h"
#include "browse/host_pane.h"
#include "ftp/session.h"
#include "platform/ini_file.h"
#include "platform/local_path.h"
#include "local/local_pane.h"
#include "platform/scripted_dialogs.h"
#include "platform/winsock.h"
#include "reply_peer.h"
#include "transfer/mode_form.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include "wait_until.h"

#include <gtest/gtest.h>
#include <functional>

using namespace kav;

namespace {

// The real window; only the modal connect dialog is filled and confirmed by the test.
class CycleForm : public TMainForm {
public:
    std::function<void(TConnectForm &)> fillDialog;
    void runConnectDialog() override
    {
        TConnectForm &d = *connectForm();
        d.setProfileFieldsEnabled(true);
        if (fillDialog)
            fillDialog(d);
        d.BB_okClick();
    }
};

std::unique_ptr<CycleForm> start()
{
    auto f = std::make_unique<CycleForm>();
    f->show();
    f->activateWindow();
    EXPECT_TRUE(kavtest::waitUntil([&] { return f->firstActivated(); }, 5000));
    QCoreApplication::processEvents();
    return f;
}

void answerLogin(kavtest::ReplyPeer &peer)
{
    peer.greet("220 Test FTP ready\r\n");
    peer.on("USER", {"331 Password required\r\n"});
    peer.on("PASS", {"230 Logged in\r\n"});
    peer.on("SYST", {"215 UNIX Type: L8\r\n"});
    peer.on("CWD", {"250 OK\r\n"});
    peer.on("PWD", {"257 \"/pub\" is the current directory\r\n"});
    peer.on("PORT", {"200 PORT command successful\r\n"});
    peer.on("TYPE", {"200 Type set\r\n"});
    peer.on("NOOP", {"200 OK\r\n"});
    peer.on("QUIT", {"221 Bye\r\n"});
    kavtest::ReplyPeer::DataReply list;
    list.preliminary = "150 Here comes the listing\r\n";
    list.data = {"-rw-r--r--   1 ftp      ftp            12 Dec 10 03:04 hello.txt\r\n"};
    list.final = "226 Done\r\n";
    peer.onData("LIST", list);
}

} // namespace

TEST(ConfigurationCycle, ProfilesPasswordsAndOptionsSurviveRestarts)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QByteArray oldHome = qgetenv("KAVRIN_HOME");
    qputenv("KAVRIN_HOME", QFile::encodeName(home.path()));
    const QString iniPath = home.filePath(QStringLiteral("KAVRIN.INI"));
    static_cast<ScriptedDialogs &>(dialogs()).clear();

    // A profile on another port, in passive mode.
    kavtest::ReplyPeer peer(2121);
    answerLogin(peer);
    peer.offerPassive({});
    const QString foreignDir = home.path() + QLatin1Char('/') + localpath::decode("\xB0\xA1\xB3\xAA;x\xE9");

    {
        // First run: the file appears with the first-run keys.
        auto f = start();
        ASSERT_TRUE(QFileInfo::exists(iniPath));
        EXPECT_EQ(f->connectForm()->profiles().count(), 0);
        // After the start-up toggles: on top, accepting drops; anti-idle and sorting off.
        EXPECT_TRUE(f->form()->N_RStayOnTop->isChecked());
        EXPECT_FALSE(f->form()->N_RAntiIdle->isChecked());

        f->fillDialog = [](TConnectForm &d) {
            Ui::TConnectForm &c = *d.form();
            c.CB_HostName->setEditText(QStringLiteral("시험 서버"));
            c.E_HostIP->setText(QStringLiteral("127.0.0.1"));
            c.E_UserId->setText(QStringLiteral("kim"));
            c.E_Password->setText(QStringLiteral("비밀 pw;=x"));
            c.E_RemotePath->setText(QStringLiteral("/pub"));
            c.E_LocalPath->setText(QStringLiteral("/home/kim/받은 파일"));
            c.NE_Timeout->setText(QStringLiteral("5"));
            c.NE_TrialTimes->setText(QStringLiteral("1"));
            c.NE_Port->setText(QStringLiteral("2121"));
            c.CB_DataMode->setCurrentIndex(int(DataMode::Passive));
            c.CB_UseLastPath->setChecked(true);
        };
        f->form()->BB_Connect->click();
        ASSERT_TRUE(kavtest::waitUntil([&] { return f->session().isConnected(); }, 5000));
        EXPECT_EQ(f->settings().configuration().hostListsProfile(), QStringLiteral("시험 서버"));
        f->hostPaneOf()->hostDirectoryReported(QStringLiteral("/pub"));

        // The user changes options and the extension list while connected.
        f->form()->N_RAntiIdle->trigger();
        f->form()->CB_AutoMode->setChecked(false);
        f->form()->RB_ascii->setChecked(true);
        TModeForm &mode = f->settings().modeForm();
        // Acts once the modal window is up and its own event loop runs: its
        // activation processes events inside show(), and a close from there
        // would come before the loop that it should end. The second tick that
        // finds it visible is past the activation.
        QTimer typer;
        int visibleTicks = 0;
        QObject::connect(&typer, &QTimer::timeout, &mode, [&] {
            if (!mode.isVisible() || ++visibleTicks < 2)
                return;
            typer.stop();
            mode.form()->E_Ext->setText(QStringLiteral(".hwp"));
            mode.B_AddExtClick();
            mode.B_CloseClick();
        });
        typer.start(10);
        f->form()->N_LASCIIExtensition->trigger();
        EXPECT_TRUE(f->settings().asciiExtensions().contains(QStringLiteral("HWP")));

        // The last local folder has a name in code page 949 bytes (가나), a stray
        // byte and the profile's field separator.
        ASSERT_TRUE(localpath::makeDirectory(foreignDir));
        ASSERT_TRUE(f->localPaneOf()->setDirectory(foreignDir));

        f->form()->BB_Disconnect->click();
        ASSERT_TRUE(kavtest::waitUntil([&] { return !f->session().isConnected(); }, 5000));
        IniFile ini(iniPath);
        ASSERT_EQ(ini.load(), IniFile::LoadResult::Loaded);
        const QString stored = ini.readString(QStringLiteral("IPADDRESS"), QStringLiteral("시험 서버"));
        EXPECT_EQ(stored.section(QLatin1Char(';'), 6, 6), QStringLiteral("/pub"));
        EXPECT_EQ(stored.section(QLatin1Char(';'), 8), QStringLiteral("2121;passive;plain;"));
        // The host lists came over a passive data connection.
        EXPECT_TRUE(peer.commands.contains("EPSV"));
        EXPECT_FALSE(peer.commands.contains("PORT"));
        f->BB_ExitClick();
    }
    // On disk: code page 949, owner only.
    EXPECT_EQ(QFileInfo(iniPath).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    {
        QFile file(iniPath);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
        EXPECT_TRUE(bytes.contains("\xBD\xC3\xC7\xE8 \xBC\xAD\xB9\xF6="));  // 시험 서버= in code page 949
        EXPECT_FALSE(bytes.contains("pw;=x"));
    }

    {
        // Second start: everything comes back.
        auto f = start();
        TConnectForm &d = *f->connectForm();
        ASSERT_EQ(d.profiles().count(), 1);
        const ProfileEntry p = d.profiles().at(0);
        EXPECT_EQ(p.HostName, QStringLiteral("시험 서버"));
        EXPECT_EQ(p.Password, QStringLiteral("비밀 pw;=x"));
        EXPECT_EQ(p.LocalPath, QStringLiteral("/home/kim/받은 파일"));
        EXPECT_EQ(p.LastHostDir, QStringLiteral("/pub"));
        EXPECT_EQ(f->profile().HostName, QStringLiteral("시험 서버"));
        EXPECT_EQ(f->profile().Password, QStringLiteral("비밀 pw;=x"));
        EXPECT_EQ(d.form()->NE_Timeout->text(), QStringLiteral("5"));
        EXPECT_EQ(p.Connection.Port, 2121);
        EXPECT_EQ(p.Connection.Mode, DataMode::Passive);
        EXPECT_EQ(d.form()->NE_Port->text(), QStringLiteral("2121"));
        EXPECT_EQ(d.form()->CB_DataMode->currentIndex(), int(DataMode::Passive));
        EXPECT_EQ(f->profile().Connection.Port, 2121);
        EXPECT_TRUE(f->form()->N_RAntiIdle->isChecked());
        EXPECT_TRUE(f->form()->N_RStayOnTop->isChecked());
        EXPECT_FALSE(f->form()->CB_AutoMode->isChecked());
        EXPECT_TRUE(f->form()->RB_ascii->isChecked());
        // The first run's default list, with the one extension added to it.
        EXPECT_EQ(f->settings().asciiExtensions().count(), 33);
        EXPECT_TRUE(f->settings().asciiExtensions().toStored().contains(QStringLiteral(";HWP;")));
        EXPECT_TRUE(f->settings().asciiExtensions().contains(QStringLiteral("txt")));
        EXPECT_EQ(f->settings().modeForm().form()->LB_ExtList->count(), 33);
        EXPECT_EQ(p.LastLocalDir, foreignDir);

        // Connecting again enters that very folder.
        f->localPaneOf()->setDirectory(home.path());
        f->form()->BB_Connect->click();
        ASSERT_TRUE(kavtest::waitUntil([&] { return f->session().isConnected(); }, 5000));
        EXPECT_EQ(f->localPaneOf()->currentDirectory(), foreignDir);
        f->form()->BB_Disconnect->click();
        ASSERT_TRUE(kavtest::waitUntil([&] { return !f->session().isConnected(); }, 5000));
        f->BB_ExitClick();
    }
    EXPECT_TRUE(static_cast<ScriptedDialogs &>(dialogs()).asked.empty());
    // Qt cannot name the folder, so it could not remove it with the rest.
    localpath::removeDirectory(foreignDir);
    if (oldHome.isNull())
        qunsetenv("KAVRIN_HOME");
    else
        qputenv("KAVRIN_HOME", oldHome);
}
