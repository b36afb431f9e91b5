// The configuration file as the program uses it: first run, a file written by a
// Korean Windows program, the savers, the host lists' owner, unreadable files,
// owner-only permissions and a kill during a save.

#include "config/configuration.h"
#include "config/password_scrambler.h"
#include "config/connect_form.h"
#include "ui_connect_form.h"
#include "platform/editor_lookup.h"
#include "platform/ini_file.h"
#include "platform/scripted_dialogs.h"
#include "config/ascii_extensions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include "unprivileged.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kav;

namespace {

class FakeMain : public MainWindowSettings {
public:
    MainOptions mainOptions() const override { return options; }
    void setMainOptions(const MainOptions &o) override
    {
        options = o;
        ++optionLoads;
    }
    void setRememberedTransferType(int tag) override { transferTag = tag; }
    LastPositions lastPositions() const override { return positions; }
    void extensionsLoaded() override { ++extensionLoads; }
    void setLocalSearchPatterns(const QStringList &p) override { patterns = p; }

    MainOptions options = [] {
        MainOptions o;
        o.LocalSplitter = 123;
        o.HostSplitter = 234;
        return o;
    }();
    LastPositions positions;
    QStringList patterns;
    int transferTag = -99, optionLoads = 0, extensionLoads = 0;
};

ScriptedDialogs &scripted()
{
    return static_cast<ScriptedDialogs &>(dialogs());
}

class ConfigurationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("KAVRIN.INI"));
        config.setPath(path);
        connect.setProfileStore(&config);
        scripted().clear();
    }

    void writeFile(const QByteArray &bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray fileBytes() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    IniFile stored() const
    {
        IniFile ini(path);
        ini.load();
        return ini;
    }
    QString value(const char *section, const QString &key) const
    {
        return stored().readString(QString::fromLatin1(section), key);
    }

    QTemporaryDir dir;
    QString path;
    SessionProfile profile;
    ProfileList profiles;
    TConnectForm connect{profile, profiles};
    FakeMain main;
    AsciiExtensionList extensions;
    Configuration config{profile, profiles, main, extensions};
};

} // namespace

TEST_F(ConfigurationTest, FirstRunWritesExactlyTheFirstRunKeysAndUsesTheirExtensionList)
{
    config.LoadConfiguration();
    const QStringList expected = {
        "[LOGIN]", "HostName=", "Timeout=15", "TrialTimes=3", "Editor=Ormpad.exe", "AutoSave=1", "UseLastPath=0",
        "[CONFIG]", "StayOnTop=1", "DropFiles=0", "AsciiCheck=0", "BinCheck=1", "AutoCheck=1",
        "TransAscii=" + DefaultTransAscii, "AntiIdle=1", "SortByName=1", "LocalSplitter=123", "HostSplitter=234",
        "LBookmarkHeight=502", "LBookmarkWidth=461", "RBookmarkHeight=502", "RBookmarkWidth=461",
        "ToolsHeight=502", "ToolsWidth=451", "QueueHeight=496", "QueueWidth=566", "ViewHeight=550",
        "ViewWidth=673",
        "[CHAT]", "Limit=0", "ServerIP=", "NickName=", "AutoSave=1", "AutoRun=0", "AutoSync=0", "Figure=1",
    };
    QStringList lines = stored().lines();
    lines.removeAll(QString());
    EXPECT_EQ(lines, expected);
    EXPECT_FALSE(fileBytes().contains('\n') && !fileBytes().contains("\r\n"));

    EXPECT_EQ(profiles.count(), 0);
    EXPECT_EQ(connect.form()->NE_Timeout->text(), QStringLiteral("15"));
    EXPECT_EQ(connect.form()->NE_TrialTimes->text(), QStringLiteral("3"));
    EXPECT_EQ(main.optionLoads, 0);
    // The list in use is the one just written: "cp949.txt" is a text file from the start.
    EXPECT_EQ(main.extensionLoads, 1);
    EXPECT_EQ(extensions.count(), 32);
    EXPECT_TRUE(extensions.contains(QStringLiteral("txt")));
    EXPECT_EQ(main.patterns.first(), QStringLiteral("*.bas"));
    EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
              QFile::Permissions());
}

