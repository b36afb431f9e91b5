#pragma once
// KAVRIN.INI and the program: the start-up loader, the savers, the host-list
// loader and the profile-name reader. The values travel as plain structs
// (configuration_file.h); this class moves them into and out of the profile
// model (which the connect dialog shows), the main window (through
// MainWindowSettings) and the stored lists.
//
// Every operation reads the file afresh, changes it in memory and writes it
// once, atomically, so that another instance's changes to other keys survive.
//
// Host bookmarks and queue: they belong to the profile named in the last
// successful LoadHostLists (hostListsProfile()). SaveConfiguration writes them
// back only under that name, and only when the session profile still carries
// it; removing that profile, or a failed read, leaves them owned by no profile,
// so they are never written under another profile nor over a list never loaded.
//
// Passwords: with LOGIN/KeyringPasswords on (on by default when a keyring
// answers at start), a saved password goes to the desktop's keyring under the
// profile's name and host, and the file keeps an empty PASSWORD value and a
// KEYRING marker naming the entry. Invariants:
// - a password is never written to the file while the option is on, unless
//   the keyring failed and the user said so in a box;
// - a keyring entry is deleted only after the file that no longer names it
//   has been saved, so a failed save never loses a password;
// - moving the passwords (switching the option) writes the file once;
// - nothing of a password reaches the log.

#include "config/configuration_file.h"
#include "config/profiles.h"
#include "config/stored_lists.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QHash>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace kav {

class AsciiExtensionList;
class IniFile;

// The last positions the full saver records for the connected profile.
struct LastPositions {
    QString localDir;   // current directory of the local directory list
    QString localFile;  // selected entry of LFileListBox with the highest index
    QString hostDir;    // text of CB_CurName
    QString hostFile;   // entry of RFileListBox at its item index
};

// What the configuration needs of the main window.
class MainWindowSettings {
public:
    virtual ~MainWindowSettings() = default;
    virtual MainOptions mainOptions() const = 0;
    virtual void setMainOptions(const MainOptions &options) = 0;
    // The remembered transfer type (the tag of GB_TransMode).
    virtual void setRememberedTransferType(int tag) = 0;
    // The positions of both panes; hostDir is empty when the host pane shows no directory.
    virtual LastPositions lastPositions() const = 0;
    // The ASCII extension list was replaced (the extension window shows it anew).
    virtual void extensionsLoaded() {}
    // The patterns of the local search field (from the ASCII extensions).
    virtual void setLocalSearchPatterns(const QStringList &patterns) { (void)patterns; }
};

// The outer size of a secondary window.
class WindowSizeHolder {
public:
    virtual ~WindowSizeHolder() = default;
    virtual QSize windowSize() const = 0;
    virtual void setWindowSize(const QSize &size) = 0;
    // False while minimized or maximized: the size is then not saved.
    virtual bool sizeSavable() const { return true; }
    // Where the window's frame stands, for a window whose place is kept too (nothing for
    // the others); putting it back keeps it on a screen.
    virtual std::optional<QPoint> windowPosition() const { return std::nullopt; }
    virtual void setWindowPosition(const QPoint &position) { (void)position; }
};

class Configuration : public ProfileStore {
public:
    Configuration(SessionProfile &profile, ProfileList &profiles, MainWindowSettings &main,
                  AsciiExtensionList &extensions, QWidget *messageParent = nullptr);
    ~Configuration() override;

    // The file: the settings directory's KAVRIN.INI (looked up at each use) unless set.
    QString path() const;
    void setPath(const QString &path) { filePath = path; }

    // The lists and windows plug in here; nullptr returns to the kept stand-in.
    // A window that plugs in receives the entries loaded so far.
    void setLocalBookmarks(ListHolder<QString> *holder);
    void setTools(ListHolder<QString> *holder);
    void setHostBookmarks(ListHolder<HostBookmark> *holder);
    void setQueue(ListHolder<QueueEntry> *holder);
    void setWindowSizeHolder(SizedWindow window, WindowSizeHolder *holder);

    ListHolder<QString> &localBookmarks() const { return *bookmarks; }
    ListHolder<QString> &tools() const { return *toolList; }
    ListHolder<HostBookmark> &hostBookmarks() const { return *hostMarks; }
    ListHolder<QueueEntry> &queue() const { return *queueList; }
    QSize windowSize(SizedWindow window) const;

    void LoadConfiguration();
    void SaveSessionProfile(const SessionProfile &profile) override;
    // The certificate the user chose to trust for the session's profile, into
    // its stored entry and the file at once.
    void storeTrustedCertificate(const QString &hostName, const QString &fingerprint);
    // Whether the panes of this profile are browsed together, kept for its next login.
    void storeBrowseTogether(const QString &hostName, bool on);
    void removeProfileKeys(const QString &name) override;
    QString keyringEntryOf(const QString &name) const override;
    bool movePasswords(bool toKeyring) override;
    // Where lines about the keyring go (the main window's log).
    void setLog(std::function<void(const QString &)> log) { logLine = std::move(log); }
    void SaveConfiguration();
    void LoadHostLists(const QString &profileName);
    // The ping window's reader: names and addresses of the profiles; returns the
    // index to select (LOGIN/HostName, else the first, -1 when there is none).
    int LoadProfileNames(QStringList &names, QStringList &addresses);

    // The profile the in-memory host bookmarks and queue were loaded for (empty: none).
    QString hostListsProfile() const { return hostListsOwner; }
    // False when the file existed but could not be read at start: nothing is written in this run.
    bool writable() const { return canWrite; }

private:
    // Changes one connection option of a stored profile (and of the session in
    // use when it is that profile) and writes just its line.
    void storeConnectionOption(const QString &hostName, const std::function<void(ConnectionOptions &)> &change);
    void writeFirstRun(IniFile &ini);
    // Reads the file for a change; false when it must not be written.
    bool openForChange(IniFile &ini);
    bool commit(IniFile &ini);
    // The extension list from its stored text (the defaults for an empty one).
    void useExtensions(const QString &stored);
    void applyLoginOptions(const LoginOptions &options);
    // Decides where the password of `p` goes in this save and puts it into
    // the keyring when that is the place; sets p.KeyringEntry. False: the
    // password keys must stay as they are (the user kept it out of the file).
    // Entries to delete once the file is saved are added to `stale`.
    bool placePassword(IniFile &ini, SessionProfile &p, QStringList &stale);
    void dropEntries(const QStringList &entries);
    void note(const QString &line);
    // The start: whether passwords go to the keyring (from the file, else from the probe).
    bool keyringOptionAtStart(const IniFile &ini);

    QString filePath;
    SessionProfile &session;
    ProfileList &profiles;
    MainWindowSettings &main;
    AsciiExtensionList &extensions;
    QWidget *messageParent;

    KeptList<QString> keptBookmarks, keptTools;
    KeptList<HostBookmark> keptHostMarks;
    KeptList<QueueEntry> keptQueue;
    ListHolder<QString> *bookmarks;
    ListHolder<QString> *toolList;
    ListHolder<HostBookmark> *hostMarks;
    ListHolder<QueueEntry> *queueList;
    std::array<std::unique_ptr<WindowSizeHolder>, SizedWindowCount> keptSizes;
    std::array<WindowSizeHolder *, SizedWindowCount> sizes{};

    std::function<void(const QString &)> logLine;
    QHash<QString, QString> savedEntries;  // case-folded profile name -> keyring entry of the last save
    bool keyringMissingAtStart = false;

    QString hostListsOwner;
    bool canWrite = true;
    bool saveFailureShown = false;
};

} // namespace kav
