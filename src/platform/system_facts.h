#pragma once
// What stands in for the registry's owner and organization, GetSystemInfo,
// GetVersionExA, GlobalMemoryStatus, GetVolumeInformationA and
// GetDiskFreeSpaceA, on Qt Core alone.

#include <QString>
#include <functional>
#include <optional>

namespace kav {

struct SystemFacts {
    QString owner;             // full name from the password database, else the login name
    QString organization;      // none is kept here: "Failure", the registry reader's default
    QString cpu;               // the processor's model name
    QString operatingSystem;   // product name
    QString version;           // kernel major.minor
    QString build;             // kernel patch number
    quint64 totalMemory = 0;   // bytes of RAM
    quint64 availMemory = 0;   // bytes of RAM available
    quint64 totalVirtual = 0;  // RAM + swap
    quint64 availVirtual = 0;  // available RAM + free swap
    int memoryLoad = 0;        // used RAM in percent
};

SystemFacts readSystemFacts();

// Pieces of the reading, as pure functions of the system's texts.
QString cpuModelOf(const QByteArray &cpuinfo);
// "6.1.0-18-amd64" gives {"6.1", "0"}.
std::pair<QString, QString> kernelVersionOf(const QString &kernel);
// The full name of a password-database comment field ("Ann Lee,Room 1,,"): the
// first comma field; empty when there is none.
QString fullNameOf(const QString &gecos);

// ---- Volumes ----

struct VolumeFacts {
    QString displayName;  // the label, else the mount point's last component
    QString label;
    QString fileSystem;
    std::optional<quint32> serial;  // the first 32 bits of the file system's UUID
    qint64 freeBytes = 0;
    qint64 totalBytes = 0;
};

// Reads a mounted volume's facts; may block as long as the file system does
// (a network share whose server is gone). Nothing when it cannot be read.
std::optional<VolumeFacts> readVolumeFacts(const QString &mountPoint);

using VolumeReader = std::function<std::optional<VolumeFacts>(const QString &mountPoint)>;

// The same on a worker thread while the caller's events keep being processed;
// nothing when the reader fails or has not answered within `timeoutMs` (the
// worker is then left to finish on its own).
std::optional<VolumeFacts> volumeFactsWithin(const QString &mountPoint, int timeoutMs,
                                             const VolumeReader &reader = readVolumeFacts);

// "%X-%X" of the high and low 16 bits: 0x1A2B3C4D gives "1A2B-3C4D".
QString serialText(quint32 serial);
// The first 32 bits of a UUID text ("1a2b3c4d-..." or "1A2B-3C4D" of FAT).
std::optional<quint32> serialOfUuid(const QString &uuid);

// ---- Files ----

// Gives or takes the owner's write permission: read-only in the sense of the
// file attributes. False when the system refuses.
bool setOwnerReadOnly(const QString &path, bool readOnly);

} // namespace kav
