// OpenSSH's sshd with its internal SFTP server, on 127.0.0.1:22 of the test's
// own network namespace (tests that use it are registered with NETNS), for
// the SFTP side of the remote file system.
//
//     kavtest::SshdServer sshd;
//     ASSERT_TRUE(sshd.start());
//     // sshd.clientKey(): a key the server takes; user "root", password sshd.password()
//
// The recipe: sshd runs in a private mount namespace of its own (unshare -m),
// where /run is a fresh tmpfs with /run/sshd (its privilege separation
// directory) and /etc/shadow is a bind-mounted copy whose root line has the
// test's password, so nothing of the machine's /etc or /run changes. Its host
// key, the client's keys and authorized_keys are made by the test in a
// scratch directory; "UsePAM no" makes sshd check the shadow copy itself
// (with keyboard-interactive on, PAM's pam_unix asks and reads the same copy).
// sshd.kill() ends the daemon and its sessions, a server that dies. The
// SFTP start directory is home() ("internal-sftp -d"). Needs real root (CI is).
#pragma once

#include "ftp_server.h"

#include <string>

namespace kavtest {

class SshdServer
{
public:
    SshdServer();
    // Whether sshd can run here (the programs and real root); `whyNot` says why not.
    static bool available(std::string *whyNot = nullptr);

    SshdServer &setKeyboardInteractive(bool on);
    SshdServer &setPasswordLogin(bool on);

    ::testing::AssertionResult start(int timeoutMs = 5000);
    void stop() { process_.stop(); }
    // The server dies at once: the daemon and every connection's process it
    // started (stop() leaves established sessions running, as sshd does).
    void kill();
    // The process of every connection dies at once, the daemon lives on: a
    // session that ends under the client while new connections are taken.
    void killSessions();
    std::string log() const { return process_.log(); }

    // The login directory of SFTP, on this machine's disk.
    const std::string &home() const { return home_; }
    const std::string &password() const { return password_; }
    // A client key without passphrase that the server accepts, and one with
    // passphrase "키 암호 phrase" (both ed25519, OpenSSH's format, ".pub" beside).
    std::string clientKey() const { return scratch_.file("client_key"); }
    std::string lockedClientKey() const { return scratch_.file("locked_key"); }
    static std::string lockedKeyPassphrase() { return "키 암호 phrase"; }
    // The server's public host key line ("ssh-ed25519 AAAA... comment").
    std::string hostPublicKey() const;
    // Replaces the host key by a new one (before start()): a "changed" key.
    ::testing::AssertionResult newHostKey();

private:
    ScratchDir scratch_;
    std::string home_;
    std::string password_ = "sftp 암호";
    bool keyboardInteractive_ = false;
    bool passwordLogin_ = true;
    ServerProcess process_;
};

} // namespace kavtest
