#pragma once
// The main window: the frame that holds both panes, the header buttons, the
// message list and the option controls, owns the FTP session and wires every
// control to the handler of the subsystem that owns it.

#include "connect_flow.h"

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <memory>

class QDialog;
class QFile;
class QUrl;
class QSplashScreen;

namespace Ui { class TMainForm; }

namespace kav {

class HostPane;
class ListsBridge;
class SyncBridge;
class NetTools;
class LocalPane;
class MessageLog;
class Session;
class SettingsBridge;
struct SessionParts;
class TransferBridge;
class TViewForm;
class WindowSizeHolder;
class WindowStacking;
class TConnectForm;
class TLogForm;
class TPrintForm;

class TMainForm : public QWidget, public ConnectWindow {
    Q_OBJECT
public:
    // Lines the message list holds before it empties itself (its tag).
    static constexpr int MessageCapacity = 80;
    static constexpr int ClientWidth = 697;
    static constexpr int ClientHeight = 562;

    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    Ui::TMainForm *form() const { return ui.get(); }
    Session &session() const { return *ftp; }
    SessionParts &sessionParts() const { return *parts; }
    // The connect and login sequence and the profile in use.
    ConnectFlow &connectFlow() const { return *flow; }
    SessionProfile &profile() const { return flow->profile; }
    // The stored host profiles that the connect dialog shows.
    ProfileList &profiles() const { return *profileList; }
    TConnectForm *connectForm() const { return connectDialog; }
    // The log window, built when first asked for: most sessions never open it.
    TLogForm *logForm();
    // The lines of the message list, exact at once; its view follows once a frame.
    MessageLog &messages() const { return *messageLog; }
    // The configuration file, the option controls it keeps and the ASCII extension list.
    SettingsBridge &settings() const { return *settingsBridge; }
    TransferBridge &transfers() const { return *transferBridge; }
    // The queue, bookmark, tools and search windows.
    ListsBridge &lists() const { return *listsBridge; }
    TViewForm *viewForm() const { return viewWindow; }
    TPrintForm *printForm() const { return printWindow; }
    // Re-reads the local pane (keeps SelectAfterRefresh for it).
    void refreshLocalPane();
    HostPane *hostPaneOf() const { return hostPane; }
    LocalPane *localPaneOf() const { return localPane; }

    // Start-up: the splash to close at first activation (taken over), the
    // profile to connect to, and the optional copy of the log in a file.
    void setSplash(QSplashScreen *splash);
    void setStartProfile(const QString &name) { startProfile = name; }
    bool setLogFile(const QString &path);

    bool firstActivated() const { return FirstActivated; }
    bool winsockReady() const { return WinsockReady; }

    // Handlers.
    void FormActivate();
    void FormDblClick();
    void BB_ExitClick();
    // The system asks the program to end (SIGTERM at logout, SIGINT): a running
    // transfer or print is cancelled as its cancel button does, then the window
    // closes as the exit button does, saving the settings (waiting at most half a
    // second for a server to finish answering). A second request while that
    // closing is under way saves and ends the program at once.
    void terminationRequested();
    void BB_StopClick();
    void RBlogwndClick();
    void RBnewsessionClick();
    void N_RStayOnTopClick();
    void N_RDropFilesClick();
    void N_RAntiIdleClick();
    void N_RCreateShortcutClick();
    void SetStayOnTop(bool on);

    // The file name that the next refresh of either pane selects.
    QString SelectAfterRefresh;
    // How long a transfer or print must take to be told on the desktop when it ends unseen.
    qint64 LongWorkMs = 10000;

    // ConnectWindow
    void AppendLog(const QString &line) override;
    bool stopEnabled() const override;
    void setStopEnabled(bool on) override;
    void setConnectEnabled(bool on) override;
    void setDisconnectEnabled(bool on) override;
    void runConnectDialog() override;
    void resetSessionProfile() override;
    void bringToFront() override;
    void moveCursorToConnect() override;
    void setTitles(const QString &caption, const QString &applicationTitle) override;
    QString baseTitle() const override { return BaseTitle; }
    void setUnixCommandsEnabled(bool on) override;
    void showFtpControls(bool on) override;
    void refreshHostLists() override;
    void clearHostPane() override;
    void clearMessages() override;
    void setSelectAfterRefresh(const QString &name) override { SelectAfterRefresh = name; }
    void enterLocalStartDirectory(const SessionProfile &profile) override;
    void loadHostLists(const QString &hostName) override;
    void saveConfiguration() override;
    void storeTrustedCertificate(const SessionProfile &profile) override;
    // The transfer or print window is showing (a data transfer or print job runs).
    virtual bool transferOrPrintShowing() const;
    void resetCancelTags() override;
    void clearAutoMode() override;

signals:
    // The window has closed for good; the program ends.
    void closed();

protected:
    // Seams: the platform services the frame calls, replaceable in tests.
    virtual bool startWinsock();
    virtual bool startProcess(const QString &program, const QStringList &arguments);
    virtual void beep();
    virtual int runModal(QDialog &dialog);
    virtual QString programPath() const;
    virtual bool isConnected() const;
    // Loads the configuration file into the dialogs and option controls.
    virtual void loadConfiguration();
    // Opens the HTML manual when one is shipped with the program, at the page about the
    // window the user asks from.
    virtual void showHelp();
    // The manual's contents page, and opening one of its pages above `over`.
    virtual QUrl manualPage() const;
    virtual void openHelp(const QUrl &page, QWidget *over);
    // A notice on the desktop: a transfer or print that took at least LongWorkMs ended
    // while this window was not the active one (the outcome: the server's last word).
    virtual void showDesktopNotice(const QString &summary, const QString &body);

    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Files dropped from the desktop while "Drop Files" is ticked are uploaded.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void wireControls();
    void watchLongWork(QObject *watched, QEvent *event);
    void closeSplash();
    // The profile name as the new instance's argument list ("--" first when the
    // name itself looks like an option).
    QStringList profileArguments() const;

    std::unique_ptr<Ui::TMainForm> ui;
    std::unique_ptr<SessionParts> parts;   // the composition root's objects
    Session *ftp = nullptr;
    ConnectFlow *flow = nullptr;
    ProfileList *profileList = nullptr;
    TConnectForm *connectDialog = nullptr;
    TLogForm *logWindow = nullptr;
    MessageLog *messageLog = nullptr;
    TPrintForm *printWindow = nullptr;
    std::unique_ptr<SettingsBridge> settingsBridge;
    std::unique_ptr<TransferBridge> transferBridge;
    std::unique_ptr<ListsBridge> listsBridge;
    std::unique_ptr<SyncBridge> syncBridge;
    TViewForm *viewWindow = nullptr;
    std::unique_ptr<WindowSizeHolder> viewSize;   // the viewer's size in the configuration
    std::unique_ptr<WindowSizeHolder> mainSize;   // this window's size in the configuration
    HostPane *hostPane = nullptr;
    NetTools *netTools = nullptr;
    LocalPane *localPane = nullptr;
    QSplashScreen *splashWindow = nullptr;
    WindowStacking *stacking = nullptr;   // every other window of the program passes through it
    std::unique_ptr<QFile> logFile;

    QString BaseTitle;
    QString startProfile;
    bool FirstActivated = false;
    bool WinsockReady = true;
    bool shutDown = false;
    bool terminating = false;   // a termination request is being carried out
    bool topToRepeat = false;   // the top layer was asked for before the window showed
    QElapsedTimer workShown;    // since the transfer or print window showed
    QString lastHostWord;       // the server's last line since then
    QElapsedTimer sinceTermination;
    void closeWhenIdle();
};

} // namespace kav
