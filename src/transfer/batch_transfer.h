#pragma once
// The commands that move files: the two buttons between the panes, the shell
// drop, the single-file commands with a typed destination, and the runners that
// the queue, bookmark and search windows call with their selections.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace kav {

class ConnectionSource;
class HostPane;
class RemoteFs;
class TTransForm;
class TransferEngine;
class TransferHost;
struct TransferJob;

class TransferCommands {
public:
    TransferCommands(RemoteFs &fs, HostPane &hostPane, TransferHost &host,
                     TTransForm &window, TransferEngine &engine);

    void SB_LeftRightClick();
    void SB_RightLeftClick();
    // Local files dropped on the main window (only while "Drop Files" is ticked).
    void WMDropFiles(const QStringList &paths);
    void N_LManualUploadClick();
    void N_RManualDownloadClick();

    // Runners for the other windows; `total` is the count of selected items
    // (for the counter only), `caller` comes to the front when the run ends.
    void uploadLocalPaths(const QStringList &paths, int total, QWidget *caller);
    struct HostItem {
        QString path;     // full host path
        QString marker;   // "A" (or "65"): type by extension; anything else: image type
    };
    void downloadHostPaths(const QList<HostItem> &items, int total, QWidget *caller);
    struct QueueItem {
        QString source;           // full path on the sending side
        QString destinationDir;   // directory on the receiving side
        QString marker;           // "A" or "B"
        bool upload = true;
    };
    void runQueue(const QList<QueueItem> &items, int total, QWidget *caller);

    // Where more connections come from when the profile spreads a batch over
    // several (none: every batch runs on the window's connection).
    void setConnectionSource(ConnectionSource *source) { connections = source; }
    ConnectionSource *connectionSource() const { return connections; }

    // Destination paths. Host: joinHostPath (d + "/" + n, or d + n in the root "/"). Local: the
    // directory and the name joined with this platform's separator, never doubled.
    static QString hostDestination(const QString &hostDir, const QString &localName);
    // Where an upload goes: a local name that is not UTF-8 (escaped bytes, say
    // code page 949 from an old archive) reaches the server in its own bytes.
    QString uploadDestination(const QString &hostDir, const QString &localName) const;
    static QString localDestination(const QString &localDir, const QString &hostPath);

private:
    // The transfer window comes up for a run; the main window leaves the topmost band.
    void beginRun();
    void endWindow();
    bool ready() const;  // connected, and no transfer under way
    bool afterItem();   // pumps between items; false when cancelled
    // Items 0..count-1 in order, the counter showing i+1 of `total`; stops at
    // the first failed transfer or a cancel.
    void walk(int count, int total, const std::function<bool(int)> &transfer);
    void finishUpload(bool restoreTopmost);
    void finishDownload(bool restoreTopmost);
    void cancelledDownload();
    bool receiveInto(const QString &hostPath, const QString &localDir, bool forceBinary,
                     const QString &listedName = QString(), qint64 listedSize = -1);
    // A download of a batch over several connections, or nothing when its
    // name cannot be a local one (said in the log).
    bool downloadJob(const QString &hostPath, const QString &localDir, bool forceBinary, qint64 listedSize,
                     QList<TransferJob> &jobs) const;
    // The batch of `count` items over the profile's connections when it has
    // more than one and the batch more than one item (`build` gives its
    // files); false when it ran nothing (the caller runs it on the window's
    // connection, as always). A cancel here costs the window's connection
    // nothing: the flag is reset.
    bool spread(int count, const std::function<void(QList<TransferJob> &)> &build, const QString &hostDirectory);

    RemoteFs &fs;
    HostPane &hostPane;
    TransferHost &host;
    TTransForm &window;
    TransferEngine &engine;
    ConnectionSource *connections = nullptr;
};

} // namespace kav
