#pragma once
// Plain POSIX sockets on the test namespace's loopback, for the peers that run on
// threads of their own without Qt.

#include <netinet/in.h>

namespace kavtest {

sockaddr_in loopback(const char *address, int port);
// A listening TCP socket on 127.0.0.1:port, or -1.
int listenOn(int port, int backlog);

} // namespace kavtest
