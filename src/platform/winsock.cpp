#include "winsock.h"

#include "event_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QSysInfo>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace kav::ws {
namespace {

struct SocketInfo {
    bool nonBlocking = false;
    int message = 0;
    MessageFilter target;  // empty: the application-wide filter
    long events = 0;
    bool connectPending = false;
    QSocketNotifier *connectNotifier = nullptr;
    QSocketNotifier *readNotifier = nullptr;
    int timeLimitMs = 0;   // setTimeLimit
};

// The one blocking call in progress (Winsock 1.1 allows only one per thread).
struct BlockingCall {
    bool active = false;
    bool cancelled = false;
};

// A socket belongs to the thread that made it: its notifiers fire in that
// thread's event loop, and that thread's blocking call is the one a cancel
// ends. So the registry and the blocking call are each thread's own; the
// window's thread sees exactly what it saw before any other thread existed.
std::atomic<bool> g_started{false};
thread_local int g_lastError = 0;
thread_local QHash<Socket, SocketInfo> g_sockets;
thread_local BlockingCall g_block;
MessageFilter g_filter;

// Short enough that buttons answer at once, long enough not to spin a core.
constexpr int PollSliceMs = 10;

int fail(int code)
{
    g_lastError = code;
    return SocketError;
}

SocketInfo *info(Socket s)
{
    auto it = g_sockets.find(s);
    return it == g_sockets.end() ? nullptr : &it.value();
}

void deliver(int message, long event, int error)
{
    if (g_filter)
        g_filter(message, event, error);
}

// A notice of one socket: to its own window when it has one.
void deliverFor(Socket s, int message, long event, int error)
{
    auto it = g_sockets.find(s);
    if (it != g_sockets.end() && it->target) {
        MessageFilter target = it->target;  // the handler may close the socket
        target(message, event, error);
        return;
    }
    deliver(message, event, error);
}

// Marks a blocking call for its whole duration.
class BlockingScope {
public:
    BlockingScope()
    {
        g_block.active = true;
        g_block.cancelled = false;
    }
    ~BlockingScope()
    {
        g_block.active = false;
        g_block.cancelled = false;
    }
};

// Calls that find their socket ready pump no events, so that a transfer runs at
// full speed. But a peer that keeps data coming would then never let the stop
// button in: once ready calls have followed one another for a poll slice, the
// next one pumps events first (a pause between calls starts a new run).
using Clock = std::chrono::steady_clock;
thread_local Clock::time_point g_runStart;
thread_local Clock::time_point g_lastReadyCall;

void notePumped()
{
    g_runStart = Clock::now();
    NotePumped();
}

// Before a blocking call's attempt: pumps events when a run of ready calls is due
// for it. False (with the error set) when that cancelled the call or closed the socket.
bool pumpWhenDue(Socket s, std::unique_ptr<BlockingScope> *scope)
{
    const Clock::time_point now = Clock::now();
    const auto slice = std::chrono::milliseconds(PollSliceMs);
    if (now - g_lastReadyCall > slice)
        g_runStart = now;
    g_lastReadyCall = now;
    if (now - g_runStart < slice)
        return true;
    if (scope && !*scope)
        *scope = std::make_unique<BlockingScope>();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    notePumped();
    g_lastReadyCall = Clock::now();
    if (g_block.cancelled) {
        g_lastError = WSAEINTR;
        return false;
    }
    if (!info(s)) {
        g_lastError = WSAENOTSOCK;
        return false;
    }
    return true;
}

// Waits until the socket is ready for `events`, keeping the event loop alive.
// Returns false (and sets the error) when the call was cancelled or the socket died.
bool waitReady(Socket s, short events)
{
    // The socket's own time limit counts from the start of this wait.
    const SocketInfo *limited = info(s);
    QElapsedTimer waited;
    const int limitMs = limited ? limited->timeLimitMs : 0;
    if (limitMs > 0)
        waited.start();
    const auto overdue = [&] {
        if (limitMs <= 0 || waited.elapsed() < limitMs)
            return false;
        g_lastError = WSAETIMEDOUT;
        return true;
    };
    // The wait costs the transfer nothing: events due on the program's pump
    // clock are processed at once instead of after a poll slice.
    if (PumpDue()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        notePumped();
        if (g_block.cancelled) {
            g_lastError = WSAEINTR;
            return false;
        }
        if (!info(s)) {
            g_lastError = WSAENOTSOCK;
            return false;
        }
    }
    for (;;) {
        pollfd p{static_cast<int>(s), events, 0};
        int r = ::poll(&p, 1, PollSliceMs);
        if (g_block.cancelled) {
            g_lastError = WSAEINTR;
            return false;
        }
        if (r > 0) {
            if (p.revents & POLLNVAL) {
                g_lastError = WSAENOTSOCK;
                return false;
            }
            return true;  // readiness, error or hang-up: the next call reports which
        }
        if (r < 0 && errno != EINTR) {
            g_lastError = errnoToWinsock(errno);
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        notePumped();
        if (g_block.cancelled) {
            g_lastError = WSAEINTR;
            return false;
        }
        if (!info(s)) {  // closed by a handler that ran inside the wait
            g_lastError = WSAENOTSOCK;
            return false;
        }
        if (overdue())
            return false;
    }
}

sockaddr_in makeAddress(quint32 address, quint16 port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    return sa;
}

// The system's form of an address of either family; 0 when it has none.
socklen_t toSystem(const SocketAddress &a, sockaddr_storage *out)
{
    *out = sockaddr_storage{};
    if (a.family == SocketAddress::Family::V4) {
        auto *sa = reinterpret_cast<sockaddr_in *>(out);
        sa->sin_family = AF_INET;
        std::memcpy(&sa->sin_addr, a.bytes.data(), 4);
        sa->sin_port = htons(a.port);
        return sizeof(sockaddr_in);
    }
    if (a.family == SocketAddress::Family::V6) {
        auto *sa = reinterpret_cast<sockaddr_in6 *>(out);
        sa->sin6_family = AF_INET6;
        std::memcpy(&sa->sin6_addr, a.bytes.data(), 16);
        sa->sin6_port = htons(a.port);
        sa->sin6_scope_id = a.scope;
        return sizeof(sockaddr_in6);
    }
    return 0;
}

SocketAddress fromSystem(const sockaddr *sa)
{
    SocketAddress a;
    if (sa->sa_family == AF_INET) {
        const auto *in = reinterpret_cast<const sockaddr_in *>(sa);
        a.family = SocketAddress::Family::V4;
        std::memcpy(a.bytes.data(), &in->sin_addr, 4);
        a.port = ntohs(in->sin_port);
    } else if (sa->sa_family == AF_INET6) {
        const auto *in6 = reinterpret_cast<const sockaddr_in6 *>(sa);
        a.family = SocketAddress::Family::V6;
        std::memcpy(a.bytes.data(), &in6->sin6_addr, 16);
        a.scope = in6->sin6_scope_id;
        a.port = ntohs(in6->sin6_port);
    }
    return a;
}

void armReadNotifier(Socket s)
{
    SocketInfo *si = info(s);
    if (si && si->readNotifier)
        si->readNotifier->setEnabled(true);
}

void onConnectReady(Socket s)
{
    SocketInfo *si = info(s);
    if (!si || !si->connectPending)
        return;
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(static_cast<int>(s), SOL_SOCKET, SO_ERROR, &err, &len) != 0)
        err = errno;
    si->connectPending = false;
    if (si->connectNotifier)
        si->connectNotifier->setEnabled(false);
    deliverFor(s, si->message, FD_CONNECT, err ? errnoToWinsock(err) : 0);
}

void onReadable(Socket s)
{
    SocketInfo *si = info(s);
    if (!si || !si->readNotifier)
        return;
    // Like FD_READ, one notice until the program reads again.
    si->readNotifier->setEnabled(false);
    char c;
    ssize_t n = ::recv(static_cast<int>(s), &c, 1, MSG_PEEK | MSG_DONTWAIT);
    const int message = si->message;
    const long events = si->events;
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
        if (events & FD_CLOSE)
            deliverFor(s, message, FD_CLOSE, n < 0 ? errnoToWinsock(errno) : 0);
    } else if (n > 0 && (events & FD_READ)) {
        deliverFor(s, message, FD_READ, 0);
    } else {
        armReadNotifier(s);
    }
}

