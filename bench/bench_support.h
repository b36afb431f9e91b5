#pragma once
// What every benchmark does first: a headless application with scripted
// dialogs and a settings directory of its own; and the median of its runs.

#include "platform/dialogs.h"
#include "platform/scripted_dialogs.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <vector>

namespace kavbench {

class HeadlessApp {
public:
    HeadlessApp(int &argc, char **argv)
        : settings(prepare()), app(argc, argv)
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

} // namespace kavbench
