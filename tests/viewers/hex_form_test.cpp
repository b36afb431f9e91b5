// THexForm offscreen on real files: opening, paging, keys, the panel, copying, printing.
#include "viewers/hex_form.h"
#include "viewers/sector_spin_box.h"
#include "platform/printer.h"
#include "platform/scripted_dialogs.h"
#include "ui_hex_form.h"
#include "qt_printers.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QStyle>
#include <QTemporaryDir>
#include <QTableWidget>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using kav::ScriptedDialogs;
using kav::THexForm;

namespace {

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(kav::dialogs()); }

class HexFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        scripted().clear();
    }

    QString file(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    // The window as the opener shows it, activated.
    std::unique_ptr<THexForm> open(const QString &path)
    {
        auto hex = std::make_unique<THexForm>();
        hex->setFileName(path);
        hex->show();
        hex->FormActivate();
        return hex;
    }

    static QString cell(QTableWidget *grid, int row, int column) { return grid->item(row, column)->text(); }

    static void key(THexForm &hex, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(hex.form()->SG_Hexcodes, Qt::Key(key), modifiers);
    }

    QTemporaryDir dir;
};

QByteArray counting(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i & 0xff);
    return bytes;
}

} // namespace

TEST_F(HexFormTest, EveryCellShowsItsWholeText)
{
    // A text wider than the room the view leaves inside its cell is drawn as
    // an ellipsis unless the grid never elides: "ff" must never read "…".
    auto hex = open(file(QStringLiteral("all.bin"), counting(256)));
    for (QTableWidget *grid : {hex->form()->SG_Displacement, hex->form()->SG_Hexcodes, hex->form()->SG_Values}) {
        const QFontMetrics metrics(grid->font());
        const int margin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
        for (int row = 0; row < grid->rowCount(); ++row)
            for (int column = 0; column < grid->columnCount(); ++column) {
                const QString text = cell(grid, row, column).trimmed();
                const int cellWidth = grid->columnWidth(column) - 1; // less the grid line
                EXPECT_LE(metrics.horizontalAdvance(text), cellWidth) << grid->objectName().toStdString() << " " << row << "," << column;
                if (metrics.horizontalAdvance(text) > cellWidth - 2 * margin)
                    EXPECT_EQ(grid->textElideMode(), Qt::ElideNone)
                        << grid->objectName().toStdString() << " elides \"" << text.toStdString() << "\"";
            }
    }
}

TEST_F(HexFormTest, FilesThatCannotBeShownGiveOneBoxAndAnEmptyWindow)
{
    const QString cases[] = {file(QStringLiteral("empty.bin"), {}), dir.filePath(QStringLiteral("missing.bin")),
                             dir.path()};
    for (const QString &path : cases) {
        scripted().clear();
        auto hex = open(path);
        EXPECT_EQ(scripted().messageTexts(),
                  QStringList{QStringLiteral("작업파일 '") + path + QStringLiteral("' 을 열 수 없습니다.")});
        EXPECT_FALSE(hex->fileIsOpen());
        EXPECT_EQ(hex->form()->SE_CurSector->maximum(), 0);
        EXPECT_TRUE(cell(hex->form()->SG_Displacement, 0, 0).isEmpty());
        // Keys and the spin field do nothing without a file.
        key(*hex, Qt::Key_PageDown);
        hex->form()->SE_CurSector->setValue(3);
        EXPECT_TRUE(cell(hex->form()->SG_Hexcodes, 0, 0).isEmpty());
    }
}

TEST_F(HexFormTest, SectorsOfSmallFiles)
{
    {
        auto hex = open(file(QStringLiteral("256.bin"), counting(256)));
        EXPECT_TRUE(scripted().asked.empty());
        EXPECT_EQ(hex->lastSector(), 1);
        EXPECT_EQ(hex->form()->L_MaxSector->text(), "1");
        EXPECT_EQ(hex->windowTitle(), dir.filePath(QStringLiteral("256.bin")) + QStringLiteral("  (256 Bytes)"));
        EXPECT_EQ(cell(hex->form()->SG_Hexcodes, 15, 15), "ff");
        EXPECT_EQ(cell(hex->form()->SG_Values, 4, 1), "A");
        EXPECT_EQ(cell(hex->form()->SG_Displacement, 3, 0), "  0048(0030)");
        EXPECT_EQ(hex->activeGrid(), THexForm::HexCodes);
    }
    auto hex = open(file(QStringLiteral("257.bin"), counting(257)));
    EXPECT_EQ(hex->lastSector(), 2);
    key(*hex, Qt::Key_PageDown);
    EXPECT_EQ(hex->currentSector(), 2);
    EXPECT_EQ(cell(hex->form()->SG_Hexcodes, 0, 0), "00");
    EXPECT_TRUE(cell(hex->form()->SG_Hexcodes, 0, 1).isEmpty());
    EXPECT_EQ(cell(hex->form()->SG_Displacement, 0, 0), "  0256(0100)");
    EXPECT_TRUE(cell(hex->form()->SG_Displacement, 1, 0).isEmpty());
}

