#include "platform/settings_dir.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// Sets or clears environment variables for one test and puts them back afterwards.
class EnvGuard {
public:
    explicit EnvGuard(std::initializer_list<const char *> names)
    {
        for (const char *n : names)
            saved.emplace_back(n, qEnvironmentVariableIsSet(n), qgetenv(n));
    }
    ~EnvGuard()
    {
        for (const auto &[name, set, value] : saved) {
            if (set)
                qputenv(name, value);
            else
                qunsetenv(name);
        }
    }

private:
    std::vector<std::tuple<const char *, bool, QByteArray>> saved;
};

TEST(SettingsDirectory, EnvironmentRules)
{
    EnvGuard guard({"KAVRIN_HOME", "XDG_CONFIG_HOME", "HOME"});
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString t = tmp.path();
    struct Case {
        const char *name;
        QString kavrinHome, xdg, home;  // empty: unset
        QString expected;
    } cases[] = {
        {"KAVRIN_HOME wins", t + "/k", t + "/x", t + "/h", t + "/k"},
        {"XDG_CONFIG_HOME next", {}, t + "/x", t + "/h", t + "/x/kavrin"},
        {"then the home directory", {}, {}, t + "/h", t + "/h/.config/kavrin"},
        {"a relative XDG_CONFIG_HOME is ignored", {}, "rel", t + "/h", t + "/h/.config/kavrin"},
        {"trailing slash", t + "/k2/", {}, t + "/h", t + "/k2"},
    };
    for (const Case &c : cases) {
        auto set = [](const char *n, const QString &v) {
            if (v.isEmpty())
                qunsetenv(n);
            else
                qputenv(n, v.toLocal8Bit());
        };
        set("KAVRIN_HOME", c.kavrinHome);
        set("XDG_CONFIG_HOME", c.xdg);
        set("HOME", c.home);
        EXPECT_EQ(kav::settingsDirectory(), c.expected) << c.name;
        EXPECT_TRUE(QFileInfo(c.expected).isDir()) << c.name;
        EXPECT_EQ(kav::configurationFilePath(), c.expected + "/KAVRIN.INI") << c.name;
    }
}

TEST(SettingsDirectory, CreatedOwnerOnly)
{
    EnvGuard guard({"KAVRIN_HOME"});
    QTemporaryDir tmp;
    const QString dir = tmp.path() + "/deep/settings";
    qputenv("KAVRIN_HOME", dir.toLocal8Bit());
    EXPECT_EQ(kav::settingsDirectory(), dir);
    struct stat st {};
    ASSERT_EQ(::stat(dir.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // An existing directory is left as the user made it.
    ASSERT_EQ(::chmod(dir.toLocal8Bit().constData(), 0750), 0);
    kav::settingsDirectory();
    ASSERT_EQ(::stat(dir.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0750u);
}

} // namespace
