#include "transfer_engine.h"

#include "line_ends.h"
#include "transfer_progress.h"
#include "transfer_host.h"
#include "type_choice.h"

#include "ftp/session.h"

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

TransferEngine::TransferEngine(Session &session, TransferProgress &progress, TransferHost &host)
    : session(session), window(progress), host(host)
{
}

bool TransferEngine::abandon(TranscriptSide side, const QString &text)
{
    session.log(side, text);
    session.closeData();
    window.complete();
    session.finishData();
    return false;
}

bool TransferEngine::confirmed()
{
    const Reply reply = session.finishData();
    if (reply.text.startsWith(QLatin1Char('2')) || window.cancelled())
        return true;   // a cancelled transfer is the user's choice, not a failure
    if (reply.isEmpty())
        session.log(Host, QStringLiteral("네트워크 오류: 데이터를 받을 수 없습니다."));
    return false;
}

bool TransferEngine::SendFile(const QString &localPath, const QString &hostPath)
{
    QFile file;
    if (localpath::isDirectory(localPath) || !localpath::open(file, localPath, QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        session.log(Local, QStringLiteral("파일 '") + localPath + QStringLiteral("' 읽기에러"));
        return false;
    }
    const qint64 expected = file.size();

    ChooseUploadType(session, fileExtension(localBaseName(localPath)), host.typeControls(),
                     host.asciiExtensions());
    const bool ascii = session.transferType() == TransferType::Ascii;
    const DataOpening opening = session.openData(QStringLiteral("STOR ") + hostPath);
    if (opening.reply.answered)
        host.setSelectAfterRefresh(hostBaseName(hostPath));
    if (!opening.opened())
        return false;

    window.begin(localPath, expected, hostPath);
    LocalToNetworkText toNetwork;
    std::vector<char> buffer(BlockSize);
    QByteArray converted;
    qint64 moved = 0;
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
        const int sent = session.sendData(data, size);
        if (sent == ws::SocketError)
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

bool TransferEngine::ReceiveFile(const QString &hostPath, const QString &localPath, bool forceBinary)
{
    ChooseDownloadType(session, forceBinary, fileExtension(hostBaseName(hostPath)), host.typeControls(),
                       host.asciiExtensions());
    const bool ascii = session.transferType() == TransferType::Ascii;
    QFile file;
    // Only once the server will send is an existing local file emptied. The
    // name's bytes are the server's own (escaped bytes included): a name made
    // into another could overwrite a different file.
    const auto createLocalFile = [&](const DataOpening &) {
        if (!localpath::isDirectory(localPath)
            && localpath::open(file, localPath, QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            return true;
        session.log(Local, QStringLiteral("로컬에 파일 '") + localPath + QStringLiteral("' 를 만들 수 없습니다."));
        return false;
    };
    const DataOpening opening = session.openData(QStringLiteral("RETR ") + hostPath, createLocalFile);
    if (opening.reply.answered)
        host.setSelectAfterRefresh(localBaseName(localPath));
    if (opening.status == DataOpening::Status::Declined) {
        session.finishData();   // the server's word on the data connection it could not open
        return false;
    }
    if (!opening.opened())
        return false;

    window.begin(hostPath, opening.expectedSize, localPath);
    NetworkToLocalText toLocal;
    std::vector<char> buffer(BlockSize);
    QByteArray converted;
    qint64 moved = 0;
    auto writeFailed = [&] {
        file.close();
        return abandon(Local, QStringLiteral("로컬에 파일 '") + localPath + QStringLiteral("' 를 쓸 수 없습니다."));
    };
    for (;;) {
        const int n = session.receiveData(buffer.data(), BlockSize);
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
