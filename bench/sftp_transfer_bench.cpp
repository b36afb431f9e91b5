// Throughput of the real SendFile/ReceiveFile over SFTP (SftpFs on libssh2,
// non-blocking, every wait through the blocking hook, with the transfer
// window), against OpenSSH's sshd (internal-sftp) on loopback, beside:
//   - a minimal blocking libssh2 client (1 MiB blocks to libssh2_sftp_read and
//     _write): what the library gives without any window of ours;
//   - a minimal libssh client, when libssh's headers were found at build time
//     (reads pipelined with its asynchronous reads, 64 requests of 32 KiB;
//     writes one request at a time, all its synchronous API offers);
//   - OpenSSH's sftp and scp (which speaks SFTP too since OpenSSH 9), with
//     their default cipher, and sftp forced to the cipher and MAC libssh2
//     negotiates (aes128-ctr, hmac-sha2-256), to tell the cipher from the client.
//
// Every client is timed over the same span: from its connect through the key
// exchange, the key login and the transfer to the closing of the remote
// file. OpenSSH's programs are timed from their start to their end (their
// process start-up of a few ms is counted against them). The order of the
// clients rotates from round to round; figures are medians with the slowest
// and fastest beside them. Downloads go to a file, uploads come from one.
//
// Run inside a private network namespace with real root (sshd needs it):
//     bench/run sftp_transfer_bench [MiB] [rounds]

#include "bench_support.h"
#include "ftp_server.h"
#include "sshd_server.h"

#include "config/ascii_extensions.h"
#include "platform/winsock.h"
#include "remotefs/sftp_fs.h"
#include "transfer/trans_form.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_host.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <libssh2.h>
#include <libssh2_sftp.h>
#ifdef KAVRIN_BENCH_LIBSSH
#include <libssh/libssh.h>
#include <libssh/sftp.h>
#endif

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

using kavbench::runProgram;
using kavbench::spreadOf;
using kavbench::Spread;

namespace {

enum class Case { Download, Upload };
const char *caseName(Case c) { return c == Case::Download ? "download -> file" : "upload"; }

struct Bed {
    std::string key;        // the client's key file, without passphrase
    std::string home;       // the server's SFTP directory
    std::string local;      // the local side
    std::string served() const { return home + "/served.bin"; }
    std::string source() const { return local + "/source.bin"; }
};

class NoHost : public kav::TransferHost {
public:
    QString dir;
    kav::AsciiExtensionList ascii;
    QStringList selectedLocalFiles() const override { return {}; }
    QString localDirectory() const override { return dir; }
    void refreshLocal() override {}
    void focusLocalFiles() override {}
    void setStayOnTop(bool) override {}
    bool stayOnTopChecked() const override { return false; }
    kav::TypeControls typeControls() const override { return {false, false, true}; }
    const kav::AsciiExtensionList &asciiExtensions() const override { return ascii; }
    void setSelectAfterRefresh(const QString &) override {}
    void disconnectFromHost() override {}
};

int connectLoopback()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(22);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

// ---- Kavrin --------------------------------------------------------------------------

struct Kavrin {
    kav::SftpFs fs;
    kav::TTransForm window;
    NoHost host;
    kav::TransferEngine engine{fs, window, host};
    std::string cipher;

    Kavrin() { fs.judgeHostKey = [](const kav::SshHostKey &) { return kav::HostKeyVerdict::AcceptOnce; }; }

