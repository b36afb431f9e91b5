#include "local_path.h"

#include "cp949.h"
#include "utf8x.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kav::localpath {

std::optional<QByteArray> encode(QStringView path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < path.size() && QChar::isLowSurrogate(path.at(i + 1).unicode())) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(c) && !utf8x::isByteEscape(c))
            return std::nullopt;
    }
    return utf8x::encode(path);
}

QString decode(QByteArrayView bytes) { return utf8x::decode(bytes); }

bool hasEscapes(QStringView path)
{
    return std::any_of(path.begin(), path.end(), [](QChar c) { return utf8x::isByteEscape(c.unicode()); });
}

QString displayName(QByteArrayView bytes)
{
    if (utf8x::isValid(bytes))
        return QString::fromUtf8(bytes);
    if (cp949::isValid(bytes))
        return cp949::decode(bytes);
    QString shown;
    for (const QChar c : utf8x::decode(bytes)) {
        if (utf8x::isByteEscape(c.unicode()))
            shown += QStringLiteral("\\x") + QString::number(c.unicode() & 0xff, 16).toUpper();
        else
            shown += c;
    }
    return shown;
}

QString displayName(QStringView path)
{
    const auto bytes = encode(path);
    return bytes ? displayName(*bytes) : path.toString();
}

QString displayPath(QStringView path)
{
    QStringList shown;
    for (const QStringView name : path.split(QLatin1Char('/')))
        shown << displayName(name);
    return shown.join(QLatin1Char('/'));
}

QString fromShownPath(const QString &shown, const QString &like)
{
    const QString likeShown = displayPath(like);
    if (!like.isEmpty() && shown.startsWith(likeShown))
        return like + shown.mid(likeShown.size());
    return shown;
}

QString fromShown(const QString &shown, const QString &like)
{
    const auto likeBytes = encode(like);
    if (!likeBytes)
        return shown;
    const QString likeShown = displayName(QByteArrayView(*likeBytes));
    if (shown == likeShown)
        return like;
    if (!likeShown.isEmpty() && shown.startsWith(likeShown))
        return like + shown.mid(likeShown.size());
    if (utf8x::isValid(*likeBytes))
        return shown;
    if (cp949::isValid(*likeBytes))
        return cp949::canEncode(shown) ? decode(cp949::encode(shown)) : shown;
    QByteArray bytes;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        bool ok = false;
        const uint byte = shown.mid(i + 2, 2).toUInt(&ok, 16);
        if (shown.at(i) == QLatin1Char('\\') && i + 4 <= shown.size() && shown.at(i + 1) == QLatin1Char('x') && ok
            && byte >= 0x80) {
            bytes += char(byte);
            i += 3;
        } else {
            const bool pair = shown.at(i).isHighSurrogate() && i + 1 < shown.size() && shown.at(i + 1).isLowSurrogate();
            bytes += utf8x::encode(shown.mid(i, pair ? 2 : 1));
            i += pair ? 1 : 0;
        }
    }
    return decode(bytes);
}