void dropNotifiers(SocketInfo &si)
{
    // The socket may be closed by the very handler its notifier is running:
    // the notifier goes quiet now and is deleted once that handler returned.
    for (QSocketNotifier **n : {&si.connectNotifier, &si.readNotifier}) {
        if (!*n)
            continue;
        (*n)->setEnabled(false);
        (*n)->deleteLater();
        *n = nullptr;
    }
    si.connectPending = false;
}

Socket adopt(int fd, bool nonBlocking)
{
    SocketInfo si;
    si.nonBlocking = nonBlocking;
    g_sockets.insert(fd, si);
    return fd;
}

} // namespace

int errnoToWinsock(int err)
{
    switch (err) {
    case 0: return 0;
    case EINTR: return WSAEINTR;
    case EBADF: return WSAEBADF;
    case EACCES: case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE: case ENFILE: return WSAEMFILE;
    case EAGAIN: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEWOULDBLOCK;  // a non-blocking connect under way
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET: case EPIPE: return WSAECONNRESET;
    case ENOBUFS: case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case ELOOP: return WSAELOOP;
    case ENAMETOOLONG: return WSAENAMETOOLONG;
    case EHOSTDOWN: return WSAEHOSTDOWN;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    case ENOTEMPTY: return WSAENOTEMPTY;
    case EDQUOT: return WSAEDQUOT;
    case ESTALE: return WSAESTALE;
    default: return 10000 + err;  // keeps the number visible in "Not a WinSock error(n)"
    }
}

