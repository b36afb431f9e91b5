#include "sync/sync_runner.h"

#include "ftp/host_path.h"
#include "platform/local_path.h"
#include "remotefs/remote_fs.h"

namespace kav::sync {

QList<bool> SyncTransfers::copyAll(const QList<FileCopy> &copies)
{
    QList<bool> done;
    for (const FileCopy &c : copies)
        done << (!cancelled() && (c.upload ? upload(c.localPath, c.hostPath, c.size)
                                           : download(c.hostPath, c.localPath, c.size)));
    return done;
}

bool SyncRunner::isCopy(const Action &a)
{
    return a.checked && (a.kind == ActionKind::Upload || a.kind == ActionKind::Download);
}

int SyncRunner::runCopies(const Plan &plan, int first, SyncReport &report)
{
    // Only copies that follow one another: a directory, a delete or a time
    // between them keeps its place in the order.
    QList<int> indices;
    QList<FileCopy> copies;
    int next = first;
    for (; next < plan.actions.size(); ++next) {
        const Action &a = plan.actions[next];
        if (a.kind == ActionKind::Conflict || !a.checked)
            continue;
        if (!isCopy(a))
            break;
        indices << next;
        copies << FileCopy{a.kind == ActionKind::Upload, localPath(a.path), hostPath(a.path), a.bytes};
    }
    if (cb.starting)
        cb.starting(first);
    const QList<bool> done = transfers.copyAll(copies);
    for (int k = 0; k < indices.size(); ++k) {
        const Action &a = plan.actions[indices[k]];
        if (k < done.size() && done[k]) {
            if (a.kind == ActionKind::Upload)
                afterUpload(a);
            else
                afterDownload(a);
            report.done.insert(indices[k]);
        } else if (!transfers.cancelled()) {
            report.failed.append(indices[k]);
            log(QStringLiteral("동기화 실패: ") + actionText(a));
        }
    }
    return next;
}

SyncRunner::SyncRunner(RemoteFs &fs, SyncTransfers &transfers, const QString &localRoot, const QString &hostRoot,
                       const SyncRunCallbacks &callbacks)
    : fs(fs), transfers(transfers), localRoot(localRoot), hostRoot(hostRoot), cb(callbacks)
{
}

QString SyncRunner::localPath(const QString &relative) const
{
    if (relative.isEmpty())
        return localRoot;
    return localRoot.endsWith(QLatin1Char('/')) ? localRoot + relative : localRoot + QLatin1Char('/') + relative;
}

QString SyncRunner::hostPath(const QString &relative) const
{
    return relative.isEmpty() ? hostRoot : joinHostPath(hostRoot, relative);
}

void SyncRunner::log(const QString &line) const
{
    if (cb.log)
        cb.log(line);
}

SyncReport SyncRunner::run(const Plan &plan)
{
    SyncReport report;
    // Directories that could not be made: nothing beneath them is tried.
    QStringList failedDirs;
    auto beneathFailed = [&](const QString &path) {
        for (const QString &d : failedDirs)
            if (path.startsWith(d + QLatin1Char('/')))
                return true;
        return false;
    };
    for (int i = 0; i < plan.actions.size(); ++i) {
        const Action &a = plan.actions[i];
        if (a.kind == ActionKind::Conflict || !a.checked)
            continue;
        if (transfers.cancelled() || !fs.connected()) {
            report.cancelled = true;
            break;
        }
        if (beneathFailed(a.path)) {
            report.failed.append(i);
            continue;
        }
        if (transfers.spreads() && isCopy(a) && failedDirs.isEmpty()) {
            i = runCopies(plan, i, report) - 1;
            if (transfers.cancelled()) {
                report.cancelled = true;
                break;
            }
            continue;
        }
        if (cb.starting)
            cb.starting(i);
        if (runOne(a)) {
            report.done.insert(i);
        } else {
            report.failed.append(i);
            if (a.kind == ActionKind::MakeHostDir || a.kind == ActionKind::MakeLocalDir)
                failedDirs.append(a.path);
            log(QStringLiteral("동기화 실패: ") + actionText(a));
            if (transfers.cancelled()) {
                report.cancelled = true;
                break;
            }
        }
    }
    report.hostTimesUnsettable = !hostTimesWork;
    return report;
}

bool SyncRunner::runOne(const Action &a)
{
    const QString local = localPath(a.path);
    const QString host = hostPath(a.path);
    switch (a.kind) {
    case ActionKind::Upload:
        if (!transfers.upload(local, host, a.bytes))
            return false;
        afterUpload(a);
        return true;
    case ActionKind::Download:
        if (!transfers.download(host, local, a.bytes))
            return false;
        afterDownload(a);
        return true;
    case ActionKind::DeleteLocal: return localpath::remove(local);
    case ActionKind::DeleteHost: return fs.remove(host).ok();
    case ActionKind::MakeLocalDir: return localpath::isDirectory(local) || localpath::makeDirectory(local);
    case ActionKind::MakeHostDir: return fs.makeDirectory(host).ok();
    case ActionKind::RemoveLocalDir: return localpath::removeDirectory(local);
    case ActionKind::RemoveHostDir: return fs.removeDirectory(host).ok();
    case ActionKind::SetLocalTime: return localpath::setModified(local, a.host.time.utc());
    case ActionKind::SetHostTime: return setHostTime(a.path, a.local.time.utc());
    case ActionKind::Conflict: return false;
    }
    return false;
}

void SyncRunner::afterDownload(const Action &a)
{
    // The host's exact time where the listing showed only a minute or a day.
    QDateTime when = a.host.time.utc();
    if (a.host.time.spanMs != 1000) {
        QDateTime exact;
        if (fs.modificationTime(hostPath(a.path), &exact).ok() && exact.isValid())
            when = exact;
    }
    if (when.isValid() && !localpath::setModified(localPath(a.path), when))
        log(QStringLiteral("로컬 파일의 시각을 맞추지 못했습니다: ") + a.path);
}

void SyncRunner::afterUpload(const Action &a)
{
    if (a.local.time.known())
        setHostTime(a.path, a.local.time.utc());
}

bool SyncRunner::setHostTime(const QString &relative, const QDateTime &utc)
{
    if (!hostTimesWork)
        return false;
    const FsResult r = fs.setModificationTime(hostPath(relative), utc);
    if (r.ok())
        return true;
    // A server that knows no way to set a time says so for every file: ask
    // once, say it once.
    if (!r.refused()) {
        hostTimesWork = false;
        if (!toldHostTimes) {
            toldHostTimes = true;
            log(QStringLiteral("호스트가 파일 시각 설정(MFMT, SITE UTIME)을 지원하지 않습니다. 올린 파일은 올린 때의 시각을 가집니다"));
        }
    }
    return false;
}

} // namespace kav::sync
