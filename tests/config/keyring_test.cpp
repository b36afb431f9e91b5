// Host passwords in the desktop's keyring: a real gnome-keyring-daemon on a
// private D-Bus session bus, started for this executable by
// tests/fixtures/keyring-session in one of its modes (unlocked, locked,
// refusing, absent). Each suite below belongs to one mode and is run by its
// own CTest entry; the configuration, the connect dialog and the main window
// are the real ones, the FTP server a real pyftpdlib in the test's own network
// namespace.

#include "app/main_form.h"
#include "app/message_log.h"
#include "app/settings_bridge.h"
#include "ui_connect_form.h"
#include "ui_main_form.h"

#include "config/configuration.h"
#include "config/connect_form.h"
#include "config/password_scrambler.h"
#include "ftp/session.h"
#include "ftp_server.h"
#include "platform/cp949.h"
#include "platform/ini_file.h"
#include "platform/keyring.h"
#include "platform/scripted_dialogs.h"
#include "wait_until.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

using namespace kav;

namespace {

const QString Service = QStringLiteral("Kavrin test");

ScriptedDialogs &scripted()
{
    return static_cast<ScriptedDialogs &>(dialogs());
}

// The keyring-session mode this executable runs in; a suite run outside its
// fixture fails rather than passing on a machine without a keyring.
::testing::AssertionResult inSession(const char *mode)
{
    const QByteArray actual = qgetenv("KAVRIN_KEYRING_SESSION");
    if (actual == mode)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "run by tests/fixtures/keyring-session " << mode << " (got '"
                                         << actual.constData() << "')";
}

// The main window, the connect dialog filled and confirmed by the test.
class KeyringForm : public TMainForm {
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

// A settings folder of its own for each case, and the desktop keyring of the
// session under a service of the tests' own.
class KeyringCase : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        previousHome = qgetenv("KAVRIN_HOME");
        qputenv("KAVRIN_HOME", QFile::encodeName(home.path()));
        previous = setKeyring(makeDesktopKeyring(Service, 5000));
        scripted().clear();
    }
    void TearDown() override
    {
        setKeyring(std::move(previous));
        qputenv("KAVRIN_HOME", previousHome);
    }

    QString iniPath() const { return home.filePath(QStringLiteral("KAVRIN.INI")); }
    QByteArray fileBytes() const
    {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeFile(const QByteArray &bytes)
    {
        QFile f(iniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    // No trace of the password in the file: neither its bytes nor its scrambled form.
    void expectNotInFile(const QString &password)
    {
        const QByteArray bytes = fileBytes();
        EXPECT_FALSE(bytes.contains(cp949::encode(password))) << bytes.constData();
        EXPECT_FALSE(bytes.contains(ScramblePassword(password).toLatin1())) << bytes.constData();
    }

    std::unique_ptr<KeyringForm> start()
    {
        auto f = std::make_unique<KeyringForm>();
        f->show();
        f->activateWindow();
        EXPECT_TRUE(kavtest::waitUntil([&] { return f->firstActivated(); }, 5000));
        QCoreApplication::processEvents();
        return f;
    }

    QTemporaryDir home;
    QByteArray previousHome;
    std::unique_ptr<Keyring> previous;
};

QStringList logLines(const TMainForm &f)
{
    return f.messages().texts();
}

// Counts the saves of KAVRIN.INI: each one renames a finished temporary file over it.
class SaveCounter {
public:
    explicit SaveCounter(const QString &dir)
    {
        fd = inotify_init1(IN_NONBLOCK);
        if (fd >= 0)
            inotify_add_watch(fd, QFile::encodeName(dir).constData(), IN_MOVED_TO);
    }
    ~SaveCounter()
    {
        if (fd >= 0)
            ::close(fd);
    }
    bool valid() const { return fd >= 0; }
    int saves()
    {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (ssize_t at = 0; at < n;) {
                const auto *e = reinterpret_cast<const inotify_event *>(buffer + at);
                if (e->len > 0 && qstrcmp(e->name, "KAVRIN.INI") == 0)
                    ++count;
                at += ssize_t(sizeof(inotify_event) + e->len);
            }
        }
        return count;
    }

private:
    int fd = -1;
    int count = 0;
};

// A file as an older build leaves it: three profiles with scrambled passwords.
QByteArray olderFile(bool keyringOff)
{
    QByteArray out = "[LOGIN]\r\nHostName=one\r\nTimeout=15\r\nTrialTimes=3\r\nEditor=\r\nAutoSave=1\r\nUseLastPath=0\r\n";
    if (keyringOff)
        out += "KeyringPasswords=0\r\n";
    out += "[IPADDRESS]\r\none=10.0.0.1;kim;;;;;;\r\ntwo=10.0.0.2;lee;;;;;;\r\nthree=10.0.0.3;park;;;;;;\r\n\r\n";
    out += "[PASSWORD]\r\none=" + ScramblePassword(QStringLiteral("first pw")).toLatin1() + "\r\ntwo="
        + ScramblePassword(QStringLiteral("둘째 비밀")).toLatin1() + "\r\nthree=\r\n";
    return out;
}

} // namespace

// ---------------------------------------------------------------- unlocked

class KeyringUnlocked : public KeyringCase {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(inSession("unlocked"));
        KeyringCase::SetUp();
    }
};

