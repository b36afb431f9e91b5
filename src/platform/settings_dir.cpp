#include "settings_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kav {

QString settingsDirectory()
{
    QString dir = qEnvironmentVariable("KAVRIN_HOME");
    if (dir.isEmpty()) {
        // XDG base directory rules: a relative XDG_CONFIG_HOME is ignored.
        const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
        const QString base = !xdg.isEmpty() && QDir::isAbsolutePath(xdg)
                                 ? xdg
                                 : QDir::homePath() + QStringLiteral("/.config");
        dir = base + QStringLiteral("/kavrin");
    }
    dir = QDir::cleanPath(dir);
    if (!QFileInfo(dir).isDir()) {
        // The directory will hold passwords: only its owner may look inside.
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return dir;
}

QString configurationFilePath()
{
    return settingsDirectory() + QStringLiteral("/KAVRIN.INI");
}

} // namespace kav
