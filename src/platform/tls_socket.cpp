#include "tls_socket.h"

#include <QDateTime>
#include <QStringList>
#include <QTimeZone>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cerrno>
#include <sys/socket.h>

namespace kav::tls {

namespace {

// The socket's bytes through OpenSSL without its own socket BIO, whose write()
// would raise SIGPIPE on a connection the server reset.
int bioWrite(BIO *bio, const char *data, int length)
{
    BIO_clear_retry_flags(bio);
    const int fd = int(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
    for (;;) {
        const ssize_t n = ::send(fd, data, size_t(length), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0)
            return int(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            BIO_set_retry_write(bio);
        return -1;
    }
}

int bioRead(BIO *bio, char *buffer, int length)
{
    BIO_clear_retry_flags(bio);
    const int fd = int(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, size_t(length), MSG_DONTWAIT);
        if (n >= 0)
            return int(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            BIO_set_retry_read(bio);
        return -1;
    }
}

long bioControl(BIO *, int command, long, void *)
{
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int bioCreate(BIO *bio)
{
    BIO_set_init(bio, 1);
    return 1;
}

BIO_METHOD *socketMethod()
{
    static BIO_METHOD *method = [] {
        BIO_METHOD *m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "kavrin socket");
        BIO_meth_set_write(m, bioWrite);
        BIO_meth_set_read(m, bioRead);
        BIO_meth_set_ctrl(m, bioControl);
        BIO_meth_set_create(m, bioCreate);
        return m;
    }();
    return method;
}

QString opensslError()
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (!code)
        return {};
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return QString::fromLatin1(text);
}

QString nameText(X509_NAME *name)
{
    if (!name)
        return {};
    BIO *out = BIO_new(BIO_s_mem());
    X509_NAME_print_ex(out, name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char *bytes = nullptr;
    const long n = BIO_get_mem_data(out, &bytes);
    const QString text = QString::fromUtf8(bytes, n);
    BIO_free(out);
    return text;
}

QString timeText(const ASN1_TIME *time)
{
    tm t{};
    if (!time || ASN1_TIME_to_tm(time, &t) != 1)
        return {};
    const QDateTime when(QDate(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday),
                         QTime(t.tm_hour, t.tm_min, t.tm_sec), Qt::UTC);
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" UTC");
}

QString verifyProblem(long code)
{
    switch (code) {
    case X509_V_OK:
        return {};
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        return QStringLiteral("자체 서명된 인증서입니다.");
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return QStringLiteral("신뢰할 수 있는 인증 기관이 발급한 인증서가 아닙니다.");
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return QStringLiteral("인증서의 유효 기간이 지났습니다.");
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return QStringLiteral("인증서가 아직 유효하지 않습니다.");
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return QStringLiteral("인증서가 이 호스트의 이름이나 주소에 발급된 것이 아닙니다.");
    case X509_V_ERR_CERT_REVOKED:
        return QStringLiteral("폐기된 인증서입니다.");
    default:
        return QStringLiteral("인증서를 확인하지 못했습니다. (%1)")
            .arg(QString::fromLatin1(X509_verify_cert_error_string(code)));
    }
}

} // namespace

QString storedFingerprint(const QString &fingerprint)
{
    QString hex;
    for (const QChar c : fingerprint)
        if (c.isLetterOrNumber())
            hex += c.toUpper();
    return hex;
}

// One per control connection: the data connections share its settings and the
// newest session the server handed out (TLS 1.3 sends its tickets after the
// handshake, so the session is taken when it arrives, not at the handshake's end).
struct TlsSocket::Context {
    SSL_CTX *ctx = nullptr;
    SSL_SESSION *session = nullptr;
    QString fingerprint;   // the control connection's certificate

