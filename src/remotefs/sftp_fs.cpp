#include "sftp_fs.h"

#include "ftp/host_path.h"
#include "platform/cp949.h"
#include "platform/event_pump.h"
#include "platform/utf8x.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <libssh2.h>
#include <libssh2_sftp.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kav {

namespace {

constexpr auto Host = TranscriptSide::Host;
constexpr auto Local = TranscriptSide::Local;

// How much of an upload is in flight, unacknowledged: as much as OpenSSH's
// own client keeps (64 requests of 32 KiB), and no more than its server's
// channel window, because libssh2 counts no acknowledgement while any of the
// data handed to it still waits for that window to open.
constexpr size_t WriteBehindBytes = 2u << 20;

// Error statuses of SFTP that mean "the server will not", as FTP's 550 does.
bool isRefusal(unsigned long status)
{
    switch (status) {
    case LIBSSH2_FX_NO_SUCH_FILE:
    case LIBSSH2_FX_PERMISSION_DENIED:
    case LIBSSH2_FX_FAILURE:
    case LIBSSH2_FX_NO_SUCH_PATH:
    case LIBSSH2_FX_FILE_ALREADY_EXISTS:
    case LIBSSH2_FX_WRITE_PROTECT:
    case LIBSSH2_FX_DIR_NOT_EMPTY:
    case LIBSSH2_FX_NOT_A_DIRECTORY:
    case LIBSSH2_FX_INVALID_FILENAME:
    case LIBSSH2_FX_LINK_LOOP:
        return true;
    default:
        return false;
    }
}

QString statusText(unsigned long status)
{
    switch (status) {
    case LIBSSH2_FX_NO_SUCH_FILE:
    case LIBSSH2_FX_NO_SUCH_PATH:
        return QStringLiteral("그런 파일이나 디렉토리가 없습니다.");
    case LIBSSH2_FX_PERMISSION_DENIED:
    case LIBSSH2_FX_WRITE_PROTECT:
        return QStringLiteral("권한이 없습니다.");
    case LIBSSH2_FX_FILE_ALREADY_EXISTS:
        return QStringLiteral("같은 이름이 이미 있습니다.");
    case LIBSSH2_FX_DIR_NOT_EMPTY:
        return QStringLiteral("디렉토리가 비어 있지 않습니다.");
    case LIBSSH2_FX_NOT_A_DIRECTORY:
        return QStringLiteral("디렉토리가 아닙니다.");
    case LIBSSH2_FX_FAILURE:
        return QStringLiteral("서버가 요청을 수행하지 못했습니다.");
    default:
        return QStringLiteral("서버 오류 (상태 %1)").arg(status);
    }
}

QString keyTypeName(int type)
{
    switch (type) {
    case LIBSSH2_HOSTKEY_TYPE_RSA:
        return QStringLiteral("RSA");
    case LIBSSH2_HOSTKEY_TYPE_DSS:
        return QStringLiteral("DSA");
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_256:
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_384:
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_521:
        return QStringLiteral("ECDSA");
#ifdef LIBSSH2_HOSTKEY_TYPE_ED25519
    case LIBSSH2_HOSTKEY_TYPE_ED25519:
        return QStringLiteral("ED25519");
#endif
    default:
        return QStringLiteral("UNKNOWN");
    }
}

int knownHostKeyBits(int type)
{
    switch (type) {
    case LIBSSH2_HOSTKEY_TYPE_RSA:
        return LIBSSH2_KNOWNHOST_KEY_SSHRSA;
    case LIBSSH2_HOSTKEY_TYPE_DSS:
        return LIBSSH2_KNOWNHOST_KEY_SSHDSS;
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_256:
        return LIBSSH2_KNOWNHOST_KEY_ECDSA_256;
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_384:
        return LIBSSH2_KNOWNHOST_KEY_ECDSA_384;
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_521:
        return LIBSSH2_KNOWNHOST_KEY_ECDSA_521;
    case LIBSSH2_HOSTKEY_TYPE_ED25519:
        return LIBSSH2_KNOWNHOST_KEY_ED25519;
    default:
        return LIBSSH2_KNOWNHOST_KEY_UNKNOWN;
    }
}

// Blocking bits of the SFTP attributes into an entry.
RemoteEntry entryOf(QString name, const LIBSSH2_SFTP_ATTRIBUTES &a)
{
    RemoteEntry e;
    e.name = std::move(name);
    const bool haveMode = a.flags & LIBSSH2_SFTP_ATTR_PERMISSIONS;
    const unsigned long type = a.permissions & LIBSSH2_SFTP_S_IFMT;
    if (haveMode && type == LIBSSH2_SFTP_S_IFDIR)
        e.kind = EntryKind::Directory;
    else if (haveMode && type == LIBSSH2_SFTP_S_IFLNK)
        e.kind = EntryKind::Link;
    else if (haveMode && (a.permissions & 0111))
        e.kind = EntryKind::ExecutableFile;
    else
        e.kind = EntryKind::PlainFile;
    if (haveMode)
        e.mode = int(a.permissions & 07777);
    if ((a.flags & LIBSSH2_SFTP_ATTR_SIZE) && e.kind != EntryKind::Directory && e.kind != EntryKind::Link)
        e.size = qint64(a.filesize);
    if (a.flags & LIBSSH2_SFTP_ATTR_ACMODTIME)
        e.modified = QDateTime::fromSecsSinceEpoch(qint64(a.mtime), Qt::UTC);
    return e;
}

struct KbdAnswers {
    SftpFs *fs = nullptr;
    QString password;
    bool passwordUsed = false;
    std::function<bool(const QString &, bool, QString *)> ask;
};

void keyboardInteractive(const char *, int, const char *, int, int count, const LIBSSH2_USERAUTH_KBDINT_PROMPT *prompts,
                         LIBSSH2_USERAUTH_KBDINT_RESPONSE *responses, void **abstract)
{
    auto *answers = static_cast<KbdAnswers *>(*abstract);
    for (int i = 0; i < count; ++i) {
        const QString prompt = QString::fromUtf8(reinterpret_cast<const char *>(prompts[i].text), int(prompts[i].length));
        QString answer;
        // The profile's password answers the first password question; without
        // one the user is asked, as for any other question.
        if (!prompts[i].echo && prompt.contains(QLatin1String("assword")) && !answers->passwordUsed
            && !answers->password.isEmpty()) {
            answer = answers->password;
            answers->passwordUsed = true;
        } else if (answers->ask) {
            answers->ask(prompt, prompts[i].echo != 0, &answer);
        }
        const QByteArray bytes = answer.toUtf8();
        responses[i].text = static_cast<char *>(std::malloc(size_t(bytes.size()) + 1));
        std::memcpy(responses[i].text, bytes.constData(), size_t(bytes.size()) + 1);
        responses[i].length = unsigned(bytes.size());
    }
}

} // namespace

