#include "byte_peer.h"
#include "loopback_socket.h"
#include "wait_until.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kavtest {

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : int(left);
}


std::string printable(const std::string &s)
{
    std::string out;
    for (unsigned char c : s) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else
            out += char(c);
    }
    return out;
}

} // namespace

BytePeer::BytePeer(int port) : port_(port) {}

BytePeer::~BytePeer()
{
    if (stopPipe_[1] >= 0) {
        char c = 'x';
        (void)!write(stopPipe_[1], &c, 1);
    }
    if (thread_.joinable())
        thread_.join();
    for (int fd : {listenFd_, controlFd_, dataFd_, stopPipe_[0], stopPipe_[1]})
        if (fd >= 0)
            ::close(fd);
    for (int fd : oldControls_)
        ::close(fd);
}

void BytePeer::add(Step step)
{
    // The script belongs to the peer's thread once it runs.
    if (thread_.joinable()) {
        ADD_FAILURE() << "scripted peer: a step was added after start()";
        return;
    }
    steps_.push_back(std::move(step));
}

BytePeer &BytePeer::send(const std::string &bytes, int pauseMs)
{
    add({Kind::Send, bytes, pauseMs});
    return *this;
}

BytePeer &BytePeer::expect(const std::string &line)
{
    add({Kind::Expect, line, 0});
    return *this;
}

BytePeer &BytePeer::wait(int ms)
{
    add({Kind::Wait, {}, ms});
    return *this;
}

BytePeer &BytePeer::close()
{
    add({Kind::Close, {}, 0});
    return *this;
}

BytePeer &BytePeer::acceptNext()
{
    add({Kind::Accept, {}, 0});
    return *this;
}

BytePeer &BytePeer::dataConnect(const std::string &fromAddress)
{
    add({Kind::DataConnect, fromAddress, 0});
    return *this;
}

BytePeer &BytePeer::dataSend(const std::string &bytes, int pauseMs)
{
    add({Kind::DataSend, bytes, pauseMs});
    return *this;
}

BytePeer &BytePeer::dataReceive()
{
    add({Kind::DataReceive, {}, 0});
    return *this;
}

BytePeer &BytePeer::dataClose()
{
    add({Kind::DataClose, {}, 0});
    return *this;
}

BytePeer &BytePeer::setStepTimeout(int ms)
{
    stepTimeoutMs_ = ms;
    return *this;
}

::testing::AssertionResult BytePeer::start()
{
    if (listenFd_ >= 0)
        return ::testing::AssertionFailure() << "scripted peer started twice";
    listenFd_ = listenOn(port_, 4);
    if (listenFd_ < 0)
        return ::testing::AssertionFailure()
               << "scripted peer cannot listen on 127.0.0.1:" << port_ << ": " << std::strerror(errno);
    if (pipe2(stopPipe_, O_CLOEXEC) != 0)
        return ::testing::AssertionFailure() << "scripted peer: pipe failed";
    thread_ = std::thread([this] { run(); });
    return ::testing::AssertionSuccess();
}

bool BytePeer::done() const
{
    std::lock_guard lock(mutex_);
    return done_;
}

::testing::AssertionResult BytePeer::waitDone(int timeoutMs)
{
    waitUntil([this] { return done(); }, timeoutMs);
    std::lock_guard lock(mutex_);
    if (!done_)
        return ::testing::AssertionFailure()
               << "scripted peer still at step " << currentStep_ + 1 << " of " << steps_.size()
               << " (" << describe(currentStep_) << ") after " << timeoutMs << " ms; lines so far: "
               << commands_.size();
    if (!errors_.empty()) {
        auto r = ::testing::AssertionFailure();
        for (const auto &e : errors_)
            r << e << "\n";
        return r;
    }
    return ::testing::AssertionSuccess();
}

std::vector<std::string> BytePeer::commands() const
{
    std::lock_guard lock(mutex_);
    return commands_;
}

std::string BytePeer::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

