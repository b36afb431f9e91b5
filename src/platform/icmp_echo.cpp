#include "icmp_echo.h"
#include "winsock.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kav::icmp {
namespace {

int g_openError = 0;
quint16 g_rawCounter = 0;

constexpr quint8 EchoReplyType = 0;
constexpr quint8 UnreachableType = 3;
constexpr quint8 EchoRequestType = 8;
constexpr quint8 TimeExceededType = 11;

quint16 checksum(const unsigned char *data, int length)
{
    quint32 sum = 0;
    for (int i = 0; i + 1 < length; i += 2)
        sum += quint32(data[i]) << 8 | data[i + 1];
    if (length & 1)
        sum += quint32(data[length - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return quint16(~sum);
}

quint16 read16(const unsigned char *p) { return quint16(p[0] << 8 | p[1]); }

int unreachableStatus(int code)
{
    switch (code) {
    case 0: case 6: case 11: return DestNetUnreachable;
    case 2: return DestProtUnreachable;
    case 3: return DestPortUnreachable;
    case 4: return PacketTooBig;
    case 5: return BadRoute;
    default: return DestHostUnreachable;
    }
}

// The status an ICMP error message stands for; Success for types that are not errors of an echo.
int errorStatus(int type, int code)
{
    if (type == TimeExceededType)
        return code == 1 ? TtlExpiredReassembly : TtlExpiredTransit;
    if (type == UnreachableType)
        return unreachableStatus(code);
    if (type == 4)
        return SourceQuench;
    if (type == 12)
        return ParamProblem;
    return Success;
}

int sendErrorStatus(int err)
{
    switch (err) {
    case ENETUNREACH: return DestNetUnreachable;
    case EHOSTUNREACH: return DestHostUnreachable;
    case EMSGSIZE: return PacketTooBig;
    case ENOBUFS: case ENOMEM: return NoResources;
    case EINVAL: return BadDestination;
    default: return GeneralFailure;
    }
}

} // namespace

bool matchRawAnswer(QByteArrayView packet, quint32 address, quint16 ident, quint16 sequence, EchoReply &reply)
{
    const auto *buf = reinterpret_cast<const unsigned char *>(packet.data());
    const qsizetype n = packet.size();
    if (n < 20)
        return false;
    const int ihl = (buf[0] & 0x0f) * 4;
    if (ihl < 20 || n < ihl + 8)
        return false;
    const quint32 source = quint32(buf[12]) << 24 | quint32(buf[13]) << 16 | quint32(buf[14]) << 8 | buf[15];
    const unsigned char *icmp = buf + ihl;
    const int type = icmp[0];
    if (type == EchoReplyType) {
        if (read16(icmp + 4) != ident || read16(icmp + 6) != sequence || source != address)
            return false;
        reply.status = Success;
        reply.address = source;
        reply.dataSize = int(n) - ihl - 8;
        reply.ttl = buf[8];
        return true;
    }
    const int status = errorStatus(type, icmp[1]);
    if (status == Success)
        return false;
    // The error quotes our request: its IP header and the first 8 bytes of the echo.
    const unsigned char *inner = icmp + 8;
    if (n < ihl + 8 + 20)
        return false;
    const int innerIhl = (inner[0] & 0x0f) * 4;
    if (innerIhl < 20 || n < ihl + 8 + innerIhl + 8)
        return false;
    const quint32 innerDest = quint32(inner[16]) << 24 | quint32(inner[17]) << 16
                              | quint32(inner[18]) << 8 | inner[19];
    const unsigned char *quoted = inner + innerIhl;
    if (inner[9] != IPPROTO_ICMP || innerDest != address || quoted[0] != EchoRequestType
        || read16(quoted + 4) != ident || read16(quoted + 6) != sequence)
        return false;
    reply.status = status;
    reply.address = source;
    reply.dataSize = 0;
    reply.ttl = buf[8];
    return true;
}

std::unique_ptr<EchoSocket> EchoSocket::open(SocketKind kind)
{
    if (kind != SocketKind::Raw) {
        int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd >= 0) {
            int on = 1;
            ::setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
            ::setsockopt(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
            sockaddr_in sa{};
            sa.sin_family = AF_INET;
            socklen_t len = sizeof sa;
            // The kernel takes the socket's port as the echo identifier.
            if (::bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0
                && ::getsockname(fd, reinterpret_cast<sockaddr *>(&sa), &len) == 0) {
                auto s = std::unique_ptr<EchoSocket>(new EchoSocket(fd, true));
                s->ident = ntohs(sa.sin_port);
                return s;
            }
            g_openError = ws::errnoToWinsock(errno);
            ::close(fd);
        } else {
            g_openError = ws::errnoToWinsock(errno);
        }
        if (kind == SocketKind::Datagram)
            return nullptr;
    }
    int fd = ::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) {
        g_openError = ws::errnoToWinsock(errno);
        return nullptr;
    }
    auto s = std::unique_ptr<EchoSocket>(new EchoSocket(fd, false));
    // A raw socket sees every ICMP message of the host: the identifier tells ours apart.
    const quint16 counter = ++g_rawCounter;
    s->ident = quint16((::getpid() & 0xffff) ^ (counter << 11) ^ counter);
    return s;
}

int lastOpenError() { return g_openError; }

EchoSocket::EchoSocket(int fd_, bool datagram_) : fd(fd_), datagram(datagram_) {}

EchoSocket::~EchoSocket()
{
    if (fd >= 0)
        ::close(fd);
}

EchoReply EchoSocket::send(quint32 address, int ttl, const QByteArray &data, int timeoutMs)
{
    EchoReply reply;
    reply.status = TimedOut;
    const quint16 sequence = nextSequence++;
    if (nextSequence == 0)
        nextSequence = 1;

    int t = ttl;
    if (t < 1 || t > 255 || ::setsockopt(fd, IPPROTO_IP, IP_TTL, &t, sizeof t) != 0) {
        reply.status = BadOption;
        ws::setLastError(reply.status);
        return reply;
    }

    QByteArray packet(8 + data.size(), '\0');
    auto *p = reinterpret_cast<unsigned char *>(packet.data());
    p[0] = EchoRequestType;
    p[4] = ident >> 8;
    p[5] = ident & 0xff;
    p[6] = sequence >> 8;
    p[7] = sequence & 0xff;
    std::memcpy(p + 8, data.constData(), size_t(data.size()));
    const quint16 sum = checksum(p, int(packet.size()));
    p[2] = sum >> 8;
    p[3] = sum & 0xff;

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    // A late "unreachable" for an earlier address (arrived while nobody read, say during a
    // name lookup) is still pending on the socket: sendto() would report it as this
    // echo's failure. Answers are matched by identifier and sequence, so nothing of an
    // earlier echo is needed any more.
    discardPending();
    QElapsedTimer clock;
    clock.start();
    auto sendOnce = [&] {
        return ::sendto(fd, packet.constData(), size_t(packet.size()), 0, reinterpret_cast<sockaddr *>(&to),
                        sizeof to);
    };
    ssize_t sent = sendOnce();
    if (sent < 0 && (errno == EHOSTUNREACH || errno == ENETUNREACH || errno == ECONNREFUSED || errno == EHOSTDOWN)) {
        // An error that came in between: the second try tells whether it is this echo's own.
        discardPending();
        sent = sendOnce();
    }
    if (sent < 0) {
        reply.status = sendErrorStatus(errno);
        ws::setLastError(reply.status);
        return reply;
    }

    for (;;) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            break;
        const int ready = ws::waitDescriptor(fd, POLLIN, int(left));
        if (ready < 0)
            return reply;  // cancelled: lastError() tells
        if (ready == 0)
            break;
        const bool answered = (datagram && readError(address, sequence, reply))
                              || readAnswer(address, sequence, reply);
        if (answered) {
            reply.replies = 1;
            reply.roundTripMs = int(clock.elapsed());
            ws::setLastError(reply.status);
            return reply;
        }
    }
    reply.status = TimedOut;
    ws::setLastError(TimedOut);
    return reply;
}

