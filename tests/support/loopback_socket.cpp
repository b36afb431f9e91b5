#include "loopback_socket.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kavtest {

sockaddr_in loopback(const char *address, int port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(uint16_t(port));
    inet_pton(AF_INET, address, &sa.sin_addr);
    return sa;
}

int listenOn(int port, int backlog)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa = loopback("127.0.0.1", port);
    if (bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0 || listen(fd, backlog) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace kavtest