// A public call on the stack: a Disconnect inside one of its waits closes the
// connection only when the outermost call returns, so that no handle it
// holds is freed under it.
struct SftpFs::Call {
    SftpFs *fs;
    explicit Call(SftpFs *f) : fs(f) { ++fs->calls; }
    ~Call()
    {
        if (--fs->calls == 0 && fs->dropped)
            fs->closeAll();
    }
};

struct SftpFs::Native {
    LIBSSH2_SESSION *session = nullptr;
    KbdAnswers kbd;
};

SftpFs::SftpFs() : n(std::make_unique<Native>())
{
    static const bool initialised = libssh2_init(0) == 0;
    Q_UNUSED(initialised);
}

SftpFs::~SftpFs()
{
    closeAll();
}

QString SftpFs::lastErrorText() const
{
    if (!n->session)
        return {};
    char *message = nullptr;
    libssh2_session_last_error(n->session, &message, nullptr, 0);
    return message ? QString::fromUtf8(message) : QString();
}

long long SftpFs::run(const std::function<long long()> &step, int timeoutMs)
{
    if (!n->session || dropped)
        return LIBSSH2_ERROR_SOCKET_DISCONNECT;
    ws::BlockingWait hook;
    if (!hook.ok())
        return LIBSSH2_ERROR_EAGAIN;   // a request inside another's wait: refused, never interleaved
    const quint32 deadline = timeoutMs > 0 ? ws::tickCount() + quint32(timeoutMs) : 0;
    long long rc = LIBSSH2_ERROR_EAGAIN;
    for (;;) {
        rc = step();
        if (rc != LIBSSH2_ERROR_EAGAIN || dropped)
            break;
        const int directions = libssh2_session_block_directions(n->session);
        const bool forWrite = (directions & LIBSSH2_SESSION_BLOCK_OUTBOUND) && !(directions & LIBSSH2_SESSION_BLOCK_INBOUND);
        if (!hook.wait(sock, forWrite, deadline) || dropped)
            break;
    }
    return rc;
}

void SftpFs::cancel()
{
    if (ws::isBlocking())
        ws::cancelBlockingCall();
}

void SftpFs::closeAll()
{
    const bool wasOpen = n->session != nullptr;
    file = nullptr;
    behind.clear();
    behindStart = 0;
    listingOpen = false;
    closeResult = -1;
    sftp = nullptr;   // freed with the session
    if (n->session) {
        libssh2_session_free(n->session);
        n->session = nullptr;
    }
    if (sock != ws::InvalidSocket) {
        ws::closesocket(sock);
        sock = ws::InvalidSocket;
    }
    dropped = false;
    if (wasOpen)
        emit disconnected();
}

void SftpFs::drop()
{
    if (!n->session)
        return;
    if (calls > 0) {
        // A wait of ours is on the stack: it is ended, and the connection
        // closed once that call has left the library.
        dropped = true;
        ws::cancelBlockingCall();
        return;
    }
    closeAll();
}

void SftpFs::hangUp()
{
    if (ws::isBlocking())
        log(Host, QStringLiteral("Cancelled blocking call"));
    drop();
}

// ---- names --------------------------------------------------------------------------------

void SftpFs::noteName(QByteArrayView bytes)
{
    if (namesDecided || !std::any_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) >= 0x80; }))
        return;
    namesDecided = true;
    cp949Names = legacyCp949 && !utf8x::isValid(bytes);
}

QString SftpFs::decodeName(QByteArrayView bytes) const
{
    return cp949Names ? cp949::decode(bytes) : utf8x::decode(bytes);
}

QByteArray SftpFs::encodeName(const QString &name) const
{
    return cp949Names ? cp949::encode(name) : utf8x::encode(name);
}

QByteArray SftpFs::absolute(const QString &path) const
{
    return encodeName(path.startsWith(QLatin1Char('/')) ? path : joinHostPath(cwd, path));
}

