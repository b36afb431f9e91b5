// Listings of real servers in this test's own network namespace: pyftpdlib
// offers MLST in its FEAT and is listed with MLSD; vsftpd offers none and is
// listed with LIST; the FEAT answer also decides the bytes of a Korean name
// that goes out before any listing has shown one.

#include "ftp_server.h"
#include "wired_session.h"

#include "browse/host_pane.h"
#include "browse/host_search.h"
#include "platform/cp949.h"
#include "transfer/batch_transfer.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include "qt_printers.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kav;

namespace {

constexpr int KindRole = Qt::UserRole + 1;

struct Pane : kavtest::WiredSession {
    void login()
    {
        flow.profile.HostName = QStringLiteral("h");
        flow.profile.HostIP = QStringLiteral("127.0.0.1");
        flow.profile.UserId = QStringLiteral("kim");
        flow.profile.Password = QStringLiteral("secret");
        flow.BB_ConnectClick(false);
    }
    static QStringList names(const HostListView &list, int from = 0)
    {
        QStringList out;
        for (int i = from; i < list.count(); ++i)
            out << list.item(i)->text();
        return out;
    }
    EntryKind kindOf(const HostListView &list, const QString &name) const
    {
        const auto found = list.findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? EntryKind(-1) : EntryKind(found.first()->data(KindRole).toInt());
    }
    void enter(const QString &name)
    {
        const auto found = dirs.findItems(name, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << name.toStdString();
        dirs.setCurrentItem(found.first());
        pane->RDirListBoxDblClick();
    }
    bool logged(const QString &line) const { return ui.log.contains(line); }
};

void writeFile(const QString &path, const QByteArray &bytes, int mode = 0644)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
    f.close();
    ::chmod(QFile::encodeName(path).constData(), mode_t(mode));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

} // namespace

// A tree with Korean names, blanks at the ends of names, a script and a link,
// served by pyftpdlib in UTF-8: listed by MLSD with the facts that tell an
// executable, entered, downloaded under the exact names, searched.
TEST(PyftpdlibMlsd, BrowsesAKoreanTreeWithBlanksAndALink)
{
    kavtest::ScratchDir home, local;
    const QString root = QString::fromStdString(home.path());
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("자료실/하위 폴더")));
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("empty dir")));
    writeFile(root + QStringLiteral("/한글파일.txt"), "hangul\n");
    writeFile(root + QStringLiteral("/ 앞 공백.txt"), "leading\n");
    writeFile(root + QStringLiteral("/뒤 공백.txt "), "trailing\n");
    writeFile(root + QStringLiteral("/run.sh"), "#!/bin/sh\n", 0755);
    writeFile(root + QStringLiteral("/자료실/안쪽 파일.txt"), "inner\n");
    writeFile(root + QStringLiteral("/자료실/하위 폴더/깊은 파일.txt"), "deep\n");
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/자료실"), root + QStringLiteral("/링크폴더")));

    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path());
    ASSERT_TRUE(server.start());
    QDir::setCurrent(QString::fromStdString(local.path()));
    Pane p;
    p.host.directory = QString::fromStdString(local.path());
    p.login();
    ASSERT_TRUE(p.session.isConnected()) << p.ui.log.join('\n').toStdString();

    EXPECT_TRUE(p.session.features().hasMlst);
    EXPECT_TRUE(p.session.features().hasUtf8);
    EXPECT_TRUE(p.logged(QStringLiteral("[L] - OPTS UTF8 ON")));
    // pyftpdlib leaves the mode out unless asked; without it no file would be executable.
    EXPECT_TRUE(p.logged(QStringLiteral("[L] - OPTS MLST type;size;modify;perm;unix.mode;")));
    EXPECT_TRUE(p.logged(QStringLiteral("[L] - MLSD")));
    EXPECT_FALSE(p.logged(QStringLiteral("[L] - LIST")));
    EXPECT_EQ(p.session.serverEncoding(), Session::ServerEncoding::Utf8);

    EXPECT_EQ(Pane::names(p.files), (QStringList{QStringLiteral(" 앞 공백.txt"), "run.sh", QStringLiteral("뒤 공백.txt "),
                                                 QStringLiteral("한글파일.txt")}));
    EXPECT_EQ(p.kindOf(p.files, "run.sh"), EntryKind::ExecutableFile);
    EXPECT_EQ(p.kindOf(p.files, QStringLiteral("한글파일.txt")), EntryKind::PlainFile);
    // pyftpdlib's MLSD describes what a link leads to: this one is a directory.
    QStringList dirs = Pane::names(p.dirs, 1);
    dirs.sort();
    EXPECT_EQ(dirs, (QStringList{"empty dir", QStringLiteral("링크폴더"), QStringLiteral("자료실")}));
    EXPECT_EQ(p.dirs.item(0)->text(), ParentEntry);

    // The names with blanks at their ends are fetched by exactly those names.
    p.files.clearSelection();
    for (const QString &name : {QStringLiteral(" 앞 공백.txt"), QStringLiteral("뒤 공백.txt ")})
        p.files.findItems(name, Qt::MatchExactly).first()->setSelected(true);
    p.commands->SB_RightLeftClick();
    EXPECT_EQ(readFile(QString::fromStdString(local.path()) + QStringLiteral("/ 앞 공백.txt")), "leading\n");
    EXPECT_EQ(readFile(QString::fromStdString(local.path()) + QStringLiteral("/뒤 공백.txt ")), "trailing\n");

    p.enter(QStringLiteral("링크폴더"));
    EXPECT_EQ(Pane::names(p.files), QStringList{QStringLiteral("안쪽 파일.txt")});
    EXPECT_EQ(Pane::names(p.dirs, 1), QStringList{QStringLiteral("하위 폴더")});

    // The host search walks the same listings.
    QStringList found;
    HostSearchCallbacks cb;
    cb.found = [&found](const QString &path, const QString &, int) { found << path; };
    HostSearch search(p.parts->fs, cb);
    EXPECT_EQ(search.run(QStringLiteral("/자료실"), QStringLiteral("*.txt"), true), HostSearchResult::Finished);
    EXPECT_EQ(found, (QStringList{QStringLiteral("/자료실/안쪽 파일.txt"), QStringLiteral("/자료실/하위 폴더/깊은 파일.txt")}));
    EXPECT_FALSE(p.logged(QStringLiteral("[L] - LIST")));
}

