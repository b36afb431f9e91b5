#pragma once
// TLS over the sockets of winsock.h (OpenSSL), keeping their blocking model:
// the handshake, reads and writes wait in the same event-pumping slices as
// recv/send, count as the one blocking call in progress, end with WSAEINTR on
// cancelBlockingCall(), and fail with the same Windows Sockets numbers.
//
// The program is always the TLS client, also on the data connections an FTP
// server opens towards it (active mode). A data connection resumes the control
// connection's TLS session: servers tie the two together that way.
//
//     TlsSocket tls(socket);
//     if (tls.handshake("ftp.example.org", nullptr, deadline, stop)) ...
//     tls.write(...); tls.read(...);   // like ws::send / ws::recv
//     tls.shutdown(deadline);          // close_notify sent and the server's read
//     ws::closesocket(socket);         // the socket stays the caller's

#include "winsock.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

struct ssl_st;

namespace kav::tls {

// What the certificate check found about the server's certificate.
struct PeerCertificate {
    bool present = false;
    bool trusted = false;      // chain to the system's trust store and name both good
    QString problem;           // why not, in Korean; empty when trusted
    QString subject;
    QString issuer;
    QString validFrom;         // "2026-12-10 17:00:00 UTC"
    QString validUntil;
    QString fingerprint;       // SHA-256, upper-case hex pairs joined by ':'
};

// "AB:CD:..." or "abcd..." to the stored form: 64 upper-case hex digits.
QString storedFingerprint(const QString &fingerprint);

class TlsSocket {
public:
    // The socket must be a connected one of winsock.h; it is not closed here.
    explicit TlsSocket(ws::Socket socket);
    ~TlsSocket();
    TlsSocket(const TlsSocket &) = delete;
    TlsSocket &operator=(const TlsSocket &) = delete;

    ws::Socket socket() const { return fd; }

    enum class Outcome { Done, Failed, Closed, TimedOut, Cancelled };
    // The client's handshake. `hostName` (name or dotted address) is checked
    // against the certificate; `resume` (the control connection) lends its
    // context and session. deadline: a ws::tickCount() value, 0 for none.
    // `stop` is asked between waits. errorText() says what failed.
    Outcome handshake(const QString &hostName, const TlsSocket *resume, quint32 deadline,
                      const std::function<bool()> &stop = {});

    // Like ws::recv / ws::send: bytes moved, 0 at the end of the data (the
    // server's close_notify), SocketError with ws::lastError() set. An end of
    // the connection without close_notify is an error (a cut-off file must not
    // look complete): WSAECONNABORTED.
    int read(char *buffer, int length);
    int write(const char *data, int length);
    // Reads without waiting: WSAEWOULDBLOCK when no application data is there.
    void setNonBlocking(bool on) { nonBlocking = on; }

    // Sends close_notify and, when waitForPeer, reads until the server's own
    // close_notify (data still coming is discarded) or the end of the
    // connection, at most until deadline. True when both were exchanged.
    bool shutdown(bool waitForPeer, quint32 deadline);
    // The server's close_notify was read.
    bool peerClosed() const { return sawPeerClose; }

    PeerCertificate peerCertificate() const;
    QString protocol() const;   // "TLSv1.3"
    QString cipher() const;     // "TLS_AES_256_GCM_SHA384"
    bool sessionReused() const;
    QString errorText() const { return lastText; }

private:
    struct Context;
    ws::Socket fd;
    std::shared_ptr<Context> context;
    ::ssl_st *ssl = nullptr;
    bool nonBlocking = false;
    bool sawPeerClose = false;
    bool sentClose = false;
    QString lastText;
};

} // namespace kav::tls
