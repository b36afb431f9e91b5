#include "view_form.h"
#include "platform/local_path.h"

#include "ui_view_form.h"
#include "viewers/find_replace_dialog.h"
#include "viewers/long_paragraphs.h"
#include "viewers/rtf_reader.h"
#include "viewers/rtf_writer.h"
#include "viewers/view_logic.h"
#include "platform/help_browser.h"
#include "platform/desktop_tools.h"
#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/keyboard_state.h"
#include "platform/printer.h"
#include "platform/window_placement.h"
#include "platform/window_stacking.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontDatabase>
#include <QInputMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QStatusTipEvent>
#include <QTextBlock>
#include <QTextList>
#include <QTimer>
#include <QToolBar>

namespace kav {

using namespace viewers;

namespace {

const QString kUntitled = QStringLiteral("Untitled");
const QString kFilter = QStringLiteral("Text Files (*.TXT)|*.TXT|Rich Text Files (*.RTF)|*.RTF");
const QString kSearchDone = QStringLiteral("문서 검색을 완료하였습니다.");

// Loading a file: what the first call may take before the window is shown, and what
// one step between two passes of the event loop aims at (it adapts to the machine).
constexpr int kFirstLoadMs = 100;
constexpr int kLoadStepMs = 40;
constexpr qsizetype kFirstLoadAmount = 16384;

// Panel widths in pixels, left to right.
constexpr int kPanelWidths[9] = {100, 60, 50, 55, 50, 80, 115, 35, 50};
// The widest text each panel shows (binary of U+FFFF, every lock key, ...).
const char16_t *const kPanelSamples[9] = {
    u"Ln: 999999  Col: 99999", u"Modified", u"Chr: 가", u"Dec: 1114111", u"Hex: 10FFFF",
    u"Bin: 1111111111111111", u"INS NUM SCR CAP ", u"한글", u""};

// Font families as the user knows them: Qt lists a family once per foundry ("Name [Foundry]").
QStringList uniqueFamilies()
{
    QStringList families;
    for (QString family : QFontDatabase::families()) {
        if (const qsizetype bracket = family.indexOf(QLatin1String(" [")); bracket > 0)
            family.truncate(bracket);
        families.append(family);
    }
    families.sort(Qt::CaseInsensitive);
    families.removeDuplicates();
    return families;
}

QString rulerTicks()
{
    QString ticks;
    while (ticks.size() < 201)
        ticks += (ticks.size() % 2 == 0) ? QLatin1Char('\t') : QLatin1Char('|');
    return ticks;
}

} // namespace

TViewForm::TViewForm(QWidget *parent)
    // A dialog window to the window system, so that it belongs to (and stays above) its owner.
    : QMainWindow(parent, secondaryWindowFlags()), ui(std::make_unique<Ui::TViewForm>())
{
    // FormCreate.
    ui->setupUi(this);
    qApp->installEventFilter(this);  // the hint display serves the whole application

    for (int i = 0; i < 9; ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        label->setTextFormat(Qt::PlainText);
        // The designed width until the first showing widens it (sizePanels).
        label->setFixedWidth(kPanelWidths[i]);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        if (i == 0 || i == 7)
            label->setAlignment(Qt::AlignCenter);
        ui->StatusBar->addWidget(label);
        panels_.append(label);
    }

    QFont font;
    font.setFamilies(QStringList{QStringLiteral("굴림체")} + koreanFixedFamilies());
    font.setPointSize(10);
    ui->RichEdit->setFont(font);
    ui->RichEdit->document()->setDefaultFont(font);
    ui->RichEdit->document()->setDocumentMargin(6);  // the formatting rectangle's 6-pixel sides
    ui->RichEdit->setTabChangesFocus(false);
    ui->RichEdit->installEventFilter(this);

    ui->CB_FontName->addItems(uniqueFamilies());
    holdSpeedBarInToolBar();

    ui->RulerLine->setText(rulerTicks());
    ui->RulerLine->installEventFilter(this);
    for (QLabel *marker : {ui->FirstInd, ui->LeftInd, ui->RightInd}) {
        marker->installEventFilter(this);
        marker->setCursor(Qt::SizeHorCursor);
    }
    ui->Ruler->installEventFilter(this);

    auto *alignGroup = new QButtonGroup(this);
    alignGroup->setExclusive(true);
    alignGroup->addButton(ui->SB_LeftAlign, 0);
    alignGroup->addButton(ui->SB_RightAlign, 1);
    alignGroup->addButton(ui->SB_CenterAlign, 2);
    ui->SB_LeftAlign->setChecked(true);

    const QStyle *st = style();
    ui->SB_OpenButton->setIcon(QIcon::fromTheme(QStringLiteral("document-open"),
                                                st->standardIcon(QStyle::SP_DialogOpenButton)));
    ui->SB_SaveButton->setIcon(QIcon::fromTheme(QStringLiteral("document-save"),
                                                st->standardIcon(QStyle::SP_DialogSaveButton)));
    ui->SB_OpenButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ui->SB_SaveButton->setToolButtonStyle(Qt::ToolButtonIconOnly);

    findDialog_ = new FindReplaceDialog(FindReplaceDialog::Mode::Find, this);
    replaceDialog_ = new FindReplaceDialog(FindReplaceDialog::Mode::Replace, this);
    connect(findDialog_, &FindReplaceDialog::findRequested, this, &TViewForm::FindDialogFind);
    connect(replaceDialog_, &FindReplaceDialog::findRequested, this, [this] {
        if (!searchDown(replaceDialog_->findText(), replaceDialog_->wholeWord(),
                        replaceDialog_->matchCase(), false)) {
            replaceDialog_->close();
            informationBox(kSearchDone, this);
        }
    });
    connect(replaceDialog_, &FindReplaceDialog::replaceRequested, this,
            &TViewForm::ReplaceDialogReplace);

    // Menu entries.
    connect(ui->N_FileNew, &QAction::triggered, this, &TViewForm::N_FileNewClick);
    connect(ui->N_FileOpen, &QAction::triggered, this, &TViewForm::N_FileOpenClick);
    connect(ui->N_FileSave, &QAction::triggered, this, [this] { N_FileSaveClick(); });
    connect(ui->N_FileSaveAs, &QAction::triggered, this, [this] { N_FileSaveAsClick(); });
    connect(ui->N_FilePrint, &QAction::triggered, this, &TViewForm::N_FilePrintClick);
    connect(ui->N_PrinterSet, &QAction::triggered, this, &TViewForm::N_PrinterSetClick);
    connect(ui->N_FileExit, &QAction::triggered, this, &TViewForm::N_FileExitClick);
    connect(ui->N_EditUndo, &QAction::triggered, this, &TViewForm::N_EditUndoClick);
    connect(ui->N_EditCut, &QAction::triggered, this, &TViewForm::N_EditCutClick);
    connect(ui->N_EditCopy, &QAction::triggered, this, &TViewForm::N_EditCopyClick);
    connect(ui->N_EditPaste, &QAction::triggered, this, &TViewForm::N_EditPasteClick);
    connect(ui->L_AllSelection, &QAction::triggered, this, &TViewForm::L_AllSelectionClick);
    connect(ui->N_FindText, &QAction::triggered, this, &TViewForm::N_FindTextClick);
    connect(ui->N_FindNext, &QAction::triggered, this, &TViewForm::N_FindNextClick);
    connect(ui->N_ReplaceText, &QAction::triggered, this, &TViewForm::N_ReplaceTextClick);
    connect(ui->N_ExtendedChar, &QAction::triggered, this, &TViewForm::N_ExtendedCharClick);
    connect(ui->N_SelectFont, &QAction::triggered, this, &TViewForm::N_SelectFontClick);
    connect(ui->N_Bullets, &QAction::triggered, this, [this](bool on) {
        ui->SB_BulletsButton->setChecked(on);
        SB_BulletsButtonClick();
    });
    connect(ui->N_HelpManual, &QAction::triggered, this, &TViewForm::N_AllLinkClick);
    connect(ui->N_HelpAbout, &QAction::triggered, this, &TViewForm::N_AboutClick);

    // Tool bar.
    connect(ui->SB_OpenButton, &QToolButton::clicked, this, &TViewForm::N_FileOpenClick);
    connect(ui->SB_SaveButton, &QToolButton::clicked, this, [this] { N_FileSaveClick(); });
    connect(ui->SB_PrintButton, &QToolButton::clicked, this, &TViewForm::N_FilePrintClick);
    connect(ui->SB_UndoButton, &QToolButton::clicked, this, &TViewForm::N_EditUndoClick);
    connect(ui->SB_CutButton, &QToolButton::clicked, this, &TViewForm::N_EditCutClick);
    connect(ui->SB_CopyButton, &QToolButton::clicked, this, &TViewForm::N_EditCopyClick);
    connect(ui->SB_PasteButton, &QToolButton::clicked, this, &TViewForm::N_EditPasteClick);
    connect(ui->SB_BoldButton, &QToolButton::clicked, this, &TViewForm::SB_BoldButtonClick);
    connect(ui->SB_ItalicButton, &QToolButton::clicked, this, &TViewForm::SB_ItalicButtonClick);
    connect(ui->SB_UnderlineButton, &QToolButton::clicked, this,
            &TViewForm::SB_UnderlineButtonClick);
    connect(alignGroup, &QButtonGroup::idClicked, this, &TViewForm::AlignButtonClick);
    connect(ui->SB_BulletsButton, &QToolButton::clicked, this, &TViewForm::SB_BulletsButtonClick);
    connect(ui->SB_FontButton, &QToolButton::clicked, this, &TViewForm::N_SelectFontClick);
    connect(ui->E_FontSize, &QSpinBox::valueChanged, this, &TViewForm::E_FontSizeChange);
    connect(ui->CB_FontName, &QComboBox::textActivated, this, &TViewForm::CB_FontNameChange);

    // The text control.
    connect(ui->RichEdit, &QTextEdit::textChanged, this, &TViewForm::RichEditChange);
    connect(ui->RichEdit->document(), &QTextDocument::modificationChanged, this,
            &TViewForm::RichEditChange);
    connect(ui->RichEdit, &QTextEdit::undoAvailable, this, &TViewForm::RichEditChange);
    connect(ui->RichEdit, &QTextEdit::cursorPositionChanged, this, &TViewForm::SelectionChange);
    connect(ui->RichEdit, &QTextEdit::selectionChanged, this, &TViewForm::SelectionChange);
    connect(ui->RichEdit, &QTextEdit::currentCharFormatChanged, this, &TViewForm::SelectionChange);

    // The character map is the desktop's; without one the entry cannot work.
    ui->N_ExtendedChar->setEnabled(!characterMapProgram().isEmpty());
    // The help entries keep their address in their hint, as the shell opens it.
    const QUrl manual = helpPageFor(this, manualUrl());
    ui->N_HelpManual->setStatusTip(manual.toString());
    ui->N_HelpManual->setEnabled(!manual.isEmpty());

    loadTimer_ = new QTimer(this);
    loadTimer_->setInterval(0);
    connect(loadTimer_, &QTimer::timeout, this, &TViewForm::loadStep);
    stopLoadKey_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    stopLoadKey_->setContext(Qt::WindowShortcut);
    stopLoadKey_->setEnabled(false);
    connect(stopLoadKey_, &QShortcut::activated, this, &TViewForm::cancelLoading);

    currentName_ = kUntitled;
    RichEditChange();
    SelectionChange();
}

TViewForm::~TViewForm() = default;

// ---------------------------------------------------------------- opener interface

void TViewForm::setSaveDirectory(const QString &directory) { saveDirectory_ = directory; }
void TViewForm::setSaveFileName(const QString &fileName) { saveFileName_ = fileName; }

void TViewForm::clearText()
{
    cancelLoading();
    ui->RichEdit->clear();
    hasLines_ = false;
    displayBreaks_ = false;
    resetPlainTextFormat();
}

void TViewForm::resetPlainTextFormat()
{
    encoding_ = TextEncoding::Cp949;
    lineEnd_ = LineEnd::Lf;
}

void TViewForm::addLine(const QString &line)
{
    cancelLoading();
    QTextCursor cursor(ui->RichEdit->document());
    cursor.movePosition(QTextCursor::End);
    if (hasLines_ || !ui->RichEdit->document()->isEmpty())
        cursor.insertBlock();
    ParagraphWriter writer(cursor);
    writer.appendPlain(line, cursor.charFormat());
    displayBreaks_ = displayBreaks_ || writer.madeBreaks();
    hasLines_ = true;
}

void TViewForm::setLines(const QStringList &lines)
{
    clearText();
    // One edit block: the document is laid out once, not again after every line
    // (a report of tens of thousands of lines would keep the window busy for seconds).
    QTextCursor block(ui->RichEdit->document());
    block.beginEditBlock();
    for (const QString &line : lines)
        addLine(line);
    block.endEditBlock();
}

QStringList TViewForm::lines() const { return paragraphLines(*document()); }

bool TViewForm::loadFile(const QString &path)
{
    richText_ = isRichTextName(path);
    return readDocument(path);
}

void TViewForm::holdSpeedBarInToolBar()
{
    // A large scale on a small screen makes the window narrower than its speed bar; a
    // tool bar keeps the controls whole and puts those that do not fit behind its
    // extension button instead of drawing them over one another.
    auto *bar = new QToolBar(ui->SpeedBar);
    bar->setObjectName(QStringLiteral("SpeedBarTools"));
    bar->setMovable(false);
    bar->setFloatable(false);
    while (QLayoutItem *item = ui->SpeedBarLayout->takeAt(0)) {
        if (QWidget *w = item->widget()) {
            auto *frame = qobject_cast<QFrame *>(w);
            if (frame && frame->frameShape() == QFrame::VLine) {
                bar->addSeparator();
                delete w;
            } else {
                bar->addWidget(w);
            }
        }
        delete item;
    }
    ui->SpeedBarLayout->setContentsMargins(0, 0, 0, 0);
    ui->SpeedBarLayout->addWidget(bar);
}

void TViewForm::showModal()
{
    setWindowModality(Qt::ApplicationModal);
    if (!placed_) {
        // The first showing opens over the window that asked for it; later ones where the
        // user left it.
        placeOver(this, parentWidget());
        placed_ = true;
    } else {
        keepOnScreen(this);
    }
    show();
    raise();
    activateWindow();
    QEventLoop loop;
    modalLoop_ = &loop;
    if (isVisible())
        loop.exec(QEventLoop::DialogExec);
    modalLoop_ = nullptr;
    hide();
    setWindowModality(Qt::NonModal);
}

QTextDocument *TViewForm::document() const { return ui->RichEdit->document(); }
QTextEdit *TViewForm::richEdit() const { return ui->RichEdit; }
bool TViewForm::isModified() const { return document()->isModified(); }

QString TViewForm::statusPanelText(int panel) const
{
    return panel >= 0 && panel < panels_.size() ? panels_[panel]->text() : QString();
}

QString TViewForm::singlePanelText() const { return ui->StatusBar->currentMessage(); }

void TViewForm::setInputModeText(const QString &text) { setStatusPanel(7, text); }

void TViewForm::setStatusPanel(int panel, const QString &text)
{
    if (panels_[panel]->text() != text)
        panels_[panel]->setText(text);
}

// ---------------------------------------------------------------- window events

// The designed width, widened once for the widest text the panel can hold in its
// font, then fixed: the panels must not jump while the caret moves. Measured at
// the first showing, not when the program starts: the Hangul samples load a
// fallback font of their own, megabytes for a window many sessions never open.
void TViewForm::sizePanels()
{
    if (panelsSized_)
        return;
    panelsSized_ = true;
    for (int i = 0; i < panels_.size(); ++i) {
        QLabel *label = panels_[i];
        const int widest = label->fontMetrics().horizontalAdvance(QString::fromUtf16(kPanelSamples[i]))
                           + 2 * label->frameWidth() + 6;
        label->setFixedWidth(std::max(kPanelWidths[i], widest));
    }
}

void TViewForm::showEvent(QShowEvent *event)
{
    sizePanels();
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void TViewForm::hideEvent(QHideEvent *event)
{
    if (!event->spontaneous())
        cancelLoading();  // nothing goes on filling a window that is gone
    QMainWindow::hideEvent(event);
    if (modalLoop_ && !event->spontaneous())
        modalLoop_->quit();
}

void TViewForm::closeEvent(QCloseEvent *event)
{
    cancelLoading();
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    if (findDialog_)
        findDialog_->close();
    if (replaceDialog_)
        replaceDialog_->close();
    event->accept();
    if (modalLoop_)
        modalLoop_->quit();
}

void TViewForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

bool TViewForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        showHint(static_cast<QStatusTipEvent *>(event)->tip());
        return false;
    }
    if (watched == ui->RichEdit) {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier) {
                ui->RichEdit->setOverwriteMode(!ui->RichEdit->overwriteMode());
                UpdateKeyStates();
                return true;
            }
        } else if (event->type() == QEvent::KeyRelease) {
            UpdateKeyStates();  // a lock key's light changes with the press
        } else if (event->type() == QEvent::FocusIn) {
            RichEditEnter();
        }
        return false;
    }
    if (watched == ui->RulerLine && event->type() == QEvent::Paint) {
        QPainter painter(ui->RulerLine);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(ui->RulerLine->rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextExpandTabs,
                         ui->RulerLine->text());
        return true;
    }
    if (watched == ui->Ruler && event->type() == QEvent::Resize) {
        RulerResize();
        return false;
    }
    auto *marker = qobject_cast<QLabel *>(watched);
    if (marker && (marker == ui->FirstInd || marker == ui->LeftInd || marker == ui->RightInd)) {
        if (event->type() == QEvent::MouseButtonPress) {
            RulerItemMouseDown(marker, static_cast<QMouseEvent *>(event)->position().toPoint().x());
            return true;
        }
        if (event->type() == QEvent::MouseMove) {
            RulerItemMouseMove(marker, static_cast<QMouseEvent *>(event)->position().toPoint().x());
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            if (marker == ui->FirstInd)
                FirstIndMouseUp();
            else if (marker == ui->LeftInd)
                LeftIndMouseUp();
            else
                RightIndMouseUp();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TViewForm::showHint(const QString &hint)
{
    if (hint.isEmpty())
        ui->StatusBar->clearMessage();
    else
        ui->StatusBar->showMessage(hint);
}

void TViewForm::setBusyText(const QString &text)
{
    showHint(text);
    if (!text.isEmpty())
        QCoreApplication::processEvents();
}

// ---------------------------------------------------------------- handlers

void TViewForm::FormActivate()
{
    ui->StatusBar->clearMessage();
    RichEditChange();
    needsName_ = true;
    openDialogDir_ = saveDirectory_;
    saveDialogDir_ = saveDirectory_;
    saveDialogName_ = saveFileName_;
    richText_ = isRichTextName(saveFileName_);
    currentName_ = saveFileName_.isEmpty() ? kUntitled : saveFileName_;
    // The opener's text is where editing starts: undo cannot take it away again.
    document()->clearUndoRedoStacks();
    document()->setModified(false);
    RichEditChange();
    ui->RichEdit->setFocus();
    QTextCursor cursor = ui->RichEdit->textCursor();
    cursor.movePosition(QTextCursor::Start);
    ui->RichEdit->setTextCursor(cursor);
    SelectionChange();
}

void TViewForm::FormResize()
{
    SelectionChange();
}

bool TViewForm::FormCloseQuery() { return QuerySaveChanges(); }

bool TViewForm::QuerySaveChanges()
{
    if (!document()->isModified())
        return true;
    const int answer = dialogs().messageBox(
        this, applicationTitle(), QStringLiteral("Save changes to %1?").arg(currentName_),
        MsgIcon::Question, BtnYes | BtnNo | BtnCancel);
    if (answer == BtnYes)
        return N_FileSaveClick();  // a cancelled or failed save keeps the edits and stops
    return answer == BtnNo;
}

void TViewForm::RichEditChange()
{
    setStatusPanel(1, document()->isModified() ? QStringLiteral("Modified") : QString());
    const bool canUndo = document()->isUndoAvailable();
    ui->SB_UndoButton->setEnabled(canUndo);
    ui->N_EditUndo->setEnabled(canUndo);
}

void TViewForm::RichEditEnter()
{
    UpdateKeyStates();
    setInputModeText(koreanInputMethodActive() ? QStringLiteral("한글") : QStringLiteral("영문"));
}

void TViewForm::SelectionChange()
{
    if (!ui->RichEdit->textCursor().hasSelection()) {
        QTextCharFormat typing = ui->RichEdit->currentCharFormat();
        if (dropBreakMark(typing))
            ui->RichEdit->setCurrentCharFormat(typing);
    }
    updating_ = true;
    const QTextCursor cursor = ui->RichEdit->textCursor();
    const QTextBlockFormat block = cursor.blockFormat();
    const Indents indents =
        indentsOfMargins({block.leftMargin(), block.textIndent(), block.rightMargin()});
    const MarkerLefts lefts = markerLefts(indents, ui->Ruler->contentsRect().width());
    if (!dragging_) {
        ui->FirstInd->move(lefts.first, ui->FirstInd->y());
        ui->LeftInd->move(lefts.left, ui->LeftInd->y());
        ui->RightInd->move(lefts.right, ui->RightInd->y());
    }
    const QTextCharFormat format = ui->RichEdit->currentCharFormat();
    ui->SB_BoldButton->setChecked(format.fontWeight() > QFont::Medium);
    ui->SB_ItalicButton->setChecked(format.fontItalic());
    ui->SB_UnderlineButton->setChecked(format.fontUnderline());
    const bool bullets = cursor.currentList() != nullptr;
    ui->SB_BulletsButton->setChecked(bullets);
    ui->N_Bullets->setChecked(bullets);
    const QFont font = ui->RichEdit->currentFont();
    const double points = format.fontPointSize() > 0 ? format.fontPointSize() : font.pointSizeF();
    ui->E_FontSize->setValue(qRound(points));
    showFontName(format, font);
    const Qt::Alignment align = ui->RichEdit->alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignRight)
        ui->SB_RightAlign->setChecked(true);
    else if (align & Qt::AlignHCenter)
        ui->SB_CenterAlign->setChecked(true);
    else
        ui->SB_LeftAlign->setChecked(true);
    UpdateStatusBar();
    updating_ = false;
}

void TViewForm::showFontName(const QTextCharFormat &format, const QFont &font)
{
    // The text's first family when the list has it, else the family that really draws
    // the text (a substituted name such as "굴림체" is not installed here).
    const QStringList families = format.fontFamilies().toStringList();
    QString name = families.isEmpty() ? font.family() : families.first();
    if (ui->CB_FontName->findText(name, Qt::MatchFixedString) < 0) {
        QFont shown = font;
        if (!families.isEmpty())
            shown.setFamilies(families);
        name = QFontInfo(shown).family();
    }
    const int index = ui->CB_FontName->findText(name, Qt::MatchFixedString);
    if (index >= 0)
        ui->CB_FontName->setCurrentIndex(index);
    else
        ui->CB_FontName->setCurrentText(name);
}

void TViewForm::UpdateStatusBar()
{
    const QTextCursor cursor = ui->RichEdit->textCursor();
    const int end = cursor.selectionEnd();
    const QTextBlock block = document()->findBlock(end);
    const int index = end - (block.isValid() ? block.position() : 0);
    int line = block.isValid() ? block.blockNumber() + 1 : 1;
    int column = index + 1;
    if (displayBreaks_) {
        // Lines and columns of the paragraphs, not of the blocks they are shown in.
        // Which blocks continue a paragraph is found again only when the blocks change,
        // not at every move of the caret.
        const std::pair<int, int> shape{document()->revision(), document()->blockCount()};
        if (shape != continuingShape_) {
            continuing_ = continuingBlocks(*document());
            continuingShape_ = shape;
        }
        const ParagraphPosition at = paragraphPosition(*document(), end, continuing_);
        line = at.paragraph + 1;
        column = at.column + 1;
    }
    setStatusPanel(0, positionText(line, column));

    std::optional<char32_t> character;
    const QString text = block.text();
    if (index >= 0 && index < text.size()) {
        char32_t code = text[index].unicode();
        if (text[index].isHighSurrogate() && index + 1 < text.size()
            && text[index + 1].isLowSurrogate())
            code = QChar::surrogateToUcs4(text[index], text[index + 1]);
        character = code;
    }
    const CharacterPanels chars = characterPanels(character);
    setStatusPanel(2, chars.chr);
    setStatusPanel(3, chars.dec);
    setStatusPanel(4, chars.hex);
    setStatusPanel(5, chars.bin);

    const bool selected = cursor.hasSelection();
    ui->SB_CopyButton->setEnabled(selected);
    ui->N_EditCopy->setEnabled(selected);
    ui->SB_CutButton->setEnabled(selected);
    ui->N_EditCut->setEnabled(selected);
    ui->L_AllSelection->setEnabled(!document()->isEmpty());
}

void TViewForm::UpdateKeyStates()
{
    const LockKeyStates keys = lockKeyStates();
    setStatusPanel(6, keyStateText(ui->RichEdit->overwriteMode(), keys.numLock, keys.scrollLock,
                                   keys.capsLock));
}

// ---------------------------------------------------------------- files

QString TViewForm::openFilter() const { return kFilter; }

QString TViewForm::documentText() const { return paragraphText(*document()); }

bool TViewForm::readDocument(const QString &path)
{
    QFile file;
    if (!localpath::open(file, path, QIODevice::ReadOnly))
        return false;
    // Never try to hold what cannot be held: the openers say why before they get here.
    if (!fitsInViewer(file.size()))
        return false;
    cancelLoading();  // an earlier file still coming in gives way
    // What the last document was written in says nothing about this one.
    resetPlainTextFormat();
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    displayBreaks_ = false;
    // The text comes in with the undo history off, as the opener's text is where
    // editing starts.
    document()->setUndoRedoEnabled(false);
    if (richText_ && looksLikeRtf(bytes)) {
        document()->clear();
        startLoading(rtfLoader(std::move(bytes), *document()));
    } else {
        const PlainTextFile plain = decodePlainText(bytes, LineEnd::Lf);
        bytes.clear();
        encoding_ = plain.encoding;
        lineEnd_ = plain.lineEnd;
        ui->RichEdit->setPlainText(QString());
        startLoading(plainTextLoader(plain.text, *document()));
    }
    hasLines_ = !document()->isEmpty();
    QTextCursor start(document());
    ui->RichEdit->setTextCursor(start);
    return true;
}

// Most files are in before the first call returns, exactly as if read in one piece. A
// larger one goes on in steps between passes of the event loop, each step one edit of
// the document that Qt lays out at once; the window answers, and Esc stops the load.
void TViewForm::startLoading(std::unique_ptr<DocumentLoader> loader)
{
    loader_ = std::move(loader);
    loadAmount_ = kFirstLoadAmount;
    QElapsedTimer first;
    first.start();
    while (first.elapsed() < kFirstLoadMs) {
        if (loadSomeMore()) {
            endLoading(true);
            return;
        }
    }
    document()->setModified(false);
    readOnlyAfterLoad_ = ui->RichEdit->isReadOnly();
    ui->RichEdit->setReadOnly(true);
    // Nothing may save, print, search or change a document that is half there.
    heldDuringLoad_.clear();
    for (QAction *action : findChildren<QAction *>(Qt::FindDirectChildrenOnly)) {
        if (action->isEnabled() && action != ui->N_FileExit && action != ui->N_HelpManual
            && action != ui->N_HelpAbout) {
            action->setEnabled(false);
            heldDuringLoad_.append(action);
        }
    }
    ui->SpeedBar->setEnabled(false);
    ui->Ruler->setEnabled(false);
    if (findDialog_)
        findDialog_->close();
    if (replaceDialog_)
        replaceDialog_->close();
    stopLoadKey_->setEnabled(true);
    showHint(QStringLiteral("파일을 불러오고 있습니다. (%1%, 중지하려면 Esc 키를 누르십시오)").arg(loader_->percent()));
    loadTimer_->start();
}

// One step, its amount aimed so that reading and laying out take about kLoadStepMs
// together on this machine now.
bool TViewForm::loadSomeMore()
{
    QElapsedTimer took;
    took.start();
    const bool done = loader_->step(loadAmount_);
    const qint64 spent = std::max<qint64>(1, took.elapsed());
    loadAmount_ = std::clamp<qsizetype>(loadAmount_ * kLoadStepMs / spent, 1024, loadAmount_ * 2);
    return done;
}

void TViewForm::loadStep()
{
    if (!loader_)
        return;
    const bool done = loadSomeMore();
    document()->setModified(false);
    if (done) {
        endLoading(true);
        return;
    }
    displayBreaks_ = loader_->madeBreaks();
    showHint(QStringLiteral("파일을 불러오고 있습니다. (%1%, 중지하려면 Esc 키를 누르십시오)").arg(loader_->percent()));
}

// The end of a load, complete or stopped.
void TViewForm::endLoading(bool complete)
{
    const bool inSteps = loadTimer_->isActive();
    loadTimer_->stop();
    displayBreaks_ = loader_->madeBreaks();
    loader_.reset();
    document()->setUndoRedoEnabled(true);
    document()->setModified(false);
    if (!inSteps)
        return;
    stopLoadKey_->setEnabled(false);
    ui->RichEdit->setReadOnly(readOnlyAfterLoad_);
    for (QAction *action : std::as_const(heldDuringLoad_))
        action->setEnabled(true);
    heldDuringLoad_.clear();
    ui->SpeedBar->setEnabled(true);
    ui->Ruler->setEnabled(true);
    showHint({});
    RichEditChange();
    SelectionChange();
    emit loadingFinished(complete);
}

void TViewForm::cancelLoading()
{
    if (!loader_)
        return;
    // What came in so far is not the file: it is not kept where a save could write it
    // back over the file.
    document()->clear();
    hasLines_ = false;
    endLoading(false);
    displayBreaks_ = false;
    currentName_ = kUntitled;
    needsName_ = true;
    setWindowTitle(kUntitled);
    showHint(QStringLiteral("파일 불러오기를 중지하였습니다."));
}

void TViewForm::setTextReadOnly(bool readOnly)
{
    if (loader_)
        readOnlyAfterLoad_ = readOnly;
    else
        ui->RichEdit->setReadOnly(readOnly);
}

bool TViewForm::writeDocument(const QString &path)
{
    QByteArray bytes;
    if (richText_) {
        bytes = writeRtf(*document());
    } else {
        QString text = documentText();
        text.replace(QChar(0x2028), QLatin1Char('\n'));
        TextEncoding used = encoding_;
        bytes = encodePlainText(text, encoding_, lineEnd_, &used);
        encoding_ = used;
    }
    // Written beside the old file and renamed over it: a failed write leaves the
    // old file. By the path's bytes, so a file in a folder named in code page 949
    // is that file, not one of another name.
    QString error;
    if (!localpath::saveFile(path, bytes, &error)) {
        dialogs().messageBox(this, applicationTitle(),
                             QStringLiteral("파일 '") + localpath::displayName(QStringView(QFileInfo(path).fileName()))
                                 + QStringLiteral("'를 저장하지 못합니다.\n") + error,
                             MsgIcon::Error, BtnOk);
        return false;
    }
    return true;
}

void TViewForm::N_FileNewClick()
{
    // Unsaved edits are never dropped without asking.
    if (!QuerySaveChanges())
        return;
    setWindowTitle(kUntitled);
    needsName_ = true;
    currentName_ = kUntitled;
    clearText();
    ui->RichEdit->setReadOnly(false);
    document()->setModified(false);
    RichEditChange();
    SelectionChange();
}

void TViewForm::N_FileOpenClick()
{
    if (!QuerySaveChanges())
        return;
    FileRequest request;
    request.filter = kFilter;
    request.defaultExt = QStringLiteral("txt");
    request.initialDir = openDialogDir_;
    QString path;
    if (!dialogs().openFile(this, request, path))
        return;
    const QFileInfo info(path);   // names only: the file is reached by its bytes
    const localpath::Status status = localpath::status(path);
    if (!fitsInViewer(status.size)) {
        informationBox(tooLargeToViewText(localpath::displayName(QStringView(info.fileName())), status.size), this);
        return;
    }
    setBusyText(QStringLiteral("파일을 불러오고 있습니다."));
    richText_ = isRichTextName(path);
    if (!readDocument(path)) {
        setBusyText({});
        informationBox(QStringLiteral("파일 '") + localpath::displayName(QStringView(info.fileName()))
                           + QStringLiteral("'를 읽지 못합니다."),
                       this);
        return;
    }
    currentName_ = path;
    // Qt's file dialog has no read-only box: a file we may not write opens read-only.
    setTextReadOnly(!localpath::isWritable(path));
    document()->setModified(false);
    openDialogDir_ = info.absolutePath();
    saveDialogDir_ = info.absolutePath();
    saveDialogName_ = info.fileName();
    setWindowTitle(QStringLiteral("[Local] - File View (") + localpath::displayName(QStringView(info.fileName()))
                   + QLatin1Char(')'));
    needsName_ = true;
    setBusyText({});
    ui->RichEdit->setFocus();
    RichEditChange();
    UpdateStatusBar();
}

bool TViewForm::N_FileSaveClick()
{
    if (currentName_ == kUntitled || needsName_)
        return N_FileSaveAsClick();
    setBusyText(QStringLiteral("파일을 저장하고 있습니다."));
    richText_ = isRichTextName(currentName_);
    const bool written = writeDocument(currentName_);
    if (written)
        document()->setModified(false);
    setBusyText({});
    RichEditChange();
    return written;
}

bool TViewForm::N_FileSaveAsClick()
{
    FileRequest request;
    request.filter = kFilter;
    request.defaultExt = QStringLiteral("txt");
    request.initialDir = saveDialogDir_;
    request.fileName = saveDialogName_;
    QString path;
    if (!dialogs().saveFile(this, request, path))
        return false;
    needsName_ = false;
    if (localpath::status(path).exists) {
        const int answer = dialogs().messageBox(this, applicationTitle(),
                                                QStringLiteral("OK to overwrite %1").arg(localpath::displayPath(path)),
                                                MsgIcon::Question, BtnYes | BtnNo | BtnCancel);
        if (answer != BtnYes)
            return false;
    }
    setBusyText(QStringLiteral("파일을 다른이름으로 저장하고 있습니다."));
    richText_ = isRichTextName(path);
    const bool written = writeDocument(path);
    if (written) {
        currentName_ = path;
        document()->setModified(false);
        const QFileInfo info(path);
        saveDialogDir_ = info.absolutePath();
        saveDialogName_ = info.fileName();
    }
    setBusyText({});
    RichEditChange();
    return written;
}

void TViewForm::N_FilePrintClick()
{
    if (!printer().printDialog(this))
        return;
    setBusyText(QStringLiteral("파일을 인쇄하고 있습니다."));
    // Printed as the file holds it: a long paragraph in one piece, not in its display blocks.
    const std::unique_ptr<QTextDocument> joined = hasDisplayBreaks(*document()) ? joinedCopy(*document()) : nullptr;
    const bool printed = printDocument(joined ? *joined : *document(), currentName_);
    setBusyText({});
    if (!printed)
        informationBox(QStringLiteral("프린터를 사용할 수 없습니다."), this);
}

void TViewForm::N_PrinterSetClick() { printer().setupDialog(this); }

void TViewForm::N_FileExitClick() { close(); }

// ---------------------------------------------------------------- edit

void TViewForm::N_EditUndoClick() { ui->RichEdit->undo(); }
void TViewForm::N_EditCutClick() { ui->RichEdit->cut(); }
void TViewForm::N_EditCopyClick() { ui->RichEdit->copy(); }
void TViewForm::N_EditPasteClick() { ui->RichEdit->paste(); }
void TViewForm::L_AllSelectionClick() { ui->RichEdit->selectAll(); }

void TViewForm::N_FindTextClick()
{
    if (findDialog_->findText().isEmpty() && !replaceDialog_->findText().isEmpty())
        findDialog_->setFindText(replaceDialog_->findText());
    findDialog_->show();
    findDialog_->raise();
}

void TViewForm::N_ReplaceTextClick()
{
    if (replaceDialog_->findText().isEmpty() && !findDialog_->findText().isEmpty())
        replaceDialog_->setFindText(findDialog_->findText());
    replaceDialog_->show();
    replaceDialog_->raise();
}

void TViewForm::N_FindNextClick()
{
    if (findDialog_->findText().isEmpty()) {
        N_FindTextClick();  // nothing to look for yet: ask for it
        return;
    }
    FindDialogFind();
}

bool TViewForm::searchDown(const QString &pattern, bool wholeWord, bool matchCase,
                           bool fromSelectionStart)
{
    QTextCursor cursor = ui->RichEdit->textCursor();
    int from = cursor.selectionEnd();
    if (fromSelectionStart && cursor.hasSelection())
        from = cursor.selectionStart();
    cursor.setPosition(from);  // nothing stays selected
    ui->RichEdit->setTextCursor(cursor);
    // Searched in the paragraphs' text: a match may cross the edge of a display block.
    std::vector<qsizetype> joins;
    const QString text = paragraphText(*document(), &joins);
    const JoinMap map(std::move(joins));
    const qsizetype found = findText(text, pattern, map.textIndex(from), wholeWord, matchCase);
    if (found < 0)
        return false;
    cursor.setPosition(map.documentPosition(found));
    cursor.setPosition(map.documentPosition(found + pattern.size(), true), QTextCursor::KeepAnchor);
    ui->RichEdit->setTextCursor(cursor);
    ui->RichEdit->ensureCursorVisible();
    return true;
}

void TViewForm::FindDialogFind()
{
    if (!searchDown(findDialog_->findText(), findDialog_->wholeWord(), findDialog_->matchCase(),
                    false)) {
        findDialog_->close();
        informationBox(kSearchDone, this);
    }
}

void TViewForm::ReplaceDialogReplace(bool replaceAll)
{
    const QString pattern = replaceDialog_->findText();
    const QString replacement = replaceDialog_->replaceText();
    const bool wholeWord = replaceDialog_->wholeWord();
    const bool matchCase = replaceDialog_->matchCase();

    if (replaceAll) {
        int count = 0;
        QTextCursor cursor = ui->RichEdit->textCursor();
        std::vector<qsizetype> joins;
        QString text = paragraphText(*document(), &joins);
        const JoinMap before(std::move(joins));
        qsizetype at = before.textIndex(cursor.position());
        // The matches as the text changes under the run, each taken back to where it
        // stood before any replacement; the document is then changed from the last one
        // back, so that every earlier position still holds.
        std::vector<qsizetype> matches;
        qsizetype shift = 0;
        for (;;) {
            const qsizetype found = findText(text, pattern, at, wholeWord, matchCase);
            if (found < 0)
                break;
            matches.push_back(found - shift);
            text.replace(found, pattern.size(), replacement);
            at = found + replacement.size();
            shift += replacement.size() - pattern.size();
            ++count;
        }
        QTextCursor edit(document());
        edit.beginEditBlock();  // one undo step for the whole run
        for (auto match = matches.rbegin(); match != matches.rend(); ++match) {
            edit.setPosition(before.documentPosition(*match));
            edit.setPosition(before.documentPosition(*match + pattern.size(), true), QTextCursor::KeepAnchor);
            edit.insertText(replacement);
        }
        edit.endEditBlock();
        if (count > 0) {
            std::vector<qsizetype> after;
            paragraphText(*document(), &after);
            cursor.setPosition(JoinMap(std::move(after)).documentPosition(at, true));
            ui->RichEdit->setTextCursor(cursor);
            ui->RichEdit->ensureCursorVisible();
        }
        replaceDialog_->close();
        informationBox(QString::number(count) + QStringLiteral("개의 문자열을 바꾸었습니다."), this);
        return;
    }
    // The match that a previous search selected is the one the user sees: replace that
    // one rather than the next.
    const QTextCursor current = ui->RichEdit->textCursor();
    bool selectionIsMatch = false;
    if (current.hasSelection()) {
        std::vector<qsizetype> joins;
        const QString text = paragraphText(*document(), &joins);
        const JoinMap map(std::move(joins));
        const qsizetype start = map.textIndex(current.selectionStart());
        selectionIsMatch = findText(text, pattern, start, wholeWord, matchCase) == start
                           && map.textIndex(current.selectionEnd()) - start == pattern.size();
    }
    if (!searchDown(pattern, wholeWord, matchCase, selectionIsMatch)) {
        replaceDialog_->close();
        informationBox(kSearchDone, this);
        return;
    }
    QTextCursor cursor = ui->RichEdit->textCursor();
    cursor.insertText(replacement);
    ui->RichEdit->setTextCursor(cursor);
    ui->RichEdit->ensureCursorVisible();
}

void TViewForm::N_ExtendedCharClick() { startCharacterMap(); }

void TViewForm::N_SelectFontClick()
{
    QFont font = ui->RichEdit->currentFont();
    if (dialogs().chooseFont(this, font)) {
        QTextCharFormat format;
        format.setFont(font);
        ui->RichEdit->mergeCurrentCharFormat(format);
    }
    ui->RichEdit->setFocus();
}

void TViewForm::N_AllLinkClick()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (!action)
        action = ui->N_HelpManual;
    openHelpPage(QUrl(action->statusTip()), this);
}

