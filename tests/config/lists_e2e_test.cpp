// The queue, bookmark, tools and search windows in the real main window,
// against pyftpdlib and vsftpd on 127.0.0.1:21 of this test's own network
// namespace: a queue run with a failure in the middle, the lists kept per
// profile, the host search (depth-first, counters, a directory that refuses,
// Stop, Go to), desktop drops and the local bookmarks' Go to, and local names
// that are not UTF-8 in all of these.

#include "ftp_server.h"
#include "wait_until.h"
#include "ui_main_form.h"

#include "app/lists_bridge.h"
#include "app/main_form.h"
#include "app/settings_bridge.h"
#include "browse/host_pane.h"
#include "config/bookmark_forms.h"
#include "config/find_forms.h"
#include "config/queue_form.h"
#include "config/tools_form.h"
#include "ftp/session.h"
#include "local/local_pane.h"
#include "platform/dialogs.h"
#include "platform/ini_file.h"
#include "platform/local_path.h"
#include "platform/scripted_dialogs.h"
#include "platform/settings_dir.h"
#include "platform/winsock.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kav;

namespace {

ScriptedDialogs &scripted()
{
    return static_cast<ScriptedDialogs &>(dialogs());
}

QStringList items(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QString readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<missing>");
}

void write(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
    f.close();
    if (executable)
        ::chmod(QFile::encodeName(path).constData(), 0755);
}

QString q(const std::string &s)
{
    return QString::fromStdString(s);
}

// The real main window; every transcript line is kept (the message list empties itself at 80).
class Window {
public:
    Window()
    {
        scripted().clear();
        EXPECT_TRUE(ws::startup());
        f = std::make_unique<TMainForm>();
        f->FormActivate();
        f->settings().asciiExtensions().loadStored(QStringLiteral("TXT;C;"));
        QObject::connect(&f->session(), &Session::transcript, &f->session(),
                         [this](TranscriptSide side, const QString &text) { lines << transcriptLine(side, text); });
    }
    ~Window()
    {
        if (f->session().isConnected())
            f->connectFlow().BB_DisconnectClick();
        // The local pane took the process into a scratch directory that is about
        // to go; a server started later would inherit a directory that is gone.
        QDir::setCurrent(QDir::tempPath());
    }
    void connect(const QString &profile, const QString &user = QStringLiteral("kim"),
                 const QString &password = QStringLiteral("secret"))
    {
        SessionProfile &p = f->profile();
        p.HostName = profile;
        p.HostIP = QStringLiteral("127.0.0.1");
        p.UserId = user;
        p.Password = password;
        f->connectFlow().BB_ConnectClick(false);
        ASSERT_TRUE(f->session().isConnected()) << lines.join('\n').toStdString();
    }
    ListsBridge &lists() { return f->lists(); }
    QStringList commands(const QString &verb) const
    {
        QStringList out;
        for (const QString &l : lines)
            if (l.startsWith(QStringLiteral("[L] - ") + verb + QLatin1Char(' ')))
                out << l.mid(6 + verb.size() + 1);
        return out;
    }
    std::unique_ptr<TMainForm> f;
    QStringList lines;
};

void selectAll(QTreeWidget *tree)
{
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        tree->topLevelItem(i)->setSelected(true);
}

QStringList queueFiles(TQueueForm &queue)
{
    QStringList out;
    for (const QueueEntry &e : queue.entries())
        out << e.fileName;
    return out;
}

// A synthetic drop from the desktop's file manager: a text/uri-list of local
// files. Returns whether the window took the drag.
bool drop(QWidget *target, QMimeData &data)
{
    EXPECT_TRUE(data.hasFormat(QStringLiteral("text/uri-list")));
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return enter.isAccepted() && drop.isAccepted();
}

bool dropFiles(QWidget *target, const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    return drop(target, data);
}

// The list as a file manager writes it for names on disk: every byte that is
// not unreserved percent-escaped, whatever the encoding (or none) of the name.
bool dropFilesByBytes(QWidget *target, const QByteArrayList &paths)
{
    QMimeData data;
    QByteArray list;
    for (const QByteArray &p : paths)
        list += "file://" + p.toPercentEncoding("/") + "\r\n";
    data.setData(QStringLiteral("text/uri-list"), list);
    return drop(target, data);
}

enum class Server { Pyftpdlib, Vsftpd };
const char *nameOf(Server s) { return s == Server::Pyftpdlib ? "pyftpdlib" : "vsftpd"; }

// One server of either kind with user kim on `home`.
struct Peer {
    std::unique_ptr<kavtest::FtpServer> py;
    std::unique_ptr<kavtest::VsftpdServer> vs;
    ::testing::AssertionResult start(Server kind, const std::string &home,
                                     const std::function<void(kavtest::FtpServer &)> &tune = {})
    {
        if (kind == Server::Pyftpdlib) {
            py = std::make_unique<kavtest::FtpServer>();
            py->addUser("kim", "secret", home);
            if (tune)
                tune(*py);
            return py->start();
        }
        std::string why;
        if (!kavtest::VsftpdServer::available(&why))
            return ::testing::AssertionFailure() << "vsftpd cannot run here: " << why;
        vs = std::make_unique<kavtest::VsftpdServer>();
        vs->addUser("kim", "secret", home);
        return vs->start();
    }
};

} // namespace

// ---- the queue ------------------------------------------------------------------------

