#pragma once
// ICMP echo, in place of the system's ICMP helper library: one echo request with
// a time-to-live and a time limit, and its answer.
//
// An unprivileged ICMP datagram ("ping") socket is used where the system allows
// it, a raw ICMP socket otherwise. Every answer is matched to its request
// (address, identifier, sequence number), so a late answer to an earlier echo
// is never taken for the answer to a later one. A "time to live exceeded" or
// "unreachable" answer from a router comes back as its own status with the
// router's address (on a ping socket it arrives on the socket's error queue).
//
// The wait for the answer is a blocking call of the socket layer: the event loop
// keeps running, and ws::cancelBlockingCall() ends it at once.

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <memory>

namespace kav::icmp {

// IP status codes of the echo answer (the numbers of the ICMP helper library).
enum Status : int {
    Success = 0,
    DestNetUnreachable = 11002,
    DestHostUnreachable = 11003,
    DestProtUnreachable = 11004,
    DestPortUnreachable = 11005,
    NoResources = 11006,
    BadOption = 11007,
    PacketTooBig = 11009,
    TimedOut = 11010,
    BadRequest = 11011,
    BadRoute = 11012,
    TtlExpiredTransit = 11013,
    TtlExpiredReassembly = 11014,
    ParamProblem = 11015,
    SourceQuench = 11016,
    BadDestination = 11018,
    GeneralFailure = 11050,
};

// The request data every tool sends: 56 bytes of 0xAA.
inline constexpr int RequestSize = 56;

struct EchoReply {
    int replies = 0;          // 1 when anybody answered (echo reply, TTL exceeded, unreachable)
    int status = TimedOut;    // Success only for an echo reply from the target
    quint32 address = 0;      // who answered (host byte order)
    int roundTripMs = 0;
    int dataSize = 0;         // data bytes of the echo reply
    int ttl = 0;              // time-to-live of the answer's IP header
};

enum class SocketKind { Automatic, Datagram, Raw };

class EchoSocket {
public:
    // IcmpCreateFile: nullptr when no ICMP socket can be had (lastError() tells why).
    static std::unique_ptr<EchoSocket> open(SocketKind kind = SocketKind::Automatic);
    ~EchoSocket();
    EchoSocket(const EchoSocket &) = delete;
    EchoSocket &operator=(const EchoSocket &) = delete;

    bool isDatagram() const { return datagram; }
    quint16 identifier() const { return ident; }

    // IcmpSendEcho: sends `data` to `address` with the given time-to-live (1..255)
    // and waits at most timeoutMs for its answer. A cancelled wait ends with
    // status TimedOut and ws::lastError() WSAEINTR.
    EchoReply send(quint32 address, int ttl, const QByteArray &data, int timeoutMs);

private:
    EchoSocket(int fd, bool datagram);
    bool readAnswer(quint32 address, quint16 sequence, EchoReply &reply);
    bool readError(quint32 address, quint16 sequence, EchoReply &reply);
    // Drops what earlier echoes left behind: late router errors on the error queue and
    // the socket's pending error, which would otherwise fail the next send.
    void discardPending();

    int fd = -1;
    bool datagram = false;
    quint16 ident = 0;
    quint16 nextSequence = 1;
};

// A packet read from a raw ICMP socket (IP header first): true when it is the
// answer to the echo (address, identifier, sequence), with `reply` filled in.
// Anything else on the wire, truncated or hostile packets included, is not.
bool matchRawAnswer(QByteArrayView packet, quint32 address, quint16 ident, quint16 sequence, EchoReply &reply);

// The error of the last failed open().
int lastOpenError();

// Text of an IP status, in the form of the socket error texts: text + "(" + code + ")".
// Where a status number is also a socket error number (11002 ... 11004), the IP
// status text is the one meant after an echo.
QString statusText(int status);
// The text of an error code read after an echo: the IP status text for the
// ICMP numbers, the socket error text for everything else.
QString echoErrorText(int code);

} // namespace kav::icmp