    std::optional<double> run(const Bed &bed, Case c, const std::function<void()> &started = {})
    {
        kav::SshLogin l;
        l.host = QStringLiteral("127.0.0.1");
        kav::ws::parseAddress(l.host, &l.address);
        l.address.port = 22;
        l.user = QStringLiteral("root");
        l.identityFiles = {QString::fromStdString(bed.key)};
        l.useAgent = false;
        QElapsedTimer clock;
        clock.start();
        if (fs.connectTo(l, 15000) != kav::SftpFs::ConnectResult::Connected)
            return std::nullopt;
        if (started)
            started();
        const QString local = QString::fromStdString(bed.local);
        const bool ok = c == Case::Download
            ? engine.ReceiveFile(QStringLiteral("served.bin"), local + "/kavrin_down.bin", true)
            : engine.SendFile(local + "/source.bin", QStringLiteral("kavrin_up.bin"));
        const double seconds = clock.nsecsElapsed() / 1e9;
        fs.drop();
        if (!ok)
            return std::nullopt;
        return seconds;
    }
};

// ---- libssh2, blocking, no window of ours --------------------------------------------

std::string libssh2Cipher;

std::optional<double> libssh2Run(const Bed &bed, Case c)
{
    const std::string file = c == Case::Download ? bed.local + "/libssh2_down.bin" : bed.source();
    QElapsedTimer clock;
    clock.start();
    const int sock = connectLoopback();
    if (sock < 0)
        return std::nullopt;
    LIBSSH2_SESSION *s = libssh2_session_init();
    libssh2_session_set_blocking(s, 1);
    bool ok = libssh2_session_handshake(s, sock) == 0
           && libssh2_userauth_publickey_fromfile(s, "root", nullptr, bed.key.c_str(), nullptr) == 0;
    if (ok && libssh2Cipher.empty())
        libssh2Cipher = std::string(libssh2_session_methods(s, LIBSSH2_METHOD_CRYPT_CS)) + " + "
                      + libssh2_session_methods(s, LIBSSH2_METHOD_MAC_CS);
    LIBSSH2_SFTP *sftp = ok ? libssh2_sftp_init(s) : nullptr;
    ok = sftp != nullptr;
    if (ok) {
        const std::string remote = c == Case::Download ? bed.served() : bed.home + "/libssh2_up.bin";
        LIBSSH2_SFTP_HANDLE *h = libssh2_sftp_open(sftp, remote.c_str(),
                                                   c == Case::Download ? LIBSSH2_FXF_READ
                                                                       : LIBSSH2_FXF_WRITE | LIBSSH2_FXF_CREAT | LIBSSH2_FXF_TRUNC,
                                                   0644);
        const int fd = c == Case::Download ? ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)
                                           : ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        std::vector<char> block(1 << 20);
        ok = h && fd >= 0;
        while (ok) {
            if (c == Case::Download) {
                const ssize_t n = libssh2_sftp_read(h, block.data(), block.size());
                if (n <= 0) {
                    ok = n == 0;
                    break;
                }
                ok = ::write(fd, block.data(), size_t(n)) == n;
            } else {
                const ssize_t n = ::read(fd, block.data(), block.size());
                if (n <= 0) {
                    ok = n == 0;
                    break;
                }
                for (ssize_t done = 0; ok && done < n;) {
                    const ssize_t sent = libssh2_sftp_write(h, block.data() + done, size_t(n - done));
                    ok = sent > 0;
                    done += sent;
                }
            }
        }
        if (h)
            ok = libssh2_sftp_close(h) == 0 && ok;
        if (fd >= 0)
            ::close(fd);
        libssh2_sftp_shutdown(sftp);
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    libssh2_session_disconnect(s, "bye");
    libssh2_session_free(s);
    ::close(sock);
    if (!ok)
        return std::nullopt;
    return seconds;
}

// ---- libssh ----------------------------------------------------------------------------

#ifdef KAVRIN_BENCH_LIBSSH
std::string libsshCipher;

std::optional<double> libsshRun(const Bed &bed, Case c)
{
    const std::string file = c == Case::Download ? bed.local + "/libssh_down.bin" : bed.source();
    QElapsedTimer clock;
    clock.start();
    ssh_session s = ssh_new();
    const int port = 22;
    const int strict = 0;
    ssh_options_set(s, SSH_OPTIONS_HOST, "127.0.0.1");
    ssh_options_set(s, SSH_OPTIONS_PORT, &port);
    ssh_options_set(s, SSH_OPTIONS_USER, "root");
    ssh_options_set(s, SSH_OPTIONS_STRICTHOSTKEYCHECK, &strict);
    ssh_options_set(s, SSH_OPTIONS_KNOWNHOSTS, "/dev/null");
    ssh_options_set(s, SSH_OPTIONS_PROCESS_CONFIG, &strict);
    // Without it each synchronous write waits for the peer's delayed ACK.
    const int nodelay = 1;
    ssh_options_set(s, SSH_OPTIONS_NODELAY, &nodelay);
    ssh_key key = nullptr;
    bool ok = ssh_connect(s) == SSH_OK && ssh_pki_import_privkey_file(bed.key.c_str(), nullptr, nullptr, nullptr, &key) == SSH_OK
           && ssh_userauth_publickey(s, nullptr, key) == SSH_AUTH_SUCCESS;
    if (ok && libsshCipher.empty())
        libsshCipher = std::string(ssh_get_cipher_out(s)) + " + " + ssh_get_hmac_out(s);
    sftp_session sftp = ok ? sftp_new(s) : nullptr;
    ok = sftp && sftp_init(sftp) == SSH_OK;
    if (ok) {
        const std::string remote = c == Case::Download ? bed.served() : bed.home + "/libssh_up.bin";
        sftp_file h = sftp_open(sftp, remote.c_str(), c == Case::Download ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int fd = c == Case::Download ? ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)
                                           : ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        ok = h && fd >= 0;
        constexpr int Request = 32768, Window = 64;
        std::vector<char> block(Request);
        if (ok && c == Case::Download) {
            std::deque<uint32_t> inFlight;
            bool end = false;
            while (ok) {
                while (!end && inFlight.size() < Window) {
                    const int id = sftp_async_read_begin(h, Request);
                    if (id < 0) {
                        ok = false;
                        break;
                    }
                    inFlight.push_back(uint32_t(id));
                }
                if (inFlight.empty())
                    break;
                const int n = sftp_async_read(h, block.data(), Request, inFlight.front());
                inFlight.pop_front();
                if (n == SSH_ERROR) {
                    ok = false;
                } else if (n == 0) {
                    end = true;   // the requests still out answer the end of the file too
                } else {
                    ok = ::write(fd, block.data(), size_t(n)) == n;
                }
            }
        } else if (ok) {
            // One request at a time: libssh 0.10 has no asynchronous write.
            for (;;) {
                const ssize_t n = ::read(fd, block.data(), block.size());
                if (n <= 0) {
                    ok = n == 0;
                    break;
                }
                if (sftp_write(h, block.data(), size_t(n)) != n) {
                    ok = false;
                    break;
                }
            }
        }
        if (h)
            ok = sftp_close(h) == SSH_NO_ERROR && ok;
        if (fd >= 0)
            ::close(fd);
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (sftp)
        sftp_free(sftp);
    if (key)
        ssh_key_free(key);
    ssh_disconnect(s);
    ssh_free(s);
    if (!ok)
        return std::nullopt;
    return seconds;
}
#endif

// ---- OpenSSH -------------------------------------------------------------------------

QStringList opensshOptions(const Bed &bed, const QStringList &more)
{
    return QStringList{"-F", "/dev/null", "-i", QString::fromStdString(bed.key), "-o", "UserKnownHostsFile=/dev/null",
                       "-o", "StrictHostKeyChecking=no", "-o", "BatchMode=yes", "-o", "LogLevel=ERROR"}
         + more;
}

std::optional<double> timed(const QString &program, const QStringList &args)
{
    QElapsedTimer clock;
    clock.start();
    if (!runProgram(program, args))
        return std::nullopt;
    return clock.nsecsElapsed() / 1e9;
}

std::optional<double> sftpRun(const Bed &bed, Case c, const QString &name, const QStringList &more)
{
    const QString batch = QString::fromStdString(bed.local) + "/" + name + ".batch";
    {
        QFile f(batch);
        if (!f.open(QIODevice::WriteOnly))
            return std::nullopt;
        const QString home = QString::fromStdString(bed.home), local = QString::fromStdString(bed.local);
        f.write((c == Case::Download ? "get " + home + "/served.bin " + local + "/" + name + "_down.bin\n"
                                     : "put " + local + "/source.bin " + home + "/" + name + "_up.bin\n")
                    .toUtf8());
    }
    return timed(QStringLiteral("/usr/bin/sftp"), opensshOptions(bed, more) + QStringList{"-q", "-b", batch, "root@127.0.0.1"});
}

std::optional<double> scpRun(const Bed &bed, Case c)
{
    const QString home = QString::fromStdString(bed.home), local = QString::fromStdString(bed.local);
    const QStringList ends = c == Case::Download
        ? QStringList{"root@127.0.0.1:" + home + "/served.bin", local + "/scp_down.bin"}
        : QStringList{local + "/source.bin", "root@127.0.0.1:" + home + "/scp_up.bin"};
    return timed(QStringLiteral("/usr/bin/scp"), opensshOptions(bed, {"-q"}) + ends);
}

} // namespace

int main(int argc, char **argv)
{
    kavbench::HeadlessApp app(argc, argv);
    const qint64 mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const qint64 size = mib * 1024 * 1024;
    if (std::string why; !kavtest::SshdServer::available(&why)) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 1;
    }
    kav::ws::startup();
    libssh2_init(0);
    kavtest::SshdServer sshd;
    kavtest::ScratchDir local;
    if (!sshd.start()) {
        std::fprintf(stderr, "sshd did not start\n%s\n", sshd.log().c_str());
        return 1;
    }
    const Bed bed{sshd.clientKey(), sshd.home(), local.path()};
    {
        QFile f(QString::fromStdString(bed.source()));
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        QByteArray block(1 << 20, 'k');
        for (qint64 i = 0; i < mib; ++i) {
            block[0] = char(i);
            block[block.size() / 2] = char(i >> 8);
            f.write(block);
        }
    }
    QFile::copy(QString::fromStdString(bed.source()), QString::fromStdString(bed.served()));

