#include "editor_lookup.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace kav {

namespace {

struct KnownEditor {
    const char *name;
    const char *waitArgument;  // nullptr: it waits by itself
};

// Graphical editors that keep running until their window closes (or can be told to).
constexpr KnownEditor KnownEditors[] = {
    {"gedit", "--wait"},   {"gnome-text-editor", nullptr}, {"kate", "--block"},
    {"kwrite", nullptr},   {"mousepad", nullptr},          {"xed", nullptr},
    {"pluma", nullptr},    {"featherpad", nullptr},        {"leafpad", nullptr},
    {"geany", "-i"},
};

} // namespace

QString platformTextEditor()
{
    for (const KnownEditor &e : KnownEditors) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(e.name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

QStringList editorWaitArguments(const QString &program)
{
    const QString base = QFileInfo(program).fileName();
    for (const KnownEditor &e : KnownEditors) {
        if (base == QLatin1String(e.name))
            return e.waitArgument ? QStringList{QString::fromLatin1(e.waitArgument)} : QStringList{};
    }
    return {};
}

bool editorExists(const QString &program)
{
    if (program.isEmpty())
        return false;
    const QFileInfo info(program);
    if (program.contains(QLatin1Char('/')))
        return info.isFile() && info.isExecutable();
    return !QStandardPaths::findExecutable(program).isEmpty();
}

EditorLaunch editorLaunch(const QString &stored)
{
    if (editorExists(stored))
        return {stored, editorWaitArguments(stored), {}};
    const auto command = [](const char *variable) {
        // Only the program's name: the variables may carry options ("emacs -nw").
        return QString::fromLocal8Bit(qgetenv(variable)).simplified().section(QLatin1Char(' '), 0, 0);
    };
    const QString visual = command("VISUAL");
    if (!visual.isEmpty() && editorExists(visual)) {
        const QString base = QFileInfo(visual).fileName();
        for (const KnownEditor &e : KnownEditors) {
            if (base == QLatin1String(e.name))
                return {visual, editorWaitArguments(visual), visual};
        }
    }
    if (const QString desktop = platformTextEditor(); !desktop.isEmpty())
        return {desktop, editorWaitArguments(desktop), desktop};
    // xterm stays in the foreground until its command ends; the Debian alternative is
    // often a terminal that hands the window to a server and returns at once.
    QString terminal = QStandardPaths::findExecutable(QStringLiteral("xterm"));
    if (terminal.isEmpty())
        terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
    if (!terminal.isEmpty()) {
        for (const QString &editor : {visual, command("EDITOR")}) {
            if (!editor.isEmpty() && editorExists(editor))
                return {terminal, {QStringLiteral("-e"), editor},
                        editor + QStringLiteral(" (") + QFileInfo(terminal).fileName() + QLatin1Char(')')};
        }
    }
    return {stored, {}, {}};
}

QString resolveEditor(const QString &stored)
{
    if (editorExists(stored))
        return stored;
    const QString fallback = platformTextEditor();
    return fallback.isEmpty() ? stored : fallback;
}

} // namespace kav