FsResult SftpFs::outcome(int rc, const QString &what)
{
    FsResult r;
    if (rc == 0) {
        r.status = FsResult::Status::Done;
        r.answered = true;
        r.text = QStringLiteral("완료");
        log(Host, what + QStringLiteral(": 완료"));
        return r;
    }
    if (rc == LIBSSH2_ERROR_SFTP_PROTOCOL && sftp) {
        const unsigned long status = libssh2_sftp_last_error(sftp);
        r.code = int(status);
        r.answered = true;
        r.text = statusText(status);
        r.status = isRefusal(status) ? FsResult::Status::Refused : FsResult::Status::Failed;
        log(Host, what + QStringLiteral(": ") + r.text);
        return r;
    }
    r.text = rc == LIBSSH2_ERROR_EAGAIN ? QStringLiteral("중단되었습니다.") : lastErrorText();
    log(Host, what + QStringLiteral(": ") + r.text);
    if (rc != LIBSSH2_ERROR_EAGAIN) {
        log(Host, QStringLiteral("SSH 연결이 끊어졌습니다."));
        drop();
    }
    return r;
}

// ---- the connection ------------------------------------------------------------------------

SftpFs::ConnectResult SftpFs::connectTo(const SshLogin &login, int timeoutMs)
{
    const Call call(this);
    closeAll();
    timeLimitMs = timeoutMs;
    legacyCp949 = login.legacyNamesCp949;
    namesDecided = false;
    cp949Names = false;
    log(Local, QStringLiteral("SSH 접속: ") + login.host + QStringLiteral("  port ") + QString::number(login.port));

    sock = ws::socket(login.address.family);
    if (sock == ws::InvalidSocket)
        return ConnectResult::ConnectFailed;
    ws::setNonBlocking(sock, true);
    if (ws::connect(sock, login.address) == ws::SocketError) {
        if (ws::lastError() != ws::WSAEWOULDBLOCK) {
            log(Host, QStringLiteral("SSH 서버에 연결할 수 없습니다: ") + ws::errorText(ws::lastError()));
            closeAll();
            return ConnectResult::ConnectFailed;
        }
        ws::BlockingWait hook;
        const quint32 deadline = ws::tickCount() + quint32(timeoutMs);
        const bool ready = hook.ok() && hook.wait(sock, true, deadline);
        const int status = ready ? ws::connectStatus(sock, 0) : ws::lastError();
        if (!ready || status != 0) {
            const bool stopped = !ready && ws::lastError() == ws::WSAEINTR;
            log(Host, stopped ? QStringLiteral("접속을 중단했습니다.")
                              : QStringLiteral("SSH 서버에 연결할 수 없습니다: ") + ws::errorText(status));
            closeAll();
            if (stopped)
                return ConnectResult::Cancelled;
            return !ready && status == ws::WSAETIMEDOUT ? ConnectResult::TimedOut : ConnectResult::ConnectFailed;
        }
    }
    log(Host, QStringLiteral("연결되었습니다. SSH 핸드셰이크를 시작합니다."));

    n->kbd.fs = this;
    n->session = libssh2_session_init_ex(nullptr, nullptr, nullptr, &n->kbd);
    libssh2_session_set_blocking(n->session, 0);
    const long long hs = run([this] { return libssh2_session_handshake(n->session, libssh2_socket_t(sock)); }, timeoutMs);
    if (hs != 0) {
        const bool stopped = hs == LIBSSH2_ERROR_EAGAIN;
        log(Host, stopped ? QStringLiteral("접속을 중단했습니다.")
                          : QStringLiteral("SSH 핸드셰이크 실패: ") + lastErrorText());
        closeAll();
        return stopped ? ConnectResult::Cancelled : ConnectResult::HandshakeFailed;
    }
    if (!hostKeyAccepted(login)) {
        closeAll();
        return ConnectResult::HostKeyRefused;
    }
    if (!authenticate(login)) {
        // A connection that broke in the login is no refusal of the user's name or key.
        const bool broke = lostInLogin;
        closeAll();
        return broke ? ConnectResult::HandshakeFailed : ConnectResult::LoginRefused;
    }
    LIBSSH2_SFTP *opened = nullptr;
    run([this, &opened] {
        opened = libssh2_sftp_init(n->session);
        if (opened)
            return 0LL;
        return libssh2_session_last_errno(n->session) == LIBSSH2_ERROR_EAGAIN ? (long long)LIBSSH2_ERROR_EAGAIN : -1LL;
    }, timeoutMs);
    if (!opened) {
        log(Host, QStringLiteral("SFTP를 시작할 수 없습니다: ") + lastErrorText());
        closeAll();
        return ConnectResult::LoginRefused;
    }
    sftp = opened;
    // The server's starting directory (the user's home) is the working directory.
    cwd = QStringLiteral("/");
    QByteArray target(4096, '\0');
    const long long len = run([this, &target] {
        return libssh2_sftp_symlink_ex(sftp, ".", 1, target.data(), unsigned(target.size()), LIBSSH2_SFTP_REALPATH);
    });
    if (len > 0) {
        noteName(QByteArrayView(target.constData(), len));
        cwd = decodeName(QByteArrayView(target.constData(), len));
    }
    log(Host, QStringLiteral("SFTP 세션을 시작했습니다. 시작 디렉토리: ") + cwd);
    return ConnectResult::Connected;
}

