// Line printing: the gauge rule, line decoding, and whole prints to a PDF file read
// back with pdftotext.
#include "viewers/line_print.h"
#include "viewers/print_form.h"
#include "platform/cp949.h"
#include "platform/dialogs.h"
#include "platform/printer.h"
#include "ui_print_form.h"
#include "qt_printers.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kav;

// The PDF's text layer as search and copy see it: words with their blanks.
QString pdfPlainText(const QString &pdf)
{
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")), {pdf, QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(30000));
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfText(const QString &pdf)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    EXPECT_FALSE(pdftotext.isEmpty()) << "pdftotext (poppler-utils) is needed";
    QProcess p;
    p.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(30000));
    // The layout's own runs of blanks vary with the widths: compare without blanks.
    QString text = QString::fromUtf8(p.readAllStandardOutput());
    return text.remove(QLatin1Char(' ')).remove(QChar(1));
}

TEST(LinePrint, Gauge)
{
    struct Case {
        qint64 printed, size;
        int gauge;
    };
    const Case cases[] = {{99, 1000, 9},     // line ends are not counted
                          {0, 1000, 0},      {1000, 1000, 100}, {1200, 1000, 100},
                          {5, 0, 0},         {5, -1, 0},
                          {3LL << 31, 6LL << 31, 50}};  // sizes past 2 GiB
    for (const Case &c : cases)
        EXPECT_EQ(printGauge(c.printed, c.size), c.gauge) << c.printed << "/" << c.size;
}

TEST(LinePrint, LinesDecoded)
{
    struct Case {
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {"plain", QStringLiteral("plain")},
        {"crlf\r", QStringLiteral("crlf")},
        {"two\r\r", QStringLiteral("two\r")},               // only one CR is a line end's
        {cp949::encode(u"한글 줄"), QStringLiteral("한글 줄")},
        {QByteArray("utf-8 \xed\x95\x9c"), QStringLiteral("utf-8 한")},
        {"", QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(decodeTextLine(c.bytes), c.text) << c.bytes.toStdString();
}

class LinePrintToPdf : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        pdf = dir.filePath(QStringLiteral("out.pdf"));
        previous = setPrinter(std::make_unique<PdfFilePrinter>(pdf));
        setApplicationTitle(QStringLiteral("Kavrin Version 2.2"));
    }
    void TearDown() override { setPrinter(std::move(previous)); }

    QTemporaryDir dir;
    QString pdf;
    std::unique_ptr<PrinterService> previous;
    TPrintForm window;
};

TEST_F(LinePrintToPdf, EveryLineOfAKoreanFileInOrder)
{
    QStringList lines;
    for (int i = 1; i <= 120; ++i)
        lines << QStringLiteral("%1번째 줄 한글 인쇄").arg(i);
    QByteArray bytes = cp949::encode(lines.join(QStringLiteral("\r\n")));  // no line end after the last
    QBuffer file(&bytes);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QList<int> gauges;
    QList<QString> titles;
    QObject::connect(window.form()->G_print, &QProgressBar::valueChanged, [&](int v) {
        gauges << v;
        titles << applicationTitle();
    });
    {
        LinePrint run(window, QStringLiteral("korean.txt"), bytes.size());
        ASSERT_TRUE(run.isOpen());
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(window.form()->L_file->text(), "korean.txt");
        EXPECT_EQ(window.form()->L_size->text(), QString::number(bytes.size()) + QStringLiteral(" Bytes"));
        EXPECT_EQ(printTextLines(file, run), PrintOutcome::Printed);
        EXPECT_EQ(run.linesWritten(), 120);
        run.finish();
        EXPECT_FALSE(run.disconnectRequested());
    }
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.form()->G_print->value(), 100);
    EXPECT_EQ(applicationTitle(), "Kavrin Version 2.2");
    ASSERT_FALSE(titles.isEmpty());
    EXPECT_TRUE(titles.first().startsWith(QStringLiteral("Kavrin Version 2.2 ")));
    EXPECT_TRUE(std::is_sorted(gauges.begin(), gauges.end()));

    const QString text = pdfText(pdf);
    int at = 0;
    for (const QString &line : lines) {
        QString bare = line;
        bare.remove(QLatin1Char(' '));
        const int found = text.indexOf(bare + QLatin1Char('\n'), at);
        ASSERT_GE(found, at) << line.toStdString();
        at = found + bare.size();
    }
    EXPECT_GE(text.count(QLatin1Char('\f')), 2) << "120 lines fill more than one page";

    // Search and copy in the PDF find the lines as they were, blanks and all.
    const QString plain = pdfPlainText(pdf);
    EXPECT_FALSE(plain.contains(QChar(1)));
    for (const QString &line : lines)
        EXPECT_TRUE(plain.contains(line + QLatin1Char('\n'))) << line.toStdString();
}

