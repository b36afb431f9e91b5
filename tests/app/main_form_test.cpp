// The main window offscreen: its controls, start-up, the log, the toggles, new
// instance, desktop shortcut and shut-down.
#include "app/about_form.h"
#include "app/log_form.h"
#include "app/main_form.h"
#include "app/message_log.h"
#include "app/transfer_bridge.h"
#include "transfer/trans_form.h"
#include "ui_main_form.h"

#include "config/connect_form.h"
#include "config/find_forms.h"
#include "app/lists_bridge.h"
#include "app/settings_bridge.h"
#include "config/ascii_extensions.h"
#include "platform/ini_file.h"
#include "platform/cp949.h"
#include "platform/local_path.h"
#include "ftp/transcript.h"
#include "transfer/type_choice.h"
#include "platform/settings_dir.h"
#include "viewers/view_form.h"
#include "browse/host_pane.h"
#include "ftp/session.h"
#include "platform/dialogs.h"
#include "platform/scripted_dialogs.h"
#include "platform/termination.h"
#include "platform/winsock.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QSplitter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include "wait_until.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <poll.h>
#include <unistd.h>

using kav::TMainForm;

namespace {

kav::ScriptedDialogs &scripted()
{
    return static_cast<kav::ScriptedDialogs &>(kav::dialogs());
}

// The main window with its platform seams recorded instead of acted on.
class TestForm : public TMainForm {
public:
    bool winsockWorks = true;
    bool connected = false;
    bool transferShowing = false;
    int beeps = 0;
    int saves = 0;
    int modals = 0;
    QStringList modalTexts;
    QString program = QStringLiteral("/opt/kavrin/bin/kavrin");
    QList<QStringList> started;   // program first, then the arguments

    void saveConfiguration() override { ++saves; }
    QStringList notices;   // desktop notices: summary, then body
    void showDesktopNotice(const QString &summary, const QString &body) override { notices << summary << body; }
    bool transferOrPrintShowing() const override { return transferShowing; }

protected:
    bool startWinsock() override { return winsockWorks && kav::ws::startup(); }
    bool startProcess(const QString &p, const QStringList &args) override
    {
        started << (QStringList{p} + args);
        return true;
    }
    void beep() override { ++beeps; }
    int runModal(QDialog &dialog) override
    {
        ++modals;
        for (QLabel *l : dialog.findChildren<QLabel *>())
            modalTexts << l->text();
        return QDialog::Accepted;
    }
    QString programPath() const override { return program; }
    bool isConnected() const override { return connected; }
};

// A shown and first-activated main window.
std::unique_ptr<TestForm> startedForm(bool winsock = true)
{
    scripted().clear();
    kav::setApplicationTitle(QStringLiteral("Kavrin Version 2.2"));
    // Every window starts as on a first run, with a settings directory of its own.
    static std::vector<std::unique_ptr<QTemporaryDir>> homes;
    homes.push_back(std::make_unique<QTemporaryDir>());
    qputenv("KAVRIN_HOME", homes.back()->path().toUtf8());
    auto f = std::make_unique<TestForm>();
    f->winsockWorks = winsock;
    f->show();
    f->activateWindow();
    EXPECT_TRUE(kavtest::waitUntil([&] { return f->firstActivated(); }, 5000));
    QCoreApplication::processEvents();
    return f;
}

// A menu's entries as their texts, "-" for separators, "Title>" for submenus.
QStringList menuTexts(const QMenu *menu)
{
    QStringList out;
    for (QAction *a : menu->actions()) {
        if (a->isSeparator())
            out << QStringLiteral("-");
        else if (a->menu())
            out << a->menu()->objectName() + QStringLiteral(">");
        else
            out << a->objectName();
    }
    return out;
}

} // namespace