    Kavrin kavrin;
    kavrin.host.dir = QString::fromStdString(bed.local);
    kavrin.window.show();

    using Client = std::function<std::optional<double>(Case)>;
    std::vector<std::pair<std::string, Client>> clients{
        {"kavrin", [&](Case c) { return kavrin.run(bed, c); }},
        {"libssh2", [&](Case c) { return libssh2Run(bed, c); }},
#ifdef KAVRIN_BENCH_LIBSSH
        {"libssh", [&](Case c) { return libsshRun(bed, c); }},
#endif
        {"sftp", [&](Case c) { return sftpRun(bed, c, "sftp", {}); }},
        {"sftp aes-ctr", [&](Case c) {
             return sftpRun(bed, c, "sftpctr", {"-c", "aes128-ctr", "-o", "MACs=hmac-sha2-256"});
         }},
        {"scp", [&](Case c) { return scpRun(bed, c); }},
    };
    // KAVRIN_BENCH_CLIENTS="kavrin,sftp" runs only the clients it names.
    if (const QStringList only = qEnvironmentVariable("KAVRIN_BENCH_CLIENTS").split(',', Qt::SkipEmptyParts); !only.isEmpty())
        std::erase_if(clients, [&only](const auto &c) { return !only.contains(QString::fromStdString(c.first)); });
    const auto prefix = [](const std::string &name) {
        return name == "sftp aes-ctr" ? std::string("sftpctr") : name;
    };