// vsftpd has no MLSD, and lists UTF8 in its FEAT only with utf8_filesystem:
// it is listed with LIST, and a Korean name uploaded into a directory of ASCII
// names reaches its disk in the encoding that FEAT suggested.
TEST(VsftpdList, TheFeatAnswerDecidesListingAndNameBytes)
{
    if (std::string why; !kavtest::VsftpdServer::available(&why))
        FAIL() << why;   // CI runs as root: a missing vsftpd or root is a failure
    struct Case {
        const char *what;
        const char *config;
        bool utf8;
    };
    const QList<Case> cases = {
        {"without UTF8", nullptr, false},
        {"with UTF8", "utf8_filesystem=YES", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        kavtest::ScratchDir home, local;
        const QString root = QString::fromStdString(home.path());
        writeFile(root + QStringLiteral("/readme.txt"), "ascii only\n");
        ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("pub")));
        const QString upload = QStringLiteral("보고서 2026.txt");
        writeFile(QString::fromStdString(local.path()) + QLatin1Char('/') + upload, "report\n");

        kavtest::VsftpdServer server;
        server.addUser("kim", "secret", home.path());
        if (c.config)
            server.addConfig(c.config);
        ASSERT_TRUE(server.start());
        QDir::setCurrent(QString::fromStdString(local.path()));
        Pane p;
        p.host.directory = QString::fromStdString(local.path());
        p.login();
        ASSERT_TRUE(p.session.isConnected()) << p.ui.log.join('\n').toStdString();

        EXPECT_TRUE(p.logged(QStringLiteral("[L] - FEAT")));
        EXPECT_FALSE(p.session.features().hasMlst);
        EXPECT_EQ(p.session.features().hasUtf8, c.utf8);
        EXPECT_EQ(p.logged(QStringLiteral("[L] - OPTS UTF8 ON")), c.utf8);
        EXPECT_TRUE(p.logged(QStringLiteral("[L] - LIST")));
        EXPECT_FALSE(p.logged(QStringLiteral("[L] - MLSD")));
        EXPECT_EQ(Pane::names(p.files), QStringList{"readme.txt"});
        EXPECT_EQ(Pane::names(p.dirs, 1), QStringList{"pub"});
        EXPECT_FALSE(p.session.serverEncodingShown());

        p.host.selected = {upload};
        p.commands->SB_LeftRightClick();
        const QByteArray onDisk = QByteArray::fromStdString(home.path()) + '/'
            + (c.utf8 ? upload.toUtf8() : cp949::encode(upload));
        struct stat st{};
        EXPECT_EQ(::stat(onDisk.constData(), &st), 0) << p.ui.log.join('\n').toStdString();
        // Listed again, the name comes back as the user gave it.
        EXPECT_TRUE(Pane::names(p.files).contains(upload)) << Pane::names(p.files).join('|').toStdString();
    }
}
