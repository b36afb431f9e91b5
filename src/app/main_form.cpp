#include "main_form.h"
#include "ui_main_form.h"

#include "about_form.h"
#include "button_images.h"
#include "help_key.h"
#include "log_form.h"
#include "main_layout.h"
#include "message_log.h"
#include "program_info.h"
#include "settings_bridge.h"
#include "lists_bridge.h"
#include "sync_bridge.h"
#include "compare_bridge.h"
#include "local_bridge.h"
#include "remote_bridge.h"
#include "host_ops_bridge.h"
#include "local/local_pane.h"
#include "transfer_bridge.h"
#include "transfer/batch_transfer.h"
#include "transfer/trans_form.h"
#include "viewers/print_form.h"
#include "viewers/view_form.h"

#include "browse/host_pane.h"
#include "config/connect_form.h"
#include "composition.h"
#include "ftp/session.h"
#include "nettools/net_tools.h"
#include "platform/desktop_notice.h"
#include "platform/desktop_tools.h"
#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/help_browser.h"
#include "platform/pane_drop.h"
#include "platform/shell.h"
#include "platform/termination.h"
#include "platform/local_path.h"
#include "platform/window_placement.h"
#include "platform/window_stacking.h"
#include "platform/winsock.h"

#include <QMenu>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplashScreen>
#include <QTimer>
#include <QUrl>
#include <QWindow>

