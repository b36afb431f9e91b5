// A server that fails at any moment of any operation: the real main window
// against a scripted peer that hangs up, resets, cuts a reply short or falls
// silent exactly where a row says. Whatever happens, the program stays alive,
// says it once, ends the session as the disconnect button does, keeps a
// partial download for what it is and keeps the settings.

#include "ftp_server.h"
#include "reply_peer.h"
#include "patterned_bytes.h"
#include "sshd_server.h"
#include "wait_until.h"
#include "ui_main_form.h"

#include "app/composition.h"
#include "app/lists_bridge.h"
#include "app/main_form.h"
#include "app/message_log.h"
#include "app/settings_bridge.h"
#include "app/transfer_bridge.h"
#include "browse/host_pane.h"
#include "config/configuration.h"
#include "config/find_forms.h"
#include "config/queue_form.h"
#include "ftp/session.h"
#include "local/local_pane.h"
#include "platform/printer.h"
#include "platform/scripted_dialogs.h"
#include "platform/winsock.h"
#include "transfer/trans_form.h"
#include "viewers/hex_form.h"
#include "viewers/print_form.h"
#include "viewers/view_form.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <vector>

using namespace kav;

namespace {

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(dialogs()); }

// Where the server fails.
enum class Fault {
    CloseBeforeReply,       // the command arrives, the connection closes
    CloseMidReply,          // half a reply line, then the close
    CloseAfterPreliminary,  // 150, then the close, no data connection
    CloseMidData,           // the control connection goes while data still flows
    CloseAfterData,         // all the data, then the close instead of the 226
    Reset,                  // RST instead of the reply
    Silence,                // no reply at all, past the time limit
    IdleGoodbye,            // "421" and the close while nothing (or a window) waits
};

const char *nameOf(Fault f)
{
    switch (f) {
    case Fault::CloseBeforeReply: return "close before the reply";
    case Fault::CloseMidReply: return "close in the middle of a reply";
    case Fault::CloseAfterPreliminary: return "close after the 150";
    case Fault::CloseMidData: return "close in the middle of the data";
    case Fault::CloseAfterData: return "close after the data, before the 226";
    case Fault::Reset: return "reset";
    case Fault::Silence: return "silence past the time limit";
    case Fault::IdleGoodbye: return "421 and close while idle";
    }
    return "?";
}

bool isDataFault(Fault f)
{
    return f == Fault::CloseAfterPreliminary || f == Fault::CloseMidData || f == Fault::CloseAfterData;
}

const QByteArray HelloText = "hello world\n";
QByteArray bigData()
{
    QByteArray b(300000, '\0');
    for (int i = 0; i < b.size(); ++i)
        b[i] = char((i * 31 + 7) & 0xff);
    return b;
}

const QList<QByteArray> Listing = {
    "drwxr-xr-x   2 ftp      ftp          4096 Dec 10 03:04 sub\r\n"
    "-rw-r--r--   1 ftp      ftp            12 Dec 10 03:04 hello.txt\r\n"
    "-rw-r--r--   1 ftp      ftp        300000 Dec 10 03:04 data.bin\r\n"};

constexpr int TimeLimitSeconds = 2;

kavtest::ReplyPeer::DataReply dataReply(const QByteArray &preliminary, const QList<QByteArray> &data = {},
                                        const QByteArray &final = {}, int gapMs = 0, bool connectBack = true)
{
    kavtest::ReplyPeer::DataReply r;
    r.preliminary = preliminary;
    r.data = data;
    r.final = final;
    r.gapMs = gapMs;
    r.connectBack = connectBack;
    return r;
}

void selectHostFiles(Ui::TMainForm &ui, const QStringList &names)
{
    HostListView *files = ui.RFileListBox;
    files->clearSelection();
    for (const QString &name : names)
        for (const auto &item : files->findItems(name, Qt::MatchExactly)) {
            item->setSelected(true);
            files->setCurrentItem(item, QItemSelectionModel::Select);
        }
}

void selectLocalFile(Ui::TMainForm &ui, const QString &name)
{
    QListWidget *files = ui.LFileListBox;
    files->clearSelection();
    for (QListWidgetItem *item : files->findItems(name, Qt::MatchStartsWith)) {
        item->setSelected(true);
        files->setCurrentItem(item, QItemSelectionModel::Select);
    }
}

