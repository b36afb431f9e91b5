#pragma once
// Sockets with the behaviour of Windows Sockets 1.1 on a single UI thread.
//
// Every socket is non-blocking underneath. A socket in "blocking mode" (the
// default) makes recv/send/accept/connect wait in short poll slices while the
// Qt event loop keeps running between slices, exactly like the 1.1 blocking
// hook: buttons keep working and handlers nest inside the wait. Only one such
// blocking call may be in progress; another one fails with WSAEINPROGRESS, and
// cancelBlockingCall() makes the waiting one fail with WSAEINTR.
//
// Errors are reported as Windows Sockets numbers through lastError(), so that
// the error texts of the network tools apply unchanged.

#include <QList>
#include <QString>
#include <QtGlobal>
#include <array>
#include <functional>

namespace kav::ws {

using Socket = qintptr;
inline constexpr Socket InvalidSocket = -1;
inline constexpr int SocketError = -1;

enum : int {
    WSAEINTR = 10004,
    WSAEBADF = 10009,
    WSAEACCES = 10013,
    WSAEFAULT = 10014,
    WSAEINVAL = 10022,
    WSAEMFILE = 10024,
    WSAEWOULDBLOCK = 10035,
    WSAEINPROGRESS = 10036,
    WSAEALREADY = 10037,
    WSAENOTSOCK = 10038,
    WSAEMSGSIZE = 10040,
    WSAEPROTONOSUPPORT = 10043,
    WSAEOPNOTSUPP = 10045,
    WSAEAFNOSUPPORT = 10047,
    WSAEADDRINUSE = 10048,
    WSAEADDRNOTAVAIL = 10049,
    WSAENETDOWN = 10050,
    WSAENETUNREACH = 10051,
    WSAENETRESET = 10052,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAENOBUFS = 10055,
    WSAEISCONN = 10056,
    WSAENOTCONN = 10057,
    WSAESHUTDOWN = 10058,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSAELOOP = 10062,
    WSAENAMETOOLONG = 10063,
    WSAEHOSTDOWN = 10064,
    WSAEHOSTUNREACH = 10065,
    WSAENOTEMPTY = 10066,
    WSAEDQUOT = 10069,
    WSAESTALE = 10070,
    WSANOTINITIALISED = 10093,
    WSAHOST_NOT_FOUND = 11001,
    WSATRY_AGAIN = 11002,
    WSANO_RECOVERY = 11003,
    WSANO_DATA = 11004,
};

// Events of asyncSelect (only the connect event is used).
inline constexpr long FD_READ = 0x01;
inline constexpr long FD_CONNECT = 0x10;
inline constexpr long FD_CLOSE = 0x20;

// The message numbers that connect notifications carry (user message base 1024 + n).
inline constexpr int WM_USER = 1024;

// WSAStartup / WSACleanup. startup() fails only when the platform has no sockets.
bool startup();
void cleanup();
bool isStarted();
QString description();   // "WinSock 1.1 compatible layer ..."
QString systemStatus();  // "Running"

int lastError();
void setLastError(int code);
// errno value to Windows Sockets number.
int errnoToWinsock(int err);
// The error text table: text + "(" + code + ")".
QString errorText(int code);

Socket socket();  // stream socket, IPv4, protocol 0
int closesocket(Socket s);

// Addresses are IPv4 in host byte order here, ports in host byte order.
int connect(Socket s, quint32 address, quint16 port);
int bind(Socket s, quint32 address, quint16 port);
int listen(Socket s, int backlog);
Socket accept(Socket s, quint32 *peerAddress = nullptr, quint16 *peerPort = nullptr);
int send(Socket s, const char *data, int length);
int recv(Socket s, char *buffer, int length);
bool getsockname(Socket s, quint32 *address, quint16 *port);
bool getpeername(Socket s, quint32 *address, quint16 *port);
int shutdown(Socket s, int how);  // 0 receive, 1 send, 2 both

// ---- both address families --------------------------------------------------
// The calls above speak IPv4 as the Parts do; the FTP session also reaches
// IPv6 hosts through the ones below.

// An IPv4 or IPv6 address with a port, in this layer's own form.
struct SocketAddress {
    enum class Family : quint8 { None, V4, V6 };
    Family family = Family::None;
    std::array<quint8, 16> bytes{};  // network order; IPv4 uses the first four
    quint32 scope = 0;               // the zone of an IPv6 link-local address
    quint16 port = 0;

