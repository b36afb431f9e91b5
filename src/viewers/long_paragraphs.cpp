#include "long_paragraphs.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace kav::viewers {

namespace {

// The mark on a break in front of a block that continues the paragraph before it.
constexpr int kContinuesParagraph = QTextFormat::UserProperty + 1;

// How far past the limit a block may grow to end at a blank rather than inside a word.
constexpr qsizetype kBlankSlack = 512;

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QChar(0x3000); }

// How many characters of `text` go into a block that has `room` left.
qsizetype cutBefore(QStringView text, qsizetype room)
{
    for (qsizetype i = std::min(room, text.size()) - 1; i >= std::max<qsizetype>(0, room - kBlankSlack); --i) {
        if (isBlank(text[i]))
            return i + 1;
    }
    const qsizetype reach = std::min(text.size(), room + kBlankSlack);
    for (qsizetype i = std::max<qsizetype>(room, 0); i < reach; ++i) {
        if (isBlank(text[i]))
            return i + 1;
    }
    qsizetype cut = std::max<qsizetype>(room, 0);
    if (cut > 0 && cut < text.size() && text[cut - 1].isHighSurrogate() && text[cut].isLowSurrogate())
        --cut;
    return cut;
}

} // namespace

QTextCursor endOf(QTextDocument &document)
{
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    return cursor;
}

bool continuesParagraph(const QTextBlock &block)
{
    return block.isValid() && block.position() > 0 && block.charFormat().boolProperty(kContinuesParagraph);
}

bool dropBreakMark(QTextCharFormat &format)
{
    if (!format.hasProperty(kContinuesParagraph))
        return false;
    format.clearProperty(kContinuesParagraph);
    return true;
}

bool hasDisplayBreaks(const QTextDocument &document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (continuesParagraph(block))
            return true;
    }
    return false;
}

ParagraphWriter::ParagraphWriter(QTextCursor &cursor)
    : cursor_(cursor), length_(cursor.position() - cursor.block().position())
{
}

void ParagraphWriter::append(QStringView text, const QTextCharFormat &format, const QTextBlockFormat &blockFormat)
{
    while (!text.isEmpty()) {
        const qsizetype room = kDisplayBlockChars - length_;
        if (text.size() <= room) {
            cursor_.insertText(text.toString(), format);
            length_ += text.size();
            return;
        }
        const qsizetype cut = cutBefore(text, room);
        if (cut > 0) {
            cursor_.insertText(text.first(cut).toString(), format);
            text = text.sliced(cut);
        }
        if (text.isEmpty()) {
            length_ += cut;
            return;
        }
        if (length_ + cut == 0) {
            // A block that cannot hold even one piece: take the piece whole.
            cursor_.insertText(text.toString(), format);
            length_ += text.size();
            return;
        }
        QTextCharFormat mark = format;
        mark.setProperty(kContinuesParagraph, true);
        cursor_.insertBlock(blockFormat, mark);
        length_ = 0;
        madeBreaks_ = true;
    }
}

void ParagraphWriter::appendPlain(QStringView text, const QTextCharFormat &plain)
{
    for (;;) {
        const qsizetype end = text.indexOf(QLatin1Char('\n'));
        append(end < 0 ? text : text.first(end), plain);
        if (end < 0)
            return;
        cursor_.insertBlock(QTextBlockFormat(), plain);
        length_ = 0;
        text = text.sliced(end + 1);
    }
}

QString paragraphText(const QTextDocument &document, std::vector<qsizetype> *joins)
{
    QString text;
    text.reserve(document.characterCount());
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin()) {
            if (continuesParagraph(block)) {
                if (joins)
                    joins->push_back(text.size());
            } else {
                text += QLatin1Char('\n');
            }
        }
        text += block.text();
    }
    return text;
}

QStringList paragraphLines(const QTextDocument &document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (continuesParagraph(block) && !lines.isEmpty())
            lines.last() += block.text();
        else
            lines.append(block.text());
    }
    return lines;
}

int JoinMap::documentPosition(qsizetype index, bool end) const
{
    const auto passed = end ? std::lower_bound(joins_.begin(), joins_.end(), index)
                            : std::upper_bound(joins_.begin(), joins_.end(), index);
    return static_cast<int>(index + (passed - joins_.begin()));
}

qsizetype JoinMap::textIndex(int position) const
{
    // The break of join k stands at document position joins_[k] + k.
    qsizetype low = 0, high = static_cast<qsizetype>(joins_.size());
    while (low < high) {
        const qsizetype mid = (low + high) / 2;
        if (joins_[mid] + mid < position)
            low = mid + 1;
        else
            high = mid;
    }
    return position - low;
}

std::vector<int> continuingBlocks(const QTextDocument &document)
{
    std::vector<int> numbers;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (continuesParagraph(block))
            numbers.push_back(block.blockNumber());
    }
    return numbers;
}

ParagraphPosition paragraphPosition(const QTextDocument &document, int position, const std::vector<int> &continuing)
{
    const QTextBlock block = document.findBlock(position);
    if (!block.isValid())
        return {};
    ParagraphPosition at;
    at.column = position - block.position();
    for (QTextBlock b = block; continuesParagraph(b); b = b.previous())
        at.column += b.previous().length() - 1;
    const auto joined = std::upper_bound(continuing.begin(), continuing.end(), block.blockNumber());
    at.paragraph = block.blockNumber() - static_cast<int>(joined - continuing.begin());
    return at;
}

void joinDisplayBlocks(QTextDocument &document)
{
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (QTextBlock block = document.lastBlock(); block.isValid();) {
        const QTextBlock previous = block.previous();
        if (continuesParagraph(block)) {
            cursor.setPosition(block.position() - 1);
            cursor.deleteChar();
        }
        block = previous;
    }
    cursor.endEditBlock();
}

std::unique_ptr<QTextDocument> joinedCopy(const QTextDocument &document)
{
    std::unique_ptr<QTextDocument> copy(document.clone());
    joinDisplayBlocks(*copy);
    return copy;
}

namespace {

class PlainTextLoader final : public DocumentLoader {
public:
    PlainTextLoader(QString text, QTextDocument &document)
        : text_(std::move(text)), cursor_(endOf(document)), writer_(cursor_)
    {
    }

    bool step(qsizetype amount) override
    {
        // Pieces that keep the text's pairs whole, and in which lines are found quickly.
        constexpr qsizetype kPiece = 4096;
        const qsizetype stop = std::min(text_.size(), done_ + std::max<qsizetype>(amount, 1));
        QTextCursor batch(cursor_);
        batch.beginEditBlock();
        while (done_ < stop) {
            qsizetype end = std::min(stop, done_ + kPiece);
            if (end < text_.size() && text_[end - 1].isHighSurrogate())
                ++end;
            writer_.appendPlain(QStringView(text_).sliced(done_, end - done_));
            done_ = end;
        }
        batch.endEditBlock();
        return done_ >= text_.size();
    }

    int percent() const override
    {
        return text_.isEmpty() ? 100 : static_cast<int>(done_ * 100 / text_.size());
    }

    bool madeBreaks() const override { return writer_.madeBreaks(); }

private:
    QString text_;
    qsizetype done_ = 0;
    QTextCursor cursor_;
    ParagraphWriter writer_;
};

} // namespace

std::unique_ptr<DocumentLoader> plainTextLoader(QString text, QTextDocument &document)
{
    return std::make_unique<PlainTextLoader>(std::move(text), document);
}

} // namespace kav::viewers
