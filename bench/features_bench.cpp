// The capability reply read at every login, as large as the reply reader lets
// through (1 MiB or 65536 lines): how long reading it keeps the window busy.
// Three shapes: one MLST line of distinct facts, many feature lines, and the
// facts spread over many MLST lines.
//   build/bench/features_bench [runs]     # default 5 runs, median (fastest..slowest)
#include "ftp/features.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace kav;

namespace {

Reply featureReply(const QStringList &features)
{
    Reply r;
    r.code = 211;
    r.answered = true;
    r.lines << QStringLiteral("211-Features:") << features << QStringLiteral("211 End");
    return r;
}

QString factLine(qsizetype bytes)
{
    QString line = QStringLiteral("MLST ");
    for (int i = 0; line.size() < bytes; ++i)
        line += QStringLiteral("f%1*;").arg(i);
    return line;
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    struct Case {
        const char *name;
        Reply reply;
    };
    const Case cases[] = {
        {"one MLST line of 250 KB", featureReply({factLine(250 * 1024)})},
        {"one MLST line of 1 MiB", featureReply({factLine(1024 * 1024 - 64)})},
        {"65534 feature lines", featureReply([] {
             QStringList l;
             for (int i = 0; i < 65534; ++i)
                 l << QStringLiteral("X-%1").arg(i);
             return l;
         }())},
        {"65534 MLST lines of 10 facts", featureReply(QStringList(65534, factLine(12)))},
    };
    for (const Case &c : cases) {
        std::vector<double> ms;
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer t;
            t.start();
            const ServerFeatures f = ServerFeatures::fromReply(c.reply);
            ms.push_back(t.nsecsElapsed() / 1e6);
            if (!f.hasMlst && c.reply.lines.size() < 3)
                return 1;
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%-32s %8.2f ms (%.2f..%.2f)\n", c.name, ms[ms.size() / 2], ms.front(), ms.back());
    }
    std::printf("ceiling: the window answers if each reading stays well under 100 ms\n");
    return 0;
}
