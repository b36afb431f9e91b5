#include "sshd_server.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include <csignal>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kavtest {

namespace {

bool writeText(const std::string &path, const std::string &text, mode_t mode = 0600)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return bool(out) && chmod(path.c_str(), mode) == 0;
}

std::string readText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int run(const std::vector<std::string> &argv)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char *> args;
        for (const auto &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What `openssl passwd -6` makes of a password: a SHA-512 crypt hash.
std::string passwordHash(const std::string &password, const std::string &dir)
{
    const std::string out = dir + "/hash.txt";
    if (!writeText(dir + "/password.txt", password + "\n"))
        return {};
    if (run({"/bin/sh", "-c", "/usr/bin/openssl passwd -6 -in '" + dir + "/password.txt' > '" + out + "'"}) != 0)
        return {};
    std::string hash = readText(out);
    while (!hash.empty() && (hash.back() == '\n' || hash.back() == '\r'))
        hash.pop_back();
    return hash;
}

bool makeKey(const std::string &path, const std::string &passphrase)
{
    unlink(path.c_str());
    unlink((path + ".pub").c_str());
    return run({"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", passphrase, "-C", "kavrin-test", "-f", path}) == 0;
}

} // namespace

SshdServer::SshdServer() : home_(scratch_.file("home"))
{
    mkdir(home_.c_str(), 0755);
}

bool SshdServer::available(std::string *whyNot)
{
    for (const char *program : {"/usr/sbin/sshd", "/usr/bin/ssh-keygen", "/usr/bin/unshare", "/usr/bin/openssl"})
        if (access(program, X_OK) != 0) {
            if (whyNot)
                *whyNot = std::string(program) + " is missing (openssh-server, openssh-client, openssl)";
            return false;
        }
    if (geteuid() != 0) {
        if (whyNot)
            *whyNot = "sshd needs real root for its privilege separation";
        return false;
    }
    return true;
}

SshdServer &SshdServer::setKeyboardInteractive(bool on)
{
    keyboardInteractive_ = on;
    return *this;
}

SshdServer &SshdServer::setPasswordLogin(bool on)
{
    passwordLogin_ = on;
    return *this;
}

std::string SshdServer::hostPublicKey() const
{
    std::string line = readText(scratch_.file("hostkey.pub"));
    while (!line.empty() && line.back() == '\n')
        line.pop_back();
    return line;
}

::testing::AssertionResult SshdServer::newHostKey()
{
    if (!makeKey(scratch_.file("hostkey"), ""))
        return ::testing::AssertionFailure() << "sshd: ssh-keygen failed";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SshdServer::start(int timeoutMs)
{
    if (std::string why; !available(&why))
        return ::testing::AssertionFailure() << why;
    const std::string dir = scratch_.path();
    if (access((dir + "/hostkey").c_str(), R_OK) != 0 && !makeKey(dir + "/hostkey", ""))
        return ::testing::AssertionFailure() << "sshd: ssh-keygen failed for the host key";
    if (!makeKey(clientKey(), "") || !makeKey(lockedClientKey(), lockedKeyPassphrase()))
        return ::testing::AssertionFailure() << "sshd: ssh-keygen failed for the client keys";
    if (!writeText(dir + "/authorized_keys", readText(clientKey() + ".pub") + readText(lockedClientKey() + ".pub"), 0644))
        return ::testing::AssertionFailure() << "sshd: cannot write authorized_keys";

    const std::string hash = passwordHash(password_, dir);
    if (hash.empty())
        return ::testing::AssertionFailure() << "sshd: openssl passwd failed";
    std::istringstream shadow(readText("/etc/shadow"));
    std::string copy, line;
    while (std::getline(shadow, line))
        copy += (line.rfind("root:", 0) == 0 ? "root:" + hash + ":19000:0:99999:7:::" : line) + "\n";
    if (!writeText(dir + "/shadow", copy, 0640))
        return ::testing::AssertionFailure() << "sshd: cannot write the shadow copy";

    std::ostringstream conf;
    conf << "Port 22\nListenAddress 127.0.0.1\nHostKey " << dir << "/hostkey\nPidFile " << dir << "/sshd.pid\n"
         << "AuthorizedKeysFile " << dir << "/authorized_keys\nPermitRootLogin yes\n"
         << "PasswordAuthentication " << (passwordLogin_ ? "yes" : "no") << "\n"
         << "KbdInteractiveAuthentication " << (keyboardInteractive_ ? "yes" : "no") << "\n"
         // Keyboard-interactive questions come from PAM (pam_unix reading the
         // shadow copy); without it sshd has no device to ask with.
         << "UsePAM " << (keyboardInteractive_ ? "yes" : "no") << "\nStrictModes no\nUseDNS no\nLogLevel VERBOSE\n"
         << "Subsystem sftp internal-sftp -d " << home_ << "\n";
    if (!writeText(dir + "/sshd_config", conf.str()))
        return ::testing::AssertionFailure() << "sshd: cannot write its configuration";

    const std::string script = "mount -t tmpfs none /run && mkdir -p /run/sshd && mount --bind '" + dir
                               + "/shadow' /etc/shadow && exec /usr/sbin/sshd -D -e -f '" + dir + "/sshd_config'";
    return process_.start("sshd", {"/usr/bin/unshare", "-m", "--propagation", "private", "sh", "-c", script},
                          dir + "/server.log", 22, timeoutMs);
}

namespace {

// The processes `pid` started, and theirs, from /proc.
void descendants(pid_t pid, std::vector<pid_t> &out)
{
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    pid_t child = 0;
    while (children >> child) {
        out.push_back(child);
        descendants(child, out);
    }
}

} // namespace

void SshdServer::kill()
{
    killSessions();
    process_.stop();
}

void SshdServer::killSessions()
{
    if (process_.pid() <= 0)
        return;
    std::vector<pid_t> pids;
    descendants(process_.pid(), pids);
    for (pid_t pid : pids)
        ::kill(pid, SIGKILL);
}

} // namespace kavtest
