// TViewForm offscreen, with the scripted dialog service and a PDF printer.
#include "viewers/find_replace_dialog.h"
#include "viewers/long_paragraphs.h"
#include "viewers/rtf_reader.h"
#include "viewers/rtf_writer.h"
#include "viewers/view_form.h"
#include "platform/cp949.h"
#include "platform/printer.h"
#include "platform/scripted_dialogs.h"
#include "ui_view_form.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>
#include <QRegularExpression>
#include "unprivileged.h"

#include <gtest/gtest.h>
#include <functional>
#include <unistd.h>

using kav::ScriptedDialogs;
using kav::TViewForm;

namespace {

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(kav::dialogs()); }

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class ViewFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        scripted().answers.clear();
        scripted().asked.clear();
    }
    void TearDown() override
    {
        view.document()->setModified(false);  // closing must not ask
        view.close();
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    // Puts the caret at `column` (0-based) of line `line` (0-based).
    void caretAt(int line, int column)
    {
        QTextCursor c(view.document()->findBlockByNumber(line));
        c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column);
        view.richEdit()->setTextCursor(c);
    }

    int countAsked(ScriptedDialogs::Kind kind) const
    {
        int n = 0;
        for (const auto &a : scripted().asked)
            n += a.kind == kind;
        return n;
    }

    // Opens a file through the File/Open command.
    void openThroughMenu(const QString &file)
    {
        scripted().pushAccept(file);
        view.N_FileOpenClick();
    }

    QTemporaryDir dir;
    TViewForm view;
};

} // namespace

TEST_F(ViewFormTest, StatusBarDescribesCaretAndCharacter)
{
    view.setLines({QStringLiteral("first"), QStringLiteral("second line")});
    view.show();
    caretAt(1, 3);
    EXPECT_EQ(view.statusPanelText(0), "Ln: 2  Col: 4");
    EXPECT_EQ(view.statusPanelText(2), "Chr:o");

    view.setLines({QStringLiteral("xA한")});
    caretAt(0, 1);
    EXPECT_EQ(view.statusPanelText(2), "Chr:A");
    EXPECT_EQ(view.statusPanelText(3), "Dec: 65");
    EXPECT_EQ(view.statusPanelText(4), "Hex: 41");
    EXPECT_EQ(view.statusPanelText(5), "Bin: 1000001");
    caretAt(0, 2);
    EXPECT_EQ(view.statusPanelText(2), QStringLiteral("Chr:한"));
    EXPECT_EQ(view.statusPanelText(4), "Hex: d55c");
    caretAt(0, 3);  // end of line: no character
    for (int panel = 2; panel <= 5; ++panel)
        EXPECT_EQ(view.statusPanelText(panel), "") << panel;

    // Cut and copy need a selection; select all needs text.
    EXPECT_FALSE(view.form()->SB_CopyButton->isEnabled());
    EXPECT_FALSE(view.form()->N_EditCut->isEnabled());
    QTextCursor c = view.richEdit()->textCursor();
    c.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor);
    view.richEdit()->setTextCursor(c);
    EXPECT_TRUE(view.form()->SB_CopyButton->isEnabled());
    EXPECT_TRUE(view.form()->N_EditCut->isEnabled());
    EXPECT_EQ(view.statusPanelText(0), "Ln: 1  Col: 4");  // the selection's end counts
    view.clearText();
    EXPECT_FALSE(view.form()->L_AllSelection->isEnabled());
}

TEST_F(ViewFormTest, ModifiedFlagAndUndo)
{
    view.setLines({QStringLiteral("abc")});
    view.show();
    EXPECT_EQ(view.statusPanelText(1), "");
    EXPECT_FALSE(view.form()->SB_UndoButton->isEnabled());
    QTest::keyClicks(view.richEdit(), QStringLiteral("x"));
    EXPECT_EQ(view.statusPanelText(1), "Modified");
    EXPECT_TRUE(view.form()->SB_UndoButton->isEnabled());
    EXPECT_TRUE(view.form()->N_EditUndo->isEnabled());
    view.N_EditUndoClick();
    EXPECT_EQ(view.lines(), QStringList{"abc"});
}

TEST_F(ViewFormTest, OpenersHandTextAndShowModally)
{
    view.clearText();
    view.addLine(QString());
    view.addLine(QStringLiteral("<b>not markup</b>"));
    view.addLine(QStringLiteral("마지막 줄"));
    view.setSaveDirectory(dir.path());
    view.setSaveFileName(QStringLiteral("Finger.txt"));
    view.setCaption(QStringLiteral("host (127.0.0.1) - Finger (12 Bytes)"));
    EXPECT_EQ(view.lines(),
              (QStringList{QString(), QStringLiteral("<b>not markup</b>"), QStringLiteral("마지막 줄")}));

    bool checked = false;
    QTimer::singleShot(0, &view, [&] {
        EXPECT_TRUE(view.isVisible());
        EXPECT_TRUE(view.isModal());
        EXPECT_EQ(view.windowTitle(), "host (127.0.0.1) - Finger (12 Bytes)");
        EXPECT_EQ(view.currentName(), "Finger.txt");
        EXPECT_TRUE(view.needsName());
        EXPECT_FALSE(view.isModified());
        EXPECT_FALSE(view.isRichText());
        EXPECT_EQ(view.richEdit()->textCursor().position(), 0);
        checked = true;
        view.close();
    });
    view.showModal();
    EXPECT_TRUE(checked);
    EXPECT_FALSE(view.isVisible());
}

