#include "host_search.h"

#include "ftp/host_path.h"
#include "remotefs/remote_fs.h"
#include "platform/event_pump.h"
#include "platform/text.h"
#include "platform/wildcard.h"

#include <QList>

namespace kav {

int invalidMaskPosition(const QString &mask)
{
    const QList<uint> m = mask.toUcs4();
    for (qsizetype i = 0; i < m.size(); ++i) {
        if (m[i] != uint('['))
            continue;
        qsizetype k = i + 1;
        if (k < m.size() && m[k] == uint('!'))
            ++k;
        bool first = true;
        while (k < m.size() && (first || m[k] != uint(']'))) {
            first = false;
            k += (k + 2 < m.size() && m[k + 1] == uint('-') && m[k + 2] != uint(']')) ? 3 : 1;
        }
        if (k >= m.size())
            return int(i + 1);
        i = k;
    }
    return 0;
}

QString invalidMaskText(const QString &mask, int position)
{
    return QStringLiteral("'%1' is an invalid mask at (%2)").arg(mask).arg(position);
}

HostSearchResult HostSearch::run(const QString &startDir, const QString &pattern, bool subdirectories,
                                 int maxDepth)
{
    mask = pattern;
    recursive = subdirectories;
    depthLimit = maxDepth;
    read = 0;
    found = 0;
    switch (visit(startDir, 0)) {
    case Visit::Fail:
        return HostSearchResult::Failed;
    case Visit::Stop:
        return stop() ? HostSearchResult::Stopped : HostSearchResult::Finished;
    case Visit::GoOn:
        break;
    }
    return HostSearchResult::Finished;
}

HostSearch::Visit HostSearch::visit(const QString &path, int depth)
{
    ++read;
    if (cb.directoryRead)
        cb.directoryRead(read);
    PumpMessages(1);
    if (!fs.connected())
        return Visit::Fail;
    const FsResult cwd = fs.changeDirectory(path);
    if (!fs.connected())
        return Visit::Fail;
    if (!cwd.ok())
        return Visit::GoOn;   // the refusal is in the log; its subtree is not searched

    QStringList subdirectories;
    const FsListing listing = fs.list([&](QList<RemoteEntry> &&entries, qsizetype) {
        for (const RemoteEntry &entry : entries) {
            const QString &name = entry.name;
            if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
                || name.contains(QLatin1Char('/')))
                continue;
            // A link is reported like a file and never entered: one that points above
            // would make the walk endless.
            if (entry.kind == EntryKind::Directory) {
                subdirectories << name;
                continue;
            }
            if (!matchesWildcard(mask, name))
                continue;
            ++found;
            const int dot = int(name.lastIndexOf(QLatin1Char('.')));
            const QString extension = dot < 0 ? QString() : name.mid(dot + 1).toUpper();
            const bool binary = entry.kind == EntryKind::ExecutableFile || extension.isEmpty()
                                || !(cb.isAscii && cb.isAscii(extension));
            if (cb.found)
                cb.found(joinHostPath(path, name), binary ? QStringLiteral("B") : QStringLiteral("A"), found);
            PumpMessages(1);
        }
        return !stop();
    });
    if (listing == FsListing::Refused)
        return fs.connected() ? Visit::GoOn : Visit::Fail;
    if (listing == FsListing::Failed || listing == FsListing::Broken)
        return Visit::Fail;
    PumpMessages(1);
    if (!fs.connected())
        return Visit::Fail;
    if (!recursive || stop())
        return Visit::Stop;
    if (depth >= depthLimit) {
        if (!subdirectories.isEmpty())
            fs.log(TranscriptSide::Host,
                        QStringLiteral("%1단계보다 깊은 디렉토리는 찾지 않습니다: ").arg(depthLimit) + path);
        return Visit::GoOn;
    }
    for (const QString &name : subdirectories) {
        const Visit v = visit(joinHostPath(path, name), depth + 1);
        if (v != Visit::GoOn)
            return v;
        PumpMessages(1);
        if (stop())
            return Visit::Stop;
    }
    return Visit::GoOn;
}

} // namespace kav