bool SftpFs::hostKeyAccepted(const SshLogin &login)
{
    size_t length = 0;
    int type = 0;
    const char *key = libssh2_session_hostkey(n->session, &length, &type);
    const char *hash = libssh2_hostkey_hash(n->session, LIBSSH2_HOSTKEY_HASH_SHA256);
    if (!key || !hash) {
        log(Host, QStringLiteral("서버의 호스트 키를 읽을 수 없습니다."));
        return false;
    }
    SshHostKey shown;
    shown.type = keyTypeName(type);
    QByteArray b64 = QByteArray(hash, 32).toBase64();
    while (b64.endsWith('='))
        b64.chop(1);
    shown.fingerprint = QStringLiteral("SHA256:") + QString::fromLatin1(b64);
    shown.knownHostsFile = login.knownHostsFile;

    LIBSSH2_KNOWNHOSTS *known = libssh2_knownhost_init(n->session);
    const QByteArray file = QFile::encodeName(login.knownHostsFile);
    if (!login.knownHostsFile.isEmpty() && QFile::exists(login.knownHostsFile))
        libssh2_knownhost_readfile(known, file.constData(), LIBSSH2_KNOWNHOST_FILE_OPENSSH);
    // A host key alias names the key in known_hosts instead of the host and
    // its port, as OpenSSH's HostKeyAlias does.
    const bool aliased = !login.hostKeyAlias.isEmpty();
    const QByteArray host = (aliased ? login.hostKeyAlias : login.host).toUtf8();
    const int keyPort = aliased ? 22 : login.port;
    const int typeBits = LIBSSH2_KNOWNHOST_TYPE_PLAIN | LIBSSH2_KNOWNHOST_KEYENC_RAW | knownHostKeyBits(type);
    struct libssh2_knownhost *entry = nullptr;
    const int check = libssh2_knownhost_checkp(known, host.constData(), keyPort, key, length, typeBits, &entry);
    log(Host, QStringLiteral("호스트 키: ") + shown.type + QLatin1Char(' ') + shown.fingerprint);
    bool accepted = false;
    if (check == LIBSSH2_KNOWNHOST_CHECK_MATCH) {
        shown.standing = SshHostKey::Standing::Known;
        log(Host, QStringLiteral("알려진 호스트 키와 일치합니다."));
        accepted = true;
    } else if (check == LIBSSH2_KNOWNHOST_CHECK_MISMATCH) {
        shown.standing = SshHostKey::Standing::Changed;
        log(Host, QStringLiteral("경고: 호스트 키가 바뀌었습니다! 아무것도 보내지 않고 연결을 끊습니다."));
        if (hostKeyChanged)
            hostKeyChanged(shown);
    } else {
        shown.standing = SshHostKey::Standing::Unknown;
        const HostKeyVerdict verdict = judgeHostKey ? judgeHostKey(shown) : HostKeyVerdict::Cancel;
        if (verdict == HostKeyVerdict::Cancel) {
            log(Local, QStringLiteral("호스트 키를 받아들이지 않았습니다."));
        } else {
            accepted = !dropped && n->session;
            if (accepted && verdict == HostKeyVerdict::AcceptAlways && !login.knownHostsFile.isEmpty()) {
                // One line appended: the rest of the user's file stays as it was.
                const QByteArray name = keyPort == 22 ? host : "[" + host + "]:" + QByteArray::number(keyPort);
                struct libssh2_knownhost *added = nullptr;
                char line[16384];
                size_t lineLength = 0;
                QFile out(login.knownHostsFile);
                if (libssh2_knownhost_addc(known, name.constData(), nullptr, key, length, nullptr, 0, typeBits, &added) == 0
                    && libssh2_knownhost_writeline(known, added, line, sizeof line, &lineLength, LIBSSH2_KNOWNHOST_FILE_OPENSSH) == 0
                    && out.open(QIODevice::Append) && out.write(line, qint64(lineLength)) == qint64(lineLength) && out.flush())
                    log(Local, QStringLiteral("호스트 키를 저장했습니다: ") + login.knownHostsFile);
                else
                    log(Local, QStringLiteral("호스트 키를 저장할 수 없습니다: ") + login.knownHostsFile);
            }
        }
    }
    libssh2_knownhost_free(known);
    return accepted && n->session && !dropped;
}

