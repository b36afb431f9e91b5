// The local file menu's hex view and print in the real main window.

#include "app/main_form.h"
#include "app/message_log.h"
#include "app/settings_bridge.h"
#include "ui_main_form.h"

#include "platform/cp949.h"
#include "platform/printer.h"
#include "platform/scripted_dialogs.h"
#include "config/ascii_extensions.h"
#include "viewers/hex_form.h"
#include "viewers/print_form.h"
#include "qt_printers.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kav;

namespace {

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(dialogs()); }

class Window : public TMainForm {
public:
    void saveConfiguration() override {}

protected:
    bool startWinsock() override { return false; }
    void loadConfiguration() override {}
};

class LocalViewers : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        root = QDir(tmp.path()).canonicalPath();
        startDir = QDir::currentPath();
        pdf = root + QStringLiteral("/out.pdf");
        printer = new PdfFilePrinter(pdf);
        previous = setPrinter(std::unique_ptr<PrinterService>(printer));
        window = std::make_unique<Window>();
        window->FormActivate();
        window->settings().asciiExtensions().add(QStringLiteral("TXT"));
        scripted().clear();
    }
    void TearDown() override
    {
        window.reset();
        setPrinter(std::move(previous));
        QDir::setCurrent(startDir);
    }

    void write(const QString &name, const QByteArray &bytes)
    {
        QFile f(root + QLatin1Char('/') + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // Enters the folder and selects one file.
    void select(const QString &name)
    {
        SessionProfile profile;
        profile.LocalPath = root;
        window->enterLocalStartDirectory(profile);
        QListWidget *files = window->form()->LFileListBox;
        files->clearSelection();
        const auto found = files->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        found.first()->setSelected(true);
    }
    QString lastLog() const
    {
        const QStringList &log = window->messages().texts();
        return log.isEmpty() ? QString() : log.last();
    }
    QString pdfText() const
    {
        QProcess p;
        p.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")), {pdf, QStringLiteral("-")});
        EXPECT_TRUE(p.waitForFinished(30000));
        QString text = QString::fromUtf8(p.readAllStandardOutput());
        return text.remove(QLatin1Char(' ')).remove(QChar(1));
    }

    QTemporaryDir tmp;
    QString root, startDir, pdf;
    PdfFilePrinter *printer = nullptr;
    std::unique_ptr<PrinterService> previous;
    std::unique_ptr<Window> window;
};

} // namespace

TEST_F(LocalViewers, HexViewOpensTheSelectedFile)
{
    write(QStringLiteral("data.bin"), QByteArray(300, 'k'));
    write(QStringLiteral("other.bin"), "x");
    Ui::TMainForm &f = *window->form();

    select(QStringLiteral("data.bin"));
    QString shownTitle, firstCell;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *hex = qobject_cast<THexForm *>(QApplication::activeModalWidget());
        if (!hex || !shownTitle.isEmpty())
            return;
        hex->FormActivate();
        if (hex->lastSector() == 0 && scripted().asked.empty())
            return;   // its own activation is still under way
        shownTitle = hex->windowTitle();
        firstCell = hex->findChild<QTableWidget *>(QStringLiteral("SG_Hexcodes"))->item(0, 0)->text();
        hex->close();
    });
    watch.start(10);
    f.N_LHexview->trigger();
    watch.stop();
    EXPECT_EQ(shownTitle, root + QStringLiteral("/data.bin  (300 Bytes)"));
    EXPECT_EQ(firstCell, "6b");
    EXPECT_TRUE(window->findChildren<THexForm *>().isEmpty()) << "freed after closing";

    f.LFileListBox->clearSelection();
    f.N_LHexview->trigger();
    EXPECT_EQ(lastLog(), QStringLiteral("[L] - 먼저 파일을 선택하세요."));
    f.LFileListBox->selectAll();
    f.N_LHexview->trigger();
    EXPECT_EQ(lastLog(), QStringLiteral("[L] - 한개의 파일만 선택하세요. 지금작업은 다중선택을 못합니다"));
}

TEST_F(LocalViewers, PrintRefusalsAndQuestions)
{
    write(QStringLiteral("report.Exe"), "MZ");
    write(QStringLiteral("empty.txt"), "");
    write(QStringLiteral("data.bin"), "bytes");
    Ui::TMainForm &f = *window->form();

    select(QStringLiteral("report.Exe"));
    f.N_LPrint->trigger();
    EXPECT_EQ(scripted().messageTexts(), QStringList{QStringLiteral("파일 'report.Exe'는 실행파일이라 인쇄할 수 없습니다.")});

    scripted().clear();
    select(QStringLiteral("data.bin"));
    scripted().pushButton(BtnNo);
    f.N_LPrint->trigger();
    EXPECT_EQ(scripted().messageTexts(),
              QStringList{QStringLiteral("[주의]\r\n파일 'data.bin'는 텍스트 파일이 아닐 수 있습니다.\r\n"
                                         "그래도 선택한 파일을 인쇄하시겠습니까 ?")});

    scripted().clear();
    select(QStringLiteral("empty.txt"));
    f.N_LPrint->trigger();
    EXPECT_EQ(scripted().messageTexts(), QStringList{QStringLiteral("파일 'empty.txt'의 파일크기가 0 Byte 입니다.")});
    EXPECT_EQ(printer->printDialogsAsked, 0);
    EXPECT_FALSE(QFile::exists(pdf));

    // A cancelled print dialog prints nothing.
    printer->acceptDialogs = false;
    scripted().clear();
    select(QStringLiteral("data.bin"));
    scripted().pushButton(BtnYes);
    f.N_LPrint->trigger();
    EXPECT_EQ(printer->printDialogsAsked, 1);
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_FALSE(window->printForm()->isVisible());

    f.LBprintset->click();
    EXPECT_EQ(printer->setupDialogsAsked, 1);
}

TEST_F(LocalViewers, PrintsAKoreanTextFileLineByLine)
{
    QStringList lines;
    for (int i = 1; i <= 40; ++i)
        lines << QStringLiteral("줄 %1 가나다").arg(i);
    write(QStringLiteral("한글.txt"), cp949::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    select(QStringLiteral("한글.txt"));
    bool showingDuringPrint = false;
    QObject::connect(window->printForm()->findChild<QProgressBar *>(QStringLiteral("G_print")),
                     &QProgressBar::valueChanged, [&] {
                         showingDuringPrint = window->printForm()->isVisible() && window->transferOrPrintShowing();
                     });
    window->form()->N_LPrint->trigger();
    EXPECT_TRUE(scripted().messageTexts().isEmpty()) << scripted().messageTexts().join('|').toStdString();
    EXPECT_TRUE(showingDuringPrint) << "the window refuses to close while printing";
    EXPECT_FALSE(window->printForm()->isVisible());
    const QString text = pdfText();
    int at = 0;
    for (QString line : lines) {
        line.remove(QLatin1Char(' '));
        const int found = text.indexOf(line + QLatin1Char('\n'), at);
        ASSERT_GE(found, at) << line.toStdString() << "\n" << text.toStdString();
        at = found + line.size();
    }
}