void EchoSocket::discardPending()
{
    if (datagram) {
        for (;;) {
            unsigned char buf[1500];
            char control[512];
            iovec iov{buf, sizeof buf};
            msghdr msg{};
            msg.msg_iov = &iov;
            msg.msg_iovlen = 1;
            msg.msg_control = control;
            msg.msg_controllen = sizeof control;
            if (::recvmsg(fd, &msg, MSG_ERRQUEUE | MSG_DONTWAIT) < 0 && errno != EINTR)
                break;
        }
    }
    int pending = 0;
    socklen_t length = sizeof pending;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &length);
}

// Reads queued answers until ours is found or the queue is empty.
bool EchoSocket::readAnswer(quint32 address, quint16 sequence, EchoReply &reply)
{
    for (;;) {
        unsigned char buf[1500];
        char control[256];
        sockaddr_in from{};
        iovec iov{buf, sizeof buf};
        msghdr msg{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(fd, &msg, MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;  // nothing more now (or a pending error, read from the error queue)
        }
        const quint32 source = ntohl(from.sin_addr.s_addr);
        if (datagram) {
            // The kernel passes only echo replies of this socket's identifier.
            if (n < 8 || buf[0] != EchoReplyType || read16(buf + 6) != sequence || source != address)
                continue;
            int ttl = 0;
            for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
                if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL)
                    std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
            reply.status = Success;
            reply.address = source;
            reply.dataSize = int(n) - 8;
            reply.ttl = ttl;
            return true;
        }
        if (matchRawAnswer(QByteArrayView(reinterpret_cast<const char *>(buf), n), address, ident, sequence, reply))
            return true;
    }
}