    static SocketAddress ipv4(quint32 address, quint16 port = 0);  // host byte order
    // The "any" address of a family (a listener on every interface).
    static SocketAddress any(Family family, quint16 port = 0);
    bool isValid() const { return family != Family::None; }
    bool isIpv6() const { return family == Family::V6; }
    quint32 ipv4Address() const;  // host byte order; 0 unless IPv4
    // "127.0.0.1", "::1", "fe80::1%2"; empty when invalid.
    QString text() const;
    // The same host, whatever the port.
    bool sameHost(const SocketAddress &other) const
    {
        return family == other.family && bytes == other.bytes && scope == other.scope;
    }
    bool operator==(const SocketAddress &) const = default;
};

// A numeric address of either family ("10.1.2.3", "::1", "fe80::1%lo"), or false.
bool parseAddress(const QString &text, SocketAddress *address);
// Every address of a host name, both families, in the system's order of
// preference (numeric text is taken as it is). Runs on a worker thread while
// events are pumped, like gethostbyname.
bool lookupHost(const QString &name, QList<SocketAddress> *addresses);

Socket socket(SocketAddress::Family family);
int connect(Socket s, const SocketAddress &to);
int bind(Socket s, const SocketAddress &local);
Socket accept(Socket s, SocketAddress *peer);
bool getsockname(Socket s, SocketAddress *address);
bool getpeername(Socket s, SocketAddress *address);

// The state of a connect under way on a non-blocking socket, after waiting at
// most waitMs for it (without processing events): 0 connected,
// WSAEWOULDBLOCK still under way, or the error that ended it.
int connectStatus(Socket s, int waitMs);

// ioctlsocket(FIONBIO): a non-blocking socket fails with WSAEWOULDBLOCK instead of waiting.
int setNonBlocking(Socket s, bool on);

// SO_RCVTIMEO and SO_SNDTIMEO together: a blocking call on the socket (recv,
// send, accept, or a TLS layer's wait on it) that waits longer than `ms`
// without the socket becoming ready fails with WSAETIMEDOUT. 0: no limit.
int setTimeLimit(Socket s, int ms);

// What the peer has done, seen without reading anything: data waits, it
// closed its end (or the connection broke), or neither yet.
enum class PeerState { Quiet, DataWaiting, Closed };
PeerState peekPeer(Socket s);

// WSAAsyncSelect: with FD_CONNECT, the socket becomes non-blocking and, when the
// connect completes, the message filter receives (message, FD_CONNECT, error).
// With FD_READ/FD_CLOSE, every readable moment posts (message, FD_READ, 0), and
// the end of the stream (message, FD_CLOSE, 0). events == 0 cancels the notification.
int asyncSelect(Socket s, int message, long events);

// The application-wide message filter (the main window's AppMessage).
using MessageFilter = std::function<void(int message, long event, int error)>;
void setMessageFilter(MessageFilter filter);
// WSAAsyncSelect towards one window of its own: the socket's notices go to
// `target` instead of the application-wide filter (the remote execution window).
int asyncSelect(Socket s, int message, long events, MessageFilter target);

// setsockopt(SO_OOBINLINE) and setsockopt(SO_LINGER).
int setOobInline(Socket s, bool on);
int setLinger(Socket s, bool on, int seconds);

// A blocking wait on a descriptor that is not one of these sockets (the ICMP
// echo layer): counts as the one blocking call in progress, keeps the event
// loop running, ends early on cancelBlockingCall(). Returns 1 when ready, 0 when
// timeoutMs passed, -1 when cancelled (lastError() WSAEINTR) or another
// blocking call is already in progress (WSAEINPROGRESS).
int waitDescriptor(int fd, short pollEvents, int timeoutMs);

// The blocking call of a layer above these sockets (the TLS layer), for its
// whole duration: it counts as the one blocking call in progress, and its waits
// keep the event loop running exactly as recv/send do. ok() is false (lastError()
// WSAEINPROGRESS) when another blocking call is already in progress.
class BlockingWait {
public:
    BlockingWait();
    ~BlockingWait();
    BlockingWait(const BlockingWait &) = delete;
    BlockingWait &operator=(const BlockingWait &) = delete;
    bool ok() const { return owned; }
    // Waits until `s` is readable (or writable), processing events between
    // slices. False with lastError() set when the call was cancelled (WSAEINTR),
    // the socket was closed by a handler meanwhile (WSAENOTSOCK), `stop` said so
    // (WSAEINTR) or the deadline (a tickCount() value, 0: none) passed (WSAETIMEDOUT).
    bool wait(Socket s, bool forWrite, quint32 deadline = 0, const std::function<bool()> &stop = {});
    // Before an attempt that may find its socket ready: processes events once a
    // run of ready calls has lasted a poll slice, so that the stop button gets in
    // while data keeps coming. False (lastError() set) when that cancelled the call.
    bool pumpWhenDue(Socket s);

private:
    bool owned = false;
};

// WSAIsBlocking / WSACancelBlockingCall.
bool isBlocking();
void cancelBlockingCall();

// inet_addr: dotted IPv4 text to address; false when it is not one.
bool inetAddr(const QString &text, quint32 *address);
QString inetNtoa(quint32 address);
// gethostbyname (first IPv4 address). Runs on a worker thread while events are
// pumped; fails with lastError() set (WSAHOST_NOT_FOUND, ...).
bool gethostbyname(const QString &name, quint32 *address);
// gethostbyaddr: the host's name, or false.
bool gethostbyaddr(quint32 address, QString *name);
QString gethostname();

// Processes pending events; when there were none, waits for the next event at
// most maxMs milliseconds. Waiting loops use it so that they do not spin a core.
void idleWait(int maxMs);

// The number of milliseconds since an arbitrary start, 32 bits, wrapping (GetTickCount).
quint32 tickCount();

} // namespace kav::ws