TEST_F(KeyringUnlocked, ThePlatformCallsReadWriteAndRemoveEntries)
{
    Keyring &k = keyring();
    EXPECT_EQ(k.probe().status, KeyringStatus::NotFound);
    const QString entry = QStringLiteral("호스트@127.0.0.1");
    EXPECT_EQ(k.read(entry).status, KeyringStatus::NotFound);
    ASSERT_TRUE(k.write(entry, QStringLiteral("비밀 pw;=x")).ok());
    const KeyringResult back = k.read(entry);
    ASSERT_TRUE(back.ok()) << back.reason.toStdString();
    EXPECT_EQ(back.password, QStringLiteral("비밀 pw;=x"));
    ASSERT_TRUE(k.write(entry, QStringLiteral("new")).ok());
    EXPECT_EQ(k.read(entry).password, QStringLiteral("new"));
    EXPECT_TRUE(k.remove(entry).ok());
    EXPECT_EQ(k.read(entry).status, KeyringStatus::NotFound);
    // Removing what is not there is no failure.
    EXPECT_TRUE(k.remove(entry).ok());
}

// The option is on by default here: a profile saved from the dialog keeps its
// password in the keyring, and the file an empty value an older build reads as
// an empty password, plus the marker. The next start finds it there, and the
// login takes it from the keyring without asking.
TEST_F(KeyringUnlocked, APasswordGoesToTheKeyringAndTheLoginTakesItFromThere)
{
    kavtest::ScratchDir ftpHome;
    kavtest::FtpServer server;
    server.addUser("kim", "비밀 pw;=x", ftpHome.path());
    ASSERT_TRUE(server.start());
    const QString entry = QStringLiteral("시험 서버@127.0.0.1");
    {
        auto f = start();
        EXPECT_TRUE(f->profiles().options().KeyringPasswords);
        EXPECT_TRUE(f->connectForm()->form()->CB_Keyring->isChecked());
        f->fillDialog = [](TConnectForm &d) {
            Ui::TConnectForm &c = *d.form();
            c.CB_HostName->setEditText(QStringLiteral("시험 서버"));
            c.E_HostIP->setText(QStringLiteral("127.0.0.1"));
            c.E_UserId->setText(QStringLiteral("kim"));
            c.E_Password->setText(QStringLiteral("비밀 pw;=x"));
        };
        f->form()->BB_Connect->click();
        ASSERT_TRUE(kavtest::waitUntil([&] { return f->session().isConnected(); }, 5000));
        for (const QString &line : logLines(*f))
            EXPECT_FALSE(line.contains(QStringLiteral("pw;=x"))) << line.toStdString();
        f->form()->BB_Disconnect->click();
        ASSERT_TRUE(kavtest::waitUntil([&] { return !f->session().isConnected(); }, 5000));
        f->BB_ExitClick();
    }
    expectNotInFile(QStringLiteral("비밀 pw;=x"));
    IniFile ini(iniPath());
    ASSERT_EQ(ini.load(), IniFile::LoadResult::Loaded);
    ASSERT_TRUE(ini.hasKey(QStringLiteral("PASSWORD"), QStringLiteral("시험 서버")));
    // An older build: the empty value unscrambles to the empty password.
    EXPECT_EQ(UnscramblePassword(ini.readString(QStringLiteral("PASSWORD"), QStringLiteral("시험 서버"))), QString());
    EXPECT_EQ(ini.readString(QStringLiteral("KEYRING"), QStringLiteral("시험 서버")), entry);
    EXPECT_EQ(keyring().read(entry).password, QStringLiteral("비밀 pw;=x"));

    {
        auto f = start();
        ASSERT_EQ(f->profiles().count(), 1);
        EXPECT_TRUE(f->profiles().at(0).Password.isEmpty());
        EXPECT_EQ(f->profiles().at(0).KeyringEntry, entry);
        // The dialog shows an empty field that says where the password is.
        EXPECT_TRUE(f->connectForm()->form()->E_Password->text().isEmpty());
        EXPECT_FALSE(f->connectForm()->form()->E_Password->placeholderText().isEmpty());
        f->form()->BB_Connect->click();
        ASSERT_TRUE(kavtest::waitUntil([&] { return f->session().isConnected(); }, 5000));
        // Logged in with the keyring's password; no box asked for it.
        EXPECT_TRUE(kavtest::waitUntil([&] { return f->windowTitle().contains(QStringLiteral("kim")); }, 5000));
        EXPECT_TRUE(f->profile().Password.isEmpty());
        f->form()->BB_Disconnect->click();
        ASSERT_TRUE(kavtest::waitUntil([&] { return !f->session().isConnected(); }, 5000));
        f->BB_ExitClick();
    }
    EXPECT_TRUE(scripted().asked.empty()) << scripted().asked.front().text.toStdString();
    expectNotInFile(QStringLiteral("비밀 pw;=x"));
    EXPECT_EQ(keyring().read(entry).password, QStringLiteral("비밀 pw;=x"));
    keyring().remove(entry);
}