TEST_F(ConfigurationTest, FirstRunExitWritesTheDesignStatesAndTheNextStartKeepsThem)
{
    config.LoadConfiguration();
    // The start-up toggles of the main window.
    main.options.StayOnTop = !main.options.StayOnTop;
    main.options.DropFiles = !main.options.DropFiles;
    config.SaveConfiguration();
    EXPECT_EQ(value("CONFIG", "StayOnTop"), QStringLiteral("0"));
    EXPECT_EQ(value("CONFIG", "DropFiles"), QStringLiteral("0"));
    EXPECT_EQ(value("CONFIG", "AntiIdle"), QStringLiteral("0"));
    EXPECT_EQ(value("CONFIG", "SortByName"), QStringLiteral("0"));
    // Never an empty list that would lose the defaults for good.
    EXPECT_EQ(value("CONFIG", "TransAscii"), extensions.toStored());
    EXPECT_TRUE(value("CONFIG", "TransAscii").startsWith(QStringLiteral("BAS;BAT;BI;C;")));

    FakeMain next;
    SessionProfile p2;
    ProfileList c2;   // no dialog: the configuration loads the model alone
    AsciiExtensionList e2;
    Configuration again(p2, c2, next, e2);
    again.setPath(path);
    again.LoadConfiguration();
    EXPECT_FALSE(next.options.StayOnTop);  // toggled at start: stays on top
    EXPECT_FALSE(next.options.DropFiles);  // toggled at start: accepts drops
    EXPECT_FALSE(next.options.AntiIdle);
    EXPECT_EQ(e2.count(), 32);             // the default list again
    EXPECT_EQ(next.patterns.first(), QStringLiteral("*.bas"));
}

TEST_F(ConfigurationTest, StayOnTopAndDropFilesRoundTripThroughTheStartUpToggle)
{
    for (const char *stay : {"0", "1"}) {
        writeFile(QByteArray("[CONFIG]\r\nStayOnTop=") + stay + "\r\nDropFiles=" + stay + "\r\n");
        config.LoadConfiguration();
        EXPECT_EQ(main.options.StayOnTop, *stay == '1');
        main.options.StayOnTop = !main.options.StayOnTop;  // the start-up toggle
        main.options.DropFiles = !main.options.DropFiles;
        config.SaveConfiguration();
        EXPECT_EQ(value("CONFIG", "StayOnTop"), QString::fromLatin1(stay));
        EXPECT_EQ(value("CONFIG", "DropFiles"), QString::fromLatin1(stay));
    }
}

