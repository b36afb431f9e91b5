// A large rich text file opened in the viewer: where the time goes, and how long the
// window stops answering. The RTF is one paragraph of format runs (bold, italic, plain
// in turn, Hangul and Latin), the shape that a long chat or log saved as RTF has; a
// second shape also changes colour and size at every run (63 formats in turn); a third
// is the same text as a plain text file of one line. Each figure is the median of
// several runs: reading the RTF into a document (no window); the whole open in the
// viewer until all of the file is in and painted; the longest time between two passes
// of the event loop meanwhile (a 1 ms timer keeps the loop busy; the open starts from
// inside the loop, as a menu command does); and -- as a ceiling -- the same text with
// no formats set in a QPlainTextEdit, in one piece.
//   build/bench/rtf_open_bench [MiB,MiB,...] [runs]   # default 1 MiB, 3 runs
#include "platform/cp949.h"
#include "viewers/long_paragraphs.h"
#include "viewers/rtf_reader.h"
#include "viewers/view_form.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace kav;

namespace {

QByteArray formatRuns(qsizetype bytes, bool coloured)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg949\\deff0{\\fonttbl{\\f0\\fnil\\fcharset129 Gulim;}}"
                     "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;\\red0\\green0\\blue255;"
                     "\\red128\\green0\\blue0;\\red0\\green128\\blue128;\\red128\\green128\\blue0;}\\f0\\fs20 ";
    const QByteArray hangul = cp949::encode(QStringLiteral("가나"));
    QByteArray hex;
    for (const char c : hangul)
        hex += "\\'" + QByteArray::number(uchar(c), 16);
    const QByteArray runs[] = {"{\\b word}", "{\\i " + hex + "} ", "plain ", "{\\ul under}"};
    for (int i = 0; rtf.size() < bytes - 1; ++i) {
        if (coloured)
            rtf += "{\\cf" + QByteArray::number(i % 7) + "\\fs" + QByteArray::number(16 + 2 * (i % 9)) + ' '
                + runs[i % 4] + '}';
        else
            rtf += runs[i % 4];
    }
    rtf += '}';
    return rtf;
}

// The open of a file in a shown viewer, started from inside the event loop: ms until
// all of it is in and painted, and the longest ms between two passes of the loop.
std::pair<double, double> openInViewer(const QString &path)
{
    TViewForm viewer;
    viewer.resize(800, 600);
    viewer.show();
    QApplication::processEvents();
    QEventLoop loop;
    QElapsedTimer clock, since;
    qint64 longest = 0;
    QTimer beat;
    beat.setInterval(1);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        longest = std::max(longest, since.nsecsElapsed());
        since.start();
    });
    QObject::connect(&viewer, &TViewForm::loadingFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(0, [&] {
        since.start();
        beat.start();
        clock.start();
        viewer.loadFile(path);
        if (!viewer.isLoading())
            loop.quit();
    });
    loop.exec();
    viewer.grab();  // the first paint of the whole
    const double all = clock.nsecsElapsed() / 1e6;
    longest = std::max(longest, since.nsecsElapsed());
    return {all, longest / 1e6};
}

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<double> sizes{1};
    if (argc > 1) {
        sizes.clear();
        for (const QByteArray &s : QByteArray(argv[1]).split(','))
            sizes << s.toDouble();
    }
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    QTemporaryDir dir;
    QList<std::pair<double, bool>> cases;   // size in MiB, coloured
    for (const double mib : sizes)
        cases << std::pair{mib, false} << std::pair{mib, true};
    for (const auto &[mib, coloured] : cases) {
        const QByteArray rtf = formatRuns(qsizetype(mib * 1024 * 1024), coloured);
        const QString path = dir.filePath(QStringLiteral("runs.rtf"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(rtf) != rtf.size())
            return 1;
        f.close();
        qsizetype characters = 0;
        const double read = medianMs(runs, [&] {
            QTextDocument doc;
            viewers::readRtf(rtf, doc);
            characters = doc.characterCount();
        });
        QString text;
        {
            QTextDocument doc;
            viewers::readRtf(rtf, doc);
            text = viewers::paragraphText(doc);
        }
        const QString plainPath = dir.filePath(QStringLiteral("line.txt"));
        QFile p(plainPath);
        const QByteArray utf8 = text.toUtf8();
        if (!p.open(QIODevice::WriteOnly) || p.write(utf8) != utf8.size())
            return 1;
        p.close();
        std::vector<double> opens, freezes, plainOpens, plainFreezes;
        for (int r = 0; r < runs; ++r) {
            // Rotated: the RTF first in one round, the plain text first in the next.
            for (int k = 0; k < 2; ++k) {
                const bool rich = (r + k) % 2 == 0;
                const auto [all, longest] = openInViewer(rich ? path : plainPath);
                (rich ? opens : plainOpens).push_back(all);
                (rich ? freezes : plainFreezes).push_back(longest);
            }
        }
        const auto median = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        const double ceiling = medianMs(runs, [&] {
            QPlainTextEdit edit;
            edit.resize(800, 600);
            edit.setPlainText(text);
            edit.show();
            QApplication::processEvents();
            edit.grab();
        });
        std::printf("%.1f MiB RTF, %s, %lld characters in one paragraph: read %.0f ms; open until all is in %.0f ms, "
                    "longest freeze %.0f ms (max %.0f); the same as a plain text file of one line (%.1f MiB UTF-8): "
                    "open %.0f ms, longest freeze %.0f ms (max %.0f); ceiling (same text, plain, in one piece) %.0f ms\n",
                    mib, coloured ? "63 formats" : "4 formats", static_cast<long long>(characters), read,
                    median(opens), median(freezes), *std::max_element(freezes.begin(), freezes.end()),
                    utf8.size() / 1048576.0, median(plainOpens), median(plainFreezes),
                    *std::max_element(plainFreezes.begin(), plainFreezes.end()), ceiling);
        std::fflush(stdout);
    }
    return 0;
}
