// The directory comparison of the two panes: the marks of each name as a table
// of cases, then the marks in the main window's own lists against pyftpdlib
// (exact times from MLSD), following a refresh, a change of directory and the
// hiding of identical files.

#include "served.h"

#include "app/compare_bridge.h"
#include "app/main_form.h"
#include "ui_main_form.h"

#include "app/composition.h"
#include "app/connect_flow.h"
#include "app/settings_bridge.h"
#include "browse/host_pane.h"
#include "config/configuration.h"
#include "config/configuration_file.h"
#include "platform/ini_file.h"
#include "ftp/session.h"
#include "local/local_pane.h"
#include "platform/scripted_dialogs.h"
#include "sync/pane_compare.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utime.h>

using namespace kav;
using namespace kav::sync;
using kavtest::Server;

namespace {

Node file(const QString &name, qint64 size, qint64 secs)
{
    Node n;
    n.name = name;
    n.size = size;
    if (secs >= 0)
        n.time = exactTime(QDateTime::fromSecsSinceEpoch(secs, Qt::UTC));
    return n;
}

Node dir(const QString &name)
{
    Node n;
    n.name = name;
    n.kind = NodeKind::Directory;
    return n;
}

} // namespace

TEST(PaneCompare, MarksOfEachSideByTheChosenCriteria)
{
    const qint64 t = 1'700'000'000;
    const QList<Node> local = {file("same", 10, t), file("localonly", 1, t), file("newer.l", 5, t + 60),
                               file("older.l", 5, t), file("size", 5, t), file("untimed", 5, t),
                               file("kind", 3, t), dir("sub")};
    const QList<Node> host = {file("same", 10, t), file("hostonly", 1, t), file("newer.l", 5, t),
                              file("older.l", 5, t + 60), file("size", 6, t), file("untimed", 5, -1),
                              dir("kind"), dir("sub")};
    struct Row {
        const char *name;
        unsigned criteria;
        PaneMark local, host;
    };
    const Row rows[] = {
        {"same", ByTime | BySize, PaneMark::Same, PaneMark::Same},
        {"localonly", ByTime | BySize, PaneMark::OnlyHere, PaneMark::None},
        {"hostonly", ByTime | BySize, PaneMark::None, PaneMark::OnlyHere},
        {"newer.l", ByTime | BySize, PaneMark::Newer, PaneMark::Older},
        {"older.l", ByTime | BySize, PaneMark::Older, PaneMark::Newer},
        {"size", ByTime | BySize, PaneMark::SizeDiffers, PaneMark::SizeDiffers},
        {"kind", ByTime | BySize, PaneMark::KindDiffers, PaneMark::KindDiffers},
        {"sub", ByTime | BySize, PaneMark::Same, PaneMark::Same},
        // Times only: a time the host does not tell decides nothing.
        {"untimed", ByTime, PaneMark::None, PaneMark::None},
        {"size", ByTime, PaneMark::Same, PaneMark::Same},
        {"newer.l", ByTime, PaneMark::Newer, PaneMark::Older},
        // Sizes only: newer but the same size is the same.
        {"newer.l", BySize, PaneMark::Same, PaneMark::Same},
        {"untimed", BySize, PaneMark::Same, PaneMark::Same},
        {"size", BySize, PaneMark::SizeDiffers, PaneMark::SizeDiffers},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.name) + " criteria " + std::to_string(row.criteria));
        const PaneMarks marks = comparePanes(local, host, row.criteria);
        EXPECT_EQ(marks.local.value(row.name, PaneMark::None), row.local);
        EXPECT_EQ(marks.host.value(row.name, PaneMark::None), row.host);
        EXPECT_EQ(marks.local.contains(row.name), row.name != std::string("hostonly"));
        EXPECT_EQ(marks.host.contains(row.name), row.name != std::string("localonly"));
    }
}

namespace {

void put(const QString &path, const QByteArray &bytes, qint64 secs)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    const struct utimbuf times{time_t(secs), time_t(secs)};
    ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0);
}

// A main window connected to a real server, its local pane in the scratch directory.
struct Window {
    kavtest::Served served;
    QTemporaryDir settingsHome;
    std::unique_ptr<TMainForm> f;