// A ping socket hears of routers' errors only on its error queue.
bool EchoSocket::readError(quint32 address, quint16 sequence, EchoReply &reply)
{
    for (;;) {
        unsigned char buf[1500];
        char control[512];
        sockaddr_in dest{};
        iovec iov{buf, sizeof buf};
        msghdr msg{};
        msg.msg_name = &dest;
        msg.msg_namelen = sizeof dest;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(fd, &msg, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        const sock_extended_err *ee = nullptr;
        int ttl = 0;
        for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR)
                ee = reinterpret_cast<const sock_extended_err *>(CMSG_DATA(c));
            else if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL)
                std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
        }
        if (!ee || ee->ee_origin != SO_EE_ORIGIN_ICMP)
            continue;
        // The quoted request: our echo header (the kernel keeps the payload we sent).
        if (n < 8 || buf[0] != EchoRequestType || read16(buf + 6) != sequence
            || ntohl(dest.sin_addr.s_addr) != address)
            continue;
        const int status = errorStatus(ee->ee_type, ee->ee_code);
        if (status == Success)
            continue;
        const auto *offender = reinterpret_cast<const sockaddr_in *>(SO_EE_OFFENDER(ee));
        reply.status = status;
        reply.address = offender->sin_family == AF_INET ? ntohl(offender->sin_addr.s_addr) : 0;
        reply.dataSize = 0;
        reply.ttl = ttl;
        return true;
    }
}

QString statusText(int status)
{
    const char *text = "일반 오류";
    switch (status) {
    case Success: text = "성공"; break;
    case DestNetUnreachable: text = "대상 네트워크에 연결할 수 없습니다"; break;
    case DestHostUnreachable: text = "대상 호스트에 연결할 수 없습니다"; break;
    case DestProtUnreachable: text = "대상 프로토콜에 연결할 수 없습니다"; break;
    case DestPortUnreachable: text = "대상 포트에 연결할 수 없습니다"; break;
    case NoResources: text = "자원이 부족합니다"; break;
    case BadOption: text = "잘못된 옵션입니다"; break;
    case PacketTooBig: text = "패킷이 너무 큽니다"; break;
    case TimedOut: text = "요청 시간이 초과되었습니다"; break;
    case BadRequest: text = "잘못된 요청입니다"; break;
    case BadRoute: text = "잘못된 경로입니다"; break;
    case TtlExpiredTransit: text = "전송 중에 TTL이 만료되었습니다"; break;
    case TtlExpiredReassembly: text = "재조립 중에 TTL이 만료되었습니다"; break;
    case ParamProblem: text = "매개변수 문제입니다"; break;
    case SourceQuench: text = "송신 억제 요청입니다"; break;
    case BadDestination: text = "잘못된 대상입니다"; break;
    default: break;
    }
    return QString::fromUtf8(text) + QLatin1Char('(') + QString::number(status) + QLatin1Char(')');
}

QString echoErrorText(int code)
{
    if (code >= 11000 && code <= 11050 && code != 11001)
        return statusText(code);
    return ws::errorText(code);
}

} // namespace kav::icmp