void TViewForm::N_AboutClick()
{
    informationBox(QStringLiteral("Kavrin Version 2.2\n텍스트 뷰어"), this);
}

// ---------------------------------------------------------------- format

void TViewForm::SB_BoldButtonClick()
{
    if (updating_)
        return;
    QTextCharFormat format;
    format.setFontWeight(ui->SB_BoldButton->isChecked() ? QFont::Bold : QFont::Normal);
    ui->RichEdit->mergeCurrentCharFormat(format);
}

void TViewForm::SB_ItalicButtonClick()
{
    if (updating_)
        return;
    QTextCharFormat format;
    format.setFontItalic(ui->SB_ItalicButton->isChecked());
    ui->RichEdit->mergeCurrentCharFormat(format);
}

void TViewForm::SB_UnderlineButtonClick()
{
    if (updating_)
        return;
    QTextCharFormat format;
    format.setFontUnderline(ui->SB_UnderlineButton->isChecked());
    ui->RichEdit->mergeCurrentCharFormat(format);
}

void TViewForm::AlignButtonClick(int tag)
{
    if (updating_)
        return;
    static const Qt::Alignment alignments[3] = {Qt::AlignLeft | Qt::AlignAbsolute,
                                                Qt::AlignRight | Qt::AlignAbsolute,
                                                Qt::AlignHCenter};
    if (tag >= 0 && tag < 3)
        ui->RichEdit->setAlignment(alignments[tag]);
    SelectionChange();
}