TEST(MainFormControls, EveryControlHasItsNameCaptionAndHint)
{
    TMainForm form;
    const struct { const char *name, *caption, *hint; } table[] = {
        {"BB_Connect", "FTP 연결", "FTP 서버에 연결하여 파일을 전송합니다(FTP)"},
        {"BB_Disconnect", "FTP 끊기", "FTP 서버의 연결을 해제합니다(FTP)"},
        {"BB_Stop", "중지", "현재 작업을 도중에 중지합니다"},
        {"BB_Exit", "종료", "Kavrin를 종료합니다"},
        {"BB_LookUp", "룩업", "호스트의 간단한 정보를 나타냅니다(LookUp)"},
        {"BB_Ping", "핑", "호스트가 Up 상태인지 Down 상태인지를 나타냅니다(Ping)"},
        {"BB_Trace", "경로추적", "호스트까지의 네트워크 경로(route)를 알아냅니다(Trace Route)"},
        {"BB_Rexec", "원격실행", "호스트(UNIX만 해당)의 명령어를 실행한 후 결과를 받아볼 수 있습니다(Rexec)"},
        {"BB_DayTime", "시간", "로컬과 호스트(UNIX만 해당)의 시간과 날짜를 본후 동기화 시킵니다(DayTime)"},
        {"BB_Finger", "사용자", "호스트(UNIX만 해당)에 접속한 모든 사용자의 정보를 봅니다(Finger)"},
        {"BB_IPScanner", "IP검사", "주어진 범위의 호스트를 검사(Ping)합니다(IP Scanner)"},
        {"SB_LeftRight", nullptr, "Local에서 Host로 파일을 전송합니다"},
        {"SB_RightLeft", nullptr, "Host에서 Local로 파일을 전송합니다"},
        {"GB_LocalSide", "&Local", ""},
        {"SB_ConnectDRV", nullptr, "네트워크 드라이브 연결"},
        {"SB_DisconnectDRV", nullptr, "네트워크 드라이브 연결 해제"},
        {"SB_LocalToClip", "▒", "현재 로컬 디렉토리명을 클립보드로 복사"},
        {"SB_CopyLocalPath", "▣", "현재 로컬 디렉토리명을 초기 작업 디렉토리로 설정"},
        {"LBrefresh", "&Refresh", nullptr},
        {"LBLaunchExplorer", "Explorer", nullptr},
        {"LBfindfile", "&Find File", "Local 파일을 찾아 파일전송"},
        {"LBbookmark", "&Bookmark", "Local 파일을 책갈피로 관리하여 파일전송"},
        {"LBtools", "&Tools", "자주 사용되는 프로그램의 등록/실행"},
        {"LBprintset", "PrintSet", "Local 프린터 setup"},
        {"GB_HostSide", "&Host", ""},
        {"CB_CurName", nullptr, "현재 호스트 디렉토리명"},
        {"SB_HostToClip", "▒", "현재 호스트 디렉토리명을 클립보드로 복사"},
        {"SB_CopyRemotePath", "▣", "현재 호스트 디렉토리명을 초기 작업 디렉토리로 설정"},
        {"RBrefresh", "R&efresh", "Host 디렉토리 다시읽기"},
        {"RBfindfile", "F&ind File", "Host 파일을 찾아 파일전송"},
        {"RBbookmark", "Book&mark", "Host 파일을 책갈피로 관리하여 파일전송"},
        {"RBqueue", "&Queue", "Local/Host 파일을 대기행렬(Queue)로 관리하여 파일전송"},
        {"RBlogwnd", "LogWnd", "메시지 보기"},
        {"RBnewsession", "New", "새로운 Kavrin를 실행합니다"},
        {"RBabout", "About", nullptr},
        {"GB_TransMode", "전송방식", ""},
        {"RB_ascii", "ASCII", "텍스트 파일의 전송시 지정합니다"},
        {"RB_binary", "Binary", "이진 파일의 전송시 지정합니다"},
        {"CB_AutoMode", "Auto", "전송방식을 자동으로 지정합니다"},
        // Menus
        {"N_RAddFilesTo", "Add file(s) to", nullptr},
        {"N_RAddQueue", "&Queue", nullptr},
        {"N_RAddBookmar", "&Bookmark", nullptr},
        {"N_RDownload", "Do&wnload", nullptr},
        {"N_RDelete", "&Delete", nullptr},
        {"N_RRename", "&Rename", nullptr},
        {"N_RView", "&View", nullptr},
        {"N_REdit", "&Edit", nullptr},
        {"N_RPrint", "&Print", nullptr},
        {"N_RHexview", "&Hex View...", nullptr},
        {"N_RRexec", "Rexec(&Open)...", nullptr},
        {"N_RChangeMode", "Chan&ge Mode(chmod)...", nullptr},
        {"N_RManualDownload", "&Manual Download", nullptr},
        {"N_RCopyURL", "Cop&y URL", nullptr},
        {"N_RUppercase", "Rename (&Uppercase)", nullptr},
        {"N_RLowercase", "Rename (&Lowercase)", nullptr},
        {"N_RSentencecase", "Rename (&Sentence Case)", nullptr},
        {"N_RInvertSelection", "&Invert Selection", nullptr},
        {"N_RTagwildcard", "Tag &wildcard...", nullptr},
        {"N_RToggleModeGroup", "Toggle Mode", nullptr},
        {"N_RSortByName", "Sort by &name", nullptr},
        {"N_RStayOnTop", "Stay On &Top", nullptr},
        {"N_RDropFiles", "Drop &Files", nullptr},
        {"N_RAntiIdle", "&Anti-Idle", nullptr},
        {"N_RCreateShortcut", "Create S&hortcut", nullptr},
        {"N_RMakeDirectory", "&Make Directory...", nullptr},
        {"N_RDeleteDirectory", "&Delete Directory...", nullptr},
        {"N_RRenameDirectory", "&Rename Directory...", nullptr},
        {"N_RDirectoryList", "Directory &List (ls -la)", nullptr},
        {"N_RSpecifyadirectory", "Specify Directory...", nullptr},
        {"N_LAddFilesTo", "Add file(s) to", nullptr},
        {"N_LAddQueue", "&Queue", nullptr},
        {"N_LAddBookmark", "&Bookmark", nullptr},
        {"N_LAddTool", "&Tool", nullptr},
        {"N_LUpload", "Uplo&ad", nullptr},
        {"N_LDelete", "&Delete", nullptr},
        {"N_LRename", "&Rename", nullptr},
        {"N_LView", "&View", nullptr},
        {"N_LEdit", "&Edit", nullptr},
        {"N_LPrint", "&Print", nullptr},
        {"N_LHexview", "&Hex View...", nullptr},
        {"N_LOpen", "&Open", nullptr},
        {"N_LChangeAttribute", "Change A&ttribute...", nullptr},
        {"N_LManualUpload", "&Manual Upload", nullptr},
        {"N_LASCIIExtensition", "AS&CII Extensions...", nullptr},
        {"N_LIconExtractor", "Icon E&xtractor...", nullptr},
        {"N_LUppercase", "Rename (&Uppercase)", nullptr},
        {"N_LLowercase", "Rename (&Lowercase)", nullptr},
        {"N_LSentenceCase", "Rename (&Sentence Case)", nullptr},
        {"N_LInvertSelection", "&Invert Selection", nullptr},
        {"N_LTagwildcard", "Tag &wildcard...", nullptr},
        {"N_LMakeDirectory", "&Make Directory...", nullptr},
        {"N_LDeleteDirectory", "&Delete Directory...", nullptr},
        {"N_LDirectoryList", "Directory &List (dir)", nullptr},
        {"N_LSpecifyadirectory", "Specify Directory...", nullptr},
    };
    for (const auto &row : table) {
        SCOPED_TRACE(row.name);
        QObject *o = form.findChild<QObject *>(QString::fromLatin1(row.name));
        ASSERT_NE(o, nullptr);
        if (row.caption) {
            QVariant text = o->property("text");
            if (qobject_cast<QWidget *>(o) && o->metaObject()->indexOfProperty("title") >= 0)
                text = o->property("title");
            EXPECT_EQ(text.toString(), QString::fromUtf8(row.caption));
        }
        if (row.hint) {
            EXPECT_EQ(o->property("toolTip").toString(), QString::fromUtf8(row.hint));
        }
    }
    for (const char *name : {"PanelHEAD", "LTabSet", "LDirectoryListBox", "LFileListBox", "L_Splitter",
                             "RFileListBox", "RDirListBox", "LB_message", "Image_EXE", "Image_TXT", "Image_DIR",
                             "RFileMenu", "RDirMenu", "LFileMenu", "LDirMenu"})
        EXPECT_NE(form.findChild<QObject *>(QString::fromLatin1(name)), nullptr) << name;
}

