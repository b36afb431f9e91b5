#include "ftp_server.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kavtest {

namespace {

std::string fixturesDir()
{
    if (const char *env = std::getenv("KAVRIN_FIXTURES"); env && *env)
        return env;
    return KAVRIN_FIXTURES_DIR;
}

QString q(const std::string &s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

bool writeFile(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return bool(out);
}

// Runs a helper program to completion; returns its exit status (or -1).
int runProgram(const std::vector<std::string> &argv)
{
    std::vector<char *> args;
    for (const auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

ScratchDir::ScratchDir()
{
    std::string tmpl = (fs::temp_directory_path() / "kavtest-XXXXXX").string();
    if (char *p = mkdtemp(tmpl.data()))
        path_ = p;
    // Servers that drop privileges still need to reach files inside.
    if (!path_.empty())
        chmod(path_.c_str(), 0755);
}

ScratchDir::~ScratchDir()
{
    std::error_code ec;
    if (!path_.empty())
        fs::remove_all(path_, ec);
}

// ---------------------------------------------------------------- pyftpdlib

FtpServer &FtpServer::addUser(const std::string &name, const std::string &password,
                              const std::string &home, const std::string &perm)
{
    users_.push_back({name, password, home, perm});
    return *this;
}

FtpServer &FtpServer::allowAnonymous(const std::string &home, const std::string &perm)
{
    anonymous_ = true;
    anonymousHome_ = home;
    anonymousPerm_ = perm;
    return *this;
}

FtpServer &FtpServer::setBanner(const std::string &text)
{
    banner_ = text;
    bannerSet_ = true;
    return *this;
}

FtpServer &FtpServer::setNames(Names names)
{
    names_ = names;
    return *this;
}

FtpServer &FtpServer::acceptListOptions(bool on)
{
    listOptions_ = on;
    return *this;
}

FtpServer &FtpServer::answer(const std::string &command, const std::string &reply)
{
    answers_.emplace_back(command, reply);
    return *this;
}

FtpServer &FtpServer::without(const std::string &command)
{
    without_.push_back(command);
    return *this;
}

FtpServer &FtpServer::extend(const std::string &command)
{
    extensions_.push_back(command);
    return *this;
}

FtpServer &FtpServer::setPort(int port)
{
    port_ = port;
    return *this;
}

FtpServer &FtpServer::setAddress(const std::string &address)
{
    address_ = address;
    return *this;
}

FtpServer &FtpServer::requireTls(const std::string &certFile, const std::string &keyFile)
{
    tlsCert_ = certFile;
    tlsKey_ = keyFile;
    return *this;
}

FtpServer &FtpServer::setDownloadLimit(int bytesPerSecond)
{
    downloadLimit_ = bytesPerSecond;
    return *this;
}

FtpServer &FtpServer::setIdleTimeout(int seconds)
{
    idleTimeout_ = seconds;
    return *this;
}

FtpServer &FtpServer::overridePerm(const std::string &user, const std::string &directory, const std::string &perm)
{
    overrides_.push_back({user, directory, perm});
    return *this;
}

::testing::AssertionResult FtpServer::start(int timeoutMs)
{
    if (scratch_.path().empty())
        return ::testing::AssertionFailure() << "pyftpdlib: cannot create a scratch directory";
    QJsonObject cfg;
    cfg["host"] = q(address_);
    cfg["port"] = port_;
    QJsonArray users;
    for (const auto &u : users_)
        users.append(QJsonObject{{"name", q(u.name)}, {"password", q(u.password)},
                                 {"home", q(u.home)}, {"perm", q(u.perm)}});
    cfg["users"] = users;
    if (anonymous_)
        cfg["anonymous"] = QJsonObject{{"home", q(anonymousHome_)}, {"perm", q(anonymousPerm_)}};
    if (bannerSet_)
        cfg["banner"] = q(banner_);
    cfg["names"] = names_ == Names::RawBytes ? "raw" : "utf-8";
    cfg["list_options"] = listOptions_;
    if (!tlsCert_.empty())
        cfg["tls"] = QJsonObject{{"certfile", q(tlsCert_)}, {"keyfile", q(tlsKey_)}};
    cfg["download_limit"] = downloadLimit_;
    cfg["idle_timeout"] = idleTimeout_;
    QJsonArray overrides;
    for (const auto &o : overrides_)
        overrides.append(QJsonObject{{"user", q(o.user)}, {"dir", q(o.directory)}, {"perm", q(o.perm)}});
    cfg["overrides"] = overrides;
    QJsonObject answers;
    for (const auto &[command, reply] : answers_)
        answers[q(command)] = q(reply);
    cfg["answers"] = answers;
    QJsonArray without, extensions;
    for (const auto &c : without_)
        without.append(q(c));
    for (const auto &c : extensions_)
        extensions.append(q(c));
    cfg["without"] = without;
    cfg["extensions"] = extensions;
    const std::string json = QJsonDocument(cfg).toJson(QJsonDocument::Compact).toStdString();
    return process_.start("pyftpdlib",
                          {"/usr/bin/python3", fixturesDir() + "/ftp_server.py", json},
                          scratch_.file("server.log"), port_, timeoutMs);
}

// ------------------------------------------------------------------- vsftpd

bool VsftpdServer::available(std::string *whyNot)
{
    auto no = [&](const char *why) {
        if (whyNot)
            *whyNot = why;
        return false;
    };
    // uid 0 inside a user namespace (unshare -r) is not enough: vsftpd then
    // fails with "500 OOPS: setgroups". The initial namespace maps all ids.
    std::ifstream map("/proc/self/uid_map");
    long inside = -1, outside = -1, count = 0;
    map >> inside >> outside >> count;
    if (geteuid() != 0 || inside != 0 || outside != 0 || count != 4294967295L)
        return no("vsftpd needs real root (this test runs without it)");
    // Whatever else is missing (the programs, the PAM file, the "ftp" user) is
    // a broken test machine: start() fails and says what, never a skip.
    return true;
}

VsftpdServer &VsftpdServer::addUser(const std::string &name, const std::string &password,
                                    const std::string &home)
{
    users_.push_back({name, password, home});
    return *this;
}

VsftpdServer &VsftpdServer::setBanner(const std::string &text)
{
    banner_ = text;
    return *this;
}

VsftpdServer &VsftpdServer::addConfig(const std::string &line)
{
    extra_.push_back(line);
    return *this;
}

VsftpdServer &VsftpdServer::setPort(int port)
{
    port_ = port;
    return *this;
}

VsftpdServer &VsftpdServer::setAddress(const std::string &address)
{
    address_ = address;
    return *this;
}

std::string VsftpdServer::log() const
{
    std::ifstream in(scratch_.file("vsftpd.log"));
    std::ostringstream out;
    out << process_.log() << in.rdbuf();
    return out.str();
}

::testing::AssertionResult VsftpdServer::start(int timeoutMs)
{
    if (std::string why; !available(&why))
        return ::testing::AssertionFailure() << why;
    for (const char *prog : {"/usr/sbin/vsftpd", "/usr/bin/db_load", "/usr/bin/unshare"})
        if (access(prog, X_OK) != 0)
            return ::testing::AssertionFailure() << "vsftpd: " << prog << " is not installed (scripts/setup-deps)";
    if (access("/etc/pam.d/vsftpd", F_OK) != 0)
        return ::testing::AssertionFailure() << "vsftpd: /etc/pam.d/vsftpd is missing (needed as a mount point)";
    if (!getpwnam("ftp"))
        return ::testing::AssertionFailure() << "vsftpd: there is no \"ftp\" system user";
    const std::string dir = scratch_.path();
    if (dir.empty())
        return ::testing::AssertionFailure() << "vsftpd: cannot create a scratch directory";
    const passwd *ftp = getpwnam("ftp");

    // Virtual users: a Berkeley DB of name/password lines for pam_userdb, and
    // one file per user naming its root directory.
    std::string list;
    fs::create_directories(dir + "/users");
    for (const auto &u : users_) {
        list += u.name + "\n" + u.password + "\n";
        if (!writeFile(dir + "/users/" + u.name, "local_root=" + u.home + "\n"))
            return ::testing::AssertionFailure() << "vsftpd: cannot write the user file of " << u.name;
        std::error_code ec;
        lchown(u.home.c_str(), ftp->pw_uid, ftp->pw_gid);
        for (auto it = fs::recursive_directory_iterator(u.home, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            lchown(it->path().c_str(), ftp->pw_uid, ftp->pw_gid);
    }
    writeFile(dir + "/vusers.txt", list);
    if (runProgram({"/usr/bin/db_load", "-T", "-t", "hash", "-f", dir + "/vusers.txt",
                    dir + "/vusers.db"}) != 0)
        return ::testing::AssertionFailure() << "vsftpd: db_load could not build the user database";
    writeFile(dir + "/pam", "auth required pam_userdb.so db=" + dir + "/vusers\n"
                            "account required pam_permit.so\n");
    fs::create_directories(dir + "/empty");

    std::ostringstream conf;
    // vsftpd listens on one family: IPv6 with listen_ipv6 (and listen off).
    if (address_.find(':') != std::string::npos)
        conf << "listen=NO\nlisten_ipv6=YES\nlisten_address6=" << address_ << "\n";
    else
        conf << "listen=YES\nlisten_ipv6=NO\nlisten_address=" << address_ << "\n";
    conf << "listen_port=" << port_ << "\n"
         << "background=NO\nsecure_chroot_dir=" << dir << "/empty\nseccomp_sandbox=NO\n"
         << "anonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\nlocal_umask=022\n"
         << "chmod_enable=YES\npam_service_name=vsftpd\nguest_enable=YES\nguest_username=ftp\n"
         << "virtual_use_local_privs=YES\nuser_config_dir=" << dir << "/users\n"
         << "chroot_local_user=YES\nallow_writeable_chroot=YES\nport_enable=YES\n"
         << "connect_from_port_20=NO\n"
         << "xferlog_enable=YES\nxferlog_std_format=NO\nlog_ftp_protocol=YES\n"
         << "vsftpd_log_file=" << dir << "/vsftpd.log\n";
    if (!banner_.empty())
        conf << "ftpd_banner=" << banner_ << "\n";
    for (const auto &line : extra_)
        conf << line << "\n";
    if (!writeFile(dir + "/vsftpd.conf", conf.str()))
        return ::testing::AssertionFailure() << "vsftpd: cannot write its configuration";

    // A private mount namespace, so that the PAM file is replaced for vsftpd
    // alone and the bind mount disappears with it.
    const std::string script = "mount --bind '" + dir + "/pam' /etc/pam.d/vsftpd && exec /usr/sbin/vsftpd '"
                               + dir + "/vsftpd.conf'";
    return process_.start("vsftpd",
                          {"/usr/bin/unshare", "-m", "--propagation", "private", "sh", "-c", script},
                          dir + "/server.log", port_, timeoutMs);
}

} // namespace kavtest