void TViewForm::SB_BulletsButtonClick()
{
    if (updating_)
        return;
    QTextCursor cursor = ui->RichEdit->textCursor();
    if (ui->SB_BulletsButton->isChecked()) {
        if (!cursor.currentList()) {
            QTextListFormat format;
            format.setStyle(QTextListFormat::ListDisc);
            cursor.createList(format);
        }
    } else if (QTextList *list = cursor.currentList()) {
        list->remove(cursor.block());
        QTextBlockFormat block = cursor.blockFormat();
        block.setIndent(0);
        cursor.setBlockFormat(block);
    }
    SelectionChange();
}

void TViewForm::E_FontSizeChange()
{
    if (updating_)
        return;
    QTextCharFormat format;
    format.setFontPointSize(ui->E_FontSize->value());
    ui->RichEdit->mergeCurrentCharFormat(format);
}

void TViewForm::CB_FontNameChange()
{
    if (updating_)
        return;
    QTextCharFormat format;
    format.setFontFamilies(QStringList{ui->CB_FontName->currentText()});
    ui->RichEdit->mergeCurrentCharFormat(format);
}

// ---------------------------------------------------------------- ruler

void TViewForm::RulerItemMouseDown(QLabel *marker, int x)
{
    gripOffset_ = marker->width() / 2;
    marker->move(marker->x() + x - gripOffset_, marker->y());
    dragging_ = true;
}