TEST_F(ConfigurationTest, ReadsAFileWrittenByAKoreanWindowsProgram)
{
    // Code page 949 bytes with CR LF, as written on a Korean Windows system.
    const QByteArray name = "\xC8\xB8\xBB\xE7\xBC\xAD\xB9\xF6";           // 회사서버
    const QByteArray user = "\xC8\xAB\xB1\xE6\xB5\xBF";                    // 홍길동
    const QByteArray docs = "\xB9\xAE\xBC\xAD";                            // 문서
    const QByteArray inbox = "\xB9\xDE\xC0\xBA\xC6\xC4\xC0\xCF";           // 받은파일
    const QByteArray ddom = "\x8C\x63";                                    // 똠 (extended syllable)
    const QByteArray lab = "\xBF\xAC\xB1\xB8\xBC\xD2";                     // 연구소
    QByteArray bytes;
    bytes += "[LOGIN]\r\nHostName=" + lab + "\r\nTimeout=30\r\nTrialTimes=0x5\r\nEditor=\r\nAutoSave=1\r\nUseLastPath=1\r\n";
    bytes += "[CONFIG]\r\nStayOnTop=1\r\nDropFiles=0\r\nAsciiCheck=1\r\nBinCheck=0\r\nAutoCheck=0\r\n"
             "TransAscii=TXT;HWP;\r\nAntiIdle=1\r\nSortByName=1\r\nLocalSplitter=140\r\nHostSplitter=160\r\n";
    bytes += "[CHAT]\r\nLimit=0\r\nServerIP=\r\nNickName=\r\nAutoSave=1\r\nAutoRun=0\r\nAutoSync=0\r\nFigure=1\r\n";
    bytes += "[IPADDRESS]\r\n" + name + "=192.168.0.10;" + user + ";/home/" + ddom + ";C:\\" + docs + "\\" + inbox
             + ";C:\\" + docs + ";" + ddom + ".hwp;/home;" + inbox + ".txt\r\n";
    bytes += lab + "=10.1.2.3;anonymous;;C:\\\r\n";
    bytes += "[PASSWORD]\r\n" + name + "=241005098108247014160069063\r\n" + lab + "=\r\n";
    bytes += "[BOOKMARK]\r\n0=C:\\" + docs + "\\" + ddom + ".txt\r\n1=\xA2\xBA " + docs + "\r\n";
    bytes += "[TOOLS]\r\n0=C:\\Windows\\notepad.exe\r\n";
    writeFile(bytes);

    config.LoadConfiguration();
    ASSERT_EQ(profiles.count(), 2);
    const ProfileEntry first = profiles.at(0);
    EXPECT_EQ(first.HostName, QStringLiteral("회사서버"));
    EXPECT_EQ(first.UserId, QStringLiteral("홍길동"));
    EXPECT_EQ(first.RemotePath, QStringLiteral("/home/똠"));
    EXPECT_EQ(first.LocalPath, QStringLiteral("C:\\문서\\받은파일"));
    EXPECT_EQ(first.LastLocalFile, QStringLiteral("똠.hwp"));
    EXPECT_EQ(first.LastHostFile, QStringLiteral("받은파일.txt"));
    EXPECT_EQ(first.Password, QStringLiteral("비밀번호1"));
    // LOGIN/HostName preselects the second profile, which becomes the session profile.
    EXPECT_EQ(connect.selectedProfile(), 1);
    EXPECT_EQ(profile.HostName, QStringLiteral("연구소"));
    EXPECT_EQ(profile.HostIP, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(profile.Timeout, 30);
    EXPECT_EQ(profile.TrialTimes, 5);
    EXPECT_TRUE(profile.UseLastPath);

    EXPECT_TRUE(main.options.AsciiCheck);
    EXPECT_FALSE(main.options.BinCheck);
    EXPECT_FALSE(main.options.AutoCheck);
    EXPECT_EQ(main.options.LocalSplitter, 140);
    EXPECT_EQ(main.transferTag, 0);
    EXPECT_EQ(extensions.items(), (QStringList{QStringLiteral("HWP"), QStringLiteral("TXT")}));
    EXPECT_EQ(config.localBookmarks().entries(),
              (QStringList{QStringLiteral("C:\\문서\\똠.txt"), QStringLiteral("▶ 문서")}));
    EXPECT_EQ(config.tools().entries(), QStringList{QStringLiteral("C:\\Windows\\notepad.exe")});

    // A save keeps the file in code page 949 and every list as it was.
    config.SaveConfiguration();
    const QByteArray after = fileBytes();
    EXPECT_FALSE(after.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(after.contains("[IPADDRESS]\r\n" + name + "=192.168.0.10;" + user));
    EXPECT_TRUE(after.contains("0=C:\\" + docs + "\\" + ddom + ".txt\r\n1=\xA2\xBA " + docs + "\r\n"));
    EXPECT_TRUE(after.contains(name + "=241005098108247014160069063"));
}

// With the keyring option off (no keyring here, or the user's choice), the
// scrambled value reads and writes exactly as the file has always had it, and
// nothing of the keyring appears in the file.
TEST_F(ConfigurationTest, WithTheKeyringOffTheScrambledPasswordReadsAndWritesByteExact)
{
    const QByteArray name = "\xC8\xB8\xBB\xE7\xBC\xAD\xB9\xF6";  // 회사서버
    const QByteArray scrambled = "241005098108247014160069063";   // 비밀번호1, as written on Windows
    for (const QByteArray option : {QByteArray(), QByteArray("KeyringPasswords=0\r\n")}) {
        SCOPED_TRACE(option.constData());
        writeFile("[LOGIN]\r\nHostName=" + name + "\r\n" + option + "[IPADDRESS]\r\n" + name
                  + "=10.0.0.1;kim;;;;;;\r\n\r\n[PASSWORD]\r\n" + name + "=" + scrambled + "\r\n");
        config.LoadConfiguration();
        EXPECT_FALSE(profiles.options().KeyringPasswords);
        EXPECT_FALSE(connect.form()->CB_Keyring->isChecked());
        ASSERT_EQ(profiles.count(), 1);
        EXPECT_EQ(profiles.at(0).Password, QStringLiteral("비밀번호1"));
        EXPECT_TRUE(profiles.at(0).KeyringEntry.isEmpty());

        connect.selectProfile(0);
        connect.BB_okClick();
        Ui::TConnectForm &f = *connect.form();
        f.CB_HostName->setEditText(QStringLiteral("copy"));
        f.E_Password->setText(QStringLiteral("비밀번호1"));
        connect.BB_okClick();
        const QByteArray after = fileBytes();
        EXPECT_TRUE(after.contains("[PASSWORD]\r\n" + name + "=" + scrambled + "\r\ncopy=" + scrambled + "\r\n"))
            << after.constData();
        EXPECT_FALSE(after.contains("KEYRING"));
        EXPECT_EQ(after.contains("KeyringPasswords"), !option.isEmpty());
        EXPECT_TRUE(scripted().asked.empty());
    }
}

TEST_F(ConfigurationTest, ProfileNamedByLoginInAnotherCaseIsPreselected)
{
    writeFile("[LOGIN]\r\nHostName=SECOND\r\n[IPADDRESS]\r\nfirst=1.1.1.1\r\nSecond=2.2.2.2\r\n");
    config.LoadConfiguration();
    EXPECT_EQ(connect.selectedProfile(), 1);
    EXPECT_EQ(profile.HostIP, QStringLiteral("2.2.2.2"));

    QStringList names, addresses;
    EXPECT_EQ(config.LoadProfileNames(names, addresses), 1);
    EXPECT_EQ(names, (QStringList{QStringLiteral("first"), QStringLiteral("Second")}));
    EXPECT_EQ(addresses, (QStringList{QStringLiteral("1.1.1.1"), QStringLiteral("2.2.2.2")}));
}

TEST_F(ConfigurationTest, ConfirmWithAutoSaveStoresTheProfileAndRemovalDeletesItsKeys)
{
    config.LoadConfiguration();
    Ui::TConnectForm &f = *connect.form();
    f.CB_HostName->setEditText(QStringLiteral("새 서버"));
    f.E_HostIP->setText(QStringLiteral("127.0.0.1"));
    f.E_UserId->setText(QStringLiteral("kim"));
    f.E_Password->setText(QStringLiteral("암호 pw"));
    f.E_LocalPath->setText(QStringLiteral("/home/kim/받은 파일"));
    connect.BB_okClick();

    EXPECT_EQ(value("LOGIN", "HostName"), QStringLiteral("새 서버"));
    EXPECT_EQ(value("IPADDRESS", QStringLiteral("새 서버")), QStringLiteral("127.0.0.1;kim;;/home/kim/받은 파일;;;;"));
    EXPECT_EQ(UnscramblePassword(value("PASSWORD", QStringLiteral("새 서버"))), QStringLiteral("암호 pw"));

    // Host lists of this profile and of a neighbour.
    IniFile ini = stored();
    ini.writeString(QStringLiteral("QUEUE"), QStringLiteral("새 서버0"), QStringLiteral("/a;/b;A;0"));
    ini.writeString(QStringLiteral("RBOOKMARK"), QStringLiteral("새 서버499"), QStringLiteral("/x;B"));
    ini.writeString(QStringLiteral("RBOOKMARK"), QStringLiteral("other0"), QStringLiteral("/y;B"));
    ASSERT_TRUE(ini.save());

    connect.SB_DelProFileClick();
    const IniFile after = stored();
    EXPECT_FALSE(after.hasKey(QStringLiteral("IPADDRESS"), QStringLiteral("새 서버")));
    EXPECT_FALSE(after.hasKey(QStringLiteral("PASSWORD"), QStringLiteral("새 서버")));
    EXPECT_FALSE(after.hasKey(QStringLiteral("QUEUE"), QStringLiteral("새 서버0")));
    EXPECT_FALSE(after.hasKey(QStringLiteral("RBOOKMARK"), QStringLiteral("새 서버499")));
    EXPECT_TRUE(after.hasKey(QStringLiteral("RBOOKMARK"), QStringLiteral("other0")));
    EXPECT_EQ(profiles.count(), 0);
}

TEST_F(ConfigurationTest, LastPositionsWithAutoSaveOffNeverStoreTheTypedConnection)
{
    writeFile("[LOGIN]\r\nHostName=srv\r\nAutoSave=1\r\n[IPADDRESS]\r\nsrv=10.0.0.1;kim;/pub;/home/kim;;;;\r\n"
              "[PASSWORD]\r\nsrv=042\r\n");
    config.LoadConfiguration();
    // This connection was typed with auto-save off: another address, user and password.
    profile.AutoSave = false;
    profile.HostIP = QStringLiteral("10.9.9.9");
    profile.UserId = QStringLiteral("root");
    profile.Password = QStringLiteral("typed");
    main.positions = {QStringLiteral("/home/kim/dl"), QStringLiteral("a.txt"), QStringLiteral("/pub/x"),
                      QStringLiteral("b.tgz")};
    config.SaveConfiguration();
    EXPECT_EQ(value("IPADDRESS", QStringLiteral("srv")),
              QStringLiteral("10.0.0.1;kim;/pub;/home/kim;/home/kim/dl;a.txt;/pub/x;b.tgz"));
    EXPECT_EQ(value("PASSWORD", QStringLiteral("srv")), QStringLiteral("042"));
    EXPECT_EQ(profiles.at(0).LastHostFile, QStringLiteral("b.tgz"));
    EXPECT_EQ(profile.LastHostDir, QStringLiteral("/pub/x"));

    // With auto-save on, the step stores the session profile as the dialog filled it.
    profile.AutoSave = true;
    config.SaveConfiguration();
    EXPECT_EQ(value("IPADDRESS", QStringLiteral("srv")),
              QStringLiteral("10.9.9.9;root;/pub;/home/kim;/home/kim/dl;a.txt;/pub/x;b.tgz"));
    EXPECT_EQ(UnscramblePassword(value("PASSWORD", QStringLiteral("srv"))), QStringLiteral("typed"));

    // No host directory shown: the last positions stay.
    main.positions = {QStringLiteral("/tmp"), {}, {}, {}};
    config.SaveConfiguration();
    EXPECT_EQ(profiles.at(0).LastLocalDir, QStringLiteral("/home/kim/dl"));
}

TEST_F(ConfigurationTest, HostListsAreWrittenOnlyUnderTheProfileTheyWereLoadedFor)
{
    writeFile("[IPADDRESS]\r\na=1.1.1.1\r\nb=2.2.2.2\r\n"
              "[QUEUE]\r\na0=/l/x.txt;/pub;A;0\r\na1=/pub/y.bin;/l;B;1\r\n"
              "[RBOOKMARK]\r\na0=/pub/readme;A\r\nb0=/b/keep;B\r\n");
    config.LoadConfiguration();
    // Nothing loaded yet: a save under b must not write a's (or empty) lists.
    profile.HostName = QStringLiteral("b");
    config.SaveConfiguration();
    EXPECT_EQ(value("RBOOKMARK", QStringLiteral("b0")), QStringLiteral("/b/keep;B"));

    config.LoadHostLists(QStringLiteral("a"));
    EXPECT_EQ(config.hostListsProfile(), QStringLiteral("a"));
    ASSERT_EQ(config.queue().entries().size(), 2);
    EXPECT_EQ(config.hostBookmarks().entries().size(), 1);

    // The session moved on to b (a cancelled dialog): a's lists stay out of b.
    config.SaveConfiguration();
    EXPECT_EQ(value("RBOOKMARK", QStringLiteral("b0")), QStringLiteral("/b/keep;B"));
    EXPECT_FALSE(stored().hasKey(QStringLiteral("QUEUE"), QStringLiteral("b0")));

    // Under a they are written back unchanged.
    profile.HostName = QStringLiteral("A");
    const QByteArray before = fileBytes();
    config.SaveConfiguration();
    EXPECT_EQ(value("QUEUE", QStringLiteral("a0")), QStringLiteral("/l/x.txt;/pub;A;0"));
    EXPECT_EQ(value("QUEUE", QStringLiteral("a1")), QStringLiteral("/pub/y.bin;/l;B;1"));
    EXPECT_EQ(value("RBOOKMARK", QStringLiteral("a0")), QStringLiteral("/pub/readme;A"));
    EXPECT_EQ(fileBytes(), before);

    // Removing the profile disowns the lists: they are not written back.
    connect.form()->CB_HostName->setEditText(QStringLiteral("a"));
    connect.SB_DelProFileClick();
    EXPECT_EQ(config.hostListsProfile(), QString());
    profile.HostName = QStringLiteral("a");
    config.SaveConfiguration();
    EXPECT_FALSE(stored().hasKey(QStringLiteral("QUEUE"), QStringLiteral("a0")));
}

TEST_F(ConfigurationTest, AWindowThatPlugsInTakesTheLoadedEntries)
{
    writeFile("[BOOKMARK]\r\n0=/a\r\n1=/b\r\n");
    config.LoadConfiguration();
    KeptList<QString> window;
    config.setLocalBookmarks(&window);
    EXPECT_EQ(window.entries(), (QStringList{QStringLiteral("/a"), QStringLiteral("/b")}));
    window.load({QStringLiteral("/c")});
    config.SaveConfiguration();
    EXPECT_EQ(value("BOOKMARK", QStringLiteral("0")), QStringLiteral("/c"));
    EXPECT_FALSE(stored().hasKey(QStringLiteral("BOOKMARK"), QStringLiteral("1")));
    config.setLocalBookmarks(nullptr);
    EXPECT_EQ(config.localBookmarks().entries(), QStringList{QStringLiteral("/c")});
}

TEST_F(ConfigurationTest, ASaveOntoAFullDiskKeepsTheOldFile)
{
    // A 64 KiB file system of this test's own, in a mount namespace of its own.
    if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        FAIL() << "no private mount namespace here (needs real root)";
    QTemporaryDir small;
    ASSERT_EQ(::mount("tmpfs", QFile::encodeName(small.path()).constData(), "tmpfs", 0, "size=64k"), 0);
    const QString file = small.filePath(QStringLiteral("KAVRIN.INI"));
    config.setPath(file);
    config.LoadConfiguration();   // the first run writes the file
    const QByteArray before = [&] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    ASSERT_FALSE(before.isEmpty());
    {
        // Every block left is taken.
        QFile filler(small.filePath(QStringLiteral("filler")));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray chunk(4096, 'f');
        while (filler.write(chunk) == chunk.size() && filler.flush()) {
        }
    }
    scripted().asked.clear();
    main.options.SortByName = !main.options.SortByName;   // something to save
    main.options.LocalSplitter = 123;
    config.SaveConfiguration();
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
    ASSERT_EQ(scripted().asked.size(), 1u);
    EXPECT_TRUE(scripted().asked[0].text.startsWith(QStringLiteral("설정 파일을 저장하지 못했습니다.")))
        << scripted().asked[0].text.toStdString();
    EXPECT_EQ(QDir(small.path()).entryList(QDir::Files).size(), 2);   // no half-written copy left
    ::umount(QFile::encodeName(small.path()).constData());
}

TEST_F(ConfigurationTest, AnUnreadableFileIsNeverReplaced)
{
    // A directory in the file's place cannot be read by anyone (root included).
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("KAVRIN.INI")));
    config.LoadConfiguration();
    ASSERT_EQ(scripted().asked.size(), 1u);
    EXPECT_EQ(scripted().asked[0].kind, ScriptedDialogs::Kind::Message);
    EXPECT_FALSE(config.writable());
    EXPECT_EQ(connect.form()->NE_Timeout->text(), QStringLiteral("15"));

    profile.HostName = QStringLiteral("x");
    config.SaveSessionProfile(profile);
    config.SaveConfiguration();
    config.removeProfileKeys(QStringLiteral("x"));
    QStringList names, addresses;
    EXPECT_EQ(config.LoadProfileNames(names, addresses), -1);
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(scripted().asked.size(), 1u);  // said once
}

