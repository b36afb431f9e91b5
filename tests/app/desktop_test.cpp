// The program on a desktop: the images of the image buttons, help from every
// window through F1 and the help buttons, the manual opened in a browser (or a
// message when there is none), and launchers that show the installed icon.
#include "app/button_images.h"
#include "app/lists_bridge.h"
#include "app/log_form.h"
#include "app/main_form.h"
#include "app/transfer_bridge.h"
#include "config/bookmark_forms.h"
#include "config/find_forms.h"
#include "config/queue_form.h"
#include "config/tools_form.h"
#include "transfer/trans_form.h"
#include "viewers/print_form.h"
#include "viewers/view_form.h"
#include "config/connect_form.h"
#include "ftp/session.h"
#include "platform/help_browser.h"
#include "platform/scripted_dialogs.h"
#include "ui_connect_form.h"
#include "ui_main_form.h"
#include "wait_until.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using kav::TMainForm;

namespace {

kav::ScriptedDialogs &scripted()
{
    return static_cast<kav::ScriptedDialogs &>(kav::dialogs());
}

class HelpForm : public TMainForm {
public:
    int helps = 0;
    bool connected = false;
    QString program = QStringLiteral("/nowhere/bin/kavrin");
    void saveConfiguration() override {}
    QList<QUrl> pages;   // the help pages asked for
    QUrl manualPage() const override
    {
        return QUrl::fromLocalFile(QStringLiteral(KAVRIN_SOURCE_DIR "/doc/manual/index.html"));
    }
    void openHelp(const QUrl &page, QWidget *) override
    {
        ++helps;
        pages << page;
    }

protected:
    QString programPath() const override { return program; }
    bool isConnected() const override { return connected; }
    void beep() override {}
};

std::unique_ptr<HelpForm> startedForm()
{
    scripted().clear();
    auto f = std::make_unique<HelpForm>();
    f->show();
    f->activateWindow();
    EXPECT_TRUE(kavtest::waitUntil([&] { return f->firstActivated(); }, 5000));
    return f;
}

// Share of pixels that are not fully transparent.
double coverage(const QImage &image)
{
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            drawn += qAlpha(image.pixel(x, y)) > 0;
    return double(drawn) / (image.width() * image.height());
}

// Sets an environment variable for one scope.
class EnvVar {
public:
    EnvVar(const char *name, const QByteArray &value) : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~EnvVar()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char *name_;
    QByteArray old_;
    bool had_;
};

} // namespace

TEST(ButtonImages, EveryImageButtonShowsAnImageAtScaleOneAndTwo)
{
    auto f = startedForm();
    const struct {
        const char *name;
        const char *caption;
        int size;
    } buttons[] = {
        {"SB_ConnectDRV", "", 16},      {"SB_DisconnectDRV", "", 16},
        {"SB_LocalToClip", "▒", 16},    {"SB_CopyLocalPath", "▣", 16},
        {"SB_HostToClip", "▒", 16},     {"SB_CopyRemotePath", "▣", 16},
        {"SB_LeftRight", "▶", 24},      {"SB_RightLeft", "◀", 24},
    };
    for (const auto &b : buttons) {
        SCOPED_TRACE(b.name);
        auto *button = f->findChild<QToolButton *>(QString::fromLatin1(b.name));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(b.caption));   // the caption stays the button's name
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
        EXPECT_EQ(button->iconSize(), QSize(b.size, b.size));
        ASSERT_FALSE(button->icon().isNull());
        for (qreal scale : {1.0, 2.0}) {
            const QPixmap pm = button->icon().pixmap(QSize(b.size, b.size), scale);
            ASSERT_FALSE(pm.isNull());
            // Drawn at the screen's own resolution, not an enlarged small picture.
            EXPECT_EQ(pm.size(), QSize(b.size, b.size) * scale);
            const double drawn = coverage(pm.toImage());
            EXPECT_GT(drawn, 0.15) << "scale " << scale;   // a real picture, not an empty square
            EXPECT_LT(drawn, 1.0) << "scale " << scale;    // nor a filled one
        }
    }
    EXPECT_FALSE(kav::programIcon().isNull());
    EXPECT_TRUE(kav::buttonImage(QStringLiteral("no_such_image")).isNull());
}

