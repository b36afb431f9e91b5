#pragma once
// What the network tools need from the main window: the log, the program-wide
// stop button with its tag, the host dialog they borrow, the text viewer for
// their reports and the local pane's directory. The main window's adapter
// (net_tools.cpp) implements it; tests implement it with scripted answers.

#include <QString>
#include <QStringList>

class QWidget;

namespace kav {

// The host chosen in the host dialog for a daytime or finger query.
struct ServiceTarget {
    QString name;     // profile name
    QString address;  // dotted address or host name; empty when the dialog was cancelled
    int timeoutSeconds = 0;
    int trials = 0;
};

// The saved profiles as the remote execution window copies them.
struct ExecProfiles {
    QStringList names, addresses, users, passwords;
    QString currentName, currentAddress, currentUser, currentPassword;
};

class NetToolsHost {
public:
    virtual ~NetToolsHost() = default;
    virtual QWidget *window() const = 0;
    virtual void AppendLog(const QString &line) = 0;
    // BB_Stop and StopTag: 0 waiting, 1 stopped, 2 connected, 3 refused. The
    // connect notices 1125 (daytime) and 1126 (finger) set the tag.
    virtual bool stopEnabled() const = 0;
    virtual void setStopEnabled(bool on) = 0;
    virtual int stopTag() const = 0;
    virtual void setStopTag(int tag) = 0;
    // Shows the host dialog with the login-only fields disabled; afterwards the
    // dialog's selection is as before.
    virtual ServiceTarget chooseServiceHost() = 0;
    virtual ExecProfiles execProfiles() const = 0;
    // The ping window's list: profile names and addresses in file order; returns
    // the index to select (-1 when there is none).
    virtual int pingProfiles(QStringList &names, QStringList &addresses) = 0;
    virtual QString localDirectory() const = 0;
    // The text viewer, modal, with a report ready to be saved.
    virtual void showReport(const QString &caption, const QStringList &lines, const QString &saveDirectory,
                            const QString &saveFileName) = 0;
    virtual void refreshHostLists() = 0;
};

// Connect notices of the two services (user message base + 101 and + 102).
inline constexpr int MsgDaytimeConnect = 1125;
inline constexpr int MsgFingerConnect = 1126;
// The remote execution window's socket notices.
inline constexpr int MsgExecSocket = 1024;

} // namespace kav
