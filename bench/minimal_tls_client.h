#pragma once
// The ceiling of a benchmark over explicit TLS: a minimal FTP client of plain
// blocking calls and OpenSSL, passive mode (EPSV), every connection encrypted
// (AUTH TLS, PROT P) and each data connection resuming the control
// connection's session, as servers that require it ask. It moves file data
// in blocks of a given size and nothing else.

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace kavbench {

class MinimalTlsClient {
public:
    explicit MinimalTlsClient(size_t block) : buffer(block)
    {
        ctx = SSL_CTX_new(TLS_client_method());
        SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
        SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
        // TLS 1.3 hands out its session after the handshake: keep the newest.
        SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
        SSL_CTX_set_app_data(ctx, this);
        SSL_CTX_sess_set_new_cb(ctx, [](SSL *ssl, SSL_SESSION *s) -> int {
            auto *self = static_cast<MinimalTlsClient *>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
            if (self->session)
                SSL_SESSION_free(self->session);
            self->session = s;
            return 1;
        });
    }
    ~MinimalTlsClient()
    {
        if (control)
            SSL_free(control);
        if (controlFd >= 0)
            ::close(controlFd);
        if (session)
            SSL_SESSION_free(session);
        SSL_CTX_free(ctx);
    }
    MinimalTlsClient(const MinimalTlsClient &) = delete;
    MinimalTlsClient &operator=(const MinimalTlsClient &) = delete;

    // Connects to 127.0.0.1:21, secures the control connection, logs in with
    // image type and protected data.
    bool login(const std::string &user, const std::string &password)
    {
        controlFd = connectTo(21);
        if (controlFd < 0 || reply() != 220 || command("AUTH TLS") != 234)
            return false;
        control = SSL_new(ctx);
        SSL_set_fd(control, controlFd);
        if (SSL_connect(control) != 1)
            return false;
        return command("USER " + user) == 331 && command("PASS " + password) == 230 && command("PBSZ 0") == 200
            && command("PROT P") == 200 && command("TYPE I") == 200;
    }
    // A data command whose data comes to us (RETR), written to `out`.
    bool receive(const std::string &dataCommand, int out)
    {
        SSL *data = open(dataCommand);
        if (!data)
            return false;
        bool ok = true;
        for (;;) {
            const int n = SSL_read(data, buffer.data(), int(buffer.size()));
            if (n <= 0) {
                const int e = SSL_get_error(data, n);
                ok = e == SSL_ERROR_ZERO_RETURN || (e == SSL_ERROR_SYSCALL && ERR_peek_error() == 0);
                break;
            }
            if (::write(out, buffer.data(), size_t(n)) != n) {
                ok = false;
                break;
            }
        }
        closeData(data);
        return reply() == 226 && ok;
    }
    // A data command whose data we send (STOR), read from `in`.
    bool send(const std::string &dataCommand, int in)
    {
        SSL *data = open(dataCommand);
        if (!data)
            return false;
        bool ok = true;
        for (bool more = true; more && ok;) {
            const ssize_t n = ::read(in, buffer.data(), buffer.size());
            more = n > 0;
            ok = n >= 0;
            if (n > 0)
                ok = SSL_write(data, buffer.data(), int(n)) == n;
        }
        closeData(data);
        std::string text;
        const int code = reply(&text);
        if (code != 226 || !ok)
            std::fprintf(stderr, "minimal TLS client: %s (%s)\n", text.c_str(), ok ? "sent" : "not sent");
        return code == 226 && ok;
    }
    void quit() { sendLine("QUIT"); }
    int command(const std::string &line)
    {
        sendLine(line);
        return reply();
    }

private:
    static int connectTo(int port)
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(0x7f000001);
        sa.sin_port = htons(port);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }
    // EPSV, the connection, the command, its preliminary reply, the handshake.
    SSL *open(const std::string &dataCommand)
    {
        sendLine("EPSV");
        std::string text;
        if (reply(&text) != 229)
            return nullptr;
        const size_t bars = text.find("|||");
        if (bars == std::string::npos)
            return nullptr;
        const int fd = connectTo(std::atoi(text.c_str() + bars + 3));
        if (fd < 0)
            return nullptr;
        const int opened = command(dataCommand);
        if (opened != 150 && opened != 125) {
            ::close(fd);
            return nullptr;
        }
        SSL *data = SSL_new(ctx);
        SSL_set_fd(data, fd);
        if (session)
            SSL_set_session(data, session);
        if (SSL_connect(data) != 1) {
            closeData(data);
            return nullptr;
        }
        return data;
    }
    static void closeData(SSL *data)
    {
        const int fd = SSL_get_fd(data);
        SSL_shutdown(data);
        SSL_free(data);
        // What the server sent and nobody read (TLS 1.3 session tickets) would
        // turn the close into a reset, and the server would fail the upload.
        ::shutdown(fd, SHUT_WR);
        char drain[4096];
        while (::read(fd, drain, sizeof drain) > 0) {
        }
        ::close(fd);
    }
    void sendLine(const std::string &line)
    {
        const std::string l = line + "\r\n";
        if (control)
            SSL_write(control, l.data(), int(l.size()));
        else
            (void)!::write(controlFd, l.data(), l.size());
    }
    // The code of the next whole reply (a multi-line reply ends with "ddd ").
    int reply(std::string *text = nullptr)
    {
        for (;;) {
            const size_t end = pending.find("\r\n");
            if (end != std::string::npos) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 2);
                if (line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) && line[3] == ' ') {
                    if (text)
                        *text = line;
                    return std::atoi(line.c_str());
                }
                continue;
            }
            char chunk[4096];
            const int n = control ? SSL_read(control, chunk, sizeof chunk) : int(::read(controlFd, chunk, sizeof chunk));
            if (n <= 0)
                return -1;
            pending.append(chunk, size_t(n));
        }
    }

    SSL_CTX *ctx = nullptr;
    SSL_SESSION *session = nullptr;
    SSL *control = nullptr;
    int controlFd = -1;
    std::string pending;
    std::vector<char> buffer;
};

} // namespace kavbench