class Harness {
public:
    Harness()
    {
        peer.answerAsLoggedInServer("/");
        peer.on("NOOP", {"200 NOOP ok\r\n"});
        peer.on("RNFR", {"350 Ready for RNTO\r\n"});
        peer.on("RNTO", {"250 Renamed\r\n"});
        peer.on("DELE", {"250 Deleted\r\n"});
        peer.on("MKD", {"257 \"/newdir\" created\r\n"});
        peer.on("RMD", {"250 Removed\r\n"});
        peer.on("SITE CHMOD", {"200 SITE CHMOD ok\r\n"});
        peer.on("AUTH", {"500 AUTH not understood\r\n"});
        peer.onData("LIST", dataReply("150 Here comes the listing.\r\n", Listing, "226 Done.\r\n"));
        peer.onData("LIST -lai", dataReply("150 Here comes the listing.\r\n",
                                            {"  1234 -rw-r--r--   1 ftp ftp 12 Dec 10 03:04 hello.txt\r\n"},
                                            "226 Done.\r\n"));
        peer.onData("RETR hello.txt", dataReply("150 Opening (12 bytes).\r\n", {HelloText}, "226 Done.\r\n"));
        const QByteArray big = bigData();
        peer.onData("RETR data.bin", dataReply("150 Opening (300000 bytes).\r\n", {big.left(100000), big.mid(100000)},
                                                "226 Done.\r\n", 100));
        kavtest::ReplyPeer::DataReply store;
        store.preliminary = "150 Ok to send data.\r\n";
        store.final = "226 Stored.\r\n";
        store.receive = true;
        peer.onData("STOR", store);

        qputenv("KAVRIN_HOME", settingsHome.path().toUtf8());
        QFile up(local.filePath(QStringLiteral("up.bin")));
        up.open(QIODevice::WriteOnly);
        up.write(big);
        up.close();
        editor = settingsHome.filePath(QStringLiteral("editor.sh"));
        QFile script(editor);
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\nfor last; do :; done\nprintf 'edited\\n' >> \"$last\"\n");
        script.close();
        ::chmod(QFile::encodeName(editor).constData(), 0755);

