// A large rich text file opened in the viewer: where the time goes. The RTF is
// one paragraph of format runs (bold, italic, plain in turn, Hangul and Latin),
// the shape that a long chat or log saved as RTF has; a second shape also
// changes colour and size at every run (63 formats in turn). Three spans, each the
// median of several runs: reading the RTF into a document (no window), the
// whole open in the viewer up to its first paint, and -- as a ceiling -- the
// same text with no formats set as plain text.
//   build/bench/rtf_open_bench [MiB,MiB,...] [runs]   # default 1 MiB, 3 runs
#include "platform/cp949.h"
#include "viewers/rtf_reader.h"
#include "viewers/view_form.h"

#include <QApplication>
#include <QElapsedTimer>
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
        const double open = medianMs(runs, [&] {
            TViewForm viewer;
            viewer.resize(800, 600);
            viewer.loadFile(path);
            viewer.show();
            QApplication::processEvents();
            viewer.grab();   // the first paint
        });
        QString text;
        {
            QTextDocument doc;
            viewers::readRtf(rtf, doc);
            text = doc.toPlainText();
        }
        const double plain = medianMs(runs, [&] {
            QPlainTextEdit edit;
            edit.resize(800, 600);
            edit.setPlainText(text);
            edit.show();
            QApplication::processEvents();
            edit.grab();
        });
        std::printf("%.1f MiB RTF, %s, %lld characters in one paragraph: read %.0f ms, open to first paint %.0f ms, "
                    "ceiling (same text, plain) %.0f ms\n",
                    mib, coloured ? "63 formats" : "4 formats", static_cast<long long>(characters), read, open,
                    plain);
    }
    return 0;
}
