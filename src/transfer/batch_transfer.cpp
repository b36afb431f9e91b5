#include "batch_transfer.h"

#include "parallel_transfer.h"
#include "trans_form.h"
#include "transfer_engine.h"
#include "transfer_host.h"

#include "browse/host_pane.h"
#include "ftp/listing.h"
#include "remotefs/remote_fs.h"
#include "platform/event_pump.h"
#include "platform/dialogs.h"
#include "platform/local_path.h"

#include <QDir>
#include <QWidget>

namespace kav {

namespace {
constexpr auto Host = TranscriptSide::Host;
constexpr auto Local = TranscriptSide::Local;
// Every transfer the user starts may continue a partial file, asked per file.
constexpr auto Offer = TransferEngine::Existing::OfferResume;
}

TransferCommands::TransferCommands(RemoteFs &fs, HostPane &hostPane, TransferHost &host,
                                   TTransForm &window, TransferEngine &engine)
    : fs(fs), hostPane(hostPane), host(host), window(window), engine(engine)
{
}

QString TransferCommands::hostDestination(const QString &hostDir, const QString &localName)
{
    return joinHostPath(hostDir, localName);
}

QString TransferCommands::uploadDestination(const QString &hostDir, const QString &localName) const
{
    if (!localpath::hasEscapes(localName))
        return hostDestination(hostDir, localName);
    // Decoded the way the server's own text is, the bytes encode back to themselves.
    const auto bytes = localpath::encode(localName);
    return hostDestination(hostDir, bytes ? fs.decodeName(*bytes) : localName);
}

QString TransferCommands::localDestination(const QString &localDir, const QString &hostPath)
{
    const QString name = hostBaseName(hostPath);
    const QString dir = QDir::toNativeSeparators(localDir);
    return dir.endsWith(QDir::separator()) ? dir + name : dir + QDir::separator() + name;
}

void TransferCommands::beginRun()
{
    host.setStayOnTop(false);
    window.setDisconnectAfterwards(false);
    window.show();
    window.raise();
    PumpMessages(1);
}

void TransferCommands::endWindow()
{
    if (window.isVisible())
        window.close();
}

void TransferCommands::walk(int count, int total, const std::function<bool(int)> &transfer)
{
    for (int i = 0; i < count; ++i) {
        window.setCount(i + 1, total);
        if (!transfer(i) || !afterItem())
            break;
    }
}

bool TransferCommands::ready() const
{
    // One transfer at a time: a command started from a window while one runs waits its turn.
    return fs.connected() && !fs.transferUnderWay() && !window.isVisible();
}

bool TransferCommands::afterItem()
{
    PumpMessages(10);
    return window.cancelFlag() != 1;
}

void TransferCommands::finishUpload(bool restoreTopmost)
{
    if (restoreTopmost)
        host.setStayOnTop(host.stayOnTopChecked());
    if (window.disconnectAfterwards()) {
        host.disconnectFromHost();
    } else {
        hostPane.RBrefreshClick();
        hostPane.focusFiles();
    }
}

void TransferCommands::cancelledDownload()
{
    host.disconnectFromHost();
    fs.log(Host, QStringLiteral("transfer failed"));
    fs.log(Host, QStringLiteral("전송이 취소되어 호스트에 다시 접속하셔야 합니다"));
}

void TransferCommands::finishDownload(bool restoreTopmost)
{
    if (restoreTopmost)
        host.setStayOnTop(host.stayOnTopChecked());
    host.refreshLocal();
    if (window.cancelFlag() == 1) {
        cancelledDownload();
        return;
    }
    host.focusLocalFiles();
    if (window.disconnectAfterwards())
        host.disconnectFromHost();
}

bool TransferCommands::receiveInto(const QString &hostPath, const QString &localDir, bool forceBinary,
                                   const QString &listedName, qint64 listedSize)
{
    // A listed name is the file's own name; a full path's last part is.
    const QString name = listedName.isNull() ? hostBaseName(hostPath) : listedName;
    // A hostile server's name must never reach outside the chosen directory.
    if (!isSafeLocalName(name)) {
        fs.log(Host, QStringLiteral("파일명 '") + name
                     + QStringLiteral("' 은(는) 로컬 파일명으로 쓸 수 없어 받지 않습니다."));
        return false;
    }
    return engine.ReceiveFile(hostPath, localDestination(localDir, hostPath), forceBinary, Offer, listedSize);
}

bool TransferCommands::downloadJob(const QString &hostPath, const QString &localDir, bool forceBinary,
                                   qint64 listedSize, QList<TransferJob> &jobs) const
{
    const QString name = hostBaseName(hostPath);
    if (!isSafeLocalName(name)) {
        fs.log(Host, QStringLiteral("파일명 '") + name
                     + QStringLiteral("' 은(는) 로컬 파일명으로 쓸 수 없어 받지 않습니다."));
        return false;
    }
    jobs.append(TransferJob{false, hostPath, localDestination(localDir, hostPath), forceBinary, listedSize});
    return true;
}

bool TransferCommands::spread(int count, const std::function<void(QList<TransferJob> &)> &build,
                              const QString &hostDirectory)
{
    const int wanted = connections ? connections->connections() : 1;
    if (wanted <= 1 || count < 2)
        return false;
    // Built only for a batch that is spread: on one connection nothing is said twice.
    QList<TransferJob> jobs;
    build(jobs);
    if (jobs.isEmpty())
        return true;   // every name refused, each said in the log
    ParallelTransfer batch(*connections, window, host, fs);
    const ParallelTransfer::Outcome outcome = batch.run(jobs, wanted, hostDirectory);
    if (outcome.opened == 0 && !outcome.cancelled) {
        fs.log(Local, NoFurtherConnectionText);
        return false;
    }
    // The window's connection carried nothing: its session stays as it was.
    window.setCancelFlag(0);
    return true;
}

void TransferCommands::SB_LeftRightClick()
{
    if (!ready())
        return;
    const QStringList names = host.selectedLocalFiles();
    if (names.isEmpty()) {
        fs.log(Local, QStringLiteral("먼저 파일을 선택하세요."));
        return;
    }
    beginRun();
    const QString dir = hostPane.currentDirectory();
    const auto jobs = [&](QList<TransferJob> &out) {
        for (const QString &name : names)
            out.append(TransferJob{true, name, uploadDestination(dir, name), false, localpath::regularFileSize(name)});
    };
    if (!spread(int(names.size()), jobs, dir))
        walk(int(names.size()), int(names.size()),
             [&](int i) { return engine.SendFile(names[i], uploadDestination(dir, names[i]), Offer); });
    endWindow();
    finishUpload(true);
    window.setCancelFlag(0);
}

void TransferCommands::SB_RightLeftClick()
{
    if (!ready() || hostPane.currentDirectory().isEmpty())
        return;
    const QList<RemoteEntry> entries = hostPane.selectedFiles();
    if (entries.isEmpty()) {
        fs.log(Host, QStringLiteral("먼저 파일을 선택하세요."));
        return;
    }
    beginRun();
    const QString dir = host.localDirectory();
    const auto jobs = [&](QList<TransferJob> &out) {
        for (const RemoteEntry &e : entries)
            downloadJob(e.name, dir, e.kind == EntryKind::ExecutableFile, e.size, out);
    };
    if (!spread(int(entries.size()), jobs, hostPane.currentDirectory()))
        walk(int(entries.size()), int(entries.size()), [&](int i) {
            return receiveInto(entries[i].name, dir, entries[i].kind == EntryKind::ExecutableFile, entries[i].name,
                               entries[i].size);
        });
    endWindow();
    finishDownload(true);
    window.setCancelFlag(0);
}

void TransferCommands::WMDropFiles(const QStringList &paths)
{
    if (!ready())
        return;
    beginRun();
    const QString dir = hostPane.currentDirectory();
    int item = 0;
    for (const QString &path : paths) {
        // Whatever the bytes of its name: Qt's own file classes miss a name that is not UTF-8.
        if (localpath::status(path).isFile) {
            window.setCount(++item, int(paths.size()));
            if (!engine.SendFile(path, uploadDestination(dir, localBaseName(path)), Offer))
                break;
        }
        if (!afterItem())
            break;
    }
    endWindow();
    finishUpload(true);
    window.setCancelFlag(0);
}

void TransferCommands::N_LManualUploadClick()
{
    if (!ready() || hostPane.currentDirectory().isEmpty())
        return;
    const QStringList names = host.selectedLocalFiles();
    if (names.size() != 1) {
        fs.log(Local, (names.isEmpty() ? QStringLiteral("먼저 파일을 선택하세요.")
                                                    : QStringLiteral("한개의 파일만 선택하세요. 지금작업은 다중선택을 못합니다")));
        return;
    }
    const QString name = names.first();
    host.setSelectAfterRefresh(name);
    QString answer = uploadDestination(hostPane.currentDirectory(), name);
    if (!dialogs().inputQuery(window.parentWidget(), QStringLiteral("호스트로 파일 전송"),
                              QStringLiteral("호스트 파일: ") + name, answer))
        return;
    beginRun();
    window.setCount(1, 1);
    engine.SendFile(name, answer, Offer);
    PumpMessages(10);
    window.setCancelFlag(0);
    endWindow();
    finishUpload(true);
}

void TransferCommands::N_RManualDownloadClick()
{
    if (!ready() || hostPane.currentDirectory().isEmpty())
        return;
    if (!hostPane.checkSingleSelection())
        return;
    const QList<RemoteEntry> entries = hostPane.selectedFiles();
    if (entries.isEmpty())
        return;
    const RemoteEntry entry = entries.first();
    host.setSelectAfterRefresh(entry.name);
    QString answer = localDestination(host.localDirectory(), entry.name);
    if (!dialogs().inputQuery(window.parentWidget(), QStringLiteral("로컬로 파일 전송"),
                              QStringLiteral("로컬 파일: ") + entry.name, answer))
        return;
    beginRun();
    window.setCount(1, 1);
    engine.ReceiveFile(entry.name, answer, entry.kind == EntryKind::ExecutableFile, Offer, entry.size);
    PumpMessages(10);
    endWindow();
    finishDownload(true);
    window.setCancelFlag(0);
}

void TransferCommands::uploadLocalPaths(const QStringList &paths, int total, QWidget *caller)
{
    if (!ready())
        return;
    beginRun();
    const QString dir = hostPane.currentDirectory();
    const auto jobs = [&](QList<TransferJob> &out) {
        for (const QString &path : paths)
            out.append(TransferJob{true, path, uploadDestination(dir, localBaseName(path)), false,
                                   localpath::regularFileSize(path)});
    };
    if (!spread(int(paths.size()), jobs, dir))
        walk(int(paths.size()), total,
             [&](int i) { return engine.SendFile(paths[i], uploadDestination(dir, localBaseName(paths[i])), Offer); });
    endWindow();
    if (caller)
        caller->raise();
    finishUpload(false);
    window.setCancelFlag(0);
}

void TransferCommands::downloadHostPaths(const QList<HostItem> &items, int total, QWidget *caller)
{
    if (!ready())
        return;
    beginRun();
    const QString dir = host.localDirectory();
    const auto byExtension = [&](int i) {
        return items[i].marker == QLatin1String("A") || items[i].marker == QLatin1String("65");
    };
    const auto jobs = [&](QList<TransferJob> &out) {
        for (int i = 0; i < items.size(); ++i)
            downloadJob(items[i].path, dir, !byExtension(i), -1, out);
    };
    if (!spread(int(items.size()), jobs, hostPane.currentDirectory()))
        walk(int(items.size()), total, [&](int i) { return receiveInto(items[i].path, dir, !byExtension(i)); });
    endWindow();
    if (caller)
        caller->raise();
    finishDownload(false);
    window.setCancelFlag(0);
}

void TransferCommands::runQueue(const QList<QueueItem> &items, int total, QWidget *caller)
{
    if (!ready())
        return;
    beginRun();
    bool lastWasDownload = false;
    const auto jobs = [&](QList<TransferJob> &out) {
        for (const QueueItem &q : items) {
            if (q.upload)
                out.append(TransferJob{true, q.source, uploadDestination(q.destinationDir, localBaseName(q.source)),
                                       false, localpath::regularFileSize(q.source)});
            else
                downloadJob(q.source, q.destinationDir, q.marker != QLatin1String("A"), -1, out);
        }
    };
    if (spread(int(items.size()), jobs, hostPane.currentDirectory()))
        lastWasDownload = !items.isEmpty() && !items.last().upload;
    else
        walk(int(items.size()), total, [&](int i) {
            const QueueItem &q = items[i];
            lastWasDownload = !q.upload;
            return q.upload ? engine.SendFile(q.source, uploadDestination(q.destinationDir, localBaseName(q.source)), Offer)
                            : receiveInto(q.source, q.destinationDir, q.marker != QLatin1String("A"));
        });
    endWindow();
    if (caller)
        caller->raise();
    host.refreshLocal();
    if (lastWasDownload && window.cancelFlag() == 1) {
        cancelledDownload();
    } else {
        if (lastWasDownload)
            host.focusLocalFiles();
        else
            hostPane.focusFiles();
        if (window.disconnectAfterwards())
            host.disconnectFromHost();
        else
            hostPane.RBrefreshClick();
    }
    window.setCancelFlag(0);
}

} // namespace kav
