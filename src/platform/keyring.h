#pragma once
// The desktop's keyring (the Secret Service, or KWallet), where host passwords
// are kept instead of KAVRIN.INI when the user wants it. One entry is one
// password, named by a text of ours; the keyring itself decides where and how
// it is locked.
//
// Layering: the configuration asks through keyring(); production answers with
// QtKeychain, whose jobs are asynchronous. Every call here waits for its job
// like a socket call does: in short slices that keep window events running,
// and never longer than the time limit, so a keyring that hangs (an unlock
// prompt nobody answers, a service that never replies) ends as TimedOut.
//
// Invariants:
// - a password never appears in a status text, a log line or an error;
// - a failed call leaves the caller to decide: nothing here falls back to a
//   file (QtKeychain's insecure fallback stays off).

#include <QString>
#include <memory>

namespace kav {

enum class KeyringStatus {
    Ok,        // done (a read found the entry)
    NotFound,  // the keyring answered: no such entry
    Locked,    // the keyring answered but stays locked, or the user refused to unlock it
    Refused,   // the keyring answered with a refusal or an error of its own
    Absent,    // no keyring on this desktop (no service, no session bus)
    TimedOut,  // no answer within the time limit
};

struct KeyringResult {
    KeyringStatus status = KeyringStatus::Absent;
    QString password;  // a read's password when status is Ok
    // Why it failed, for the log: the service's own words, never a password.
    QString reason;
    bool ok() const { return status == KeyringStatus::Ok; }
    // The keyring said something (an entry or its absence): it is there and open.
    bool answered() const { return status == KeyringStatus::Ok || status == KeyringStatus::NotFound; }
};

class Keyring {
public:
    virtual ~Keyring() = default;
    virtual KeyringResult read(const QString &entry) = 0;
    virtual KeyringResult write(const QString &entry, const QString &password) = 0;
    // Removing an entry that is not there succeeds.
    virtual KeyringResult remove(const QString &entry) = 0;
    // Whether a keyring answers now: a read of an entry nobody writes.
    KeyringResult probe();
};

// The keyring in use: the desktop's unless a test installed another.
Keyring &keyring();
// Installs a keyring (tests); returns the previous one. nullptr restores the desktop's.
std::unique_ptr<Keyring> setKeyring(std::unique_ptr<Keyring> keyring);

// The desktop's keyring through QtKeychain, entries under the service `service`;
// each call gives up after `limitMs`. The limit leaves time for an unlock prompt.
std::unique_ptr<Keyring> makeDesktopKeyring(const QString &service = QStringLiteral("Kavrin"),
                                            int limitMs = 60000);
// A keyring that is never there (every call: Absent).
std::unique_ptr<Keyring> makeAbsentKeyring();

// Short Korean words for a failed status, for boxes and the log.
QString keyringStatusText(KeyringStatus status);

} // namespace kav
