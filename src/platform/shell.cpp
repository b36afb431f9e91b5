#include "shell.h"
#include "local_path.h"
#include "processes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTextStream>

#include <cstdio>

namespace kav::shell {

namespace {

QString configHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

// One value of user-dirs.dirs: a double-quoted path, "$HOME/..." or absolute.
QString userDirValue(const QString &raw)
{
    QString v = raw.trimmed();
    if (v.size() < 2 || !v.startsWith(u'"') || !v.endsWith(u'"'))
        return {};
    v = v.mid(1, v.size() - 2);
    QString out;
    for (int i = 0; i < v.size(); ++i) {
        if (v[i] == u'\\' && i + 1 < v.size())
            out += v[++i];
        else
            out += v[i];
    }
    if (out.startsWith(QStringLiteral("$HOME")))
        out = QDir::homePath() + out.mid(5);
    else if (!QDir::isAbsolutePath(out))
        return {};
    out = QDir::cleanPath(out);
    // "$HOME/" means the user switched the desktop folder off.
    if (out == QDir::cleanPath(QDir::homePath()))
        return {};
    return out;
}

// The string-value escapes of the desktop entry format.
QString escapeStringValue(const QString &text)
{
    QString out;
    for (QChar c : text) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

// Control characters have no business in a launcher; a line break would start a new key.
QString withoutControls(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u'_';
    return out;
}

} // namespace

QString desktopFolder()
{
    QFile f(configHome() + QStringLiteral("/user-dirs.dirs"));
    if (f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&f);
        while (!in.atEnd()) {
            const QString line = in.readLine().trimmed();
            if (line.startsWith(u'#'))
                continue;
            const int eq = line.indexOf(u'=');
            if (eq <= 0 || line.left(eq).trimmed() != QStringLiteral("XDG_DESKTOP_DIR"))
                continue;
            const QString dir = userDirValue(line.mid(eq + 1));
            if (!dir.isEmpty())
                return dir;
        }
    }
    return QDir::homePath() + QStringLiteral("/Desktop");
}

QString safeFileName(const QString &name, int maxBytes)
{
    QString s = withoutControls(name);
    s.replace(u'/', u'_');
    s.replace(u'\\', u'_');
    if (s == QStringLiteral(".") || s == QStringLiteral(".."))
        s = QStringLiteral("_") + s;
    while (s.startsWith(u'-'))
        s[0] = u'_';
    // Cut to the byte limit without splitting a character (or a surrogate pair).
    if (s.toUtf8().size() > maxBytes) {
        QString cut;
        int bytes = 0;
        for (int i = 0; i < s.size();) {
            const int len = (s[i].isHighSurrogate() && i + 1 < s.size()) ? 2 : 1;
            const int add = s.mid(i, len).toUtf8().size();
            if (bytes + add > maxBytes)
                break;
            cut += s.mid(i, len);
            bytes += add;
            i += len;
        }
        s = cut;
    }
    if (s.isEmpty())
        s = QStringLiteral("kavrin");
    return s;
}

QString quoteExecArgument(const QString &argument)
{
    QString q;
    for (QChar c : withoutControls(argument)) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            q += u'\\';
        if (c == u'%')
            q += u'%';
        q += c;
    }
    return escapeStringValue(QStringLiteral("\"") + q + QStringLiteral("\""));
}

QString execLine(const QString &program, const QStringList &arguments)
{
    QStringList parts{quoteExecArgument(program)};
    for (const QString &a : arguments)
        parts << quoteExecArgument(a);
    return parts.join(u' ');
}

QString writeLauncher(const QString &folder, const QString &name, const QString &program,
                      const QStringList &arguments, const QString &workingDir, const QString &icon)
{
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return {};
    const QString path = QDir(folder).filePath(safeFileName(name) + QStringLiteral(".desktop"));
    QString text;
    text += QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Version=1.0\n");
    text += QStringLiteral("Name=") + escapeStringValue(withoutControls(name)) + u'\n';
    text += QStringLiteral("Exec=") + execLine(program, arguments) + u'\n';
    text += QStringLiteral("Path=") + escapeStringValue(withoutControls(workingDir)) + u'\n';
    if (!icon.isEmpty())
        text += QStringLiteral("Icon=") + escapeStringValue(withoutControls(icon)) + u'\n';
    text += QStringLiteral("Terminal=false\n");
    // Written beside the target and renamed over it: rename replaces a link
    // already at that path instead of writing through it to wherever it points.
    QTemporaryFile f(QDir(folder).filePath(QStringLiteral(".kavrin-launcher-XXXXXX")));
    if (!f.open())
        return {};
    f.write(text.toUtf8());
    if (!f.flush())
        return {};
    // Desktops only start launchers that are marked executable.
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                     | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    f.close();
    if (std::rename(QFile::encodeName(f.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        return {};
    f.setAutoRemove(false);
    return path;
}

bool startDetached(const QString &program, const QStringList &arguments)
{
    // Qt would pass a name of foreign bytes on as other bytes: such a program
    // or argument goes out as it is.
    bool foreign = localpath::hasEscapes(program);
    for (const QString &a : arguments)
        foreign = foreign || localpath::hasEscapes(a);
    if (foreign)
        return startDetachedExact(program, arguments);
    return QProcess::startDetached(program, arguments);
}

void beep()
{
    QApplication::beep();
}

} // namespace kav::shell
