#include "processes.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace kav {

int runAndWait(const QString &program, const QStringList &arguments)
{
    if (program.isEmpty())
        return 2;
    QProcess process;
    // The child writes to our own terminal: pipes nobody reads could fill and stall it.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
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

bool openWithAssociatedProgram(const QString &path)
{
    const QFileInfo info(path);
    // The execute bit alone says little (file systems from other systems set it on
    // every file): only programs and scripts are started.
    bool program = false;
    if (info.isFile() && info.isExecutable()) {
        const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
        for (const char *kind : {"application/x-executable", "application/x-pie-executable",
                                 "application/x-sharedlib", "application/x-shellscript"})
            program = program || type.inherits(QLatin1String(kind));
    }
    if (program)
        return QProcess::startDetached(info.absoluteFilePath(), {}, info.absolutePath());
    if (!desktopHasProgramFor(QMimeDatabase().mimeTypeForFile(info).name()))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

bool launchFileManager(const QString &directory)
{
    if (!desktopHasProgramFor(QStringLiteral("inode/directory")))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(directory));
}

} // namespace kav