    Context()
    {
        ctx = SSL_CTX_new(TLS_client_method());
        if (!ctx)
            return;
        SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
        // The check's verdict is read after the handshake: a failing certificate
        // is the user's question, not an aborted handshake.
        SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
        SSL_CTX_set_default_verify_paths(ctx);
        SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
        SSL_CTX_set_app_data(ctx, this);
        SSL_CTX_sess_set_new_cb(ctx, [](SSL *ssl, SSL_SESSION *s) -> int {
            auto *self = static_cast<Context *>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
            if (self->session)
                SSL_SESSION_free(self->session);
            self->session = s;
            return 1;  // kept
        });
    }
    ~Context()
    {
        if (session)
            SSL_SESSION_free(session);
        if (ctx)
            SSL_CTX_free(ctx);
    }
};

TlsSocket::TlsSocket(ws::Socket socket)
    : fd(socket)
{
}

TlsSocket::~TlsSocket()
{
    if (ssl)
        SSL_free(ssl);
}

TlsSocket::Outcome TlsSocket::handshake(const QString &hostName, const TlsSocket *resume,
                                        quint32 deadline, const std::function<bool()> &stop)
{
    ERR_clear_error();
    context = resume ? resume->context : std::make_shared<Context>();
    if (!context->ctx || !(ssl = SSL_new(context->ctx))) {
        lastText = opensslError();
        return Outcome::Failed;
    }
    BIO *bio = BIO_new(socketMethod());
    BIO_set_data(bio, reinterpret_cast<void *>(intptr_t(fd)));
    SSL_set_bio(ssl, bio, bio);

    const QByteArray host = hostName.trimmed().toUtf8();
    X509_VERIFY_PARAM *param = SSL_get0_param(ssl);
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    unsigned char address[16];
    if (::inet_pton(AF_INET, host.constData(), address) == 1
        || ::inet_pton(AF_INET6, host.constData(), address) == 1) {
        X509_VERIFY_PARAM_set1_ip_asc(param, host.constData());
    } else {
        X509_VERIFY_PARAM_set1_host(param, host.constData(), 0);
        SSL_set_tlsext_host_name(ssl, host.constData());
    }
    if (resume && context->session)
        SSL_set_session(ssl, context->session);

    ws::BlockingWait call;
    if (!call.ok()) {
        lastText = ws::errorText(ws::lastError());
        return Outcome::Failed;
    }
    for (;;) {
        const int r = SSL_connect(ssl);
        if (r == 1)
            break;
        const int e = SSL_get_error(ssl, r);
        if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
            if (!call.wait(fd, e == SSL_ERROR_WANT_WRITE, deadline, stop)) {
                lastText = ws::errorText(ws::lastError());
                return ws::lastError() == ws::WSAETIMEDOUT ? Outcome::TimedOut
                    : ws::lastError() == ws::WSAEINTR      ? Outcome::Cancelled
                                                           : Outcome::Failed;
            }
            continue;
        }
        const int savedErrno = errno;
        lastText = opensslError();
        if (e == SSL_ERROR_ZERO_RETURN || (e == SSL_ERROR_SYSCALL && lastText.isEmpty())
            || lastText.contains(QLatin1String("unexpected eof"))) {
            if (lastText.isEmpty() && savedErrno)
                lastText = ws::errorText(ws::errnoToWinsock(savedErrno));
            return Outcome::Closed;
        }
        return Outcome::Failed;
    }
    if (!resume)
        context->fingerprint = peerCertificate().fingerprint;
    return Outcome::Done;
}

int TlsSocket::read(char *buffer, int length)
{
    if (!ssl)
        return ws::setLastError(ws::WSAENOTCONN), ws::SocketError;
    if (sawPeerClose)
        return 0;
    std::unique_ptr<ws::BlockingWait> call;
    if (!nonBlocking) {
        call = std::make_unique<ws::BlockingWait>();
        if (!call->ok())
            return ws::SocketError;
    }
    for (;;) {
        if (call && !call->pumpWhenDue(fd))
            return ws::SocketError;
        ERR_clear_error();
        const int n = SSL_read(ssl, buffer, length);
        if (n > 0)
            return n;
        const int e = SSL_get_error(ssl, n);
        if (e == SSL_ERROR_ZERO_RETURN) {
            sawPeerClose = true;
            return 0;
        }
        if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
            if (!call)
                return ws::setLastError(ws::WSAEWOULDBLOCK), ws::SocketError;
            if (!call->wait(fd, e == SSL_ERROR_WANT_WRITE))
                return ws::SocketError;
            continue;
        }
        const int savedErrno = errno;
        lastText = opensslError();
        ws::setLastError(e == SSL_ERROR_SYSCALL && savedErrno ? ws::errnoToWinsock(savedErrno)
                                                              : ws::WSAECONNABORTED);
        return ws::SocketError;
    }
}

