#pragma once
// The keys of KAVRIN.INI as plain values: what the loader reads and the savers
// write, free of any window. Configuration moves these into the controls.

#include "config/profiles.h"

#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace kav {

class IniFile;

// Section CONFIG: the main window's options, as its controls hold them.
struct MainOptions {
    bool StayOnTop = false;   // check mark of N_RStayOnTop (the file holds its opposite after the start-up toggle)
    bool DropFiles = false;   // check mark of N_RDropFiles
    bool AsciiCheck = false;  // RB_ascii
    bool BinCheck = true;     // RB_binary
    bool AutoCheck = true;    // CB_AutoMode
    bool AntiIdle = false;    // N_RAntiIdle
    bool SortByName = false;  // N_RSortByName
    int LocalSplitter = 0;    // height of LFileListBox
    int HostSplitter = 0;     // height of RFileListBox
    bool operator==(const MainOptions &) const = default;
};

// The windows whose outer sizes the file keeps, in the order of their keys. The
// first-run file holds the five secondary windows; the main window, which the user
// may resize, gets its keys ("MainHeight", "MainWidth") at the first save.
enum class SizedWindow { LocalBookmarks, HostBookmarks, Tools, Queue, View, Main };
inline constexpr int SizedWindowCount = 6;
inline constexpr int FirstRunSizedWindowCount = 5;
// Key stem ("LBookmark") and design size of each.
QString sizeKeyStem(SizedWindow window);
QSize designSize(SizedWindow window);

// The first-run contents, in the order the file gets them: LOGIN (with the given
// options), CONFIG (with the given splitter heights and window sizes), CHAT.
void writeFirstRunValues(IniFile &ini, const LoginOptions &login, int localSplitter, int hostSplitter,
                         const QList<QSize> &windowSizes);

// The profile lines of section IPADDRESS in file order, up to the first blank
// line; a line without "=" or with an empty name is skipped. Passwords come from
// section PASSWORD. Values are not cut (beyond the 2048-byte read limit).
QList<ProfileEntry> readProfiles(const IniFile &ini, bool withPasswords = true);
// The eight fields of an IPADDRESS value.
ProfileEntry profileFromValue(const QString &name, const QString &value);
QString profileValue(const ProfileEntry &entry);
ProfileEntry profileEntryOf(const SessionProfile &profile);

LoginOptions readLoginOptions(const IniFile &ini);
// A missing or unusable key leaves the value of `current` (the controls' state).
MainOptions readMainOptions(const IniFile &ini, const MainOptions &current);
QString readTransAscii(const IniFile &ini);
QSize readWindowSize(const IniFile &ini, SizedWindow window, const QSize &current);
// Where the window stood (<stem>Left, <stem>Top, beside its size): nothing when the file
// does not say, as in files of the first format.
std::optional<QPoint> readWindowPosition(const IniFile &ini, SizedWindow window);

// LOGIN keys, the IPADDRESS line and (withPassword) where the password is:
// scrambled in PASSWORD, or an empty PASSWORD value and its KEYRING marker.
void writeSessionProfile(IniFile &ini, const SessionProfile &profile, bool withPassword = true);
// The password of profile `name` scrambled into PASSWORD (its KEYRING marker
// removed) when keyringEntry is empty; else PASSWORD empty and the marker set.
void writePasswordPlace(IniFile &ini, const QString &name, const QString &password, const QString &keyringEntry);
// The KEYRING marker of profile `name` (empty: none).
QString readKeyringMarker(const IniFile &ini, const QString &name);
// LOGIN's keyring option; none when the file never chose.
std::optional<bool> readKeyringOption(const IniFile &ini);
void writeKeyringOption(IniFile &ini, bool on);
void writeLoginOptions(IniFile &ini, const SessionProfile &profile);
void writeProfileLine(IniFile &ini, const ProfileEntry &entry);
void writeMainOptions(IniFile &ini, const MainOptions &options, const QString &transAscii);
void writeWindowSize(IniFile &ini, SizedWindow window, const QSize &size);
void writeWindowPosition(IniFile &ini, SizedWindow window, const QPoint &position);
// IPADDRESS/name, PASSWORD/name, KEYRING/name and the name's QUEUE and RBOOKMARK keys.
void removeProfile(IniFile &ini, const QString &name);

} // namespace kav
