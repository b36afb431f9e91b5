// Finger, daytime and remote execution against the real inetd services
// (in.fingerd, inetd's own daytime, in.rexecd) on their real ports inside the
// test's private network namespace. Needs real root: in.rexecd logs in through
// PAM, which a private mount namespace points at a user database of our own.
#include "fake_host.h"
#include "server_process.h"
#include "wait_until.h"

#include "nettools/clock_form.h"
#include "nettools/exec_form.h"
#include "nettools/net_tools.h"
#include "nettools/ping_form.h"
#include "nettools/scan_form.h"
#include "platform/clock_setter.h"
#include "platform/scripted_dialogs.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace kav;

namespace {

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(dialogs()); }

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

class RecordingClock : public ClockSetter {
public:
    bool setLocalTime(const QDateTime &t) override
    {
        calls.push_back(t);
        return true;
    }
    std::vector<QDateTime> calls;
};

// A listener that never completes a handshake: backlog 0, queue filled.
class SilentListener {
public:
    explicit SilentListener(const char *address, int port)
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(quint16(port));
        ::inet_pton(AF_INET, address, &sa.sin_addr);
        ok = ::bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0 && ::listen(fd, 0) == 0;
        for (int i = 0; i < 3; ++i) {
            int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(c, reinterpret_cast<sockaddr *>(&sa), sizeof sa);
            fillers.push_back(c);
        }
    }
    ~SilentListener()
    {
        for (int c : fillers)
            ::close(c);
        ::close(fd);
    }
    bool ok = false;

private:
    int fd = -1;
    std::vector<int> fillers;
};

class Services : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(::geteuid(), 0u) << "in.rexecd and in.fingerd need real root";
        ASSERT_TRUE(ws::startup());
        dir = new QTemporaryDir;
        ASSERT_TRUE(dir->isValid());
        const QString d = dir->path();
        // root logs in with a password of this database only; nothing on the system changes.
        ASSERT_TRUE(writeFile(d + "/users.txt", "root\nsecret\n"));
        QProcess load;
        load.start(QStringLiteral("db_load"), {"-T", "-t", "hash", "-f", d + "/users.txt", d + "/rusers.db"});
        ASSERT_TRUE(load.waitForFinished(10000) && load.exitCode() == 0) << load.readAllStandardError().toStdString();
        ASSERT_TRUE(writeFile(d + "/pam", ("auth required pam_userdb.so db=" + d + "/rusers\n"
                                           "account required pam_permit.so\nsession required pam_permit.so\n").toUtf8()));
        ASSERT_TRUE(writeFile(d + "/inetd.conf",
                              "127.0.0.1:daytime stream tcp nowait root internal\n"
                              "127.0.0.1:finger stream tcp nowait nobody /usr/sbin/in.fingerd in.fingerd\n"
                              "127.0.0.1:exec stream tcp nowait root /usr/sbin/in.rexecd in.rexecd\n"));
        ASSERT_TRUE(writeFile(d + "/run me.sh", "#!/bin/sh\necho \"ran $0\"\n"));
        QFile::setPermissions(d + "/run me.sh", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        inetd = new kavtest::ServerProcess;
        const std::string script = ("mount --bind '" + d + "/pam' /etc/pam.d/rexec && exec /usr/sbin/inetutils-inetd -d --pidfile='"
                                    + d + "/inetd.pid' '" + d + "/inetd.conf'").toStdString();
        ASSERT_TRUE(inetd->start("inetd", {"/usr/bin/unshare", "-m", "--propagation", "private", "/bin/sh", "-c", script},
                                 (d + "/inetd.log").toStdString(), 13, 10000));
        ASSERT_TRUE(kavtest::isListening(79));
        ASSERT_TRUE(kavtest::isListening(512));
    }
    static void TearDownTestSuite()
    {
        delete inetd;
        inetd = nullptr;
        delete dir;
        dir = nullptr;
    }
    void SetUp() override { scripted().clear(); }

    static QTemporaryDir *dir;
    static kavtest::ServerProcess *inetd;
    kavtest::FakeHost host;
};

QTemporaryDir *Services::dir = nullptr;
kavtest::ServerProcess *Services::inetd = nullptr;

void runExec(TExecForm &f, const QString &address, const QString &user, const QString &password, const QString &command)
{
    f.CB_HostName->setEditText(QStringLiteral("테스트"));
    f.E_HostIP->setText(address);
    f.E_UserId->setText(user);
    f.E_Password->setText(password);
    f.E_Command->setText(command);
    f.BB_runClick();
    EXPECT_TRUE(kavtest::waitUntil([&] { return !f.busy(); }, 10000));
}

} // namespace