TEST_F(ConfigurationTest, DeletingAProfileTakesEmptiedListSectionsWithIt)
{
    writeFile("[IPADDRESS]\r\na=10.0.0.1\r\nb=10.0.0.2\r\n"
              "[RBOOKMARK]\r\na0=/pub/x;B\r\na1=/pub/y;A\r\n"
              "[QUEUE]\r\na0=f;/d;B;1\r\nb0=g;/e;A;0\r\n"
              "[CHAT]\r\nAutoSync=0\r\n");
    config.removeProfileKeys(QStringLiteral("a"));
    EXPECT_EQ(fileBytes(), QByteArray("[IPADDRESS]\r\nb=10.0.0.2\r\n"
                                      "[QUEUE]\r\nb0=g;/e;A;0\r\n"
                                      "[CHAT]\r\nAutoSync=0\r\n"));
}

TEST_F(ConfigurationTest, UnreadableFileKeepsItsBytes)
{
    writeFile("[LOGIN]\r\nHostName=mine\r\n");
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0), 0);
    // Root reads any file: the start and the exit run as an ordinary user.
    const int result = kavtest::runUnprivileged(dir.path(), [this] {
        config.LoadConfiguration();
        config.SaveConfiguration();
        return config.writable() ? 1 : 0;
    });
    EXPECT_EQ(result, 0);
    chmod(QFile::encodeName(path).constData(), 0600);
    EXPECT_EQ(fileBytes(), QByteArray("[LOGIN]\r\nHostName=mine\r\n"));
}