        scripted().clear();
        f = std::make_unique<TMainForm>();
        f->FormActivate();
        f->setLogFile(settingsHome.filePath(QStringLiteral("log.txt")));
        SessionProfile start;
        start.LocalPath = local.path();
        f->enterLocalStartDirectory(start);
        // The settings as a user keeps them: the profile is stored.
        SessionProfile &p = f->profile();
        p.HostName = QStringLiteral("고장 시험");
        p.HostIP = QStringLiteral("127.0.0.1:") + QString::number(peer.port());
        p.UserId = QStringLiteral("kim");
        p.Password = QStringLiteral("secret");
        p.Timeout = TimeLimitSeconds;
        p.TrialTimes = 1;
        p.Editor = editor;
        p.LocalPath = local.path();
        f->settings().configuration().SaveSessionProfile(p);
    }
    ~Harness()
    {
        f.reset();
    }

    void connect()
    {
        f->connectFlow().BB_ConnectClick(false);
    }
    bool connected() const { return f->session().isConnected(); }

    Ui::TMainForm &ui() const { return *f->form(); }

    void selectHost(const QStringList &names) { selectHostFiles(ui(), names); }
    void selectLocal(const QString &name) { selectLocalFile(ui(), name); }

    QStringList log() const
    {
        QFile file(settingsHome.filePath(QStringLiteral("log.txt")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    kavtest::ReplyPeer peer;
    QTemporaryDir settingsHome, local;
    QString editor;
    std::unique_ptr<TMainForm> f;
};

// A window that an operation opens and waits on: closed once seen, after the
// idle fault (when the row has one) has struck while it was open.
class WindowCloser {
public:
    WindowCloser(Harness &h, bool idleFault)
        : h(h), idleFault(idleFault)
    {
        QObject::connect(&watch, &QTimer::timeout, [this] { look(); });
        watch.start(10);
    }
    bool struckInside = false;

private:
    void look()
    {
        QWidget *open = nullptr;
        if (TViewForm *viewer = h.f->viewForm(); viewer && viewer->isVisible())
            open = viewer;
        else if (auto *hex = qobject_cast<THexForm *>(QApplication::activeModalWidget()))
            open = hex;
        else if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                 dialog && !qobject_cast<TTransForm *>(dialog)
                 && dialog != static_cast<QWidget *>(h.f->printForm()) && dialog->isVisible())
            open = dialog;
        if (!open)
            return;
        if (idleFault && !struckInside) {
            struckInside = true;
            h.peer.sayAndHangUp("421 Timeout.\r\n");
            since.start();
            return;
        }
        if (idleFault && since.elapsed() < 300)
            return;
        if (auto *dialog = qobject_cast<QDialog *>(open))
            dialog->reject();
        else
            open->close();
    }

    Harness &h;
    bool idleFault;
    QTimer watch;
    QElapsedTimer since;
};

struct Operation {
    const char *name;
    QByteArray at;         // the command the fault strikes at
    bool data;             // the command has a data connection
    bool upload;           // ... that carries an upload
    bool opensWindow;      // a window stays open after the command (the idle fault strikes there)
    std::function<void(Harness &)> run;
    std::vector<Fault> only = {};   // the faults that make sense here, when not all of them
};

const Operation Operations[] = {
    {"login", "PASS", false, false, false, [](Harness &h) { h.connect(); }},
    {"listing", "LIST", true, false, false, [](Harness &h) { h.f->hostPaneOf()->RBrefreshClick(); }},
    {"download", "RETR data.bin", true, false, false,
     [](Harness &h) {
         h.selectHost({QStringLiteral("data.bin")});
         h.ui().N_RDownload->trigger();
     }},
    {"upload", "STOR", true, true, false,
     [](Harness &h) {
         h.selectLocal(QStringLiteral("up.bin"));
         h.ui().N_LUpload->trigger();
     }},
    {"batch", "RETR data.bin", true, false, false,
     [](Harness &h) {
         h.selectHost({QStringLiteral("hello.txt"), QStringLiteral("data.bin")});
         h.ui().N_RDownload->trigger();
     }},
    {"queue run", "RETR", true, false, false,
     [](Harness &h) {
         TQueueForm &queue = h.f->lists().queueForm();
         queue.AddQueueEntry(QStringLiteral("/hello.txt"), h.local.path(), false, false);
         queue.AddQueueEntry(QStringLiteral("/data.bin"), h.local.path(), true, false);
         for (int i = 0; i < queue.LV_Queue->topLevelItemCount(); ++i)
             queue.LV_Queue->topLevelItem(i)->setSelected(true);
         queue.BB_SendFilesClick();
     }},
    {"rename", "RNTO", false, false, false,
     [](Harness &h) {
         h.selectHost({QStringLiteral("hello.txt")});
         scripted().pushAccept(QStringLiteral("new.txt"));
         h.ui().N_RRename->trigger();
     }},
    {"delete", "DELE", false, false, false,
     [](Harness &h) {
         h.selectHost({QStringLiteral("hello.txt")});
         scripted().pushButton(BtnYes);
         h.ui().N_RDelete->trigger();
     }},
    {"make directory", "MKD", false, false, false,
     [](Harness &h) {
         scripted().pushAccept(QStringLiteral("newdir"));
         h.ui().N_RMakeDirectory->trigger();
     }},
    {"remove directory", "RMD", false, false, false,
     [](Harness &h) {
         for (int i = 0; i < h.ui().RDirListBox->count(); ++i)
             if (h.ui().RDirListBox->item(i)->text().contains(QLatin1String("sub")))
                 h.ui().RDirListBox->setCurrentRow(i);
         scripted().pushAccept(QStringLiteral("/sub"));
         scripted().pushButton(BtnYes);
         h.ui().N_RDeleteDirectory->trigger();
     }},
    {"permission window", "LIST -lai", true, false, true,
     [](Harness &h) {
         h.selectHost({QStringLiteral("hello.txt")});
         h.ui().N_RChangeMode->trigger();
     }},
    {"host view", "RETR hello.txt", true, false, true,
     [](Harness &h) {
         h.selectHost({QStringLiteral("hello.txt")});
         h.ui().N_RView->trigger();
     }},
    {"host edit, download", "RETR hello.txt", true, false, false,
     [](Harness &h) {
         h.selectHost({QStringLiteral("hello.txt")});
         scripted().pushButton(BtnYes);
         h.ui().N_REdit->trigger();
     }},
    {"host edit, upload", "STOR", true, true, false,
     [](Harness &h) {
         h.selectHost({QStringLiteral("hello.txt")});
         scripted().pushButton(BtnYes);
         h.ui().N_REdit->trigger();
     }},
    {"host hex view", "RETR data.bin", true, false, true,
     [](Harness &h) {
         h.selectHost({QStringLiteral("data.bin")});
         h.ui().N_RHexview->trigger();
     }},
    {"host print", "RETR hello.txt", true, false, false,
     [](Harness &h) {
         h.selectHost({QStringLiteral("hello.txt")});
         h.ui().N_RPrint->trigger();
     }},
    {"host search", "LIST", true, false, false,
     [](Harness &h) {
         TFindRForm &find = h.f->lists().findHost();
         find.FormActivate();
         find.CB_FindFile->setEditText(QStringLiteral("*.txt"));
         find.E_FindDir->setText(QStringLiteral("/"));
         find.B_RunClick();
     }},
    // Over TLS: the faults strike at AUTH TLS and in the handshake after its 234.
    {"TLS handshake", "AUTH", true, false, false,
     [](Harness &h) {
         h.f->profile().Connection.Encryption = Security::Tls;
         h.connect();
     },
     {Fault::CloseBeforeReply, Fault::CloseMidReply, Fault::CloseAfterPreliminary, Fault::Reset, Fault::Silence}},
};

// Sets the peer up to fail at `at` the way `fault` says.
void arm(kavtest::ReplyPeer &peer, const Operation &op, Fault fault)
{
    const QByteArray &at = op.at;
    if (at == "AUTH") {
        switch (fault) {
        case Fault::CloseMidReply:
            peer.cutOn(at, "234 Pro");
            return;
        case Fault::CloseAfterPreliminary:   // the close comes in the handshake
            peer.cutOn(at, "234 Proceed with negotiation.\r\n");
            return;
        case Fault::Silence:   // the handshake never answers
            peer.on(at, {"234 Proceed with negotiation.\r\n"});
            return;
        default:
            break;
        }
    }
    using DataReply = kavtest::ReplyPeer::DataReply;
    const QByteArray big = bigData();
    const QList<QByteArray> whole = op.at.startsWith("LIST -lai")
        ? QList<QByteArray>{"  1234 -rw-r--r--   1 ftp ftp 12 Dec 10 03:04 hello.txt\r\n"}
        : op.at.startsWith("LIST") ? Listing
        : op.at == "RETR hello.txt" ? QList<QByteArray>{HelloText}
                                    : QList<QByteArray>{big.left(100000), big.mid(100000)};
    switch (fault) {
    case Fault::CloseBeforeReply:
        peer.closeOn(at);
        break;
    case Fault::CloseMidReply:
        peer.cutOn(at, op.data ? "150 Opening BINARY mo" : "250 Requested file act");
        break;
    case Fault::Reset:
        peer.resetOn(at);
        break;
    case Fault::Silence:
        if (op.data)
            peer.onData(at, dataReply({}, {}, {}, 0, false));
        else
            peer.on(at, {});
        break;
    case Fault::CloseAfterPreliminary: {
        DataReply r = dataReply("150 Opening data connection.\r\n", {}, {}, 0, false);
        r.closeControl = true;
        peer.onData(at, r);
        break;
    }
    case Fault::CloseMidData: {
        DataReply r = dataReply("150 Opening data connection.\r\n", whole, {}, 200);
        r.closeControl = r.controlFirst = true;
        r.receive = op.upload;
        peer.onData(at, r);
        break;
    }
    case Fault::CloseAfterData: {
        DataReply r = dataReply("150 Opening data connection.\r\n", whole);
        r.closeControl = true;
        r.receive = op.upload;
        peer.onData(at, r);
        break;
    }
    case Fault::IdleGoodbye:
        break;
    }
}

QStringList notices(const QStringList &lines)
{
    QStringList out;
    for (const QString &line : lines)
        if (line.contains(QStringLiteral("네트워크 오류")) || line.contains(QStringLiteral("보안 연결 오류"))
            || line.contains(QLatin1String("Cancelled blocking call")))
            out << line;
    return out;
}

QString joined(const QStringList &lines) { return lines.join(QLatin1Char('\n')); }

QStringList g_warnings;
QtMessageHandler g_previousHandler = nullptr;

void catchWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text.contains(QLatin1String("QSocketNotifier")))
        g_warnings << text;
    if (g_previousHandler)
        g_previousHandler(type, context, text);
}

