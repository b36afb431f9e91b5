#include "blackhole_peer.h"
#include "loopback_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kavtest {

namespace {


} // namespace

// ------------------------------------------------------------ BlackholePeer

BlackholePeer::BlackholePeer(int port) : port_(port) {}

BlackholePeer::~BlackholePeer()
{
    for (int fd : fillers_)
        ::close(fd);
    if (listenFd_ >= 0)
        ::close(listenFd_);
}

::testing::AssertionResult BlackholePeer::start()
{
    listenFd_ = listenOn(port_, 0);
    if (listenFd_ < 0)
        return ::testing::AssertionFailure()
               << "black hole cannot listen on 127.0.0.1:" << port_ << ": " << std::strerror(errno);
    const sockaddr_in sa = loopback("127.0.0.1", port_);
    auto connectPending = [&](int &fd) {
        // True when the connect is still waiting for its handshake after a while.
        fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        int r = connect(fd, reinterpret_cast<const sockaddr *>(&sa), sizeof sa);
        if (r == 0 || errno != EINPROGRESS)
            return false;
        pollfd p{fd, POLLOUT, 0};
        return poll(&p, 1, 200) == 0;
    };
    // Fill the queue until a connect of ours no longer completes.
    bool full = false;
    for (int i = 0; i < 8 && !full; ++i) {
        int fd = -1;
        full = connectPending(fd);
        if (fd >= 0)
            fillers_.push_back(fd);
    }
    if (!full)
        return ::testing::AssertionFailure() << "black hole: the listen queue never filled up";
    // A connect made now must hang too, or connect time-limit tests would be
    // measuring something else.
    int probe = -1;
    bool hangs = connectPending(probe);
    if (probe >= 0)
        ::close(probe);
    if (!hangs)
        return ::testing::AssertionFailure() << "black hole: a further connect still completes";
    return ::testing::AssertionSuccess();
}

} // namespace kavtest
