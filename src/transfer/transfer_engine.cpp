#include "transfer_engine.h"

#include "line_ends.h"
#include "transfer_progress.h"
#include "transfer_host.h"
#include "type_choice.h"

#include "remotefs/remote_fs.h"

#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/local_path.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vector>

namespace kav {

namespace {
constexpr auto Host = TranscriptSide::Host;
constexpr auto Local = TranscriptSide::Local;
}

QString localBaseName(const QString &localPath)
{
    const QString native = QDir::fromNativeSeparators(localPath);
    return native.mid(native.lastIndexOf(QLatin1Char('/')) + 1);
}

TransferEngine::TransferEngine(RemoteFs &fs, TransferProgress &progress, TransferHost &host)
    : fs(fs), window(progress), host(host)
{
}

bool TransferEngine::abandon(TranscriptSide side, const QString &text)
{
    fs.closeTransfer();
    // A server that ended the session has been reported once already.
    if (side == Local || fs.stillThere())
        fs.log(side, text);
    window.complete();
    fs.finishTransfer();
    return false;
}

bool TransferEngine::confirmed()
{
    const FsResult reply = fs.finishTransfer();
    if (reply.ok() || window.cancelled())
        return true;   // a cancelled transfer is the user's choice, not a failure
    if (reply.text.isEmpty() && fs.connected())
        fs.log(Host, QStringLiteral("네트워크 오류: 데이터를 받을 수 없습니다."));
    return false;
}

qint64 TransferEngine::hostSize(const QString &hostPath, bool ascii)
{
    // In ASCII type a server counts the bytes it would send (or does not
    // answer at all): only an image-type size is the file's.
    if (ascii)
        return -1;
    qint64 bytes = -1;
    fs.size(hostPath, &bytes);
    return bytes;
}

ResumeChoice TransferProgress::askResume(const QString &question)
{
    return resumeChoiceOf(dialogs().messageBox(questionParent(), applicationTitle(), question,
                                               MsgIcon::Question, BtnYes | BtnNo | BtnCancel));
}

ResumeChoice TransferEngine::askResume(const QString &question)
{
    return window.askResume(question);
}

bool TransferEngine::SendFile(const QString &localPath, const QString &hostPath, Existing existing)
{
    QFile file;
    if (localpath::isDirectory(localPath) || !localpath::open(file, localPath, QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        fs.log(Local, QStringLiteral("파일 '") + localPath + QStringLiteral("' 읽기에러"));
        return false;
    }
    const qint64 expected = file.size();

    FtpExtras *ftp = fs.ftp();
    if (ftp && existing == Existing::WorkingCopy)
        ftp->setTransferType(FtpImage);
    else if (ftp)
        ChooseUploadType(*ftp, fileExtension(localBaseName(localPath)), host.typeControls(), host.asciiExtensions());
    const bool ascii = ftp && ftp->transferType() == FtpAscii;
    qint64 continueAt = 0;
    if (existing == Existing::OfferResume && !ascii) {
        const qint64 there = hostSize(hostPath, ascii);
        if (!fs.connected())
            return false;
        if (continuable(there, expected)) {
            switch (askResume(uploadResumeQuestion(hostBaseName(hostPath), there, expected))) {
            case ResumeChoice::Skip:
                fs.log(Local, QStringLiteral("파일 '") + localPath + QStringLiteral("' 는 보내지 않고 건너뜁니다."));
                return true;
            case ResumeChoice::Resume:
                continueAt = there;
                break;
            case ResumeChoice::Overwrite:
                break;
            }
        }
    }
    const FsOpening opening = fs.openWrite(hostPath, continueAt);
    if (opening.answer.answered)
        host.setSelectAfterRefresh(hostBaseName(hostPath));
    if (!opening.opened())
        return false;
    if (opening.restartedAt > 0 && !file.seek(opening.restartedAt))
        return abandon(Local, QStringLiteral("파일 '") + localPath + QStringLiteral("' 읽기에러"));

    window.begin(localPath, expected, hostPath);
    LocalToNetworkText toNetwork;
    std::vector<char> buffer(BlockSize);
    QByteArray converted;
    qint64 moved = opening.restartedAt;
    if (moved > 0)
        window.progress(moved, true);
    for (;;) {
        const qint64 n = file.read(buffer.data(), BlockSize);
        if (n < 0)   // a truncated upload must never pass for a complete one
            return abandon(Local, QStringLiteral("파일 '") + localPath + QStringLiteral("' 읽기에러"));
        if (n == 0)
            break;
        const char *data = buffer.data();
        int size = int(n);
        if (ascii) {
            toNetwork.convert(data, n, converted);
            data = converted.constData();
            size = int(converted.size());
        }
        const int sent = fs.write(data, size);
        if (sent < 0)
            return abandon(Host, QStringLiteral("네트워크 오류: 데이타를 전송할 수 없는 상태입니다."));
        moved += sent;
        window.progress(moved);
        PumpWhenDue();
        if (window.cancelled())
            break;
    }
    window.progress(moved, true);
    window.complete();
    file.close();
    return confirmed();
}

bool TransferEngine::ReceiveFile(const QString &hostPath, const QString &localPath, bool forceBinary,
                                 Existing existing, qint64 listedSize)
{
    FtpExtras *ftp = fs.ftp();
    if (ftp && existing == Existing::WorkingCopy)
        ftp->setTransferType(FtpImage);
    else if (ftp)
        ChooseDownloadType(*ftp, forceBinary, fileExtension(hostBaseName(hostPath)), host.typeControls(),
                           host.asciiExtensions());
    const bool ascii = ftp && ftp->transferType() == FtpAscii;
    const qint64 sizeOnHost = hostSize(hostPath, ascii);
    if (!fs.connected())
        return false;
    qint64 continueAt = 0;
    if (existing == Existing::OfferResume && !ascii) {
        const qint64 whole = sizeOnHost >= 0 ? sizeOnHost : listedSize;
        const qint64 have = localpath::regularFileSize(localPath);
        if (continuable(have, whole)) {
            switch (askResume(downloadResumeQuestion(hostBaseName(hostPath), have, whole))) {
            case ResumeChoice::Skip:
                fs.log(Local, QStringLiteral("파일 '") + localPath + QStringLiteral("' 는 받지 않고 건너뜁니다."));
                return true;
            case ResumeChoice::Resume:
                continueAt = have;
                break;
            case ResumeChoice::Overwrite:
                break;
            }
        }
    }
    QFile file;
    // Only once the server will send is an existing local file emptied (or,
    // continued, cut back to where the server starts). The name's bytes are
    // the server's own (escaped bytes included): a name made into another
    // could overwrite a different file.
    const auto createLocalFile = [&](const FsOpening &o) {
        if (o.restartRefused)
            fs.log(Host, QStringLiteral("서버가 이어받기(REST)를 받아들이지 않아 파일을 처음부터 받습니다."));
        const QIODevice::OpenMode mode = o.restartedAt > 0 ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate;
        const QIODevice::OpenMode unbuffered = mode | QIODevice::Unbuffered;
        if (!localpath::isDirectory(localPath) && localpath::open(file, localPath, unbuffered)
            && (o.restartedAt == 0 || file.size() == o.restartedAt || file.resize(o.restartedAt)))
            return true;
        fs.log(Local, QStringLiteral("로컬에 파일 '") + localPath + QStringLiteral("' 를 만들 수 없습니다."));
        return false;
    };
    const FsOpening opening = fs.openRead(hostPath, continueAt, createLocalFile);
    if (opening.answer.answered)
        host.setSelectAfterRefresh(localBaseName(localPath));
    if (opening.status == FsOpening::Status::Declined) {
        fs.finishTransfer();   // the server's word on the data connection it could not open
        return false;
    }
    if (!opening.opened())
        return false;

    window.begin(hostPath, downloadExpectedSize(sizeOnHost, listedSize, opening.expectedSize), localPath);
    NetworkToLocalText toLocal;
    std::vector<char> buffer(BlockSize);
    QByteArray converted;
    qint64 moved = opening.restartedAt;
    if (moved > 0)
        window.progress(moved, true);
    auto writeFailed = [&] {
        file.close();
        return abandon(Local, QStringLiteral("로컬에 파일 '") + localPath + QStringLiteral("' 를 쓸 수 없습니다."));
    };
    for (;;) {
        const int n = fs.read(buffer.data(), BlockSize);
        if (n < 0) {
            file.close();
            return abandon(Host, QStringLiteral("네트워크 오류: 데이터를 받을 수 없습니다."));
        }
        if (n == 0)
            break;
        const char *data = buffer.data();
        qint64 size = n;
        if (ascii) {
            toLocal.convert(data, n, converted);
            data = converted.constData();
            size = converted.size();
        }
        if (file.write(data, size) != size)
            return writeFailed();
        moved += n;
        window.progress(moved);
        PumpWhenDue();
        if (window.cancelled())
            break;
    }
    if (ascii) {
        toLocal.finish(converted);
        if (!converted.isEmpty() && file.write(converted) != converted.size())
            return writeFailed();
    }
    // A full disk may show itself only when the last bytes reach it.
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return writeFailed();
    file.close();
    if (file.error() != QFileDevice::NoError)
        return writeFailed();
    window.progress(moved, true);
    window.complete();
    return confirmed();
}

} // namespace kav