class FaultTable : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(ws::startup());
        g_previousHandler = qInstallMessageHandler(catchWarnings);
        // Printing goes to a file; the printer's dialogs are answered at once.
        setPrinter(std::make_unique<PdfFilePrinter>(QDir::temp().filePath(QStringLiteral("kavrin-fault-table.pdf"))));
    }
};

} // namespace

TEST_F(FaultTable, EveryOperationSurvivesEveryFault)
{
    const Fault faults[] = {Fault::CloseBeforeReply, Fault::CloseMidReply, Fault::CloseAfterPreliminary,
                            Fault::CloseMidData,     Fault::CloseAfterData, Fault::Reset,
                            Fault::Silence,          Fault::IdleGoodbye};
    int rows = 0;
    for (const Operation &op : Operations) {
        for (const Fault fault : faults) {
            if (isDataFault(fault) && !op.data)
                continue;
            if (!op.only.empty() && std::find(op.only.begin(), op.only.end(), fault) == op.only.end())
                continue;
            SCOPED_TRACE(std::string(op.name) + " / " + nameOf(fault));
            ++rows;
            g_warnings.clear();
            Harness h;
            const bool login = QByteArray(op.name) == "login" || op.at == "AUTH";
            if (!login) {
                h.connect();
                ASSERT_TRUE(h.connected()) << joined(h.log()).toStdString();
                ASSERT_GT(h.ui().RFileListBox->count(), 0);
            }
            // The edit's upload fails only once the download went well.
            arm(h.peer, op, fault);
            const qsizetype mark = h.log().size();
            {
                WindowCloser closer(h, fault == Fault::IdleGoodbye && op.opensWindow);
                op.run(h);
                if (fault == Fault::IdleGoodbye && !closer.struckInside)
                    h.peer.sayAndHangUp("421 Timeout.\r\n");
                // Whatever the operation left waiting ends by itself.
                EXPECT_TRUE(kavtest::waitUntil([&] { return !h.f->session().hasControlConnection(); },
                                               (TimeLimitSeconds + 3) * 1000));
            }
            EXPECT_TRUE(kavtest::waitUntil(
                [&] { return h.ui().BB_Connect->isEnabled() && !h.ui().BB_Disconnect->isEnabled(); }, 3000));
            // Time for a loop that would log the close again and again.
            kavtest::waitUntil([] { return false; }, 300);

            // The row reached the moment it is about.
            if (fault != Fault::IdleGoodbye) {
                const bool reached = std::any_of(h.peer.commands.begin(), h.peer.commands.end(),
                                                 [&](const QByteArray &c) { return c.startsWith(op.at); });
                EXPECT_TRUE(reached) << h.peer.commands.join(' ').toStdString();
            }
            const QStringList after = h.log().mid(mark);
            const QStringList said = notices(after);
            EXPECT_LE(said.size(), 1) << joined(after).toStdString();
            EXPECT_FALSE(h.f->session().isConnected());
            EXPECT_FALSE(h.ui().BB_Stop->isEnabled());
            EXPECT_EQ(h.ui().RFileListBox->count(), 0);
            EXPECT_FALSE(h.f->transfers().transferWindow().isVisible());
            EXPECT_TRUE(g_warnings.isEmpty()) << joined(g_warnings).toStdString();
            // A partial download is never taken for the whole file.
            const QString data = h.local.filePath(QStringLiteral("data.bin"));
            if (QFile::exists(data) && fault != Fault::IdleGoodbye) {
                QFile got(data);
                got.open(QIODevice::ReadOnly);
                const QByteArray bytes = got.readAll();
                EXPECT_TRUE(bigData().startsWith(bytes));
            }
            // The settings are intact.
            QStringList names, addresses;
            h.f->settings().configuration().LoadProfileNames(names, addresses);
            EXPECT_TRUE(names.contains(QStringLiteral("고장 시험"))) << joined(names).toStdString();
        }
    }
    std::printf("fault table: %d rows\n", rows);
}