std::string BytePeer::dataReceived() const
{
    std::lock_guard lock(mutex_);
    return dataReceived_;
}

std::string BytePeer::describe(size_t i) const
{
    if (i >= steps_.size())
        return "end";
    const Step &s = steps_[i];
    switch (s.kind) {
    case Kind::Send: return "send \"" + printable(s.bytes) + "\"";
    case Kind::Expect: return s.bytes.empty() ? "expect a line" : "expect \"" + printable(s.bytes) + "\"";
    case Kind::Wait: return "wait " + std::to_string(s.ms) + " ms";
    case Kind::Close: return "close";
    case Kind::Accept: return "accept a further connection";
    case Kind::DataConnect: return "connect to the PORT address";
    case Kind::DataSend: return "data send \"" + printable(s.bytes.substr(0, 40)) + "\"";
    case Kind::DataReceive: return "receive data until the client closes";
    case Kind::DataClose: return "close the data connection";
    }
    return {};
}

void BytePeer::fail(const std::string &why)
{
    std::lock_guard lock(mutex_);
    errors_.push_back("step " + std::to_string(currentStep_ + 1) + " (" + describe(currentStep_)
                      + "): " + why);
}

bool BytePeer::sendAll(int fd, const std::string &bytes)
{
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    size_t off = 0;
    while (off < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        off += size_t(n);
    }
    return true;
}