QString errorText(int code)
{
    const char *text = "Not a WinSock error";
    switch (code) {
    case 10004: text = "Interrupted system call"; break;
    case 10009: text = "Bad file number"; break;
    case 10013: text = "Permission denied"; break;
    case 10014: text = "Bad address"; break;
    case 10022: text = "Invalid argument"; break;
    case 10024: text = "Too many open files"; break;
    case 10035: text = "Operation would block"; break;
    case 10036: text = "Operation now in progress"; break;
    case 10037: text = "Operation already in progress"; break;
    case 10038: text = "Socket operation on non-socket"; break;
    case 10039: text = "Destination address required"; break;
    case 10040: text = "Message too long"; break;
    case 10041: text = "Protocol wrong type for socket"; break;
    case 10042: text = "Protocol not available"; break;
    case 10043: text = "Protocol not supported"; break;
    case 10044: text = "Socket type not supported"; break;
    case 10045: text = "Operation not supported on socket"; break;
    case 10046: text = "Protocol family not supported"; break;
    case 10047: text = "Address family not supported by protocol family"; break;
    case 10048: text = "Address already in use"; break;
    case 10049: text = "Can't assign requested address"; break;
    case 10050: text = "Network is down"; break;
    case 10051: text = "Network is unreachable"; break;
    case 10052: text = "Network dropped connection on reset"; break;
    case 10053: text = "Software caused connection abort"; break;
    case 10054: text = "Connection reset by peer"; break;
    case 10055: text = "No buffer space available"; break;
    case 10056: text = "Socket is already connected"; break;
    case 10057: text = "Socket is not connected"; break;
    case 10058: text = "Can't send after socket shutdown"; break;
    case 10059: text = "Too many references: can't splice"; break;
    case 10060: text = "Connection timed out"; break;
    case 10061: text = "Connection refused"; break;
    case 10062: text = "Too many levels of symbolic links"; break;
    case 10063: text = "File name too long"; break;
    case 10064: text = "Host is down"; break;
    case 10065: text = "No route to host"; break;
    case 10066: text = "Directory not empty"; break;
    case 10067: text = "Too many processes"; break;
    case 10068: text = "Too many users"; break;
    case 10069: text = "Disc quota exceeded"; break;
    case 10070: text = "Stale NFS file handle"; break;
    case 10071: text = "Too many levels of remote in path"; break;
    case 10091: text = "Network sub-system is unusable"; break;
    case 10092: text = "WinSock DLL cannot support this application"; break;
    case 10093: text = "WinSock not initialized"; break;
    case 11001: text = "Host not found"; break;
    case 11002: text = "Non-authoritative host not found"; break;
    case 11003: text = "Non-recoverable error"; break;
    case 11004: text = "No Data"; break;
    default: break;
    }
    return QString::fromLatin1(text) + QLatin1Char('(') + QString::number(code) + QLatin1Char(')');
}

bool startup()
{
    if (g_started)
        return true;
    int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    ::close(probe);
    g_started = true;
    return true;
}