// ---- the black-box scenarios, against real servers where one can do it ------

namespace {

struct Window {
    Window()
    {
        qputenv("KAVRIN_HOME", settingsHome.path().toUtf8());
        scripted().clear();
        f = std::make_unique<TMainForm>();
        f->FormActivate();
        f->setLogFile(settingsHome.filePath(QStringLiteral("log.txt")));
        SessionProfile start;
        start.LocalPath = local.path();
        f->enterLocalStartDirectory(start);
    }
    void connect(const QString &address, int timeLimitSeconds = TimeLimitSeconds)
    {
        SessionProfile &p = f->profile();
        p.HostName = QStringLiteral("시험");
        p.HostIP = address;
        p.UserId = QStringLiteral("kim");
        p.Password = QStringLiteral("secret");
        p.Timeout = timeLimitSeconds;
        p.TrialTimes = 1;
        f->connectFlow().BB_ConnectClick(false);
    }
    QStringList log() const
    {
        QFile file(settingsHome.filePath(QStringLiteral("log.txt")));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    bool disconnectedState() const
    {
        const Ui::TMainForm &u = *f->form();
        return !f->session().hasControlConnection() && u.BB_Connect->isEnabled() && !u.BB_Disconnect->isEnabled()
            && !u.BB_Stop->isEnabled();
    }
    QTemporaryDir settingsHome, local;
    std::unique_ptr<TMainForm> f;
};

int countOf(const QStringList &lines, const QString &text)
{
    return int(std::count_if(lines.begin(), lines.end(), [&](const QString &l) { return l.contains(text); }));
}

const QString HungUp = QStringLiteral("호스트가 연결을 끊었습니다");

} // namespace

// pyftpdlib ends an idle session with "421 Control connection timed out." and
// closes: the program says so once and ends the session.
TEST_F(FaultTable, ARealServerThatEndsAnIdleSessionIsSaidOnce)
{
    kavtest::ScratchDir home;
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path()).setIdleTimeout(1);
    ASSERT_TRUE(server.start());
    Window w;
    w.connect(QStringLiteral("127.0.0.1"), 15);
    ASSERT_TRUE(w.f->session().isConnected()) << joined(w.log()).toStdString();
    g_warnings.clear();
    ASSERT_TRUE(kavtest::waitUntil([&] { return w.disconnectedState(); }, 6000)) << joined(w.log()).toStdString();
    kavtest::waitUntil([] { return false; }, 300);
    const QStringList lines = w.log();
    EXPECT_EQ(countOf(lines, HungUp), 1) << joined(lines).toStdString();
    EXPECT_EQ(countOf(lines, QStringLiteral("421")), 1) << joined(lines).toStdString();
    EXPECT_EQ(notices(lines).size(), 1) << joined(lines).toStdString();
    EXPECT_TRUE(g_warnings.isEmpty()) << joined(g_warnings).toStdString();
}

