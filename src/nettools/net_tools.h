#pragma once
// The main window's network tool buttons and the windows behind them.

#include "net_tools_host.h"
#include "service_query.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QDialog;

namespace kav {

class TConnectForm;
class TExecForm;
class TViewForm;
struct SessionProfile;

class NetTools : public QObject {
    Q_OBJECT
public:
    // `host` is not owned unless handed over with adoptHost().
    NetTools(NetToolsHost &host, QObject *parent = nullptr);
    ~NetTools() override;
    void adoptHost(std::unique_ptr<NetToolsHost> owned);

    // BB_LookUp, BB_Ping and BB_Trace: mode 1, 2, 3; the window's caption is the
    // button's caption and hint.
    void BB_LookUpClick(int mode, const QString &caption, const QString &hint);
    void BB_IPScannerClick();
    void BB_RexecClick();
    // The host pane's "Rexec(&Open)...": the command preset with the file's path.
    void openRexecWith(const QString &hostPath);
    // The main window's stop button was pressed: a tool waiting for a connection gives up.
    void stopPressed() { host.setStopTag(1); }
    void BB_DayTimeClick() { services.BB_DayTimeClick(); }
    void BB_FingerClick() { services.BB_FingerClick(); }

    TExecForm &execForm();
    ServiceQueries services;
    // Runs a tool window modally (tests drive it themselves).
    std::function<void(QDialog &)> runModal;
    // Called with every tool window before it is shown (tests choose the ICMP socket kind).
    std::function<void(QDialog &)> prepareWindow;

private:
    void showModal(QDialog &dialog);

    NetToolsHost &host;
    std::unique_ptr<NetToolsHost> ownedHost;
    QPointer<TExecForm> exec;  // a child of the main window, which may delete it first
};

// Connects BB_LookUp, BB_Ping, BB_Trace, BB_Rexec, BB_DayTime, BB_Finger and
// BB_IPScanner, found by name among the window's children, to the tools.
void connectToolButtons(QWidget &mainWindow, NetTools &tools);

// The pieces of the main window the tools borrow.
struct MainWindowParts {
    QWidget *window = nullptr;
    // The message list and the program-wide stop button.
    std::function<void(const QString &line)> appendLog;
    std::function<bool()> stopEnabled;
    std::function<void(bool on)> setStopEnabled;
    std::function<void()> refreshHostLists;
    TConnectForm *hostDialog = nullptr;
    SessionProfile *profile = nullptr;
    TViewForm *viewer = nullptr;
    std::function<QString()> localDirectory;
    std::function<int(QStringList &names, QStringList &addresses)> pingProfiles;
    // The host pane's remote execution hook, set here.
    std::function<void(const QString &hostPath)> *remoteExecute = nullptr;
};

// Builds the tools for the main window (owned by it) and connects its buttons.
NetTools *installNetTools(const MainWindowParts &parts);

} // namespace kav
