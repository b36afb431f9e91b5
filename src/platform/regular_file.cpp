#include "regular_file.h"

#include "local_path.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kav {

namespace {

std::optional<QByteArray> readRegular(const QString &path, qint64 maxBytes, bool head)
{
    const QByteArray name = localpath::encode(path).value_or(QByteArray());
    if (name.isEmpty())
        return std::nullopt;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (!head && st.st_size > maxBytes)) {
        ::close(fd);
        return std::nullopt;
    }
    const qint64 wanted = head ? qMin<qint64>(st.st_size, maxBytes) : st.st_size;
    QByteArray bytes;
    bytes.resize(qsizetype(wanted));
    qint64 done = 0;
    while (done < wanted) {
        const ssize_t n = ::read(fd, bytes.data() + done, size_t(wanted - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;  // a file that shrank while read: what was there
        done += n;
    }
    ::close(fd);
    bytes.truncate(qsizetype(done));
    return bytes;
}

} // namespace

std::optional<QByteArray> readRegularFile(const QString &path, qint64 maxBytes)
{
    return readRegular(path, maxBytes, false);
}

std::optional<QByteArray> readRegularFileHead(const QString &path, qint64 count)
{
    return readRegular(path, count, true);
}

} // namespace kav
