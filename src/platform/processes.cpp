#include "processes.h"
#include "local_path.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace kav {

namespace {

// A command line as the system takes it: Qt turns every argument into UTF-8 and
// so a file name with foreign bytes into another name; here each argument keeps
// its bytes. Built before the fork: the child only calls execv.
struct RawCommand {
    std::vector<QByteArray> bytes;
    std::vector<char *> argv;
    bool needed = false;

    RawCommand(const QString &program, const QStringList &arguments)
    {
        needed = localpath::hasEscapes(program);
        for (const QString &a : arguments)
            needed = needed || localpath::hasEscapes(a);
        if (!needed)
            return;
        const QString found = program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
        bytes.push_back(localpath::encode(found).value_or(QByteArray()));
        for (const QString &a : arguments)
            bytes.push_back(localpath::encode(a).value_or(QByteArray()));
        for (QByteArray &b : bytes)
            argv.push_back(b.data());
        argv.push_back(nullptr);
    }
    bool valid() const { return !needed || !bytes.front().isEmpty(); }
    [[noreturn]] void exec() const
    {
        ::execv(argv.front(), argv.data());
        ::_exit(127);
    }
};

} // namespace

int runAndWait(const QString &program, const QStringList &arguments)
{
    if (program.isEmpty())
        return 2;
    const RawCommand raw(program, arguments);
    if (!raw.valid())
        return 2;
    QProcess process;
    // The child writes to our own terminal: pipes nobody reads could fill and stall it.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    if (raw.needed)
        process.setChildProcessModifier([&raw] { raw.exec(); });
    process.start(program, arguments);
    if (!process.waitForStarted(-1))
        return process.error() == QProcess::FailedToStart ? 2 : 1;
    while (process.state() != QProcess::NotRunning) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        process.waitForFinished(20);
    }
    return 0;
}

namespace {

// QDesktopServices hands a file to xdg-open and reports success even when no program is
// set for the file's type, so nothing would open and nobody would say so. Ask the desktop
// first; where it cannot be asked, trust QDesktopServices.
bool desktopHasProgramFor(const QString &mimeType)
{
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (query.isEmpty())
        return !QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty();
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(query, {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(1000);
        return true;
    }
    return !process.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace

bool startDetachedExact(const QString &program, const QStringList &arguments, const QString &directory)
{
    const QString found = program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    const QByteArray path = localpath::encode(found).value_or(QByteArray());
    const QByteArray dir = localpath::encode(directory).value_or(QByteArray());
    if (path.isEmpty())
        return false;
    // Everything the child needs is made before the fork: it only calls execv.
    std::vector<QByteArray> bytes{path};
    for (const QString &a : arguments)
        bytes.push_back(localpath::encode(a).value_or(QByteArray()));
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        return false;
    const pid_t middle = ::fork();
    if (middle < 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        return false;
    }
    if (middle == 0) {
        ::setsid();
        if (::fork() != 0)
            ::_exit(0);
        if (!dir.isEmpty() && ::chdir(dir.constData()) != 0)
            ::_exit(127);
        ::execv(path.constData(), argv.data());
        const char failed = 1;
        [[maybe_unused]] ssize_t n = ::write(ready[1], &failed, 1);
        ::_exit(127);
    }
    ::close(ready[1]);
    int status = 0;
    ::waitpid(middle, &status, 0);
    char failed = 0;
    // The pipe closes on a successful exec; a byte says the exec failed.
    const bool started = ::read(ready[0], &failed, 1) == 0;
    ::close(ready[0]);
    return started;
}

bool openWithAssociatedProgram(const QString &path)
{
    const localpath::Status st = localpath::status(path);
    QMimeType type;
    QFile file;
    if (st.isFile && localpath::open(file, path, QIODevice::ReadOnly))
        type = QMimeDatabase().mimeTypeForFileNameAndData(path, &file);
    else
        type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    file.close();
    // The execute bit alone says little (file systems from other systems set it on
    // every file): only programs and scripts are started.
    bool program = false;
    if (st.isFile && st.executable) {
        for (const char *kind : {"application/x-executable", "application/x-pie-executable",
                                 "application/x-sharedlib", "application/x-shellscript"})
            program = program || type.inherits(QLatin1String(kind));
    }
    const QString absolute = path.startsWith(QLatin1Char('/')) ? path : localpath::currentDirectory() + QLatin1Char('/') + path;
    if (program)
        return startDetachedExact(absolute, {}, absolute.left(absolute.lastIndexOf(QLatin1Char('/')) + 1));
    if (!desktopHasProgramFor(type.name()))
        return false;
    return QDesktopServices::openUrl(localpath::fileUrl(absolute));
}

bool launchFileManager(const QString &directory)
{
    if (!desktopHasProgramFor(QStringLiteral("inode/directory")))
        return false;
    return QDesktopServices::openUrl(localpath::fileUrl(directory));
}

} // namespace kav