namespace kav {

TMainForm::TMainForm(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TMainForm>())
{
    installKoreanFonts();
    ui->setupUi(this);
    setFont(windowFont());
    // Boxes asked without a window of their own (the session's, the connect flow's)
    // open over this one, never behind it while it is kept on top.
    setDialogOwner(this);
    stacking = new WindowStacking(*this, [this](bool on) { SetStayOnTop(on); },
                                  [this] { return ui->N_RStayOnTop->isChecked(); });
    // The design size is the opening size; the user may resize the window and the
    // panes grow with it. On a small (or scaled) screen it shrinks to fit.
    layOutMainWindow(*this, *ui);
    resize(ClientWidth, ClientHeight);
    fitOnScreen(this);
    placeOver(this, nullptr);

    ui->CB_CurName->setFont(QFont(QStringLiteral("굴림체")));
    applyButtonImages(*ui);
    for (QWidget *w : {static_cast<QWidget *>(ui->LFileListBox), static_cast<QWidget *>(ui->LDirectoryListBox)})
        w->setContextMenuPolicy(Qt::CustomContextMenu);
    ui->LFileListBox->setSelectionMode(QAbstractItemView::ExtendedSelection);

    messageLog = new MessageLog(MessageCapacity, *ui->LB_message, this);
    printWindow = new TPrintForm(this);
    transferBridge = std::make_unique<TransferBridge>(*this);
    SessionParts::Views views;
    views.hostWidgets.RFileListBox = ui->RFileListBox;
    views.hostWidgets.RDirListBox = ui->RDirListBox;
    views.hostWidgets.CB_CurName = ui->CB_CurName;
    views.hostWidgets.N_RSortByName = ui->N_RSortByName;
    views.hostWidgets.N_RRexec = ui->N_RRexec;
    views.hostWidgets.LFileListBox = ui->LFileListBox;
    views.selectAfterRefresh = &SelectAfterRefresh;
    views.transferHost = transferBridge.get();
    views.transferWindow = &transferBridge->transferWindow();
    views.changeMode = ui->N_RChangeMode;
    parts = std::make_unique<SessionParts>(*this, views);
    ftp = &parts->session;
    flow = &parts->flow;
    profileList = &parts->profiles;
    hostPane = parts->hostPane.get();
    ftp->setBusyCheck([this] { return transferOrPrintShowing(); });
    connectDialog = new TConnectForm(flow->profile, *profileList, this);
    settingsBridge = std::make_unique<SettingsBridge>(*this);
    viewWindow = new TViewForm(this);
    viewSize = std::make_unique<WidgetSize>(*viewWindow);
    settingsBridge->configuration().setWindowSizeHolder(SizedWindow::View, viewSize.get());
    mainSize = std::make_unique<MainWindowSize>(*this);
    settingsBridge->configuration().setWindowSizeHolder(SizedWindow::Main, mainSize.get());
    hostPane->showReport = [this](const QString &caption, const QStringList &lines, const QString &fileName) {
        viewWindow->setSaveDirectory(localPane->currentDirectory());
        viewWindow->setSaveFileName(fileName);
        viewWindow->clearText();
        viewWindow->setLines(lines);
        viewWindow->setCaption(caption);
        viewWindow->showModal();
    };
    hostPane->uploadLocalSelection = [this] { transferBridge->commands().SB_LeftRightClick(); };
    {
        TransferCommands &t = transferBridge->commands();
        Ui::TMainForm &f = *ui;
        connect(f.SB_LeftRight, &QAbstractButton::clicked, this, [&t] { t.SB_LeftRightClick(); });
        connect(f.SB_RightLeft, &QAbstractButton::clicked, this, [&t] { t.SB_RightLeftClick(); });
        connect(f.N_RDownload, &QAction::triggered, this, [&t] { t.SB_RightLeftClick(); });
        connect(f.N_LUpload, &QAction::triggered, this, [&t] { t.SB_LeftRightClick(); });
        connect(f.N_LManualUpload, &QAction::triggered, this, [&t] { t.N_LManualUploadClick(); });
        connect(f.N_RManualDownload, &QAction::triggered, this, [&t] { t.N_RManualDownloadClick(); });
    }
    localPane = createLocalPane(*this, viewWindow);
    localPane->downloadHostSelection = [this] { transferBridge->commands().SB_RightLeftClick(); };
    hostPane->storeRemoteStartPath = [this](const QString &dir) {
        connectDialog->setProfileStartPath(flow->profile.HostName, true, dir);
    };
    localPane->storeLocalStartPath = [this](const QString &dir) {
        // Only for a connected profile whose host pane shows a directory.
        if (parts->fs.connected() && !hostPane->currentDirectory().isEmpty())
            connectDialog->setProfileStartPath(flow->profile.HostName, false, dir);
    };

    createRemoteFileOps(*this);
    wireHostFileOps(*this, *parts->hostFileOps);
    listsBridge = std::make_unique<ListsBridge>(*this);
    syncBridge = std::make_unique<SyncBridge>(*this);
    new CompareBridge(*this);   // a child of the window: its menu items live as long
    wireControls();
    MainWindowParts tools;
    tools.window = this;
    tools.appendLog = [this](const QString &line) { AppendLog(line); };
    tools.stopEnabled = [this] { return stopEnabled(); };
    tools.setStopEnabled = [this](bool on) { setStopEnabled(on); };
    tools.refreshHostLists = [this] { refreshHostLists(); };
    tools.hostDialog = connectDialog;
    tools.profile = &flow->profile;
    tools.viewer = viewWindow;
    tools.localDirectory = [this] { return localPane->currentDirectory(); };
    tools.pingProfiles = [this](QStringList &n, QStringList &a) {
        return settingsBridge->configuration().LoadProfileNames(n, a);
    };
    tools.remoteExecute = &hostPane->remoteExecute;
    netTools = installNetTools(tools);

    FirstActivated = false;
    WinsockReady = true;
}

TMainForm::~TMainForm()
{
    syncBridge.reset();
    listsBridge.reset();
    delete splashWindow;
    // The panes and engines go while the controls they watch still exist.
    parts.reset();
}

void TMainForm::wireControls()
{
    Ui::TMainForm &f = *ui;
    connect(f.BB_Connect, &QPushButton::clicked, this, [this] { flow->BB_ConnectClick(true); });
    connect(f.BB_Disconnect, &QPushButton::clicked, this, [this] { flow->BB_DisconnectClick(); });
    connect(f.BB_Stop, &QPushButton::clicked, this, &TMainForm::BB_StopClick);
    connect(f.BB_Exit, &QPushButton::clicked, this, &TMainForm::BB_ExitClick);
    connect(f.RB_ascii, &QRadioButton::clicked, this, [this] { flow->RB_asciiClick(); });
    connect(f.RB_binary, &QRadioButton::clicked, this, [this] { flow->RB_binaryClick(); });
    // The anti-idle mark is the session's upkeep switch, however it changes.
    connect(f.N_RAntiIdle, &QAction::toggled, this, [this](bool on) { ftp->setAntiIdle(on); });
    connect(f.RBlogwnd, &QPushButton::clicked, this, &TMainForm::RBlogwndClick);
    connect(f.RBnewsession, &QPushButton::clicked, this, &TMainForm::RBnewsessionClick);
    connect(f.RBabout, &QPushButton::clicked, this, &TMainForm::FormDblClick);
    connect(f.N_RStayOnTop, &QAction::triggered, this, [this] {
        // The action already flipped its mark; the handler flips it itself.
        ui->N_RStayOnTop->setChecked(!ui->N_RStayOnTop->isChecked());
        N_RStayOnTopClick();
    });
    connect(f.N_RDropFiles, &QAction::triggered, this, [this] {
        ui->N_RDropFiles->setChecked(!ui->N_RDropFiles->isChecked());
        N_RDropFilesClick();
    });
    connect(f.N_RAntiIdle, &QAction::triggered, this, [this] {
        ui->N_RAntiIdle->setChecked(!ui->N_RAntiIdle->isChecked());
        N_RAntiIdleClick();
    });
    connect(f.N_RCreateShortcut, &QAction::triggered, this, &TMainForm::N_RCreateShortcutClick);

    HostPane *host = hostPane;
    connect(f.RBrefresh, &QPushButton::clicked, host, [host] { host->RBrefreshClick(); });
    connect(f.N_RSortByName, &QAction::triggered, host, [host] { host->N_RSortByNameClick(); });
    connect(f.N_RSpecifyadirectory, &QAction::triggered, host, [host] { host->N_RSpecifyadirectoryClick(); });
    connect(f.N_RCopyURL, &QAction::triggered, host, [host] { host->N_RCopyURLClick(); });
    connect(f.N_RRexec, &QAction::triggered, host, [host] { host->RFileListBoxDblClick(); });
    connect(f.N_RDirectoryList, &QAction::triggered, host, [host] { host->N_RDirectoryListClick(); });
    connect(f.SB_HostToClip, &QAbstractButton::clicked, host, [host] { host->SB_HostToClipClick(); });
    connect(f.SB_CopyRemotePath, &QAbstractButton::clicked, host, [host] { host->SB_CopyRemotePathClick(); });

    auto popupOn = [this](QAbstractItemView *view, QMenu *menu) {
        connect(view, &QWidget::customContextMenuRequested, this, [view, menu](const QPoint &pos) {
            menu->popup(view->viewport()->mapToGlobal(pos));
        });
    };
    popupOn(f.RFileListBox, f.RFileMenu);
    popupOn(f.RDirListBox, f.RDirMenu);
    popupOn(f.LFileListBox, f.LFileMenu);
    popupOn(f.LDirectoryListBox, f.LDirMenu);

    // Double clicks on the header, the pane frames and the message list.
    for (QWidget *w : {static_cast<QWidget *>(f.PanelHEAD), static_cast<QWidget *>(f.GB_LocalSide),
                       static_cast<QWidget *>(f.GB_HostSide), f.LB_message->viewport()})
        w->installEventFilter(this);

    // A long transfer or print that ends while the user works elsewhere is told on the desktop.
    for (QWidget *w : {static_cast<QWidget *>(&transferBridge->transferWindow()), static_cast<QWidget *>(printWindow)})
        w->installEventFilter(this);
    connect(ftp, &Session::transcript, this, [this](TranscriptSide side, const QString &text) {
        if (side == TranscriptSide::Host && !text.isEmpty())
            lastHostWord = text;
    });

    connect(connectDialog, &TConnectForm::helpRequested, this, [this] { showHelp(); });
    new HelpKey([this] { showHelp(); }, this);
}

void TMainForm::setSplash(QSplashScreen *splash)
{
    delete splashWindow;
    splashWindow = splash;
}

void TMainForm::closeSplash()
{
    if (splashWindow) {
        splashWindow->hide();
        splashWindow->deleteLater();
        splashWindow = nullptr;
    }
}

bool TMainForm::setLogFile(const QString &path)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    logFile = std::move(file);
    return true;
}

