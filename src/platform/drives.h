#pragma once
// The "drives" of this system: the mounted file systems a user would open, each
// with a drive type number as the Windows drive tabs know them, and the mount
// that holds a directory.

#include <QList>
#include <QString>

namespace kav {

// Drive types (the numbers the drive tabs carry).
enum DriveType : int {
    DriveUnknown = 0,
    DriveNoRoot = 1,
    DriveRemovable = 2,
    DriveFixed = 3,
    DriveRemote = 4,
    DriveCdRom = 5,
    DriveRamDisk = 6,
};

// One line of the mount table.
struct MountEntry {
    QString device;
    QString mountPoint;
    QString fsType;
};

// One drive tab: its text, the directory it opens and its type.
struct DriveTab {
    QString text;
    QString mountPoint;
    int type = DriveUnknown;
};

// The system's mount table (empty when it cannot be read).
QList<MountEntry> readMountTable();
// Parses mount table lines in the /proc/mounts format (octal escapes decoded).
QList<MountEntry> parseMountTable(const QByteArray &text);

// The type of a mounted file system; DriveUnknown for pseudo and system file
// systems that get no tab. `removable` tells whether the device is removable.
int driveTypeOf(const MountEntry &entry, bool removable);

// The tabs for a mount table: the root, the home directory (when it is no mount
// point of its own, a tab for it anyway: it is where users keep their files),
// removable media, network and RAM mounts; no /proc, /sys, /dev, /run and other
// system mounts. Sorted by mount point. Tabs whose last path components are the
// same are told apart by their parent components.
// `isRemovable` answers for a device path; `isDirectory` filters out file mounts.
QList<DriveTab> driveTabsOf(const QList<MountEntry> &mounts, const QString &home,
                            bool (*isRemovable)(const QString &device),
                            bool (*isDirectory)(const QString &path));

// The tabs of this system.
QList<DriveTab> currentDriveTabs();

// The index of the tab whose mount point contains `directory` (the longest
// match), -1 when none does.
int driveTabIndexOf(const QList<DriveTab> &tabs, const QString &directory);

// Network drives are mounted by the system here; the connect and disconnect
// buttons say so in their hint.
QString networkDrivesNote();

} // namespace kav