bool SftpFs::authenticate(const SshLogin &login)
{
    lostInLogin = false;
    const QByteArray user = login.user.toUtf8();
    QString methods;
    {
        char *list = nullptr;
        run([&] {
            list = libssh2_userauth_list(n->session, user.constData(), unsigned(user.size()));
            if (list || libssh2_userauth_authenticated(n->session))
                return 0LL;
            return libssh2_session_last_errno(n->session) == LIBSSH2_ERROR_EAGAIN ? (long long)LIBSSH2_ERROR_EAGAIN : -1LL;
        });
        if (libssh2_userauth_authenticated(n->session))
            return true;
        methods = list ? QString::fromLatin1(list) : QString();
        if (!list && libssh2_session_last_errno(n->session) == LIBSSH2_ERROR_SOCKET_DISCONNECT) {
            lostInLogin = true;
            log(Host, QStringLiteral("SSH 연결이 끊어졌습니다."));
            return false;
        }
    }
    log(Host, QStringLiteral("서버가 받는 인증 방식: ") + methods);
    const QStringList offered = methods.split(QLatin1Char(','));

    if (offered.contains(QLatin1String("publickey")) && login.useAgent && !dropped) {
        LIBSSH2_AGENT *agent = libssh2_agent_init(n->session);
        if (agent && libssh2_agent_connect(agent) == 0 && libssh2_agent_list_identities(agent) == 0) {
            struct libssh2_agent_publickey *identity = nullptr, *previous = nullptr;
            while (!dropped && libssh2_agent_get_identity(agent, &identity, previous) == 0) {
                previous = identity;
                log(Local, QStringLiteral("에이전트의 키로 인증합니다: ") + QString::fromUtf8(identity->comment));
                if (run([&] { return libssh2_agent_userauth(agent, user.constData(), identity); }) == 0)
                    break;
            }
            libssh2_agent_disconnect(agent);
        }
        if (agent)
            libssh2_agent_free(agent);
        if (n->session && libssh2_userauth_authenticated(n->session)) {
            log(Host, QStringLiteral("인증되었습니다."));
            return true;
        }
    }
    if (offered.contains(QLatin1String("publickey"))) {
        for (const QString &keyFile : login.identityFiles) {
            if (dropped || !n->session || !QFile::exists(keyFile))
                continue;
            const QByteArray path = QFile::encodeName(keyFile);
            const QByteArray pub = QFile::exists(keyFile + QStringLiteral(".pub")) ? path + ".pub" : QByteArray();
            log(Local, QStringLiteral("키 파일로 인증합니다: ") + keyFile);
            auto attempt = [&](const QByteArray &passphrase) {
                return run([&] {
                    return libssh2_userauth_publickey_fromfile_ex(n->session, user.constData(), unsigned(user.size()),
                                                                  pub.isEmpty() ? nullptr : pub.constData(),
                                                                  path.constData(), passphrase.constData());
                });
            };
            long long rc = attempt(QByteArray(""));
            if (rc == LIBSSH2_ERROR_FILE || rc == LIBSSH2_ERROR_PUBLICKEY_UNVERIFIED) {
                // Encrypted, or not readable without its passphrase: the user is asked.
                QString passphrase;
                if (askPassphrase && askPassphrase(keyFile, &passphrase) && !dropped && n->session)
                    rc = attempt(passphrase.toUtf8());
            }
            if (rc == 0) {
                log(Host, QStringLiteral("인증되었습니다."));
                return true;
            }
        }
    }
    if (offered.contains(QLatin1String("password")) && !login.password.isEmpty() && !dropped && n->session) {
        log(Local, QStringLiteral("암호로 인증합니다."));
        const QByteArray password = login.password.toUtf8();
        if (run([&] {
                return libssh2_userauth_password_ex(n->session, user.constData(), unsigned(user.size()),
                                                    password.constData(), unsigned(password.size()), nullptr);
            }) == 0) {
            log(Host, QStringLiteral("인증되었습니다."));
            return true;
        }
    }
    if (offered.contains(QLatin1String("keyboard-interactive")) && !dropped && n->session) {
        log(Local, QStringLiteral("키보드 대화식으로 인증합니다."));
        n->kbd.password = login.password;
        n->kbd.passwordUsed = false;
        n->kbd.ask = askPrompt;
        if (run([&] {
                return libssh2_userauth_keyboard_interactive_ex(n->session, user.constData(), unsigned(user.size()),
                                                                &keyboardInteractive);
            }) == 0) {
            log(Host, QStringLiteral("인증되었습니다."));
            return true;
        }
    }
    // A connection that broke during the login is not a refused login.
    const int last = libssh2_session_last_errno(n->session);
    lostInLogin = last == LIBSSH2_ERROR_SOCKET_DISCONNECT || last == LIBSSH2_ERROR_SOCKET_RECV
               || last == LIBSSH2_ERROR_SOCKET_SEND;
    log(Host, lostInLogin ? QStringLiteral("SSH 연결이 끊어졌습니다.") : QStringLiteral("인증에 실패했습니다."));
    return false;
}

// ---- directories ---------------------------------------------------------------------------

FsListing SftpFs::list(const EntrySink &consume, const std::function<void()> &opened)
{
    const Call call(this);
    if (!connected() || transferUnderWay())
        return FsListing::Failed;
    const QByteArray path = absolute(cwd);
    log(Local, QStringLiteral("목록 읽기: ") + cwd);
    LIBSSH2_SFTP_HANDLE *dir = nullptr;
    const long long rc = run([&] {
        dir = libssh2_sftp_open_ex(sftp, path.constData(), unsigned(path.size()), 0, 0, LIBSSH2_SFTP_OPENDIR);
        if (dir)
            return 0LL;
        return (long long)libssh2_session_last_errno(n->session);
    });
    if (!dir) {
        const FsResult r = outcome(int(rc ? rc : -1), QStringLiteral("목록 읽기"));
        return r.refused() ? FsListing::Refused : FsListing::Failed;
    }
    listingOpen = true;
    if (opened)
        opened();
    FsListing result = FsListing::Received;
    qsizetype count = 0;
    QList<RemoteEntry> block;
    std::vector<char> name(4096), longEntry(4096);
    for (;;) {
        LIBSSH2_SFTP_ATTRIBUTES attrs{};
        const long long got = run([&] {
            return libssh2_sftp_readdir_ex(dir, name.data(), name.size(), longEntry.data(), longEntry.size(), &attrs);
        });
        if (got < 0) {
            outcome(int(got), QStringLiteral("목록 읽기"));
            result = FsListing::Broken;
            break;
        }
        if (got == 0)
            break;
        const QByteArrayView bytes(name.data(), qsizetype(got));
        if (bytes == "." || bytes == "..")
            continue;
        noteName(bytes);
        RemoteEntry entry = entryOf(decodeName(bytes), attrs);
        if (entry.kind == EntryKind::Link) {
            // A link is listed with the directories, as on FTP; its target is told where it leads.
            const QByteArray linkPath = absolute(joinHostPath(cwd, entry.name));
            std::vector<char> target(4096);
            const long long len = run([&] {
                return libssh2_sftp_symlink_ex(sftp, linkPath.constData(), unsigned(linkPath.size()), target.data(),
                                               unsigned(target.size()), LIBSSH2_SFTP_READLINK);
            });
            if (len > 0)
                entry.linkTarget = decodeName(QByteArrayView(target.data(), qsizetype(len)));
        }
        block.append(std::move(entry));
        ++count;
        if (block.size() >= 512) {
            if (!consume(std::move(block), 0)) {
                result = FsListing::Stopped;
                block.clear();
                break;
            }
            block.clear();
            PumpWhenDue();
        }
        if (!connected()) {
            result = FsListing::Broken;
            break;
        }
    }
    if (result == FsListing::Received && !block.isEmpty() && !consume(std::move(block), 0))
        result = FsListing::Stopped;
    if (n->session && !dropped)
        run([&] { return (long long)libssh2_sftp_close_handle(dir); });
    listingOpen = false;
    if (result != FsListing::Broken)
        log(Host, QStringLiteral("목록 %1개 항목").arg(count));
    return result;
}

