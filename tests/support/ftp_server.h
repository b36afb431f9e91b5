// Real FTP servers for end-to-end tests, on 127.0.0.1:21 of the test's own
// network namespace (tests that use them are registered with NETNS).
//
//     kavtest::FtpServer server;
//     server.addUser("kim", "secret", home.path().toStdString());
//     ASSERT_TRUE(server.start());
//
// The destructor stops and reaps the server, so the next test can listen on
// the same port.
#pragma once

#include "server_process.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kavtest {

// A private scratch directory, removed with everything in it.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// pyftpdlib, through tests/fixtures/ftp_server.py.
class FtpServer
{
public:
    // How file names travel: Utf8 decodes and encodes them as UTF-8 (a name
    // on disk that is not UTF-8 is mangled, as pyftpdlib does by default);
    // RawBytes passes the bytes on disk through unchanged both ways, like an
    // old server with CP949 names.
    enum class Names { Utf8, RawBytes };

    // perm letters as pyftpdlib knows them: "elr" read only, "elradfmwMT" all.
    FtpServer &addUser(const std::string &name, const std::string &password,
                       const std::string &home, const std::string &perm = "elradfmwMT");
    FtpServer &allowAnonymous(const std::string &home, const std::string &perm = "elr");
    // The text after "220 " in the greeting.
    FtpServer &setBanner(const std::string &text);
    FtpServer &setNames(Names names);
    // Accept "LIST -lai name" (pyftpdlib alone answers 550) and print an
    // inode column when -i is given.
    FtpServer &acceptListOptions(bool on = true);
    FtpServer &setPort(int port);
    // Explicit TLS required for the login and the data (TLS_FTPHandler) with
    // this certificate (chain) and key, PEM files.
    FtpServer &requireTls(const std::string &certFile, const std::string &keyFile);
    // Downloads no faster than this many bytes a second (0: as fast as it can).
    FtpServer &setDownloadLimit(int bytesPerSecond);
    // Ends a session idle this many seconds ("421 ..." and the close; 0: its default, 300).
    FtpServer &setIdleTimeout(int seconds);
    // The address to listen on: "127.0.0.1" (the default) or "::1".
    FtpServer &setAddress(const std::string &address);
    // Other permission letters for one user in one directory and below (a
    // directory that may be entered but not listed: "e").
    FtpServer &overridePerm(const std::string &user, const std::string &directory, const std::string &perm);

    // Answers `command` with `reply` (e.g. "536 Not supported.") instead of carrying it out.
    FtpServer &answer(const std::string &command, const std::string &reply);

    // A command the server does not know at all (500, and not in FEAT): "MFMT".
    FtpServer &without(const std::string &command);
    // A command other servers have and pyftpdlib lacks: "SITE UTIME", "HASH",
    // "XSHA256", "XSHA1", "XMD5" (offered in FEAT too).
    FtpServer &extend(const std::string &command);

    // Starts the server and waits until it listens; the failure message
    // carries the server's output.
    ::testing::AssertionResult start(int timeoutMs = 5000);
    void stop() { process_.stop(); }
    std::string log() const { return process_.log(); }
    int port() const { return port_; }
    // The leader of the server's process group (to stop and continue it).
    pid_t pid() const { return process_.pid(); }

private:
    struct User { std::string name, password, home, perm; };
    std::vector<User> users_;
    bool anonymous_ = false;
    std::string anonymousHome_, anonymousPerm_;
    std::string banner_;
    bool bannerSet_ = false;
    Names names_ = Names::Utf8;
    bool listOptions_ = false;
    int downloadLimit_ = 0;
    int idleTimeout_ = 0;
    int port_ = 21;
    std::string address_ = "127.0.0.1";
    std::string tlsCert_, tlsKey_;
    std::vector<std::pair<std::string, std::string>> answers_;
    std::vector<std::string> without_, extensions_;
    struct Override { std::string user, directory, perm; };
    std::vector<Override> overrides_;
    ScratchDir scratch_;
    ServerProcess process_;
};

// vsftpd 3 with virtual users mapped to the system's "ftp" user. It needs
// real root (not a user namespace) and runs in a private mount namespace of
// its own, where its PAM file is bind-mounted: /etc is never changed.
//
//     if (std::string why; !kavtest::VsftpdServer::available(&why)) FAIL() << why;
class VsftpdServer
{
public:
    static bool available(std::string *whyNot = nullptr);

    // The home becomes the user's root; it (and everything in it) is handed
    // to the "ftp" user so that uploads, renames and deletes work.
    VsftpdServer &addUser(const std::string &name, const std::string &password,
                          const std::string &home);
    VsftpdServer &setBanner(const std::string &text);
    // One more "directive=value" line for the configuration file.
    VsftpdServer &addConfig(const std::string &line);
    VsftpdServer &setPort(int port);
    // The address to listen on: "127.0.0.1" (the default) or "::1".
    VsftpdServer &setAddress(const std::string &address);

    ::testing::AssertionResult start(int timeoutMs = 5000);
    void stop() { process_.stop(); }
    // The server's output and its own log (with the FTP dialogue).
    std::string log() const;
    int port() const { return port_; }

private:
    struct User { std::string name, password, home; };
    std::vector<User> users_;
    std::vector<std::string> extra_;
    std::string banner_;
    int port_ = 21;
    std::string address_ = "127.0.0.1";
    ScratchDir scratch_;
    ServerProcess process_;
};

} // namespace kavtest