TEST_F(ConfigurationTest, APathWithoutACodePage949FormSwitchesTheFileToUtf8)
{
    config.LoadConfiguration();
    profile.HostName = QStringLiteral("café");
    profile.HostIP = QStringLiteral("127.0.0.1");
    profile.LocalPath = QStringLiteral("/home/u/café 🎵");
    config.SaveSessionProfile(profile);
    EXPECT_TRUE(fileBytes().startsWith("\xEF\xBB\xBF"));

    SessionProfile p2;
    ProfileList c2;   // no dialog: the configuration loads the model alone
    FakeMain m2;
    AsciiExtensionList e2;
    Configuration again(p2, c2, m2, e2);
    again.setPath(path);
    again.LoadConfiguration();
    ASSERT_EQ(c2.count(), 1);
    EXPECT_EQ(c2.at(0).LocalPath, QStringLiteral("/home/u/café 🎵"));
}

TEST_F(ConfigurationTest, KillDuringSaveLeavesTheOldOrTheNewFile)
{
    // Two versions of a large file; a child saves them in turns until it is killed.
    IniFile a(path), b(path);
    for (int i = 0; i < 400; ++i) {
        a.writeString(QStringLiteral("BOOKMARK"), QString::number(i), QStringLiteral("/old/문서/%1").arg(i));
        b.writeString(QStringLiteral("BOOKMARK"), QString::number(i), QStringLiteral("/new/받은파일/%1").arg(i));
    }
    const QByteArray oldBytes = a.toBytes(), newBytes = b.toBytes();
    ASSERT_TRUE(a.save());
    for (int round = 0; round < 20; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                b.save();
                a.save();
            }
        }
        usleep(2000 + 1500 * round);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const QByteArray now = fileBytes();
        ASSERT_TRUE(now == oldBytes || now == newBytes) << "round " << round << ": " << now.size() << " bytes";
        EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    }
}

