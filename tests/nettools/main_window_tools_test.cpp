// The main window's network tool buttons lead to their windows, with the
// captions, the stop rule and the borrowed host dialog; the finger answer of a
// scripted peer (in the test's own network namespace) reaches the viewer.
#include "byte_peer.h"
#include "wait_until.h"

#include "app/main_form.h"
#include "app/settings_bridge.h"
#include "config/configuration.h"
#include "config/connect_form.h"
#include "ftp/session.h"
#include "nettools/ping_form.h"
#include "nettools/scan_form.h"
#include "platform/scripted_dialogs.h"
#include "platform/winsock.h"
#include "viewers/view_form.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kav;

namespace {

// Answers the next modal window with `handle` as soon as it shows.
void whenModal(const std::function<bool(QWidget *)> &handle)
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, handle] {
        QWidget *w = QApplication::activeModalWidget();
        if (w && w->isVisible() && handle(w)) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

std::unique_ptr<TMainForm> mainWindow(QTemporaryDir &home)
{
    qputenv("KAVRIN_HOME", home.path().toUtf8());
    EXPECT_TRUE(ws::startup());
    auto f = std::make_unique<TMainForm>();
    SessionProfile e;
    e.HostName = QStringLiteral("회사 서버");
    e.HostIP = QStringLiteral("127.0.0.1");
    e.UserId = QStringLiteral("user");
    e.Password = QStringLiteral("pass");
    e.Timeout = 5;
    e.TrialTimes = 1;
    f->settings().configuration().SaveSessionProfile(e);
    f->settings().configuration().LoadConfiguration();
    return f;
}

QPushButton *button(QWidget &w, const char *name)
{
    return w.findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

TEST(MainWindowTools, PingButtonsOpenTheirWindow)
{
    QTemporaryDir home;
    auto f = mainWindow(home);
    struct Case { const char *button; const char *caption; bool stop; } cases[] = {
        {"BB_LookUp", "룩업 - 호스트의 간단한 정보를 나타냅니다(LookUp)", false},
        {"BB_Ping", "핑 - 호스트가 Up 상태인지 Down 상태인지를 나타냅니다(Ping)", true},
        {"BB_Trace", "경로추적 - 호스트까지의 네트워크 경로(route)를 알아냅니다(Trace Route)", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.button);
        QString caption, hostName, hostIp;
        bool stop = false;
        whenModal([&](QWidget *w) {
            auto *ping = qobject_cast<TPingForm *>(w);
            if (!ping || ping->E_HostIP->text().isEmpty())
                return false;  // not activated yet
            caption = ping->windowTitle();
            stop = ping->BB_stop->isEnabled();
            hostName = ping->CB_HostName->currentText();
            hostIp = ping->E_HostIP->text();
            ping->BB_exitClick();
            return true;
        });
        button(*f, c.button)->click();
        EXPECT_EQ(caption, QString::fromUtf8(c.caption));
        EXPECT_EQ(stop, c.stop);
        EXPECT_EQ(hostName, QStringLiteral("회사 서버"));
        EXPECT_EQ(hostIp, QStringLiteral("127.0.0.1"));
    }

    QString scanCaption;
    whenModal([&](QWidget *w) {
        auto *scan = qobject_cast<TScanForm *>(w);
        if (!scan || !scan->windowTitle().contains(QStringLiteral("로컬 IP")))
            return false;
        scanCaption = scan->windowTitle();
        scan->BB_exitClick();
        return true;
    });
    button(*f, "BB_IPScanner")->click();
    // Only loopback in this namespace.
    EXPECT_EQ(scanCaption, QStringLiteral("IP Scanner (Scan for devices in your network) - 로컬 IP: 127.0.0.1"));
}

TEST(MainWindowTools, ToolsWaitWhileTheStopButtonIsEnabled)
{
    QTemporaryDir home;
    auto f = mainWindow(home);
    f->setStopEnabled(true);
    bool opened = false;
    whenModal([&](QWidget *) { return opened = true; });
    for (const char *name : {"BB_LookUp", "BB_Ping", "BB_Trace", "BB_IPScanner", "BB_Rexec", "BB_DayTime", "BB_Finger"})
        button(*f, name)->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(opened);
    QWidget *modal = QApplication::activeModalWidget();
    if (modal)
        modal->close();
}

TEST(MainWindowTools, FingerThroughTheHostDialog)
{
    QTemporaryDir home;
    auto f = mainWindow(home);
    kavtest::BytePeer peer(79);
    peer.acceptNext().wait(200).send("Login: kim\r\n").close();
    ASSERT_TRUE(peer.start());
    const QString sessionHost = f->profile().HostName;

    bool loginFieldsEnabled = true;
    QString viewerCaption;
    QStringList viewerText;
    whenModal([&](QWidget *w) {
        auto *dialog = qobject_cast<TConnectForm *>(w);
        if (!dialog)
            return false;
        loginFieldsEnabled = dialog->findChild<QLineEdit *>(QStringLiteral("E_UserId"))->isEnabled();
        dialog->selectProfile(dialog->profiles().indexOf(QStringLiteral("회사 서버")));
        dialog->BB_okClick();
        whenModal([&](QWidget *v) {
            auto *viewer = qobject_cast<TViewForm *>(v);
            if (!viewer)
                return false;
            viewerCaption = viewer->windowTitle();
            viewer->close();
            return true;
        });
        return true;
    });
    button(*f, "BB_Finger")->click();
    EXPECT_TRUE(peer.waitDone());
    EXPECT_FALSE(loginFieldsEnabled);
    EXPECT_EQ(viewerCaption, QStringLiteral("회사 서버 (127.0.0.1) - Finger (12 Bytes)"));
    // The borrowed dialog leaves the session's own profile as it was.
    EXPECT_EQ(f->profile().HostName, sessionHost);
    EXPECT_FALSE(button(*f, "BB_Stop")->isEnabled());
}
