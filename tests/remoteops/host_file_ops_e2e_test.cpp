// The host file commands against pyftpdlib (plain, and taking ls options with
// an i-node column) and vsftpd on 127.0.0.1:21 of this test's own network
// namespace, checked on the served files themselves.

#include "ftp_server.h"
#include "host_ops_fixture.h"

#include "platform/cp949.h"

#include <QCheckBox>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kav;
using kavtest::HostOps;
namespace fs = std::filesystem;

namespace {

enum class Server { Pyftpdlib, PyftpdlibWithListOptions, Vsftpd };

std::string serverName(const ::testing::TestParamInfo<Server> &info)
{
    switch (info.param) {
    case Server::Pyftpdlib: return "pyftpdlib";
    case Server::PyftpdlibWithListOptions: return "pyftpdlib_ls_options";
    case Server::Vsftpd: return "vsftpd";
    }
    return "?";
}

void writeFile(const std::string &path, const std::string &bytes, mode_t mode = 0644)
{
    std::ofstream(path, std::ios::binary) << bytes;
    ::chmod(path.c_str(), mode);
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The names in a served directory, as bytes, sorted.
std::vector<std::string> diskNames(const std::string &dir)
{
    std::vector<std::string> out;
    for (const auto &e : fs::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

int modeOf(const std::string &path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

// A file no one may delete or rename, root included, while this lives.
class Immutable {
public:
    explicit Immutable(const std::string &path) : path(path) { set(true); }
    ~Immutable() { set(false); }
    bool ok = false;

private:
    void set(bool on)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
    }
    std::string path;
};

struct Served {
    kavtest::ScratchDir home;
    std::unique_ptr<kavtest::FtpServer> py;
    std::unique_ptr<kavtest::VsftpdServer> vs;

    std::string file(const std::string &name) const { return home.file(name); }

    ::testing::AssertionResult start(Server which, kavtest::FtpServer::Names names = kavtest::FtpServer::Names::Utf8)
    {
        if (which == Server::Vsftpd) {
            vs = std::make_unique<kavtest::VsftpdServer>();
            // The served names are UTF-8; a vsftpd set up for them says so in
            // its FEAT (without it, Korean names go out in code page 949
            // until the server has shown one).
            vs->addUser("kim", "secret", home.path()).addConfig("utf8_filesystem=YES");
            return vs->start();
        }
        py = std::make_unique<kavtest::FtpServer>();
        py->addUser("kim", "secret", home.path(), "elradfmwMT").setNames(names);
        py->acceptListOptions(which == Server::PyftpdlibWithListOptions);
        return py->start();
    }
    std::string log() const { return py ? py->log() : vs ? vs->log() : std::string(); }
};

class HostFileOpsE2e : public ::testing::TestWithParam<Server> {};

} // namespace

TEST_P(HostFileOpsE2e, DeletesThreeFilesWithTheLastRefused)
{
    if (std::string why; GetParam() == Server::Vsftpd && !kavtest::VsftpdServer::available(&why))
        FAIL() << why;  // CI runs as root: a missing vsftpd or root is a failure
    Served s;
    for (const char *name : {"a.txt", "b.txt", "c.txt"})
        writeFile(s.file(name), name);
    ASSERT_TRUE(s.start(GetParam()));
    const Immutable kept(s.file("c.txt"));
    // The immutable flag needs the real root that vsftpd needs too.
    if (std::string why; !kept.ok && !kavtest::VsftpdServer::available(&why))
        FAIL() << why;  // CI runs as root: a missing vsftpd or root is a failure
    ASSERT_TRUE(kept.ok);

    HostOps h;
    h.login();
    ASSERT_EQ(h.fileNames(), (QStringList{"a.txt", "b.txt", "c.txt"}));
    h.selectFiles({"a.txt", "b.txt", "c.txt"});
    HostOps::scripted().pushButton(BtnYes);
    const qsizetype from = h.ui.log.size();
    h.ops->N_RDeleteClick();
    EXPECT_EQ(diskNames(s.home.path()), std::vector<std::string>{"c.txt"});
    EXPECT_EQ(h.fileNames(), QStringList{"c.txt"});
    EXPECT_EQ(h.selectedFiles(), QStringList{"c.txt"});
    const QStringList lines = h.logSince(from);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString &l) { return l.startsWith("[H] - 550"); }))
        << lines.join('\n').toStdString() << s.log();
}