    // A port of its own for each test, so that no test can reach the server of another.
    ::testing::AssertionResult open(int port)
    {
        if (auto started = served.start(Server::Pyftpdlib, "127.0.0.1", port); !started)
            return started;
        qputenv("KAVRIN_HOME", settingsHome.path().toUtf8());
        static_cast<ScriptedDialogs &>(dialogs()).clear();
        f = std::make_unique<TMainForm>();
        f->FormActivate();
        SessionProfile start;
        start.LocalPath = served.localDir();
        f->enterLocalStartDirectory(start);
        SessionProfile &p = f->profile();
        p.HostName = QStringLiteral("비교 시험");
        p.HostIP = QStringLiteral("127.0.0.1:") + QString::number(port);
        p.UserId = QStringLiteral("kim");
        p.Password = QStringLiteral("secret");
        p.LocalPath = served.localDir();
        f->settings().configuration().SaveSessionProfile(p);
        f->connectFlow().BB_ConnectClick(false);
        QElapsedTimer t;
        t.start();
        // Listed: the directory list ends with its way up once the listing is read.
        while (f->form()->RDirListBox->count() == 0 && t.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (!f->session().isConnected() || f->hostPaneOf()->currentDirectory().isEmpty())
            return ::testing::AssertionFailure() << "not connected";
        return ::testing::AssertionSuccess();
    }

    CompareBridge &compare() { return *f->findChild<CompareBridge *>(); }
    Ui::TMainForm &ui() { return *f->form(); }

    // The hint (the mark's words) and visibility of a name in each list; "-" when not listed.
    QString localLook(const QString &name)
    {
        for (QListWidgetItem *item : ui().LFileListBox->findItems(name, Qt::MatchExactly))
            return item->isHidden() ? QStringLiteral("숨김") : item->toolTip();
        return QStringLiteral("-");
    }
    QString hostLook(const QString &name)
    {
        HostListView *files = ui().RFileListBox;
        for (int row = 0; row < files->count(); ++row)
            if (files->text(row) == name)
                return files->isRowHidden(row) ? QStringLiteral("숨김")
                                               : files->entries()->index(row).data(Qt::ToolTipRole).toString();
        return QStringLiteral("-");
    }
};

} // namespace