// ---- activation -------------------------------------------------------------

void TMainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Where no window manager ever activates the window, the first activation
    // still has to happen: run it once from the event loop.
    if (!FirstActivated)
        QTimer::singleShot(0, this, &TMainForm::FormActivate);
}

bool TMainForm::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && !FirstActivated)
        QTimer::singleShot(0, this, &TMainForm::FormActivate);
    return QWidget::event(event);
}

void TMainForm::FormActivate()
{
    QCoreApplication::processEvents();
    if (FirstActivated || shutDown)
        return;
    FirstActivated = true;

    BaseTitle = applicationTitle().isEmpty() ? programTitle() : applicationTitle();
    setWindowTitle(BaseTitle);
    localPane->FillDriveTabs();

    if (!startWinsock()) {
        for (QWidget *w : {ui->BB_Connect, ui->BB_Disconnect, ui->BB_Stop, ui->BB_LookUp, ui->BB_Ping,
                           ui->BB_Trace, ui->BB_Rexec, ui->BB_DayTime, ui->BB_Finger, ui->BB_IPScanner})
            w->setEnabled(false);
        closeSplash();
        informationBox(QStringLiteral("네트워크 오류: 원도우즈에 WINSOCK.DLL(Version 1.1 이상)이 구동되지 않습니다."), this);
        WinsockReady = false;
        return;
    }

    AppendLog(QStringLiteral("Description: ") + ws::description());
    AppendLog(QStringLiteral("System Status: ") + ws::systemStatus());
    AppendLog(windowTitle());
    AppendLog(programCredit());
    AppendLog(QString());

    moveCursorToConnect();

    resetSessionProfile();
    loadConfiguration();

    // The stored options hold the opposite of the state in force: one toggle applies them.
    N_RStayOnTopClick();
    N_RDropFilesClick();
    hostPane->applySorted(ui->N_RSortByName->isChecked());

    closeSplash();
    QCoreApplication::processEvents();

    if (!startProfile.isEmpty()) {
        const int index = profileList->indexOf(startProfile);
        if (index >= 0) {
            profileList->choose(index);
            flow->BB_ConnectClick(false);
        }
    }
}