TEST_F(Services, FingerShowsTheAnswerInTheViewer)
{
    ServiceQueries q(host);
    host.target = {QStringLiteral("테스트"), QStringLiteral("127.0.0.1"), 5, 3};
    q.BB_FingerClick();
    ASSERT_EQ(host.reports.size(), 1u) << host.log.join('\n').toStdString();
    const kavtest::Report &r = host.reports[0];
    EXPECT_EQ(r.caption, QStringLiteral("테스트 (127.0.0.1) - Finger (19 Bytes)"));
    EXPECT_EQ(r.lines, QStringList{QStringLiteral("No one logged on.")});
    EXPECT_EQ(r.fileName, QStringLiteral("Finger.txt"));
    EXPECT_EQ(r.directory, QStringLiteral("/tmp/local-pane"));
    EXPECT_EQ(host.log, (QStringList{QStringLiteral("Connecting to 127.0.0.1  port 79"),
                                     QStringLiteral("Connected to 127.0.0.1  port 79")}));
    EXPECT_FALSE(host.stop);
    EXPECT_TRUE(scripted().asked.empty());
}

TEST_F(Services, DaytimeSetsTheClockToTheHostsTime)
{
    auto recorder = std::make_unique<RecordingClock>();
    RecordingClock *clock = recorder.get();
    auto previous = setClockSetter(std::move(recorder));
    ServiceQueries q(host);
    host.target = {QStringLiteral("테스트"), QStringLiteral("127.0.0.1"), 5, 3};
    QString caption, hostDate;
    q.runClock = [&](TClockForm &c) {
        caption = c.windowTitle();
        hostDate = c.L_RDate->text();
        c.SB_SetTimeClick();
    };
    const QDateTime before = QDateTime::currentDateTime();
    q.BB_DayTimeClick();
    // Put the system's setter back, keeping ours for the checks.
    const std::unique_ptr<ClockSetter> used = setClockSetter(std::move(previous));
    EXPECT_EQ(caption, QStringLiteral("테스트 (127.0.0.1)"));
    EXPECT_EQ(hostDate, daytimeDateCaption(before.date()));
    ASSERT_EQ(clock->calls.size(), 1u) << host.log.join('\n').toStdString();
    // inetd tells this machine's own time.
    EXPECT_LE(std::abs(clock->calls[0].secsTo(before)), 2);
    EXPECT_EQ(host.log, (QStringList{QStringLiteral("Connecting to 127.0.0.1  port 13"),
                                     QStringLiteral("Connected to 127.0.0.1  port 13")}));
}

TEST_F(Services, RefusedConnectionsAreReported)
{
    ServiceQueries q(host);
    // Nothing listens on 127.0.0.2.
    host.target = {QStringLiteral("없음"), QStringLiteral("127.0.0.2"), 5, 3};
    q.BB_FingerClick();
    q.BB_DayTimeClick();
    EXPECT_EQ(scripted().messageTexts(),
              (QStringList{QStringLiteral("호스트의 FINGER 서버(79/TCP)에 연결을 못했습니다."),
                           QStringLiteral("호스트의 DAYTIME 서버(13/TCP)에 연결을 못했습니다.")}));
    EXPECT_EQ(host.log.count(QStringLiteral("Connection failed 127.0.0.2")), 2);
    EXPECT_TRUE(host.reports.empty());
    EXPECT_FALSE(host.stop);

    host.target.address = QStringLiteral("no-such-host.invalid");
    scripted().clear();
    q.BB_FingerClick();
    EXPECT_EQ(scripted().messageTexts(), QStringList{QStringLiteral("호스트를 알 수 없습니다.  호스트 주소를 확인하세요.")});
}

TEST_F(Services, TimeLimitAndStopWhileConnecting)
{
    SilentListener silent("127.0.0.3", 79);
    ASSERT_TRUE(silent.ok);
    ServiceQueries q(host);
    host.target = {QStringLiteral("느림"), QStringLiteral("127.0.0.3"), 1, 2};
    QElapsedTimer t;
    t.start();
    q.BB_FingerClick();
    EXPECT_GE(t.elapsed(), 1900);  // two attempts of one second
    EXPECT_EQ(scripted().messageTexts(),
              QStringList{QStringLiteral("호스트의 FINGER 서버(79/TCP)에 연결을 못했습니다. (시간제한 초과)")});
    EXPECT_TRUE(host.log.contains(QStringLiteral("Connection failed 127.0.0.3")));
    EXPECT_FALSE(host.stop);

    // A profile that asks for no attempt still gets one.
    scripted().clear();
    host.target.trials = 0;
    t.restart();
    q.BB_FingerClick();
    EXPECT_GE(t.elapsed(), 900);
    EXPECT_LT(t.elapsed(), 1900);
    EXPECT_EQ(scripted().messageTexts(),
              QStringList{QStringLiteral("호스트의 FINGER 서버(79/TCP)에 연결을 못했습니다. (시간제한 초과)")});

    // The main window's stop button during the wait: no message box.
    scripted().clear();
    host.log.clear();
    host.target.timeoutSeconds = 30;
    QTimer::singleShot(300, [this] {
        EXPECT_TRUE(host.stop);
        host.tag = 1;
    });
    t.restart();
    q.BB_FingerClick();
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_TRUE(scripted().asked.empty());
    EXPECT_EQ(host.log, (QStringList{QStringLiteral("Connecting to 127.0.0.3  port 79"),
                                     QStringLiteral("Connection failed 127.0.0.3")}));
    EXPECT_FALSE(host.stop);
}

