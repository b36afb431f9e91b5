#include "reply_peer.h"

#include <QTimer>
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
        qFatal("ReplyPeer: cannot listen on port %d", port);
    socklen_t len = sizeof sa;
    ::getsockname(listenFd, reinterpret_cast<sockaddr *>(&sa), &len);
    listenPort = ntohs(sa.sin_port);
    acceptNotifier = std::make_unique<QSocketNotifier>(listenFd, QSocketNotifier::Read);
    connect(acceptNotifier.get(), &QSocketNotifier::activated, this, [this] { acceptClient(); });
}

ReplyPeer::~ReplyPeer()
{
    readNotifier.reset();
    acceptNotifier.reset();
    if (clientFd >= 0)
        ::close(clientFd);
    ::close(listenFd);
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
        QTimer::singleShot(at, this, [this, segment] {
            if (clientFd >= 0)
                ::send(clientFd, segment.constData(), size_t(segment.size()), MSG_NOSIGNAL);
        });
        at += gapMs;
    }
}

void ReplyPeer::closeClient()
{
    readNotifier.reset();
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
        for (const Rule &rule : rules)
            if (line.startsWith(rule.prefix)) {
                sendLater(rule.reply, rule.gapMs);
                break;
            }
    }
}

} // namespace kavtest
