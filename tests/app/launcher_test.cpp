// Desktop launchers for a host profile, and the program's command line.
#include "app/command_line.h"
#include "platform/shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Reads an Exec value back the way a desktop does: string escapes first, then
// the quoting rules of the Exec key, then the "%%" field code.
QStringList parseExec(const QString &value, bool *ok)
{
    *ok = true;
    QString s;
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            const QChar n = value[++i];
            if (n == u's') s += u' ';
            else if (n == u'n') s += u'\n';
            else if (n == u't') s += u'\t';
            else if (n == u'r') s += u'\r';
            else if (n == u'\\') s += u'\\';
            else { s += u'\\'; s += n; }
        } else {
            s += value[i];
        }
    }
    QStringList args;
    int i = 0;
    while (i < s.size()) {
        while (i < s.size() && s[i] == u' ')
            ++i;
        if (i >= s.size())
            break;
        QString arg;
        if (s[i] == u'"') {
            ++i;
            bool closed = false;
            while (i < s.size()) {
                const QChar c = s[i];
                if (c == u'\\' && i + 1 < s.size()) {
                    const QChar n = s[i + 1];
                    if (n == u'"' || n == u'`' || n == u'$' || n == u'\\') {
                        arg += n;
                        i += 2;
                        continue;
                    }
                    *ok = false;
                }
                if (c == u'"') {
                    closed = true;
                    ++i;
                    break;
                }
                // Inside quotes these must be escaped.
                if (c == u'`' || c == u'$')
                    *ok = false;
                arg += c;
                ++i;
            }
            if (!closed)
                *ok = false;
        } else {
            // Unquoted arguments are not produced by the writer.
            *ok = false;
            while (i < s.size() && s[i] != u' ')
                arg += s[i++];
        }
        // Field codes: only "%%" may appear.
        QString decoded;
        for (int k = 0; k < arg.size(); ++k) {
            if (arg[k] == u'%') {
                if (k + 1 < arg.size() && arg[k + 1] == u'%') {
                    decoded += u'%';
                    ++k;
                } else {
                    *ok = false;
                }
            } else {
                decoded += arg[k];
            }
        }
        args << decoded;
    }
    return args;
}

struct Launcher {
    QStringList keys;     // every "Key=" in file order
    QString exec;
    int lines = 0;
};

Launcher readLauncher(const QString &path)
{
    Launcher l;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return l;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    l.lines = lines.size();
    for (const QString &line : lines) {
        const int eq = line.indexOf(u'=');
        if (eq > 0)
            l.keys << line.left(eq);
        if (line.startsWith(QStringLiteral("Exec=")))
            l.exec = line.mid(5);
    }
    return l;
}

} // namespace

TEST(Launcher, HostileProfileNamesStayInTheFolderAndRunOnlyTheProgram)
{
    const QString program = QStringLiteral("/opt/kavrin dir/bin/kavrin");
    const QStringList names = {
        QStringLiteral("../x"), QStringLiteral("a/b"), QStringLiteral("-x"), QStringLiteral("$(rm -rf)"),
        QStringLiteral("a\"b"), QStringLiteral("100%"), QStringLiteral("회사 서버"), QStringLiteral("한글/../..\\x"),
        QStringLiteral(".."), QStringLiteral("."), QStringLiteral("`id`"), QStringLiteral("a\\\"b%u %f"),
        QStringLiteral("two  blanks "), QStringLiteral("--"), QString(200, QChar(0xD55C)),
    };
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        QTemporaryDir tmp;
        const QString folder = tmp.path() + QStringLiteral("/Desktop");
        const QString path = kav::shell::writeLauncher(folder, name, program, {name}, QStringLiteral("/opt/kavrin dir/bin"));
        ASSERT_FALSE(path.isEmpty());
        EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(folder).absoluteFilePath());
        EXPECT_TRUE(path.endsWith(QStringLiteral(".desktop")));
        EXPECT_FALSE(QFileInfo(path).fileName().startsWith(u'-'));
        EXPECT_LE(QFileInfo(path).fileName().toUtf8().size(), 255);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);
        EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).size(), 0);

        const Launcher l = readLauncher(path);
        EXPECT_EQ(l.keys, (QStringList{"Type", "Version", "Name", "Exec", "Path", "Terminal"}));
        bool ok = false;
        EXPECT_EQ(parseExec(l.exec, &ok), (QStringList{program, name}));
        EXPECT_TRUE(ok) << l.exec.toStdString();
        EXPECT_TRUE(QFileInfo(path).permissions().testFlag(QFile::ExeOwner));
    }
}

