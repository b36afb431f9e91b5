#include "unprivileged.h"

#include <QDir>
#include <QFile>

#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace kavtest {

int runUnprivileged(const QString &dir, const std::function<int()> &check)
{
    if (geteuid() != 0)
        return check();
    const QByteArray d = QFile::encodeName(dir);
    if (::chown(d.constData(), 65534, 65534) != 0)
        return -1;
    for (const QString &name : QDir(dir).entryList(QDir::Files))
        if (::chown(QFile::encodeName(dir + "/" + name).constData(), 65534, 65534) != 0)
            return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(99);
        ::_exit(check());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

int rerunUnprivileged(const char *testName)
{
    const std::string filter = std::string("--gtest_filter=") + testName;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(99);
        ::execl("/proc/self/exe", "unprivileged", filter.c_str(), static_cast<char *>(nullptr));
        ::_exit(98);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace kavtest