int TlsSocket::write(const char *data, int length)
{
    if (!ssl)
        return ws::setLastError(ws::WSAENOTCONN), ws::SocketError;
    ws::BlockingWait call;
    if (!call.ok())
        return ws::SocketError;
    int sent = 0;
    while (sent < length) {
        if (!call.pumpWhenDue(fd))
            return ws::SocketError;
        ERR_clear_error();
        const int n = SSL_write(ssl, data + sent, length - sent);
        if (n > 0) {
            sent += n;
            continue;
        }
        const int e = SSL_get_error(ssl, n);
        if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
            if (!call.wait(fd, e == SSL_ERROR_WANT_WRITE))
                return ws::SocketError;
            continue;
        }
        const int savedErrno = errno;
        lastText = opensslError();
        ws::setLastError(e == SSL_ERROR_SYSCALL && savedErrno ? ws::errnoToWinsock(savedErrno)
                                                              : ws::WSAECONNRESET);
        return ws::SocketError;
    }
    return sent;
}

bool TlsSocket::shutdown(bool waitForPeer, quint32 deadline)
{
    if (!ssl)
        return false;
    ERR_clear_error();
    if (!sentClose) {
        // close_notify is one small record: it fits the socket's buffer unless
        // the connection is already stuck, and then nothing is waited for.
        sentClose = true;
        if (SSL_shutdown(ssl) < 0) {
            ERR_clear_error();
            return false;
        }
    }
    if (sawPeerClose || !waitForPeer)
        return sawPeerClose;
    ws::BlockingWait call;
    if (!call.ok())
        return false;
    char discard[16384];
    for (;;) {
        ERR_clear_error();
        const int n = SSL_read(ssl, discard, sizeof discard);
        if (n > 0)
            continue;
        const int e = SSL_get_error(ssl, n);
        if (e == SSL_ERROR_ZERO_RETURN) {
            sawPeerClose = true;
            return true;
        }
        if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) {
            ERR_clear_error();
            return false;
        }
        if (!call.wait(fd, e == SSL_ERROR_WANT_WRITE, deadline))
            return false;
    }
}

PeerCertificate TlsSocket::peerCertificate() const
{
    PeerCertificate c;
    X509 *cert = ssl ? SSL_get1_peer_certificate(ssl) : nullptr;
    if (!cert) {
        c.problem = QStringLiteral("서버가 인증서를 보내지 않았습니다.");
        return c;
    }
    c.present = true;
    c.subject = nameText(X509_get_subject_name(cert));
    c.issuer = nameText(X509_get_issuer_name(cert));
    c.validFrom = timeText(X509_get0_notBefore(cert));
    c.validUntil = timeText(X509_get0_notAfter(cert));
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int mdLength = 0;
    if (X509_digest(cert, EVP_sha256(), md, &mdLength) == 1) {
        QStringList pairs;
        for (unsigned int i = 0; i < mdLength; ++i)
            pairs << QStringLiteral("%1").arg(md[i], 2, 16, QLatin1Char('0')).toUpper();
        c.fingerprint = pairs.join(QLatin1Char(':'));
    }
    X509_free(cert);
    const long verdict = SSL_get_verify_result(ssl);
    c.problem = verifyProblem(verdict);
    c.trusted = verdict == X509_V_OK;
    // A data connection must come from the server the control connection checked.
    if (context && !context->fingerprint.isEmpty() && context->fingerprint != c.fingerprint) {
        c.trusted = false;
        c.problem = QStringLiteral("데이터 연결의 인증서가 제어 연결의 인증서와 다릅니다.");
    }
    return c;
}

QString TlsSocket::protocol() const
{
    return ssl ? QString::fromLatin1(SSL_get_version(ssl)) : QString();
}

QString TlsSocket::cipher() const
{
    return ssl ? QString::fromLatin1(SSL_get_cipher_name(ssl)) : QString();
}

bool TlsSocket::sessionReused() const
{
    return ssl && SSL_session_reused(ssl);
}

} // namespace kav::tls
