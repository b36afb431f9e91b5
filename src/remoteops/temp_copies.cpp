#include "temp_copies.h"

#include "ftp/listing.h"
#include "platform/local_path.h"
#include "platform/settings_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace kav::remote {

namespace {
constexpr QFileDevice::Permissions OwnerOnly =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions Others = QFileDevice::ReadGroup | QFileDevice::WriteGroup
    | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

bool ownerOnly(const QString &path)
{
    const QFileDevice::Permissions p = QFile::permissions(path);
    return (p & OwnerOnly) == OwnerOnly && !(p & Others);
}
}

QString temporaryRoot()
{
    const QString settings = settingsDirectory();
    if (settings.isEmpty())
        return {};
    const QString root = QDir(settings).filePath(QStringLiteral("Temp"));
    const QFileInfo info(root);
    if (info.isSymLink() || (info.exists() && !info.isDir()))
        return {};
    if (!info.exists() && !QDir().mkdir(root, OwnerOnly))
        return {};
    if (!ownerOnly(root) && !QFile::setPermissions(root, OwnerOnly))
        return {};
    return root;
}

QString freshCopyDirectory()
{
    const QString root = temporaryRoot();
    if (root.isEmpty())
        return {};
    QTemporaryDir dir(QDir(root).filePath(QStringLiteral("copy-XXXXXX")));
    if (!dir.isValid())
        return {};
    dir.setAutoRemove(false);
    return dir.path();
}

bool removeCopy(const QString &directory, const QString &name)
{
    const QString root = temporaryRoot();
    if (root.isEmpty() || directory.isEmpty())
        return false;
    const QFileInfo dir(directory);
    if (dir.isSymLink() || !dir.isDir()
        || QFileInfo(dir.canonicalFilePath()).path() != QFileInfo(root).canonicalFilePath())
        return false;
    const QString inside = QDir(dir.canonicalFilePath()).filePath(name);
    bool removed = true;
    if (!name.isEmpty()) {
        if (!isSafeLocalName(name))
            return false;
        // The copy's name is the host name's bytes (see local_path.h), which Qt's
        // own file classes would turn into another name.
        const localpath::Status copy = localpath::status(inside);
        if (copy.isSymLink || copy.exists)
            removed = localpath::remove(inside);
    }
    QDir().rmdir(dir.canonicalFilePath());   // only when empty
    return removed;
}

} // namespace kav::remote