TEST(QueueRun, MixedBatchStopsAtTheFailureInTheMiddle)
{
    for (Server kind : {Server::Pyftpdlib, Server::Vsftpd}) {
        SCOPED_TRACE(nameOf(kind));
        kavtest::ScratchDir home, local;
        const QString h = q(home.path()), l = q(local.path());
        QDir().mkpath(h + QStringLiteral("/받은편지"));
        write(h + QStringLiteral("/자료/목록.txt"), "line 1\r\nline 2\r\n");
        write(l + QStringLiteral("/보고서.txt"), "report\n");
        write(l + QStringLiteral("/그림.bin"), QByteArray(70000, '\x5a'));
        QDir().mkpath(l + QStringLiteral("/받기"));
        Peer peer;
        ASSERT_TRUE(peer.start(kind, home.path()));
        Window w;
        w.connect(QStringLiteral("큐 시험 ") + QLatin1String(nameOf(kind)));
        TQueueForm &queue = w.lists().queueForm();
        ASSERT_EQ(queue.AddQueueEntry(l + QStringLiteral("/보고서.txt"), QStringLiteral("/받은편지"), false, true), AddOutcome::Added);
        ASSERT_EQ(queue.AddQueueEntry(QStringLiteral("/자료/목록.txt"), l + QStringLiteral("/받기"), false, false), AddOutcome::Added);
        ASSERT_EQ(queue.AddQueueEntry(QStringLiteral("/자료/없음.txt"), l + QStringLiteral("/받기"), true, false), AddOutcome::Added);
        ASSERT_EQ(queue.AddQueueEntry(l + QStringLiteral("/그림.bin"), QStringLiteral("/받은편지"), true, true), AddOutcome::Added);
        EXPECT_EQ(queue.LV_Queue->topLevelItem(2)->text(2), QStringLiteral("B"));
        selectAll(queue.LV_Queue);
        queue.BB_SendFilesClick();

        // Sent in ASCII type (TXT is a text extension): vsftpd keeps the CR LF as it came.
        EXPECT_EQ(readAll(h + QStringLiteral("/받은편지/보고서.txt")),
                  kind == Server::Vsftpd ? QStringLiteral("report\r\n") : QStringLiteral("report\n"));
        EXPECT_EQ(readAll(l + QStringLiteral("/받기/목록.txt")), QStringLiteral("line 1\nline 2\n"));
        // The third fails: the server's refusal is logged, no local file is left,
        // and the fourth is never tried.
        EXPECT_TRUE(w.commands(QStringLiteral("RETR")).contains(QStringLiteral("/자료/없음.txt")));
        const qsizetype at = w.lines.indexOf(QStringLiteral("[L] - RETR /자료/없음.txt"));
        ASSERT_GE(at, 0);
        ASSERT_LT(at + 1, w.lines.size());
        EXPECT_TRUE(w.lines.at(at + 1).startsWith(QStringLiteral("[H] - 550"))) << w.lines.at(at + 1).toStdString();
        EXPECT_FALSE(QFile::exists(l + QStringLiteral("/받기/없음.txt")));
        EXPECT_FALSE(QFile::exists(h + QStringLiteral("/받은편지/그림.bin")));
        EXPECT_FALSE(w.commands(QStringLiteral("STOR")).contains(QStringLiteral("/받은편지/그림.bin")));
        // The entries stay queued, in their order.
        EXPECT_EQ(queueFiles(queue), (QStringList{l + QStringLiteral("/보고서.txt"), QStringLiteral("/자료/목록.txt"),
                                                  QStringLiteral("/자료/없음.txt"), l + QStringLiteral("/그림.bin")}));
        EXPECT_TRUE(w.f->session().isConnected());
    }
}

