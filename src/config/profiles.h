#pragma once
// Host profiles as values: the profile in use, the stored profiles in file
// order with the one chosen, and the connect dialog's options. The connect
// dialog shows this model; the configuration loads and saves it. Each default
// lives here and nowhere else.

#include <QList>
#include <QObject>
#include <QString>

namespace kav {

// The connect time limit (seconds) and the number of connect attempts when
// nothing else is set or a field holds no positive number.
inline constexpr int DefaultTimeout = 15;
inline constexpr int DefaultTrialTimes = 3;
inline constexpr int DefaultControlPort = 21;
inline constexpr int DefaultSftpPort = 22;
// The most connections a batch of files may be spread over.
inline constexpr int MaxParallel = 8;

// The protocol a profile speaks: FTP (plain or with TLS), or SFTP over SSH.
enum class Protocol { Ftp, Sftp };
// The port a protocol's servers listen on unless a profile says otherwise.
inline int defaultPort(Protocol protocol) { return protocol == Protocol::Sftp ? DefaultSftpPort : DefaultControlPort; }

// How the data connection is made: the client listens and the server connects
// (PORT/EPRT), the server listens (EPSV/PASV), or passive first with one fallback
// to active when passive fails.
enum class DataMode { Active, Passive, Automatic };
// Plain FTP, or explicit TLS (AUTH TLS) required before the login.
enum class Security { Plain, Tls };

// The per-profile connection options. The defaults are the classic client's
// behaviour: port 21, active mode, plain FTP. The data mode and the security
// are FTP's own: an SFTP profile keeps them, unused.
struct ConnectionOptions {
    int Port = DefaultControlPort;
    DataMode Mode = DataMode::Active;
    Security Encryption = Security::Plain;
    // SHA-256 fingerprint (hex) of a server certificate the user chose to trust
    // for this profile although it failed the check; empty: none.
    QString TrustedCertificate;
    // The server clock's offset east of UTC in minutes, for the times of LIST
    // lines, which name no zone (MLSD and MDTM are UTC already); 0 by default.
    int ZoneOffset = 0;
    Protocol Kind = Protocol::Ftp;
    // How many connections a batch of files is spread over (1: one file after
    // another on the window's own connection). FTP's own: an SFTP profile keeps it, unused.
    int Parallel = 1;
    // Browse the two panes together from the directories shown at login.
    bool BrowseTogether = false;
    bool isDefault() const { return *this == ConnectionOptions{}; }
    bool operator==(const ConnectionOptions &) const = default;
};

// The values of the host profile in use, for the current or the next session.
// Filled by the connect dialog, reset after every disconnect, stored in KAVRIN.INI.
struct SessionProfile {
    QString HostName;   // profile name
    QString HostIP;     // dotted address or host name; empty: no connection wanted
    QString UserId;
    QString Password;
    // The keyring entry that holds the password when Password was not taken
    // from it (empty: the password is Password, from the file or typed).
    QString KeyringEntry;
    QString RemotePath;
    QString LocalPath;
    QString LastLocalDir;
    QString LastLocalFile;
    QString LastHostDir;
    QString LastHostFile;
    QString Editor;
    int Timeout = DefaultTimeout;         // seconds
    int TrialTimes = DefaultTrialTimes;   // connect attempts
    bool AutoSave = true;
    bool UseLastPath = false;
    ConnectionOptions Connection;
};

// One stored profile (a line of section IPADDRESS and its password).
struct ProfileEntry {
    QString HostName, HostIP, UserId, Password, RemotePath, LocalPath;
    QString LastLocalDir, LastLocalFile, LastHostDir, LastHostFile;
    ConnectionOptions Connection;
    // Where the password is when it is kept in the desktop's keyring (Password
    // is then empty); empty: Password is the password.
    QString KeyringEntry;
};

// Section LOGIN: the connect dialog's options, shared by every profile.
struct LoginOptions {
    QString HostName;  // last used profile
    int Timeout = DefaultTimeout;
    int TrialTimes = DefaultTrialTimes;
    QString Editor;
    bool AutoSave = true;
    bool UseLastPath = false;
    // Passwords go to the desktop's keyring instead of the file.
    bool KeyringPasswords = false;
};

// The largest offset a clock on this planet keeps from UTC, in minutes.
inline constexpr int MaxZoneOffset = 14 * 60;

// A zone offset as the user writes it: "+09:00", "-0530", "9", "-3:30" (hours,
// or hours and minutes); empty means 0. False for anything else or beyond
// 14 hours either way.
bool parseZoneOffset(const QString &text, int *minutes);
// "+09:00"; "" for 0, so an untouched field stays empty.
QString zoneOffsetText(int minutes);

// A number a user typed into a field: the field's default unless positive.
inline int positiveOr(int value, int fallback) { return value > 0 ? value : fallback; }

// Where confirmed and removed profiles go (the configuration file). Until the
// configuration file is wired in, the default does nothing and profiles live in memory.
class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    virtual void SaveSessionProfile(const SessionProfile &profile) { (void)profile; }
    // Deletes IPADDRESS/name, PASSWORD/name and the per-host QUEUE and RBOOKMARK keys.
    virtual void removeProfileKeys(const QString &name) { (void)name; }
    // The keyring entry the last save of the named profile put its password
    // in; empty when the password went to the file (or nowhere).
    virtual QString keyringEntryOf(const QString &name) const { (void)name; return {}; }
    // Moves every stored password into the keyring (true) or back into the
    // file, in one save of the file. False when the option must stay as it was.
    virtual bool movePasswords(bool toKeyring) { (void)toKeyring; return true; }
};

// The name of the keyring entry of a profile's password: the profile's name and host.
QString keyringEntryName(const QString &profileName, const QString &host);

// The stored profiles in file order, the one chosen, and the dialog's options.
// Names compare without regard to letter case. Every change is announced, so
// that the dialog showing the model follows it.
class ProfileList : public QObject {
    Q_OBJECT
public:
    int count() const { return int(list.size()); }
    // -1 when absent.
    int indexOf(const QString &name) const;
    const ProfileEntry &at(int index) const { return list.at(index); }
    const QList<ProfileEntry> &entries() const { return list; }

    void append(const ProfileEntry &entry);
    void set(int index, const ProfileEntry &entry);   // out of range: nothing
    void removeAt(int index);
    void clear();

    // The chosen profile, -1 for none. choose() asks the dialog to show it
    // (its selection handler runs); the dialog notes a user's choice with noteChosen().
    int chosen() const { return current; }
    void choose(int index);
    void noteChosen(int index) { current = index; }

    const LoginOptions &options() const { return loginOptions; }
    void setOptions(const LoginOptions &options);
    // The dialog's own edits, without asking it to show them again.
    LoginOptions &editableOptions() { return loginOptions; }

signals:
    void appended(int index);
    void entryChanged(int index);
    void removed(int index);
    void cleared();
    void chooseRequested(int index);
    void optionsChanged();

private:
    QList<ProfileEntry> list;
    LoginOptions loginOptions;
    int current = -1;
};

} // namespace kav