FsResult SftpFs::changeDirectory(const QString &path)
{
    const Call call(this);
    if (!connected())
        return {};
    const QByteArray wanted = absolute(path);
    log(Local, QStringLiteral("디렉토리 이동: ") + path);
    QByteArray target(4096, '\0');
    const long long len = run([&] {
        return libssh2_sftp_symlink_ex(sftp, wanted.constData(), unsigned(wanted.size()), target.data(),
                                       unsigned(target.size()), LIBSSH2_SFTP_REALPATH);
    });
    if (len <= 0)
        return outcome(int(len ? len : -1), QStringLiteral("디렉토리 이동"));
    target.truncate(len);
    LIBSSH2_SFTP_ATTRIBUTES attrs{};
    const long long st = run([&] {
        return libssh2_sftp_stat_ex(sftp, target.constData(), unsigned(target.size()), LIBSSH2_SFTP_STAT, &attrs);
    });
    if (st != 0)
        return outcome(int(st), QStringLiteral("디렉토리 이동"));
    if ((attrs.permissions & LIBSSH2_SFTP_S_IFMT) != LIBSSH2_SFTP_S_IFDIR) {
        FsResult r;
        r.status = FsResult::Status::Refused;
        r.answered = true;
        r.code = LIBSSH2_FX_NOT_A_DIRECTORY;
        r.text = statusText(LIBSSH2_FX_NOT_A_DIRECTORY);
        log(Host, QStringLiteral("디렉토리 이동: ") + r.text);
        return r;
    }
    noteName(target);
    cwd = decodeName(target);
    return outcome(0, QStringLiteral("디렉토리 이동: ") + cwd);
}

QString SftpFs::reportDirectory()
{
    if (!connected())
        return {};
    log(Host, QStringLiteral("현재 디렉토리: ") + cwd);
    emit directoryReported(cwd);
    return cwd;
}

FsResult SftpFs::pathRequest(const QString &what, const QString &shown, const std::function<long long()> &request)
{
    const Call call(this);
    if (!connected())
        return {};
    log(Local, what + QStringLiteral(": ") + shown);
    return outcome(int(run(request)), what);
}

FsResult SftpFs::makeDirectory(const QString &path)
{
    const QByteArray p = absolute(path);
    return pathRequest(QStringLiteral("디렉토리 만들기"), path, [&] {
        return (long long)libssh2_sftp_mkdir_ex(sftp, p.constData(), unsigned(p.size()), 0755);
    });
}

FsResult SftpFs::removeDirectory(const QString &path)
{
    const QByteArray p = absolute(path);
    return pathRequest(QStringLiteral("디렉토리 지우기"), path, [&] {
        return (long long)libssh2_sftp_rmdir_ex(sftp, p.constData(), unsigned(p.size()));
    });
}

FsResult SftpFs::rename(const QString &from, const QString &to)
{
    const QByteArray a = absolute(from), b = absolute(to);
    return pathRequest(QStringLiteral("이름 바꾸기"), from + QStringLiteral(" -> ") + to, [&] {
        return (long long)libssh2_sftp_rename_ex(sftp, a.constData(), unsigned(a.size()), b.constData(),
                                                 unsigned(b.size()),
                                                 LIBSSH2_SFTP_RENAME_OVERWRITE | LIBSSH2_SFTP_RENAME_ATOMIC
                                                     | LIBSSH2_SFTP_RENAME_NATIVE);
    });
}

FsResult SftpFs::remove(const QString &path)
{
    const QByteArray p = absolute(path);
    return pathRequest(QStringLiteral("파일 지우기"), path, [&] {
        return (long long)libssh2_sftp_unlink_ex(sftp, p.constData(), unsigned(p.size()));
    });
}

FsResult SftpFs::changeMode(const QString &path, const QString &octalMode)
{
    const Call call(this);
    if (!connected())
        return {};
    bool ok = false;
    const int mode = octalMode.toInt(&ok, 8);
    if (!ok || mode < 0 || mode > 07777) {
        log(Local, QStringLiteral("권한은 8진수(예: 755)로 적어야 합니다: ") + octalMode);
        FsResult r;
        r.status = FsResult::Status::Refused;
        return r;
    }
    const QByteArray p = absolute(path);
    log(Local, QStringLiteral("권한 바꾸기: ") + octalMode + QLatin1Char(' ') + path);
    LIBSSH2_SFTP_ATTRIBUTES attrs{};
    attrs.flags = LIBSSH2_SFTP_ATTR_PERMISSIONS;
    attrs.permissions = static_cast<unsigned long>(mode);
    return outcome(int(run([&] {
                       return (long long)libssh2_sftp_stat_ex(sftp, p.constData(), unsigned(p.size()), LIBSSH2_SFTP_SETSTAT,
                                                              &attrs);
                   })),
                   QStringLiteral("권한 바꾸기"));
}

