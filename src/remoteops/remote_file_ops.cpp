#include "remote_file_ops.h"
#include "host_channel.h"
#include "temp_copies.h"

#include "browse/host_pane.h"
#include "ftp/host_path.h"
#include "ftp/reply.h"
#include "platform/event_pump.h"
#include "platform/local_path.h"
#include "platform/dialogs.h"
#include "platform/editor_lookup.h"
#include "platform/printer.h"
#include "platform/processes.h"
#include "transfer/trans_form.h"
#include "viewers/hex_form.h"
#include "viewers/line_print.h"
#include "viewers/print_form.h"
#include "viewers/view_form.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>

#include <vector>

namespace kav {

using remote::Action;

namespace {

constexpr int StreamBlock = 4096;

// The size for captions and labels: what the server announced, or what arrived
// when it announced nothing.
qint64 shownSize(qint64 announced, qint64 received)
{
    return announced < 0 || announced == SizeUnknown ? received : announced;
}

} // namespace

RemoteFileOps::RemoteFileOps(const RemoteFileOpsParts &p, QObject *parent)
    : QObject(parent), channel(p.channel), hostPane(p.hostPane), transferWindow(p.transferWindow),
      printWindow(p.printWindow), viewer(p.viewer), localFiles(p.localFiles), window(p.window),
      SelectAfterRefresh(p.SelectAfterRefresh)
{
}

void RemoteFileOps::showViewer()
{
    viewer.showModal();
}

void RemoteFileOps::showHexViewer(const QString &path)
{
    kav::showHexViewer(path, window);
}

int RemoteFileOps::runEditor(const QString &program, const QStringList &arguments)
{
    return runAndWait(program, arguments);
}

std::optional<RemoteEntry> RemoteFileOps::commonStart(std::optional<Action> action)
{
    if (!channel.connected() || hostPane.currentDirectory().isEmpty())
        return std::nullopt;
    // One data connection at a time: not while a transfer or a print runs.
    if (channel.dataBusy() || transferWindow.isVisible() || printWindow.isVisible())
        return std::nullopt;
    if (!hostPane.checkSingleSelection())
        return std::nullopt;
    const QList<RemoteEntry> entries = hostPane.selectedFiles();
    if (entries.size() != 1)
        return std::nullopt;
    const RemoteEntry entry = entries.first();
    if (action) {
        const bool text = isTextExtension && isTextExtension(remote::upperExtension(entry.name));
        if (const auto question = remote::textCheckQuestion(entry, text, *action))
            if (!confirmBox(*question, window))
                return std::nullopt;
    }
    return entry;
}

bool RemoteFileOps::safeName(const QString &name)
{
    if (isSafeLocalName(name))
        return true;
    channel.log(TranscriptSide::Host, QStringLiteral("파일명 '") + name
        + QStringLiteral("' 은(는) 로컬 파일명으로 쓸 수 없어 받지 않습니다."));
    return false;
}

void RemoteFileOps::cancelledStream()
{
    channel.disconnect();
    channel.log(TranscriptSide::Host, QStringLiteral("transfer failed"));
    channel.log(TranscriptSide::Host, QStringLiteral("전송이 취소되어 호스트에 다시 접속하셔야 합니다"));
}

// ---- view and print: the file streamed, never stored -------------------------------

void RemoteFileOps::N_RViewClick()
{
    const auto entry = commonStart(Action::View);
    if (!entry)
        return;
    const QString name = entry->name;
    SelectAfterRefresh = name;
    const HostChannel::Opened opened = channel.openText(name, entry->size);
    if (opened.state == HostChannel::Opened::Refused)
        return;
    if (opened.state == HostChannel::Opened::Empty) {
        informationBox(QStringLiteral("파일 '") + name + QStringLiteral("'의 파일크기가 0 Byte 입니다."), window);
        return;
    }

    if (leaveTopmost)
        leaveTopmost();
    transferWindow.setDisconnectAfterwards(false);
    transferWindow.setCount(1, 1);
    transferWindow.begin(joinHostPath(hostPane.currentDirectory(), name), opened.size,
                         QStringLiteral("화면으로"));
    transferWindow.show();
    transferWindow.raise();

    viewer.clearText();
    viewer.setSaveDirectory(localDirectory ? localDirectory() : QDir::currentPath());
    viewer.setSaveFileName(name);

    remote::StreamLines splitter;
    std::vector<char> buffer(StreamBlock);
    qint64 count = 0;
    bool cancelled = false;
    for (;;) {
        const int n = channel.receive(buffer.data(), StreamBlock);
        if (n < 0) {
            channel.connectionBroken(QStringLiteral("네트워크 오류: 데이터를 받을 수 없습니다."));
            break;
        }
        if (n == 0)
            break;
        // The lines of one block go to the viewer together: one text insertion
        // and one event pump per block, however short the lines.
        QStringList lines;
        for (const auto &line : splitter.feed(buffer.data(), n)) {
            lines << decodeTextLine(line.bytes);
            count += line.received;
        }
        if (!lines.isEmpty())
            viewer.addLine(lines.join(QLatin1Char('\n')));
        transferWindow.progress(count);
        QCoreApplication::processEvents();
        if (transferWindow.cancelFlag() == 1) {
            cancelled = true;
            break;
        }
    }
    if (!cancelled) {
        // A last line without a line end is part of the file too.
        if (const auto last = splitter.finish()) {
            viewer.addLine(decodeTextLine(last->bytes));
            count += last->received;
        }
    }
    transferWindow.progress(count, true);
    transferWindow.complete();
    channel.finish();
    if (transferWindow.isVisible())
        transferWindow.close();
    if (restoreTopmost)
        restoreTopmost();

    if (cancelled) {
        cancelledStream();
    } else {
        hostPane.focusFiles();
        if (transferWindow.disconnectAfterwards())
            channel.disconnect();
        PumpMessages(10);
        // Nothing came although nothing told of it before: the file is empty after all.
        if (count == 0) {
            informationBox(QStringLiteral("파일 '") + name + QStringLiteral("'의 파일크기가 0 Byte 입니다."), window);
            transferWindow.setCancelFlag(0);
            return;
        }
        viewer.setCaption(QStringLiteral("[Host] - File View (") + name + QStringLiteral(", ")
                          + QString::number(shownSize(opened.size, count)) + QStringLiteral(" Bytes)"));
        showViewer();
    }
    transferWindow.setCancelFlag(0);
}

void RemoteFileOps::N_RPrintClick()
{
    const auto entry = commonStart(Action::Print);
    if (!entry)
        return;
    const QString name = entry->name;
    SelectAfterRefresh = name;
    // The printer, or the PDF file where there is none, is settled before the
    // server is asked for a byte.
    if (!printer().printDialog(window))
        return;
    const HostChannel::Opened opened = channel.openText(name, entry->size);
    if (opened.state == HostChannel::Opened::Refused)
        return;
    if (opened.state == HostChannel::Opened::Empty) {
        informationBox(QStringLiteral("파일 '") + name + QStringLiteral("'의 파일크기가 0 Byte 입니다."), window);
        return;
    }

    bool cancelled = false, disconnectAfter = false, printerOpen = false;
    {
        LinePrint run(printWindow, name, opened.size);
        printerOpen = run.isOpen();
        remote::StreamLines splitter;
        std::vector<char> buffer(StreamBlock);
        while (printerOpen) {
            const int n = channel.receive(buffer.data(), StreamBlock);
            if (n < 0) {
                channel.connectionBroken(QStringLiteral("네트워크 오류: 데이터를 받을 수 없습니다."));
                break;
            }
            if (n == 0) {
                if (const auto last = splitter.finish())
                    run.writeLine(decodeTextLine(last->bytes));
                break;
            }
            for (const auto &line : splitter.feed(buffer.data(), n))
                run.writeLine(decodeTextLine(line.bytes));
            run.addPrinted(n);
            if (run.cancelled())
                break;
        }
        cancelled = run.cancelled();
        run.finish();   // the job ends: what was written is printed
        disconnectAfter = run.disconnectRequested();
    }
    channel.finish();
    if (!printerOpen) {
        informationBox(QStringLiteral("프린터를 열 수 없습니다."), window);
        return;
    }
    if (cancelled) {
        cancelledStream();
        return;
    }
    hostPane.focusFiles();
    if (disconnectAfter)
        channel.disconnect();
}

// ---- edit and hex view: a copy in a fresh temporary directory --------------------------

bool RemoteFileOps::transferOne(const std::function<bool()> &transfer, bool download)
{
    if (leaveTopmost)
        leaveTopmost();
    transferWindow.setDisconnectAfterwards(false);
    transferWindow.setCount(1, 1);
    transferWindow.show();
    transferWindow.raise();
    PumpMessages(1);
    const bool ok = transfer();
    if (transferWindow.isVisible())
        transferWindow.close();
    if (restoreTopmost)
        restoreTopmost();
    const bool cancelled = transferWindow.cancelFlag() == 1;
    const bool disconnectAfter = transferWindow.disconnectAfterwards();
    transferWindow.setCancelFlag(0);
    if (download) {
        if (cancelled) {
            cancelledStream();
            return false;
        }
    } else if (!disconnectAfter && channel.connected()) {
        hostPane.RBrefreshClick();
        hostPane.focusFiles();
    }
    if (disconnectAfter && channel.connected())
        channel.disconnect();
    return ok && !cancelled;
}

namespace {

// The local pane's place while a copy is worked on, and its return: every exit
// deletes the copy (unless it must be kept), moves the pane back and reselects
// the file that was current there.
struct CopyPlace {
    std::function<bool(const QString &)> &setLocalDirectory;
    std::function<void()> &refreshLocal;
    QString &SelectAfterRefresh;
    QString savedDirectory, savedFile;
    QString directory, name;
    bool keep = false;
    bool done = false;

