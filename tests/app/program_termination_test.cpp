// The real program on a virtual X screen, as a session manager ends it: Kavrin
// connects at start-up to pyftpdlib on 127.0.0.1:21 of this test's own network
// namespace, the user starts a 64 MiB download (pointer and clicks through
// xdotool), and SIGTERM arrives in the middle of it. The transfer is cancelled,
// KAVRIN.INI is written and the program ends with exit code 0 within a second,
// also when the server hangs meanwhile.

#include "ftp_server.h"
#include "wait_until.h"
#include "ui_main_form.h"

#include "app/main_form.h"
#include "config/password_scrambler.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QToolButton>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace {

constexpr qint64 BigSize = 64LL * 1024 * 1024;

// An X server of the test's own: its display number comes through -displayfd.
class VirtualScreen {
public:
    ::testing::AssertionResult start()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return ::testing::AssertionFailure() << "Xvfb is not installed (scripts/setup-deps)";
        int fds[2];
        if (::pipe(fds) != 0)
            return ::testing::AssertionFailure() << "no pipe";
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setChildProcessModifier([fds] { ::close(fds[0]); });
        process.start(xvfb, {QStringLiteral("-displayfd"), QString::number(fds[1]), QStringLiteral("-screen"),
                             QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-dpi"),
                             QStringLiteral("96"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        ::close(fds[1]);
        QByteArray number;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (number.isEmpty())
            return ::testing::AssertionFailure() << "Xvfb did not start";
        display = QStringLiteral(":") + QString::fromLatin1(number);
        return ::testing::AssertionSuccess();
    }
    ~VirtualScreen()
    {
        process.terminate();
        process.waitForFinished(5000);
    }
    QString display;

private:
    QProcess process;
};

// xdotool on the virtual screen; its output, trimmed.
QString xdotool(const QString &display, const QStringList &arguments, int timeoutMs = 20000)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    p.setProcessEnvironment(env);
    p.start(QStandardPaths::findExecutable(QStringLiteral("xdotool")), arguments);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

qint64 sizeOf(const QString &path) { return QFileInfo(path).size(); }

class ProgramTermination : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            << "xdotool is not installed (scripts/setup-deps)";
        ASSERT_TRUE(settings.isValid() && local.isValid() && layoutHome.isValid());
        {
            QFile big(QString::fromStdString(host.path()) + QStringLiteral("/big.bin"));
            ASSERT_TRUE(big.open(QIODevice::WriteOnly));
            const QByteArray block(1024 * 1024, 'k');
            for (qint64 i = 0; i < BigSize / block.size(); ++i)
                big.write(block);
        }
        // 16 MiB a second: the download lasts long enough to be interrupted midway.
        server.addUser("kim", "secret", host.path()).setDownloadLimit(16 * 1024 * 1024);
        ASSERT_TRUE(server.start());
        ASSERT_TRUE(screen.start());
        // The profile "demo", connected to at start-up when named on the command line.
        ini = settings.filePath(QStringLiteral("KAVRIN.INI"));
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("[LOGIN]\r\nHostName=demo\r\nTimeout=15\r\nTrialTimes=3\r\nEditor=\r\nAutoSave=1\r\nUseLastPath=0\r\n"
                 "[IPADDRESS]\r\ndemo=127.0.0.1;kim;/;" + local.path() + ";;;;\r\n[PASSWORD]\r\ndemo="
                 + kav::ScramblePassword(QStringLiteral("secret")) + "\r\n")
                    .toUtf8());
    }
    void TearDown() override
    {
        ::kill(-server.pid(), SIGCONT);
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
        }
    }

    // Starts Kavrin with the profile, waits for the connected window and starts
    // the download of big.bin the way a user does: a click on it in the host
    // file list, then on the download button.
    void startDownload()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), screen.display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("QT_FONT_DPI"), QStringLiteral("96"));
        env.insert(QStringLiteral("KAVRIN_HOME"), settings.path());
        env.insert(QStringLiteral("HOME"), settings.path());
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(local.path());
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(KAVRIN_EXE), {QStringLiteral("demo")});
        ASSERT_TRUE(program.waitForStarted(10000));
        const QString window = xdotool(screen.display, {QStringLiteral("search"), QStringLiteral("--sync"),
                                                        QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                                        QStringLiteral("Kavrin Version 2.2 - demo")})
                                   .section(QLatin1Char('\n'), 0, 0);
        ASSERT_FALSE(window.isEmpty()) << "the connected main window did not show";
        const QString shell = xdotool(screen.display, {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
        const auto value = [&](const char *key) {
            const QRegularExpression re(QLatin1String(key) + QStringLiteral("=(\\d+)"));
            return re.match(shell).captured(1).toInt();
        };
        const QPoint origin(value("X"), value("Y"));
        const QSize size(value("WIDTH"), value("HEIGHT"));
        ASSERT_TRUE(size.isValid()) << shell.toStdString();

        // Where the list's first row and the button are: the same window laid out
        // here at the same size.
        qputenv("KAVRIN_HOME", layoutHome.path().toUtf8());
        QPoint row, button;
        {
            kav::TMainForm layout;
            layout.resize(size);
            layout.show();
            QCoreApplication::processEvents();
            layout.resize(size);
            QCoreApplication::processEvents();
            auto *files = layout.form()->RFileListBox;
            row = files->viewport()->mapTo(&layout, QPoint(24, 8));
            QToolButton *down = layout.form()->SB_RightLeft;
            button = down->mapTo(&layout, down->rect().center());
        }
        const auto click = [&](QPoint at) {
            at += origin;
            xdotool(screen.display, {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(at.x()),
                                     QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")});
        };
        // The host list is filled once the login's listing is in.
        QThread::msleep(500);
        click(row);
        click(button);
        ASSERT_TRUE(kavtest::waitUntil([&] { return sizeOf(downloaded()) >= 2 * 1024 * 1024; }, 20000))
            << "the download did not start (" << sizeOf(downloaded()) << " bytes)";
        ASSERT_LT(sizeOf(downloaded()), BigSize) << "the download ended before the signal";
        // Whatever the program saves from now on is written anew.
        ASSERT_TRUE(QFile::remove(ini));
    }
    QString downloaded() const { return local.filePath(QStringLiteral("big.bin")); }
    void expectEndedWithSettingsSaved()
    {
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_TRUE(QFile::exists(ini)) << "the settings were not saved";
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll().contains("demo=127.0.0.1")) << "the profiles are in the saved file";
        EXPECT_LT(sizeOf(downloaded()), BigSize) << "the transfer was not cancelled";
    }

    kavtest::ScratchDir host;
    kavtest::FtpServer server;
    VirtualScreen screen;
    QTemporaryDir settings, local, layoutHome;
    QString ini;
    QProcess program;
};

} // namespace

TEST_F(ProgramTermination, SigtermDuringADownloadCancelsSavesAndEnds)
{
    startDownload();
    if (HasFatalFailure())
        return;
    QElapsedTimer sinceSignal;
    sinceSignal.start();
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_LT(sinceSignal.elapsed(), 1000);
    expectEndedWithSettingsSaved();
}

TEST_F(ProgramTermination, AServerThatStopsAnsweringDoesNotHoldUpTheEnd)
{
    startDownload();
    if (HasFatalFailure())
        return;
    // The server hangs: the cancelled transfer never gets its next block nor its last word.
    ASSERT_EQ(::kill(-server.pid(), SIGSTOP), 0);
    QElapsedTimer sinceSignal;
    sinceSignal.start();
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_LT(sinceSignal.elapsed(), 1000);
    expectEndedWithSettingsSaved();
}
