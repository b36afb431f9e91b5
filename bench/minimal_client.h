#pragma once
// The ceiling of a benchmark: a minimal FTP client of plain blocking calls,
// active mode, moving file data in blocks of a given size and nothing else
// (no events, no progress, no conversions).

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

namespace kavbench {

class MinimalClient {
public:
    explicit MinimalClient(size_t block) : buffer(block) {}
    ~MinimalClient()
    {
        if (control >= 0)
            ::close(control);
    }
    MinimalClient(const MinimalClient &) = delete;
    MinimalClient &operator=(const MinimalClient &) = delete;

    // Connects to 127.0.0.1:21 and logs in with image type.
    bool login(const std::string &user, const std::string &password)
    {
        control = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa = loopback(21);
        if (::connect(control, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0)
            return false;
        return reply() == 220 && command("USER " + user) == 331 && command("PASS " + password) == 230
            && command("TYPE I") == 200;
    }
    // A data command whose data comes to us (RETR, LIST), written to `out`.
    bool receive(const std::string &dataCommand, int out)
    {
        const int data = open(dataCommand);
        if (data < 0)
            return false;
        bool ok = true;
        for (;;) {
            const ssize_t n = ::read(data, buffer.data(), buffer.size());
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            if (::write(out, buffer.data(), size_t(n)) != n) {
                ok = false;
                break;
            }
        }
        ::close(data);
        return reply() == 226 && ok;
    }
    // A data command whose data we send (STOR), read from `in`.
    bool send(const std::string &dataCommand, int in)
    {
        const int data = open(dataCommand);
        if (data < 0)
            return false;
        bool ok = true;
        for (bool more = true; more && ok;) {
            const ssize_t n = ::read(in, buffer.data(), buffer.size());
            more = n > 0;
            ok = n >= 0;
            for (ssize_t sent = 0; ok && sent < n;) {
                const ssize_t m = ::send(data, buffer.data() + sent, size_t(n - sent), MSG_NOSIGNAL);
                ok = m > 0;
                sent += m;
            }
        }
        ::close(data);
        return reply() == 226 && ok;
    }
    void quit() { sendLine("QUIT"); }
    // One command on the control connection: the code of its reply.
    int command(const std::string &line)
    {
        sendLine(line);
        return reply();
    }

private:
    static sockaddr_in loopback(int port)
    {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(0x7f000001);
        sa.sin_port = htons(port);
        return sa;
    }
    // PORT, the command, its preliminary reply, the server's connection.
    int open(const std::string &dataCommand)
    {
        const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa = loopback(0);
        socklen_t len = sizeof sa;
        int data = -1;
        if (::bind(listener, reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0 && ::listen(listener, 1) == 0
            && ::getsockname(listener, reinterpret_cast<sockaddr *>(&sa), &len) == 0) {
            const int port = ntohs(sa.sin_port);
            if (command("PORT 127,0,0,1," + std::to_string(port >> 8) + "," + std::to_string(port & 0xff)) == 200) {
                const int opened = command(dataCommand);
                if (opened == 150 || opened == 125)
                    data = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            }
        }
        ::close(listener);
        return data;
    }
    void sendLine(const std::string &line)
    {
        const std::string l = line + "\r\n";
        (void)!::write(control, l.data(), l.size());
    }
    // The code of the next whole reply (a multi-line reply ends with "ddd ").
    int reply()
    {
        for (;;) {
            const size_t end = pending.find("\r\n");
            if (end != std::string::npos) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 2);
                if (line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) && line[3] == ' ')
                    return std::atoi(line.c_str());
                continue;
            }
            char chunk[4096];
            const ssize_t n = ::read(control, chunk, sizeof chunk);
            if (n <= 0)
                return -1;
            pending.append(chunk, size_t(n));
        }
    }

    int control = -1;
    std::string pending;
    std::vector<char> buffer;
};

} // namespace kavbench
