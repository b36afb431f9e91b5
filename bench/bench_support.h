#pragma once
// What every benchmark does first: a headless application with scripted
// dialogs and a settings directory of its own; and the median of its runs.

#include "platform/dialogs.h"
#include "platform/memory_use.h"
#include "platform/scripted_dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
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

// A run cancelled from the window, as the user does it: `run` calls `begin`
// where its clock starts; `press` is clicked `pressAfterMs` later. Gives the
// longest time between two passes of the event loop from `begin` on and the
// time from the press to the run's end, in ms; nothing when the run failed
// or ended before the press.
struct CancelledRun {
    double longestGapMs = 0, cancelMs = 0;
};

inline std::optional<CancelledRun> watchCancelledRun(int pressAfterMs, const std::function<void()> &press,
                                                     const std::function<bool(const std::function<void()> &begin)> &run)
{
    QElapsedTimer clock;
    qint64 last = 0, longest = 0, pressed = 0;
    QTimer tick;
    tick.setInterval(0);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last > 0)
            longest = std::max(longest, now - last);
        last = now;
    });
    QTimer presser;
    presser.setSingleShot(true);
    QObject::connect(&presser, &QTimer::timeout, [&] {
        pressed = clock.nsecsElapsed();
        press();
    });
    const bool done = run([&] {
        clock.start();
        tick.start();
        presser.start(pressAfterMs);
    });
    const qint64 ended = clock.nsecsElapsed();
    tick.stop();
    presser.stop();
    if (!done || pressed == 0)
        return std::nullopt;
    return CancelledRun{longest / 1e6, (ended - pressed) / 1e6};
}

// CPU time of the calling thread so far (user and system), in ms.
inline double threadCpuMs()
{
    rusage u{};
    ::getrusage(RUSAGE_THREAD, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

} // namespace kavbench