void cleanup()
{
    if (g_block.active)
        g_block.cancelled = true;
    const auto sockets = g_sockets.keys();
    for (Socket s : sockets)
        closesocket(s);
    g_started = false;
}

bool isStarted() { return g_started; }

QString description()
{
    return QStringLiteral("Kavrin Sockets 1.1 on %1 %2")
        .arg(QSysInfo::kernelType(), QSysInfo::kernelVersion());
}

QString systemStatus() { return QStringLiteral("Running"); }

int lastError() { return g_lastError; }
void setLastError(int code) { g_lastError = code; }

Socket socket()
{
    return socket(SocketAddress::Family::V4);
}

Socket socket(SocketAddress::Family family)
{
    if (!g_started)
        return fail(WSANOTINITIALISED), InvalidSocket;
    if (family == SocketAddress::Family::None)
        return fail(WSAEAFNOSUPPORT), InvalidSocket;
    const bool six = family == SocketAddress::Family::V6;
    int fd = ::socket(six ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        g_lastError = errnoToWinsock(errno);
        return InvalidSocket;
    }
    if (six) {
        // An IPv6 socket speaks IPv6 alone: a listener on "::" must not take
        // IPv4 connections in the mapped form, which no peer check expects.
        int one = 1;
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
    }
    return adopt(fd, false);
}

int closesocket(Socket s)
{
    SocketInfo *si = info(s);
    if (!si)
        return fail(WSAENOTSOCK);
    dropNotifiers(*si);
    g_sockets.remove(s);
    ::close(static_cast<int>(s));
    return 0;
}

int connect(Socket s, quint32 address, quint16 port)
{
    return connect(s, SocketAddress::ipv4(address, port));
}

int connect(Socket s, const SocketAddress &to)
{
    SocketInfo *si = info(s);
    if (!si)
        return fail(WSAENOTSOCK);
    if (!si->nonBlocking && g_block.active)
        return fail(WSAEINPROGRESS);
    sockaddr_storage sa;
    const socklen_t length = toSystem(to, &sa);
    if (!length)
        return fail(WSAEAFNOSUPPORT);
    int r = ::connect(static_cast<int>(s), reinterpret_cast<sockaddr *>(&sa), length);
    if (r == 0) {
        if (si->nonBlocking && (si->events & FD_CONNECT)) {
            // Connected at once: the notice still arrives as a message, as it would on Windows.
            const int message = si->message;
            QTimer::singleShot(0, qApp, [s, message] { deliverFor(s, message, FD_CONNECT, 0); });
        }
        return 0;
    }
    if (errno != EINPROGRESS)
        return fail(errnoToWinsock(errno));
    if (si->nonBlocking) {
        if (si->events & FD_CONNECT) {
            si->connectPending = true;
            if (!si->connectNotifier) {
                si->connectNotifier = new QSocketNotifier(s, QSocketNotifier::Write);
                QObject::connect(si->connectNotifier, &QSocketNotifier::activated, [s] { onConnectReady(s); });
            }
            si->connectNotifier->setEnabled(true);
        }
        return fail(WSAEWOULDBLOCK);
    }
    BlockingScope scope;
    if (!waitReady(s, POLLOUT))
        return SocketError;
    int err = 0;
    socklen_t len = sizeof err;
    ::getsockopt(static_cast<int>(s), SOL_SOCKET, SO_ERROR, &err, &len);
    return err ? fail(errnoToWinsock(err)) : 0;
}

int bind(Socket s, quint32 address, quint16 port)
{
    return bind(s, SocketAddress::ipv4(address, port));
}

int bind(Socket s, const SocketAddress &local)
{
    if (!info(s))
        return fail(WSAENOTSOCK);
    sockaddr_storage sa;
    const socklen_t length = toSystem(local, &sa);
    if (!length)
        return fail(WSAEAFNOSUPPORT);
    if (::bind(static_cast<int>(s), reinterpret_cast<sockaddr *>(&sa), length) != 0)
        return fail(errnoToWinsock(errno));
    return 0;
}

int listen(Socket s, int backlog)
{
    if (!info(s))
        return fail(WSAENOTSOCK);
    if (::listen(static_cast<int>(s), backlog) != 0)
        return fail(errnoToWinsock(errno));
    return 0;
}

