// A server started for one test: its own process group, its output kept in a
// log file for the failure message, stopped and reaped when the object goes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <sys/types.h>

namespace kavtest {

// True when something listens on 127.0.0.1:port or ::1 port (or on all
// addresses of either family) in this network namespace.
bool isListening(int port);

class ServerProcess
{
public:
    ServerProcess() = default;
    ~ServerProcess();
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;

    // Starts argv[0] (an absolute path) with stdout and stderr going to logPath,
    // then waits until the port accepts connections. `what` names the server in
    // failure messages.
    ::testing::AssertionResult start(const std::string &what, const std::vector<std::string> &argv,
                                     const std::string &logPath, int port, int timeoutMs);
    // Ends the whole process group (SIGTERM, then SIGKILL) and reaps the leader.
    void stop();
    bool running();
    pid_t pid() const { return pid_; }
    std::string log() const;

private:
    pid_t pid_ = -1;
    std::string logPath_;
};

} // namespace kavtest
