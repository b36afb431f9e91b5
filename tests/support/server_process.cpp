#include "server_process.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kavtest {

namespace {

// A listener on one of these local addresses (the kernel's hex form) in the table.
bool listensIn(const char *table, const std::string &loopback, const std::string &any)
{
    std::ifstream tcp(table);
    std::string line;
    std::getline(tcp, line); // header
    while (std::getline(tcp, line)) {
        std::istringstream in(line);
        std::string slot, local, remote, state;
        in >> slot >> local >> remote >> state;
        if (state == "0A" && (local == loopback || local == any))
            return true;
    }
    return false;
}

} // namespace

bool isListening(int port)
{
    char p[8];
    std::snprintf(p, sizeof p, ":%04X", port);
    return listensIn("/proc/net/tcp", std::string("0100007F") + p, std::string("00000000") + p)
        || listensIn("/proc/net/tcp6", std::string("00000000000000000000000001000000") + p,
                     std::string(32, '0') + p);
}

ServerProcess::~ServerProcess()
{
    stop();
}

std::string ServerProcess::log() const
{
    std::ifstream in(logPath_);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool ServerProcess::running()
{
    if (pid_ <= 0)
        return false;
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

::testing::AssertionResult ServerProcess::start(const std::string &what,
                                                const std::vector<std::string> &argv,
                                                const std::string &logPath, int port, int timeoutMs)
{
    stop();
    logPath_ = logPath;
    // A leftover listener would make the readiness check below pass for the
    // wrong server.
    if (isListening(port))
        return ::testing::AssertionFailure()
               << what << ": port " << port << " is already in use before the server starts";

    std::vector<char *> args;
    for (const auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);

    int logFd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (logFd < 0)
        return ::testing::AssertionFailure() << what << ": cannot create log " << logPath;
    pid_t pid = fork();
    if (pid < 0) {
        ::close(logFd);
        return ::testing::AssertionFailure() << what << ": fork failed";
    }
    if (pid == 0) {
        setpgid(0, 0);
        // Not in the test's working directory: a window under test moves it
        // into scratch directories that are gone by the time a later server
        // starts, and a server whose working directory was deleted fails on
        // paths it resolves (pyftpdlib hangs up on a CWD).
        if (::chdir("/") != 0)
            _exit(126);
        int devnull = ::open("/dev/null", O_RDONLY);
        dup2(devnull, 0);
        dup2(logFd, 1);
        dup2(logFd, 2);
        execv(args[0], args.data());
        _exit(127);
    }
    ::close(logFd);
    setpgid(pid, pid); // also from here, so that stop() never races the child
    pid_ = pid;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!running())
            return ::testing::AssertionFailure()
                   << what << " exited before listening on 127.0.0.1:" << port << "; its output:\n"
                   << log();
        if (isListening(port))
            return ::testing::AssertionSuccess();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::string out = log();
    stop();
    return ::testing::AssertionFailure() << what << " did not listen on 127.0.0.1:" << port
                                         << " within " << timeoutMs << " ms; its output:\n"
                                         << out;
}

void ServerProcess::stop()
{
    if (pid_ <= 0)
        return;
    ::kill(-pid_, SIGTERM);
    // Wait for the leader without reaping it: while it is a zombie its group
    // id cannot be reused, so the group kill below reaches only our processes
    // (session children of the server that may still linger).
    siginfo_t info{};
    for (int i = 0; i < 300; ++i) {
        info.si_pid = 0;
        if (waitid(P_PID, pid_, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid_)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(-pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

} // namespace kavtest