Socket accept(Socket s, quint32 *peerAddress, quint16 *peerPort)
{
    SocketAddress peer;
    const Socket accepted = accept(s, &peer);
    if (accepted != InvalidSocket) {
        if (peerAddress)
            *peerAddress = peer.ipv4Address();
        if (peerPort)
            *peerPort = peer.port;
    }
    return accepted;
}

Socket accept(Socket s, SocketAddress *peer)
{
    SocketInfo *si = info(s);
    if (!si)
        return fail(WSAENOTSOCK), InvalidSocket;
    const bool nonBlocking = si->nonBlocking;
    if (!nonBlocking && g_block.active)
        return fail(WSAEINPROGRESS), InvalidSocket;
    std::unique_ptr<BlockingScope> scope;
    for (;;) {
        sockaddr_storage sa{};
        socklen_t len = sizeof sa;
        int fd = ::accept4(static_cast<int>(s), reinterpret_cast<sockaddr *>(&sa), &len,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            if (peer)
                *peer = fromSystem(reinterpret_cast<sockaddr *>(&sa));
            return adopt(fd, nonBlocking);
        }
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return fail(errnoToWinsock(errno)), InvalidSocket;
        if (nonBlocking)
            return fail(WSAEWOULDBLOCK), InvalidSocket;
        if (!scope)
            scope = std::make_unique<BlockingScope>();
        if (!waitReady(s, POLLIN))
            return InvalidSocket;
    }
}

int send(Socket s, const char *data, int length)
{
    SocketInfo *si = info(s);
    if (!si)
        return fail(WSAENOTSOCK);
    const bool nonBlocking = si->nonBlocking;
    if (!nonBlocking && g_block.active)
        return fail(WSAEINPROGRESS);
    std::unique_ptr<BlockingScope> scope;
    int sent = 0;
    while (sent < length) {
        if (!nonBlocking && !pumpWhenDue(s, &scope))
            return SocketError;
        ssize_t n = ::send(static_cast<int>(s), data + sent, size_t(length - sent),
                           MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            sent += int(n);
            if (nonBlocking)
                return sent;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return fail(errnoToWinsock(errno));
        if (nonBlocking)
            return sent > 0 ? sent : fail(WSAEWOULDBLOCK);
        if (!scope)
            scope = std::make_unique<BlockingScope>();
        if (!waitReady(s, POLLOUT))
            return SocketError;
    }
    return sent;
}

int recv(Socket s, char *buffer, int length)
{
    SocketInfo *si = info(s);
    if (!si)
        return fail(WSAENOTSOCK);
    const bool nonBlocking = si->nonBlocking;
    if (!nonBlocking && g_block.active)
        return fail(WSAEINPROGRESS);
    std::unique_ptr<BlockingScope> scope;
    for (;;) {
        if (!nonBlocking && !pumpWhenDue(s, &scope))
            return SocketError;
        ssize_t n = ::recv(static_cast<int>(s), buffer, size_t(length), MSG_DONTWAIT);
        if (n >= 0) {
            armReadNotifier(s);
            return int(n);
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            armReadNotifier(s);
            return fail(errnoToWinsock(errno));
        }
        if (nonBlocking) {
            armReadNotifier(s);
            return fail(WSAEWOULDBLOCK);
        }
        if (!scope)
            scope = std::make_unique<BlockingScope>();
        if (!waitReady(s, POLLIN))
            return SocketError;
    }
}

namespace {

using NameCall = int (*)(int, sockaddr *, socklen_t *);

bool readAddress(NameCall call, Socket s, quint32 *address, quint16 *port)
{
    if (!info(s)) {
        g_lastError = WSAENOTSOCK;
        return false;
    }
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (call(static_cast<int>(s), reinterpret_cast<sockaddr *>(&sa), &len) != 0 || sa.sin_family != AF_INET) {
        g_lastError = errnoToWinsock(errno);
        return false;
    }
    if (address)
        *address = ntohl(sa.sin_addr.s_addr);
    if (port)
        *port = ntohs(sa.sin_port);
    return true;
}

bool readAnyAddress(NameCall call, Socket s, SocketAddress *address)
{
    if (!info(s)) {
        g_lastError = WSAENOTSOCK;
        return false;
    }
    sockaddr_storage sa{};
    socklen_t len = sizeof sa;
    if (call(static_cast<int>(s), reinterpret_cast<sockaddr *>(&sa), &len) != 0) {
        g_lastError = errnoToWinsock(errno);
        return false;
    }
    const SocketAddress read = fromSystem(reinterpret_cast<sockaddr *>(&sa));
    if (!read.isValid()) {
        g_lastError = WSAEAFNOSUPPORT;
        return false;
    }
    if (address)
        *address = read;
    return true;
}

} // namespace

bool getsockname(Socket s, quint32 *address, quint16 *port)
{
    return readAddress(::getsockname, s, address, port);
}

bool getpeername(Socket s, quint32 *address, quint16 *port)
{
    return readAddress(::getpeername, s, address, port);
}

bool getsockname(Socket s, SocketAddress *address)
{
    return readAnyAddress(::getsockname, s, address);
}

bool getpeername(Socket s, SocketAddress *address)
{
    return readAnyAddress(::getpeername, s, address);
}

int shutdown(Socket s, int how)
{
    if (!info(s))
        return fail(WSAENOTSOCK);
    const int mode = how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR;
    if (::shutdown(static_cast<int>(s), mode) != 0)
        return fail(errnoToWinsock(errno));
    return 0;
}

int connectStatus(Socket s, int waitMs)
{
    if (!info(s))
        return WSAENOTSOCK;
    pollfd p{static_cast<int>(s), POLLOUT, 0};
    int r;
    do
        r = ::poll(&p, 1, waitMs);
    while (r < 0 && errno == EINTR);
    if (r == 0)
        return WSAEWOULDBLOCK;
    if (r < 0)
        return errnoToWinsock(errno);
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(static_cast<int>(s), SOL_SOCKET, SO_ERROR, &err, &len) != 0)
        err = errno;
    return err ? errnoToWinsock(err) : 0;
}