TEST_F(ViewFormTest, SaveRightAfterShowingGoesThroughSaveAs)
{
    writeAll(path("report.txt"), "line\r\n");
    ASSERT_TRUE(view.loadFile(path("report.txt")));
    view.setSaveDirectory(dir.path());
    view.setSaveFileName(QStringLiteral("report.txt"));
    view.show();
    scripted().pushCancel();
    EXPECT_FALSE(view.N_FileSaveClick());
    ASSERT_EQ(countAsked(ScriptedDialogs::Kind::SaveFile), 1);
    const auto &asked = scripted().asked.back();
    EXPECT_EQ(asked.file.initialDir, dir.path());
    EXPECT_EQ(asked.file.fileName, "report.txt");
    EXPECT_EQ(asked.file.defaultExt, "txt");
    EXPECT_EQ(asked.file.filter, "Text Files (*.TXT)|*.TXT|Rich Text Files (*.RTF)|*.RTF");
}

TEST_F(ViewFormTest, FormatRuleDecidesHowAFileIsWrittenBack)
{
    struct Case {
        const char *name;
        bool rich;
    };
    const Case cases[] = {{"notes.rtf", true}, {"notes.txt", false}, {"notes.Rtf", true}};
    for (const Case &c : cases) {
        const QString file = path(QString::fromLatin1(c.name));
        if (c.rich) {
            QTextDocument doc;
            kav::viewers::readRtf("{\\rtf1\\ansi\\ansicpg949 \\'c7\\'d1\\'b1\\'db}", doc);
            writeAll(file, kav::viewers::writeRtf(doc));
        } else {
            writeAll(file, kav::cp949::encode(QStringLiteral("한글")));
        }
        view.show();
        openThroughMenu(file);
        EXPECT_EQ(view.lines(), QStringList{QStringLiteral("한글")}) << c.name;
        EXPECT_EQ(view.windowTitle(), QStringLiteral("[Local] - File View (") + c.name + ")");
        QTest::keyClicks(view.richEdit(), QStringLiteral("!"));
        // Save after Open asks for the name; the file exists, so overwriting is asked too.
        scripted().pushAccept(file);
        scripted().pushButton(kav::BtnYes);
        EXPECT_TRUE(view.N_FileSaveClick()) << c.name;
        EXPECT_EQ(scripted().messageTexts().last(), QStringLiteral("OK to overwrite ") + file);
        const QByteArray bytes = readAll(file);
        EXPECT_EQ(kav::viewers::looksLikeRtf(bytes), c.rich) << c.name;
        if (!c.rich) {
            EXPECT_EQ(bytes, kav::cp949::encode(QStringLiteral("!한글")));
        }
        EXPECT_FALSE(view.isModified());
        EXPECT_EQ(view.currentName(), file);
        // Now named: Save writes without asking.
        const auto askedBefore = scripted().asked.size();
        QTest::keyClicks(view.richEdit(), QStringLiteral("?"));
        EXPECT_TRUE(view.N_FileSaveClick());
        EXPECT_EQ(scripted().asked.size(), askedBefore);
        QTextDocument reread;
        if (c.rich)
            kav::viewers::readRtf(readAll(file), reread);
        else
            reread.setPlainText(kav::cp949::decode(readAll(file)));
        EXPECT_EQ(reread.toPlainText(), QStringLiteral("!?한글")) << c.name;
        view.hide();
    }
}

TEST_F(ViewFormTest, PlainTextKeepsItsEncodingAndLineEnds)
{
    struct Case {
        const char *what;
        QByteArray before;
        QByteArray after;  // "X" typed at the start
    };
    const Case cases[] = {
        {"code page 949, CR LF", "\xC7\xD1\r\n\x8C\x63\r\n", "X\xC7\xD1\r\n\x8C\x63\r\n"},
        {"UTF-8, LF", "\xED\x95\x9C\n", "X\xED\x95\x9C\n"},
        {"UTF-8 with BOM, CR", "\xEF\xBB\xBF\xED\x95\x9C\ra", "\xEF\xBB\xBFX\xED\x95\x9C\ra"},
        {"two byte-order marks", "\xEF\xBB\xBF\xEF\xBB\xBF" "a\n", "\xEF\xBB\xBFX\xEF\xBB\xBF" "a\n"},
    };
    for (const Case &c : cases) {
        const QString file = path(QStringLiteral("plain.txt"));
        writeAll(file, c.before);
        view.show();
        openThroughMenu(file);
        caretAt(0, 0);
        QTest::keyClicks(view.richEdit(), QStringLiteral("X"));
        scripted().pushAccept(file);
        scripted().pushButton(kav::BtnYes);
        ASSERT_TRUE(view.N_FileSaveAsClick()) << c.what;
        EXPECT_EQ(readAll(file), c.after) << c.what;
        view.hide();
    }
}