bool BytePeer::acceptControl()
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(stepTimeoutMs_);
    for (;;) {
        pollfd p[2] = {{listenFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        int r = poll(p, 2, msLeft(deadline));
        if (p[1].revents)
            return false;
        if (r == 0) {
            fail("no connection within " + std::to_string(stepTimeoutMs_) + " ms");
            return true;
        }
        if (p[0].revents & POLLIN) {
            int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            if (controlFd_ >= 0)
                oldControls_.push_back(controlFd_);
            controlFd_ = fd;
            controlClosed_ = false;
            std::lock_guard lock(mutex_);
            inbuf_.clear();
            return true;
        }
    }
}

bool BytePeer::ensureControl()
{
    if (controlFd_ >= 0)
        return true;
    return acceptControl();
}

bool BytePeer::readControl(int timeoutMs)
{
    pollfd p[2] = {{controlClosed_ ? -1 : controlFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    int r = poll(p, 2, timeoutMs);
    if (p[1].revents)
        return false;
    if (r <= 0 || !(p[0].revents & (POLLIN | POLLHUP | POLLERR)))
        return true;
    char buf[4096];
    ssize_t n = recv(controlFd_, buf, sizeof buf, 0);
    if (n <= 0) {
        controlClosed_ = true;
        return true;
    }
    std::lock_guard lock(mutex_);
    received_.append(buf, size_t(n));
    inbuf_.append(buf, size_t(n));
    size_t eol;
    while ((eol = inbuf_.find("\r\n")) != std::string::npos) {
        commands_.push_back(inbuf_.substr(0, eol));
        inbuf_.erase(0, eol + 2);
    }
    return true;
}

void BytePeer::run()
{
    auto waitMs = [this](int ms) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        while (msLeft(deadline) > 0) {
            if (controlFd_ >= 0 && !controlClosed_) {
                if (!readControl(msLeft(deadline)))
                    return false;
            } else {
                pollfd p{stopPipe_[0], POLLIN, 0};
                if (poll(&p, 1, msLeft(deadline)) > 0)
                    return false;
            }
        }
        return true;
    };

    for (size_t i = 0; i < steps_.size(); ++i) {
        {
            std::lock_guard lock(mutex_);
            currentStep_ = i;
        }
        const Step &s = steps_[i];
        switch (s.kind) {
        case Kind::Send:
            if (!ensureControl())
                return;
            if (controlFd_ >= 0 && !sendAll(controlFd_, s.bytes))
                fail("the client has closed the connection");
            if (s.ms > 0 && !waitMs(s.ms))
                return;
            break;
        case Kind::Expect: {
            if (!ensureControl())
                return;
            const auto deadline = Clock::now() + std::chrono::milliseconds(stepTimeoutMs_);
            bool got = false;
            for (;;) {
                {
                    std::lock_guard lock(mutex_);
                    if (consumed_ < commands_.size()) {
                        const std::string line = commands_[consumed_++];
                        got = true;
                        if (!s.bytes.empty() && line != s.bytes)
                            errors_.push_back("step " + std::to_string(i + 1) + ": expected \""
                                              + printable(s.bytes) + "\", got \"" + printable(line)
                                              + "\"");
                        break;
                    }
                }
                if (controlFd_ < 0 || controlClosed_ || msLeft(deadline) == 0)
                    break;
                if (!readControl(msLeft(deadline)))
                    return;
            }
            if (!got)
                fail(controlClosed_ || controlFd_ < 0 ? "the client closed the connection"
                                                      : "no line within " + std::to_string(stepTimeoutMs_) + " ms");
            break;
        }
        case Kind::Wait:
            if (!waitMs(s.ms))
                return;
            break;
        case Kind::Close:
            if (controlFd_ >= 0) {
                ::close(controlFd_);
                controlFd_ = -1;
                controlClosed_ = true;
            }
            break;
        case Kind::Accept:
            if (!acceptControl())
                return;
            break;
        case Kind::DataConnect: {
            std::string port;
            {
                std::lock_guard lock(mutex_);
                for (auto it = commands_.rbegin(); it != commands_.rend(); ++it)
                    if (it->size() > 5 && strncasecmp(it->c_str(), "PORT ", 5) == 0) {
                        port = it->substr(5);
                        break;
                    }
            }
            unsigned h[4], p[2];
            if (std::sscanf(port.c_str(), "%u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &p[0], &p[1]) != 6) {
                fail("no usable PORT command received (\"" + printable(port) + "\")");
                break;
            }
            const std::string to = std::to_string(h[0]) + "." + std::to_string(h[1]) + "."
                                   + std::to_string(h[2]) + "." + std::to_string(h[3]);
            if (dataFd_ >= 0)
                ::close(dataFd_);
            dataFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in from = loopback(s.bytes.c_str(), 0);
            sockaddr_in sa = loopback(to.c_str(), int(p[0] * 256 + p[1]));
            if (bind(dataFd_, reinterpret_cast<sockaddr *>(&from), sizeof from) != 0
                || connect(dataFd_, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
                fail("cannot connect to " + to + ":" + std::to_string(p[0] * 256 + p[1]) + ": "
                     + std::strerror(errno));
                ::close(dataFd_);
                dataFd_ = -1;
            }
            break;
        }
        case Kind::DataSend:
            if (dataFd_ < 0 || !sendAll(dataFd_, s.bytes))
                fail("no open data connection");
            if (s.ms > 0 && !waitMs(s.ms))
                return;
            break;
        case Kind::DataReceive: {
            if (dataFd_ < 0) {
                fail("no open data connection");
                break;
            }
            const auto deadline = Clock::now() + std::chrono::milliseconds(stepTimeoutMs_);
            for (;;) {
                pollfd p[2] = {{dataFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
                int r = poll(p, 2, msLeft(deadline));
                if (p[1].revents)
                    return;
                if (r == 0) {
                    fail("the client did not close the data connection");
                    break;
                }
                char buf[65536];
                ssize_t n = recv(dataFd_, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                std::lock_guard lock(mutex_);
                dataReceived_.append(buf, size_t(n));
            }
            break;
        }
        case Kind::DataClose:
            if (dataFd_ >= 0) {
                ::close(dataFd_);
                dataFd_ = -1;
            }
            break;
        }
    }
    {
        std::lock_guard lock(mutex_);
        currentStep_ = steps_.size();
        done_ = true;
    }
    // Keep recording whatever the client still says (QUIT, further commands).
    while (controlFd_ >= 0 && !controlClosed_)
        if (!readControl(1000))
            return;
}

} // namespace kavtest