bool open(QFile &file, const QString &path, QIODevice::OpenMode mode)
{
    if (!hasEscapes(path)) {
        file.setFileName(path);
        return file.open(mode);
    }
    const auto bytes = encode(path);
    if (!bytes)
        return false;
    const int flags = (mode & QIODevice::Append)      ? O_WRONLY | O_CREAT | O_APPEND
                    : (mode & QIODevice::WriteOnly) ? O_WRONLY | O_CREAT | O_TRUNC
                                                    : O_RDONLY;
    const int fd = ::open(bytes->constData(), flags | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

int writeAllAndSync(int fd, QByteArrayView bytes)
{
    const char *p = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t w = ::write(fd, p, size_t(left));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += w;
        left -= w;
    }
    return ::fsync(fd) != 0 ? errno : 0;
}

bool saveFile(const QString &path, QByteArrayView bytes, QString *error)
{
    const auto fail = [error](int err) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(err));
        return false;
    };
    const auto name = encode(path);
    if (!name || name->isEmpty())
        return fail(ENOENT);
    QByteArray target = *name;
    struct stat st {};
    const bool existed = ::stat(target.constData(), &st) == 0;
    if (existed && ::lstat(target.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(target.constData(), resolved))
            return fail(errno);
        target = resolved;
        ::stat(target.constData(), &st);
    }
    if (existed && !S_ISREG(st.st_mode))
        return fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    // A new file gets the usual mode less the umask, as any file this program makes.
    int fd = -1;
    QByteArray temporary;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = target + '.' + QByteArray::number(quint64(::getpid())) + '.'
                    + QByteArray::number(attempt) + ".tmp";
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return fail(errno);
    }
    if (fd < 0)
        return fail(EEXIST);
    const auto abandon = [&](int err) {
        ::close(fd);
        ::unlink(temporary.constData());
        return fail(err);
    };
    if (existed && ::fchmod(fd, st.st_mode & 07777) != 0)
        return abandon(errno);
    if (const int err = writeAllAndSync(fd, bytes))
        return abandon(err);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temporary.constData());
        return fail(err);
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int err = errno;
        ::unlink(temporary.constData());
        return fail(err);
    }
    return true;
}

bool isWritable(const QString &path)
{
    const auto bytes = encode(path);
    return bytes && !bytes->isEmpty() && ::access(bytes->constData(), W_OK) == 0;
}