TEST(QueueAndBookmarks, KeptPerProfileAcrossConnections)
{
    kavtest::ScratchDir home, local;
    const QString l = q(local.path());
    write(l + QStringLiteral("/a.txt"), "a");
    write(l + QStringLiteral("/b.zip"), "b");
    write(l + QStringLiteral("/c.c"), "c");
    QDir().mkpath(l + QStringLiteral("/폴더"));
    write(q(home.path()) + QStringLiteral("/x.txt"), "x");
    Peer peer;
    ASSERT_TRUE(peer.start(Server::Pyftpdlib, home.path()));
    Window w;
    TQueueForm &queue = w.lists().queueForm();
    TBookmarkRForm &marks = w.lists().hostBookmarks();

    // Dropping from the desktop onto the queue: connected, files only.
    w.connect(QStringLiteral("회사"));
    queue.show();
    EXPECT_TRUE(dropFiles(&queue, {l + QStringLiteral("/a.txt"), l + QStringLiteral("/폴더"), l + QStringLiteral("/b.zip"),
                                   l + QStringLiteral("/c.c")}));
    ASSERT_EQ(queue.LV_Queue->topLevelItemCount(), 3);
    EXPECT_EQ(queueFiles(queue), (QStringList{l + QStringLiteral("/a.txt"), l + QStringLiteral("/b.zip"),
                                              l + QStringLiteral("/c.c")}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(queue.LV_Queue->topLevelItem(i)->text(1), QStringLiteral("/"));
        EXPECT_EQ(queue.LV_Queue->topLevelItem(i)->text(2), i == 1 ? QStringLiteral("B") : QStringLiteral("A"));
    }
    EXPECT_TRUE(queue.BB_SendFiles->isEnabled());
    queue.reject();
    // A path holding the field separator is refused with a line of the log.
    EXPECT_EQ(queue.AddQueueEntry(l + QStringLiteral("/a;b.txt"), QStringLiteral("/"), false, true), AddOutcome::Unstorable);
    EXPECT_TRUE(w.lines.contains(QStringLiteral("[L] - 경로에 ';' 또는 줄바꿈 문자가 있어 대기행렬(Queue)에 추가하지 못했습니다: ")
                                 + l + QStringLiteral("/a;b.txt")));
    marks.AddHostBookmark(QStringLiteral("▶ 자료"), false);
    marks.AddHostBookmark(QStringLiteral("/x.txt"), false);
    w.f->connectFlow().BB_DisconnectClick();

    IniFile ini(configurationFilePath());
    ASSERT_EQ(ini.load(), IniFile::LoadResult::Loaded);
    EXPECT_EQ(ini.readString(QStringLiteral("QUEUE"), QStringLiteral("회사1")), l + QStringLiteral("/b.zip;/;B;0"));
    EXPECT_EQ(ini.readString(QStringLiteral("RBOOKMARK"), QStringLiteral("회사0")), QStringLiteral("▶ 자료;B"));

    // Another profile has lists of its own.
    w.connect(QStringLiteral("집"));
    EXPECT_TRUE(queue.entries().isEmpty());
    EXPECT_TRUE(marks.entries().isEmpty());
    EXPECT_FALSE(queue.BB_Goto->isEnabled());
    w.f->connectFlow().BB_DisconnectClick();

    w.connect(QStringLiteral("회사"));
    EXPECT_EQ(queueFiles(queue), (QStringList{l + QStringLiteral("/a.txt"), l + QStringLiteral("/b.zip"),
                                              l + QStringLiteral("/c.c")}));
    EXPECT_EQ(marks.texts(), (QStringList{QStringLiteral("▶ 자료"), QStringLiteral("/x.txt")}));

    // Sending host bookmarks: the subject line is never transferred.
    w.f->localPaneOf()->setDirectory(l);
    for (int i = 0; i < marks.LB_BookMark->count(); ++i)
        marks.LB_BookMark->item(i)->setSelected(true);
    marks.BB_SendFilesClick();
    EXPECT_EQ(readAll(l + QStringLiteral("/x.txt")), QStringLiteral("x"));
    EXPECT_EQ(w.commands(QStringLiteral("RETR")), QStringList{QStringLiteral("/x.txt")});

    // The 501st entry is refused with a line of the log, not stored and lost at the next start.
    QList<QueueEntry> full;
    for (int i = 0; i < 500; ++i)
        full << QueueEntry{QStringLiteral("/f%1").arg(i), l, true, false};
    queue.load(full);
    EXPECT_EQ(queue.AddQueueEntry(QStringLiteral("/f500"), l, true, false), AddOutcome::Full);
    EXPECT_EQ(queue.entries().size(), 500);
    EXPECT_TRUE(w.lines.contains(QStringLiteral("[H] - 대기행렬(Queue)에는 500개까지만 등록할 수 있어 추가하지 못했습니다: /f500")));

    // Adding from the host pane's menu: the file's full path, the local directory, its letter.
    queue.load({});
    w.f->localPaneOf()->setDirectory(l);
    kav::HostListView *hostFiles = w.f->form()->RFileListBox;
    const auto x = hostFiles->findItems(QStringLiteral("x.txt"), Qt::MatchExactly);
    ASSERT_FALSE(x.isEmpty());
    hostFiles->clearSelection();
    w.f->form()->N_RAddQueue->trigger();
    EXPECT_TRUE(w.lines.endsWith(QStringLiteral("[H] - 먼저 파일을 선택하세요.")));
    x.first()->setSelected(true);
    w.f->form()->N_RAddQueue->trigger();
    w.f->form()->N_RAddBookmar->trigger();
    ASSERT_EQ(queue.entries().size(), 1);
    EXPECT_EQ(queue.entries().first(), (QueueEntry{QStringLiteral("/x.txt"), w.f->localPaneOf()->currentDirectory(), false, false}));
    EXPECT_EQ(marks.texts().size(), 2) << "already bookmarked";

    // Change destination: only the first selected entry, through the input box;
    // a destination holding the field separator is refused.
    queue.load({{QStringLiteral("/x.txt"), l, false, false}, {QStringLiteral("/y.txt"), l, false, false}});
    selectAll(queue.LV_Queue);
    scripted().clear();
    scripted().pushAccept(QStringLiteral("/tmp/받기"));
    queue.BB_UpdateClick();
    ASSERT_FALSE(scripted().asked.empty());
    EXPECT_EQ(scripted().asked.back().caption, QStringLiteral("목적지 변경"));
    EXPECT_EQ(scripted().asked.back().text, QStringLiteral("디렉토리: ") + l);
    EXPECT_EQ(queue.entries().at(0).directory, QStringLiteral("/tmp/받기"));
    EXPECT_EQ(queue.entries().at(1).directory, l);
    scripted().pushAccept(QStringLiteral("/a;b"));
    queue.BB_UpdateClick();
    EXPECT_EQ(queue.entries().at(0).directory, QStringLiteral("/tmp/받기"));
    // Empty: everything goes, the commands but Close are disabled.
    queue.BB_TrashClick();
    EXPECT_TRUE(queue.entries().isEmpty());
    EXPECT_FALSE(queue.BB_SendFiles->isEnabled());
    EXPECT_FALSE(queue.N_Delete->isEnabled());
    EXPECT_TRUE(queue.BB_Close->isEnabled());

    // Go to on a download entry: CWD to its directory, the file selected.
    queue.load({{QStringLiteral("/x.txt"), l, false, false}});
    queue.LV_Queue->topLevelItem(0)->setSelected(true);
    queue.BB_GotoClick();
    EXPECT_EQ(w.commands(QStringLiteral("CWD")).last(), QStringLiteral("/"));
    ASSERT_TRUE(w.f->form()->RFileListBox->currentItem());
    EXPECT_EQ(w.f->form()->RFileListBox->currentItem()->text(), QStringLiteral("x.txt"));
}

// ---- the host search --------------------------------------------------------------------

namespace {

// /찾기/a.txt  가.bin
// /찾기/자료/b.txt
// /찾기/자료/깊은/c.txt
// /찾기/자료/깊은/셋째/d.TXT  e.sh
// /찾기/잠긴/x.txt      (refuses CWD or LIST)
// /찾기/하나/f.txt  run.txt (executable)
void makeSearchTree(const QString &h)
{
    write(h + QStringLiteral("/찾기/a.txt"), "a");
    write(h + QStringLiteral("/찾기/가.bin"), "b");
    write(h + QStringLiteral("/찾기/자료/b.txt"), "b");
    write(h + QStringLiteral("/찾기/자료/깊은/c.txt"), "c");
    write(h + QStringLiteral("/찾기/자료/깊은/셋째/d.TXT"), "d");
    write(h + QStringLiteral("/찾기/자료/깊은/셋째/e.sh"), "e", true);
    write(h + QStringLiteral("/찾기/잠긴/x.txt"), "x");
    write(h + QStringLiteral("/찾기/하나/f.txt"), "f");
    write(h + QStringLiteral("/찾기/하나/run.txt"), "r", true);
}

// Whether a sequence of directories is a depth-first walk from its first one:
// each next directory is a child of the current one or of one of its ancestors.
bool depthFirst(const QStringList &dirs)
{
    for (qsizetype i = 1; i < dirs.size(); ++i) {
        const QString parent = dirs[i].left(dirs[i].lastIndexOf(QLatin1Char('/')));
        if (!(dirs[i - 1] + QLatin1Char('/')).startsWith(parent + QLatin1Char('/')))
            return false;
        // Never back into a subtree already left.
        for (qsizetype k = 0; k < i; ++k)
            if (dirs[k] == dirs[i])
                return false;
    }
    return true;
}

} // namespace

TEST(HostSearch, DepthFirstWithCountersSkipsARefusingDirectoryStopsAndGoesTo)
{
    for (Server kind : {Server::Pyftpdlib, Server::Vsftpd}) {
        SCOPED_TRACE(nameOf(kind));
        kavtest::ScratchDir home;
        const QString h = q(home.path());
        makeSearchTree(h);
        if (kind == Server::Vsftpd)   // the server works as an ordinary user: no way in
            ::chmod(QFile::encodeName(h + QStringLiteral("/찾기/잠긴")).constData(), 0);
        Peer peer;
        ASSERT_TRUE(peer.start(kind, home.path(), [&](kavtest::FtpServer &s) {
            // May be entered but not listed.
            s.overridePerm("kim", (h + QStringLiteral("/찾기/잠긴")).toStdString(), "e");
        }));
        Window w;
        w.connect(QStringLiteral("찾기 시험 ") + QLatin1String(nameOf(kind)));
        TFindRForm &find = w.lists().findHost();
        find.FormActivate();
        EXPECT_EQ(find.CB_FindFile->currentText(), QStringLiteral("*"));
        find.CB_FindFile->setEditText(QStringLiteral("*.txt"));
        find.E_FindDir->setText(QStringLiteral("/찾기"));
        w.lines.clear();
        find.B_RunClick();

        const QStringList visited = w.commands(QStringLiteral("CWD"));
        EXPECT_EQ(visited.first(), QStringLiteral("/찾기"));
        EXPECT_TRUE(depthFirst(visited)) << visited.join(' ').toStdString();
        QStringList sortedVisits = visited;
        sortedVisits.sort();
        EXPECT_EQ(sortedVisits, (QStringList{QStringLiteral("/찾기"), QStringLiteral("/찾기/자료"),
                                             QStringLiteral("/찾기/자료/깊은"), QStringLiteral("/찾기/자료/깊은/셋째"),
                                             QStringLiteral("/찾기/잠긴"), QStringLiteral("/찾기/하나")}));
        // One listing per directory that let the walk in (vsftpd refuses 잠긴 at
        // CWD): LIST from vsftpd, MLSD from pyftpdlib, which offers it.
        EXPECT_EQ(w.lines.count(kind == Server::Vsftpd ? QStringLiteral("[L] - LIST") : QStringLiteral("[L] - MLSD")),
                  kind == Server::Vsftpd ? 5 : 6);
        EXPECT_EQ(find.L_Reading->text(), QStringLiteral("6"));
        EXPECT_EQ(find.L_Finded->text(), QStringLiteral("6"));
        QStringList expected = {QStringLiteral("/찾기/a.txt"), QStringLiteral("/찾기/자료/b.txt"),
                                QStringLiteral("/찾기/자료/깊은/c.txt"), QStringLiteral("/찾기/자료/깊은/셋째/d.TXT"),
                                QStringLiteral("/찾기/하나/f.txt"), QStringLiteral("/찾기/하나/run.txt")};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(find.results(), expected);
        for (int i = 0; i < find.LB_Result->count(); ++i) {
            const bool exe = find.LB_Result->item(i)->text().endsWith(QStringLiteral("run.txt"));
            EXPECT_EQ(find.LB_Result->item(i)->data(Qt::UserRole + 2).toString(),
                      exe ? QStringLiteral("B") : QStringLiteral("A"));
        }
        // The refusing directory was skipped with its reply in the log, and the walk went on.
        const qsizetype locked = w.lines.indexOf(QStringLiteral("[L] - CWD /찾기/잠긴"));
        ASSERT_GE(locked, 0);
        const QString refusal = kind == Server::Vsftpd ? w.lines.value(locked + 1) : w.lines.value(locked + 5);
        EXPECT_TRUE(refusal.startsWith(QStringLiteral("[H] - 550"))) << w.lines.mid(locked, 6).join('\n').toStdString();
        EXPECT_TRUE(find.B_AddQueue->isEnabled());
        EXPECT_FALSE(find.B_Stop->isEnabled());

        // Results go to the queue and the bookmarks with their letters.
        for (int i = 0; i < find.LB_Result->count(); ++i)
            find.LB_Result->item(i)->setSelected(find.LB_Result->item(i)->text().contains(QStringLiteral("하나")));
        find.B_AddQueueClick();
        find.B_AddBookmarkClick();
        const QList<QueueEntry> queued = w.lists().queueForm().entries();
        ASSERT_EQ(queued.size(), 2);
        EXPECT_EQ(queued[0].fileName, QStringLiteral("/찾기/하나/f.txt"));
        EXPECT_FALSE(queued[0].upload);
        EXPECT_FALSE(queued[0].binary);
        EXPECT_TRUE(queued[1].binary);
        EXPECT_EQ(w.lists().hostBookmarks().entries(),
                  (QList<HostBookmark>{{QStringLiteral("/찾기/하나/f.txt"), false}, {QStringLiteral("/찾기/하나/run.txt"), true}}));

        // Stop as the first result comes in: the walk ends after that listing and
        // the server is back in the directory the search started from at once.
        w.lines.clear();
        bool stopped = false;
        QObject::connect(find.LB_Result->model(), &QAbstractItemModel::rowsInserted, &find, [&] {
            if (!stopped && find.B_Stop->isEnabled()) {
                stopped = true;
                find.B_StopClick();
            }
        });
        find.B_RunClick();
        ASSERT_TRUE(stopped);
        const QStringList afterStop = w.commands(QStringLiteral("CWD"));
        ASSERT_GE(afterStop.size(), 2);
        EXPECT_EQ(afterStop.last(), QStringLiteral("/"));
        EXPECT_LT(find.L_Reading->text().toInt(), 6);
        EXPECT_GE(find.results().size(), 1);
        EXPECT_LT(find.results().size(), 6);
        EXPECT_EQ(w.f->session().command(QStringLiteral("PWD")).code, 257);
        EXPECT_TRUE(w.lines.last().contains(QStringLiteral("\"/\""))) << w.lines.last().toStdString();
        QObject::disconnect(find.LB_Result->model(), nullptr, &find, nullptr);

        // Go to from the opened window: CWD to the result's directory, the file selected.
        QTimer::singleShot(0, &find, [&] {
            find.CB_FindFile->setEditText(QStringLiteral("c.*"));
            find.E_FindDir->setText(QStringLiteral("/찾기"));
            find.B_RunClick();
            ASSERT_EQ(find.results(), QStringList{QStringLiteral("/찾기/자료/깊은/c.txt")});
            find.LB_Result->setCurrentRow(0);
            find.B_GotoDirClick();
        });
        w.lines.clear();
        find.RBfindfileClick();
        EXPECT_FALSE(find.isVisible());
        EXPECT_EQ(w.commands(QStringLiteral("CWD")).last(), QStringLiteral("/찾기/자료/깊은/"));
        EXPECT_EQ(w.f->form()->CB_CurName->currentText(), QStringLiteral("/찾기/자료/깊은"));
        ASSERT_TRUE(w.f->form()->RFileListBox->currentItem());
        EXPECT_EQ(w.f->form()->RFileListBox->currentItem()->text(), QStringLiteral("c.txt"));
        EXPECT_TRUE(w.f->form()->RFileListBox->currentItem()->isSelected());

        // A malformed mask is refused before anything is sent.
        w.lines.clear();
        scripted().clear();
        find.CB_FindFile->setEditText(QStringLiteral("[a-c*.zip"));
        find.B_RunClick();
        EXPECT_EQ(scripted().messageTexts(), QStringList{QStringLiteral("'[a-c*.zip' is an invalid mask at (1)")});
        EXPECT_TRUE(w.commands(QStringLiteral("CWD")).isEmpty());
        EXPECT_EQ(items(find.LB_Result), QStringList{TFindForm::NothingFound});
        EXPECT_FALSE(find.B_AddQueue->isEnabled());
    }
}

// ---- local names that are not UTF-8 ------------------------------------------------------

// Files named in code page 949 (an old Korean archive) or in bytes of no encoding,
// and a folder so named: the local search finds and enters them, the list windows
// take them from a file manager's drop, and a drop on the main window sends each
// file to the server under its own bytes.
TEST(ForeignLocalNames, FoundDroppedListedAndSentByTheirBytes)
{
    kavtest::ScratchDir home, local;
    const QByteArray l = QByteArray::fromStdString(local.path());
    const QString shownRoot = QString::fromUtf8(l);
    const QByteArray korean = "/\xc7\xd1\xb1\xdb.txt";   // 한글.txt
    const QByteArray stray = "/x\xe9.txt";
    const QByteArray folder = "/\xc0\xda\xb7\xe1";        // 자료
    const QByteArray deep = folder + "/d\xfe.txt";
    ASSERT_EQ(::mkdir((l + folder).constData(), 0755), 0);
    for (const QByteArray &file : {korean, stray, deep}) {
        const int fd = ::open((l + file).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, file.constData(), size_t(file.size())), file.size());
        ::close(fd);
    }
    const auto path = [&](const QByteArray &p) { return localpath::decode(l + p); };
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path()).setNames(kavtest::FtpServer::Names::RawBytes);
    ASSERT_TRUE(server.start());
    Window w;
    // The tools and local bookmarks outlive the window in the settings: the next test starts without these.
    struct Forget {
        ListsBridge &lists;
        ~Forget()
        {
            lists.toolsForm().load({});
            lists.localBookmarks().load({});
            lists.queueForm().load({});
        }
    } forget{w.lists()};
    w.connect(QStringLiteral("외국 이름"));

    // The search: every file found by its path, shown decoded, into the queue as found.
    TFindLForm &find = w.lists().findLocal();
    find.FormActivate();
    find.CB_FindFile->setEditText(QStringLiteral("*.txt"));
    find.E_FindDir->setText(shownRoot);
    find.B_RunClick();
    EXPECT_EQ(find.results(), (QStringList{path(stray), path(deep), path(korean)}));
    EXPECT_EQ(items(find.LB_Result), (QStringList{shownRoot + QStringLiteral("/x\\xE9.txt"),
                                                  shownRoot + QStringLiteral("/자료/d\\xFE.txt"),
                                                  shownRoot + QStringLiteral("/한글.txt")}));
    EXPECT_EQ(find.L_Reading->text(), QStringLiteral("2"));
    EXPECT_EQ(find.L_Finded->text(), QStringLiteral("3"));
    TQueueForm &queue = w.lists().queueForm();
    for (int i = 0; i < find.LB_Result->count(); ++i)
        find.LB_Result->item(i)->setSelected(true);
    find.B_AddQueueClick();
    EXPECT_EQ(queueFiles(queue), (QStringList{path(stray), path(deep), path(korean)}));

    // From the foreign folder the local pane shows: the field shows it decoded, the
    // walk starts in it, and Go to selects the file there.
    ASSERT_TRUE(w.f->localPaneOf()->setDirectory(path(folder)));
    find.E_FindDir->clear();
    find.B_RunClick();
    EXPECT_EQ(find.E_FindDir->text(), shownRoot + QStringLiteral("/자료"));
    EXPECT_EQ(find.results(), QStringList{path(deep)});
    find.LB_Result->setCurrentRow(0);
    find.B_GotoDirClick();
    ASSERT_NE(w.f->form()->LFileListBox->currentItem(), nullptr);
    EXPECT_EQ(w.f->form()->LFileListBox->currentItem()->text(), QStringLiteral("d\\xFE.txt"));

    // Dropped as a file manager sends them: files taken, the folder not.
    const QByteArrayList dropped = {l + korean, l + folder, l + stray};
    queue.load({});
    queue.show();
    EXPECT_TRUE(dropFilesByBytes(&queue, dropped));
    EXPECT_EQ(queueFiles(queue), (QStringList{path(korean), path(stray)}));
    EXPECT_EQ(queue.LV_Queue->topLevelItem(0)->text(0), shownRoot + QStringLiteral("/한글.txt"));
    queue.reject();
    TToolsForm &tools = w.lists().toolsForm();
    tools.show();
    EXPECT_TRUE(dropFilesByBytes(&tools, dropped));
    EXPECT_EQ(tools.entries(), (QStringList{path(korean), path(stray)}));
    tools.close();
    TBookmarkLForm &marks = w.lists().localBookmarks();
    marks.show();
    EXPECT_TRUE(dropFilesByBytes(&marks, dropped));
    EXPECT_EQ(marks.texts(), (QStringList{path(korean), path(stray)}));
    EXPECT_EQ(items(marks.LB_BookMark), (QStringList{shownRoot + QStringLiteral("/한글.txt"),
                                                    shownRoot + QStringLiteral("/x\\xE9.txt")}));
    // Go to finds the file there and selects it.
    scripted().clear();
    marks.LB_BookMark->setCurrentRow(0);
    marks.BB_GotoClick();
    EXPECT_TRUE(scripted().messageTexts().isEmpty()) << scripted().messageTexts().join('\n').toStdString();
    EXPECT_EQ(w.f->localPaneOf()->currentDirectory(), localpath::decode(l));
    ASSERT_NE(w.f->form()->LFileListBox->currentItem(), nullptr);
    EXPECT_EQ(w.f->form()->LFileListBox->currentItem()->text(), QStringLiteral("한글.txt"));

    // Dropped on the main window: each file goes to the server under its own bytes.
    w.f->form()->N_RDropFiles->setChecked(true);
    EXPECT_TRUE(dropFilesByBytes(w.f.get(), dropped));
    const QByteArray h = QByteArray::fromStdString(home.path());
    for (const QByteArray &file : {korean, stray}) {
        QFile sent;
        EXPECT_TRUE(localpath::open(sent, localpath::decode(h + file), QIODevice::ReadOnly) && sent.readAll() == file)
            << file.toHex().toStdString() << " did not arrive\n" << w.lines.join('\n').toStdString();
    }
    EXPECT_FALSE(localpath::status(localpath::decode(h + folder)).exists);
}

