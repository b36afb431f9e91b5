#include "reply_peer.h"

#include <QTimer>
#include <cerrno>
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kavtest {

ReplyPeer::ReplyPeer(quint16 port)
{
    listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(port);
    if (::bind(listenFd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0 || ::listen(listenFd, 4) != 0)
        ADD_FAILURE() << "ReplyPeer: cannot listen on port " << port;   // a peer that is not there fails its test
    socklen_t len = sizeof sa;
    ::getsockname(listenFd, reinterpret_cast<sockaddr *>(&sa), &len);
    listenPort = ntohs(sa.sin_port);
    acceptNotifier = std::make_unique<QSocketNotifier>(listenFd, QSocketNotifier::Read);
    connect(acceptNotifier.get(), &QSocketNotifier::activated, this, [this] { acceptClient(); });
    // The login asks FEAT; unless a test says otherwise this peer is an old
    // server that knows none (netkit's answer).
    on("FEAT", {"500 'FEAT': command not understood.\r\n"});
}

ReplyPeer::~ReplyPeer()
{
    readNotifier.reset();
    writeNotifier.reset();
    acceptNotifier.reset();
    if (clientFd >= 0)
        ::close(clientFd);
    if (passiveFd >= 0)
        ::close(passiveFd);
    ::close(listenFd);
}

void ReplyPeer::offerPassive(const Passive &p)
{
    passiveOffered = true;
    passive = p;
}

bool ReplyPeer::answerPassive(const QByteArray &line)
{
    const bool epsv = line.startsWith("EPSV");
    if (!passiveOffered || !(epsv ? passive.epsv : (line.startsWith("PASV") && passive.pasv)))
        return false;
    quint16 port = passive.port;
    if (!port) {
        if (passiveFd >= 0)
            ::close(passiveFd);
        passiveFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof sa;
        if (::bind(passiveFd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0 || ::listen(passiveFd, 1) != 0
            || ::getsockname(passiveFd, reinterpret_cast<sockaddr *>(&sa), &len) != 0)
            ADD_FAILURE() << "ReplyPeer: cannot open a passive listener";
        port = ntohs(sa.sin_port);
    }
    const QByteArray reply = epsv
        ? "229 Entering Extended Passive Mode (|||" + QByteArray::number(port) + "|)\r\n"
        : "227 Entering Passive Mode (" + passive.pasvAddress + "," + QByteArray::number(port >> 8) + ","
              + QByteArray::number(port & 0xff) + ")\r\n";
    sendLater({reply}, 0);
    return true;
}

void ReplyPeer::greetInSegments(const QList<QByteArray> &segments, int gapMs)
{
    greeting = segments;
    greetingGap = gapMs;
}

void ReplyPeer::on(const QByteArray &prefix, const QList<QByteArray> &reply, int gapMs)
{
    rules.append(Rule{prefix, reply, gapMs});
}

void ReplyPeer::answerAsLoggedInServer(const QByteArray &pwd)
{
    greet("220 Ready\r\n");
    on("USER", {"331 Password\r\n"});
    on("PASS", {"230 OK\r\n"});
    on("SYST", {"215 UNIX Type: L8\r\n"});
    on("PWD", {"257 \"" + pwd + "\" is current directory.\r\n"});
    on("TYPE", {"200 Type set\r\n"});
    on("PORT", {"200 PORT command successful\r\n"});
    on("CWD", {"250 CWD OK\r\n"});
    // Like many servers, it knows no sizes: the transfer's own announcement counts.
    on("SIZE", {"550 Could not get file size.\r\n"});
    // A server of today: names in UTF-8.
    on("FEAT", {"211-Features:\r\n UTF8\r\n211 End\r\n"});
    on("OPTS UTF8 ON", {"200 UTF8 set to on\r\n"});
}

void ReplyPeer::onData(const QByteArray &prefix, const DataReply &reply)
{
    dataRules.append(DataRule{prefix, reply});
}

void ReplyPeer::runData(const DataReply &reply)
{
    if (!reply.preliminary.isEmpty())
        sendOut(reply.preliminary);
    // Passive: the client connected before it sent the command; the
    // connection waits in the listener's queue.
    const int offered = passiveFd;
    passiveFd = -1;
    if (!reply.connectBack) {
        if (offered >= 0)
            ::close(offered);
        if (reply.closeControl)
            QTimer::singleShot(10, this, [this, reply] { closeClient(reply.resetControl); });
        return;
    }
    auto dial = [offered, this](quint32 from) {
        if (offered >= 0) {
            const int fd = ::accept4(offered, nullptr, nullptr, SOCK_CLOEXEC);
            ::close(offered);
            return fd;
        }
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (from) {
            sockaddr_in src{};
            src.sin_family = AF_INET;
            src.sin_addr.s_addr = htonl(from);
            ::bind(fd, reinterpret_cast<sockaddr *>(&src), sizeof src);
        }
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(portAddress);
        sa.sin_port = htons(portNumber);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    };
    int delay = 10;
    if (reply.intruderFrom) {
        QTimer::singleShot(delay, this, [dial, reply] {
            const int fd = dial(reply.intruderFrom);
            if (fd < 0)
                return;
            ::send(fd, reply.intruderData.constData(), size_t(reply.intruderData.size()), MSG_NOSIGNAL);
            ::close(fd);
        });
        delay += 200;
    }
    QTimer::singleShot(delay, this, [this, reply, dial] {
        const int fd = dial(0);
        if (fd < 0)
            return;
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (reply.receive) {
            auto *reader = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            connect(reader, &QSocketNotifier::activated, this, [this, fd, reply, reader] {
                char buffer[65536];
                const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
                if (n < 0 && (errno == EAGAIN || errno == EINTR))
                    return;
                if (n > 0)
                    received.append(buffer, n);
                if (n > 0 && !(reply.closeControl && reply.controlFirst))
                    return;
                reader->setEnabled(false);
                reader->deleteLater();
                if (reply.closeControl && reply.controlFirst)
                    closeClient(reply.resetControl);
                ::close(fd);
                if (reply.closeControl)
                    closeClient(reply.resetControl);
                else if (!reply.final.isEmpty())
                    sendOut(reply.final);
            });
            return;
        }
        int at = 0;
        for (const QByteArray &segment : reply.data) {
            QTimer::singleShot(at, this, [fd, segment] {
                ::send(fd, segment.constData(), size_t(segment.size()), MSG_NOSIGNAL);
            });
            at += reply.gapMs;
            if (reply.closeControl && reply.controlFirst) {
                // The control connection goes while the data connection is still up.
                QTimer::singleShot(at + 5, this, [this, reply] { closeClient(reply.resetControl); });
                at += 50;
                break;
            }
        }
        QTimer::singleShot(at + 10, this, [this, fd, reply] {
            if (reply.reset) {
                linger l{1, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
            }
            ::close(fd);
            if (reply.closeControl)
                closeClient(reply.resetControl);
            else if (!reply.final.isEmpty())
                sendOut(reply.final);
        });
    });
}

void ReplyPeer::acceptClient()
{
    int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;
    if (clientFd >= 0) {  // one client at a time
        ::close(fd);
        return;
    }
    clientFd = fd;
    int one = 1;
    ::setsockopt(clientFd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    readNotifier = std::make_unique<QSocketNotifier>(clientFd, QSocketNotifier::Read);
    connect(readNotifier.get(), &QSocketNotifier::activated, this, [this] { readClient(); });
    sendLater(greeting, greetingGap);
}

void ReplyPeer::sendLater(const QList<QByteArray> &segments, int gapMs)
{
    int at = 0;
    for (const QByteArray &segment : segments) {
        QTimer::singleShot(at, this, [this, segment] { sendOut(segment); });
        at += gapMs;
    }
}

void ReplyPeer::sendOut(const QByteArray &bytes)
{
    if (clientFd < 0)
        return;
    outbox += bytes;
    flushOutbox();
}

void ReplyPeer::flushOutbox()
{
    // A segment larger than the socket's buffer goes out as the client reads it.
    while (clientFd >= 0 && !outbox.isEmpty()) {
        const ssize_t n = ::send(clientFd, outbox.constData(), size_t(outbox.size()), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                outbox.clear();   // the client is gone
            break;
        }
        outbox.remove(0, n);
    }
    if (outbox.isEmpty() || clientFd < 0) {
        writeNotifier.reset();
        return;
    }
    if (!writeNotifier) {
        writeNotifier = std::make_unique<QSocketNotifier>(clientFd, QSocketNotifier::Write);
        connect(writeNotifier.get(), &QSocketNotifier::activated, this, [this] { flushOutbox(); });
    }
}

void ReplyPeer::sayAndHangUp(const QByteArray &bytes)
{
    if (clientFd < 0)
        return;
    ::send(clientFd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
    closeClient();
}

void ReplyPeer::closeClient(bool reset)
{
    readNotifier.reset();
    writeNotifier.reset();
    outbox.clear();
    if (clientFd >= 0 && reset) {
        linger l{1, 0};
        ::setsockopt(clientFd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    }
    if (clientFd >= 0)
        ::close(clientFd);
    clientFd = -1;
    clientClosed = true;
}

void ReplyPeer::readClient()
{
    char buffer[4096];
    ssize_t n = ::recv(clientFd, buffer, sizeof buffer, 0);
    if (n <= 0) {
        closeClient();
        return;
    }
    inbox.append(buffer, n);
    qsizetype eol;
    while ((eol = inbox.indexOf("\r\n")) >= 0) {
        const QByteArray line = inbox.left(eol);
        inbox.remove(0, eol + 2);
        commands << line;
        for (const QByteArray &prefix : closePrefixes)
            if (line.startsWith(prefix)) {
                closeClient();
                return;
            }
        for (const QByteArray &prefix : resetPrefixes)
            if (line.startsWith(prefix)) {
                closeClient(true);
                return;
            }
        for (const auto &cut : cuts)
            if (line.startsWith(cut.first)) {
                sayAndHangUp(cut.second);
                return;
            }
        if (line.startsWith("PORT ")) {
            const QList<QByteArray> n = line.mid(5).split(',');
            if (n.size() == 6) {
                portAddress = (n[0].toUInt() << 24) | (n[1].toUInt() << 16) | (n[2].toUInt() << 8) | n[3].toUInt();
                portNumber = quint16((n[4].toUInt() << 8) | n[5].toUInt());
            }
        }
        if (answerPassive(line))
            continue;
        bool handled = false;
        for (auto it = dataRules.crbegin(); it != dataRules.crend(); ++it)
            if (line.startsWith(it->prefix)) {
                runData(it->reply);
                handled = true;
                break;
            }
        if (handled)
            continue;
        for (auto it = rules.crbegin(); it != rules.crend(); ++it)
            if (line.startsWith(it->prefix)) {
                sendLater(it->reply, it->gapMs);
                break;
            }
    }
}

} // namespace kavtest