TEST_F(ViewFormTest, DecliningToOverwriteKeepsTheFile)
{
    const QString file = path(QStringLiteral("keep.txt"));
    writeAll(file, "old");
    view.setLines({QStringLiteral("new")});
    view.show();
    for (int answer : {int(kav::BtnNo), int(kav::BtnCancel)}) {
        scripted().pushAccept(file);
        scripted().pushButton(answer);
        EXPECT_FALSE(view.N_FileSaveAsClick());
        EXPECT_EQ(readAll(file), "old");
    }
}

TEST_F(ViewFormTest, UnsavedEditsAreNeverDroppedSilently)
{
    struct Case {
        const char *what;
        std::vector<ScriptedDialogs::Answer> answers;
        bool closes;
    };
    const QString unwritable = path(QStringLiteral("missing-dir/x.txt"));
    auto button = [](int b) { ScriptedDialogs::Answer a; a.button = b; return a; };
    auto accept = [](const QString &v) { ScriptedDialogs::Answer a; a.accept = true; a.value = v; return a; };
    const Case cases[] = {
        {"Cancel", {button(kav::BtnCancel)}, false},
        {"Yes, then the Save As dialog is cancelled",
         {button(kav::BtnYes), button(kav::BtnCancel)}, false},
        {"Yes, then the write fails",
         {button(kav::BtnYes), accept(unwritable), button(kav::BtnOk)}, false},
        {"No", {button(kav::BtnNo)}, true},
        {"Yes, and the save works",
         {button(kav::BtnYes), accept(QStringLiteral("saved.txt"))}, true},
    };
    for (const Case &c : cases) {
        scripted().answers.clear();
        scripted().asked.clear();
        view.setLines({QStringLiteral("text")});
        view.setSaveFileName(QStringLiteral("doc.txt"));
        view.show();
        QTest::keyClicks(view.richEdit(), QStringLiteral("edit "));
        for (const auto &a : c.answers) {
            auto answer = a;
            if (answer.value == "saved.txt")
                answer.value = path(answer.value);
            scripted().answers.push_back(answer);
        }
        view.close();
        EXPECT_EQ(!view.isVisible(), c.closes) << c.what;
        EXPECT_EQ(scripted().messageTexts().first(), "Save changes to doc.txt?") << c.what;
        EXPECT_EQ(scripted().asked.front().buttons, kav::BtnYes | kav::BtnNo | kav::BtnCancel);
        if (!c.closes) {
            EXPECT_TRUE(view.isModified()) << c.what;
            EXPECT_TRUE(view.lines().first().startsWith("edit ")) << c.what;
        }
        if (QByteArray(c.what) == "Yes, then the write fails") {
            EXPECT_TRUE(scripted().messageTexts().last().startsWith(
                QStringLiteral("파일 'x.txt'를 저장하지 못합니다.")));
        }
        view.document()->setModified(false);
        view.hide();
    }

    // Open is abandoned the same way: no open dialog after a cancelled save.
    scripted().answers.clear();
    scripted().asked.clear();
    view.show();
    QTest::keyClicks(view.richEdit(), QStringLiteral("more"));
    scripted().pushButton(kav::BtnYes);
    scripted().pushCancel();
    view.N_FileOpenClick();
    EXPECT_EQ(countAsked(ScriptedDialogs::Kind::OpenFile), 0);
    EXPECT_TRUE(view.isModified());
    // New asks as well.
    scripted().pushButton(kav::BtnCancel);
    view.N_FileNewClick();
    EXPECT_TRUE(view.lines().first().startsWith("more"));
}