// ---- windows without a server -------------------------------------------------------------

TEST(LocalLists, DropsGoToAndSubjects)
{
    kavtest::ScratchDir local;
    const QString l = q(local.path());
    for (const char *name : {"/편집기", "/보기.sh", "/셋째.bin"})
        write(l + QString::fromUtf8(name), "#!/bin/sh\n", true);
    QDir().mkpath(l + QStringLiteral("/폴더"));
    Window w;

    // Not connected: the queue and host bookmark windows do not open.
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        for (QDialog *d : std::initializer_list<QDialog *>{&w.lists().queueForm(), &w.lists().hostBookmarks()})
            if (d->isVisible())
                d->reject();
    });
    guard.start(50);
    w.f->show();
    w.f->form()->RBqueue->click();
    w.f->form()->RBbookmark->click();
    EXPECT_FALSE(w.lists().queueForm().isVisible());
    EXPECT_FALSE(w.lists().hostBookmarks().isVisible());
    EXPECT_TRUE(w.f->isVisible()) << "the main window stays when nothing opens";
    guard.stop();

    // The local pane's menu: nothing selected is logged; a selected file is added.
    w.f->localPaneOf()->setDirectory(l);
    w.f->refreshLocalPane();
    QListWidget *localFiles = w.f->form()->LFileListBox;
    localFiles->clearSelection();
    for (QAction *item : {w.f->form()->N_LAddQueue, w.f->form()->N_LAddBookmark, w.f->form()->N_LAddTool}) {
        w.lines.clear();
        item->trigger();
        EXPECT_EQ(w.lines, QStringList{QStringLiteral("[L] - 먼저 파일을 선택하세요.")}) << item->objectName().toStdString();
    }
    const auto editor = localFiles->findItems(QStringLiteral("편집기"), Qt::MatchExactly);
    ASSERT_FALSE(editor.isEmpty());
    editor.first()->setSelected(true);
    w.f->form()->N_LAddTool->trigger();
    EXPECT_EQ(w.lists().toolsForm().entries(), QStringList{l + QStringLiteral("/편집기")});
    w.lists().toolsForm().load({});

    // Tools: three files dropped (the folder is not), no duplicates.
    TToolsForm &tools = w.lists().toolsForm();
    tools.show();
    const QStringList three = {l + QStringLiteral("/편집기"), l + QStringLiteral("/폴더"), l + QStringLiteral("/보기.sh"),
                               l + QStringLiteral("/셋째.bin")};
    EXPECT_TRUE(dropFiles(&tools, three));
    EXPECT_TRUE(dropFiles(&tools, three));
    EXPECT_EQ(tools.entries(), (QStringList{l + QStringLiteral("/편집기"), l + QStringLiteral("/보기.sh"),
                                            l + QStringLiteral("/셋째.bin")}));
    EXPECT_EQ(tools.LB_ToolMark->count(), 3);
    EXPECT_TRUE(tools.BB_Run->isEnabled());
    // Escape closes the window as on any desktop.
    QTest::keyClick(&tools, Qt::Key_Escape);
    EXPECT_FALSE(tools.isVisible());
    // After closing, drops are no longer taken.
    write(l + QStringLiteral("/넷째"), "4");
    EXPECT_FALSE(dropFiles(&tools, {l + QStringLiteral("/넷째")}));
    EXPECT_EQ(tools.entries().size(), 3);

    // Local bookmarks: the same drop, then Go to on an entry whose file is gone.
    TBookmarkLForm &marks = w.lists().localBookmarks();
    marks.show();
    EXPECT_TRUE(dropFiles(&marks, three));
    ASSERT_EQ(marks.texts().size(), 3);
    QFile::remove(l + QStringLiteral("/보기.sh"));
    for (int i = 0; i < 3; ++i)
        marks.LB_BookMark->item(i)->setSelected(true);
    marks.LB_BookMark->setCurrentRow(1, QItemSelectionModel::NoUpdate);
    scripted().clear();
    marks.BB_GotoClick();
    EXPECT_EQ(scripted().messageTexts(), QStringList{QStringLiteral("[알 림]\r\n선택한 파일이 디렉토리에 없습니다")});
    EXPECT_EQ(marks.texts(), (QStringList{l + QStringLiteral("/편집기"), l + QStringLiteral("/셋째.bin")}));
    EXPECT_TRUE(marks.isVisible());

    // A subject before the current entry, renamed with the mark kept.
    marks.LB_BookMark->setCurrentRow(1);
    scripted().pushAccept(QStringLiteral("  도구들  "));
    marks.BB_SubjectClick();
    EXPECT_EQ(marks.texts(), (QStringList{l + QStringLiteral("/편집기"), QStringLiteral("▶ 도구들"),
                                          l + QStringLiteral("/셋째.bin")}));
    EXPECT_EQ(marks.LB_BookMark->currentRow(), 2);
    marks.LB_BookMark->setCurrentRow(1);
    scripted().pushAccept(QStringLiteral("실행 도구"));
    marks.BB_SubjectClick();
    EXPECT_EQ(marks.texts().value(1), QStringLiteral("▶ 실행 도구"));
    ASSERT_FALSE(scripted().asked.empty());
    EXPECT_EQ(scripted().asked.back().caption, QStringLiteral("제목명 변경(Rename)"));
    EXPECT_EQ(scripted().asked.back().text, QStringLiteral("제목명: 도구들"));

    // Go to on a file that exists: the local pane moves there and selects it.
    marks.LB_BookMark->setCurrentRow(2);
    marks.BB_GotoClick();
    EXPECT_FALSE(marks.isVisible());
    EXPECT_EQ(QDir(w.f->localPaneOf()->currentDirectory()).canonicalPath(), QDir(l).canonicalPath());
    ASSERT_NE(w.f->form()->LFileListBox->currentItem(), nullptr);
    EXPECT_EQ(w.f->form()->LFileListBox->currentItem()->text(), QStringLiteral("셋째.bin"));

    // Local search of the same folder, added to the bookmarks (no duplicates).
    TFindLForm &find = w.lists().findLocal();
    find.FormActivate();
    find.CB_FindFile->setEditText(QStringLiteral("*.*"));
    find.E_FindDir->setText(l);
    find.show();
    // Enter in the pattern field starts the search.
    QTest::keyClick(find.CB_FindFile, Qt::Key_Return);
    EXPECT_EQ(find.results(), (QStringList{l + QStringLiteral("/넷째"), l + QStringLiteral("/셋째.bin"),
                                           l + QStringLiteral("/편집기")}));
    EXPECT_EQ(find.L_Reading->text(), QStringLiteral("2"));
    EXPECT_EQ(find.L_Finded->text(), QStringLiteral("3"));
    for (int i = 0; i < find.LB_Result->count(); ++i)
        find.LB_Result->item(i)->setSelected(true);
    find.B_AddBookmarkClick();
    find.reject();
    EXPECT_EQ(marks.texts(), (QStringList{l + QStringLiteral("/편집기"), QStringLiteral("▶ 실행 도구"),
                                          l + QStringLiteral("/셋째.bin"), l + QStringLiteral("/넷째")}));
}