// The server process dies in the middle of a download: one line, the session
// ended, the partial file a prefix of the host's and never taken for the whole.
TEST_F(FaultTable, AServerKilledDuringADownloadIsSaidOnce)
{
    kavtest::ScratchDir home;
    const QByteArray big = bigData().repeated(8);
    {
        QFile file(QString::fromStdString(home.file("big.bin")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(big);
    }
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path()).setDownloadLimit(400000);
    ASSERT_TRUE(server.start());
    Window w;
    w.connect(QStringLiteral("127.0.0.1"), 15);
    ASSERT_TRUE(w.f->session().isConnected()) << joined(w.log()).toStdString();
    HostListView *files = w.f->form()->RFileListBox;
    const auto found = files->findItems(QStringLiteral("big.bin"), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    found.first()->setSelected(true);
    files->setCurrentItem(found.first());
    QTimer::singleShot(800, [&] { ::kill(-server.pid(), SIGKILL); });
    w.f->form()->N_RDownload->trigger();
    ASSERT_TRUE(kavtest::waitUntil([&] { return w.disconnectedState(); }, 6000)) << joined(w.log()).toStdString();
    kavtest::waitUntil([] { return false; }, 300);
    const QStringList lines = w.log();
    EXPECT_LE(notices(lines).size(), 1) << joined(lines).toStdString();
    EXPECT_LE(countOf(lines, HungUp), 1) << joined(lines).toStdString();
    QFile got(w.local.filePath(QStringLiteral("big.bin")));
    ASSERT_TRUE(got.open(QIODevice::ReadOnly));
    const QByteArray bytes = got.readAll();
    EXPECT_LT(bytes.size(), big.size());
    EXPECT_TRUE(big.startsWith(bytes));
}

// A greeting that comes a byte a second: the time limit covers it, and until
// the login ends Stop ends the wait and Disconnect the session.
TEST_F(FaultTable, AGreetingThatNeverEndsCanBeStoppedAndTimesOut)
{
    enum class End { TimeLimit, Stop, Disconnect };
    for (const End end : {End::TimeLimit, End::Stop, End::Disconnect}) {
        SCOPED_TRACE(int(end));
        kavtest::ReplyPeer peer;
        QList<QByteArray> bytes;
        for (const char c : QByteArray("220 Welcome to a very slow server\r\n"))
            bytes << QByteArray(1, c);
        peer.greetInSegments(bytes, 1000);
        Window w;
        bool buttonsDuring = false;
        QTimer::singleShot(600, [&] {
            const Ui::TMainForm &u = *w.f->form();
            buttonsDuring = u.BB_Stop->isEnabled() && u.BB_Disconnect->isEnabled() && !u.BB_Connect->isEnabled();
            if (end == End::Stop)
                w.f->BB_StopClick();
            else if (end == End::Disconnect)
                w.f->connectFlow().BB_DisconnectClick();
        });
        QElapsedTimer clock;
        clock.start();
        w.connect(QStringLiteral("127.0.0.1:") + QString::number(peer.port()), 2);
        EXPECT_TRUE(kavtest::waitUntil([&] { return w.disconnectedState(); }, 3000)) << joined(w.log()).toStdString();
        EXPECT_LT(clock.elapsed(), end == End::TimeLimit ? 3500 : 1500);
        EXPECT_TRUE(buttonsDuring);
        kavtest::waitUntil([] { return false; }, 200);
        const QStringList lines = w.log();
        EXPECT_LE(notices(lines).size(), end == End::TimeLimit ? 1 : 2) << joined(lines).toStdString();
        // Only the server's own end is called the host's.
        EXPECT_EQ(countOf(lines, HungUp), 0) << joined(lines).toStdString();
        if (end == End::TimeLimit)
            EXPECT_EQ(countOf(lines, QStringLiteral("시간제한")), 1) << joined(lines).toStdString();
    }
}

// The user's disconnect during a wait on a silent server, or the program's
// exit: nothing in the log says that the host hung up.
TEST_F(FaultTable, TheUsersOwnEndIsNeverTheHosts)
{
    for (const bool exit : {false, true}) {
        SCOPED_TRACE(exit ? "exit" : "disconnect");
        kavtest::ReplyPeer peer;
        peer.answerAsLoggedInServer("/");
        peer.onData("LIST", dataReply("150 Here comes the listing.\r\n", Listing, "226 Done.\r\n"));
        Window w;
        w.connect(QStringLiteral("127.0.0.1:") + QString::number(peer.port()), 15);
        ASSERT_TRUE(w.f->session().isConnected()) << joined(w.log()).toStdString();
        peer.on("MKD", {});   // never answered
        g_warnings.clear();
        QTimer::singleShot(300, [&] {
            if (exit)
                w.f->close();
            else
                w.f->connectFlow().BB_DisconnectClick();
        });
        scripted().pushAccept(QStringLiteral("newdir"));
        w.f->form()->N_RMakeDirectory->trigger();
        kavtest::waitUntil([] { return false; }, 300);
        const QStringList lines = w.log();
        EXPECT_EQ(countOf(lines, HungUp), 0) << joined(lines).toStdString();
        EXPECT_FALSE(w.f->session().hasControlConnection());
        w.f.reset();
        kavtest::waitUntil([] { return false; }, 100);
        EXPECT_TRUE(g_warnings.isEmpty()) << joined(g_warnings).toStdString();
        ws::startup();
    }
}

// ---- SFTP: a real sshd whose connection dies at each step --------------------

namespace {

// How the SSH server fails: the process of the connection is killed (the
// daemon lives on), or the whole server dies with its connections.
enum class SshFault { SessionKilled, ServerKilled };

const char *nameOf(SshFault f) { return f == SshFault::SessionKilled ? "session killed" : "server killed"; }

QByteArray sftpData() { return kavtest::patternedBytes(24 * 1024 * 1024); }

// A main window with an SFTP profile for a real sshd, a big file on each
// side and a directory of many entries on the host.
struct SftpHarness {
    kavtest::SshdServer sshd;
    QTemporaryDir settingsHome, home, local;
    std::unique_ptr<TMainForm> f;
    QString root;
    QByteArray big = sftpData();

    ::testing::AssertionResult start()
    {
        if (auto started = sshd.start(); !started)
            return started << sshd.log();
        root = QString::fromStdString(sshd.home());
        for (const auto &[path, bytes] : {std::pair{root + QStringLiteral("/data.bin"), big},
                                          std::pair{local.filePath(QStringLiteral("up.bin")), big}}) {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                return ::testing::AssertionFailure() << "cannot write " << path.toStdString();
        }
        QDir(root).mkpath(QStringLiteral("many"));
        for (int i = 0; i < 4000; ++i)
            QFile(root + QStringLiteral("/many/entry-%1-with-a-name-long-enough.txt").arg(i)).open(QIODevice::WriteOnly);

        qputenv("KAVRIN_HOME", settingsHome.path().toUtf8());
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("SSH_AUTH_SOCK");
        scripted().clear();
        f = std::make_unique<TMainForm>();
        f->FormActivate();
        f->setLogFile(settingsHome.filePath(QStringLiteral("log.txt")));
        SessionProfile start;
        start.LocalPath = local.path();
        f->enterLocalStartDirectory(start);
        useProfile();
        f->settings().configuration().SaveSessionProfile(f->profile());
        return ::testing::AssertionSuccess();
    }
    // The profile as the user picks it before each connect (a disconnect
    // puts the window's profile back to its defaults).
    void useProfile()
    {
        SessionProfile &p = f->profile();
        p.HostName = QStringLiteral("SFTP 고장 시험");
        p.HostIP = QStringLiteral("127.0.0.1");
        p.UserId = QStringLiteral("root");
        p.Password = QString::fromStdString(sshd.password());
        p.Connection.Kind = Protocol::Sftp;
        p.Connection.Port = DefaultSftpPort;
        p.Timeout = TimeLimitSeconds;
        p.TrialTimes = 1;
        p.LocalPath = local.path();
    }
    ~SftpHarness() { f.reset(); }

    void connect()
    {
        useProfile();
        scripted().pushHostKey(HostKeyChoice::AcceptOnce);
        f->connectFlow().BB_ConnectClick(false);
    }
    bool connected() const { return f->sessionParts().fs.connected(); }
    Ui::TMainForm &ui() const { return *f->form(); }
    // The log file holds every line (the window's list keeps the last few).
    QStringList log() const
    {
        QFile file(settingsHome.filePath(QStringLiteral("log.txt")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                              : QStringList();
    }
    void selectHost(const QString &name) { selectHostFiles(ui(), {name}); }
    void selectLocal(const QString &name) { selectLocalFile(ui(), name); }
    bool disconnectedState() const
    {
        return !connected() && ui().BB_Connect->isEnabled() && !ui().BB_Disconnect->isEnabled() && !ui().BB_Stop->isEnabled();
    }
};

struct SftpOperation {
    const char *name;
    QString moment;   // the log line (its start) at which the fault strikes
    std::function<void(SftpHarness &)> run;
};

const SftpOperation SftpOperations[] = {
    {"login, at the host key", QStringLiteral("[H] - 호스트 키: "), [](SftpHarness &h) { h.connect(); }},
    {"login, in the password", QStringLiteral("[L] - 암호로 인증합니다."), [](SftpHarness &h) { h.connect(); }},
    {"listing", QStringLiteral("[L] - 목록 읽기: "),
     [](SftpHarness &h) {
         h.f->hostPaneOf()->RBrefreshClick();
     }},
    {"directory of many entries", QStringLiteral("[L] - 목록 읽기: "),
     [](SftpHarness &h) {
         for (int i = 0; i < h.ui().RDirListBox->count(); ++i)
             if (h.ui().RDirListBox->item(i)->text().contains(QLatin1String("many")))
                 h.ui().RDirListBox->setCurrentRow(i);
         h.f->hostPaneOf()->RDirListBoxDblClick();
     }},
    {"download", QStringLiteral("[H] - 파일을 열었습니다"),
     [](SftpHarness &h) {
         h.selectHost(QStringLiteral("data.bin"));
         h.ui().N_RDownload->trigger();
     }},
    {"upload", QStringLiteral("[H] - 파일을 열었습니다"),
     [](SftpHarness &h) {
         h.selectLocal(QStringLiteral("up.bin"));
         h.ui().N_LUpload->trigger();
     }},
};

// What counts as the program telling the user that the connection failed.
QStringList sftpNotices(const QStringList &lines)
{
    QStringList out = notices(lines);
    for (const QString &line : lines)
        if (line.contains(QStringLiteral("SSH 연결이 끊어졌습니다")) || line.contains(QStringLiteral("SSH 핸드셰이크 실패"))
            || line.contains(QStringLiteral("인증에 실패했습니다")) || line.contains(QStringLiteral("SFTP를 시작할 수 없습니다")))
            out << line;
    return out;
}

} // namespace

// Each SFTP operation of the window while the SSH server's side of the
// connection dies: the program lives, says it once, ends the session as
// the disconnect button does, and a partial download is a strict prefix of
// the host's file.
TEST_F(FaultTable, EverySftpOperationSurvivesTheServerDying)
{
    int rows = 0;
    for (const SftpOperation &op : SftpOperations) {
        for (const SshFault fault : {SshFault::SessionKilled, SshFault::ServerKilled}) {
            SCOPED_TRACE(std::string(op.name) + " / " + nameOf(fault));
            ++rows;
            g_warnings.clear();
            SftpHarness h;
            ASSERT_TRUE(h.start());
            const bool login = QByteArray(op.name).startsWith("login");
            if (!login) {
                h.connect();
                ASSERT_TRUE(kavtest::waitUntil([&] { return h.connected() && h.ui().RFileListBox->count() > 0; }, 15000))
                    << joined(h.log()).toStdString() << h.sshd.log();
            }
            const qsizetype mark = h.log().size();
            // The fault strikes inside the step that logs the moment, before
            // the program goes on: the connection's own transcript calls it.
            bool struck = false;
            const QMetaObject::Connection strike = QObject::connect(
                &h.f->sessionParts().sftpFs, &SftpFs::transcript, [&](TranscriptSide side, const QString &text) {
                    if (struck || !transcriptLine(side, text).startsWith(op.moment))
                        return;
                    struck = true;
                    if (fault == SshFault::SessionKilled)
                        h.sshd.killSessions();
                    else
                        h.sshd.kill();
                });
            op.run(h);
            QObject::disconnect(strike);
            EXPECT_TRUE(struck) << joined(h.log().mid(mark)).toStdString();
            EXPECT_TRUE(kavtest::waitUntil([&] { return h.disconnectedState(); }, (TimeLimitSeconds + 3) * 1000))
                << joined(h.log().mid(mark)).toStdString();
            // Time for a loop that would log the close again and again.
            kavtest::waitUntil([] { return false; }, 300);

            const QStringList after = h.log().mid(mark);
            EXPECT_EQ(sftpNotices(after).size(), 1) << joined(after).toStdString();
            EXPECT_EQ(h.ui().RFileListBox->count(), 0);
            EXPECT_FALSE(h.f->transfers().transferWindow().isVisible());
            EXPECT_TRUE(g_warnings.isEmpty()) << joined(g_warnings).toStdString();
            const QString data = h.local.filePath(QStringLiteral("data.bin"));
            if (QFile::exists(data)) {
                QFile got(data);
                ASSERT_TRUE(got.open(QIODevice::ReadOnly));
                const QByteArray bytes = got.readAll();
                EXPECT_LT(bytes.size(), h.big.size());
                EXPECT_TRUE(h.big.startsWith(bytes));
            }
            // The program goes on: a new connect to a server that is there again works.
            if (fault == SshFault::ServerKilled) {
                ASSERT_TRUE(h.sshd.start()) << h.sshd.log();
            }
            h.connect();
            EXPECT_TRUE(kavtest::waitUntil([&] { return h.connected() && h.ui().RFileListBox->count() > 0; }, 15000))
                << joined(h.log()).toStdString();
        }
    }
    std::printf("SFTP fault table: %d rows\n", rows);
}
