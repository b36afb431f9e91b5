#include "parallel_transfer.h"

#include "trans_form.h"
#include "transfer_host.h"
#include "transfer_progress.h"

#include "config/ascii_extensions.h"
#include "remotefs/remote_fs.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <mutex>
#include <vector>

namespace kav {

namespace {

constexpr auto Local = TranscriptSide::Local;
constexpr auto Offer = TransferEngine::Existing::OfferResume;
// How often a worker looks for a cancel, and the window for the batch's progress.
constexpr int StopPollMs = 10;
constexpr int FrameMs = 16;

enum class JobState : char { Pending, Done, Failed, Stopped };

// What the workers share with the window's thread.
struct Shared {
    explicit Shared(const QList<TransferJob> &jobs) : jobs(jobs), states(size_t(jobs.size()), JobState::Pending) {}
    const QList<TransferJob> &jobs;
    std::atomic<int> next{0};       // the next file a worker takes
    std::atomic<int> finished{0};   // files ended, whatever their end
    std::atomic<qint64> moved{0};   // bytes moved over every connection
    std::atomic<int> opened{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;               // guards states
    std::vector<JobState> states;

    void mark(int index, JobState state)
    {
        const std::lock_guard lock(mutex);
        states[size_t(index)] = state;
    }
};

// A worker's progress: its bytes added to the batch's count; the window's
// cancel read from the shared flag; a question handed to the window's thread.
class WorkerProgress final : public TransferProgress {
public:
    WorkerProgress(Shared &shared, TTransForm &window) : shared(shared), window(window) {}
    void begin(const QString &, qint64, const QString &) override { counted = 0; }
    void progress(qint64 moved, bool) override
    {
        shared.moved += moved - counted;
        counted = moved;
    }
    void complete() override {}
    bool cancelled() const override { return shared.stop.load(); }
    ResumeChoice askResume(const QString &question) override
    {
        ResumeChoice choice = ResumeChoice::Skip;
        QMetaObject::invokeMethod(
            &window, [&] { choice = window.askResume(question); }, Qt::BlockingQueuedConnection);
        return choice;
    }

private:
    Shared &shared;
    TTransForm &window;
    qint64 counted = 0;
};

// The type controls and the extension list as they were when the batch
// began: the window's own objects are never read from a worker.
class WorkerHost final : public TransferHost {
public:
    explicit WorkerHost(const TransferHost &host) : controls(host.typeControls()), ascii(host.asciiExtensions()) {}
    QStringList selectedLocalFiles() const override { return {}; }
    QString localDirectory() const override { return {}; }
    void refreshLocal() override {}
    void focusLocalFiles() override {}
    void setStayOnTop(bool) override {}
    bool stayOnTopChecked() const override { return false; }
    TypeControls typeControls() const override { return controls; }
    const AsciiExtensionList &asciiExtensions() const override { return ascii; }
    void setSelectAfterRefresh(const QString &) override {}
    void disconnectFromHost() override {}

private:
    TypeControls controls;
    AsciiExtensionList ascii;
};

// One worker's thread: its connection, then files until none is left.
void work(Shared &shared, const ConnectionSource::Opener &open, int number, TTransForm &window,
          const WorkerHost &hostValues)
{
    if (shared.stop)
        return;
    const std::shared_ptr<RemoteFs> fs = open(number, [&shared] { return shared.stop.load(); });
    if (!fs)
        return;
    ++shared.opened;
    // A cancel ends the wait in progress and the connection: the worker's
    // own event loop runs inside every wait, so the check runs there.
    QTimer watch;
    bool hungUp = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (shared.stop && !hungUp) {
            hungUp = true;
            fs->cancel();
            fs->hangUp();
        }
    });
    watch.start(StopPollMs);
    WorkerProgress progress(shared, window);
    WorkerHost host(hostValues);
    TransferEngine engine(*fs, progress, host);
    const int count = int(shared.jobs.size());
    while (!shared.stop && fs->connected()) {
        const int i = shared.next++;
        if (i >= count)
            break;
        const TransferJob &job = shared.jobs[i];
        const bool ok = job.upload ? engine.SendFile(job.source, job.destination, Offer)
                                   : engine.ReceiveFile(job.source, job.destination, job.forceBinary, Offer, job.size);
        // A file cut short by the cancel is neither done nor a failure of its own.
        shared.mark(i, shared.stop ? JobState::Stopped : ok ? JobState::Done : JobState::Failed);
        ++shared.finished;
    }
    watch.stop();
    if (!hungUp && fs->connected()) {
        if (FtpExtras *ftp = fs->ftp())
            ftp->rawCommand(QStringLiteral("QUIT"));
        fs->drop();
    }
}

// The shown name of a file of the batch: where it comes from.
QString shownName(const TransferJob &job)
{
    return job.source;
}

// The directory part of a path of either side, for the window's labels.
QString directoryOf(const QString &path)
{
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return slash <= 0 ? path.left(slash + 1) : path.left(slash);
}

} // namespace

