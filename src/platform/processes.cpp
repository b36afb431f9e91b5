#include "processes.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
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
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

bool launchFileManager(const QString &directory)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(directory));
}

} // namespace kav