TEST_P(HostFileOpsE2e, RenamesOntoAFreeNameButNeverOntoATakenOne)
{
    if (std::string why; GetParam() == Server::Vsftpd && !kavtest::VsftpdServer::available(&why))
        FAIL() << why;  // CI runs as root: a missing vsftpd or root is a failure
    Served s;
    writeFile(s.file("x.txt"), "x");
    writeFile(s.file("y.txt"), "y");
    ASSERT_TRUE(s.start(GetParam()));
    HostOps h;
    h.login();
    h.selectFiles({"x.txt"});
    HostOps::scripted().pushAccept(QStringLiteral("z.txt"));
    h.ops->N_RRenameClick();
    EXPECT_EQ(diskNames(s.home.path()), (std::vector<std::string>{"y.txt", "z.txt"}));
    EXPECT_EQ(h.selectedFiles(), QStringList{"z.txt"});

    HostOps::scripted().pushAccept(QStringLiteral("y.txt"));
    const qsizetype from = h.ui.log.size();
    h.ops->N_RRenameClick();
    EXPECT_FALSE(h.sentSince(from, QStringLiteral("RNFR")));
    EXPECT_EQ(readFile(s.file("y.txt")), "y");
    EXPECT_EQ(readFile(s.file("z.txt")), "x");
}

TEST_P(HostFileOpsE2e, RenamesByLetterCase)
{
    if (std::string why; GetParam() == Server::Vsftpd && !kavtest::VsftpdServer::available(&why))
        FAIL() << why;  // CI runs as root: a missing vsftpd or root is a failure
    Served s;
    writeFile(s.file("Read Me.txt"), "1");
    writeFile(s.file("한글File.Doc"), "2");
    ASSERT_TRUE(s.start(GetParam()));
    HostOps h;
    h.login();
    struct Step {
        const char *sender;
        std::vector<std::string> names;
    };
    const QList<Step> steps = {
        {"N_RUppercase", {"READ ME.TXT", "한글FILE.DOC"}},
        {"N_RLowercase", {"read me.txt", "한글file.doc"}},
        {"N_RSentencecase", {"Read me.txt", "한글file.doc"}},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.sender);
        h.files.selectAll();
        HostOps::scripted().pushButton(BtnYes);
        h.ops->N_RUppercaseClick(QString::fromLatin1(step.sender));
        EXPECT_EQ(diskNames(s.home.path()), step.names) << s.log();
        EXPECT_EQ(h.fileNames().size(), 2);
    }
    EXPECT_EQ(readFile(s.file("Read me.txt")), "1");
}

