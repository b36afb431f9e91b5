#include "desktop_tools.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace kav {

QString characterMapProgram()
{
    static const char *const candidates[] = {"gucharmap", "kcharselect", "gnome-characters",
                                             "charmap"};
    for (const char *name : candidates) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

bool startCharacterMap()
{
    const QString program = characterMapProgram();
    return !program.isEmpty() && QProcess::startDetached(program, {});
}

QUrl manualUrl()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    const QString candidates[] = {
        appDir + QStringLiteral("/manual/index.html"),
        appDir + QStringLiteral("/../share/kavrin/manual/index.html"),
        appDir + QStringLiteral("/../share/doc/kavrin/manual/index.html"),
    };
    for (const QString &candidate : candidates) {
        if (QFileInfo(candidate).isFile())
            return QUrl::fromLocalFile(QFileInfo(candidate).absoluteFilePath());
    }
    return {};
}

bool openWithDesktop(const QUrl &url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}

} // namespace kav