// Switching the option moves every stored password, each way in one save of
// the file, and loses none.
TEST_F(KeyringUnlocked, SwitchingMovesEveryPasswordInOneSave)
{
    writeFile(olderFile(true));
    auto f = start();
    TConnectForm &d = *f->connectForm();
    EXPECT_FALSE(d.form()->CB_Keyring->isChecked());
    EXPECT_EQ(f->profiles().at(0).Password, QStringLiteral("first pw"));

    SaveCounter counter(home.path());
    ASSERT_TRUE(counter.valid());
    d.form()->CB_Keyring->setChecked(true);
    EXPECT_EQ(counter.saves(), 1);
    EXPECT_TRUE(f->profiles().options().KeyringPasswords);
    expectNotInFile(QStringLiteral("first pw"));
    expectNotInFile(QStringLiteral("둘째 비밀"));
    EXPECT_EQ(keyring().read(QStringLiteral("one@10.0.0.1")).password, QStringLiteral("first pw"));
    EXPECT_EQ(keyring().read(QStringLiteral("two@10.0.0.2")).password, QStringLiteral("둘째 비밀"));
    // A profile without a password gets no entry.
    EXPECT_EQ(keyring().read(QStringLiteral("three@10.0.0.3")).status, KeyringStatus::NotFound);
    for (const ProfileEntry &e : f->profiles().entries())
        EXPECT_TRUE(e.Password.isEmpty()) << e.HostName.toStdString();
    {
        IniFile ini(iniPath());
        ASSERT_EQ(ini.load(), IniFile::LoadResult::Loaded);
        const QList<ProfileEntry> read = readProfiles(ini);
        ASSERT_EQ(read.size(), 3);
        EXPECT_EQ(read[0].KeyringEntry, QStringLiteral("one@10.0.0.1"));
        EXPECT_EQ(read[1].KeyringEntry, QStringLiteral("two@10.0.0.2"));
        EXPECT_TRUE(read[2].KeyringEntry.isEmpty());
    }

    d.form()->CB_Keyring->setChecked(false);
    EXPECT_EQ(counter.saves(), 2);
    EXPECT_FALSE(f->profiles().options().KeyringPasswords);
    EXPECT_EQ(f->profiles().at(0).Password, QStringLiteral("first pw"));
    EXPECT_EQ(f->profiles().at(1).Password, QStringLiteral("둘째 비밀"));
    EXPECT_EQ(keyring().read(QStringLiteral("one@10.0.0.1")).status, KeyringStatus::NotFound);
    EXPECT_EQ(keyring().read(QStringLiteral("two@10.0.0.2")).status, KeyringStatus::NotFound);
    // Back where they were: the same scrambled values, the markers gone.
    const QByteArray back = fileBytes();
    EXPECT_TRUE(back.contains("one=" + ScramblePassword(QStringLiteral("first pw")).toLatin1() + "\r\n"));
    EXPECT_TRUE(back.contains("two=" + ScramblePassword(QStringLiteral("둘째 비밀")).toLatin1() + "\r\n"));
    EXPECT_FALSE(back.contains("[KEYRING]\r\none")) << back.constData();
    EXPECT_TRUE(scripted().asked.empty());
    f->BB_ExitClick();
}