FsResult SftpFs::size(const QString &path, qint64 *bytes)
{
    const Call call(this);
    if (bytes)
        *bytes = -1;
    if (!connected())
        return {};
    const QByteArray p = absolute(path);
    LIBSSH2_SFTP_ATTRIBUTES attrs{};
    log(Local, QStringLiteral("크기 묻기: ") + path);
    const FsResult r = outcome(int(run([&] {
                                   return (long long)libssh2_sftp_stat_ex(sftp, p.constData(), unsigned(p.size()),
                                                                          LIBSSH2_SFTP_STAT, &attrs);
                               })),
                               QStringLiteral("크기"));
    if (r.ok() && bytes && (attrs.flags & LIBSSH2_SFTP_ATTR_SIZE))
        *bytes = qint64(attrs.filesize);
    return r;
}

FsResult SftpFs::modificationTime(const QString &path, QDateTime *time)
{
    const Call call(this);
    if (time)
        *time = {};
    if (!connected())
        return {};
    const QByteArray p = absolute(path);
    LIBSSH2_SFTP_ATTRIBUTES attrs{};
    log(Local, QStringLiteral("시각 묻기: ") + path);
    const FsResult r = outcome(int(run([&] {
                                   return (long long)libssh2_sftp_stat_ex(sftp, p.constData(), unsigned(p.size()),
                                                                          LIBSSH2_SFTP_STAT, &attrs);
                               })),
                               QStringLiteral("시각"));
    if (r.ok() && time && (attrs.flags & LIBSSH2_SFTP_ATTR_ACMODTIME))
        *time = QDateTime::fromSecsSinceEpoch(qint64(attrs.mtime), Qt::UTC);
    return r;
}

FsResult SftpFs::setModificationTime(const QString &path, const QDateTime &time)
{
    const Call call(this);
    if (!connected())
        return {};
    const QByteArray p = absolute(path);
    LIBSSH2_SFTP_ATTRIBUTES attrs{};
    attrs.flags = LIBSSH2_SFTP_ATTR_ACMODTIME;
    attrs.atime = attrs.mtime = static_cast<unsigned long>(time.toSecsSinceEpoch());
    log(Local, QStringLiteral("시각 바꾸기: ") + time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char(' ') + path);
    return outcome(int(run([&] {
                       return (long long)libssh2_sftp_stat_ex(sftp, p.constData(), unsigned(p.size()), LIBSSH2_SFTP_SETSTAT,
                                                              &attrs);
                   })),
                   QStringLiteral("시각 바꾸기"));
}

// ---- a file's data -------------------------------------------------------------------------

FsOpening SftpFs::openRead(const QString &path, qint64 offset, const std::function<bool(const FsOpening &)> &beforeData)
{
    const Call call(this);
    FsOpening o;
    if (!connected() || transferUnderWay())
        return o;
    const QByteArray p = absolute(path);
    log(Local, QStringLiteral("파일 받기: ") + path + (offset > 0 ? QStringLiteral(" (%1 바이트부터)").arg(offset) : QString()));
    LIBSSH2_SFTP_HANDLE *h = nullptr;
    const long long rc = run([&] {
        h = libssh2_sftp_open_ex(sftp, p.constData(), unsigned(p.size()), LIBSSH2_FXF_READ, 0, LIBSSH2_SFTP_OPENFILE);
        return h ? 0LL : (long long)libssh2_session_last_errno(n->session);
    });
    if (!h) {
        o.answer = outcome(int(rc ? rc : -1), QStringLiteral("파일 열기"));
        o.status = o.answer.refused() ? FsOpening::Status::Refused : FsOpening::Status::Failed;
        return o;
    }
    file = h;
    transferFailed = false;
    LIBSSH2_SFTP_ATTRIBUTES attrs{};
    if (run([&] { return (long long)libssh2_sftp_fstat_ex(h, &attrs, 0); }) == 0 && (attrs.flags & LIBSSH2_SFTP_ATTR_SIZE))
        o.expectedSize = qint64(attrs.filesize);
    if (offset > 0)
        libssh2_sftp_seek64(h, libssh2_uint64_t(offset));
    o.restartedAt = offset;
    o.answer.status = FsResult::Status::Done;
    o.answer.answered = true;
    o.status = FsOpening::Status::Opened;
    log(Host, QStringLiteral("파일을 열었습니다") + (o.expectedSize >= 0 ? QStringLiteral(" (%1 바이트)").arg(o.expectedSize) : QString()));
    if (beforeData && !beforeData(o)) {
        o.status = FsOpening::Status::Declined;
        return o;   // finishTransfer() closes it
    }
    return o;
}