TEST_P(HostFileOpsE2e, KoreanDirectoriesInTheRootAndBelow)
{
    if (std::string why; GetParam() == Server::Vsftpd && !kavtest::VsftpdServer::available(&why))
        FAIL() << why;  // CI runs as root: a missing vsftpd or root is a failure
    Served s;
    fs::create_directory(s.file("full"));
    writeFile(s.file("full/keep.txt"), "keep");
    ASSERT_TRUE(s.start(GetParam()));
    HostOps h;
    h.login();
    auto &d = HostOps::scripted();

    d.pushAccept(QStringLiteral("/자료실"));
    h.ops->N_RMakeDirectoryClick();
    EXPECT_TRUE(fs::is_directory(s.file("자료실"))) << s.log();
    // Directories come in the server's order (pyftpdlib's MLSD keeps the disk's).
    const auto sorted = [](QStringList l) {
        l.sort();
        return l;
    };
    EXPECT_EQ(sorted(h.dirNames()), (QStringList{"full", "자료실"}));

    h.selectDir(QStringLiteral("자료실"));
    d.pushAccept(QStringLiteral("/자료 2"));
    h.ops->N_RRenameDirectoryClick();
    EXPECT_TRUE(fs::is_directory(s.file("자료 2")));
    EXPECT_FALSE(fs::exists(s.file("자료실")));

    // A directory with a file in it: refused, everything stays.
    h.selectDir(QStringLiteral("full"));
    d.pushAccept(QStringLiteral("/full"));
    h.ops->N_RDeleteDirectoryClick();
    EXPECT_EQ(readFile(s.file("full/keep.txt")), "keep");
    EXPECT_EQ(sorted(h.dirNames()), (QStringList{"full", "자료 2"}));

    // Below the root: the box starts with the current directory and a slash.
    h.enterDir(QStringLiteral("자료 2"));
    ASSERT_EQ(h.curName.currentText(), QStringLiteral("/자료 2"));
    d.pushAccept(QStringLiteral("/자료 2/하위"));
    h.ops->N_RMakeDirectoryClick();
    EXPECT_EQ(d.asked.back().value, QStringLiteral("/자료 2/"));
    EXPECT_TRUE(fs::is_directory(s.file("자료 2/하위")));
    h.selectDir(QStringLiteral("하위"));
    d.pushAccept(QStringLiteral("/자료 2/아래"));
    h.ops->N_RRenameDirectoryClick();
    EXPECT_EQ(diskNames(s.file("자료 2")), std::vector<std::string>{"아래"});
    h.selectDir(QStringLiteral("아래"));
    d.pushAccept(QStringLiteral("/자료 2/아래"));
    h.ops->N_RDeleteDirectoryClick();
    EXPECT_EQ(d.asked.back().text, QStringLiteral("디렉토리: /자료 2/아래"));
    EXPECT_TRUE(diskNames(s.file("자료 2")).empty());
    EXPECT_TRUE(h.dirNames().isEmpty());
}

TEST_P(HostFileOpsE2e, ChangesModeExactlyAsAsked)
{
    if (std::string why; GetParam() == Server::Vsftpd && !kavtest::VsftpdServer::available(&why))
        FAIL() << why;  // CI runs as root: a missing vsftpd or root is a failure
    Served s;
    writeFile(s.file("m.txt"), "mode", 0644);
    ASSERT_TRUE(s.start(GetParam()));
    const std::string path = s.file("m.txt");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);

    HostOps h;
    h.login();
    h.selectFiles({"m.txt"});
    const auto click = [](TChmodForm &form, const QList<const char *> &names) {
        for (const char *name : names)
            form.findChild<QCheckBox *>(QLatin1String(name))->click();
    };
    // vsftpd drops the set-user-id, set-group-id and sticky bits of SITE CHMOD
    // (and still answers 200); the window then shows what the file really has.
    const int kept = GetParam() == Server::Vsftpd ? 0777 : 07777;
    struct Step {
        const char *what;
        QList<const char *> boxes;
        int result;
        bool sends;   // SITE CHMOD
    };
    const QList<Step> steps = {
        {"three execute boxes", {"CB_OwnerExecute", "CB_GroupExecute", "CB_OtherExecute"}, QDialog::Accepted, true},
        {"set-user-id", {"CB_ExecutableSUID"}, QDialog::Accepted, true},
        {"OK unchanged", {}, QDialog::Accepted, false},
        {"changed and changed back, OK", {"CB_OwnerWrite", "CB_OwnerWrite"}, QDialog::Accepted, false},
        {"Cancel", {"CB_OwnerRead"}, QDialog::Rejected, false},
        {"back to 644", {"CB_ExecutableSUID", "CB_OwnerExecute", "CB_GroupExecute", "CB_OtherExecute"},
         QDialog::Accepted, true},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        const int before = modeOf(path);
        int asked = -1;
        h.inChmodWindow = [&](TChmodForm &form) {
            click(form, step.boxes);
            asked = form.mode();
            return step.result;
        };
        const qsizetype from = h.ui.log.size();
        h.shown.clear();
        h.ops->N_RChangeModeClick();
        const QStringList lines = h.logSince(from);
        const std::string transcript = lines.join('\n').toStdString();
        ASSERT_EQ(h.shown.size(), 1) << transcript;
        // The window shows the file's real mode, special bits included.
        EXPECT_EQ(h.shown[0].permission, modeText(before));
        EXPECT_EQ(h.shown[0].name, QStringLiteral("m.txt"));
        EXPECT_EQ(h.shown[0].size, QStringLiteral("4 Bytes"));
        EXPECT_EQ(h.shown[0].inode,
                  GetParam() == Server::PyftpdlibWithListOptions ? QString::number(st.st_ino) : QString());
        EXPECT_EQ(h.sentSince(from, QStringLiteral("SITE CHMOD")), step.sends) << transcript;
        if (step.sends) {
            EXPECT_TRUE(lines.contains(QStringLiteral("[L] - SITE CHMOD ") + modeText(asked) + QStringLiteral(" m.txt")))
                << transcript;
            EXPECT_EQ(modeOf(path), asked & kept) << transcript;
        } else {
            EXPECT_EQ(modeOf(path), before) << transcript;
        }
        EXPECT_EQ(h.selectedFiles(), QStringList{"m.txt"});
    }
    EXPECT_TRUE(h.ui.log.contains(QStringLiteral("[L] - SITE CHMOD 755 m.txt")));
    EXPECT_TRUE(h.ui.log.contains(QStringLiteral("[L] - SITE CHMOD 4755 m.txt")));
    EXPECT_EQ(modeOf(path), 0644);
}

