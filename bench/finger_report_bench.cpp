// The text viewer filled with the most finger output the client reads (1 MiB
// or 65536 lines, long lines in 4 KiB pieces): how long the window is busy.
// The same megabyte in 64 KiB lines shows why the pieces are small.
//   build-dev/bench/finger_report_bench
#include "viewers/view_form.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace kav;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const struct { const char *name; QStringList lines; } cases[] = {
        {"65536 empty lines", QStringList(65536, QString())},
        {"43690 lines of 22 characters", QStringList(43690, QStringLiteral("user tty1 Dec  5 20:18"))},
        {"16 lines of 64 KiB", QStringList(16, QString(64 * 1024, QLatin1Char('x')))},
        {"256 lines of 4 KiB", QStringList(256, QString(4 * 1024, QLatin1Char('x')))},
    };
    for (const auto &c : cases) {
        TViewForm viewer;
        QElapsedTimer t;
        t.start();
        viewer.setLines(c.lines);
        viewer.show();
        QApplication::processEvents();
        std::printf("%-32s %lld ms\n", c.name, static_cast<long long>(t.elapsed()));
    }
    return 0;
}