// Screen readers announce the image buttons by their hints, not by the symbols of their captions.
TEST(ButtonImages, ImageButtonsAreNamedByTheirHints)
{
    auto f = startedForm();
    for (const char *name : {"SB_ConnectDRV", "SB_DisconnectDRV", "SB_LocalToClip", "SB_CopyLocalPath",
                             "SB_HostToClip", "SB_CopyRemotePath", "SB_LeftRight", "SB_RightLeft"}) {
        auto *button = f->findChild<QToolButton *>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_FALSE(button->toolTip().isEmpty()) << name;
        EXPECT_EQ(button->accessibleName(), button->toolTip()) << name;
    }
}

TEST(Help, F1AndTheHelpButtonsAskForHelpInEveryWindow)
{
    auto f = startedForm();
    QTest::keyClick(f->form()->LB_message, Qt::Key_F1);
    EXPECT_EQ(f->helps, 1);
    QTest::keyClick(f->form()->LB_message, Qt::Key_F1, Qt::ShiftModifier);   // not help
    EXPECT_EQ(f->helps, 1);

    // The connect dialog is modal: F1 there and its help button reach the manual too.
    kav::TConnectForm *connect = f->connectForm();
    connect->open();
    ASSERT_TRUE(kavtest::waitUntil([&] { return connect->isVisible(); }, 3000));
    QTest::keyClick(connect, Qt::Key_F1);
    EXPECT_EQ(f->helps, 2);
    connect->findChild<QPushButton *>(QStringLiteral("BB_Help"))->click();
    EXPECT_EQ(f->helps, 3);
    connect->reject();
    // Each asks for its own page: the main window's, then the connect dialog's twice.
    ASSERT_EQ(f->pages.size(), 3);
    EXPECT_EQ(f->pages[0].fileName() + '#' + f->pages[0].fragment(), QStringLiteral("start.html#TMainForm"));
    for (int i : {1, 2})
        EXPECT_EQ(f->pages[i].fileName() + '#' + f->pages[i].fragment(), QStringLiteral("connect.html#TConnectForm"));
}

// Every window of the program has a page of the manual, and the place named on it exists.
TEST(Help, EveryWindowHasItsOwnPageOfTheManual)
{
    auto f = startedForm();
    const QUrl manual = f->manualPage();
    ASSERT_TRUE(QFileInfo(manual.toLocalFile()).isFile());
    kav::ListsBridge &lists = f->lists();
    const QList<QWidget *> windows{f.get(), f->connectForm(), &lists.queueForm(), &lists.localBookmarks(),
                                   &lists.hostBookmarks(), &lists.toolsForm(), &lists.findLocal(),
                                   &lists.findHost(), f->viewForm(), f->printForm(),
                                   f->logForm(), &f->transfers().transferWindow()};
    QSet<QString> topics;
    for (QWidget *w : windows) {
        SCOPED_TRACE(w->metaObject()->className());
        const QString topic = kav::helpTopicOf(w);
        ASSERT_FALSE(topic.isEmpty());
        topics << topic;
        const QUrl page = kav::helpPageFor(w, manual);
        ASSERT_NE(page, manual) << topic.toStdString();
        QFile file(page.toLocalFile());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page.toString().toStdString();
        EXPECT_TRUE(file.readAll().contains(("id=\"" + page.fragment() + "\"").toUtf8())) << topic.toStdString();
    }
    EXPECT_GE(topics.size(), 8);
    // A manual without the page opens at its contents.
    QTemporaryDir bare;
    const QUrl contents = QUrl::fromLocalFile(bare.filePath(QStringLiteral("index.html")));
    EXPECT_EQ(kav::helpPageFor(f->connectForm(), contents), contents);
}

TEST(Help, ThePageOpensInTheBrowserNamedByTheDesktop)
{
    QTemporaryDir tmp;
    const QString page = tmp.filePath(QStringLiteral("설명서/index.html"));
    QDir().mkpath(QFileInfo(page).absolutePath());
    QFile(page).open(QIODevice::WriteOnly);
    // A browser that writes down the page it was given.
    const QString browser = tmp.filePath(QStringLiteral("browser"));
    const QString seen = tmp.filePath(QStringLiteral("seen"));
    {
        QFile script(browser);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + seen + ".part' && /bin/mv '" + seen + ".part' '" + seen + "'\n").toUtf8());
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray emptyPath = tmp.filePath(QStringLiteral("empty")).toUtf8();
    QDir().mkpath(QString::fromUtf8(emptyPath));
    EnvVar path("PATH", emptyPath);

    const struct {
        const char *name;
        QByteArray browserVar;
        QString expected;   // the browser's arguments
    } cases[] = {
        {"first usable entry", ("no-such-browser:" + browser).toUtf8(), QUrl::fromLocalFile(page).toString(QUrl::FullyEncoded)},
        {"%s stands for the page", (browser + " --new-window %s").toUtf8(),
         "--new-window\n" + QUrl::fromLocalFile(page).toString(QUrl::FullyEncoded)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(seen);
        scripted().clear();
        EnvVar var("BROWSER", c.browserVar);
        kav::openHelpPage(QUrl::fromLocalFile(page), nullptr);
        ASSERT_TRUE(kavtest::waitUntil([&] { return QFileInfo::exists(seen); }, 5000));
        QFile f(seen);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(f.readAll()).trimmed(), c.expected);
        EXPECT_TRUE(scripted().asked.empty());
    }
}