    const std::vector<Case> cases{Case::Download, Case::Upload};
    std::map<std::pair<int, std::string>, std::vector<double>> seconds;
    for (int r = 0; r < rounds; ++r) {
        for (Case c : cases) {
            for (size_t i = 0; i < clients.size(); ++i) {
                const auto &[name, client] = clients[(i + size_t(r)) % clients.size()];
                const double cpu0 = kavbench::threadCpuMs();
                const auto s = client(c);
                std::fprintf(stderr, "%s, %s: %.0f ms, CPU of this process %.0f ms\n", name.c_str(), caseName(c),
                             s ? *s * 1000 : -1.0, kavbench::threadCpuMs() - cpu0);
                if (!s) {
                    std::fprintf(stderr, "%s: %s failed\n", name.c_str(), caseName(c));
                    return 1;
                }
                seconds[{int(c), name}].push_back(*s);
                const std::string made = c == Case::Download ? bed.local + "/" + prefix(name) + "_down.bin"
                                                             : bed.home + "/" + prefix(name) + "_up.bin";
                if (QFileInfo(QString::fromStdString(made)).size() != size) {
                    std::fprintf(stderr, "%s: %s incomplete (%s)\n", name.c_str(), caseName(c), made.c_str());
                    return 1;
                }
                QFile::remove(QString::fromStdString(made));
            }
        }
    }