TEST(LocalLists, ClosingAListWindowShowsTheMainWindowAndNeverEndsTheProgram)
{
    Window w;
    w.f->show();
    int lastClosed = 0;
    QObject::connect(qApp, &QGuiApplication::lastWindowClosed, w.f.get(), [&] { ++lastClosed; });
    // The tools window hides the main window while it is shown; its close box brings it back.
    w.lists().toolsForm().LBtoolsClick();
    EXPECT_FALSE(w.f->isVisible());
    EXPECT_TRUE(w.lists().toolsForm().isVisible());
    w.lists().toolsForm().close();
    EXPECT_TRUE(w.f->isVisible());
    // A modal list window closed by its close box while the main window is hidden.
    w.f->hide();
    QTimer::singleShot(50, w.f.get(), [&] { w.lists().localBookmarks().close(); });
    w.lists().localBookmarks().exec();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.f->isVisible());
    EXPECT_EQ(lastClosed, 0);
}

TEST(LocalLists, ToolsStartProgramsWithAndWithoutArguments)
{
    kavtest::ScratchDir scratch;
    const QString d = q(scratch.path());
    // A program that writes what it was given beside itself.
    write(d + QStringLiteral("/기록 도구"),
          "#!/bin/sh\nprintf '%s|' \"$@\" > \"$(dirname \"$0\")/ran.txt\"\n", true);
    Window w;
    TToolsForm &tools = w.lists().toolsForm();
    ASSERT_EQ(tools.AddTool(d + QStringLiteral("/기록 도구")), AddOutcome::Added);
    tools.LBtoolsClick();
    tools.LB_ToolMark->setCurrentRow(0);
    tools.BB_RunClick();
    EXPECT_FALSE(tools.isVisible()) << "the window closes once the program starts";
    EXPECT_TRUE(kavtest::waitUntil([&] { return QFile::exists(d + QStringLiteral("/ran.txt")); }, 5000));
    EXPECT_TRUE(kavtest::waitUntil([&] { return readAll(d + QStringLiteral("/ran.txt")) == QStringLiteral("|"); }, 2000))
        << readAll(d + QStringLiteral("/ran.txt")).toStdString();
    QFile::remove(d + QStringLiteral("/ran.txt"));

    // Arguments given with 매개변수: the program and its words, never a shell.
    tools.LB_ToolMark->setCurrentRow(0);
    scripted().clear();
    scripted().pushAccept(QStringLiteral("\"") + d + QStringLiteral("/기록 도구\" \"두 단어\" $HOME;x"));
    tools.BB_ArgumentClick();
    ASSERT_FALSE(scripted().asked.empty());
    EXPECT_EQ(scripted().asked.back().caption, QStringLiteral("매개변수 변경"));
    EXPECT_EQ(scripted().asked.back().text, QStringLiteral("등록정보: ") + d + QStringLiteral("/기록 도구"));
    tools.LB_ToolMark->setCurrentRow(0);
    tools.BB_RunClick();
    EXPECT_TRUE(kavtest::waitUntil([&] { return readAll(d + QStringLiteral("/ran.txt")) == QStringLiteral("두 단어|$HOME;x|"); }, 5000))
        << readAll(d + QStringLiteral("/ran.txt")).toStdString();
    QFile::remove(d + QStringLiteral("/ran.txt"));

    // A program named in code page 949 bytes starts with its arguments too.
    const QByteArray foreign = QFile::encodeName(d) + "/\xc7\xd1\xb1\xdb";
    ASSERT_EQ(::symlink(QFile::encodeName(d + QStringLiteral("/기록 도구")).constData(), foreign.constData()), 0);
    ASSERT_EQ(tools.AddTool(localpath::decode(foreign)), AddOutcome::Added);
    tools.LBtoolsClick();
    tools.LB_ToolMark->setCurrentRow(1);
    scripted().clear();
    scripted().pushAccept(d + QStringLiteral("/한글 셋"));
    tools.BB_ArgumentClick();
    tools.LB_ToolMark->setCurrentRow(1);
    tools.BB_RunClick();
    EXPECT_TRUE(kavtest::waitUntil([&] { return readAll(d + QStringLiteral("/ran.txt")) == QStringLiteral("셋|"); }, 5000))
        << readAll(d + QStringLiteral("/ran.txt")).toStdString();
}

