#include "file_attributes.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kav {

int fileAttributes(const QFileInfo &info)
{
    int attributes = 0;
    const QString name = info.fileName();
    const bool dotEntry = name == QLatin1String(".") || name == QLatin1String("..");
    if (!dotEntry && name.startsWith(QLatin1Char('.')))
        attributes |= AttrHidden;
    if (info.isDir())
        attributes |= AttrDirectory;
    else if (info.isFile() || (info.isSymLink() && !info.exists()))
        attributes |= AttrArchive;  // a dangling link is still a file entry the user can delete
    else
        attributes |= AttrSysFile;
    if (info.exists() && !info.permission(QFileDevice::WriteOwner))
        attributes |= AttrReadOnly;
    return attributes;
}

namespace {

bool sameFile(const QByteArray &a, const QByteArray &b)
{
    struct stat sa {}, sb {};
    return ::lstat(a.constData(), &sa) == 0 && ::lstat(b.constData(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

} // namespace

QDateTime entryModified(const QFileInfo &info)
{
    if (!info.isSymLink() || info.exists())
        return info.lastModified();
    // A dangling link has no target to ask: its own time is the one to show.
    struct stat st {};
    if (::lstat(QFile::encodeName(info.absoluteFilePath()).constData(), &st) != 0)
        return {};
    return QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec).addMSecs(st.st_mtim.tv_nsec / 1000000);
}

bool renameNoReplace(const QString &from, const QString &to)
{
    if (from.isEmpty() || to.isEmpty())
        return false;
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    struct stat st {};
    if (::lstat(target.constData(), &st) == 0) {
        // Only a new spelling of the same name on a case-blind file system may go ahead.
        if (!sameFile(source, target) || source == target)
            return false;
        return ::rename(source.constData(), target.constData()) == 0;
    }
#if defined(SYS_renameat2)
    // RENAME_NOREPLACE closes the gap between the check above and the rename.
    if (::syscall(SYS_renameat2, AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), 1u) == 0)
        return true;
    if (errno != ENOSYS && errno != EINVAL)
        return false;
#endif
    // File systems without renameat2: a hard link fails on an existing name.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return true;
    }
    if (errno == EEXIST)
        return false;
    // Neither (a directory, or links unsupported): the checked rename.
    if (::lstat(target.constData(), &st) == 0)
        return false;
    return ::rename(source.constData(), target.constData()) == 0;
}

} // namespace kav
