#include "ssh_config.h"

#include <QRegularExpression>
#include <QStringView>

namespace kav {

namespace {

bool globMatch(QStringView pattern, QStringView text)
{
    // Iterative "*" matching with one backtrack point, as OpenSSH's match_pattern.
    qsizetype p = 0, t = 0, star = -1, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p].toLower() == text[t].toLower())) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            star = p++;
            mark = t;
        } else if (star >= 0) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

// The words of a line: blanks separate them, double quotes keep blanks inside one.
QStringList words(QStringView line)
{
    QStringList out;
    QString word;
    bool quoted = false, inWord = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (inWord)
                out << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        out << word;
    return out;
}

QString expand(QString path, const QString &home, const QString &host, const QString &user,
               const QString &localUser, int port)
{
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = home + path.mid(1);
    QString out;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i] != QLatin1Char('%') || i + 1 >= path.size()) {
            out += path[i];
            continue;
        }
        const QChar t = path[++i];
        if (t == QLatin1Char('%'))
            out += QLatin1Char('%');
        else if (t == QLatin1Char('d'))
            out += home;
        else if (t == QLatin1Char('h'))
            out += host;
        else if (t == QLatin1Char('r'))
            out += user;
        else if (t == QLatin1Char('u'))
            out += localUser;
        else if (t == QLatin1Char('p'))
            out += QString::number(port > 0 ? port : 22);
        else
            out += QLatin1Char('%') + t;
    }
    return out;
}

} // namespace

bool sshHostMatches(const QString &patterns, const QString &host)
{
    bool matched = false;
    for (const QString &word : patterns.split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts)) {
        const bool negated = word.startsWith(QLatin1Char('!'));
        if (globMatch(negated ? QStringView(word).mid(1) : QStringView(word), host)) {
            if (negated)
                return false;
            matched = true;
        }
    }
    return matched;
}

SshHostConfig resolveSshConfig(const QString &configText, const QString &alias, const QString &home,
                               const QString &localUser)
{
    SshHostConfig c;
    bool hostName = false, user = false, port = false, only = false, known = false, keyAlias = false;
    QStringList identities, knownFiles;
    bool active = true;   // settings before the first Host apply to every host
    for (QString line : configText.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        // "Keyword value" or "Keyword=value".
        qsizetype cut = 0;
        while (cut < line.size() && !line[cut].isSpace() && line[cut] != QLatin1Char('='))
            ++cut;
        const QString key = line.left(cut).toLower();
        QStringView rest = QStringView(line).mid(cut).trimmed();
        if (rest.startsWith(QLatin1Char('=')))
            rest = rest.mid(1).trimmed();
        const QStringList args = words(rest);
        if (key == QLatin1String("host")) {
            active = sshHostMatches(args.join(QLatin1Char(' ')), alias);
            continue;
        }
        if (key == QLatin1String("match")) {
            active = false;
            continue;
        }
        if (!active || args.isEmpty())
            continue;
        const QString &value = args.first();
        if (key == QLatin1String("hostname") && !hostName) {
            hostName = true;
            c.hostName = value;
        } else if (key == QLatin1String("user") && !user) {
            user = true;
            c.user = value;
        } else if (key == QLatin1String("port") && !port) {
            bool ok = false;
            const int n = value.toInt(&ok);
            if (ok && n > 0 && n < 65536) {
                port = true;
                c.port = n;
            }
        } else if (key == QLatin1String("identityfile")) {
            identities << value;
        } else if (key == QLatin1String("identitiesonly") && !only) {
            only = true;
            c.identitiesOnly = value.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
        } else if (key == QLatin1String("hostkeyalias") && !keyAlias) {
            keyAlias = true;
            c.hostKeyAlias = value;
        } else if (key == QLatin1String("userknownhostsfile") && !known) {
            known = true;
            knownFiles = args;
        }
    }
    const QString host = c.hostName.isEmpty() ? alias : expand(c.hostName, home, alias, c.user, localUser, c.port);
    c.hostName = host;
    const QString remoteUser = c.user.isEmpty() ? localUser : c.user;
    for (const QString &f : identities)
        c.identityFiles << expand(f, home, host, remoteUser, localUser, c.port);
    for (const QString &f : knownFiles)
        c.userKnownHostsFiles << expand(f, home, host, remoteUser, localUser, c.port);
    return c;
}

} // namespace kav