TEST(MainFormControls, MenusInOrderWithTheirCheckItems)
{
    TMainForm form;
    Ui::TMainForm &f = *form.form();
    EXPECT_EQ(menuTexts(f.RFileMenu),
              (QStringList{"N_RAddFilesTo>", "N_RDownload", "N_RDelete", "N_RRename", "N_RView", "N_REdit",
                           "N_RPrint", "N_RHexview", "-", "N_RRexec", "N_RChangeMode", "N_RManualDownload",
                           "N_RCopyURL", "-", "N_RUppercase", "N_RLowercase", "N_RSentencecase",
                           "N_RInvertSelection", "N_RTagwildcard", "-", "N_RToggleModeGroup>",
                           "N_RCreateShortcut"}));
    EXPECT_EQ(menuTexts(f.N_RAddFilesTo), (QStringList{"N_RAddQueue", "N_RAddBookmar"}));
    EXPECT_EQ(menuTexts(f.N_RToggleModeGroup),
              (QStringList{"N_RSortByName", "N_RStayOnTop", "N_RDropFiles", "N_RAntiIdle"}));
    EXPECT_EQ(menuTexts(f.RDirMenu), (QStringList{"N_RMakeDirectory", "N_RDeleteDirectory", "N_RRenameDirectory",
                                                  "-", "N_RDirectoryList", "N_RSpecifyadirectory", "-",
                                                  "N_RSynchronize", "-", "N_Compare", "N_RCompareBy>"}));
    EXPECT_EQ(menuTexts(f.LFileMenu),
              (QStringList{"N_LAddFilesTo>", "N_LUpload", "N_LDelete", "N_LRename", "N_LView", "N_LEdit",
                           "N_LPrint", "N_LHexview", "-", "N_LOpen", "N_LChangeAttribute", "N_LManualUpload",
                           "N_LASCIIExtensition", "N_LIconExtractor", "-", "N_LUppercase", "N_LLowercase",
                           "N_LSentenceCase", "N_LInvertSelection", "N_LTagwildcard"}));
    EXPECT_EQ(menuTexts(f.N_LAddFilesTo), (QStringList{"N_LAddQueue", "N_LAddBookmark", "N_LAddTool"}));
    EXPECT_EQ(menuTexts(f.LDirMenu), (QStringList{"N_LMakeDirectory", "N_LDeleteDirectory", "-",
                                                  "N_LDirectoryList", "N_LSpecifyadirectory", "-", "N_LSynchronize", "-", "N_Compare",
                                                  "N_LCompareBy>"}));
    for (QAction *a : {f.N_RSortByName, f.N_RStayOnTop, f.N_RDropFiles, f.N_RAntiIdle}) {
        EXPECT_TRUE(a->isCheckable()) << a->objectName().toStdString();
        EXPECT_FALSE(a->isChecked()) << a->objectName().toStdString();
    }
    EXPECT_FALSE(f.N_RCreateShortcut->isCheckable());
}

