#include "file_attributes.h"

#include "local_path.h"

#include <QDateTime>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kav {

int fileAttributes(const QString &path)
{
    int attributes = 0;
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const bool dotEntry = name == QLatin1String(".") || name == QLatin1String("..");
    if (!dotEntry && name.startsWith(QLatin1Char('.')))
        attributes |= AttrHidden;
    const localpath::Status st = localpath::status(path);
    if (st.isDirectory)
        attributes |= AttrDirectory;
    else if (st.isFile || (st.isSymLink && !st.exists))
        attributes |= AttrArchive;  // a dangling link is still a file entry the user can delete
    else
        attributes |= AttrSysFile;
    if (st.exists && !st.ownerWritable)
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

QDateTime entryModified(const QString &path)
{
    // A dangling link has no target to ask: its own time is the one shown.
    return localpath::status(path).modified;
}

bool renameNoReplace(const QString &from, const QString &to)
{
    if (from.isEmpty() || to.isEmpty())
        return false;
    const QByteArray source = localpath::encode(from).value_or(QByteArray());
    const QByteArray target = localpath::encode(to).value_or(QByteArray());
    if (source.isEmpty() || target.isEmpty())
        return false;
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