TEST_F(ViewFormTest, FindAndReplace)
{
    view.setLines({QStringLiteral("cat concat"), QStringLiteral("Cat cat")});
    view.show();
    auto *find = view.findDialog();
    find->setFindText(QStringLiteral("cat"));
    find->setWholeWord(true);
    find->setMatchCase(true);
    view.FindDialogFind();
    EXPECT_EQ(view.richEdit()->textCursor().selectedText(), "cat");
    EXPECT_EQ(view.richEdit()->textCursor().selectionStart(), 0);
    view.N_FindNextClick();  // F3
    EXPECT_EQ(view.richEdit()->textCursor().selectionStart(), 15);
    view.N_FindNextClick();
    EXPECT_EQ(scripted().messageTexts().last(), QStringLiteral("문서 검색을 완료하였습니다."));
    EXPECT_FALSE(find->isVisible());

    // The replace dialog takes over the find text when it has none.
    view.N_ReplaceTextClick();
    auto *replace = view.replaceDialog();
    EXPECT_EQ(replace->findText(), "cat");
    replace->setReplaceText(QStringLiteral("dog"));
    replace->setFindText(QStringLiteral("bird"));
    caretAt(0, 0);
    view.ReplaceDialogReplace(true);
    EXPECT_EQ(scripted().messageTexts().last(), QStringLiteral("0개의 문자열을 바꾸었습니다."));

    replace->setFindText(QStringLiteral("cat"));
    replace->setWholeWord(true);
    replace->setMatchCase(false);
    caretAt(0, 0);
    view.ReplaceDialogReplace(true);
    EXPECT_EQ(scripted().messageTexts().last(), QStringLiteral("3개의 문자열을 바꾸었습니다."));
    EXPECT_EQ(view.lines(), (QStringList{"dog concat", "dog dog"}));
    view.N_EditUndoClick();  // one step undoes the whole run
    EXPECT_EQ(view.lines(), (QStringList{"cat concat", "Cat cat"}));

    // A replacement that contains the text it replaces does not run forever.
    replace->setWholeWord(false);
    replace->setReplaceText(QStringLiteral("catcat"));
    caretAt(0, 0);
    view.ReplaceDialogReplace(true);
    EXPECT_EQ(scripted().messageTexts().last(), QStringLiteral("4개의 문자열을 바꾸었습니다."));

    // Single replace: the match a search selected is the one replaced.
    view.setLines({QStringLiteral("a b a")});
    replace->setFindText(QStringLiteral("a"));
    replace->setReplaceText(QStringLiteral("X"));
    caretAt(0, 0);
    view.ReplaceDialogReplace(false);
    EXPECT_EQ(view.lines(), QStringList{"X b a"});
    view.ReplaceDialogReplace(false);
    EXPECT_EQ(view.lines(), QStringList{"X b X"});
    view.ReplaceDialogReplace(false);
    EXPECT_EQ(scripted().messageTexts().last(), QStringLiteral("문서 검색을 완료하였습니다."));
}

TEST_F(ViewFormTest, FormattingButtonsAndRichTextSave)
{
    view.setLines({QStringLiteral("굵은 글씨")});
    view.setSaveFileName(QStringLiteral("styled.rtf"));
    view.show();
    EXPECT_TRUE(view.isRichText());
    QTextCursor c = view.richEdit()->textCursor();
    c.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
    view.richEdit()->setTextCursor(c);
    view.form()->SB_BoldButton->click();
    view.form()->SB_CenterAlign->click();
    view.form()->SB_BulletsButton->click();
    EXPECT_TRUE(view.richEdit()->textCursor().currentList());
    scripted().pushAccept(path(QStringLiteral("styled.rtf")));
    ASSERT_TRUE(view.N_FileSaveClick());
    QTextDocument doc;
    kav::viewers::readRtf(readAll(path(QStringLiteral("styled.rtf"))), doc);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("굵은 글씨"));
    QTextCursor first(doc.firstBlock());
    first.movePosition(QTextCursor::Right);
    EXPECT_GT(first.charFormat().fontWeight(), QFont::Medium);
    QTextCursor last(doc.firstBlock());
    last.movePosition(QTextCursor::EndOfBlock);
    EXPECT_LE(last.charFormat().fontWeight(), QFont::Medium);
    EXPECT_TRUE(doc.firstBlock().blockFormat().alignment() & Qt::AlignHCenter);
    EXPECT_NE(doc.firstBlock().textList(), nullptr);

    // The tool bar follows the caret.
    caretAt(0, 1);
    EXPECT_TRUE(view.form()->SB_BoldButton->isChecked());
    EXPECT_TRUE(view.form()->SB_CenterAlign->isChecked());
    caretAt(0, 5);
    EXPECT_FALSE(view.form()->SB_BoldButton->isChecked());
}

TEST_F(ViewFormTest, RulerDragSetsParagraphIndents)
{
    view.setLines({QStringLiteral("indented")});
    view.resize(673, 550);
    view.show();
    QLabel *first = view.form()->FirstInd;
    const int start = first->x();
    EXPECT_EQ(start, 2);
    // Grab the marker in its middle and drop it 40 pixels to the right.
    view.RulerItemMouseDown(first, first->width() / 2);
    view.RulerItemMouseMove(first, first->width() / 2 + 40);
    view.FirstIndMouseUp();
    const QTextBlockFormat f = view.document()->firstBlock().blockFormat();
    // first indent = trunc((42 + 5 - 6) * 3/4) = 30 points = 40 pixels; the left indent
    // follows from the unmoved left marker, so the other lines stay where they were.
    EXPECT_NEAR(f.leftMargin() + f.textIndent(), 40.0, 0.01);
    EXPECT_NEAR(f.leftMargin(), 0.0, 0.01);
    EXPECT_EQ(first->x(), 42);
}