TEST_F(HexFormTest, KeysAndTheSpinFieldStayWithinTheFile)
{
    auto hex = open(file(QStringLiteral("five.bin"), counting(5 * 256 - 10)));
    ASSERT_EQ(hex->lastSector(), 5);
    struct Step {
        int key;
        Qt::KeyboardModifiers modifiers;
        qint64 sector;
    };
    const Step steps[] = {{Qt::Key_PageUp, Qt::NoModifier, 1},       // at the first sector
                          {Qt::Key_PageDown, Qt::NoModifier, 2},
                          {Qt::Key_PageDown, Qt::ControlModifier, 5},
                          {Qt::Key_PageDown, Qt::NoModifier, 5},     // at the last sector
                          {Qt::Key_PageUp, Qt::NoModifier, 4},
                          {Qt::Key_PageUp, Qt::ControlModifier, 1}};
    for (const Step &s : steps) {
        key(*hex, s.key, s.modifiers);
        EXPECT_EQ(hex->currentSector(), s.sector) << s.key << " " << int(s.modifiers);
        EXPECT_EQ(cell(hex->form()->SG_Displacement, 0, 0).trimmed().left(4),
                  QStringLiteral("%1").arg((s.sector - 1) * 256, 4, 10, QLatin1Char('0')).left(4));
    }
    // Row 3 of sector 2.
    key(*hex, Qt::Key_PageDown);
    EXPECT_EQ(cell(hex->form()->SG_Displacement, 3, 0), "  0304(0130)");

    struct Typed {
        const char *text;
        qint64 sector;
    };
    const Typed typed[] = {{"0", 1}, {"3", 3}, {"99", 5}, {"4", 4}};
    QLineEdit *edit = hex->form()->SE_CurSector->findChild<QLineEdit *>();
    ASSERT_NE(edit, nullptr);
    for (const Typed &t : typed) {
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(t.text));
        EXPECT_EQ(hex->currentSector(), t.sector) << t.text;
        EXPECT_EQ(edit->text(), QString::number(t.sector)) << t.text;
    }
}

TEST_F(HexFormTest, SelectingACellDescribesItsByteAndMovesTheOtherGrids)
{
    QByteArray bytes = counting(256);
    bytes[0x11] = char(0x0a);
    bytes[0x12] = char(0x80);
    auto hex = open(file(QStringLiteral("panel.bin"), bytes));
    Ui::THexForm &f = *hex->form();
    f.SG_Hexcodes->setFocus();
    hex->SG_HexcodesEnter();
    f.SG_Hexcodes->setCurrentCell(1, 1);
    EXPECT_EQ(f.L_Hex->text(), "0a");
    EXPECT_EQ(f.L_Dec->text(), "10");
    EXPECT_EQ(f.L_Bin->text(), "1010");
    EXPECT_EQ(f.L_Code->text(), "LF ");
    EXPECT_EQ(f.L_Char->text(), ".");
    EXPECT_EQ(f.SG_Values->currentRow(), 1);
    EXPECT_EQ(f.SG_Values->currentColumn(), 1);
    EXPECT_EQ(f.SG_Displacement->currentRow(), 1);

    f.SG_Hexcodes->setCurrentCell(1, 2);
    EXPECT_EQ(f.L_Dec->text(), "128");
    EXPECT_TRUE(f.L_Code->text().isEmpty());

    // The character grid leads when it has the focus.
    hex->SG_ValuesEnter();
    f.SG_Values->setCurrentCell(4, 1);
    EXPECT_EQ(f.SG_Hexcodes->currentRow(), 4);
    EXPECT_EQ(f.SG_Hexcodes->currentColumn(), 1);
    EXPECT_EQ(f.L_Char->text(), "A");
    hex->SG_DisplacementEnter();
    f.SG_Displacement->setCurrentCell(7, 0);
    EXPECT_EQ(f.SG_Hexcodes->currentRow(), 7);
    EXPECT_EQ(f.SG_Values->currentRow(), 7);
}

