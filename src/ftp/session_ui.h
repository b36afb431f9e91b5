#pragma once
// What the FTP session needs from the window that owns it. The session knows no
// widget: the main window implements this and keeps the nesting of the calls
// (everything is called synchronously, inside the session's own handlers).

#include <QString>

namespace kav {

struct SessionProfile;

class SessionUi {
public:
    virtual ~SessionUi() = default;

    virtual void AppendLog(const QString &line) = 0;

    // The program-wide stop button and its tag (0 waiting, 1 stopped, 2 connected, 3 failed).
    virtual bool stopEnabled() const = 0;
    virtual void setStopEnabled(bool on) = 0;
    virtual int stopTag() const = 0;
    virtual void setStopTag(int tag) = 0;

    virtual void setConnectEnabled(bool on) = 0;
    virtual void setDisconnectEnabled(bool on) = 0;

    // Shows the host dialog modally with its profile fields enabled; confirming it
    // fills the session profile (an empty HostIP means: no connection).
    virtual void runConnectDialog() = 0;
    // Reset of the session profile from the dialog's option controls.
    virtual void resetSessionProfile() = 0;

    virtual void bringToFront() = 0;
    virtual void moveCursorToConnect() = 0;
    // Window caption and application (task bar) title.
    virtual void setTitles(const QString &caption, const QString &applicationTitle) = 0;
    virtual QString baseTitle() const = 0;

    // Permission change and remote execution menu items (off for Windows servers).
    virtual void setUnixCommandsEnabled(bool on) = 0;

    // A 257 reply named the current host directory.
    virtual void hostDirectoryReported(const QString &name) = 0;
    // Re-read the host directory into the host pane (sends PWD and LIST).
    virtual void refreshHostLists() = 0;
    // Empty the host lists and the current-directory field.
    virtual void clearHostPane() = 0;
    virtual void clearMessages() = 0;
    virtual void setSelectAfterRefresh(const QString &name) = 0;

    // Connect step: put the local pane into the profile's start directory.
    virtual void enterLocalStartDirectory(const SessionProfile &profile) = 0;
    // This profile's transfer queue and host bookmarks into their windows.
    virtual void loadHostLists(const QString &hostName) = 0;
    virtual void saveConfiguration() = 0;

    virtual bool antiIdleChecked() const = 0;
    // The transfer or print window is showing (a data transfer or print job runs).
    virtual bool transferOrPrintShowing() const = 0;
    // Cancel flags of the transfer and print windows back to 0.
    virtual void resetCancelTags() = 0;
    // Automatic transfer type selection off (manual type chosen).
    virtual void clearAutoMode() = 0;
};

} // namespace kav