bool isDirectory(const QString &path)
{
    const auto bytes = encode(path);
    struct stat st {};
    return bytes && ::stat(bytes->constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

qint64 regularFileSize(const QString &path)
{
    const auto bytes = encode(path);
    struct stat st {};
    if (!bytes || ::stat(bytes->constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return qint64(st.st_size);
}

bool remove(const QString &path)
{
    const auto bytes = encode(path);
    return bytes && ::unlink(bytes->constData()) == 0;
}

bool makeDirectory(const QString &path)
{
    const auto bytes = encode(path);
    return bytes && !bytes->isEmpty() && ::mkdir(bytes->constData(), 0777) == 0;
}

bool removeDirectory(const QString &path)
{
    const auto bytes = encode(path);
    return bytes && !bytes->isEmpty() && ::rmdir(bytes->constData()) == 0;
}

bool setModified(const QString &path, const QDateTime &time)
{
    const auto bytes = encode(path);
    if (!bytes || bytes->isEmpty() || !time.isValid())
        return false;
    const qint64 ms = time.toMSecsSinceEpoch();
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;   // the last read stays as it is
    times[1].tv_sec = time_t(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
    times[1].tv_nsec = long((ms - qint64(times[1].tv_sec) * 1000) * 1000000);
    return ::utimensat(AT_FDCWD, bytes->constData(), times, 0) == 0;
}

QString currentDirectory()
{
    QByteArray buffer(PATH_MAX, Qt::Uninitialized);
    for (;;) {
        if (::getcwd(buffer.data(), size_t(buffer.size())))
            return decode(QByteArrayView(buffer.constData()));
        if (errno != ERANGE || buffer.size() > (1 << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

bool setCurrent(const QString &path)
{
    const auto bytes = encode(path);
    return bytes && !bytes->isEmpty() && ::chdir(bytes->constData()) == 0;
}

namespace {

QDateTime timeOf(const struct statx_timestamp &t)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000);
}

} // namespace

Status status(const QString &path)
{
    Status s;
    const auto bytes = encode(path);
    if (!bytes || bytes->isEmpty())
        return s;
    constexpr unsigned Wanted = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME
        | STATX_CTIME | STATX_BTIME;
    struct statx own {};
    if (::statx(AT_FDCWD, bytes->constData(), AT_SYMLINK_NOFOLLOW, Wanted, &own) != 0)
        return s;
    s.isSymLink = S_ISLNK(own.stx_mode);
    struct statx st = own;
    if (s.isSymLink && ::statx(AT_FDCWD, bytes->constData(), 0, Wanted, &st) != 0)
        st = own;   // dangling: the link's own facts
    else
        s.exists = true;
    s.isDirectory = s.exists && S_ISDIR(st.stx_mode);
    s.isFile = s.exists && S_ISREG(st.stx_mode);
    s.ownerWritable = (st.stx_mode & S_IWUSR) != 0;
    s.readable = s.exists && ::access(bytes->constData(), s.isDirectory ? R_OK | X_OK : R_OK) == 0;
    s.executable = s.isFile && ::access(bytes->constData(), X_OK) == 0;
    s.size = qint64(st.stx_size);
    s.modified = timeOf(st.stx_mtime);
    s.lastRead = timeOf(st.stx_atime);
    s.statusChanged = timeOf(st.stx_ctime);
    if (st.stx_mask & STATX_BTIME)
        s.born = timeOf(st.stx_btime);
    return s;
}

QUrl fileUrl(const QString &path)
{
    const auto bytes = encode(path);
    if (!bytes)
        return {};
    // Unreserved bytes and "/" stay; every other byte (foreign ones included) is escaped.
    return QUrl::fromEncoded("file://" + bytes->toPercentEncoding("/"), QUrl::StrictMode);
}

QString fromUrl(const QUrl &url)
{
    if (!url.isLocalFile())
        return {};
    // Fully encoded, every byte of the path is either plain ASCII or an escape of its own.
    const QString path = decode(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
    // As QUrl::toLocalFile: a host names a share on it.
    return url.host().isEmpty() ? path : QStringLiteral("//") + url.host() + path;
}

namespace {

enum class Keep { Files, Directories, PlainDirectories, All };

QList<Entry> listEntries(const QString &directory, Keep keep)
{
    QList<Entry> out;
    const auto dirBytes = encode(directory);
    if (!dirBytes || dirBytes->isEmpty())
        return out;
    DIR *dir = ::opendir(dirBytes->constData());
    if (!dir)
        return out;
    const int dfd = ::dirfd(dir);
    while (const dirent *e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (keep != Keep::All) {
            if (name.startsWith('.'))
                continue;
            struct stat st {};
            const int follow = keep == Keep::PlainDirectories ? AT_SYMLINK_NOFOLLOW : 0;
            if (::fstatat(dfd, e->d_name, &st, follow) != 0)
                continue;
            if (keep == Keep::Files ? !S_ISREG(st.st_mode) : !S_ISDIR(st.st_mode))
                continue;
        }
        out.append({decode(name), displayName(QByteArrayView(name))});
    }
    ::closedir(dir);
    if (keep != Keep::All) {
        std::sort(out.begin(), out.end(), [](const Entry &a, const Entry &b) {
            const int c = QString::compare(a.display, b.display, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a.path < b.path;
        });
    }
    return out;
}

} // namespace

QList<Entry> regularFiles(const QString &directory) { return listEntries(directory, Keep::Files); }

QList<Entry> directories(const QString &directory) { return listEntries(directory, Keep::Directories); }

QList<Entry> plainDirectories(const QString &directory) { return listEntries(directory, Keep::PlainDirectories); }

QList<Entry> allEntries(const QString &directory) { return listEntries(directory, Keep::All); }

QList<EntryFacts> entryFacts(const QString &directory, bool *readable)
{
    QList<EntryFacts> out;
    if (readable)
        *readable = false;
    const auto dirBytes = encode(directory);
    if (!dirBytes || dirBytes->isEmpty())
        return out;
    DIR *dir = ::opendir(dirBytes->constData());
    if (!dir)
        return out;
    if (readable)
        *readable = true;
    const int dfd = ::dirfd(dir);
    while (const dirent *e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        struct stat st {};
        if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        EntryFacts f;
        f.path = decode(QByteArrayView(e->d_name));
        f.kind = S_ISREG(st.st_mode)   ? EntryFacts::Kind::File
            : S_ISDIR(st.st_mode) ? EntryFacts::Kind::Directory
            : S_ISLNK(st.st_mode) ? EntryFacts::Kind::Link
                                  : EntryFacts::Kind::Other;
        f.size = qint64(st.st_size);
        f.modified = QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000,
                                                    Qt::UTC);
        out.append(std::move(f));
    }
    ::closedir(dir);
    return out;
}

} // namespace kav::localpath