// An older build left passwords in the file; with the option on by default
// they move into the keyring at the start.
TEST_F(KeyringUnlocked, PasswordsLeftInTheFileMoveAtTheStart)
{
    writeFile(olderFile(false));
    auto f = start();
    EXPECT_TRUE(f->profiles().options().KeyringPasswords);
    expectNotInFile(QStringLiteral("first pw"));
    EXPECT_EQ(keyring().read(QStringLiteral("one@10.0.0.1")).password, QStringLiteral("first pw"));
    EXPECT_EQ(keyring().read(QStringLiteral("two@10.0.0.2")).password, QStringLiteral("둘째 비밀"));
    f->BB_ExitClick();
    keyring().remove(QStringLiteral("one@10.0.0.1"));
    keyring().remove(QStringLiteral("two@10.0.0.2"));
}

// A profile whose host changes takes its entry along; a copy made under a new
// name gets an entry of its own; deleting a profile deletes its entry.
TEST_F(KeyringUnlocked, EditingCopyingAndDeletingAProfileFollowItsEntry)
{
    writeFile(olderFile(false));
    auto f = start();
    TConnectForm &d = *f->connectForm();
    Ui::TConnectForm &c = *d.form();
    ASSERT_EQ(f->profiles().at(0).KeyringEntry, QStringLiteral("one@10.0.0.1"));

    d.selectProfile(0);
    c.E_HostIP->setText(QStringLiteral("10.9.9.9"));
    d.BB_okClick();
    EXPECT_EQ(keyring().read(QStringLiteral("one@10.0.0.1")).status, KeyringStatus::NotFound);
    EXPECT_EQ(keyring().read(QStringLiteral("one@10.9.9.9")).password, QStringLiteral("first pw"));
    EXPECT_EQ(f->profiles().at(0).KeyringEntry, QStringLiteral("one@10.9.9.9"));

    // A new name typed over the shown profile: a copy with the same password.
    d.selectProfile(0);
    c.CB_HostName->setEditText(QStringLiteral("copy"));
    d.BB_okClick();
    EXPECT_EQ(keyring().read(QStringLiteral("copy@10.9.9.9")).password, QStringLiteral("first pw"));
    EXPECT_EQ(keyring().read(QStringLiteral("one@10.9.9.9")).password, QStringLiteral("first pw"));

    // A new password typed for a stored one replaces the entry's.
    d.selectProfile(1);
    c.E_Password->setText(QStringLiteral("changed"));
    c.E_Password->setModified(true);
    d.BB_okClick();
    EXPECT_EQ(keyring().read(QStringLiteral("two@10.0.0.2")).password, QStringLiteral("changed"));
    expectNotInFile(QStringLiteral("changed"));

    d.selectProfile(0);
    d.SB_DelProFileClick();
    EXPECT_EQ(keyring().read(QStringLiteral("one@10.9.9.9")).status, KeyringStatus::NotFound);
    IniFile ini(iniPath());
    ASSERT_EQ(ini.load(), IniFile::LoadResult::Loaded);
    EXPECT_FALSE(ini.hasKey(QStringLiteral("KEYRING"), QStringLiteral("one")));
    EXPECT_TRUE(scripted().asked.empty());
    f->BB_ExitClick();
    for (const char *e : {"copy@10.9.9.9", "two@10.0.0.2"})
        keyring().remove(QString::fromUtf8(e));
}