int setNonBlocking(Socket s, bool on)
{
    SocketInfo *si = info(s);
    if (!si)
        return fail(WSAENOTSOCK);
    si->nonBlocking = on;
    return 0;
}

int setTimeLimit(Socket s, int ms)
{
    SocketInfo *si = info(s);
    if (!si)
        return fail(WSAENOTSOCK);
    si->timeLimitMs = ms > 0 ? ms : 0;
    return 0;
}

PeerState peekPeer(Socket s)
{
    if (!info(s))
        return PeerState::Closed;
    char c;
    const ssize_t n = ::recv(static_cast<int>(s), &c, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0)
        return PeerState::DataWaiting;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return PeerState::Quiet;
    return PeerState::Closed;
}

int asyncSelect(Socket s, int message, long events)
{
    SocketInfo *si = info(s);
    if (!si)
        return fail(WSAENOTSOCK);
    dropNotifiers(*si);
    si->target = MessageFilter{};
    si->message = message;
    si->events = events;
    if (events == 0)
        return 0;
    si->nonBlocking = true;
    if (events & (FD_READ | FD_CLOSE)) {
        si->readNotifier = new QSocketNotifier(s, QSocketNotifier::Read);
        QObject::connect(si->readNotifier, &QSocketNotifier::activated, [s] { onReadable(s); });
    }
    return 0;
}

void setMessageFilter(MessageFilter filter) { g_filter = std::move(filter); }

int asyncSelect(Socket s, int message, long events, MessageFilter target)
{
    const int r = asyncSelect(s, message, events);
    if (SocketInfo *si = info(s))
        si->target = events ? std::move(target) : MessageFilter{};
    return r;
}

int setOobInline(Socket s, bool on)
{
    if (!info(s))
        return fail(WSAENOTSOCK);
    int v = on ? 1 : 0;
    if (::setsockopt(static_cast<int>(s), SOL_SOCKET, SO_OOBINLINE, &v, sizeof v) != 0)
        return fail(errnoToWinsock(errno));
    return 0;
}

int setLinger(Socket s, bool on, int seconds)
{
    if (!info(s))
        return fail(WSAENOTSOCK);
    linger l{on ? 1 : 0, seconds};
    if (::setsockopt(static_cast<int>(s), SOL_SOCKET, SO_LINGER, &l, sizeof l) != 0)
        return fail(errnoToWinsock(errno));
    return 0;
}

int waitDescriptor(int fd, short pollEvents, int timeoutMs)
{
    if (g_block.active)
        return fail(WSAEINPROGRESS);
    BlockingScope scope;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            return 0;
        pollfd p{fd, pollEvents, 0};
        int r = ::poll(&p, 1, int(qMin<qint64>(left, PollSliceMs)));
        if (g_block.cancelled)
            return fail(WSAEINTR);
        if (r > 0)
            return 1;
        if (r < 0 && errno != EINTR)
            return fail(errnoToWinsock(errno));
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (g_block.cancelled)
            return fail(WSAEINTR);
    }
}

