#include "remote_fs.h"

#include <vector>

namespace kav {

namespace {
constexpr int BlockSize = 256 * 1024;
}

FsResult RemoteFs::serverDigest(const QString &, QByteArray *digest)
{
    if (digest)
        digest->clear();
    return {};   // Failed, unanswered: nothing was asked
}

FsResult RemoteFs::retrieve(const QString &path, qint64 offset, const std::function<bool(const char *, int)> &sink)
{
    const FsOpening opening = openRead(path, offset);
    if (!opening.opened())
        return opening.answer;
    std::vector<char> buffer(BlockSize);
    for (;;) {
        const int n = read(buffer.data(), BlockSize);
        if (n < 0) {
            closeTransfer();
            finishTransfer();
            return FsResult{};
        }
        if (n == 0 || !sink(buffer.data(), n))
            break;
    }
    return finishTransfer();
}

FsResult RemoteFs::store(const QString &path, qint64 offset, bool append, const std::function<int(char *, int)> &source)
{
    const FsOpening opening = openWrite(path, offset, append);
    if (!opening.opened())
        return opening.answer;
    std::vector<char> buffer(BlockSize);
    for (;;) {
        const int n = source(buffer.data(), BlockSize);
        if (n < 0) {   // a truncated file must never pass for a whole one
            closeTransfer();
            finishTransfer();
            return FsResult{};
        }
        if (n == 0)
            break;
        if (write(buffer.data(), n) < 0) {
            closeTransfer();
            finishTransfer();
            return FsResult{};
        }
    }
    return finishTransfer();
}

} // namespace kav