TEST_F(Services, BusyStopButtonKeepsTheToolsIdle)
{
    ServiceQueries q(host);
    host.stop = true;
    host.target = {QStringLiteral("테스트"), QStringLiteral("127.0.0.1"), 5, 3};
    q.BB_FingerClick();
    q.BB_DayTimeClick();
    EXPECT_EQ(host.hostDialogs, 0);
    EXPECT_TRUE(host.log.isEmpty());
}

TEST_F(Services, RemoteExecutionOutputWrongPasswordAndRefusal)
{
    TExecForm f(host);
    // The command's output, its last line without a line end included.
    runExec(f, QStringLiteral("127.0.0.1"), QStringLiteral("root"), QStringLiteral("secret"),
            QStringLiteral("echo 안녕; printf 'no end'"));
    EXPECT_EQ(f.messageLines(), (QStringList{QStringLiteral("☞ 원격실행 결과('echo 안녕; printf 'no end'')"),
                                             QStringLiteral("안녕"), QStringLiteral("no end"),
                                             QStringLiteral("☞ 원격실행 완료('echo 안녕; printf 'no end'')")}));
    EXPECT_TRUE(f.BB_save->isEnabled());
    EXPECT_TRUE(f.BB_print->isEnabled());
    EXPECT_TRUE(f.BB_font->isEnabled());

    // in.rexecd closes without a word after a wrong password.
    runExec(f, QStringLiteral("127.0.0.1"), QStringLiteral("root"), QStringLiteral("wrong"), QStringLiteral("id"));
    EXPECT_EQ(f.messageLines(), (QStringList{QStringLiteral("☞ 원격실행 결과('id')"),
                                             QStringLiteral("호스트의 REXEC 서버가 응답없이 연결을 끊었습니다. "
                                                            "로그인 명과 비밀번호를 확인하세요.")}));

    runExec(f, QStringLiteral("127.0.0.2"), QStringLiteral("root"), QStringLiteral("secret"), QStringLiteral("id"));
    EXPECT_EQ(scripted().messageTexts(), QStringList{QStringLiteral("호스트의 REXEC 서버(512/TCP)에 연결을 못했습니다.")});
    EXPECT_TRUE(f.messageLines().isEmpty());
    EXPECT_FALSE(f.busy());
}

TEST_F(Services, HostPanePresetRunsAQuotedPath)
{
    NetTools tools(host);
    QStringList lines;
    QString preset;
    tools.runModal = [&](QDialog &d) {
        auto &f = static_cast<TExecForm &>(d);
        preset = f.E_Command->text();
        runExec(f, QStringLiteral("127.0.0.1"), QStringLiteral("root"), QStringLiteral("secret"), preset);
        lines = f.messageLines();
    };
    const QString path = dir->path() + QStringLiteral("/run me.sh");
    tools.openRexecWith(path);
    EXPECT_EQ(preset, QLatin1Char('\'') + path + QLatin1Char('\''));
    EXPECT_EQ(lines.value(1), QStringLiteral("ran ") + path) << lines.join('\n').toStdString();

    // The main window's button: the command starts empty, the host lists are re-read after.
    tools.runModal = [&](QDialog &d) { preset = static_cast<TExecForm &>(d).E_Command->text(); };
    tools.BB_RexecClick();
    EXPECT_TRUE(preset.isEmpty());
    EXPECT_EQ(host.refreshes, 1);
}

// A fresh namespace allows ping sockets to no group: where a window may only
// use one, it says so and can only be closed.
TEST_F(Services, WithoutAnIcmpSocketTheWindowsCanOnlyClose)
{
    TPingForm ping(host, TPingForm::Ping);
    ping.socketKind = icmp::SocketKind::Datagram;
    ping.show();
    ASSERT_TRUE(kavtest::waitUntil([&] { return !scripted().asked.empty(); }, 5000));
    TScanForm scan(host);
    scan.socketKind = icmp::SocketKind::Datagram;
    scan.show();
    ASSERT_TRUE(kavtest::waitUntil([&] { return scripted().asked.size() == 2; }, 5000));
    for (const auto &asked : scripted().asked) {
        EXPECT_EQ(asked.text, QStringLiteral("네트워크 오류: ICMP 핸들을 생성할 수 없습니다"));
        EXPECT_EQ(asked.icon, MsgIcon::None);
        EXPECT_EQ(asked.buttons, int(BtnOk));
    }
    EXPECT_FALSE(ping.BB_run->isEnabled());
    EXPECT_FALSE(ping.BB_stop->isEnabled());
    EXPECT_TRUE(ping.BB_exit->isEnabled());
    EXPECT_FALSE(scan.BB_run->isEnabled());
    EXPECT_FALSE(scan.BB_stop->isEnabled());
    ping.BB_exitClick();
    scan.BB_exitClick();
    EXPECT_FALSE(ping.isVisible());
    EXPECT_FALSE(scan.isVisible());
}