BlockingWait::BlockingWait()
{
    if (g_block.active) {
        g_lastError = WSAEINPROGRESS;
        return;
    }
    owned = true;
    g_block.active = true;
    g_block.cancelled = false;
}

BlockingWait::~BlockingWait()
{
    if (!owned)
        return;
    g_block.active = false;
    g_block.cancelled = false;
}

bool BlockingWait::wait(Socket s, bool forWrite, quint32 deadline, const std::function<bool()> &stop)
{
    if (!deadline) {
        if (const SocketInfo *si = info(s); si && si->timeLimitMs > 0)
            deadline = tickCount() + quint32(si->timeLimitMs) | 1u;
    }
    for (;;) {
        int slice = PollSliceMs;
        if (deadline) {
            const qint32 left = qint32(deadline - tickCount());
            if (left <= 0) {
                g_lastError = WSAETIMEDOUT;
                return false;
            }
            slice = qMin(slice, int(left));
        }
        pollfd p{static_cast<int>(s), short(forWrite ? POLLOUT : POLLIN), 0};
        const int r = ::poll(&p, 1, slice);
        if (g_block.cancelled) {
            g_lastError = WSAEINTR;
            return false;
        }
        if (r > 0) {
            if (p.revents & POLLNVAL) {
                g_lastError = WSAENOTSOCK;
                return false;
            }
            return true;
        }
        if (r < 0 && errno != EINTR) {
            g_lastError = errnoToWinsock(errno);
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        notePumped();
        if (g_block.cancelled || (stop && stop())) {
            g_lastError = WSAEINTR;
            return false;
        }
        if (!info(s)) {
            g_lastError = WSAENOTSOCK;
            return false;
        }
    }
}

bool BlockingWait::pumpWhenDue(Socket s)
{
    // This wait is the blocking call already: no scope of its own.
    return kav::ws::pumpWhenDue(s, nullptr);
}

bool isBlocking() { return g_block.active; }

void cancelBlockingCall()
{
    if (g_block.active)
        g_block.cancelled = true;
}

bool inetAddr(const QString &text, quint32 *address)
{
    in_addr a{};
    const QByteArray t = text.trimmed().toLatin1();
    if (t.isEmpty() || ::inet_pton(AF_INET, t.constData(), &a) != 1)
        return false;
    if (address)
        *address = ntohl(a.s_addr);
    return true;
}

QString inetNtoa(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xff)
        .arg((address >> 8) & 0xff)
        .arg(address & 0xff);
}

namespace {

// A name service query on a worker thread while the caller keeps the event loop
// alive. A cancelled query is abandoned; the worker finishes on its own.
template <typename Result, typename Work>
bool runLookup(Work work, Result *out)
{
    if (g_block.active)
        return fail(WSAEINPROGRESS), false;
    struct Shared {
        std::atomic<bool> done{false};
        Result result{};
        int error = 0;
    };
    auto shared = std::make_shared<Shared>();
    std::thread([shared, work] {
        shared->error = work(&shared->result);
        shared->done = true;
    }).detach();
    BlockingScope scope;
    while (!shared->done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (g_block.cancelled)
            return fail(WSAEINTR), false;
        if (!shared->done)
            ::usleep(2000);
    }
    if (shared->error)
        return fail(shared->error), false;
    *out = shared->result;
    return true;
}

int gaiToWinsock(int code)
{
    switch (code) {
    case EAI_AGAIN: return WSATRY_AGAIN;
    case EAI_FAIL: return WSANO_RECOVERY;
    case EAI_NODATA: return WSANO_DATA;
    default: return WSAHOST_NOT_FOUND;
    }
}

} // namespace