// The gauge's percentage can be read over its filled part: light on the navy.
TEST(PrintWindow, TheGaugesPercentageReadsOverTheFilledPart)
{
    TPrintForm form;
    QProgressBar *gauge = form.form()->G_print;
    for (int percent : {60, 100}) {
        gauge->setValue(percent);
        const QImage shot = gauge->grab().toImage();
        // The middle of the bar, where the text is, all of it filled at these values.
        const QRect middle(shot.width() / 2 - 20, 4, 40, shot.height() - 8);
        int navy = 0, light = 0;
        for (int y = middle.top(); y <= middle.bottom(); ++y)
            for (int x = middle.left(); x <= middle.right(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                navy += c.blue() > 90 && c.red() < 60 && c.green() < 60;
                light += qGray(c.rgb()) > 170;
            }
        EXPECT_GT(navy, middle.width() * middle.height() / 3) << percent;
        EXPECT_GT(light, 10) << percent << "%: the text does not show on the navy";
    }
}

TEST_F(LinePrintToPdf, CancelAfterTheThirdLineEndsTheJobWithThreeLines)
{
    // Ten lines of 99 characters: the gauge moves after each line (9, 19, 29, ...).
    QByteArray bytes;
    for (int i = 0; i < 10; ++i)
        bytes += QByteArray("line") + QByteArray::number(i) + QByteArray(94, 'x') + "\r\n";
    QBuffer file(&bytes);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    int changes = 0;
    QObject::connect(window.form()->G_print, &QProgressBar::valueChanged, [&](int) {
        if (++changes == 3)
            window.form()->BB_abort->click();   // the user presses cancel
    });
    LinePrint run(window, QStringLiteral("ten.txt"), bytes.size());
    EXPECT_EQ(printTextLines(file, run), PrintOutcome::Cancelled);
    EXPECT_EQ(run.linesWritten(), 3);
    EXPECT_EQ(run.printed(), 3 * 99);
    run.finish();
    EXPECT_EQ(window.cancelFlag(), 0);
    EXPECT_FALSE(window.isVisible());
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("line2"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("line3")));
}

TEST_F(LinePrintToPdf, EachPrintPutsBackTheTitleItFound)
{
    for (const QString &title : {QStringLiteral("Kavrin Version 2.2"), QStringLiteral("시험 서버 (127.0.0.1, kim)")}) {
        setApplicationTitle(title);
        QByteArray bytes("one\r\ntwo\r\n");
        QBuffer file(&bytes);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QString during;
        QObject::connect(window.form()->G_print, &QProgressBar::valueChanged, [&] { during = applicationTitle(); });
        LinePrint run(window, QStringLiteral("t.txt"), bytes.size());
        printTextLines(file, run);
        run.finish();
        EXPECT_EQ(applicationTitle(), title);
        EXPECT_TRUE(during.startsWith(title + QLatin1Char(' '))) << during.toStdString();
        window.form()->G_print->disconnect();
    }
}
