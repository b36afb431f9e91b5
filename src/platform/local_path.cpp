#include "local_path.h"

#include "cp949.h"
#include "utf8x.h"

#include <QFile>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
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

QList<Entry> regularFiles(const QString &directory)
{
    QList<Entry> out;
    const auto dirBytes = encode(directory);
    if (!dirBytes)
        return out;
    DIR *dir = ::opendir(dirBytes->constData());
    if (!dir)
        return out;
    const int dfd = ::dirfd(dir);
    while (const dirent *e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name.startsWith('.'))
            continue;
        struct stat st {};
        if (::fstatat(dfd, e->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode))
            continue;
        out.append({decode(name), displayName(QByteArrayView(name))});
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end(), [](const Entry &a, const Entry &b) {
        const int c = QString::compare(a.display, b.display, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.path < b.path;
    });
    return out;
}

} // namespace kav::localpath