TEST(MainFormControls, DesignStates)
{
    TMainForm form;
    Ui::TMainForm &f = *form.form();
    EXPECT_EQ(form.size(), QSize(697, 562));
    EXPECT_TRUE(f.BB_Connect->isEnabled());
    EXPECT_FALSE(f.BB_Disconnect->isEnabled());
    EXPECT_FALSE(f.BB_Stop->isEnabled());
    EXPECT_TRUE(f.RB_binary->isChecked());
    EXPECT_FALSE(f.RB_ascii->isChecked());
    EXPECT_TRUE(f.CB_AutoMode->isChecked());
    EXPECT_EQ(f.RFileListBox->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(f.RFileListBox->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(f.RDirListBox->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_FALSE(f.CB_CurName->isEditable());
    EXPECT_FALSE(f.Image_EXE->isVisibleTo(&form));
    EXPECT_EQ(form.messages().count(), 0);
    // The session's keep-alive timer is off until a session asks for it.
    ASSERT_NE(form.session().noopTimer(), nullptr);
    EXPECT_FALSE(form.session().noopTimer()->isActive());

    // Every Korean text of the window has glyphs in the window's font.
    for (QAbstractButton *b : form.findChildren<QAbstractButton *>()) {
        const QString text = b->text();
        if (text.isEmpty())
            continue;
        QTextLayout layout(text, b->font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (const QGlyphRun &run : layout.glyphRuns())
            for (quint32 g : run.glyphIndexes())
                EXPECT_NE(g, 0u) << b->objectName().toStdString();
    }
}

TEST(MainFormControls, OpensAtTheDesignPlacesAndGrowsWithTheWindow)
{
    TMainForm form;
    Ui::TMainForm &f = *form.form();
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.size(), QSize(697, 562));
    EXPECT_LT(form.minimumSizeHint().width(), 697);
    EXPECT_LT(form.minimumSizeHint().height(), 562);
    EXPECT_EQ(f.PanelHEAD->geometry(), QRect(0, 0, 697, 42));
    EXPECT_EQ(f.GB_LocalSide->geometry(), QRect(4, 46, 320, 430));
    EXPECT_EQ(f.GB_HostSide->geometry(), QRect(368, 46, 325, 430));
    EXPECT_EQ(f.GB_TransMode->geometry(), QRect(4, 480, 150, 78));
    EXPECT_EQ(f.LB_message->geometry(), QRect(158, 484, 535, 74));
    EXPECT_EQ(f.BB_IPScanner->geometry(), QRect(635, 4, 60, 34));
    const int localList = f.L_Splitter->height(), hostList = f.R_Splitter->height();

    form.resize(790, 590);
    QCoreApplication::processEvents();
    const int dx = form.width() - 697, dy = form.height() - 562;
    ASSERT_GT(dx, 50);
    ASSERT_GT(dy, 10);
    EXPECT_EQ(f.GB_LocalSide->height(), 430 + dy);
    EXPECT_EQ(f.GB_LocalSide->width() + f.GB_HostSide->width(), 645 + dx);
    EXPECT_EQ(f.L_Splitter->height(), localList + dy);
    EXPECT_EQ(f.R_Splitter->height(), hostList + dy);
    EXPECT_EQ(f.LB_message->width(), 535 + dx);
    EXPECT_EQ(f.BB_IPScanner->size(), QSize(60, 34));
    for (QWidget *w : {static_cast<QWidget *>(f.LBprintset), static_cast<QWidget *>(f.RBabout),
                       static_cast<QWidget *>(f.CB_CurName), static_cast<QWidget *>(f.LTabSet)})
        EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << w->objectName().toStdString();
}

TEST(MainFormStartUp, FirstActivationLogsAndAppliesTheToggles)
{
    auto f = startedForm();
    Ui::TMainForm &u = *f->form();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Kavrin Version 2.2"));
    EXPECT_EQ(f->baseTitle(), QStringLiteral("Kavrin Version 2.2"));
    EXPECT_TRUE(f->winsockReady());
    const QStringList lines = f->messages().texts();
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], QStringLiteral("Description: ") + kav::ws::description());
    EXPECT_EQ(lines[1], QStringLiteral("System Status: ") + kav::ws::systemStatus());
    EXPECT_EQ(lines[2], QStringLiteral("Kavrin Version 2.2"));
    EXPECT_FALSE(lines[3].isEmpty());
    EXPECT_EQ(lines[4], QString());
    // Design states unchecked, one toggle each: on top and accepting drops.
    EXPECT_TRUE(u.N_RStayOnTop->isChecked());
    EXPECT_TRUE(f->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(u.N_RDropFiles->isChecked());
    EXPECT_TRUE(f->acceptDrops());
    EXPECT_FALSE(u.RFileListBox->isSortingEnabled());
    EXPECT_TRUE(scripted().asked.empty());
    // Later activations do nothing.
    f->FormActivate();
    EXPECT_EQ(f->messages().count(), 5);
}

TEST(MainFormStartUp, WithoutSocketsTheNetworkButtonsStayOffAndNothingIsSaved)
{
    auto f = startedForm(false);
    Ui::TMainForm &u = *f->form();
    EXPECT_FALSE(f->winsockReady());
    for (QWidget *w : {u.BB_Connect, u.BB_Disconnect, u.BB_Stop, u.BB_LookUp, u.BB_Ping, u.BB_Trace, u.BB_Rexec,
                       u.BB_DayTime, u.BB_Finger, u.BB_IPScanner})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(u.LBrefresh->isEnabled());
    ASSERT_EQ(scripted().asked.size(), 1u);
    EXPECT_EQ(scripted().asked[0].text,
              QStringLiteral("네트워크 오류: 원도우즈에 WINSOCK.DLL(Version 1.1 이상)이 구동되지 않습니다."));
    EXPECT_EQ(scripted().asked[0].icon, kav::MsgIcon::Information);
    EXPECT_EQ(scripted().asked[0].buttons, kav::BtnOk);
    EXPECT_EQ(f->messages().count(), 0);
    // Nothing turns them back on.
    f->setConnectEnabled(true);
    EXPECT_FALSE(u.BB_Connect->isEnabled());
    EXPECT_TRUE(f->close());
    EXPECT_EQ(f->saves, 0);
}

TEST(MainFormLog, MessageListEmptiesAtEightyLines)
{
    auto f = startedForm();
    kav::MessageLog &log = f->messages();
    QListView *view = f->form()->LB_message;
    f->clearMessages();
    for (int i = 1; i <= 80; ++i)
        f->AppendLog(QStringLiteral("line %1").arg(i));
    EXPECT_EQ(log.count(), 80);
    log.flush();
    EXPECT_EQ(view->model()->rowCount(), 80);
    EXPECT_EQ(view->currentIndex().row(), 79);
    f->AppendLog(QStringLiteral("line 81"));
    EXPECT_EQ(log.texts(), QStringList{QStringLiteral("line 81")});
    log.flush();
    EXPECT_EQ(view->model()->rowCount(), 1);
    EXPECT_EQ(view->currentIndex().row(), 0);
    // Names from servers are shown as they are.
    f->AppendLog(QStringLiteral("[H] - <b>x</b>"));
    log.flush();
    EXPECT_EQ(view->model()->index(1, 0).data().toString(), QStringLiteral("[H] - <b>x</b>"));
}

// A command naming a local file whose name is code page 949 (its bytes escaped, as the
// session gets them) reads as the panes show the name, in the list and in the log window.
TEST(MainFormLog, NamesOfNoUtf8ReadAsThePanesShowThem)
{
    auto f = startedForm();
    kav::MessageLog &log = f->messages();
    f->RBlogwndClick();
    kav::TLogForm *window = f->logForm();
    f->clearMessages();
    struct Case {
        QByteArray nameBytes;
        QString shown;
    };
    const QList<Case> cases = {
        {kav::cp949::encode(u"한글.txt"), QStringLiteral("한글.txt")},
        {QByteArray("\xff\xfe.bin"), QStringLiteral("\\xFF\\xFE.bin")},
        {QStringLiteral("보통.txt").toUtf8(), QStringLiteral("보통.txt")},
    };
    for (const Case &c : cases) {
        const QString name = kav::localpath::decode(c.nameBytes);
        f->AppendLog(kav::transcriptLine(kav::TranscriptSide::Local, QStringLiteral("STOR /자료/") + name));
        EXPECT_EQ(log.texts().last(), QStringLiteral("[L] - STOR /자료/") + c.shown);
        EXPECT_TRUE(window->memo()->toPlainText().endsWith(QStringLiteral("[L] - STOR /자료/") + c.shown))
            << window->memo()->toPlainText().toStdString();
    }
    window->close();
}

TEST(MainFormLog, TheListShowsNewLinesOnceAFrameAndEveryLineAtTheEnd)
{
    auto f = startedForm();
    kav::MessageLog &log = f->messages();
    QListView *view = f->form()->LB_message;
    f->show();
    f->clearMessages();
    QElapsedTimer clock;
    clock.start();
    // Lines logged faster than frames: the view is told of them in a few steps, not one each.
    int updates = 0;
    QObject::connect(view->model(), &QAbstractItemModel::rowsInserted, view, [&updates] { ++updates; });
    for (int i = 1; i <= 60; ++i)
        f->AppendLog(QStringLiteral("line %1").arg(i));
    const qint64 took = clock.elapsed();
    EXPECT_EQ(log.count(), 60);
    EXPECT_LE(updates, int(took / kav::MessageLog::FrameMs) + 1);
    // Within a frame of the last line the view shows all of them, the last selected.
    EXPECT_TRUE(kavtest::waitUntil([&] { return log.pending() == 0; }, 1000));
    EXPECT_EQ(view->model()->rowCount(), 60);
    EXPECT_EQ(view->currentIndex().row(), 59);
    EXPECT_EQ(view->currentIndex().data().toString(), QStringLiteral("line 60"));
}

// Windows most sessions never open cost nothing until they are opened.
TEST(MainFormStartUp, RarelyUsedWindowsAreBuiltWhenFirstOpened)
{
    auto f = startedForm();
    EXPECT_EQ(f->findChild<kav::TLogForm *>(), nullptr);
    EXPECT_EQ(f->findChild<kav::TFindLForm *>(), nullptr);
    EXPECT_EQ(f->findChild<kav::TFindRForm *>(), nullptr);
    f->AppendLog(QStringLiteral("before the log window"));   // no window to write to yet
    f->RBlogwndClick();
    kav::TLogForm *log = f->findChild<kav::TLogForm *>();
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->isVisible());
    EXPECT_EQ(log, f->logForm());
    EXPECT_EQ(log->lineCount(), 0);
    log->close();
    kav::TFindLForm *findLocal = &f->lists().findLocal();
    kav::TFindRForm *findHost = &f->lists().findHost();
    EXPECT_EQ(findLocal, f->findChild<kav::TFindLForm *>());
    EXPECT_EQ(findHost, f->findChild<kav::TFindRForm *>());
    EXPECT_EQ(&f->lists().findLocal(), findLocal);   // built once
}

TEST(MainFormLog, LogWindowGetsOnlyLinesLoggedWhileShowing)
{
    auto f = startedForm();
    kav::TLogForm *log = f->logForm();
    EXPECT_EQ(log->windowTitle(), QStringLiteral("Message Log"));
    EXPECT_EQ(log->size(), QSize(540, 273));
    EXPECT_TRUE(log->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(log->memo()->isReadOnly());
    EXPECT_EQ(log->memo()->font().pixelSize(), 12);
    f->AppendLog(QStringLiteral("before"));
    f->RBlogwndClick();
    ASSERT_TRUE(log->isVisible());
    // Opening the log takes the main window out of the topmost band.
    EXPECT_FALSE(f->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    f->AppendLog(QStringLiteral("shown 1"));
    log->close();
    // Closing the log restores the main window's band from the menu mark.
    EXPECT_TRUE(f->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    f->AppendLog(QStringLiteral("hidden"));
    f->RBlogwndClick();
    f->AppendLog(QStringLiteral("shown 2"));
    EXPECT_EQ(log->memo()->toPlainText(), QStringLiteral("shown 1\nshown 2"));
    EXPECT_EQ(log->lineCount(), 2);
}

TEST(MainFormLog, LogMemoEmptiesAtItsHundredFiftiethLineAndOnDelete)
{
    auto f = startedForm();
    kav::TLogForm *log = f->logForm();
    f->RBlogwndClick();
    ASSERT_TRUE(log->isVisible());
    // An empty line counts as a line.
    f->AppendLog(QString());
    for (int i = 2; i <= 149; ++i)
        f->AppendLog(QStringLiteral("line %1").arg(i));
    EXPECT_EQ(log->lineCount(), 149);
    EXPECT_EQ(log->memo()->document()->blockCount(), 149);
    f->AppendLog(QStringLiteral("line 150"));
    EXPECT_EQ(log->lineCount(), 0);
    EXPECT_TRUE(log->memo()->toPlainText().isEmpty());
    f->AppendLog(QStringLiteral("after"));
    EXPECT_EQ(log->memo()->toPlainText(), QStringLiteral("after"));

    log->memo()->setFocus();
    QTest::keyClick(log->memo(), Qt::Key_Delete);
    EXPECT_TRUE(log->memo()->toPlainText().isEmpty());
    f->AppendLog(QStringLiteral("again"));
    EXPECT_EQ(log->memo()->toPlainText(), QStringLiteral("again"));
    // Other keys leave it alone.
    QTest::keyClick(log->memo(), Qt::Key_A);
    EXPECT_EQ(log->memo()->toPlainText(), QStringLiteral("again"));
}

TEST(MainFormLog, LogButtonAndDoubleClickDoNothingWhileAnOperationWaits)
{
    auto f = startedForm();
    Ui::TMainForm &u = *f->form();
    f->setStopEnabled(true);
    u.RBlogwnd->click();
    EXPECT_FALSE(f->logForm()->isVisible());
    QTest::mouseDClick(u.LB_message->viewport(), Qt::LeftButton);
    EXPECT_FALSE(f->logForm()->isVisible());

    f->setStopEnabled(false);
    QTest::mouseDClick(u.LB_message->viewport(), Qt::LeftButton);
    EXPECT_TRUE(f->logForm()->isVisible());
    f->logForm()->close();
    u.RBlogwnd->click();
    EXPECT_TRUE(f->logForm()->isVisible());
}

TEST(MainFormLog, LogFileReceivesEveryLine)
{
    QTemporaryDir tmp;
    const QString path = tmp.path() + QStringLiteral("/kavrin.log");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier\n");
    }
    TestForm f;
    ASSERT_TRUE(f.setLogFile(path));
    f.AppendLog(QStringLiteral("[H] - 220 서버 준비"));
    f.AppendLog(QString());
    f.AppendLog(QStringLiteral("last"));
    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(in.readAll()), QStringLiteral("earlier\n[H] - 220 서버 준비\n\nlast\n"));
    EXPECT_FALSE(f.setLogFile(tmp.path() + QStringLiteral("/no/such/dir/x.log")));
}

TEST(MainFormButtons, StopSetsTheTag)
{
    auto f = startedForm();
    f->setStopEnabled(true);
    f->form()->BB_Stop->click();
    EXPECT_EQ(f->connectFlow().stopTag(), kav::StopTag::Stopped);
}

TEST(MainFormButtons, StayOnTopKeepsTheWindowWhereItIs)
{
    auto f = startedForm();
    f->move(40, 30);
    QCoreApplication::processEvents();
    const QPoint pos = f->pos();
    const QSize size = f->size();
    for (bool on : {false, true, false}) {
        f->SetStayOnTop(on);
        QCoreApplication::processEvents();
        EXPECT_EQ(f->windowFlags().testFlag(Qt::WindowStaysOnTopHint), on);
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(f->pos(), pos);
        EXPECT_EQ(f->size(), size);
    }
    // The menu item flips its mark and applies it.
    Ui::TMainForm &u = *f->form();
    const bool before = u.N_RStayOnTop->isChecked();
    u.N_RStayOnTop->trigger();
    EXPECT_EQ(u.N_RStayOnTop->isChecked(), !before);
    EXPECT_EQ(f->windowFlags().testFlag(Qt::WindowStaysOnTopHint), !before);
    u.N_RDropFiles->trigger();
    EXPECT_FALSE(u.N_RDropFiles->isChecked());
    EXPECT_FALSE(f->acceptDrops());
    u.N_RAntiIdle->trigger();
    EXPECT_TRUE(f->session().antiIdle());
    u.N_RAntiIdle->trigger();
    EXPECT_FALSE(f->session().antiIdle());
}

TEST(MainFormButtons, NewSessionPassesTheProfileAsOneArgument)
{
    auto f = startedForm();
    const struct { bool connected; QString name; QStringList expected; } cases[] = {
        {false, "my host", {"/opt/kavrin/bin/kavrin"}},
        {true, "my host", {"/opt/kavrin/bin/kavrin", "my host"}},
        {true, "회사 서버 (백업)", {"/opt/kavrin/bin/kavrin", "회사 서버 (백업)"}},
        {true, "-x", {"/opt/kavrin/bin/kavrin", "-x"}},
        {true, "--x", {"/opt/kavrin/bin/kavrin", "--", "--x"}},
        {true, QString(300, u'a'), {"/opt/kavrin/bin/kavrin", QString(300, u'a')}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        f->started.clear();
        f->saves = 0;
        f->connected = c.connected;
        f->profile().HostName = c.name;
        f->form()->RBnewsession->click();
        ASSERT_EQ(f->started.size(), 1);
        EXPECT_EQ(f->started[0], c.expected);
        EXPECT_EQ(f->saves, 1);
    }
}

TEST(MainFormButtons, ShortcutOnlyWhileConnected)
{
    QTemporaryDir tmp;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", tmp.path().toUtf8());
    const QString desk = tmp.path() + QStringLiteral("/바탕 화면");
    {
        QFile dirs(tmp.path() + QStringLiteral("/user-dirs.dirs"));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write(("XDG_DESKTOP_DIR=\"" + desk + "\"\n").toUtf8());
    }
    auto f = startedForm();
    f->profile().HostName = QStringLiteral("server");
    f->connected = false;
    f->form()->N_RCreateShortcut->trigger();
    EXPECT_FALSE(QFileInfo::exists(desk));
    EXPECT_EQ(f->beeps, 0);

    f->connected = true;
    for (const QString &name : {QStringLiteral("server"), QStringLiteral("../x"), QStringLiteral("$(rm -rf)")}) {
        f->profile().HostName = name;
        f->form()->N_RCreateShortcut->trigger();
    }
    EXPECT_EQ(f->beeps, 3);
    QStringList files = QDir(desk).entryList(QDir::Files | QDir::Hidden);
    files.sort();
    EXPECT_EQ(files, (QStringList{"$(rm -rf).desktop", ".._x.desktop", "server.desktop"}));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files).size(), 1);   // user-dirs.dirs only
    QFile launcher(desk + QStringLiteral("/server.desktop"));
    ASSERT_TRUE(launcher.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(launcher.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Exec=\"/opt/kavrin/bin/kavrin\" \"server\"\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("Path=/opt/kavrin/bin\n")));
    qputenv("XDG_CONFIG_HOME", oldConfig);
    if (oldConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
}

TEST(MainFormButtons, AboutFromHeaderPanesAndButton)
{
    auto f = startedForm();
    Ui::TMainForm &u = *f->form();
    QTest::mouseDClick(u.PanelHEAD, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseDClick(u.GB_LocalSide, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseDClick(u.GB_HostSide, Qt::LeftButton, {}, QPoint(2, 2));
    u.RBabout->click();
    EXPECT_EQ(f->modals, 4);
    EXPECT_TRUE(f->modalTexts.contains(QStringLiteral("Kavrin")));
    EXPECT_TRUE(f->modalTexts.contains(QStringLiteral("Version 2.2")));
}

// Alt+F4 over About: the Alt alone must not close it (F4 would then reach the main
// window), and the F4 that follows closes only About.
TEST(MainFormButtons, AboutClosesOnAKeyThatIsNotAModifier)
{
    TestForm main;
    main.show();
    struct Row {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool closes;
    };
    const Row rows[] = {
        {Qt::Key_Alt, Qt::AltModifier, false},   {Qt::Key_Shift, Qt::ShiftModifier, false},
        {Qt::Key_Control, Qt::ControlModifier, false}, {Qt::Key_Meta, Qt::MetaModifier, false},
        {Qt::Key_AltGr, Qt::NoModifier, false},  {Qt::Key_CapsLock, Qt::NoModifier, false},
        {Qt::Key_F4, Qt::AltModifier, true},     {Qt::Key_Space, Qt::NoModifier, true},
        {Qt::Key_A, Qt::ShiftModifier, true},    {Qt::Key_Escape, Qt::NoModifier, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(QKeySequence(row.key).toString().toStdString());
        kav::TAboutForm about(&main);
        about.show();
        QSignalSpy finished(&about, &QDialog::finished);
        QKeyEvent press(QEvent::KeyPress, row.key, row.modifiers);
        QApplication::sendEvent(&about, &press);
        EXPECT_EQ(about.isVisible(), !row.closes);
        EXPECT_EQ(finished.count(), row.closes ? 1 : 0);
        EXPECT_TRUE(main.isVisible());
    }
}

TEST(MainFormClose, RefusedWhileATransferWindowShows)
{
    auto f = startedForm();
    QSignalSpy closed(f.get(), &TMainForm::closed);
    f->transferShowing = true;
    f->form()->BB_Exit->click();
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->beeps, 1);
    EXPECT_EQ(f->saves, 0);
    EXPECT_EQ(closed.count(), 0);

    f->transferShowing = false;
    f->form()->BB_Exit->click();
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->saves, 1);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(kav::ws::isStarted());
}

TEST(MainFormSession, HostDirectoryHistory)
{
    TestForm f;
    QComboBox *combo = f.form()->CB_CurName;
    int changes = 0;
    QObject::connect(combo, &QComboBox::currentIndexChanged, [&] { ++changes; });
    f.hostPaneOf()->hostDirectoryReported(QStringLiteral("/home/user"));
    f.hostPaneOf()->hostDirectoryReported(QStringLiteral("/pub"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("/pub"));
    f.hostPaneOf()->hostDirectoryReported(QStringLiteral("/HOME/user"));
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(combo->toolTip(), QStringLiteral("/home/user"));
    f.hostPaneOf()->hostDirectoryReported(QStringLiteral("/새 폴더"));
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(combo->toolTip(), QStringLiteral("/새 폴더"));
    EXPECT_EQ(changes, 0);   // the change handler stays detached

    f.form()->RFileListBox->addItem(QStringLiteral("a.txt"));
    f.form()->RDirListBox->addItem(QStringLiteral("dir"));
    f.clearHostPane();
    EXPECT_EQ(f.form()->RFileListBox->count(), 0);
    EXPECT_EQ(f.form()->RDirListBox->count(), 0);
    EXPECT_EQ(combo->count(), 0);
    EXPECT_TRUE(combo->currentText().isEmpty());
    EXPECT_EQ(combo->toolTip(), QStringLiteral("현재 호스트 디렉토리명"));
    EXPECT_EQ(changes, 0);
}

TEST(MainFormSession, SmallSessionHooks)
{
    TestForm f;
    Ui::TMainForm &u = *f.form();
    f.setTitles(QStringLiteral("Kavrin Version 2.2 - srv (10.0.0.1, me)"), QStringLiteral("srv (10.0.0.1, me)"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Kavrin Version 2.2 - srv (10.0.0.1, me)"));
    EXPECT_EQ(kav::applicationTitle(), QStringLiteral("srv (10.0.0.1, me)"));
    f.setUnixCommandsEnabled(false);
    EXPECT_FALSE(u.N_RChangeMode->isEnabled());
    EXPECT_FALSE(u.N_RRexec->isEnabled());
    f.setUnixCommandsEnabled(true);
    EXPECT_TRUE(u.N_RRexec->isEnabled());
    f.setDisconnectEnabled(true);
    EXPECT_TRUE(u.BB_Disconnect->isEnabled());
    f.setConnectEnabled(false);
    EXPECT_FALSE(u.BB_Connect->isEnabled());
    f.clearAutoMode();
    EXPECT_FALSE(u.CB_AutoMode->isChecked());
    f.setSelectAfterRefresh(QStringLiteral("x.txt"));
    EXPECT_EQ(f.SelectAfterRefresh, QStringLiteral("x.txt"));
    // Not connected: the type buttons only change themselves.
    u.RB_ascii->click();
    EXPECT_TRUE(u.RB_ascii->isChecked());
    EXPECT_EQ(f.messages().count(), 0);
    kav::setApplicationTitle(QStringLiteral("Kavrin Version 2.2"));
}

// The real program: options, the log file and a polite end on SIGTERM.
TEST(MainFormSettings, ViewerSizeIsKept)
{
    auto f = startedForm();
    f->viewForm()->resize(901, 503);
    f->TMainForm::saveConfiguration();
    kav::IniFile ini(kav::configurationFilePath());
    ASSERT_EQ(ini.load(), kav::IniFile::LoadResult::Loaded);
    EXPECT_EQ(ini.readInt(QStringLiteral("CONFIG"), QStringLiteral("ViewWidth"), 0), 901);
    EXPECT_EQ(ini.readInt(QStringLiteral("CONFIG"), QStringLiteral("ViewHeight"), 0), 503);
}

TEST(MainFormSettings, MainWindowSizeIsKeptAndFitsTheScreen)
{
    auto f = startedForm();
    const QString path = kav::configurationFilePath();
    {
        // The first-run file stays as it always was.
        kav::IniFile ini(path);
        ASSERT_EQ(ini.load(), kav::IniFile::LoadResult::Loaded);
        EXPECT_FALSE(ini.hasKey(QStringLiteral("CONFIG"), QStringLiteral("MainWidth")));
    }
    f->resize(760, 580);
    f->TMainForm::saveConfiguration();
    kav::IniFile ini(path);
    ASSERT_EQ(ini.load(), kav::IniFile::LoadResult::Loaded);
    EXPECT_EQ(ini.readInt(QStringLiteral("CONFIG"), QStringLiteral("MainWidth"), 0), 760);
    EXPECT_EQ(ini.readInt(QStringLiteral("CONFIG"), QStringLiteral("MainHeight"), 0), 580);
    f.reset();

    // The next start in the same settings directory opens at that size...
    auto again = std::make_unique<TMainForm>();
    again->show();
    ASSERT_TRUE(kavtest::waitUntil([&] { return again->firstActivated(); }, 5000));
    EXPECT_EQ(again->size(), QSize(760, 580));
    again.reset();

    // ...and a size larger than the screen is cut to it, the window wholly on it.
    ini.writeInt(QStringLiteral("CONFIG"), QStringLiteral("MainWidth"), 5000);
    ini.writeInt(QStringLiteral("CONFIG"), QStringLiteral("MainHeight"), 4000);
    ASSERT_TRUE(ini.save());
    auto large = std::make_unique<TMainForm>();
    large->show();
    ASSERT_TRUE(kavtest::waitUntil([&] { return large->firstActivated(); }, 5000));
    const QRect area = large->screen()->availableGeometry();
    EXPECT_LE(large->width(), area.width());
    EXPECT_LE(large->height(), area.height());
    EXPECT_TRUE(area.contains(large->geometry())) << large->x() << "," << large->y();
    // Saved again without the user resizing it, the size is still the one it wants: a small
    // screen (or a large scale) does not make the next start on a large one small.
    large->TMainForm::saveConfiguration();
    kav::IniFile saved(path);
    ASSERT_EQ(saved.load(), kav::IniFile::LoadResult::Loaded);
    EXPECT_EQ(saved.readInt(QStringLiteral("CONFIG"), QStringLiteral("MainWidth"), 0), 5000);
    EXPECT_EQ(saved.readInt(QStringLiteral("CONFIG"), QStringLiteral("MainHeight"), 0), 4000);
}

// The main window opens where it was left; a place no screen shows any more (a screen
// taken away) brings it back onto the screen. Files without a place open it as before.
TEST(MainFormSettings, MainWindowPlaceIsKeptAndStaysOnTheScreen)
{
    auto f = startedForm();
    const QString path = kav::configurationFilePath();
    f->resize(500, 400);
    f->move(37, 41);
    f->TMainForm::saveConfiguration();
    kav::IniFile ini(path);
    ASSERT_EQ(ini.load(), kav::IniFile::LoadResult::Loaded);
    EXPECT_EQ(ini.readInt(QStringLiteral("CONFIG"), QStringLiteral("MainLeft"), -1), 37);
    EXPECT_EQ(ini.readInt(QStringLiteral("CONFIG"), QStringLiteral("MainTop"), -1), 41);
    f.reset();

    const auto started = [] {
        auto w = std::make_unique<TMainForm>();
        w->show();
        EXPECT_TRUE(kavtest::waitUntil([&] { return w->firstActivated(); }, 5000));
        return w;
    };
    EXPECT_EQ(started()->pos(), QPoint(37, 41));

    ini.writeInt(QStringLiteral("CONFIG"), QStringLiteral("MainLeft"), 6000);
    ini.writeInt(QStringLiteral("CONFIG"), QStringLiteral("MainTop"), -3000);
    ASSERT_TRUE(ini.save());
    {
        auto away = started();
        const QRect area = away->screen()->availableGeometry();
        EXPECT_TRUE(area.contains(away->frameGeometry())) << away->x() << "," << away->y();
    }

    ini.removeKey(QStringLiteral("CONFIG"), QStringLiteral("MainLeft"));
    ini.removeKey(QStringLiteral("CONFIG"), QStringLiteral("MainTop"));
    ASSERT_TRUE(ini.save());
    const QPoint placed = TMainForm().pos();   // where a new window puts itself
    EXPECT_EQ(started()->pos(), placed);
}

TEST(MainFormSettings, FirstRunTreatsTextFilesAsTextAndKeepsTheList)
{
    auto f = startedForm();
    const kav::AsciiExtensionList &list = f->settings().asciiExtensions();
    EXPECT_EQ(kav::uploadTypeCommand(kav::fileExtension(QStringLiteral("cp949.txt")),
                                     f->settings().typeControls(), list),
              QStringLiteral("TYPE A"));
    EXPECT_EQ(kav::uploadTypeCommand(kav::fileExtension(QStringLiteral("photo.jpg")),
                                     f->settings().typeControls(), list),
              QStringLiteral("TYPE I"));
    f->close();  // the exit saves
    kav::IniFile ini(kav::configurationFilePath());
    ASSERT_EQ(ini.load(), kav::IniFile::LoadResult::Loaded);
    const QString stored = ini.readString(QStringLiteral("CONFIG"), QStringLiteral("TransAscii"));
    EXPECT_FALSE(stored.isEmpty());
    kav::AsciiExtensionList reread;
    reread.loadStored(stored);
    EXPECT_EQ(reread.items(), list.items());
    EXPECT_TRUE(reread.contains(QStringLiteral("txt")));
}

// A second termination request while the closing still waits on the network
// (here a blocking wait that nothing else ends) ends the program at once, after
// saving the settings. Without it the window would close at the end of the
// grace time, interrupting the wait: the statement would then run on and fail.
TEST(Termination, ASecondRequestWhileClosingSavesAndEndsAtOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The death test's child runs this body again: it takes the parent's directory.
    const QByteArray previousHome = qgetenv("KAVRIN_HOME");
    std::optional<QTemporaryDir> home;
    QByteArray dir = qgetenv("KAVRIN_TERMINATION_HOME");
    if (dir.isEmpty()) {
        home.emplace();
        dir = home->path().toUtf8();
        qputenv("KAVRIN_TERMINATION_HOME", dir);
    }
    qputenv("KAVRIN_HOME", dir);
    const QString ini = kav::configurationFilePath();
    EXPECT_EXIT(
        {
            TMainForm f;
            f.show();
            f.activateWindow();
            if (!kavtest::waitUntil([&] { return f.firstActivated(); }, 5000))
                std::_Exit(4);
            QFile::remove(ini);
            kav::termination::install([&f](int) { f.terminationRequested(); });
            int quiet[2];
            if (::pipe(quiet) != 0)
                std::_Exit(5);
            QTimer::singleShot(50, [] { ::raise(SIGTERM); });
            QTimer::singleShot(150, [] { ::raise(SIGINT); });
            kav::ws::waitDescriptor(quiet[0], POLLIN, 10000);
            std::fputs("the program ran on after the second request\n", stderr);
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(QFile::exists(ini)) << "the settings were not saved";
    qunsetenv("KAVRIN_TERMINATION_HOME");
    qputenv("KAVRIN_HOME", previousHome);
}

// One termination request while a modal window is open and a handler inside
// its loop waits on something that never ends (a viewer streaming from a hung
// server): the program still ends within a second, the settings saved, as a
// session manager expects.
TEST(Termination, AModalWindowAndAWaitInsideItDoNotHoldTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QByteArray previousHome = qgetenv("KAVRIN_HOME");
    std::optional<QTemporaryDir> home;
    QByteArray dir = qgetenv("KAVRIN_TERMINATION_HOME");
    if (dir.isEmpty()) {
        home.emplace();
        dir = home->path().toUtf8();
        qputenv("KAVRIN_TERMINATION_HOME", dir);
    }
    qputenv("KAVRIN_HOME", dir);
    const QString ini = kav::configurationFilePath();
    EXPECT_EXIT(
        {
            TMainForm f;
            QObject::connect(&f, &TMainForm::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
            f.show();
            f.activateWindow();
            if (!kavtest::waitUntil([&] { return f.firstActivated(); }, 5000))
                std::_Exit(4);
            QFile::remove(ini);
            kav::termination::install([&f](int) { f.terminationRequested(); });
            int quiet[2];
            if (::pipe(quiet) != 0)
                std::_Exit(5);
            QDialog modal(&f);
            QTimer::singleShot(50, &modal, [&] {
                QTimer::singleShot(20, [] { ::raise(SIGTERM); });
                QTimer::singleShot(1020, [] {
                    std::fputs("still running a second after SIGTERM\n", stderr);
                    std::_Exit(3);
                });
                // Ended by the closing's cancel; the code after it waits again.
                kav::ws::waitDescriptor(quiet[0], POLLIN, 10000);
                kav::ws::waitDescriptor(quiet[0], POLLIN, 10000);
            });
            modal.exec();
            kav::ws::waitDescriptor(quiet[0], POLLIN, 10000);
            std::_Exit(6);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(QFile::exists(ini)) << "the settings were not saved";
    qunsetenv("KAVRIN_TERMINATION_HOME");
    qputenv("KAVRIN_HOME", previousHome);
}

TEST(Program, OptionsLogFileAndTermination)
{
    QProcess p;
    p.start(QStringLiteral(KAVRIN_EXE), {QStringLiteral("--version")});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    const QList<QByteArray> versionLines = p.readAllStandardOutput().split('\n');
    EXPECT_EQ(versionLines.value(0), QByteArray("kavrin 2.2"));
    EXPECT_TRUE(versionLines.contains(QStringLiteral("사용 허가: GNU GPL 버전 3 이상 <https://gnu.org/licenses/gpl.html>.").toUtf8()));
    p.start(QStringLiteral(KAVRIN_EXE), {QStringLiteral("--help")});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    // The program's own words, in Korean like every message of its own.
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput()).contains(QStringLiteral("--log-file=경로")));
    p.start(QStringLiteral(KAVRIN_EXE), {QStringLiteral("--frobnicate")});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("알 수 없는 옵션입니다: --frobnicate")));

    QTemporaryDir tmp;
    const QString log = tmp.path() + QStringLiteral("/session.log");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KAVRIN_HOME"), tmp.path());
    env.insert(QStringLiteral("HOME"), tmp.path());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KAVRIN_EXE), {QStringLiteral("--log-file=") + log, QStringLiteral("no such profile")});
    ASSERT_TRUE(p.waitForStarted(10000));
    auto logText = [&] {
        QFile f(log);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    ASSERT_TRUE(kavtest::waitUntil([&] { return logText().count(u'\n') >= 5; }, 15000)) << logText().toStdString();
    const QStringList lines = logText().split(u'\n');
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Description: ")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("System Status: ")));
    EXPECT_EQ(lines[2], QStringLiteral("Kavrin Version 2.2"));
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
}

// A transfer that took long and ended while the user worked in another window is told on
// the desktop with its outcome; a short one, or one watched to its end, is not.
TEST(MainFormNotice, ALongTransferEndingUnseenIsToldOnTheDesktop)
{
    TestForm f;
    f.show();
    f.activateWindow();
    kavtest::waitUntil([&] { return f.isActiveWindow(); }, 2000);
    f.LongWorkMs = 200;
    QWidget elsewhere;
    QDialog &transfer = f.transfers().transferWindow();
    struct Row {
        const char *what;
        int takesMs;
        bool away;
        bool told;
    };
    const Row rows[] = {
        {"long, unseen", 300, true, true},
        {"short, unseen", 0, true, false},
        {"long, watched", 300, false, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        f.notices.clear();
        transfer.show();
        if (row.away) {
            elsewhere.show();
            elsewhere.activateWindow();
            kavtest::waitUntil([&] { return !f.isActiveWindow(); }, 2000);
        } else {
            f.activateWindow();
            kavtest::waitUntil([&] { return f.isActiveWindow(); }, 2000);
        }
        QTest::qWait(row.takesMs);
        emit f.session().transcript(kav::TranscriptSide::Host, QStringLiteral("226 Transfer complete."));
        transfer.hide();
        if (row.told)
            EXPECT_EQ(f.notices, (QStringList{QStringLiteral("전송이 끝났습니다"), QStringLiteral("226 Transfer complete.")}));
        else
            EXPECT_TRUE(f.notices.isEmpty());
        elsewhere.hide();
    }
}
