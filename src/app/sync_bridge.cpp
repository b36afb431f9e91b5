#include "sync_bridge.h"

#include "main_form.h"
#include "transfer_bridge.h"
#include "ui_main_form.h"

#include "browse/host_pane.h"
#include "local/local_pane.h"
#include "composition.h"
#include "sync/sync_runner.h"
#include "transfer/parallel_transfer.h"
#include "transfer/trans_form.h"
#include "transfer/transfer_engine.h"

#include <QAction>
#include <QMenu>

namespace kav {

// A run's transfers through the transfer engine: its window shows each file,
// takes the cancel, and offers to continue a shorter file left by a cancelled run.
class SyncBridge::EngineTransfers : public sync::SyncTransfers {
public:
    explicit EngineTransfers(TMainForm &window) : window(window) {}
    bool upload(const QString &localPath, const QString &hostPath, qint64) override
    {
        next();
        return window.transfers().engine().SendFile(localPath, hostPath, TransferEngine::Existing::OfferResume)
            && !cancelled();
    }
    bool download(const QString &hostPath, const QString &localPath, qint64 size) override
    {
        next();
        return window.transfers().engine().ReceiveFile(hostPath, localPath, true, TransferEngine::Existing::OfferResume,
                                                       size)
            && !cancelled();
    }
    bool cancelled() const override { return window.transfers().transferWindow().cancelled(); }
    // The profile's connections, when it has more than one.
    bool spreads() const override { return connections() > 1; }
    QList<bool> copyAll(const QList<sync::FileCopy> &copies) override
    {
        if (!spreads() || copies.size() < 2)
            return SyncTransfers::copyAll(copies);
        QList<TransferJob> jobs;
        for (const sync::FileCopy &c : copies)
            jobs << (c.upload ? TransferJob{true, c.localPath, c.hostPath, false, c.size}
                              : TransferJob{false, c.hostPath, c.localPath, true, c.size});
        SessionParts &parts = window.sessionParts();
        ParallelTransfer batch(*parts.extraConnections, window.transfers().transferWindow(), window.transfers(),
                               parts.fs);
        const ParallelTransfer::Outcome o = batch.run(jobs, connections(), QString());
        item += int(copies.size());
        if (o.opened == 0 && !o.cancelled) {
            parts.fs.log(TranscriptSide::Local, NoFurtherConnectionText);
            item -= int(copies.size());
            return SyncTransfers::copyAll(copies);
        }
        return o.done;
    }

    int total = 0, item = 0;

private:
    void next() { window.transfers().transferWindow().setCount(++item, total); }
    int connections() const { return window.sessionParts().extraConnections->connections(); }
    TMainForm &window;
};

SyncBridge::SyncBridge(TMainForm &window)
    : window(window),
      transfers(std::make_unique<EngineTransfers>(window))
{
    // The directory menus of both panes lead to the window.
    for (QMenu *menu : {window.form()->RDirMenu, window.form()->LDirMenu}) {
        auto *action = new QAction(QStringLiteral("동기화(&Y)..."), menu);
        action->setObjectName(menu == window.form()->RDirMenu ? QStringLiteral("N_RSynchronize")
                                                              : QStringLiteral("N_LSynchronize"));
        action->setToolTip(QStringLiteral("로컬 디렉토리와 호스트 디렉토리를 하위까지 비교하여 맞춥니다"));
        menu->addSeparator();
        menu->addAction(action);
        QObject::connect(action, &QAction::triggered, &window, [this] { N_SynchronizeClick(); });
    }
}

SyncBridge::~SyncBridge() = default;

TSyncForm &SyncBridge::syncWindow()
{
    if (!form)
        form = new TSyncForm(*this, &window);
    return *form;
}

void SyncBridge::N_SynchronizeClick()
{
    TSyncForm &f = syncWindow();
    f.showFor(localDirectory(), hostDirectory());
    f.show();
    f.raise();
    f.activateWindow();
}

// The panes' own file system: whatever the profile in use speaks.
RemoteFs *SyncBridge::remoteFs()
{
    RemoteFs &fs = window.sessionParts().fs;
    return fs.connected() ? &fs : nullptr;
}

QString SyncBridge::profileName() const { return window.profile().HostName; }

int SyncBridge::zoneOffsetMinutes() const { return window.profile().Connection.ZoneOffset; }

QString SyncBridge::localDirectory() const
{
    return window.localPaneOf() ? window.localPaneOf()->currentDirectory() : QString();
}

QString SyncBridge::hostDirectory() const
{
    return window.hostPaneOf() ? window.hostPaneOf()->currentDirectory() : QString();
}

void SyncBridge::appendLog(const QString &line) { window.AppendLog(line); }

sync::SyncTransfers &SyncBridge::beginTransfers(int total)
{
    TTransForm &t = window.transfers().transferWindow();
    t.setCancelFlag(0);
    transfers->total = total;
    transfers->item = 0;
    if (total > 0)
        t.show();
    return *transfers;
}

void SyncBridge::endTransfers()
{
    TTransForm &t = window.transfers().transferWindow();
    t.hide();
    t.setCancelFlag(0);
}

void SyncBridge::refreshPanes()
{
    if (window.localPaneOf())
        window.localPaneOf()->LBrefreshClick();
    if (window.hostPaneOf())
        window.hostPaneOf()->RBrefreshClick();
}

} // namespace kav