ParallelTransfer::ParallelTransfer(ConnectionSource &source, TTransForm &window, TransferHost &host, RemoteFs &fs)
    : source(source), window(window), host(host), fs(fs)
{
}

QStringList ParallelTransfer::summary(const QList<TransferJob> &jobs, const Outcome &o)
{
    const int total = int(jobs.size());
    QStringList lines;
    if (o.cancelled) {
        lines << QStringLiteral("동시 전송을 중지했습니다: 파일 %1개 중 %2개를 전송했습니다.").arg(total).arg(o.transferred);
        return lines;
    }
    if (o.failed.isEmpty()) {
        lines << QStringLiteral("동시 전송(연결 %1개): 파일 %2개를 모두 전송했습니다.").arg(o.opened).arg(total);
        return lines;
    }
    lines << QStringLiteral("동시 전송(연결 %1개): 파일 %2개 중 %3개를 전송하지 못했습니다.")
                 .arg(o.opened)
                 .arg(total)
                 .arg(o.failed.size());
    for (int i : o.failed)
        lines << QStringLiteral("전송 실패: ") + shownName(jobs[i]);
    return lines;
}

ParallelTransfer::Outcome ParallelTransfer::run(const QList<TransferJob> &jobs, int connections, const QString &directory)
{
    Outcome outcome;
    const int count = int(jobs.size());
    if (count == 0)
        return outcome;
    const int workers = std::clamp(connections, 1, count);
    Shared shared(jobs);
    const ConnectionSource::Opener open = source.opener(directory);
    const WorkerHost hostValues(host);

    // The gauge counts bytes when every size is known, else files.
    qint64 totalBytes = 0;
    bool bySize = true;
    for (const TransferJob &j : jobs) {
        if (j.size < 0)
            bySize = false;
        else
            totalBytes += j.size;
    }
    window.setCount(0, count);
    window.begin(directoryOf(jobs.first().source), bySize ? totalBytes : count,
                 directoryOf(jobs.first().destination));
    fs.log(Local, QStringLiteral("동시 전송: 파일 %1개를 연결 %2개로 전송합니다.").arg(count).arg(workers));

    std::vector<std::unique_ptr<QThread>> threads;
    for (int n = 1; n <= workers; ++n) {
        threads.emplace_back(QThread::create(
            [&shared, &open, n, this, &hostValues] { work(shared, open, n, window, hostValues); }));
        threads.back()->start();
    }
    // The window's thread keeps its events flowing (log lines, questions,
    // the cancel button) and shows the batch once a frame.
    QTimer frame;
    frame.start(FrameMs);
    const auto running = [&] {
        for (const auto &t : threads)
            if (!t->isFinished())
                return true;
        return false;
    };
    while (running()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        // The cancel button, or the window's connection ended (the user's
        // disconnect, the server's end, the program's): every worker stops.
        if (window.cancelFlag() == 1 || !fs.connected())
            shared.stop = true;
        window.setCount(shared.finished, count);
        window.progress(bySize ? shared.moved.load() : qint64(shared.finished));
    }
    frame.stop();
    for (const auto &t : threads)
        t->wait();
    // The workers' last lines are queued for this thread: they come before the summary.
    QCoreApplication::processEvents(QEventLoop::AllEvents);

    outcome.opened = shared.opened;
    outcome.cancelled = shared.stop;
    for (int i = 0; i < count; ++i) {
        outcome.done << (shared.states[size_t(i)] == JobState::Done);
        switch (shared.states[size_t(i)]) {
        case JobState::Done:
            ++outcome.transferred;
            break;
        case JobState::Failed:
            outcome.failed << i;
            break;
        case JobState::Pending:   // never taken: every connection broke or none opened
            if (!outcome.cancelled)
                outcome.failed << i;
            break;
        case JobState::Stopped:
            break;
        }
    }
    window.setCount(int(shared.finished), count);
    window.progress(bySize ? shared.moved.load() : qint64(shared.finished), true);
    window.complete();
    if (outcome.opened > 0 || outcome.cancelled)
        for (const QString &line : summary(jobs, outcome))
            fs.log(Local, line);
    return outcome;
}

} // namespace kav
