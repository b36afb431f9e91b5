// The test peers checked with a plain socket client, so that a fault in a
// peer is never mistaken for a fault of the program.
#include "ftp_server.h"
#include "blackhole_peer.h"
#include "wait_until.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A minimal blocking client: just enough FTP to look at the peers.
class Client
{
public:
    explicit Client(int port = 21)
    {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(uint16_t(port));
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        timeval tv{5, 0};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        connected_ = connect(fd_, reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0;
    }
    ~Client() { ::close(fd_); }
    bool connected() const { return connected_; }
    int fd() const { return fd_; }

    // One recv, as the program's first read would see it.
    std::string recvOnce()
    {
        char buf[4096];
        ssize_t n = recv(fd_, buf, sizeof buf, 0);
        return n > 0 ? std::string(buf, size_t(n)) : std::string();
    }
    // One whole reply (multi-line replies end with "ddd ").
    std::string reply()
    {
        std::string line = readLine();
        std::string all = line;
        if (line.size() >= 4 && line[3] == '-') {
            const std::string end = line.substr(0, 3) + " ";
            do {
                line = readLine();
                all += line;
            } while (!line.empty() && line.compare(0, 4, end) != 0);
        }
        return all;
    }
    void command(const std::string &line)
    {
        const std::string out = line + "\r\n";
        ::send(fd_, out.data(), out.size(), MSG_NOSIGNAL);
    }
    std::string ask(const std::string &line)
    {
        command(line);
        return reply();
    }
    // NLST through a passive data connection; the raw bytes of the listing.
    std::string nlst()
    {
        std::string pasv = ask("PASV");
        unsigned h[4], p[2];
        size_t open = pasv.find('(');
        if (open == std::string::npos
            || std::sscanf(pasv.c_str() + open, "(%u,%u,%u,%u,%u,%u)", &h[0], &h[1], &h[2], &h[3], &p[0], &p[1]) != 6)
            return "PASV failed: " + pasv;
        Client data(int(p[0] * 256 + p[1]));
        command("NLST");
        std::string first = reply();
        if (first.compare(0, 3, "150") != 0 && first.compare(0, 3, "125") != 0)
            return "NLST failed: " + first;
        std::string listing, chunk;
        while (!(chunk = data.recvOnce()).empty())
            listing += chunk;
        reply(); // 226
        return listing;
    }

private:
    std::string readLine()
    {
        std::string line;
        char c;
        while (recv(fd_, &c, 1, 0) == 1) {
            line += c;
            if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0)
                break;
        }
        return line;
    }
    int fd_;
    bool connected_ = false;
};

std::string code(const std::string &reply)
{
    return reply.substr(0, 3);
}

void writeFile(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// ------------------------------------------------------------ pyftpdlib

TEST(FtpServer, GreetsWithItsBannerAndLogsUsersIn)
{
    kavtest::ScratchDir home;
    writeFile(home.file("hello.txt"), "hello\n");
    struct Case { const char *user, *password, *wantPass; };
    const Case cases[] = {
        {"kim", "secret", "230"},
        {"kim", "wrong", "530"},
        {"anonymous", "guest@", "230"},
    };
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path())
        .allowAnonymous(home.path())
        .setBanner("카브린 시험 서버");
    ASSERT_TRUE(server.start());
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.user) + "/" + c.password);
        Client client;
        ASSERT_TRUE(client.connected());
        EXPECT_EQ(client.reply(), "220 카브린 시험 서버\r\n");
        EXPECT_EQ(code(client.ask(std::string("USER ") + c.user)), "331");
        EXPECT_EQ(code(client.ask(std::string("PASS ") + c.password)), c.wantPass);
        if (std::string(c.wantPass) == "230") {
            EXPECT_EQ(client.nlst(), "hello.txt\r\n");
        }
    }
}

TEST(FtpServer, RawNamesPassThroughUnchanged)
{
    kavtest::ScratchDir home;
    const std::string cp949 = "\xb6\xcb.txt";        // 똠 in CP949: not UTF-8
    const std::string utf8 = "\xed\x95\x9c.txt";      // 한 in UTF-8
    writeFile(home.file(cp949), "a");
    writeFile(home.file(utf8), "bb");
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path()).setNames(kavtest::FtpServer::Names::RawBytes);
    ASSERT_TRUE(server.start());
    Client client;
    client.reply();
    client.ask("USER kim");
    ASSERT_EQ(code(client.ask("PASS secret")), "230");
    const std::string listing = client.nlst();
    EXPECT_NE(listing.find(cp949 + "\r\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find(utf8 + "\r\n"), std::string::npos) << listing;
    // A command naming the file in its own bytes finds it.
    client.ask("TYPE I");
    EXPECT_EQ(client.ask("SIZE " + cp949), "213 1\r\n");
    EXPECT_EQ(client.ask("SIZE " + utf8), "213 2\r\n");
}

TEST(FtpServer, FailsClearlyWhenThePortIsTaken)
{
    kavtest::BlackholePeer squatter;
    ASSERT_TRUE(squatter.start());
    kavtest::FtpServer server;
    const auto started = server.start();
    EXPECT_FALSE(started);
    EXPECT_NE(std::string(started.message()).find("port 21"), std::string::npos) << started.message();
}

// ------------------------------------------------------------------ vsftpd

TEST(VsftpdServer, GreetsAndLogsInAVirtualUser)
{
    if (std::string why; !kavtest::VsftpdServer::available(&why))
        FAIL() << why;  // CI runs as root: a missing vsftpd or root is a failure
    kavtest::ScratchDir home;
    writeFile(home.file("hello.txt"), "hello\n");
    kavtest::VsftpdServer server;
    server.addUser("kim", "secret", home.path()).setBanner("Kavrin vsftpd");
    ASSERT_TRUE(server.start());
    Client client;
    ASSERT_TRUE(client.connected());
    EXPECT_EQ(client.reply(), "220 Kavrin vsftpd\r\n");
    EXPECT_EQ(code(client.ask("USER kim")), "331");
    ASSERT_EQ(code(client.ask("PASS secret")), "230") << server.log();
    EXPECT_EQ(client.ask("PWD"), "257 \"/\" is the current directory\r\n");
    EXPECT_EQ(client.nlst(), "hello.txt\r\n");
    // Writes work: the home belongs to the user vsftpd runs the session as.
    EXPECT_EQ(code(client.ask("MKD new")), "257") << server.log();
    EXPECT_TRUE(std::filesystem::is_directory(home.file("new")));

    Client stranger;
    stranger.reply();
    stranger.ask("USER kim");
    EXPECT_EQ(code(stranger.ask("PASS wrong")), "530");
}

// ------------------------------------------------------------- black hole

TEST(BlackholePeer, ConnectNeverCompletes)
{
    kavtest::BlackholePeer hole;
    ASSERT_TRUE(hole.start());
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(21);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_NE(connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa), 0);
    EXPECT_EQ(errno, EINPROGRESS);
    pollfd p{fd, POLLOUT, 0};
    EXPECT_EQ(poll(&p, 1, 1500), 0) << "the connect completed or failed";
    ::close(fd);
}

} // namespace