TEST(PaneCompare, BothListsMarkedAndKeptMarkedThroughRefreshAndNavigation)
{
    Window w;
    ASSERT_TRUE(w.open(2121));
    const qint64 t = QDateTime::currentSecsSinceEpoch() / 60 * 60 - 7200;
    const QString local = w.served.localDir(), home = w.served.homeDir();
    put(local + "/같은 파일.txt", "same\n", t);
    put(home + "/같은 파일.txt", "same\n", t);
    put(local + "/로컬만.txt", "l\n", t);
    put(home + "/호스트만.txt", "h\n", t);
    put(local + "/새것.txt", "new\n", t + 600);
    put(home + "/새것.txt", "old\n", t);
    put(local + "/크기.bin", "12345", t);
    put(home + "/크기.bin", "123456", t);
    ASSERT_TRUE(QDir(local).mkdir("sub"));
    ASSERT_TRUE(QDir(home).mkdir("sub"));
    put(local + "/sub/안쪽.txt", "x\n", t);
    w.f->hostPaneOf()->RBrefreshClick();
    w.f->localPaneOf()->LBrefreshClick();

    CompareBridge &c = w.compare();
    // Off: no marks at all.
    EXPECT_EQ(w.localLook("로컬만.txt"), QString());
    EXPECT_EQ(w.hostLook("호스트만.txt"), QString());
    // Both directory menus hold the same switch.
    EXPECT_TRUE(w.ui().LDirMenu->actions().contains(c.N_Compare));
    EXPECT_TRUE(w.ui().RDirMenu->actions().contains(c.N_Compare));

    c.N_Compare->trigger();
    struct Row {
        const char *name;
        const char *local, *host;
    };
    const Row marked[] = {
        {"같은 파일.txt", "같은 파일", "같은 파일"},
        {"로컬만.txt", "이쪽에만 있는 파일", "-"},
        {"호스트만.txt", "-", "이쪽에만 있는 파일"},
        {"새것.txt", "이쪽이 더 새 파일", "저쪽이 더 새 파일"},
        {"크기.bin", "크기가 다른 파일", "크기가 다른 파일"},
    };
    for (const Row &row : marked) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(w.localLook(QString::fromUtf8(row.name)), QString::fromUtf8(row.local));
        EXPECT_EQ(w.hostLook(QString::fromUtf8(row.name)), QString::fromUtf8(row.host));
    }
    // The colours tell the kinds apart.
    for (QListWidgetItem *item : w.ui().LFileListBox->findItems("로컬만.txt", Qt::MatchExactly))
        EXPECT_EQ(item->background().color(), CompareBridge::markColour(PaneMark::OnlyHere));

    // By time alone, sizes do not count.
    c.N_CompareByTime->trigger();
    EXPECT_EQ(w.hostLook("크기.bin"), QStringLiteral("같은 파일"));
    c.N_CompareByBoth->trigger();

    // Identical files hidden on both sides, and shown again.
    c.N_CompareHideSame->trigger();
    EXPECT_EQ(w.localLook("같은 파일.txt"), QStringLiteral("숨김"));
    EXPECT_EQ(w.hostLook("같은 파일.txt"), QStringLiteral("숨김"));
    EXPECT_EQ(w.hostLook("새것.txt"), QStringLiteral("저쪽이 더 새 파일"));

    // A file uploaded by someone else shows up marked after a refresh.
    put(home + "/나중에.txt", "later\n", t);
    w.f->hostPaneOf()->RBrefreshClick();
    EXPECT_EQ(w.hostLook("나중에.txt"), QStringLiteral("이쪽에만 있는 파일"));
    EXPECT_EQ(w.localLook("같은 파일.txt"), QStringLiteral("숨김"));

    // Into "sub" on the local side only: everything there is compared with the host's root.
    w.f->localPaneOf()->enterDirectory(local + "/sub");
    EXPECT_EQ(w.localLook("안쪽.txt"), QStringLiteral("이쪽에만 있는 파일"));
    EXPECT_EQ(w.hostLook("새것.txt"), QStringLiteral("이쪽에만 있는 파일"));

    c.N_CompareHideSame->trigger();
    c.N_Compare->trigger();
    EXPECT_EQ(w.localLook("안쪽.txt"), QString());
    EXPECT_EQ(w.hostLook("같은 파일.txt"), QString());
}

TEST(PaneCompare, BrowsingTogetherMovesTheOtherPaneByTheSameRelativePath)
{
    Window w;
    ASSERT_TRUE(w.open(2122));
    const QString local = w.served.localDir(), home = w.served.homeDir();
    ASSERT_TRUE(QDir(local).mkpath("사이트/img"));
    ASSERT_TRUE(QDir(home).mkpath("사이트/img"));
    ASSERT_TRUE(QDir(local).mkpath("사이트/새 폴더"));
    ASSERT_TRUE(QDir(home).mkpath("사이트/호스트만"));
    QTemporaryDir outside;
    LocalPane &lp = *w.f->localPaneOf();
    HostPane &hp = *w.f->hostPaneOf();
    auto &boxes = static_cast<ScriptedDialogs &>(dialogs());
    CompareBridge &c = w.compare();

    // The pair: the local scratch directory and the host's home.
    c.N_BrowseTogether->trigger();
    ASSERT_TRUE(c.N_BrowseTogether->isChecked());
    ASSERT_EQ(hp.currentDirectory(), QStringLiteral("/"));

    // Local into 사이트/img: the host follows.
    ASSERT_TRUE(lp.enterDirectory(local + "/사이트"));
    EXPECT_EQ(hp.currentDirectory(), QStringLiteral("/사이트"));
    ASSERT_TRUE(lp.enterDirectory(local + "/사이트/img"));
    EXPECT_EQ(hp.currentDirectory(), QStringLiteral("/사이트/img"));

    // Host up one: the local pane follows.
    ASSERT_TRUE(w.f->sessionParts().fs.changeDirectory(QStringLiteral("/사이트")).ok());
    hp.RBrefreshClick();
    EXPECT_EQ(lp.currentDirectory(), local + "/사이트");

    // A directory the host lacks: asked, and made only on yes.
    const size_t asked = boxes.asked.size();
    boxes.pushButton(BtnNo);
    ASSERT_TRUE(lp.enterDirectory(local + "/사이트/새 폴더"));
    ASSERT_EQ(boxes.asked.size(), asked + 1);
    EXPECT_EQ(boxes.asked.back().text, QStringLiteral("호스트에 '/사이트/새 폴더' 디렉토리가 없습니다. 만들까요?"));
    EXPECT_FALSE(QFileInfo::exists(home + "/사이트/새 폴더"));
    EXPECT_EQ(hp.currentDirectory(), QStringLiteral("/사이트"));
    ASSERT_TRUE(lp.enterDirectory(local + "/사이트"));
    boxes.pushAccept();
    ASSERT_TRUE(lp.enterDirectory(local + "/사이트/새 폴더"));
    EXPECT_TRUE(QFileInfo(home + "/사이트/새 폴더").isDir());
    EXPECT_EQ(hp.currentDirectory(), QStringLiteral("/사이트/새 폴더"));

    // The host into a directory the local side lacks: made on yes.
    ASSERT_TRUE(w.f->sessionParts().fs.changeDirectory(QStringLiteral("/사이트/호스트만")).ok());
    boxes.pushAccept();
    hp.RBrefreshClick();
    EXPECT_TRUE(QFileInfo(local + "/사이트/호스트만").isDir());
    EXPECT_EQ(lp.currentDirectory(), local + "/사이트/호스트만");

    // Outside the pair's tree the other pane stays where it is.
    ASSERT_TRUE(lp.enterDirectory(outside.path()));
    EXPECT_EQ(hp.currentDirectory(), QStringLiteral("/사이트/호스트만"));

    // Switched off: nothing follows.
    c.N_BrowseTogether->trigger();
    ASSERT_TRUE(lp.enterDirectory(local + "/사이트/img"));
    EXPECT_EQ(hp.currentDirectory(), QStringLiteral("/사이트/호스트만"));
}

