#include "help_browser.h"

#include "desktop_tools.h"
#include "dialogs.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QWidget>
#include <QProcess>
#include <QStandardPaths>

namespace kav {

namespace {

// One $BROWSER entry as a command with the page left out ("%s" kept as a marker).
QStringList entryCommand(const QString &entry)
{
    QStringList parts = QProcess::splitCommand(entry.trimmed());
    if (parts.isEmpty())
        return {};
    const QString program = QStandardPaths::findExecutable(parts.first());
    if (program.isEmpty())
        return {};
    parts.first() = program;
    return parts;
}

// The desktop's default program for web pages, as xdg-utils knows it; empty
// when there is none (xdg-open would then fail without telling anyone).
bool desktopHasWebHandler()
{
    const QString mime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (mime.isEmpty())
        return false;
    QProcess query;
    query.start(mime, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    return query.exitCode() == 0 && !query.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace

QStringList browserCommand()
{
    const QString fromEnvironment = qEnvironmentVariable("BROWSER");
    for (const QString &entry : fromEnvironment.split(u':', Qt::SkipEmptyParts)) {
        const QStringList command = entryCommand(entry);
        if (!command.isEmpty())
            return command;
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty() && desktopHasWebHandler())
        return {opener};
    static const char *const browsers[] = {"x-www-browser", "firefox-esr", "firefox", "chromium",
                                           "google-chrome", "epiphany-browser", "epiphany",
                                           "konqueror", "falkon"};
    for (const char *name : browsers) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!program.isEmpty())
            return {program};
    }
    return {};
}

bool openInBrowser(const QUrl &page)
{
    QStringList command = browserCommand();
    if (command.isEmpty() || !page.isValid())
        return false;
    const QString address = page.toString(QUrl::FullyEncoded);
    bool placed = false;
    for (QString &part : command) {
        if (part.contains(QStringLiteral("%s"))) {
            part.replace(QStringLiteral("%s"), address);
            placed = true;
        }
    }
    if (!placed)
        command << address;
    const QString program = command.takeFirst();
    return QProcess::startDetached(program, command);
}

void openHelpPage(const QUrl &page, QWidget *parent)
{
    const bool present = page.isValid() && !page.isEmpty()
                         && (!page.isLocalFile() || QFileInfo(page.toLocalFile()).isFile());
    if (!present) {
        informationBox(QStringLiteral("Kavrin 사용 설명서가 설치되어 있지 않습니다.\n"
                                      "Kavrin을 패키지로 다시 설치하면 설명서도 함께 설치됩니다."),
                       parent);
        return;
    }
    if (openInBrowser(page))
        return;
    const QString where = page.isLocalFile() ? page.toLocalFile() : page.toString();
    informationBox(QStringLiteral("도움말을 보여 줄 웹 브라우저를 찾지 못했습니다.\n"
                                  "웹 브라우저를 설치하거나 다음 파일을 직접 여십시오:\n")
                       + where,
                   parent);
}

void openManual(QWidget *parent)
{
    openHelpPage(manualUrl(), parent);
}

QString helpTopicOf(const QWidget *window)
{
    // Each window's own place in the manual: the element named after the window's class,
    // on the page that tells of it (a derived window, such as a test's, takes its base's).
    static const struct {
        const char *window;
        const char *page;
    } pages[] = {
        {"TMainForm", "start.html"},      {"TLogForm", "start.html"},       {"TConnectForm", "connect.html"},
        {"TQueueForm", "lists.html"},     {"TBookmarkLForm", "lists.html"}, {"TBookmarkRForm", "lists.html"},
        {"TToolsForm", "lists.html"},     {"TFindLForm", "lists.html"},     {"TFindRForm", "lists.html"},
        {"TPingForm", "nettools.html"},   {"TScanForm", "nettools.html"},   {"TExecForm", "nettools.html"},
        {"TClockForm", "nettools.html"},  {"TViewForm", "viewers.html"},    {"THexForm", "viewers.html"},
        {"TIconForm", "viewers.html"},    {"TFileInfoForm", "viewers.html"}, {"TAboutForm", "viewers.html"},
        {"TPrintForm", "viewers.html"},   {"TTransForm", "transfer.html"},  {"TModeForm", "transfer.html"},
        {"TSyncForm", "transfer.html"},   {"TChmodForm", "panes.html"},
    };
    for (const QMetaObject *m = window ? window->metaObject() : nullptr; m; m = m->superClass()) {
        QLatin1StringView name(m->className());
        const qsizetype colon = name.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0)
            name = name.sliced(colon + 1);
        for (const auto &p : pages)
            if (name == QLatin1StringView(p.window))
                return QString::fromLatin1(p.page) + QLatin1Char('#') + name;
    }
    return {};
}

QUrl helpPageFor(const QWidget *window, const QUrl &manual)
{
    const QString topic = helpTopicOf(window);
    if (manual.isEmpty() || topic.isEmpty())
        return manual;
    const QUrl page = manual.resolved(QUrl(topic));
    // A manual without that page still opens at its contents.
    if (page.isLocalFile() && !QFileInfo(page.toLocalFile()).isFile())
        return manual;
    return page;
}

} // namespace kav