    std::printf("%lld MiB over loopback with OpenSSH's sshd (internal-sftp), files in %s, %d rounds in rotating order;\n"
                "connect + key exchange + key login + transfer to the file's close; MiB/s as median [slowest .. fastest];\n"
                "libssh2 negotiates %s",
                mib, qPrintable(QFileInfo(QString::fromStdString(bed.local)).path()), rounds, libssh2Cipher.c_str());
#ifdef KAVRIN_BENCH_LIBSSH
    std::printf(", libssh %s", libsshCipher.c_str());
#endif
    std::printf(", OpenSSH by default chacha20-poly1305\n");
    for (Case c : cases) {
        std::printf("%s\n", caseName(c));
        std::map<std::string, double> rate;
        for (const auto &[name, client] : clients) {
            const Spread s = spreadOf(seconds[{int(c), name}]);
            rate[name] = mib / s.median;
            std::printf("  %-13s %7.0f MiB/s  [%5.0f .. %5.0f]\n", name.c_str(), mib / s.median, mib / s.high, mib / s.low);
        }
        for (const char *other : {"sftp", "sftp aes-ctr", "scp", "libssh2", "libssh"})
            if (rate.count(other) && rate.count("kavrin"))
                std::printf("  kavrin / %s %.2f", other, rate["kavrin"] / rate[other]);
        std::printf("\n");
    }

    // The window during each transfer: the longest time between two passes
    // of its event loop, and how soon the cancel button ends the transfer.
    for (Case c : cases) {
        std::vector<double> gaps, cancels;
        for (int r = 0; r < rounds; ++r) {
            kavrin.window.show();
            const auto watched = kavbench::watchCancelledRun(
                int(std::min<qint64>(300, mib / 4)), [&] { kavrin.window.BB_abortClick(); },
                [&](const std::function<void()> &begin) { return kavrin.run(bed, c, begin).has_value(); });
            QFile::remove(QString::fromStdString(bed.local + "/kavrin_down.bin"));
            QFile::remove(QString::fromStdString(bed.home + "/kavrin_up.bin"));
            if (!watched) {
                std::fprintf(stderr, "the cancelled %s did not end as cancelled\n", caseName(c));
                return 1;
            }
            gaps.push_back(watched->longestGapMs);
            cancels.push_back(watched->cancelMs);
        }
        const Spread g = spreadOf(gaps), k = spreadOf(cancels);
        std::printf("kavrin's window during a %s, %d rounds, ms as median [fastest .. slowest]\n"
                    "  longest time between two event loop passes %6.1f  [%5.1f .. %5.1f]\n"
                    "  cancel button to the transfer's end        %6.1f  [%5.1f .. %5.1f]\n",
                    caseName(c), rounds, g.median, g.low, g.high, k.median, k.low, k.high);
    }
    return 0;
}