TEST(EditorFallbacks, NamesThatAreNoProgramHereGiveThePlatformEditor)
{
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const QString editor = bin.filePath(QStringLiteral("mousepad"));
    QFile script(editor);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));

    EXPECT_EQ(platformTextEditor(), editor);
    EXPECT_EQ(resolveEditor(QString()), editor);
    EXPECT_EQ(resolveEditor(QStringLiteral("Ormpad.exe")), editor);
    EXPECT_EQ(resolveEditor(QStringLiteral("C:\\Windows\\Write.exe")), editor);
    EXPECT_EQ(resolveEditor(QStringLiteral("mousepad")), QStringLiteral("mousepad"));  // found on PATH
    EXPECT_EQ(resolveEditor(editor), editor);
    EXPECT_EQ(editorWaitArguments(QStringLiteral("/usr/bin/gedit")), QStringList{QStringLiteral("--wait")});
    EXPECT_EQ(editorWaitArguments(QStringLiteral("kate")), QStringList{QStringLiteral("--block")});

    qputenv("PATH", QFile::encodeName(QDir(bin.path()).filePath(QStringLiteral("empty"))));
    EXPECT_EQ(platformTextEditor(), QString());
    EXPECT_EQ(resolveEditor(QStringLiteral("Ormpad.exe")), QStringLiteral("Ormpad.exe"));  // nothing better
    qputenv("PATH", oldPath);
}
