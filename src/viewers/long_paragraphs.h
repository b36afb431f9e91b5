#pragma once
// Very long paragraphs in the viewer's document. Qt lays a paragraph (one block of the
// document) out in one piece, so a paragraph of a million characters keeps the window
// busy for seconds at every change and cannot be loaded in steps. Such a paragraph is
// held as several blocks of at most about kDisplayBlockChars characters; every block
// after the first is marked as continuing the paragraph before it. The marks change
// only how the text is shown: the text that is saved, printed, copied and searched is
// the paragraph as one (paragraphText, joinedCopy, ...).
//
// The mark sits in the character format of the break in front of the block (what
// QTextBlock::charFormat() reports). A break the user types takes the format of the
// text before the caret and so is a real paragraph break; a break removed and brought
// back by undo keeps its format and so its meaning.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>

#include <memory>
#include <vector>

class QTextBlock;
class QTextDocument;

namespace kav::viewers {

// Paragraphs up to this length are one block, as any editor shows them.
constexpr qsizetype kDisplayBlockChars = 8192;

bool continuesParagraph(const QTextBlock &block);
// Takes the mark of a display break out of a format; true when it had one. Text typed
// in a format with the mark would turn the user's next break into a display break.
bool dropBreakMark(QTextCharFormat &format);
QTextCursor endOf(QTextDocument &document);
// True when some block of the document continues the paragraph before it.
bool hasDisplayBreaks(const QTextDocument &document);

// Appends text at a cursor, starting a continuing block whenever the current block
// would grow past kDisplayBlockChars (after a blank where there is one near the limit,
// never between the halves of a surrogate pair).
class ParagraphWriter {
public:
    explicit ParagraphWriter(QTextCursor &cursor);
    // Text without paragraph breaks, in one format; continuing blocks get `blockFormat`.
    void append(QStringView text, const QTextCharFormat &format,
                const QTextBlockFormat &blockFormat = QTextBlockFormat());
    // Plain text: '\n' ends a paragraph; all of it in `format` and default block formats.
    void appendPlain(QStringView text, const QTextCharFormat &format = QTextCharFormat());
    // The caller has just started a new paragraph at the cursor.
    void paragraphStarted() { length_ = 0; }
    bool madeBreaks() const { return madeBreaks_; }

private:
    QTextCursor &cursor_;
    qsizetype length_;
    bool madeBreaks_ = false;
};

// The document's text as a file holds it: paragraphs joined by '\n', the blocks of one
// paragraph joined without anything between them. `joins` (when given) receives the
// index in that text of every place where two blocks were joined, in order.
QString paragraphText(const QTextDocument &document, std::vector<qsizetype> *joins = nullptr);
QStringList paragraphLines(const QTextDocument &document);

// Positions in the paragraph text and in the document, for a document with display
// breaks at `joins` (from paragraphText).
class JoinMap {
public:
    explicit JoinMap(std::vector<qsizetype> joins) : joins_(std::move(joins)) {}
    // The document position of a text index: the start of a match lies after a
    // break at that index, the end of one before it.
    int documentPosition(qsizetype index, bool end = false) const;
    qsizetype textIndex(int position) const;

private:
    std::vector<qsizetype> joins_;
};

// Paragraph number (from 0) and column (from 0) of a document position.
struct ParagraphPosition {
    int paragraph = 0;
    int column = 0;
};
// `continuing` is continuingBlocks(document): the numbers of the blocks that continue
// the paragraph before them, in order (found once for many positions).
std::vector<int> continuingBlocks(const QTextDocument &document);
ParagraphPosition paragraphPosition(const QTextDocument &document, int position, const std::vector<int> &continuing);

// Removes every display break of the document: each paragraph becomes one block again.
void joinDisplayBlocks(QTextDocument &document);
// A copy of the document with every paragraph in one block, for printing.
std::unique_ptr<QTextDocument> joinedCopy(const QTextDocument &document);

// A document filled in steps, so that the window answers while a large file comes in.
class DocumentLoader {
public:
    virtual ~DocumentLoader() = default;
    // Reads about `amount` more of the input (bytes of RTF, characters of plain text)
    // into the document, in one edit of it; true when all of the input is in. The
    // document is laid out after each step, at a cost that follows the amount read.
    virtual bool step(qsizetype amount) = 0;
    // How much of the input has been read, 0 to 100.
    virtual int percent() const = 0;
    // True when the document got display breaks.
    virtual bool madeBreaks() const = 0;
};

// Plain text ('\n' between lines) into an empty document.
std::unique_ptr<DocumentLoader> plainTextLoader(QString text, QTextDocument &document);

} // namespace kav::viewers
