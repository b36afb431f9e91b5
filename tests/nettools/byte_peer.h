// A byte-level peer for the services that are not FTP (finger, rexec, daytime):
// exact bytes out at exact moments, every byte in recorded. It listens on
// 127.0.0.1 of the test's own network namespace (tests are registered NETNS).
#pragma once

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kavtest {

// Plays a fixed script (all steps added before start()) on its own thread
// against one client:
//
//     kavtest::BytePeer peer;
//     peer.send("220 hello\r\n")
//         .expect("USER kim").send("331 \r\n", 100).send("x\r\n")
//         .expect().send("150 go\r\n226 done\r\n");
//     ASSERT_TRUE(peer.start());
//     ... drive the client ...
//     EXPECT_TRUE(peer.waitDone(5000));
//     EXPECT_EQ(peer.commands()[1].substr(0, 4), "PASS");
//
// The first step that needs the control connection accepts it. Every line
// the client sends on the control connection is recorded, in order, without
// its CR LF (the exact bytes, terminators included, are in received()); the
// peer keeps recording after the script has ended, until the client closes
// or the peer is destroyed. Each waiting step gives up after stepTimeoutMs.
class BytePeer
{
public:
    explicit BytePeer(int port = 21);
    ~BytePeer();
    BytePeer(const BytePeer &) = delete;
    BytePeer &operator=(const BytePeer &) = delete;

    // Sends the bytes in one write (one TCP segment, TCP_NODELAY); a pause
    // afterwards makes the next send a separate segment.
    BytePeer &send(const std::string &bytes, int pauseMs = 0);
    // Waits for the next command line. With `line`, a different line is
    // reported by waitDone() (the script goes on).
    BytePeer &expect(const std::string &line = {});
    // Waits (still recording what arrives).
    BytePeer &wait(int ms);
    // Closes the control connection.
    BytePeer &close();
    // Accepts another connection on the listening port; it becomes the
    // control connection (a previous one stays open until close() or the end).
    BytePeer &acceptNext();
    // Data connection: connects to the address and port of the last PORT
    // command received, from `fromAddress` (any 127.x.y.z address works on
    // loopback, for checking that a client refuses a stranger).
    BytePeer &dataConnect(const std::string &fromAddress = "127.0.0.1");
    BytePeer &dataSend(const std::string &bytes, int pauseMs = 0);
    // Reads the data connection until the client closes it.
    BytePeer &dataReceive();
    BytePeer &dataClose();

    BytePeer &setStepTimeout(int ms);

    // Listens (synchronously: a client may connect as soon as this returns)
    // and starts the script.
    ::testing::AssertionResult start();
    // Waits, pumping Qt events, until the script has ended; fails with the
    // step that did not complete or with the lines that differed.
    ::testing::AssertionResult waitDone(int timeoutMs = 10000);
    bool done() const;

    std::vector<std::string> commands() const;
    std::string received() const;
    std::string dataReceived() const;
    int port() const { return port_; }

private:
    enum class Kind { Send, Expect, Wait, Close, Accept, DataConnect, DataSend, DataReceive, DataClose };
    struct Step { Kind kind; std::string bytes; int ms = 0; };
    void add(Step step);
    std::string describe(size_t i) const;
    void run();
    bool ensureControl();
    bool acceptControl();
    bool readControl(int timeoutMs); // false on a stop request
    bool sendAll(int fd, const std::string &bytes);
    void fail(const std::string &why);

    int port_;
    int stepTimeoutMs_ = 10000;
    std::vector<Step> steps_;
    int listenFd_ = -1;
    int controlFd_ = -1;
    std::vector<int> oldControls_;
    bool controlClosed_ = false; // by the client
    int dataFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string inbuf_;
    std::string received_;
    std::string dataReceived_;
    std::vector<std::string> commands_;
    size_t consumed_ = 0;
    std::vector<std::string> errors_;
    size_t currentStep_ = 0;
    bool done_ = false;
};

} // namespace kavtest