TEST_F(HexFormTest, SelectedCellsAreCopiedAsText)
{
    auto hex = open(file(QStringLiteral("copy.bin"), QByteArray("Hello, hex!\x01\x02\x03\x04\x05world", 21)));
    Ui::THexForm &f = *hex->form();
    f.SG_Hexcodes->setRangeSelected(QTableWidgetSelectionRange(0, 0, 1, 1), true);
    QTest::keyClick(f.SG_Hexcodes, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "48 65\n77 6f");
    f.SG_Values->setRangeSelected(QTableWidgetSelectionRange(0, 0, 0, 4), true);
    QTest::keyClick(f.SG_Values, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "Hello");
}

TEST_F(HexFormTest, ASparseFivePastFourGibibytesOpensAtItsLastSector)
{
    const QString path = dir.filePath(QStringLiteral("sparse.bin"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(5LL << 30));
        ASSERT_TRUE(f.seek((5LL << 30) - 3));
        f.write("END", 3);
    }
    auto hex = open(path);
    ASSERT_TRUE(hex->fileIsOpen());
    EXPECT_EQ(hex->lastSector(), 20971520);
    EXPECT_EQ(hex->windowTitle(), path + QStringLiteral("  (5368709120 Bytes)"));
    key(*hex, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(hex->currentSector(), 20971520);
    Ui::THexForm &f = *hex->form();
    EXPECT_EQ(cell(f.SG_Displacement, 15, 0), "  5368709104(13ffffff0)");
    EXPECT_EQ(cell(f.SG_Hexcodes, 15, 13), "45");
    EXPECT_EQ(cell(f.SG_Values, 15, 15), "D");
    EXPECT_EQ(cell(f.SG_Hexcodes, 0, 0), "00");
    key(*hex, Qt::Key_PageUp);
    EXPECT_EQ(hex->currentSector(), 20971519);
}

TEST_F(HexFormTest, PrintingPutsAnImageOfTheWindowOnThePrinter)
{
    const QString pdf = dir.filePath(QStringLiteral("hex.pdf"));
    auto previous = kav::setPrinter(std::make_unique<kav::PdfFilePrinter>(pdf));
    auto hex = open(file(QStringLiteral("p.bin"), counting(300)));
    hex->B_PrintClick();
    kav::setPrinter(std::move(previous));
    QFile out(pdf);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QByteArray bytes = out.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_TRUE(bytes.contains("/Image")) << "the page holds the window's image";
}

// Enter in the sector box goes to the sector and leaves the viewer open (닫기 is the
// default button); the wheel moves the selected row a line, across sector edges.
TEST_F(HexFormTest, EnterGoesToTheSectorAndTheWheelMovesALine)
{
    auto hex = open(file(QStringLiteral("three.bin"), counting(3 * 256)));
    QLineEdit *edit = hex->form()->SE_CurSector->findChild<QLineEdit *>();
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("2"));
    for (Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(edit, enter);
        EXPECT_TRUE(hex->isVisible());
        EXPECT_EQ(hex->result(), 0);
        EXPECT_EQ(hex->currentSector(), 2);
    }

    QTableWidget *grid = hex->form()->SG_Hexcodes;
    grid->setCurrentCell(14, 3);
    auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(20, 20), grid->viewport()->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid->viewport(), &e);
    };
    struct Turn {
        int delta;
        int row;
        qint64 sector;
    };
    const Turn turns[] = {{-120, 15, 2}, {-120, 0, 3},   // down a line, then into the next sector
                          {-120, 1, 3},  {120, 0, 3},    // and back up
                          {120, 15, 2},  {-60, 15, 2},   // half a notch is not yet a line
                          {-60, 0, 3},   {-120 * 20, 15, 3}};   // never past the last line
    for (const Turn &t : turns) {
        wheel(t.delta);
        EXPECT_EQ(grid->currentRow(), t.row) << t.delta;
        EXPECT_EQ(grid->currentColumn(), 3);
        EXPECT_EQ(hex->currentSector(), t.sector) << t.delta;
    }
}
