// The main window's start-up connect and its connect notifications, against
// loopback inside the test's own network namespace.
#include "app/main_form.h"
#include "app/message_log.h"
#include "ui_main_form.h"

#include "app/settings_bridge.h"
#include "config/configuration.h"
#include "config/connect_form.h"
#include "ftp/session.h"
#include "platform/ini_file.h"
#include "platform/scripted_dialogs.h"
#include "platform/winsock.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QListWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

kav::ScriptedDialogs &scripted()
{
    return static_cast<kav::ScriptedDialogs &>(kav::dialogs());
}

QStringList logLines(const kav::TMainForm &f)
{
    return f.messages().texts();
}

// A main window started with a profile name on the command line; `onTop` starts
// it kept on top of other windows, as an earlier run that left it so stored it.
std::unique_ptr<kav::TMainForm> startWith(const QString &argument, bool onTop = false)
{
    scripted().clear();
    // A settings file of its own holding the one profile, as an earlier run stored it.
    static std::vector<std::unique_ptr<QTemporaryDir>> homes;
    homes.push_back(std::make_unique<QTemporaryDir>());
    qputenv("KAVRIN_HOME", homes.back()->path().toUtf8());
    auto f = std::make_unique<kav::TMainForm>();
    kav::SessionProfile e;
    e.HostName = QStringLiteral("회사 서버");
    e.HostIP = QStringLiteral("127.0.0.1");
    e.UserId = QStringLiteral("user");
    e.Password = QStringLiteral("pass");
    f->settings().configuration().SaveSessionProfile(e);
    if (onTop) {
        // Stored inverted: 0 is "kept on top" once the start-up toggle has run.
        kav::IniFile ini(f->settings().configuration().path());
        ini.load();
        ini.writeInt(QStringLiteral("CONFIG"), QStringLiteral("StayOnTop"), 0);
        if (!ini.save())
            return nullptr;
    }
    f->setStartProfile(argument);
    // The connect dialog's time limit is read from the dialog: keep the waits short.
    f->show();
    QElapsedTimer t;
    t.start();
    while (!f->firstActivated() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    return f;
}

} // namespace

TEST(MainFormStartConnect, UnknownProfileConnectsToNothing)
{
    auto f = startWith(QStringLiteral("no such host"));
    ASSERT_TRUE(f->firstActivated());
    for (const QString &line : logLines(*f))
        EXPECT_FALSE(line.startsWith(QStringLiteral("Connecting to"))) << line.toStdString();
    EXPECT_TRUE(scripted().asked.empty());
}

TEST(MainFormStartConnect, RefusedConnectIsReportedAtOnce)
{
    // Nothing listens on port 21 here: the connect notification must end the
    // wait with a failure long before the time limit.
    QElapsedTimer t;
    t.start();
    auto f = startWith(QStringLiteral("회사 서버"));
    ASSERT_TRUE(f->firstActivated());
    EXPECT_EQ(f->profile().HostName, QStringLiteral("회사 서버"));
    const QStringList lines = logLines(*f);
    EXPECT_TRUE(lines.contains(QStringLiteral("Connecting to 127.0.0.1  port 21")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Connection failed 127.0.0.1")));
    EXPECT_EQ(f->connectFlow().stopTag(), kav::StopTag::Failed);
    ASSERT_FALSE(scripted().asked.empty());
    EXPECT_EQ(scripted().asked.back().text, QStringLiteral("호스트의 FTP 서버(21/TCP)에 연결을 못했습니다."));
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_FALSE(f->form()->BB_Stop->isEnabled());
}

TEST(MainFormStartConnect, RefusedConnectBoxOpensOverTheWindowKeptOnTop)
{
    // A box without an owner would open behind a window kept on top and leave the
    // program looking frozen.
    auto f = startWith(QStringLiteral("회사 서버"), true);
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->firstActivated());
    ASSERT_TRUE(f->form()->N_RStayOnTop->isChecked());
    ASSERT_FALSE(scripted().asked.empty());
    const auto &box = scripted().asked.back();
    EXPECT_EQ(box.text, QStringLiteral("호스트의 FTP 서버(21/TCP)에 연결을 못했습니다."));
    EXPECT_EQ(box.parent, f.get());
    EXPECT_TRUE(f->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(f->isVisible());
}

TEST(MainFormStartConnect, AcceptedConnectSetsTheTagToConnected)
{
    // A listener that takes the connection and answers with a refusal, so the
    // session ends by itself right after the connect.
    kav::ws::Socket listener = kav::ws::socket();
    ASSERT_NE(listener, kav::ws::InvalidSocket);
    ASSERT_EQ(kav::ws::bind(listener, 0x7f000001, 21), 0) << kav::ws::lastError();
    ASSERT_EQ(kav::ws::listen(listener, 1), 0);
    kav::ws::setNonBlocking(listener, true);
    kav::ws::Socket peer = kav::ws::InvalidSocket;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (peer != kav::ws::InvalidSocket)
            return;
        peer = kav::ws::accept(listener);
        if (peer != kav::ws::InvalidSocket) {
            const char reply[] = "421 Service not available\r\n";
            kav::ws::setNonBlocking(peer, true);
            kav::ws::send(peer, reply, int(sizeof reply - 1));
        }
    });
    answer.start(10);

    auto f = startWith(QStringLiteral("회사 서버"));
    ASSERT_TRUE(f->firstActivated());
    const QStringList lines = logLines(*f);
    EXPECT_TRUE(lines.contains(QStringLiteral("Connected to 127.0.0.1  port 21")))
        << lines.join(u'\n').toStdString();
    EXPECT_EQ(f->connectFlow().stopTag(), kav::StopTag::Connected);
    answer.stop();
    if (peer != kav::ws::InvalidSocket)
        kav::ws::closesocket(peer);
    kav::ws::closesocket(listener);
}
