#include "system_facts.h"
#include "local_path.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QSysInfo>
#include <QThread>

#include <memory>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <thread>
#include <unistd.h>

namespace kav {

QString cpuModelOf(const QByteArray &cpuinfo)
{
    for (const QByteArray &line : cpuinfo.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray key = line.left(colon).trimmed();
        if (key == "model name" || key == "Model" || key == "cpu model")
            return QString::fromUtf8(line.mid(colon + 1).trimmed());
    }
    return {};
}

std::pair<QString, QString> kernelVersionOf(const QString &kernel)
{
    QStringList parts;
    QString number;
    for (const QChar c : kernel) {
        if (c.isDigit()) {
            number += c;
        } else {
            if (!number.isEmpty())
                parts << number;
            number.clear();
            if (c != QLatin1Char('.') || parts.size() >= 3)
                break;
        }
    }
    if (!number.isEmpty() && parts.size() < 3)
        parts << number;
    while (parts.size() < 3)
        parts << QStringLiteral("0");
    return {parts[0] + QLatin1Char('.') + parts[1], parts[2]};
}

QString fullNameOf(const QString &gecos)
{
    return gecos.section(QLatin1Char(','), 0, 0).trimmed();
}

SystemFacts readSystemFacts()
{
    SystemFacts f;
    if (const passwd *pw = ::getpwuid(::getuid())) {
        f.owner = fullNameOf(QString::fromLocal8Bit(pw->pw_gecos ? pw->pw_gecos : ""));
        if (f.owner.isEmpty())
            f.owner = QString::fromLocal8Bit(pw->pw_name);
    }
    f.organization = QStringLiteral("Failure");
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (cpuinfo.open(QIODevice::ReadOnly))
        f.cpu = cpuModelOf(cpuinfo.readAll());
    if (f.cpu.isEmpty())
        f.cpu = QSysInfo::currentCpuArchitecture();
    f.operatingSystem = QSysInfo::prettyProductName();
    std::tie(f.version, f.build) = kernelVersionOf(QSysInfo::kernelVersion());

    struct sysinfo si {};
    if (::sysinfo(&si) == 0) {
        const quint64 unit = si.mem_unit ? si.mem_unit : 1;
        f.totalMemory = quint64(si.totalram) * unit;
        f.availMemory = quint64(si.freeram + si.bufferram) * unit;
        // The kernel's own estimate of what can be had without swapping.
        QFile meminfo(QStringLiteral("/proc/meminfo"));
        if (meminfo.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : meminfo.readAll().split('\n')) {
                if (line.startsWith("MemAvailable:")) {
                    const QList<QByteArray> fields = line.simplified().split(' ');
                    if (fields.size() >= 2)
                        f.availMemory = fields[1].toULongLong() * 1024;
                }
            }
        }
        f.totalVirtual = f.totalMemory + quint64(si.totalswap) * unit;
        f.availVirtual = f.availMemory + quint64(si.freeswap) * unit;
        if (f.totalMemory)
            f.memoryLoad = int((f.totalMemory - qMin(f.availMemory, f.totalMemory)) * 100 / f.totalMemory);
    }
    return f;
}

QString serialText(quint32 serial)
{
    return QString::number(serial >> 16, 16).toUpper() + QLatin1Char('-')
        + QString::number(serial & 0xFFFF, 16).toUpper();
}

std::optional<quint32> serialOfUuid(const QString &uuid)
{
    QString hex;
    for (const QChar c : uuid) {
        if (c == QLatin1Char('-'))
            continue;
        if (!isxdigit(c.toLatin1()))
            return std::nullopt;
        hex += c;
        if (hex.size() == 8)
            break;
    }
    if (hex.size() < 8)
        return std::nullopt;
    bool ok = false;
    const quint32 value = hex.toUInt(&ok, 16);
    return ok ? std::optional<quint32>(value) : std::nullopt;
}

namespace {

// The UUID of the device a volume is mounted from, through /dev/disk/by-uuid.
QString uuidOfDevice(const QByteArray &device)
{
    const QString target = QFileInfo(QString::fromLocal8Bit(device)).canonicalFilePath();
    if (target.isEmpty())
        return {};
    const QDir byUuid(QStringLiteral("/dev/disk/by-uuid"));
    for (const QFileInfo &link : byUuid.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        if (link.canonicalFilePath() == target)
            return link.fileName();
    return {};
}

} // namespace

std::optional<VolumeFacts> readVolumeFacts(const QString &mountPoint)
{
    QStorageInfo storage(mountPoint);
    storage.refresh();
    if (!storage.isValid() || !storage.isReady())
        return std::nullopt;
    VolumeFacts v;
    v.label = storage.name();
    v.fileSystem = QString::fromLatin1(storage.fileSystemType());
    v.displayName = v.label.isEmpty() ? QFileInfo(storage.rootPath()).fileName() : v.label;
    if (v.displayName.isEmpty())
        v.displayName = storage.rootPath();
    v.serial = serialOfUuid(uuidOfDevice(storage.device()));
    v.freeBytes = storage.bytesAvailable();
    v.totalBytes = storage.bytesTotal();
    return v;
}

std::optional<VolumeFacts> volumeFactsWithin(const QString &mountPoint, int timeoutMs, const VolumeReader &reader)
{
    struct Shared {
        std::mutex lock;
        bool done = false;
        std::optional<VolumeFacts> result;
    };
    auto shared = std::make_shared<Shared>();
    // A file system whose server is gone can hold a statfs for minutes: the
    // reader runs apart, and a late answer lands in the shared state nobody
    // waits for any more.
    std::thread([shared, reader, mountPoint] {
        auto result = reader(mountPoint);
        std::lock_guard<std::mutex> guard(shared->lock);
        shared->result = std::move(result);
        shared->done = true;
    }).detach();
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(shared->lock);
            if (shared->done)
                return shared->result;
        }
        if (timer.elapsed() >= timeoutMs)
            return std::nullopt;
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

bool setOwnerReadOnly(const QString &path, bool readOnly)
{
    const QByteArray name = localpath::encode(path).value_or(QByteArray());
    struct stat st {};
    if (name.isEmpty() || ::stat(name.constData(), &st) != 0)
        return false;
    const mode_t mode = readOnly ? (st.st_mode & ~mode_t(S_IWUSR)) : (st.st_mode | S_IWUSR);
    return ::chmod(name.constData(), mode & 07777) == 0;
}

} // namespace kav