// A tool in a folder with a blank, its arguments quoted as in a shell: the argument box
// offers the path quoted, words in quotes arrive whole, and a tool that cannot start is
// reported (the window stays open).
TEST(LocalLists, ToolsWithBlanksStartAndAFailureIsReported)
{
    kavtest::ScratchDir scratch;
    const QString d = q(scratch.path()) + QStringLiteral("/내 도구");
    ASSERT_TRUE(QDir().mkpath(d));
    const QString program = d + QStringLiteral("/인자 기록.sh");
    write(program, "#!/bin/sh\nprintf '%s|' \"$@\" > \"$(dirname \"$0\")/ran.txt\"\n", true);
    Window w;
    TToolsForm &tools = w.lists().toolsForm();
    ASSERT_EQ(tools.AddTool(program), AddOutcome::Added);
    tools.LBtoolsClick();
    tools.LB_ToolMark->setCurrentRow(0);
    scripted().clear();
    scripted().pushAccept(shellQuoted(program) + QStringLiteral(" 'two  words' \"it's\" arg"));
    tools.BB_ArgumentClick();
    ASSERT_FALSE(scripted().asked.empty());
    EXPECT_EQ(scripted().asked.back().value, QLatin1Char('\'') + program + QLatin1Char('\''));
    tools.LB_ToolMark->setCurrentRow(0);
    tools.BB_RunClick();
    EXPECT_TRUE(scripted().messageTexts().isEmpty()) << scripted().messageTexts().join('|').toStdString();
    EXPECT_TRUE(kavtest::waitUntil([&] { return readAll(d + QStringLiteral("/ran.txt")) == QStringLiteral("two  words|it's|arg|"); }, 5000))
        << readAll(d + QStringLiteral("/ran.txt")).toStdString();
    QFile::remove(d + QStringLiteral("/ran.txt"));

    // An entry stored unquoted before: the path with its blank still starts.
    ASSERT_EQ(tools.AddTool(program + QStringLiteral(" old")), AddOutcome::Added);
    tools.LBtoolsClick();
    tools.LB_ToolMark->setCurrentRow(1);
    tools.BB_RunClick();
    EXPECT_TRUE(kavtest::waitUntil([&] { return readAll(d + QStringLiteral("/ran.txt")) == QStringLiteral("old|"); }, 5000))
        << readAll(d + QStringLiteral("/ran.txt")).toStdString();

    // A program that is not there: said so, and the window stays.
    ASSERT_EQ(tools.AddTool(QStringLiteral("'") + d + QStringLiteral("/없는 도구.sh' arg")), AddOutcome::Added);
    tools.LBtoolsClick();
    tools.LB_ToolMark->setCurrentRow(2);
    scripted().clear();
    tools.BB_RunClick();
    EXPECT_EQ(scripted().messageTexts(),
              QStringList{QStringLiteral("도구 '") + d + QStringLiteral("/없는 도구.sh' 을(를) 실행할 수 없습니다.")});
    EXPECT_TRUE(tools.isVisible());
    tools.close();
}

