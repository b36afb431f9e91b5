// The listing parser alone: lines per second for each line form of its table
// (UNIX ls, MLSD facts, MS-DOS), on 100,000 lines of each, as the host lists
// would feed it. Run by hand: build-h/bench/listing_forms_bench [lines] [runs].

#include "ftp/listing.h"
#include "platform/utf8x.h"

#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    struct Form {
        const char *name;
        QString (*line)(int i);
    };
    const Form forms[] = {
        {"UNIX ls", [](int i) {
             return QStringLiteral("-rw-r--r--    1 102      105        %1 Dec 10 03:05 file_%2.dat\r").arg(i * 13).arg(i);
         }},
        {"MLSD", [](int i) {
             return QStringLiteral("modify=20261210132125;perm=adfrw;size=%1;type=file;unique=FE00UAC%2;UNIX.mode=0644; "
                                   "file_%2.dat\r").arg(i * 13).arg(i);
         }},
        {"MS-DOS", [](int i) {
             return QStringLiteral("12-10-26  01:21PM           %1 file_%2.dat\r").arg(i * 13, 10).arg(i);
         }},
    };
    std::printf("%-8s %10s %14s\n", "form", "lines", "lines/s (best)");
    for (const Form &form : forms) {
        // Bytes, as they arrive; only the names are decoded, as the client does.
        QList<QByteArray> input;
        input.reserve(lines);
        for (int i = 0; i < lines; ++i)
            input << form.line(i).toUtf8();
        qint64 best = -1;
        qint64 sizes = 0;
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer t;
            t.start();
            for (const QByteArray &line : input)
                if (const auto entry = kav::classifyListingLine(line, kav::utf8x::decode))
                    sizes += entry->size;
            const qint64 ns = t.nsecsElapsed();
            best = best < 0 ? ns : std::min(best, ns);
        }
        std::printf("%-8s %10d %14.0f\n", form.name, lines, lines / (double(best) / 1e9));
        if (sizes < 0)
            return 1;
    }
    return 0;
}