TEST_F(ViewFormTest, HintDisplayServesTheWholeApplication)
{
    view.show();
    QWidget other;
    QStatusTipEvent tip(QStringLiteral("다른 창의 힌트"));
    QApplication::sendEvent(&other, &tip);
    EXPECT_EQ(view.singlePanelText(), QStringLiteral("다른 창의 힌트"));
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(&other, &none);
    EXPECT_EQ(view.singlePanelText(), "");
}

TEST_F(ViewFormTest, InsertTogglesOverwriteMode)
{
    view.setLines({QStringLiteral("abc")});
    view.show();
    QTest::keyClick(view.richEdit(), Qt::Key_Insert);
    EXPECT_TRUE(view.richEdit()->overwriteMode());
    EXPECT_TRUE(view.statusPanelText(6).startsWith("INS "));
    caretAt(0, 0);
    QTest::keyClicks(view.richEdit(), QStringLiteral("X"));
    EXPECT_EQ(view.lines(), QStringList{"Xbc"});
    QTest::keyClick(view.richEdit(), Qt::Key_Insert);
    EXPECT_FALSE(view.richEdit()->overwriteMode());
    EXPECT_FALSE(view.statusPanelText(6).contains("INS"));
}

TEST_F(ViewFormTest, UnwritableFileOpensReadOnly)
{
    // Root may write every file: as root, this test runs afresh as an ordinary user.
    if (geteuid() == 0) {
        EXPECT_EQ(kavtest::rerunUnprivileged("ViewFormTest.UnwritableFileOpensReadOnly"), 0);
        return;
    }
    const QString file = path(QStringLiteral("ro.txt"));
    writeAll(file, "x");
    QFile::setPermissions(file, QFile::ReadOwner);
    view.show();
    openThroughMenu(file);
    EXPECT_TRUE(view.richEdit()->isReadOnly());
}

TEST_F(ViewFormTest, PrintsToPdf)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    ASSERT_FALSE(pdftotext.isEmpty()) << "pdftotext (poppler-utils) is missing";
    const QString pdf = path(QStringLiteral("out.pdf"));
    auto *printer = new kav::PdfFilePrinter(pdf);
    auto previous = kav::setPrinter(std::unique_ptr<kav::PrinterService>(printer));
    view.setLines({QStringLiteral("인쇄 시험 한글"), QStringLiteral("second line")});
    view.show();
    view.N_FilePrintClick();
    EXPECT_EQ(printer->printDialogsAsked, 1);
    QProcess p;
    p.start(pdftotext, {pdf, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    // The printed text can be searched and copied: words keep their blanks, and nothing is
    // added (no page number under the text).
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).filter(QRegularExpression(QStringLiteral("\\S"))),
              (QStringList{QStringLiteral("인쇄 시험 한글"), QStringLiteral("second line")}))
        << text.toStdString();

    // A cancelled print dialog prints nothing.
    QFile::remove(pdf);
    printer->acceptDialogs = false;
    view.N_FilePrintClick();
    EXPECT_FALSE(QFile::exists(pdf));
    kav::setPrinter(std::move(previous));
}

TEST_F(ViewFormTest, KoreanTextHasGlyphsInTheViewerFont)
{
    // Every glyph index non-zero: no boxes for Hangul, extended syllables included.
    const QString sample = QStringLiteral("한글 똠방각하 뷰어입니다 Kavrin");
    QTextLayout layout(sample, view.richEdit()->font());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun &run : layout.glyphRuns()) {
        for (quint32 glyph : run.glyphIndexes())
            EXPECT_NE(glyph, 0u) << sample.toStdString();
    }
    EXPECT_FALSE(layout.glyphRuns().isEmpty());
}