// ---- log ---------------------------------------------------------------------

void TMainForm::AppendLog(const QString &logged)
{
    // A name whose bytes are no UTF-8 (a local file named in code page 949, a server's
    // name of no known encoding) reads as the panes show it, not as "??".
    const QString line = localpath::hasEscapes(logged) ? localpath::displayPath(logged) : logged;
    messageLog->append(line);
    if (logWindow && logWindow->isVisible())
        logWindow->addLine(line);
    if (logFile) {
        logFile->write(line.toUtf8());
        logFile->write("\n", 1);
        logFile->flush();
    }
    QCoreApplication::processEvents();
}

void TMainForm::RBlogwndClick()
{
    if (ui->BB_Stop->isEnabled())
        return;
    logForm()->show();
    logWindow->raise();
}

TLogForm *TMainForm::logForm()
{
    if (!logWindow) {
        logWindow = new TLogForm(this);
        connect(logWindow, &TLogForm::closing, this, [this] { SetStayOnTop(ui->N_RStayOnTop->isChecked()); });
    }
    return logWindow;
}

// ---- buttons and toggles -----------------------------------------------------

void TMainForm::BB_ExitClick()
{
    close();
}

void TMainForm::terminationRequested()
{
    if (terminating) {
        // The session manager will not wait much longer: keep what the user set.
        if (!shutDown && WinsockReady && FirstActivated)
            saveConfiguration();
        termination::exitNow(0);
    }
    terminating = true;
    sinceTermination.start();
    // Whatever holds the program (a modal window's own loop, a wait that a
    // handler nested in it keeps going), it ends within a second, the
    // settings saved: a session manager does not wait longer.
    constexpr int TerminationLimitMs = 800;
    QTimer::singleShot(TerminationLimitMs, this, [this] {
        if (!shutDown && WinsockReady && FirstActivated)
            saveConfiguration();
        termination::exitNow(0);
    });
    TTransForm &transfer = transferBridge->transferWindow();
    if (transfer.isVisible())
        transfer.BB_abortClick();
    // A print under way (a host file streamed to the printer) stops the same way.
    if (printWindow && printWindow->isVisible())
        printWindow->BB_abortClick();
    closeWhenIdle();
}