// The user's choice is kept with the profile: the next session of that
// profile browses together from its first listing; a disconnect's switch-off
// is not a choice and forgets nothing.
TEST(PaneCompare, BrowsingTogetherIsKeptWithTheProfile)
{
    Window w;
    ASSERT_TRUE(w.open(2123));
    const QString local = w.served.localDir(), home = w.served.homeDir();
    ASSERT_TRUE(QDir(local).mkpath("사이트"));
    ASSERT_TRUE(QDir(home).mkpath("사이트"));
    CompareBridge &c = w.compare();
    const auto stored = [&] {
        IniFile ini(w.f->settings().configuration().path());
        ini.load();
        for (const ProfileEntry &e : readProfiles(ini))
            if (e.HostName == QStringLiteral("비교 시험"))
                return e.Connection.BrowseTogether;
        ADD_FAILURE() << "the profile is not stored";
        return false;
    };
    // In the profile list too, as the connect dialog leaves a profile it stored.
    w.f->profiles().append(profileEntryOf(w.f->profile()));
    ASSERT_FALSE(stored());

    c.N_BrowseTogether->trigger();
    ASSERT_TRUE(c.N_BrowseTogether->isChecked());
    EXPECT_TRUE(stored());
    EXPECT_TRUE(w.f->profile().Connection.BrowseTogether);

    w.f->connectFlow().BB_DisconnectClick();
    EXPECT_FALSE(c.N_BrowseTogether->isChecked());
    EXPECT_TRUE(stored());

    // Again, with the profile as the connect dialog hands it on: browsing
    // together from where the panes are at login.
    SessionProfile &p = w.f->profile();
    p.HostName = QStringLiteral("비교 시험");
    p.HostIP = QStringLiteral("127.0.0.1:2123");
    p.UserId = QStringLiteral("kim");
    p.Password = QStringLiteral("secret");
    p.Connection.BrowseTogether = stored();
    w.f->connectFlow().BB_ConnectClick(false);
    QElapsedTimer t;
    t.start();
    while (!c.N_BrowseTogether->isChecked() && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(c.N_BrowseTogether->isChecked());
    ASSERT_TRUE(w.f->localPaneOf()->enterDirectory(local + "/사이트"));
    EXPECT_EQ(w.f->hostPaneOf()->currentDirectory(), QStringLiteral("/사이트"));

    // Switched off by the user: kept off.
    c.N_BrowseTogether->trigger();
    EXPECT_FALSE(stored());
}