TEST(Launcher, LineBreaksInANameCannotAddKeys)
{
    QTemporaryDir tmp;
    const QString name = QStringLiteral("x\nExec=/bin/sh\r\n[Desktop Entry]");
    const QString path = kav::shell::writeLauncher(tmp.path(), name, QStringLiteral("/bin/kavrin"), {name}, tmp.path());
    ASSERT_FALSE(path.isEmpty());
    const Launcher l = readLauncher(path);
    EXPECT_EQ(l.lines, 7);
    EXPECT_EQ(l.keys.count(QStringLiteral("Exec")), 1);
    bool ok = false;
    const QStringList args = parseExec(l.exec, &ok);
    ASSERT_EQ(args.size(), 2);
    EXPECT_EQ(args[0], QStringLiteral("/bin/kavrin"));
    EXPECT_FALSE(args[1].contains(u'\n'));
}

TEST(Launcher, ReplacesALinkInsteadOfWritingThroughIt)
{
    QTemporaryDir tmp;
    const QString outside = tmp.path() + QStringLiteral("/outside.txt");
    QFile o(outside);
    ASSERT_TRUE(o.open(QIODevice::WriteOnly));
    o.write("keep");
    o.close();
    QDir().mkpath(tmp.path() + QStringLiteral("/Desktop"));
    ASSERT_TRUE(QFile::link(outside, tmp.path() + QStringLiteral("/Desktop/host.desktop")));
    const QString path = kav::shell::writeLauncher(tmp.path() + QStringLiteral("/Desktop"), QStringLiteral("host"),
                                                   QStringLiteral("/bin/kavrin"), {QStringLiteral("host")}, tmp.path());
    ASSERT_FALSE(path.isEmpty());
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    QFile check(outside);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray("keep"));
}

TEST(Launcher, SafeFileNames)
{
    const struct { QString in, out; } cases[] = {
        {"host", "host"}, {"../x", ".._x"}, {"a/b", "a_b"}, {"-x", "_x"}, {"--x", "_-x"},
        {".", "_."}, {"..", "_.."}, {"", "kavrin"}, {QString("a") + QChar(0) + "b", "a_b"},
        {"tab\there", "tab_here"}, {"회사 서버", "회사 서버"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(kav::shell::safeFileName(c.in), c.out) << c.in.toStdString();
    // Cut at a character boundary: each syllable is three bytes.
    const QString cut = kav::shell::safeFileName(QString(100, QChar(0xD55C)), 200);
    EXPECT_EQ(cut, QString(66, QChar(0xD55C)));
}

TEST(Launcher, DesktopFolderFromUserDirs)
{
    QTemporaryDir tmp;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("XDG_CONFIG_HOME", tmp.path().toUtf8());
    qputenv("HOME", (tmp.path() + "/home").toUtf8());
    auto writeDirs = [&](const QByteArray &text) {
        QFile f(tmp.path() + QStringLiteral("/user-dirs.dirs"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };
    const struct { QByteArray file; QString expected; } cases[] = {
        {"# comment\nXDG_DESKTOP_DIR=\"$HOME/바탕화면\"\n", tmp.path() + "/home/바탕화면"},
        {"XDG_DESKTOP_DIR=\"/srv/desk\"\n", "/srv/desk"},
        {"XDG_DOWNLOAD_DIR=\"$HOME/dl\"\n", tmp.path() + "/home/Desktop"},
        {"XDG_DESKTOP_DIR=\"$HOME/\"\n", tmp.path() + "/home/Desktop"},
        {"XDG_DESKTOP_DIR=relative\n", tmp.path() + "/home/Desktop"},
    };
    for (const auto &c : cases) {
        writeDirs(c.file);
        EXPECT_EQ(kav::shell::desktopFolder(), c.expected) << c.file.toStdString();
    }
    QFile::remove(tmp.path() + QStringLiteral("/user-dirs.dirs"));
    EXPECT_EQ(kav::shell::desktopFolder(), tmp.path() + "/home/Desktop");
    qputenv("XDG_CONFIG_HOME", oldConfig);
    qputenv("HOME", oldHome);
    if (oldConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
}

TEST(CommandLine, OptionsAndProfile)
{
    const struct {
        QStringList args;
        bool help, version;
        QString logFile, profile;
        bool error;
    } cases[] = {
        {{}, false, false, "", "", false},
        {{"my host"}, false, false, "", "my host", false},
        {{"--help"}, true, false, "", "", false},
        {{"--version", "x"}, false, true, "", "x", false},
        {{"--log-file=/tmp/k.log", "a", "b"}, false, false, "/tmp/k.log", "a", false},
        {{"a", "--log-file=/tmp/k.log"}, false, false, "/tmp/k.log", "a", false},
        {{"-x"}, false, false, "", "-x", false},
        {{"--", "--weird"}, false, false, "", "--weird", false},
        {{"--log-file"}, false, false, "", "", true},
        {{"--log-file="}, false, false, "", "", true},
        {{"--bogus"}, false, false, "", "", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const kav::CommandLine cl = kav::parseCommandLine(c.args);
        EXPECT_EQ(cl.help, c.help);
        EXPECT_EQ(cl.version, c.version);
        EXPECT_EQ(cl.logFile, c.logFile);
        EXPECT_EQ(cl.profile, c.profile);
        EXPECT_EQ(!cl.error.isEmpty(), c.error);
    }
}