void TMainForm::closeWhenIdle()
{
    // The cancelled transfer ends at its next block and reads the server's last
    // word; the window closes once nothing waits on the network any more. A server
    // that is slow to send that block or that word (throttled, hung) is not waited
    // for past the grace time: the session manager kills a program that lingers,
    // and the settings matter more than the reply. Closing interrupts the wait.
    constexpr qint64 GraceMs = 500;
    const bool waiting = parts->fs.transferUnderWay() || ws::isBlocking();
    if (!shutDown && (transferOrPrintShowing() || (waiting && sinceTermination.elapsed() < GraceMs))) {
        QTimer::singleShot(20, this, &TMainForm::closeWhenIdle);
        return;
    }
    close();
}

void TMainForm::BB_StopClick()
{
    flow->BB_StopClick();
    if (netTools)
        netTools->stopPressed();
    QCoreApplication::processEvents();
}

void TMainForm::SetStayOnTop(bool on)
{
    // While another window of the program shows, the main window stays beneath it;
    // the last one to close puts it back on top.
    if (on && stacking && stacking->showing() > 0)
        return;
    const bool current = windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (current == on)
        return;
    // Once the native window exists it takes the hint in place: re-creating it
    // would unmap it and map a new one, a flicker at every start.
    if (QWindow *native = windowHandle()) {
        const Qt::WindowFlags flags = windowFlags().setFlag(Qt::WindowStaysOnTopHint, on);
        overrideWindowFlags(flags);
        native->setFlags(flags);
        // Set while the window manager is taking the window on (asked to map it, not yet
        // shown), the state can be lost: it is told again once the window shows.
        if (!native->isExposed() && !topToRepeat) {
            topToRepeat = true;
            native->installEventFilter(this);
        }
        return;
    }
    const bool visible = isVisible();
    const QPoint position = pos();
    // Changing the flag re-creates the native window and hides it: show it again
    // where it was, without taking the focus.
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) {
        move(position);
        const bool noActivate = testAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, noActivate);
    }
}

void TMainForm::N_RStayOnTopClick()
{
    ui->N_RStayOnTop->setChecked(!ui->N_RStayOnTop->isChecked());
    SetStayOnTop(ui->N_RStayOnTop->isChecked());
}

void TMainForm::N_RDropFilesClick()
{
    ui->N_RDropFiles->setChecked(!ui->N_RDropFiles->isChecked());
    setAcceptDrops(ui->N_RDropFiles->isChecked());
}

void TMainForm::N_RAntiIdleClick()
{
    ui->N_RAntiIdle->setChecked(!ui->N_RAntiIdle->isChecked());
}

QStringList TMainForm::profileArguments() const
{
    const QString &name = flow->profile.HostName;
    if (name.isEmpty())
        return {};
    if (name.startsWith(QStringLiteral("--")))
        return {QStringLiteral("--"), name};
    return {name};
}

void TMainForm::RBnewsessionClick()
{
    saveConfiguration();
    // The profile name travels as an argument of its own: blanks and any other
    // character reach the new instance unchanged, and nothing is cut.
    startProcess(programPath(), isConnected() ? profileArguments() : QStringList{});
}

void TMainForm::N_RCreateShortcutClick()
{
    if (!isConnected())
        return;
    const QString program = programPath();
    const QString path = shell::writeLauncher(shell::desktopFolder(), flow->profile.HostName, program,
                                              profileArguments(), QFileInfo(program).absolutePath(),
                                              installedProgramIcon(program));
    if (!path.isEmpty())
        beep();
}