TEST(PrinterService, TextJobPrintsLinesAndBreaksPages)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    ASSERT_FALSE(pdftotext.isEmpty()) << "pdftotext (poppler-utils) is missing";
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("lines.pdf"));
    auto previous = kav::setPrinter(std::make_unique<kav::PdfFilePrinter>(pdf));
    {
        kav::TextPrintJob job(QStringLiteral("lines.txt"));
        ASSERT_TRUE(job.isOpen());
        for (int i = 1; i <= 200; ++i)
            job.writeLine(QStringLiteral("줄%1").arg(i));
    }  // the job ends with its scope
    kav::setPrinter(std::move(previous));
    QProcess p;
    p.start(pdftotext, {pdf, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("줄1\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("줄200")));
    EXPECT_GE(text.count(QLatin1Char('\f')), 2) << "200 lines need more than one page";
}

TEST_F(ViewFormTest, AnUnreadableFileLeavesTheDocumentAlone)
{
    view.setLines({QStringLiteral("kept")});
    view.show();
    openThroughMenu(path(QStringLiteral("no-such-file.txt")));
    EXPECT_EQ(scripted().messageTexts().last(),
              QStringLiteral("파일 'no-such-file.txt'를 읽지 못합니다."));
    EXPECT_EQ(view.lines(), QStringList{"kept"});
    EXPECT_EQ(view.singlePanelText(), "");  // the busy text is gone
}

TEST_F(ViewFormTest, OpeningADocumentForgetsTheLastOnesEncoding)
{
    // An emoji forces UTF-8 when saved; the next document, rich text saved as plain
    // text, must come out in code page 949 again.
    const QString emoji = path(QStringLiteral("emoji.txt"));
    writeAll(emoji, "\xF0\x9F\x98\x80\r\n");
    view.show();
    openThroughMenu(emoji);
    EXPECT_EQ(view.plainTextEncoding(), kav::viewers::TextEncoding::Utf8);
    view.hide();

    const QString rtf = path(QStringLiteral("doc.rtf"));
    writeAll(rtf, "{\\rtf1\\ansi\\ansicpg949{\\fonttbl{\\f0\\fcharset129 Gulim;}}\\f0 \\'c7\\'d1\\par}");
    view.show();
    openThroughMenu(rtf);
    const QString txt = path(QStringLiteral("doc.txt"));
    scripted().pushAccept(txt);
    ASSERT_TRUE(view.N_FileSaveAsClick());
    EXPECT_EQ(readAll(txt), QByteArray("\xC7\xD1"));
    view.hide();
}


namespace {

// One paragraph of format runs (bold, italic Hangul, plain, underlined), `bytes` long,
// and the text it holds.
std::pair<QByteArray, QString> formatRunsRtf(qsizetype bytes)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg949\\deff0{\\fonttbl{\\f0\\fnil\\fcharset129 Gulim;}}\\f0\\fs20 ";
    QString text;
    const QByteArray runs[] = {"{\\b word}", "{\\i \\'b0\\'a1\\'b3\\'aa} ", "plain ", "{\\ul under}"};
    const QString texts[] = {QStringLiteral("word"), QStringLiteral("가나 "), QStringLiteral("plain "),
                             QStringLiteral("under")};
    for (int i = 0; rtf.size() < bytes - 1; ++i) {
        rtf += runs[i % 4];
        text += texts[i % 4];
    }
    rtf += '}';
    return {rtf, text};
}

// A plain text of one line of 8 MB.
QString oneLongLine() { return QStringLiteral("plain text of one line, ").repeated(8 * 1024 * 1024 / 24); }

// Loads a file into the shown viewer from inside the event loop, as a command does, and
// waits for the end of the load. The longest time between two passes of the event loop
// meanwhile is what the user sees as a frozen window.
struct TimedLoad {
    bool inSteps = false;     // still loading when loadFile returned
    bool finished = false;
    bool complete = false;
    qint64 longestGapMs = 0;
};

TimedLoad loadWhileTiming(TViewForm &view, const QString &file, const std::function<void()> &duringLoad = {})
{
    TimedLoad result;
    QEventLoop loop;
    QElapsedTimer since;
    QTimer beat;
    beat.setInterval(1);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        result.longestGapMs = std::max(result.longestGapMs, since.elapsed());
        since.start();
        if (duringLoad && view.isLoading())
            duringLoad();
    });
    const auto connection = QObject::connect(&view, &TViewForm::loadingFinished, [&](bool complete) {
        result.finished = true;
        result.complete = complete;
        loop.quit();
    });
    QTimer::singleShot(0, [&] {
        since.start();
        beat.start();
        EXPECT_TRUE(view.loadFile(file));
        result.inSteps = view.isLoading();
        if (!result.inSteps)
            loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);  // a hung load fails below, not forever
    loop.exec();
    result.longestGapMs = std::max(result.longestGapMs, since.elapsed());
    QObject::disconnect(connection);
    return result;
}

} // namespace

