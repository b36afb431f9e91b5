// Reading the user's ~/.ssh/config as OpenSSH does: the first value wins,
// identity files add up, patterns with "*", "?" and "!", "Match" never taken.

#include "remotefs/ssh_config.h"

#include "qt_printers.h"

#include <gtest/gtest.h>

using namespace kav;

TEST(SshConfig, HostPatterns)
{
    const struct {
        const char *patterns;
        const char *host;
        bool matches;
    } rows[] = {
        {"*", "anything", true},
        {"web*", "web01", true},
        {"web?", "web01", false},
        {"web??", "web01", true},
        {"*.example.org !bad.example.org", "good.example.org", true},
        {"*.example.org !bad.example.org", "bad.example.org", false},
        {"!bad", "good", false},   // a negation alone matches nothing
        {"Mirror", "mirror", true},
        {"a,b", "b", true},
    };
    for (const auto &r : rows)
        EXPECT_EQ(sshHostMatches(QString::fromUtf8(r.patterns), QString::fromUtf8(r.host)), r.matches)
            << r.patterns << " / " << r.host;
}

TEST(SshConfig, FirstValueWinsAndIdentitiesAddUp)
{
    const QString text = QStringLiteral(
        "# comment\n"
        "Host mirror\n"
        "    HostName 127.0.0.1\n"
        "    User kim\n"
        "    Port 2222\n"
        "    IdentityFile ~/.ssh/mirror_ed25519\n"
        "Match host mirror\n"
        "    User never\n"
        "Host *\n"
        "    User everyone\n"
        "    Port=22\n"
        "    IdentityFile \"%d/.ssh/id with blank\"\n"
        "    IdentitiesOnly yes\n"
        "    HostKeyAlias=shared-key\n"
        "    UserKnownHostsFile ~/.ssh/known_%h\n");
    const SshHostConfig m = resolveSshConfig(text, QStringLiteral("mirror"), QStringLiteral("/home/lee"), QStringLiteral("lee"));
    EXPECT_EQ(m.hostName, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(m.user, QStringLiteral("kim"));
    EXPECT_EQ(m.port, 2222);
    EXPECT_EQ(m.identityFiles, (QStringList{QStringLiteral("/home/lee/.ssh/mirror_ed25519"),
                                            QStringLiteral("/home/lee/.ssh/id with blank")}));
    EXPECT_TRUE(m.identitiesOnly);
    EXPECT_EQ(m.userKnownHostsFiles, QStringList{QStringLiteral("/home/lee/.ssh/known_127.0.0.1")});
    EXPECT_EQ(m.hostKeyAlias, QStringLiteral("shared-key"));

    const SshHostConfig other = resolveSshConfig(text, QStringLiteral("elsewhere"), QStringLiteral("/home/lee"), QStringLiteral("lee"));
    EXPECT_EQ(other.hostName, QStringLiteral("elsewhere"));
    EXPECT_EQ(other.user, QStringLiteral("everyone"));
    EXPECT_EQ(other.port, 22);
}
