#pragma once
// A batch of files spread over several connections of the same profile: the
// one place that hands files to workers. Each worker is a thread with its own
// connection (control and data) and its own TransferEngine, which moves one
// file exactly as on the window's connection; the workers take the next file
// of the batch as they finish one, so a slow file never holds up the rest.
//
//   ParallelTransfer run(source, window, host, fs);
//   const ParallelTransfer::Outcome o = run.run(jobs, 4, hostPane.currentDirectory());
//
// Invariants:
// - The window's own connection is left alone: it is neither used nor
//   disturbed by the run, and a cancel never costs it.
// - A worker's connection, its engine and every socket of theirs live and die
//   on the worker's thread (the socket layer and the event clock are each
//   thread's own). Nothing of the window is touched from a worker: progress
//   goes through atomics read on a frame clock, log lines and questions are
//   handed to the window's thread.
// - A failed file does not stop the others; it is named in the summary. A
//   worker whose connection broke takes no more files; the others finish them.
// - Cancel (the transfer window's 중지) stops every worker within one poll
//   slice: their waits are ended, their connections closed. run() returns only
//   when every worker's thread has ended: no connection outlives the run.

#include "transfer_engine.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace kav {

class RemoteFs;
class TTransForm;
class TransferHost;

// One file of a batch.
struct TransferJob {
    bool upload = false;
    QString source;        // local path (upload) or host path (download)
    QString destination;   // host path (upload) or local path (download)
    bool forceBinary = false;   // download: image type whatever the extension
    qint64 size = -1;           // listed or local size; -1: not known
};

// More connections like the window's one.
class ConnectionSource {
public:
    virtual ~ConnectionSource() = default;
    // How many connections a batch is spread over now; 1: one file after
    // another on the window's own connection, as always.
    virtual int connections() const = 0;
    // Opens connection `number` (1, 2, ...): logged in with the profile's
    // credentials and security, in `directory` when one is given, its
    // transcript reaching the window's log with its number. Called on a
    // worker's thread; `stopped` says the batch was cancelled meanwhile (the
    // connect and login end then). Null when it could not be made (said in the log).
    using Opener = std::function<std::shared_ptr<RemoteFs>(int number, const std::function<bool()> &stopped)>;
    // Taken on the window's thread: everything the opener needs, copied.
    virtual Opener opener(const QString &directory) = 0;
};

// Said when no further connection could be made and the batch goes on the window's own.
inline const QString NoFurtherConnectionText = QStringLiteral("동시 전송 연결을 하나도 만들지 못해 지금 연결로 한 파일씩 전송합니다.");

class ParallelTransfer {
public:
    ParallelTransfer(ConnectionSource &source, TTransForm &window, TransferHost &host, RemoteFs &fs);

    struct Outcome {
        int opened = 0;          // connections that logged in
        int transferred = 0;     // files done (or skipped by the user's choice)
        QList<int> failed;       // indices of files that failed, or were never tried
        QList<bool> done;        // for each file: it was transferred (or skipped by the user's choice)
        bool cancelled = false;
    };
    // Moves `jobs` over at most `connections` workers, the transfer window
    // showing the whole batch (files done and bytes moved). The summary goes
    // to the log; when no connection could be opened nothing is said and the
    // caller may fall back to its own connection.
    Outcome run(const QList<TransferJob> &jobs, int connections, const QString &directory);

    // The summary lines of an outcome (the log's texts).
    static QStringList summary(const QList<TransferJob> &jobs, const Outcome &outcome);

private:
    ConnectionSource &source;
    TTransForm &window;
    TransferHost &host;
    RemoteFs &fs;
};

} // namespace kav