TEST_F(ViewFormTest, LargeFilesLoadInStepsWhileTheWindowAnswers)
{
    // A paragraph of millions of characters once froze the window for seconds while Qt
    // laid it out in one piece (4 MiB of RTF: 2-3 s; a plain text file of one 8 MB
    // line: longer). Now it comes in steps; the bound is generous for a loaded machine.
    const auto [rtf, rtfText] = formatRunsRtf(4 * 1024 * 1024);
    const QString line = oneLongLine();
    struct Case {
        const char *what;
        QString name;
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {"RTF of format runs", QStringLiteral("runs.rtf"), rtf, rtfText},
        {"plain text of one line", QStringLiteral("line.txt"), line.toUtf8(), line},
    };
    view.resize(800, 600);
    view.show();
    for (const Case &c : cases) {
        const QString file = path(c.name);
        writeAll(file, c.bytes);
        const TimedLoad load = loadWhileTiming(view, file);
        EXPECT_TRUE(load.inSteps) << c.what;
        ASSERT_TRUE(load.finished && load.complete) << c.what;
        EXPECT_LT(load.longestGapMs, 1000) << c.what;
        EXPECT_FALSE(view.isLoading());
        EXPECT_FALSE(view.isModified()) << c.what;
        EXPECT_FALSE(view.richEdit()->isReadOnly()) << c.what;
        EXPECT_TRUE(view.form()->N_FileSave->isEnabled()) << c.what;
        // Shown in many blocks, but one paragraph for everything that reads the text.
        EXPECT_GT(view.document()->blockCount(), 100) << c.what;
        const QStringList lines = view.lines();
        ASSERT_EQ(lines.size(), 1) << c.what;
        EXPECT_TRUE(lines.first() == c.text) << c.what;
        // Saved back, the file holds the same text in one paragraph.
        const QString copy = path(QStringLiteral("copy-") + c.name);
        scripted().pushAccept(copy);
        ASSERT_TRUE(view.N_FileSaveAsClick()) << c.what;
        if (c.name.endsWith(QLatin1String(".txt"))) {
            EXPECT_TRUE(readAll(copy) == c.bytes) << c.what;
        } else {
            QTextDocument reread;
            kav::viewers::readRtf(readAll(copy), reread);
            EXPECT_TRUE(kav::viewers::paragraphText(reread) == c.text) << c.what;
        }
    }
}

TEST_F(ViewFormTest, ClosingOrEscapeStopsALoadAtOnce)
{
    const QString line = oneLongLine();
    const QString file = path(QStringLiteral("line.txt"));
    writeAll(file, line.toUtf8());
    struct Case {
        const char *what;
        std::function<void(TViewForm &)> stop;
    };
    const Case cases[] = {
        {"Esc", [](TViewForm &v) { QTest::keyClick(v.richEdit(), Qt::Key_Escape); }},
        {"closing the window", [](TViewForm &v) { v.close(); }},
    };
    view.resize(800, 600);
    for (const Case &c : cases) {
        view.show();
        int stops = 0;
        bool stopped = false;
        const TimedLoad load = loadWhileTiming(view, file, [&] {
            // A few steps in, the user stops it.
            if (!stopped && view.document()->characterCount() > 200000) {
                stopped = true;
                ++stops;
                c.stop(view);
                EXPECT_FALSE(view.isLoading()) << c.what;
            }
        });
        ASSERT_TRUE(load.inSteps) << c.what;
        EXPECT_EQ(stops, 1) << c.what;
        EXPECT_TRUE(load.finished && !load.complete) << c.what;
        // Nothing of the file stays where a save could write it over the file, and no
        // late step writes into the document.
        EXPECT_TRUE(view.document()->isEmpty()) << c.what;
        EXPECT_EQ(view.windowTitle(), QStringLiteral("Untitled")) << c.what;
        EXPECT_FALSE(view.isModified()) << c.what;
        QTest::qWait(200);
        EXPECT_TRUE(view.document()->isEmpty()) << c.what;
        EXPECT_TRUE(view.form()->N_FileSave->isEnabled()) << c.what;
        EXPECT_FALSE(view.richEdit()->isReadOnly()) << c.what;
        // The window is fit for the next file.
        const QString small = path(QStringLiteral("small.txt"));
        writeAll(small, "one\ntwo\n");
        ASSERT_TRUE(view.loadFile(small));
        EXPECT_FALSE(view.isLoading());
        EXPECT_EQ(view.lines(), (QStringList{"one", "two", ""})) << c.what;
    }
}

