#include "drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <algorithm>

namespace kav {

namespace {

// "\040" in the mount table stands for a blank, and so on.
QString unescapeMountField(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3'
            && field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return QString::fromUtf8(out);
}

bool underSystemTree(const QString &path)
{
    static const QStringList system = {
        QStringLiteral("/proc"), QStringLiteral("/sys"), QStringLiteral("/dev"), QStringLiteral("/run"),
        QStringLiteral("/boot"), QStringLiteral("/snap"), QStringLiteral("/etc"), QStringLiteral("/usr"),
        QStringLiteral("/var/lib"), QStringLiteral("/var/snap"), QStringLiteral("/lib"), QStringLiteral("/bin"),
        QStringLiteral("/sbin"),
    };
    for (const QString &s : system) {
        if (path == s || path.startsWith(s + QLatin1Char('/')))
            return true;
    }
    return false;
}

bool containsPath(const QString &mount, const QString &directory)
{
    if (mount == QLatin1String("/"))
        return directory.startsWith(QLatin1Char('/'));
    return directory == mount || directory.startsWith(mount + QLatin1Char('/'));
}

QString lastComponents(const QString &path, int count)
{
    if (path == QLatin1String("/"))
        return path;
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (count >= parts.size())
        return parts.join(QLatin1Char('/'));
    return parts.mid(parts.size() - count).join(QLatin1Char('/'));
}

bool deviceIsRemovable(const QString &device)
{
    if (!device.startsWith(QLatin1String("/dev/")))
        return false;
    const QString name = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
    if (name.isEmpty())
        return false;
    // A partition's "removable" flag lives with its disk, one level up.
    for (const QString &flag : {QStringLiteral("/sys/class/block/%1/removable").arg(name),
                                QStringLiteral("/sys/class/block/%1/../removable").arg(name)}) {
        QFile file(flag);
        if (file.open(QIODevice::ReadOnly))
            return file.readAll().trimmed() == "1";
    }
    return false;
}

bool pathIsDirectory(const QString &path)
{
    return QFileInfo(path).isDir();
}

} // namespace

QList<MountEntry> parseMountTable(const QByteArray &text)
{
    QList<MountEntry> mounts;
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3)
            continue;
        mounts.append({unescapeMountField(fields[0]), unescapeMountField(fields[1]),
                       QString::fromUtf8(fields[2])});
    }
    return mounts;
}

