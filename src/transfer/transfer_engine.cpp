#include "transfer_engine.h"

#include "line_ends.h"
#include "trans_form.h"
#include "transfer_host.h"
#include "type_choice.h"

#include "ftp/session.h"
#include "ftp/session_ui.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vector>

namespace kav {

namespace {
const QString HostPrefix = QStringLiteral("[H] - ");
const QString LocalPrefix = QStringLiteral("[L] - ");
}

QString hostBaseName(const QString &hostPath)
{
    return hostPath.mid(hostPath.lastIndexOf(QLatin1Char('/')) + 1);
}

QString localBaseName(const QString &localPath)
{
    const QString native = QDir::fromNativeSeparators(localPath);
    return native.mid(native.lastIndexOf(QLatin1Char('/')) + 1);
}

TransferEngine::TransferEngine(Session &session, SessionUi &ui, TTransForm &window, TransferHost &host)
    : session(session), ui(ui), window(window), host(host)
{
}

bool TransferEngine::readFinalReply()
{
    if (!session.ReadReply())
        return false;
    if (!session.LastReply.isEmpty())
        ui.AppendLog(HostPrefix + session.LastReply);
    return session.LastReply.startsWith(QLatin1Char('2'));
}

bool TransferEngine::abandon(const QString &logLine)
{
    ui.AppendLog(logLine);
    session.CloseSocket(session.DataSocket);
    window.complete();
    readFinalReply();
    return false;
}

bool TransferEngine::confirmed()
{
    if (readFinalReply() || window.cancelFlag() == 1)
        return true;   // a cancelled transfer is the user's choice, not a failure
    if (session.LastReply.isEmpty())
        ui.AppendLog(HostPrefix + QStringLiteral("네트워크 오류: 데이터를 받을 수 없습니다."));
    return false;
}

bool TransferEngine::SendFile(const QString &localPath, const QString &hostPath)
{
    QFile file(localPath);
    if (QFileInfo(localPath).isDir() || !file.open(QIODevice::ReadOnly)) {
        ui.AppendLog(LocalPrefix + QStringLiteral("파일 '") + localPath + QStringLiteral("' 읽기에러"));
        return false;
    }
    session.ExpectedSize = file.size();
    const qint64 expected = session.ExpectedSize;

    if (session.OpenDataPort() == ws::InvalidSocket)
        return false;
    ChooseUploadType(session, fileExtension(localBaseName(localPath)), host.typeControls(),
                     host.asciiExtensions());
    const bool ascii = session.transferType == TypeAscii;
    session.replyState = rsStor;
    session.SendCommand(QStringLiteral("STOR ") + hostPath);
    ui.setSelectAfterRefresh(hostBaseName(hostPath));

    const QString code = session.LastReply.left(3);
    if (code != QLatin1String("150") && code != QLatin1String("125")) {
        session.CloseSocket(session.ListenSocket);
        return false;
    }
    if (!session.AcceptDataConnection())
        return false;
    session.CloseSocket(session.ListenSocket);

    window.begin(localPath, expected, hostPath);
    LocalToNetworkText toNetwork;
    std::vector<char> buffer(BlockSize);
    QByteArray converted;
    qint64 moved = 0;
    for (;;) {
        const qint64 n = file.read(buffer.data(), BlockSize);
        if (n < 0)   // a truncated upload must never pass for a complete one
            return abandon(LocalPrefix + QStringLiteral("파일 '") + localPath + QStringLiteral("' 읽기에러"));
        if (n == 0)
            break;
        const char *data = buffer.data();
        int size = int(n);
        if (ascii) {
            toNetwork.convert(data, n, converted);
            data = converted.constData();
            size = int(converted.size());
        }
        const int sent = ws::send(session.DataSocket, data, size);
        if (sent == ws::SocketError)
            return abandon(HostPrefix + QStringLiteral("네트워크 오류: 데이타를 전송할 수 없는 상태입니다."));
        moved += sent;
        window.progress(moved);
        QCoreApplication::processEvents();
        if (window.cancelFlag() == 1)
            break;
    }
    window.progress(moved, true);
    window.complete();
    file.close();
    session.CloseSocket(session.DataSocket);
    return confirmed();
}

bool TransferEngine::ReceiveFile(const QString &hostPath, const QString &localPath, bool forceBinary)
{
    if (session.OpenDataPort() == ws::InvalidSocket)
        return false;
    ChooseDownloadType(session, forceBinary, fileExtension(hostBaseName(hostPath)), host.typeControls(),
                       host.asciiExtensions());
    const bool ascii = session.transferType == TypeAscii;
    session.replyState = rsRetr;
    session.SendCommand(QStringLiteral("RETR ") + hostPath);
    ui.setSelectAfterRefresh(localBaseName(localPath));

    if (session.ExpectedSize < 0) {
        session.CloseSocket(session.ListenSocket);
        return false;
    }
    // Only now that the server will send is an existing local file emptied.
    QFile file(localPath);
    if (QFileInfo(localPath).isDir() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ui.AppendLog(LocalPrefix + QStringLiteral("로컬에 파일 '") + localPath
                     + QStringLiteral("' 를 만들 수 없습니다."));
        session.CloseSocket(session.ListenSocket);
        readFinalReply();   // the server's word on the data connection it could not open
        return false;
    }
    if (!session.AcceptDataConnection())
        return false;
    session.CloseSocket(session.ListenSocket);

    const qint64 expected = session.ExpectedSize;
    window.begin(hostPath, expected, localPath);
    NetworkToLocalText toLocal;
    std::vector<char> buffer(BlockSize);
    QByteArray converted;
    qint64 moved = 0;
    auto writeFailed = [&] {
        file.close();
        return abandon(LocalPrefix + QStringLiteral("로컬에 파일 '") + localPath + QStringLiteral("' 를 쓸 수 없습니다."));
    };
    for (;;) {
        const int n = ws::recv(session.DataSocket, buffer.data(), BlockSize);
        if (n < 0) {
            file.close();
            return abandon(HostPrefix + QStringLiteral("네트워크 오류: 데이터를 받을 수 없습니다."));
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
        QCoreApplication::processEvents();
        if (window.cancelFlag() == 1)
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
    session.CloseSocket(session.DataSocket);
    return confirmed();
}

} // namespace kav
