#pragma once
// What every benchmark does first: a headless application with scripted
// dialogs and a settings directory of its own; and the median of its runs.

#include "platform/dialogs.h"
#include "platform/memory_use.h"
#include "platform/scripted_dialogs.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace kavbench {

class HeadlessApp {
public:
    // The process takes its memory as the program's does.
    HeadlessApp(int &argc, char **argv)
        : settings((kav::keepLargeBlocksApart(), prepare())), app(argc, argv)
    {
        kav::setDialogs(std::make_unique<kav::ScriptedDialogs>());
    }

private:
    static QTemporaryDir *prepare()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto *dir = new QTemporaryDir;
        qputenv("KAVRIN_HOME", dir->path().toUtf8());
        return dir;
    }
    std::unique_ptr<QTemporaryDir> settings;
    QApplication app;
};

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The median of a benchmark's rounds with the least and the most beside it.
struct Spread {
    double median, low, high;
};

inline Spread spreadOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {median(v), v.front(), v.back()};
}

// Runs a program to its end (in `dir` when given); its standard output, or
// nothing (and its error output on stderr) when it failed.
inline std::optional<QByteArray> runProgram(const QString &program, const QStringList &args, const QString &dir = {})
{
    QProcess p;
    if (!dir.isEmpty())
        p.setWorkingDirectory(dir);
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), p.readAllStandardError().constData());
        return std::nullopt;
    }
    return p.readAllStandardOutput();
}

// CPU time of the calling thread so far (user and system), in ms.
inline double threadCpuMs()
{
    rusage u{};
    ::getrusage(RUSAGE_THREAD, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

} // namespace kavbench