    QString copyPath() const { return QDir(directory).filePath(name); }
    void back()
    {
        if (done)
            return;
        done = true;
        if (!keep)
            remote::removeCopy(directory, name);
        if (setLocalDirectory)
            setLocalDirectory(savedDirectory);
        SelectAfterRefresh = savedFile;
        if (refreshLocal)
            refreshLocal();
    }
    ~CopyPlace() { back(); }
};

} // namespace

void RemoteFileOps::N_REditClick()
{
    const auto entry = commonStart(Action::Edit);
    if (!entry)
        return;
    const QString name = entry->name;
    if (!safeName(name))
        return;
    const QString fresh = QFileInfo(remote::freshCopyDirectory()).canonicalFilePath();
    if (fresh.isEmpty()) {
        channel.log(TranscriptSide::Local, QStringLiteral("임시 디렉토리 '") + remote::temporaryRoot()
            + QStringLiteral("' 를 만들 수 없습니다."));
        return;
    }
    const QString hostDirectory = hostPane.currentDirectory();
    QListWidgetItem *current = localFiles ? localFiles->currentItem() : nullptr;
    CopyPlace place{setLocalDirectory, refreshLocal, SelectAfterRefresh,
                    localDirectory ? localDirectory() : QDir::currentPath(),
                    current ? current->text() : QString(), fresh, name};
    if (setLocalDirectory)
        setLocalDirectory(fresh);
    PumpMessages(1);

    SelectAfterRefresh = name;
    const QString copy = place.copyPath();
    const bool received = transferOne(
        [&] { return channel.downloadCopy(name, copy); }, true);
    if (refreshLocal)
        refreshLocal();
    if (!channel.connected())
        return;   // cancelled or broken: the copy goes, the pane goes back
    // Only the copy this call received completely is ever edited.
    const auto listed = localFiles ? localFiles->findItems(localpath::displayName(QStringView(name)), Qt::MatchExactly) : QList<QListWidgetItem *>{};
    if (!received || listed.isEmpty()) {
        channel.log(TranscriptSide::Local, QStringLiteral("파일 '") + name + QStringLiteral("'가 로컬로 정확히 전송되지 않습니다."));
        return;
    }
    localFiles->setCurrentItem(listed.first());
    PumpMessages(10);
    if (!localpath::status(copy).isFile) {
        informationBox(QStringLiteral("호스트의 파일이 정확히 로컬로 전송되지 않습니다."), window);
        return;
    }

    const QString program = resolveEditor(editorCommand ? editorCommand() : QString());
    // The copy is an argument of its own: blanks and a leading "-" reach the editor intact.
    const QStringList arguments = editorWaitArguments(program) << copy;
    const bool wasVisible = window && window->isVisible();
    if (wasVisible)
        window->hide();
    const int started = runEditor(program, arguments);
    if (wasVisible)
        window->show();
    if (started != 0) {
        // Nothing can have been edited: sending the copy back would only put the
        // bytes fetched a moment ago over a host file that may have changed since.
        informationBox(QStringLiteral("지정한 문서편집기가 실행되지 않습니다."), window);
        return;
    }

    if (localFiles) {
        localFiles->clearSelection();
        const auto again = localFiles->findItems(localpath::displayName(QStringView(name)), Qt::MatchExactly);
        if (!again.isEmpty()) {
            localFiles->setCurrentItem(again.first());
            again.first()->setSelected(true);
        }
        localFiles->setFocus();
    }
    // An editor that hands the file to a running instance returns at once: the
    // question waits for the user, and the file is sent as it is on disk then.
    const QString question = QStringLiteral("편집한 파일 '") + name + QStringLiteral("'를 호스트에 저장하시겠습니까 ?")
        + QStringLiteral("\r\n(편집을 모두 마친 뒤에 [예]를 누르십시오.)");
    if (confirmBox(question, window)) {
        const bool sent = localpath::status(copy).isFile
            && transferOne([&] { return channel.uploadCopy(copy, joinHostPath(hostDirectory, name)); }, false);
        if (!sent) {
            place.keep = true;
            channel.log(TranscriptSide::Local, QStringLiteral("편집한 파일을 '") + copy + QStringLiteral("' 에 남겨 두었습니다."));
        }
    }
    place.back();
    hostPane.focusFiles();
}

void RemoteFileOps::N_RHexviewClick()
{
    const auto entry = commonStart(std::nullopt);
    if (!entry)
        return;
    const QString name = entry->name;
    if (!safeName(name))
        return;
    const QString fresh = QFileInfo(remote::freshCopyDirectory()).canonicalFilePath();
    if (fresh.isEmpty()) {
        channel.log(TranscriptSide::Local, QStringLiteral("임시 디렉토리 '") + remote::temporaryRoot()
            + QStringLiteral("' 를 만들 수 없습니다."));
        return;
    }
    QListWidgetItem *current = localFiles ? localFiles->currentItem() : nullptr;
    CopyPlace place{setLocalDirectory, refreshLocal, SelectAfterRefresh,
                    localDirectory ? localDirectory() : QDir::currentPath(),
                    current ? current->text() : QString(), fresh, name};
    if (setLocalDirectory)
        setLocalDirectory(fresh);
    PumpMessages(1);

    // The copy is taken byte for byte; the type in force before is put back
    // whatever happens, so the user's next transfer is not changed behind their back.
    const int typeBefore = channel.transferType();
    SelectAfterRefresh = name;
    const QString copy = place.copyPath();
    const bool received = transferOne([&] { return channel.download(name, copy, true); }, true);
    channel.restoreTransferType(typeBefore);
    if (refreshLocal)
        refreshLocal();
    if (!channel.connected())
        return;
    const auto listed = localFiles ? localFiles->findItems(localpath::displayName(QStringView(name)), Qt::MatchExactly) : QList<QListWidgetItem *>{};
    if (!received || listed.isEmpty()) {
        channel.log(TranscriptSide::Local, QStringLiteral("호스트 파일 '") + name + QStringLiteral("'가 로컬로 정확히 전송되지 않습니다."));
        return;
    }
    localFiles->setCurrentItem(listed.first());
    PumpMessages(10);
    if (!localpath::status(copy).isFile) {
        informationBox(QStringLiteral("호스트의 파일이 정확히 로컬로 전송되지 않습니다."), window);
        return;
    }
    showHexViewer(copy);
    hostPane.focusFiles();
}

} // namespace kav