QList<MountEntry> readMountTable()
{
    QFile file(QStringLiteral("/proc/self/mounts"));
    if (!file.open(QIODevice::ReadOnly)) {
        file.setFileName(QStringLiteral("/etc/mtab"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
    }
    return parseMountTable(file.readAll());
}

int driveTypeOf(const MountEntry &entry, bool removable)
{
    static const QSet<QString> pseudo = {
        QStringLiteral("proc"), QStringLiteral("sysfs"), QStringLiteral("cgroup"), QStringLiteral("cgroup2"),
        QStringLiteral("devpts"), QStringLiteral("devtmpfs"), QStringLiteral("mqueue"), QStringLiteral("debugfs"),
        QStringLiteral("tracefs"), QStringLiteral("securityfs"), QStringLiteral("pstore"), QStringLiteral("bpf"),
        QStringLiteral("configfs"), QStringLiteral("fusectl"), QStringLiteral("hugetlbfs"), QStringLiteral("autofs"),
        QStringLiteral("binfmt_misc"), QStringLiteral("efivarfs"), QStringLiteral("rpc_pipefs"), QStringLiteral("nsfs"),
        QStringLiteral("selinuxfs"), QStringLiteral("squashfs"), QStringLiteral("devfs"), QStringLiteral("none"),
        QStringLiteral("fuse.portal"), QStringLiteral("fuse.lxcfs"),
    };
    static const QSet<QString> remote = {
        QStringLiteral("nfs"), QStringLiteral("nfs4"), QStringLiteral("cifs"), QStringLiteral("smbfs"),
        QStringLiteral("smb3"), QStringLiteral("9p"), QStringLiteral("afs"), QStringLiteral("ceph"),
        QStringLiteral("glusterfs"), QStringLiteral("fuse.sshfs"), QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.rclone"), QStringLiteral("davfs"), QStringLiteral("fuse.davfs2"),
    };
    const QString &fs = entry.fsType;
    if (pseudo.contains(fs))
        return DriveUnknown;
    if (remote.contains(fs))
        return DriveRemote;
    if (fs == QLatin1String("iso9660") || fs == QLatin1String("udf"))
        return DriveCdRom;
    if (fs == QLatin1String("tmpfs") || fs == QLatin1String("ramfs"))
        return DriveRamDisk;
    return removable ? DriveRemovable : DriveFixed;
}

QList<DriveTab> driveTabsOf(const QList<MountEntry> &mounts, const QString &home,
                            bool (*isRemovable)(const QString &), bool (*isDirectory)(const QString &))
{
    QHash<QString, int> byPoint;   // the last mount at a point hides the earlier ones
    for (const MountEntry &m : mounts) {
        const QString point = QDir::cleanPath(m.mountPoint);
        if (!point.startsWith(QLatin1Char('/')))
            continue;
        const int type = driveTypeOf(m, isRemovable && isRemovable(m.device));
        if (point == QLatin1String("/")) {
            byPoint.insert(point, type == DriveUnknown ? int(DriveFixed) : type);
            continue;
        }
        if (type == DriveUnknown || underSystemTree(point) || (isDirectory && !isDirectory(point))) {
            byPoint.remove(point);
            continue;
        }
        byPoint.insert(point, type);
    }
    if (!byPoint.contains(QStringLiteral("/")))
        byPoint.insert(QStringLiteral("/"), DriveFixed);

    QList<DriveTab> tabs;
    for (auto it = byPoint.cbegin(); it != byPoint.cend(); ++it)
        tabs.append({QString(), it.key(), it.value()});

    const QString homeDir = QDir::cleanPath(home);
    if (!home.isEmpty() && homeDir != QLatin1String("/") && !byPoint.contains(homeDir)) {
        const int holder = driveTabIndexOf(tabs, homeDir);
        tabs.append({QString(), homeDir, holder >= 0 ? tabs[holder].type : int(DriveFixed)});
    }
    std::sort(tabs.begin(), tabs.end(),
              [](const DriveTab &a, const DriveTab &b) { return a.mountPoint < b.mountPoint; });

    // Texts: the last component; where two agree, more of the path, up to all of it.
    for (DriveTab &t : tabs)
        t.text = lastComponents(t.mountPoint, 1);
    for (int depth = 2; depth < 64; ++depth) {
        QHash<QString, int> count;
        for (const DriveTab &t : tabs)
            ++count[t.text];
        bool clash = false;
        for (DriveTab &t : tabs) {
            if (count.value(t.text) > 1) {
                t.text = lastComponents(t.mountPoint, depth);
                clash = true;
            }
        }
        if (!clash)
            break;
    }
    return tabs;
}

QList<DriveTab> currentDriveTabs()
{
    return driveTabsOf(readMountTable(), QDir::homePath(), &deviceIsRemovable, &pathIsDirectory);
}

int driveTabIndexOf(const QList<DriveTab> &tabs, const QString &directory)
{
    const QString dir = QDir::cleanPath(directory);
    int best = -1;
    for (int i = 0; i < tabs.size(); ++i) {
        if (containsPath(tabs[i].mountPoint, dir)
            && (best < 0 || tabs[i].mountPoint.size() > tabs[best].mountPoint.size()))
            best = i;
    }
    return best;
}

QString networkDrivesNote()
{
    return QStringLiteral("네트워크 드라이브는 이 시스템이 마운트합니다 (파일 관리자나 mount 명령을 쓰세요)");
}

} // namespace kav
