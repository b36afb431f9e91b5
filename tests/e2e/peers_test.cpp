// The test peers checked with a plain socket client, so that a fault in a
// peer is never mistaken for a fault of the program.
#include "ftp_server.h"
#include "scripted_peer.h"
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
    kavtest::ScriptedPeer squatter;
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
        GTEST_SKIP() << why;
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

// ---------------------------------------------------------- scripted peer

TEST(ScriptedPeer, SegmentsArriveAsScripted)
{
    kavtest::ScriptedPeer peer;
    // A reply split over two segments, then two replies in one segment.
    peer.send("220 first", 300).send(" half\r\n").expect("NOOP").send("150 go\r\n226 done\r\n");
    ASSERT_TRUE(peer.start());
    Client client;
    ASSERT_TRUE(client.connected());
    EXPECT_EQ(client.recvOnce(), "220 first");
    EXPECT_EQ(client.recvOnce(), " half\r\n");
    client.command("NOOP");
    ASSERT_TRUE(peer.waitDone(5000));
    usleep(100 * 1000); // both replies are in the socket by now
    EXPECT_EQ(client.recvOnce(), "150 go\r\n226 done\r\n");
}

TEST(ScriptedPeer, RecordsEveryLineAndReportsMismatches)
{
    kavtest::ScriptedPeer peer;
    peer.send("220 hi\r\n").expect("USER kim").expect("PASS x").send("230 ok\r\n");
    ASSERT_TRUE(peer.start());
    Client client;
    client.recvOnce();
    // Split across writes, a mismatching line, and lines after the script.
    client.command("USER kim");
    ::send(client.fd(), "PASS ", 5, 0);
    usleep(50 * 1000);
    ::send(client.fd(), "y\r\n", 3, 0);
    EXPECT_EQ(client.reply(), "230 ok\r\n");
    client.command("QUIT");
    const auto result = peer.waitDone(5000);
    EXPECT_FALSE(result);
    EXPECT_NE(std::string(result.message()).find("expected \"PASS x\", got \"PASS y\""), std::string::npos)
        << result.message();
    ASSERT_TRUE(kavtest::waitUntil([&] { return peer.commands().size() == 3; }, 2000));
    EXPECT_EQ(peer.commands(), (std::vector<std::string>{"USER kim", "PASS y", "QUIT"}));
    EXPECT_EQ(peer.received(), "USER kim\r\nPASS y\r\nQUIT\r\n");
}

TEST(ScriptedPeer, OpensDataConnectionsToThePortCommand)
{
    // The client side of an active-mode transfer.
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&sa), sizeof sa), 0);
    listen(listener, 1);
    socklen_t len = sizeof sa;
    getsockname(listener, reinterpret_cast<sockaddr *>(&sa), &len);
    const int port = ntohs(sa.sin_port);
    const std::string portCommand = "PORT 127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256);

    struct Case { const char *from; const char *want; };
    for (const Case c : {Case{"127.0.0.1", "127.0.0.1"}, Case{"127.0.0.9", "127.0.0.9"}}) {
        SCOPED_TRACE(c.from);
        kavtest::ScriptedPeer peer;
        peer.send("220 hi\r\n").expect().send("200 ok\r\n").expect("RETR f")
            .send("150 go\r\n").dataConnect(c.from).dataSend("file body").dataClose()
            .send("226 done\r\n").expect("STOR g").send("150 go\r\n").dataConnect()
            .dataReceive().send("226 done\r\n");
        ASSERT_TRUE(peer.start());
        Client client;
        client.reply();
        EXPECT_EQ(client.ask(portCommand), "200 ok\r\n");
        EXPECT_EQ(client.ask("RETR f"), "150 go\r\n");
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        int data = accept(listener, reinterpret_cast<sockaddr *>(&from), &fromLen);
        ASSERT_GE(data, 0);
        char addr[INET_ADDRSTRLEN];
        EXPECT_STREQ(inet_ntop(AF_INET, &from.sin_addr, addr, sizeof addr), c.want);
        std::string body;
        char buf[256];
        for (ssize_t n; (n = recv(data, buf, sizeof buf, 0)) > 0;)
            body.append(buf, size_t(n));
        ::close(data);
        EXPECT_EQ(body, "file body");
        EXPECT_EQ(client.reply(), "226 done\r\n");

        EXPECT_EQ(client.ask("STOR g"), "150 go\r\n");
        data = accept(listener, nullptr, nullptr);
        ASSERT_GE(data, 0);
        ::send(data, "upload", 6, 0);
        ::close(data);
        EXPECT_EQ(client.reply(), "226 done\r\n");
        EXPECT_TRUE(peer.waitDone(5000));
        EXPECT_EQ(peer.dataReceived(), "upload");
    }
    ::close(listener);
}

TEST(ScriptedPeer, AcceptsAFurtherConnection)
{
    kavtest::ScriptedPeer peer;
    peer.send("220 one\r\n").close().acceptNext().send("220 two\r\n").expect("QUIT");
    ASSERT_TRUE(peer.start());
    {
        Client first;
        EXPECT_EQ(first.reply(), "220 one\r\n");
        EXPECT_EQ(first.recvOnce(), ""); // closed by the peer
    }
    Client second;
    EXPECT_EQ(second.reply(), "220 two\r\n");
    second.command("QUIT");
    EXPECT_TRUE(peer.waitDone(5000));
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
