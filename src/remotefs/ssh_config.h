#pragma once
// The user's own SSH set-up, read as OpenSSH reads ~/.ssh/config: for the
// name a profile gives, the real host name, user, port and identity files of
// the first "Host" blocks that match it (the first value of each setting wins,
// identity files add up). "Match" blocks are never taken; "Include" is not
// followed. Pure functions of the file's text.

#include <QString>
#include <QStringList>

namespace kav {

struct SshHostConfig {
    QString hostName;          // HostName; empty: the name itself
    QString user;              // User; empty: the profile's
    int port = 0;              // Port; 0: the profile's
    QStringList identityFiles; // IdentityFile, in order, "~" and %d %h %u %r %p %% expanded
    bool identitiesOnly = false;
    QStringList userKnownHostsFiles;   // UserKnownHostsFile, expanded like identity files
    QString hostKeyAlias;      // HostKeyAlias: the name of the host's key in known_hosts
};

// Whether `host` matches an ssh_config pattern list ("*.example.org !bad.example.org"):
// one pattern matches and no negated one does; "*" and "?" as in the shell,
// letters without regard to case.
bool sshHostMatches(const QString &patterns, const QString &host);

// The settings for `alias` in the text of an ssh_config file. `home` and
// `localUser` expand "~", %d and %u.
SshHostConfig resolveSshConfig(const QString &configText, const QString &alias, const QString &home,
                               const QString &localUser);

} // namespace kav
