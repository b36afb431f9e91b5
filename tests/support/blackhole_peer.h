// The never-answering server: a listener on 127.0.0.1 whose accept queue is
// full, so that a further connect never completes. Connect time limits and the
// stop button are tested against it.
#pragma once

#include <gtest/gtest.h>

#include <vector>

namespace kavtest {

class BlackholePeer
{
public:
    explicit BlackholePeer(int port = 21);
    ~BlackholePeer();
    BlackholePeer(const BlackholePeer &) = delete;
    BlackholePeer &operator=(const BlackholePeer &) = delete;

    // Fails unless a further connect really hangs.
    ::testing::AssertionResult start();

private:
    int port_;
    int listenFd_ = -1;
    std::vector<int> fillers_;
};

} // namespace kavtest