// A search of many matches shows its results while it runs, ends with all of them sorted,
// and Stop ends it at once. (Its speed is printed, not asserted.)
TEST(LocalLists, FindFileShowsManyResultsAsTheyComeAndStopsAtOnce)
{
    kavtest::ScratchDir scratch;
    const QString root = q(scratch.path());
    constexpr int Folders = 40, PerFolder = 500;
    for (int d = 0; d < Folders; ++d) {
        const QString dir = root + QStringLiteral("/폴더%1").arg(d, 2, 10, QLatin1Char('0'));
        ASSERT_TRUE(QDir().mkpath(dir));
        for (int i = 0; i < PerFolder; ++i) {
            QFile f(dir + QStringLiteral("/파일%1.txt").arg(i, 4, 10, QLatin1Char('0')));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }
    Window w;
    TFindLForm &find = w.lists().findLocal();
    find.FormActivate();
    find.CB_FindFile->setEditText(QStringLiteral("*.*"));
    find.E_FindDir->setText(root);
    find.CB_ExtendFind->setChecked(true);
    find.show();

    int shownWhileRunning = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (find.B_Stop->isEnabled())
            shownWhileRunning = std::max(shownWhileRunning, find.LB_Result->count());
    });
    watch.start(20);
    QElapsedTimer clock;
    clock.start();
    find.B_RunClick();
    const qint64 whole = clock.elapsed();
    watch.stop();
    std::printf("[ measured ] %d matches found in %lld ms\n", Folders * PerFolder, whole);
    EXPECT_EQ(find.LB_Result->count(), Folders * PerFolder);
    EXPECT_EQ(find.L_Finded->text(), QString::number(Folders * PerFolder));
    EXPECT_GT(shownWhileRunning, 0) << "the list stayed blank until the end";
    EXPECT_EQ(find.results().first(), root + QStringLiteral("/폴더00/파일0000.txt"));
    EXPECT_EQ(find.results().last(), root + QStringLiteral("/폴더39/파일0499.txt"));

    // Stop as soon as some results show: the walk ends at once, its results stay.
    qint64 pressedAt = -1, endedAt = -1;
    QObject::disconnect(&watch, nullptr, nullptr, nullptr);
    find.LB_Result->clear();
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (pressedAt < 0 && find.B_Stop->isEnabled() && find.LB_Result->count() > 0) {
            pressedAt = clock.elapsed();
            QTest::mouseClick(find.B_Stop, Qt::LeftButton);
        }
    });
    watch.start(5);
    clock.restart();
    find.B_RunClick();
    endedAt = clock.elapsed();
    watch.stop();
    ASSERT_GE(pressedAt, 0);
    std::printf("[ measured ] Stop answered in %lld ms\n", endedAt - pressedAt);
    EXPECT_LT(find.LB_Result->count(), Folders * PerFolder);
    EXPECT_GT(find.LB_Result->count(), 0);
    EXPECT_TRUE(find.B_Run->isEnabled());
    EXPECT_LT(endedAt - pressedAt, 1000) << "Stop was not answered";
    find.reject();
}

// At its design size the queue window shows all three columns, the type one included.
TEST(LocalLists, TheQueuesTypeColumnIsInSight)
{
    Window w;
    TQueueForm &queue = w.lists().queueForm();
    queue.show();
    QCoreApplication::processEvents();
    QHeaderView *header = queue.LV_Queue->header();
    const int viewport = queue.LV_Queue->viewport()->width();
    EXPECT_LE(header->sectionPosition(2) + header->sectionSize(2), viewport);
    EXPECT_GE(header->sectionSize(2), 30);
    EXPECT_GE(header->sectionSize(0), 100);
    queue.close();
}