bool gethostbyname(const QString &name, quint32 *address)
{
    if (inetAddr(name, address))
        return true;
    const QByteArray host = name.trimmed().toUtf8();
    if (host.isEmpty())
        return fail(WSAHOST_NOT_FOUND), false;
    quint32 result = 0;
    bool ok = runLookup<quint32>(
        [host](quint32 *out) {
            addrinfo hints{};
            hints.ai_family = AF_INET;
            hints.ai_socktype = SOCK_STREAM;
            addrinfo *res = nullptr;
            int rc = ::getaddrinfo(host.constData(), nullptr, &hints, &res);
            if (rc != 0 || !res)
                return gaiToWinsock(rc);
            *out = ntohl(reinterpret_cast<sockaddr_in *>(res->ai_addr)->sin_addr.s_addr);
            ::freeaddrinfo(res);
            return 0;
        },
        &result);
    if (ok && address)
        *address = result;
    return ok;
}

bool gethostbyaddr(quint32 address, QString *name)
{
    QByteArray result;
    bool ok = runLookup<QByteArray>(
        [address](QByteArray *out) {
            sockaddr_in sa = makeAddress(address, 0);
            char host[NI_MAXHOST];
            int rc = ::getnameinfo(reinterpret_cast<sockaddr *>(&sa), sizeof sa, host, sizeof host,
                                   nullptr, 0, NI_NAMEREQD);
            if (rc != 0)
                return gaiToWinsock(rc);
            *out = QByteArray(host);
            return 0;
        },
        &result);
    if (ok && name)
        *name = QString::fromUtf8(result);
    return ok;
}

SocketAddress SocketAddress::ipv4(quint32 address, quint16 port)
{
    SocketAddress a;
    a.family = Family::V4;
    const quint32 network = htonl(address);
    std::memcpy(a.bytes.data(), &network, 4);
    a.port = port;
    return a;
}

SocketAddress SocketAddress::any(Family family, quint16 port)
{
    SocketAddress a;
    a.family = family;
    a.port = port;
    return a;
}

quint32 SocketAddress::ipv4Address() const
{
    if (family != Family::V4)
        return 0;
    quint32 network;
    std::memcpy(&network, bytes.data(), 4);
    return ntohl(network);
}

QString SocketAddress::text() const
{
    char buffer[INET6_ADDRSTRLEN] = {};
    if (family == Family::V4)
        ::inet_ntop(AF_INET, bytes.data(), buffer, sizeof buffer);
    else if (family == Family::V6)
        ::inet_ntop(AF_INET6, bytes.data(), buffer, sizeof buffer);
    QString text = QString::fromLatin1(buffer);
    if (family == Family::V6 && scope)
        text += QLatin1Char('%') + QString::number(scope);
    return text;
}

namespace {

// getaddrinfo's answer as a list, in its order, without repeats.
int addressesOf(const QByteArray &host, int flags, QList<SocketAddress> *out)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo *res = nullptr;
    const int rc = ::getaddrinfo(host.constData(), nullptr, &hints, &res);
    if (rc != 0 || !res)
        return gaiToWinsock(rc);
    for (addrinfo *i = res; i; i = i->ai_next) {
        const SocketAddress a = fromSystem(i->ai_addr);
        if (a.isValid() && !out->contains(a))
            out->append(a);
    }
    ::freeaddrinfo(res);
    return out->isEmpty() ? WSANO_DATA : 0;
}

} // namespace

bool parseAddress(const QString &text, SocketAddress *address)
{
    const QByteArray t = text.trimmed().toLatin1();
    if (t.isEmpty())
        return false;
    QList<SocketAddress> found;
    // Numeric only, so a zone name ("%lo") is the one thing looked up.
    if (addressesOf(t, AI_NUMERICHOST, &found) != 0)
        return false;
    if (address)
        *address = found.first();
    return true;
}

bool lookupHost(const QString &name, QList<SocketAddress> *addresses)
{
    SocketAddress numeric;
    if (parseAddress(name, &numeric)) {
        if (addresses)
            *addresses = {numeric};
        return true;
    }
    const QByteArray host = name.trimmed().toUtf8();
    if (host.isEmpty())
        return fail(WSAHOST_NOT_FOUND), false;
    QList<SocketAddress> result;
    const bool ok = runLookup<QList<SocketAddress>>(
        [host](QList<SocketAddress> *out) { return addressesOf(host, 0, out); }, &result);
    if (ok && addresses)
        *addresses = result;
    return ok;
}

QString gethostname()
{
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0)
        return {};
    return QString::fromUtf8(buf);
}

void idleWait(int maxMs)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (maxMs <= 0)
        return;
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(maxMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

quint32 tickCount()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<quint32>(clock.elapsed());
}

} // namespace kav::ws