TEST_P(HostFileOpsE2e, ShowsTheModeOfANameWithSpacesAndKoreanText)
{
    if (std::string why; GetParam() == Server::Vsftpd && !kavtest::VsftpdServer::available(&why))
        FAIL() << why;  // CI runs as root: a missing vsftpd or root is a failure
    Served s;
    writeFile(s.file("내 문서 v2.txt"), "abc", 0600);
    writeFile(s.file("other.txt"), "", 0777);
    ASSERT_TRUE(s.start(GetParam()));
    HostOps h;
    h.login();
    h.selectFiles({QStringLiteral("내 문서 v2.txt")});
    h.inChmodWindow = [](TChmodForm &) { return int(QDialog::Rejected); };
    h.ops->N_RChangeModeClick();
    ASSERT_EQ(h.shown.size(), 1) << h.ui.log.join('\n').toStdString();
    EXPECT_EQ(h.shown[0].name, QStringLiteral("내 문서 v2.txt"));
    EXPECT_EQ(h.shown[0].permission, QStringLiteral("600"));
    EXPECT_EQ(h.shown[0].size, QStringLiteral("3 Bytes"));
}

INSTANTIATE_TEST_SUITE_P(Servers, HostFileOpsE2e,
                         ::testing::Values(Server::Pyftpdlib, Server::PyftpdlibWithListOptions, Server::Vsftpd),
                         serverName);

TEST(HostFileOpsCp949, NamesGoBackInTheServersOwnBytes)
{
    // An old server with code page 949 names: 81 41 and 8C 63 carry ASCII
    // letters as their second bytes.
    const std::string korean = "\x81\x41\x8c\x63";
    const std::string dir = cp949::encode(u"자료실").toStdString();
    Served s;
    writeFile(s.file(korean + " file.txt"), "k");
    fs::create_directory(s.file(dir));
    ASSERT_TRUE(s.start(Server::Pyftpdlib, kavtest::FtpServer::Names::RawBytes));
    HostOps h;
    h.login();
    ASSERT_EQ(h.session.serverEncoding(), Session::ServerEncoding::Cp949);
    auto &d = HostOps::scripted();

    h.files.selectAll();
    d.pushButton(BtnYes);
    h.ops->N_RUppercaseClick(QStringLiteral("N_RUppercase"));
    EXPECT_EQ(diskNames(s.home.path()), (std::vector<std::string>{korean + " FILE.TXT", dir}));

    h.selectDir(QStringLiteral("자료실"));
    d.pushAccept(QStringLiteral("/새이름"));
    h.ops->N_RRenameDirectoryClick();
    const std::string renamed = cp949::encode(u"새이름").toStdString();
    EXPECT_EQ(diskNames(s.home.path()), (std::vector<std::string>{korean + " FILE.TXT", renamed}));

    h.selectDir(QStringLiteral("새이름"));
    d.pushAccept(QStringLiteral("/새이름"));
    h.ops->N_RDeleteDirectoryClick();
    h.files.selectAll();
    d.pushButton(BtnYes);
    h.ops->N_RDeleteClick();
    EXPECT_TRUE(diskNames(s.home.path()).empty());
}
