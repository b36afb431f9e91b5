#pragma once
// TViewForm: the text viewer-editor. One long-lived window that shows and edits a
// plain-text or rich-text document, with a tool bar, a paragraph ruler, find and
// replace, printing and a status bar describing the caret and the character under it.
//
// How other windows hand text to it (directory reports, finger, the scanner, local
// and host file view):
//
//     view.setSaveDirectory(localDir);       // where Save As starts
//     view.setSaveFileName("DirInfo.txt");   // proposed name; ".rtf" in it means rich text
//     view.clearText();
//     view.addLine(line); ...                // or view.loadFile(path) for a file
//     view.setCaption("[Local] - DirInfo (" + dir + ", " + total + " Bytes)");
//     view.showModal();                      // returns when the user closes the window
//
// A large file comes in steps between the window's events (loadFile returns when the
// first part is in): the status bar tells how far, Esc or closing the window stops it,
// and loadingFinished() reports the end.
//
// Each showing starts a new session of the window: the document counts as unmodified,
// Save asks for a name (the Save As dialog starts in the save directory with the save
// file name), and the caret is at the start.

#include "viewers/find_replace_dialog.h"
#include "viewers/text_codec.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

class QEventLoop;
class QLabel;
class QShortcut;
class QTimer;
class QFont;
class QTextCharFormat;
class QTextDocument;
class QTextEdit;
namespace Ui { class TViewForm; }

namespace kav {

namespace viewers { class DocumentLoader; }

class TViewForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TViewForm(QWidget *parent = nullptr);
    ~TViewForm() override;

    // ---- The interface of the openers ----
    void setSaveDirectory(const QString &directory);
    QString saveDirectory() const { return saveDirectory_; }
    void setSaveFileName(const QString &fileName);
    QString saveFileName() const { return saveFileName_; }
    void clearText();
    // Appends one line (plain text, never interpreted as markup).
    void addLine(const QString &line);
    void setLines(const QStringList &lines);
    QStringList lines() const;
    // Loads a file: rich text when the name says so and the content is RTF, otherwise
    // plain text (code page 949 or UTF-8, line ends kept). False when it cannot be read.
    bool loadFile(const QString &path);
    // True while a file is still coming in; stopping leaves an empty, untitled document.
    bool isLoading() const { return loader_ != nullptr; }
    void cancelLoading();
    void setCaption(const QString &caption) { setWindowTitle(caption); }
    // Shows the window modally; returns when it has been closed.
    void showModal();

    // ---- State, for the owner and for tests ----
    QString currentName() const { return currentName_; }
    bool needsName() const { return needsName_; }
    bool isRichText() const { return richText_; }
    bool isModified() const;
    viewers::TextEncoding plainTextEncoding() const { return encoding_; }
    viewers::LineEnd plainTextLineEnd() const { return lineEnd_; }
    QTextDocument *document() const;
    QTextEdit *richEdit() const;
    QString statusPanelText(int panel) const;  // panels 0..8
    QString singlePanelText() const;           // the hint or busy text, empty when none
    // Panel 7: "한글" or "영문", written by the application's input-method watch.
    void setInputModeText(const QString &text);
    viewers::FindReplaceDialog *findDialog() const { return findDialog_; }
    viewers::FindReplaceDialog *replaceDialog() const { return replaceDialog_; }
    Ui::TViewForm *form() const { return ui.get(); }

    // ---- Handlers ----
    void FormActivate();
    void FormResize();
    bool FormCloseQuery();
    void RichEditChange();
    void RichEditEnter();
    void SelectionChange();
    void UpdateStatusBar();
    void UpdateKeyStates();
    // Save-changes question; true to go on (saved, or not wanted), false to stop.
    bool QuerySaveChanges();

    void N_FileNewClick();
    void N_FileOpenClick();
    bool N_FileSaveClick();
    bool N_FileSaveAsClick();
    void N_FilePrintClick();
    void N_PrinterSetClick();
    void N_FileExitClick();
    void N_EditUndoClick();
    void N_EditCutClick();
    void N_EditCopyClick();
    void N_EditPasteClick();
    void L_AllSelectionClick();
    void N_FindTextClick();
    void N_FindNextClick();
    void N_ReplaceTextClick();
    void FindDialogFind();
    void ReplaceDialogReplace(bool replaceAll);
    void N_ExtendedCharClick();
    void N_SelectFontClick();
    void N_AllLinkClick();
    void N_AboutClick();

    void SB_BoldButtonClick();
    void SB_ItalicButtonClick();
    void SB_UnderlineButtonClick();
    void AlignButtonClick(int tag);  // 0 left, 1 right, 2 centre
    void SB_BulletsButtonClick();
    void E_FontSizeChange();
    void CB_FontNameChange();

    void RulerItemMouseDown(QLabel *marker, int x);
    void RulerItemMouseMove(QLabel *marker, int x);
    void FirstIndMouseUp();
    void LeftIndMouseUp();
    void RightIndMouseUp();
    void RulerResize();

signals:
    // A load in steps has ended: all of the file is in, or it was stopped.
    void loadingFinished(bool complete);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void holdSpeedBarInToolBar();
    void setBusyText(const QString &text);
    void showHint(const QString &hint);
    bool readDocument(const QString &path);
    void startLoading(std::unique_ptr<viewers::DocumentLoader> loader);
    void loadStep();
    bool loadSomeMore();
    void endLoading(bool complete);
    void setTextReadOnly(bool readOnly);
    bool writeDocument(const QString &path);
    QString documentText() const;
    bool searchDown(const QString &pattern, bool wholeWord, bool matchCase, bool fromSelectionStart);
    void applyIndents(int first, int left, int right);
    void setStatusPanel(int panel, const QString &text);
    void showFontName(const QTextCharFormat &format, const QFont &font);
    void resetPlainTextFormat();
    QString openFilter() const;
    void sizePanels();

    std::unique_ptr<Ui::TViewForm> ui;
    QList<QLabel *> panels_;
    bool panelsSized_ = false;
    QPointer<viewers::FindReplaceDialog> findDialog_;
    QPointer<viewers::FindReplaceDialog> replaceDialog_;
    QEventLoop *modalLoop_ = nullptr;

    QString saveDirectory_;
    QString saveFileName_;
    QString currentName_ = QStringLiteral("Untitled");
    QString openDialogDir_;
    QString saveDialogDir_;
    QString saveDialogName_;
    bool needsName_ = false;
    bool placed_ = false;
    bool updating_ = false;
    bool richText_ = false;
    bool hasLines_ = false;
    viewers::TextEncoding encoding_ = viewers::TextEncoding::Cp949;
    viewers::LineEnd lineEnd_ = viewers::LineEnd::Lf;

    std::unique_ptr<viewers::DocumentLoader> loader_;
    QTimer *loadTimer_ = nullptr;
    QShortcut *stopLoadKey_ = nullptr;
    qsizetype loadAmount_ = 0;
    bool readOnlyAfterLoad_ = false;
    QList<QAction *> heldDuringLoad_;
    bool displayBreaks_ = false;   // some paragraph is shown in several blocks
    std::vector<int> continuing_;  // the blocks that continue a paragraph, for the status bar
    std::pair<int, int> continuingShape_{-1, -1};  // the document's revision and block count then

    int gripOffset_ = 0;
    bool dragging_ = false;
};

} // namespace kav