// With the option off, the file's way is the Part's to the byte, even though
// a keyring answers: nothing goes to it.
TEST_F(KeyringUnlocked, OptionOffKeepsTheScrambledValueByteExact)
{
    writeFile(olderFile(true));
    const QByteArray original = fileBytes();
    auto f = start();
    EXPECT_EQ(f->profiles().at(1).Password, QStringLiteral("둘째 비밀"));
    f->connectForm()->selectProfile(1);
    f->connectForm()->BB_okClick();
    // The profiles and their passwords to the byte (LOGIN names the profile used).
    const QByteArray after = fileBytes();
    EXPECT_EQ(after.mid(after.indexOf("[IPADDRESS]")), original.mid(original.indexOf("[IPADDRESS]")));
    EXPECT_EQ(keyring().read(QStringLiteral("two@10.0.0.2")).status, KeyringStatus::NotFound);
    f->BB_ExitClick();
}

// ---------------------------------------------------------------- locked, refusing

class KeyringUnavailable : public KeyringCase {
protected:
    // The stored profile's password is in a keyring that cannot give it now:
    // the login box asks, the answer logs in, and the file never receives it.
    void connectAsks()
    {
        kavtest::ScratchDir ftpHome;
        kavtest::FtpServer server;
        server.addUser("kim", "typed pw", ftpHome.path());
        ASSERT_TRUE(server.start());
        writeFile("[LOGIN]\r\nHostName=srv\r\nKeyringPasswords=1\r\n[IPADDRESS]\r\nsrv=127.0.0.1;kim;;;;;;\r\n\r\n"
                  "[PASSWORD]\r\nsrv=\r\n[KEYRING]\r\nsrv=srv@127.0.0.1\r\n");
        auto f = start();
        EXPECT_TRUE(f->profiles().options().KeyringPasswords);
        EXPECT_EQ(f->profile().KeyringEntry, QStringLiteral("srv@127.0.0.1"));

        // Cancelled: no connection at all.
        scripted().clear();
        scripted().pushCancel();
        f->form()->BB_Connect->click();
        QCoreApplication::processEvents();
        EXPECT_FALSE(f->session().hasControlConnection());
        ASSERT_EQ(scripted().asked.size(), 1u);
        EXPECT_EQ(scripted().asked[0].kind, ScriptedDialogs::Kind::Password);

        scripted().clear();
        scripted().pushAccept(QStringLiteral("typed pw"));
        f->form()->BB_Connect->click();
        ASSERT_TRUE(kavtest::waitUntil([&] { return f->session().isConnected(); }, 5000));
        ASSERT_EQ(scripted().asked.size(), 1u);
        EXPECT_EQ(scripted().asked[0].kind, ScriptedDialogs::Kind::Password);
        EXPECT_TRUE(kavtest::waitUntil([&] { return f->windowTitle().contains(QStringLiteral("kim")); }, 5000));
        const QStringList lines = logLines(*f);
        EXPECT_TRUE(lines.join(QLatin1Char('\n')).contains(QStringLiteral("[키링]")));
        for (const QString &line : lines)
            EXPECT_FALSE(line.contains(QStringLiteral("typed pw"))) << line.toStdString();
        f->form()->BB_Disconnect->click();
        ASSERT_TRUE(kavtest::waitUntil([&] { return !f->session().isConnected(); }, 5000));
        f->BB_ExitClick();
        expectNotInFile(QStringLiteral("typed pw"));
        IniFile ini(iniPath());
        ASSERT_EQ(ini.load(), IniFile::LoadResult::Loaded);
        EXPECT_EQ(ini.readString(QStringLiteral("KEYRING"), QStringLiteral("srv")), QStringLiteral("srv@127.0.0.1"));
    }