FsOpening SftpFs::openWrite(const QString &path, qint64 offset, bool append)
{
    const Call call(this);
    FsOpening o;
    if (!connected() || transferUnderWay())
        return o;
    const QByteArray p = absolute(path);
    log(Local, QStringLiteral("파일 올리기: ") + path
                   + (append ? QStringLiteral(" (덧붙이기)")
                             : offset > 0 ? QStringLiteral(" (%1 바이트부터)").arg(offset) : QString()));
    const unsigned long flags = LIBSSH2_FXF_WRITE | LIBSSH2_FXF_CREAT | (offset == 0 && !append ? LIBSSH2_FXF_TRUNC : 0);
    LIBSSH2_SFTP_HANDLE *h = nullptr;
    const long long rc = run([&] {
        h = libssh2_sftp_open_ex(sftp, p.constData(), unsigned(p.size()), flags, 0644, LIBSSH2_SFTP_OPENFILE);
        return h ? 0LL : (long long)libssh2_session_last_errno(n->session);
    });
    if (!h) {
        o.answer = outcome(int(rc ? rc : -1), QStringLiteral("파일 열기"));
        o.status = o.answer.refused() ? FsOpening::Status::Refused : FsOpening::Status::Failed;
        return o;
    }
    file = h;
    transferFailed = false;
    qint64 at = offset;
    if (append) {
        LIBSSH2_SFTP_ATTRIBUTES attrs{};
        if (run([&] { return (long long)libssh2_sftp_fstat_ex(h, &attrs, 0); }) == 0 && (attrs.flags & LIBSSH2_SFTP_ATTR_SIZE))
            at = qint64(attrs.filesize);
    }
    if (at > 0)
        libssh2_sftp_seek64(h, libssh2_uint64_t(at));
    o.restartedAt = append ? 0 : offset;
    o.answer.status = FsResult::Status::Done;
    o.answer.answered = true;
    o.status = FsOpening::Status::Opened;
    log(Host, QStringLiteral("파일을 열었습니다"));
    return o;
}

int SftpFs::read(char *buffer, int size)
{
    const Call call(this);
    if (!file || !connected())
        return -1;
    // The read-ahead window is libssh2's own: it keeps READ requests of
    // 30000 bytes in flight for four times the caller's block (4 MiB for the
    // transfer engine's 1 MiB block).
    const long long got = run([&] { return (long long)libssh2_sftp_read(file, buffer, size_t(size)); });
    if (got < 0) {
        dataBroke(got, QStringLiteral("파일 읽기"));
        return -1;
    }
    return int(got);
}

void SftpFs::dataBroke(long long rc, const QString &what)
{
    transferFailed = true;
    if (rc == LIBSSH2_ERROR_EAGAIN || dropped || !n->session)
        return;   // stopped, or the user's disconnect: nothing more to say here
    if (rc == LIBSSH2_ERROR_SFTP_PROTOCOL && sftp) {
        // The server refused the request (a full disk, a file gone): the
        // connection itself is sound.
        log(Host, what + QStringLiteral(": ") + statusText(libssh2_sftp_last_error(sftp)));
        return;
    }
    // The connection broke under the data: said once here, and the session
    // ends, so that the transfer's own report does not say it again.
    log(Host, what + QStringLiteral(": ") + lastErrorText());
    log(Host, QStringLiteral("SSH 연결이 끊어졌습니다."));
    drop();
}

int SftpFs::write(const char *data, int size)
{
    const Call call(this);
    if (!file || !connected())
        return -1;
    // The block joins the write-behind window and goes out at once; the call
    // waits only while the window is full, so the server always has requests
    // to answer while the caller reads its next block. A refusal of any of
    // them shows in a later call or in the transfer's end, never as success.
    behind.insert(behind.end(), data, data + size);
    if (!pushBehind(false))
        return -1;
    while (behind.size() - behindStart > WriteBehindBytes)
        if (!pushBehind(true))
            return -1;
    return size;
}

bool SftpFs::pushBehind(bool wait)
{
    const auto step = [this] {
        return (long long)libssh2_sftp_write(file, behind.data() + behindStart,
                                             std::min(behind.size() - behindStart, WriteBehindBytes));
    };
    for (;;) {
        const long long acked = wait ? run(step) : step();
        if (acked == LIBSSH2_ERROR_EAGAIN && !wait)
            break;   // nothing more acknowledged yet: the requests are on their way
        if (acked < 0) {
            dataBroke(acked, QStringLiteral("파일 쓰기"));
            return false;
        }
        behindStart += size_t(acked);
        if (acked == 0 || wait)
            break;
    }
    if (behindStart == behind.size()) {
        behind.clear();
        behindStart = 0;
    } else if (behindStart > behind.size() / 2) {
        behind.erase(behind.begin(), behind.begin() + std::ptrdiff_t(behindStart));
        behindStart = 0;
    }
    return true;
}

bool SftpFs::flushBehind()
{
    while (behindStart < behind.size())
        if (!pushBehind(true))
            return false;
    return true;
}

void SftpFs::closeTransfer()
{
    const Call call(this);
    if (!file)
        return;
    // What the window still holds reaches the server before the file is
    // closed: the close confirms every byte write() took.
    if (n->session && !dropped && !transferFailed)
        flushBehind();
    behind.clear();
    behindStart = 0;
    LIBSSH2_SFTP_HANDLE *h = file;
    file = nullptr;
    closeResult = -1;
    if (!n->session || dropped)
        return;
    // Even a transfer that failed or was stopped closes its handle, so that
    // the answers to requests still in flight are dropped as they come
    // instead of piling up in the session; the server that stopped
    // answering gets a short time for it, and a second Stop ends it too.
    const long long rc = run([&] { return (long long)libssh2_sftp_close_handle(h); },
                             transferFailed ? std::min(timeLimitMs, 3000) : timeLimitMs);
    closeResult = transferFailed ? -1 : int(rc);
}

FsResult SftpFs::finishTransfer()
{
    const Call call(this);
    if (file)
        closeTransfer();
    const int rc = closeResult;
    closeResult = -1;
    if (rc == 0 && !transferFailed)
        return outcome(0, QStringLiteral("전송"));
    FsResult r;
    r.text = QStringLiteral("전송이 끝나지 못했습니다.");
    if (connected())   // a connection that broke has said so already
        log(Host, r.text);
    return r;
}

} // namespace kav