TEST(Help, WithoutABrowserOrAManualTheUserIsTold)
{
    QTemporaryDir tmp;
    const QString page = tmp.filePath(QStringLiteral("index.html"));
    QFile(page).open(QIODevice::WriteOnly);
    EnvVar path("PATH", tmp.filePath(QStringLiteral("no-bin")).toUtf8());
    EnvVar browser("BROWSER", QByteArray());

    scripted().clear();
    EXPECT_TRUE(kav::browserCommand().isEmpty());
    kav::openHelpPage(QUrl::fromLocalFile(page), nullptr);
    ASSERT_EQ(scripted().messageTexts().size(), 1);
    EXPECT_EQ(scripted().messageTexts()[0],
              QStringLiteral("도움말을 보여 줄 웹 브라우저를 찾지 못했습니다.\n"
                             "웹 브라우저를 설치하거나 다음 파일을 직접 여십시오:\n")
                  + page);
    EXPECT_EQ(scripted().asked[0].icon, kav::MsgIcon::Information);

    scripted().clear();
    kav::openHelpPage(QUrl::fromLocalFile(tmp.filePath(QStringLiteral("missing.html"))), nullptr);
    kav::openHelpPage(QUrl(), nullptr);
    EXPECT_EQ(scripted().messageTexts(),
              QStringList(2, QStringLiteral("Kavrin 사용 설명서가 설치되어 있지 않습니다.\n"
                                            "Kavrin을 패키지로 다시 설치하면 설명서도 함께 설치됩니다.")));
}

TEST(Shortcut, TheLauncherOfAnInstalledProgramShowsItsIcon)
{
    QTemporaryDir tmp;
    EnvVar config("XDG_CONFIG_HOME", tmp.path().toUtf8());
    const QString desk = tmp.filePath(QStringLiteral("Desktop"));
    {
        QFile dirs(tmp.filePath(QStringLiteral("user-dirs.dirs")));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write(("XDG_DESKTOP_DIR=\"" + desk + "\"\n").toUtf8());
    }
    const QString prefix = tmp.filePath(QStringLiteral("prefix"));
    const QString icon = prefix + QStringLiteral("/share/icons/hicolor/scalable/apps/kavrin.svg");
    QDir().mkpath(QFileInfo(icon).absolutePath());
    QDir().mkpath(prefix + QStringLiteral("/bin"));
    QFile(icon).open(QIODevice::WriteOnly);

    const struct {
        const char *name;
        QString program;
        QString iconLine;   // empty: no Icon key
    } cases[] = {
        {"installed", prefix + QStringLiteral("/bin/kavrin"), QStringLiteral("Icon=") + QFileInfo(icon).canonicalFilePath() + u'\n'},
        {"build tree", tmp.filePath(QStringLiteral("build/src/app/kavrin")), {}},
    };
    auto f = startedForm();
    f->connected = true;
    f->profile().HostName = QStringLiteral("server");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        f->program = c.program;
        f->form()->N_RCreateShortcut->trigger();
        QFile launcher(desk + QStringLiteral("/server.desktop"));
        ASSERT_TRUE(launcher.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(launcher.readAll());
        EXPECT_TRUE(text.contains(QStringLiteral("Exec=\"") + c.program + QStringLiteral("\" \"server\"\n"))) << text.toStdString();
        if (c.iconLine.isEmpty())
            EXPECT_FALSE(text.contains(QStringLiteral("Icon="))) << text.toStdString();
        else
            EXPECT_TRUE(text.contains(c.iconLine)) << text.toStdString();
        // The desktop's own checker accepts what the program wrote.
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(QStringLiteral("desktop-file-validate"), {launcher.fileName()});
        ASSERT_TRUE(validate.waitForFinished(10000)) << "desktop-file-validate (desktop-file-utils) did not run";
        EXPECT_EQ(validate.exitCode(), 0);
        EXPECT_EQ(QString::fromUtf8(validate.readAll()), QString());
    }
}