void TViewForm::RulerItemMouseMove(QLabel *marker, int x)
{
    if (!dragging_)
        return;
    const int left = marker->x() + x - gripOffset_;
    if (left > 0 && left < ui->RulerLine->width())
        marker->move(left, marker->y());
}

void TViewForm::applyIndents(int first, int left, int right)
{
    const BlockMargins margins = marginsOfIndents({first, left, right});
    QTextBlockFormat format;
    format.setLeftMargin(margins.leftMargin);
    format.setTextIndent(margins.textIndent);
    format.setRightMargin(margins.rightMargin);
    ui->RichEdit->textCursor().mergeBlockFormat(format);
}

void TViewForm::FirstIndMouseUp()
{
    dragging_ = false;
    const QTextBlockFormat block = ui->RichEdit->textCursor().blockFormat();
    const Indents now = indentsOfMargins({block.leftMargin(), block.textIndent(), block.rightMargin()});
    const int first = firstIndentFromMarker(ui->FirstInd->x(), gripOffset_);
    const int left = leftIndentFromMarker(ui->LeftInd->x(), gripOffset_, first);
    applyIndents(first, left, now.right);
    SelectionChange();
}

void TViewForm::LeftIndMouseUp()
{
    dragging_ = false;
    const QTextBlockFormat block = ui->RichEdit->textCursor().blockFormat();
    const Indents now = indentsOfMargins({block.leftMargin(), block.textIndent(), block.rightMargin()});
    const int left = leftIndentFromMarker(ui->LeftInd->x(), gripOffset_, now.first);
    applyIndents(now.first, left, now.right);
    SelectionChange();
}

void TViewForm::RightIndMouseUp()
{
    dragging_ = false;
    const QTextBlockFormat block = ui->RichEdit->textCursor().blockFormat();
    const Indents now = indentsOfMargins({block.leftMargin(), block.textIndent(), block.rightMargin()});
    const int right = rightIndentFromMarker(ui->RightInd->x(), gripOffset_,
                                            ui->Ruler->contentsRect().width());
    applyIndents(now.first, now.left, right);
    SelectionChange();
}

void TViewForm::RulerResize()
{
    ui->RulerLine->resize(ui->Ruler->contentsRect().width() - 2 * ui->RulerLine->x(),
                          ui->RulerLine->height());
    SelectionChange();
}

} // namespace kav