TEST_F(ViewFormTest, ALongParagraphIsOneForTheCaretFindCopyReplaceUndoAndSave)
{
    // Without blanks the display blocks are cut at the limit: "NEEDLE" straddles the first cut.
    const QString first = QString(8190, QLatin1Char('a')) + QStringLiteral("NEEDLE");
    const QString text = first + QString(12000, QLatin1Char('b'));
    const QString file = path(QStringLiteral("line.txt"));
    writeAll(file, text.toUtf8());
    view.show();
    ASSERT_TRUE(view.loadFile(file));
    ASSERT_FALSE(view.isLoading());
    ASSERT_EQ(view.document()->blockCount(), 3);
    EXPECT_EQ(view.lines(), QStringList{text});

    // The caret's line and column are the paragraph's.
    QTextCursor caret(view.document());
    caret.setPosition(10001);  // past one display break: text index 10000
    view.richEdit()->setTextCursor(caret);
    EXPECT_EQ(view.statusPanelText(0), QStringLiteral("Ln: 1  Col: 10001"));
    EXPECT_EQ(view.statusPanelText(2), QStringLiteral("Chr:b"));

    // Found across the break, and copied without it.
    caretAt(0, 0);
    view.findDialog()->setFindText(QStringLiteral("NEEDLE"));
    view.FindDialogFind();
    EXPECT_EQ(view.richEdit()->textCursor().selectedText(), QStringLiteral("NE") + QChar(0x2029) + QStringLiteral("EDLE"));
    view.N_EditCopyClick();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("NEEDLE"));

    // Replaced across it, and undone in one step with the break as it was.
    auto *replace = view.replaceDialog();
    replace->setFindText(QStringLiteral("NEEDLE"));
    replace->setReplaceText(QStringLiteral("X"));
    caretAt(0, 0);
    view.ReplaceDialogReplace(true);
    EXPECT_EQ(scripted().messageTexts().last(), QStringLiteral("1개의 문자열을 바꾸었습니다."));
    EXPECT_EQ(view.lines(), QStringList{QString(8190, QLatin1Char('a')) + QStringLiteral("X") + QString(12000, QLatin1Char('b'))});
    view.N_EditUndoClick();
    EXPECT_EQ(view.lines(), QStringList{text});
    EXPECT_EQ(view.document()->blockCount(), 3);

    // A break removed by the user and brought back by undo is still only a display break.
    QTextCursor atSecond(view.document()->findBlockByNumber(2));
    view.richEdit()->setTextCursor(atSecond);
    QTest::keyClick(view.richEdit(), Qt::Key_Backspace);
    EXPECT_EQ(view.document()->blockCount(), 2);
    view.N_EditUndoClick();
    EXPECT_EQ(view.document()->blockCount(), 3);
    EXPECT_EQ(view.lines(), QStringList{text});

    // A break the user types inside a continuing block is a real one, and is saved.
    QTextCursor inSecond(view.document()->findBlockByNumber(1));
    inSecond.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 100);
    view.richEdit()->setTextCursor(inSecond);
    QTest::keyClick(view.richEdit(), Qt::Key_Return);
    const qsizetype split = 8192 + 100;
    EXPECT_EQ(view.lines(), (QStringList{text.left(split), text.mid(split)}));
    EXPECT_EQ(view.statusPanelText(0), QStringLiteral("Ln: 2  Col: 1"));
    QTextCursor inLast(view.document()->lastBlock());
    inLast.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 10);
    view.richEdit()->setTextCursor(inLast);
    EXPECT_EQ(view.statusPanelText(0),
              QStringLiteral("Ln: 2  Col: %1").arg(text.size() - split - view.document()->lastBlock().length() + 1 + 10 + 1));
    const QString saved = path(QStringLiteral("saved.txt"));
    scripted().pushAccept(saved);
    ASSERT_TRUE(view.N_FileSaveAsClick());
    EXPECT_EQ(readAll(saved), (text.left(split) + QLatin1Char('\n') + text.mid(split)).toUtf8());
}

TEST_F(ViewFormTest, ANarrowWindowKeepsTheSpeedBarsControlsApart)
{
    // A large scale on a small screen leaves the viewer narrower than its speed bar: the
    // controls that do not fit must not be drawn over one another or cut at the edge.
    QWidget *bar = view.findChild<QWidget *>(QStringLiteral("SpeedBar"));
    ASSERT_NE(bar, nullptr);
    for (int width : {900, 500, 300}) {
        // As the window is fitted onto a screen narrower than its least width.
        view.setMinimumWidth(width);
        view.resize(width, 400);
        view.show();
        QCoreApplication::processEvents();
        QVector<QRect> placed;
        for (QWidget *control : bar->findChildren<QWidget *>()) {
            if (!control->isVisibleTo(&view) || (!control->inherits("QAbstractButton") && !control->inherits("QComboBox")
                && !control->inherits("QAbstractSpinBox")))
                continue;
            if (control->parentWidget()->inherits("QComboBox") || control->parentWidget()->inherits("QAbstractSpinBox"))
                continue;
            const QRect r(control->mapTo(&view, QPoint(0, 0)), control->size());
            EXPECT_TRUE(view.rect().contains(r)) << width << " " << control->objectName().toStdString();
            // No narrower than the least width the control asks for.
            const int least = control->minimumWidth() > 0 ? control->minimumWidth() : control->minimumSizeHint().width();
            EXPECT_GE(control->width(), least) << width << " " << control->objectName().toStdString();
            for (const QRect &other : placed)
                EXPECT_FALSE(r.intersects(other)) << width << " " << control->objectName().toStdString();
            placed.append(r);
        }
        EXPECT_GE(placed.size(), 2) << width;
    }
}