void TMainForm::FormDblClick()
{
    TAboutForm about(this);
    runModal(about);
}

void TMainForm::showDesktopNotice(const QString &summary, const QString &body)
{
    kav::showDesktopNotice(summary, body);
}

void TMainForm::watchLongWork(QObject *watched, QEvent *event)
{
    const bool transfer = watched == &transferBridge->transferWindow();
    if (!transfer && watched != printWindow)
        return;
    if (event->type() == QEvent::Show) {
        workShown.start();
        lastHostWord.clear();
    } else if (event->type() == QEvent::Hide && workShown.isValid()) {
        const qint64 took = workShown.elapsed();
        workShown.invalidate();
        if (took >= LongWorkMs && !isActiveWindow() && !shutDown)
            showDesktopNotice(transfer ? QStringLiteral("전송이 끝났습니다") : QStringLiteral("인쇄가 끝났습니다"),
                              lastHostWord);
    }
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
        watchLongWork(watched, event);
    if (topToRepeat && watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
        topToRepeat = false;
        windowHandle()->removeEventFilter(this);
        const Qt::WindowFlags flags = windowFlags();
        if (flags.testFlag(Qt::WindowStaysOnTopHint)) {
            QTimer::singleShot(0, this, [this] {
                QWindow *native = windowHandle();
                if (!native || !windowFlags().testFlag(Qt::WindowStaysOnTopHint))
                    return;
                native->setFlags(windowFlags().setFlag(Qt::WindowStaysOnTopHint, false));
                native->setFlags(windowFlags());
            });
        }
        return false;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == ui->LB_message->viewport()) {
            RBlogwndClick();
            return true;
        }
        if (watched == ui->PanelHEAD || watched == ui->GB_LocalSide || watched == ui->GB_HostSide) {
            FormDblClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- shut-down -----------------------------------------------------------------

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (shutDown) {
        event->accept();
        return;
    }
    if (transferOrPrintShowing()) {
        beep();
        QCoreApplication::processEvents();
        event->ignore();
        return;
    }
    // Before the first activation nothing was loaded, so nothing may be saved over
    // the user's configuration.
    if (WinsockReady && FirstActivated) {
        saveConfiguration();
        setAcceptDrops(false);
        ftp->interruptWait();
        ftp->closeForExit();
        parts->sftpFs.drop();
        ws::cleanup();
    }
    shutDown = true;
    if (logWindow)
        logWindow->hide();
    event->accept();
    emit closed();
}

// ---- seams ---------------------------------------------------------------------

bool TMainForm::startWinsock()
{
    return ws::startup();
}

bool TMainForm::startProcess(const QString &program, const QStringList &arguments)
{
    return shell::startDetached(program, arguments);
}

void TMainForm::beep()
{
    shell::beep();
}

int TMainForm::runModal(QDialog &dialog)
{
    return dialog.exec();
}

QString TMainForm::programPath() const
{
    return QCoreApplication::applicationFilePath();
}

bool TMainForm::isConnected() const
{
    return parts->fs.connected();
}

void TMainForm::loadConfiguration()
{
    settingsBridge->configuration().LoadConfiguration();
}

QUrl TMainForm::manualPage() const
{
    return manualUrl();
}

void TMainForm::openHelp(const QUrl &page, QWidget *over)
{
    openHelpPage(page, over);
}

void TMainForm::showHelp()
{
    // The box for a missing manual or browser belongs above the window that asked.
    QWidget *asking = QApplication::activeModalWidget();
    if (!asking && QApplication::activeWindow())
        asking = QApplication::activeWindow();
    // The browser is another program's window: a main window kept on top would cover it.
    stacking->outsideWindowOpened();
    // The page about the window the user asks from.
    openHelp(helpPageFor(asking ? asking : this, manualPage()), asking ? asking : this);
}

// ---- ConnectWindow -------------------------------------------------------------------

bool TMainForm::stopEnabled() const
{
    return ui->BB_Stop->isEnabled();
}

void TMainForm::setStopEnabled(bool on)
{
    ui->BB_Stop->setEnabled(on && WinsockReady);
}

void TMainForm::setConnectEnabled(bool on)
{
    ui->BB_Connect->setEnabled(on && WinsockReady);
}

void TMainForm::setDisconnectEnabled(bool on)
{
    ui->BB_Disconnect->setEnabled(on && WinsockReady);
}

void TMainForm::runConnectDialog()
{
    connectDialog->setProfileFieldsEnabled(true);
    connectDialog->exec();
}

void TMainForm::resetSessionProfile()
{
    connectDialog->resetSessionProfile();
}

void TMainForm::bringToFront()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TMainForm::moveCursorToConnect()
{
    QCursor::setPos(ui->BB_Connect->mapToGlobal(ui->BB_Connect->rect().center()));
}

void TMainForm::setTitles(const QString &caption, const QString &applicationTitle)
{
    setWindowTitle(caption);
    setApplicationTitle(applicationTitle);
}

void TMainForm::setUnixCommandsEnabled(bool on)
{
    ui->N_RChangeMode->setEnabled(on);
    ui->N_RRexec->setEnabled(on);
}

void TMainForm::showFtpControls(bool on)
{
    // Greyed with a hint saying why, so that nobody looks for them in vain.
    struct Control {
        QObject *control;
        const char *hint;
    };
    const Control controls[] = {
        {ui->GB_TransMode, "SFTP는 파일을 바이트 그대로 주고받으므로 ASCII/Binary 전송 방식이 없습니다. "},
        {ui->N_RDirectoryList, "SFTP 서버는 ls -la 목록을 보내지 않습니다. "},
        {ui->N_RAntiIdle, "SFTP 접속에는 NOOP으로 연결을 유지하는 기능이 없습니다. "},
    };
    for (const Control &c : controls) {
        if (!c.control->property("ftpToolTip").isValid())
            c.control->setProperty("ftpToolTip", c.control->property("toolTip"));
        const QString hint = on ? c.control->property("ftpToolTip").toString()
                                : QString::fromUtf8(c.hint) + FtpOnlyHint;
        c.control->setProperty("toolTip", hint);
        c.control->setProperty("enabled", on);
    }
    // A menu shows its items' hints only when asked to.
    for (QAction *item : {ui->N_RDirectoryList, ui->N_RAntiIdle})
        for (QObject *holder : item->associatedObjects())
            if (auto *menu = qobject_cast<QMenu *>(holder))
                menu->setToolTipsVisible(true);
}

void TMainForm::refreshHostLists()
{
    hostPane->RBrefreshClick();
}

void TMainForm::clearHostPane()
{
    hostPane->clear();
}

void TMainForm::clearMessages()
{
    messageLog->clear();
}

void TMainForm::enterLocalStartDirectory(const SessionProfile &profile)
{
    localPane->enterStartDirectory(profile);
}

void TMainForm::loadHostLists(const QString &hostName)
{
    settingsBridge->configuration().LoadHostLists(hostName);
}

void TMainForm::saveConfiguration()
{
    settingsBridge->configuration().SaveConfiguration();
}

void TMainForm::storeTrustedCertificate(const SessionProfile &profile)
{
    settingsBridge->configuration().storeTrustedCertificate(profile.HostName,
                                                           profile.Connection.TrustedCertificate);
}

bool TMainForm::transferOrPrintShowing() const
{
    return (transferBridge && transferBridge->transferWindow().isVisible())
        || (printWindow && printWindow->isVisible());
}

void TMainForm::resetCancelTags()
{
    if (transferBridge)
        transferBridge->transferWindow().setCancelFlag(0);
    if (printWindow)
        printWindow->setCancelFlag(0);
}

void TMainForm::refreshLocalPane()
{
    localPane->LBrefreshClick();
}

void TMainForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (ui->N_RDropFiles->isChecked() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedLocalPaths(event->mimeData());
    if (!ui->N_RDropFiles->isChecked() || paths.isEmpty())
        return;
    event->acceptProposedAction();
    transferBridge->commands().WMDropFiles(paths);
}

void TMainForm::clearAutoMode()
{
    ui->CB_AutoMode->setChecked(false);
}

} // namespace kav