    // A new password while the keyring cannot take it: the user decides; No
    // keeps it out of the file, Yes writes it there.
    void savingAsks()
    {
        writeFile("[LOGIN]\r\nKeyringPasswords=1\r\n");
        auto f = start();
        TConnectForm &d = *f->connectForm();
        Ui::TConnectForm &c = *d.form();
        c.CB_HostName->setEditText(QStringLiteral("new"));
        c.E_HostIP->setText(QStringLiteral("10.1.1.1"));
        c.E_UserId->setText(QStringLiteral("kim"));
        c.E_Password->setText(QStringLiteral("secret one"));
        scripted().clear();
        scripted().pushButton(BtnNo);
        d.BB_okClick();
        ASSERT_EQ(scripted().asked.size(), 1u);
        EXPECT_EQ(scripted().asked[0].kind, ScriptedDialogs::Kind::Message);
        expectNotInFile(QStringLiteral("secret one"));

        scripted().clear();
        scripted().pushAccept();  // Yes
        d.BB_okClick();
        ASSERT_EQ(scripted().asked.size(), 1u);
        IniFile ini(iniPath());
        ASSERT_EQ(ini.load(), IniFile::LoadResult::Loaded);
        EXPECT_EQ(UnscramblePassword(ini.readString(QStringLiteral("PASSWORD"), QStringLiteral("new"))),
                  QStringLiteral("secret one"));
        f->BB_ExitClick();
    }
};

class KeyringLocked : public KeyringUnavailable {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(inSession("locked"));
        KeyringCase::SetUp();
    }
};

TEST_F(KeyringLocked, ThePlatformSaysWhatItCannotDo)
{
    // Locked is still a keyring: it is there, it only cannot give or take now.
    EXPECT_NE(keyring().probe().status, KeyringStatus::Absent);
    const KeyringResult w = keyring().write(QStringLiteral("x@y"), QStringLiteral("pw"));
    EXPECT_FALSE(w.ok());
    EXPECT_FALSE(w.reason.contains(QStringLiteral("pw")));
    EXPECT_FALSE(keyring().read(QStringLiteral("x@y")).ok());
}

TEST_F(KeyringLocked, TheLoginBoxAsksAtConnect) { connectAsks(); }
TEST_F(KeyringLocked, ANewPasswordReachesTheFileOnlyWhenTheUserSaysSo) { savingAsks(); }

class KeyringRefusing : public KeyringUnavailable {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(inSession("refusing"));
        KeyringCase::SetUp();
    }
};

TEST_F(KeyringRefusing, ThePlatformSaysRefused)
{
    EXPECT_EQ(keyring().read(QStringLiteral("x@y")).status, KeyringStatus::Refused);
    EXPECT_EQ(keyring().write(QStringLiteral("x@y"), QStringLiteral("pw")).status, KeyringStatus::Refused);
}

TEST_F(KeyringRefusing, TheLoginBoxAsksAtConnect) { connectAsks(); }
TEST_F(KeyringRefusing, ANewPasswordReachesTheFileOnlyWhenTheUserSaysSo) { savingAsks(); }

// ---------------------------------------------------------------- absent

class KeyringAbsent : public KeyringCase {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(inSession("absent"));
        KeyringCase::SetUp();
    }
};

// No keyring at start: the option is off and the file keeps the passwords as
// it always did, with a line in the log that says why; switching the option
// on is refused with a box and moves nothing.
TEST_F(KeyringAbsent, PasswordsStayInTheFileWithALogLine)
{
    EXPECT_EQ(keyring().probe().status, KeyringStatus::Absent);
    auto f = start();
    TConnectForm &d = *f->connectForm();
    Ui::TConnectForm &c = *d.form();
    EXPECT_FALSE(f->profiles().options().KeyringPasswords);
    EXPECT_FALSE(c.CB_Keyring->isChecked());
    c.CB_HostName->setEditText(QStringLiteral("plain"));
    c.E_HostIP->setText(QStringLiteral("10.1.1.1"));
    c.E_UserId->setText(QStringLiteral("kim"));
    c.E_Password->setText(QStringLiteral("file pw"));
    d.BB_okClick();
    const QByteArray saved = fileBytes();
    EXPECT_TRUE(saved.contains("plain=" + ScramblePassword(QStringLiteral("file pw")).toLatin1() + "\r\n"));
    EXPECT_FALSE(saved.contains("KEYRING"));
    EXPECT_TRUE(logLines(*f).join(QLatin1Char('\n')).contains(QStringLiteral("시스템 키링이 없어")));

    scripted().clear();
    c.CB_Keyring->setChecked(true);
    EXPECT_FALSE(c.CB_Keyring->isChecked());
    EXPECT_FALSE(f->profiles().options().KeyringPasswords);
    EXPECT_EQ(scripted().asked.size(), 1u);
    EXPECT_EQ(fileBytes(), saved);
    f->BB_ExitClick();
}
