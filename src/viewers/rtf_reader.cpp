#include "rtf_reader.h"

#include "platform/cp949.h"
#include "rtf_tokenizer.h"
#include "long_paragraphs.h"

#include <QColor>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <vector>

namespace kav::viewers {

bool looksLikeRtf(QByteArrayView bytes)
{
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r'
                                || bytes[i] == '\n'))
        ++i;
    return bytes.sliced(i).startsWith("{\\rtf");
}

QString decodeCodePage(QByteArrayView bytes, int codePage)
{
    switch (codePage) {
    case 949:
        return cp949::decode(bytes);
    case 65001:
        return QString::fromUtf8(bytes);
    case 1252: {
        // The 0x80-0x9F row differs from Latin-1.
        static const char16_t row[32] = {
            0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
            0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
        QString text;
        text.reserve(bytes.size());
        for (char c : bytes) {
            const auto b = static_cast<unsigned char>(c);
            text.append(b >= 0x80 && b <= 0x9F ? QChar(row[b - 0x80]) : QChar(b));
        }
        return text;
    }
    default:
        break;
    }
    const char *name = nullptr;
    switch (codePage) {
    case 932: name = "Shift_JIS"; break;
    case 936: name = "GBK"; break;
    case 950: name = "Big5"; break;
    default: break;
    }
    if (name) {
        QStringDecoder decoder(name);
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    return QString::fromLatin1(bytes);
}

namespace {

int codePageOfCharset(int charset, int documentCodePage)
{
    switch (charset) {
    case 129: return 949;   // HANGUL_CHARSET
    case 128: return 932;   // SHIFTJIS_CHARSET
    case 134: return 936;   // GB2312_CHARSET
    case 136: return 950;   // CHINESEBIG5_CHARSET
    case 2: return 1252;    // SYMBOL_CHARSET: glyph positions, not letters
    case 77: return 10000;
    default: return documentCodePage;
    }
}

enum class Dest { Normal, Skip, FontTable, ColorTable };
enum class FontMode { Loch, Hich, Dbch };

struct GroupState {
    Dest dest = Dest::Normal;
    bool bold = false, italic = false, underline = false;
    int font = -1;
    int halfPoints = 24;
    // Associated properties: the ones that apply to double-byte (\dbch) text.
    int aBold = -1, aItalic = -1, aFont = -1, aHalfPoints = -1;
    FontMode mode = FontMode::Loch;
    int ucSkip = 1;
    int foreground = 0;  // index into the colour table; 0 is the automatic colour
    int background = 0;
};

struct ParaState {
    Qt::Alignment align = Qt::AlignLeft;
    int fi = 0, li = 0, ri = 0;  // twips
    bool bullet = false;
    bool operator==(const ParaState &) const = default;
};

struct Font {
    QString name;
    int charset = -1;
};

const QSet<QByteArray> &skippedDestinations()
{
    static const QSet<QByteArray> names = {
        "stylesheet", "info", "listtable", "listoverridetable", "pict", "object",
        "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf",
        "footnote", "fldinst", "pntext", "listtext", "themedata", "colorschememapping",
        "latentstyles", "datastore", "xmlnstbl", "rsidtbl", "generator", "mmathPr", "pgdsctbl",
        "userprops", "revtbl", "filetbl", "bkmkstart", "bkmkend", "annotation", "atnid",
        "atnauthor", "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn", "xe", "tc",
        "nonshppict", "shp", "template", "docvar", "pntxta", "pntxtb", "leveltext",
        "levelnumbers", "fontemb", "fontfile", "falt", "panose", "blipuid", "wgrffmtfilter",
        "pgdscno", "operator", "company", "title", "subject", "author", "keywords", "comment",
        "doccomm", "hlinkbase", "protusertbl", "passwordhash", "txfieldtext"};
    return names;
}

class Reader final : public DocumentLoader {
public:
    Reader(QByteArray rtf, QTextDocument &doc)
        : rtf_(std::move(rtf)), tokenizer_(rtf_), doc_(doc), cursor_(endOf(doc)), writer_(cursor_)
    {
        stack_.push_back(GroupState{});
    }

    bool step(qsizetype amount) override
    {
        if (done_)
            return true;
        // One edit of the document per step: Qt lays the new text out once, not after
        // every run of it.
        const qsizetype stop = tokenizer_.position() + std::max<qsizetype>(amount, 1);
        QTextCursor batch(cursor_);
        batch.beginEditBlock();
        while (!done_ && tokenizer_.position() < stop)
            next();
        if (done_) {
            flushBytes();
            finish();
        } else {
            flushRun();  // bytes still pending may be half a character: they wait
        }
        batch.endEditBlock();
        return done_;
    }

    int percent() const override
    {
        return tokenizer_.size() == 0 ? 100 : static_cast<int>(tokenizer_.position() * 100 / tokenizer_.size());
    }

    bool madeBreaks() const override { return writer_.madeBreaks(); }

private:
    void next()
    {
        RtfToken token = tokenizer_.next();
        if (token.kind == RtfToken::End) {
            done_ = true;
            return;
        }
        if (token.kind == RtfToken::GroupStart) {
            flushBytes();
            skipCount_ = 0;
            if (stack_.size() >= kMaxDepth) {
                ++overflow_;
                return;
            }
            GroupState state = stack_.back();
            stack_.push_back(state);
            firstInGroup_ = true;
            starred_ = false;
            started_ = true;
            return;
        }
        if (token.kind == RtfToken::GroupEnd) {
            flushBytes();
            skipCount_ = 0;
            firstInGroup_ = false;
            if (overflow_ > 0) {
                --overflow_;
                return;
            }
            if (stack_.size() > 1) {
                if (stack_.back().dest == Dest::FontTable)
                    finishFontName();
                stack_.pop_back();
                if (stack_.size() == 1 && started_)
                    done_ = true;  // the document's outermost group is closed
            }
            return;
        }
        handle(token);  // past the depth limit, text keeps the deepest group's state
    }

private:
    static constexpr size_t kMaxDepth = 512;
    static constexpr int kListChunk = 64;
    static constexpr qsizetype kPendingLimit = 16384;

    GroupState &state() { return stack_.back(); }

    int documentFont() const { return deff_; }

    int codePage()
    {
        const int font = effectiveFont();
        auto it = fonts_.find(font);
        const int charset = it == fonts_.end() ? -1 : it->charset;
        return codePageOfCharset(charset, ansiCodePage_);
    }

    int effectiveFont()
    {
        const GroupState &s = state();
        if (s.mode == FontMode::Dbch && s.aFont >= 0)
            return s.aFont;
        return s.font >= 0 ? s.font : documentFont();
    }

    QTextCharFormat charFormat()
    {
        const GroupState &s = state();
        const bool dbch = s.mode == FontMode::Dbch;
        QTextCharFormat format;
        const bool bold = dbch && s.aBold >= 0 ? s.aBold != 0 : s.bold;
        const bool italic = dbch && s.aItalic >= 0 ? s.aItalic != 0 : s.italic;
        const int halfPoints = dbch && s.aHalfPoints > 0 ? s.aHalfPoints : s.halfPoints;
        format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(italic);
        format.setFontUnderline(s.underline);
        format.setFontPointSize(halfPoints > 0 ? halfPoints / 2.0 : 12.0);
        auto it = fonts_.find(effectiveFont());
        if (it != fonts_.end() && !it->name.isEmpty())
            format.setFontFamilies(QStringList{it->name});
        if (const QColor c = tableColor(s.foreground); c.isValid())
            format.setForeground(c);
        if (const QColor c = tableColor(s.background); c.isValid())
            format.setBackground(c);
        return format;
    }

    // Index 0, an entry without components and an index past the table are the automatic colour.
    QColor tableColor(int index) const
    {
        return index > 0 && index < colors_.size() ? colors_[index] : QColor();
    }

    void appendBytes(QByteArrayView bytes)
    {
        if (state().dest == Dest::ColorTable) {
            for (char c : bytes) {
                if (c == ';')
                    finishColor();
            }
            return;
        }
        if (state().dest == Dest::FontTable) {
            for (char c : bytes) {
                if (c == ';')
                    finishFontName();
                else
                    fontNameBytes_.append(c);
            }
            return;
        }
        if (state().dest != Dest::Normal)
            return;
        const int cp = codePage();
        if (!pendingBytes_.isEmpty() && cp != pendingCodePage_)
            flushBytes();
        pendingCodePage_ = cp;
        pendingBytes_.append(bytes.data(), bytes.size());
        if (pendingBytes_.size() >= kPendingLimit) {
            // Text without a control word for a long way: decode what is whole of it now,
            // so that a document is built in pieces of bounded size.
            const qsizetype whole = wholeCharacters(pendingBytes_, pendingCodePage_);
            appendText(decodeCodePage(QByteArrayView(pendingBytes_).first(whole), pendingCodePage_));
            pendingBytes_.remove(0, whole);
        }
    }

    // The length of the longest start of `bytes` that ends between two characters.
    static qsizetype wholeCharacters(QByteArrayView bytes, int codePage)
    {
        const auto at = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
        if (codePage == 65001) {
            qsizetype lead = bytes.size() - 1;
            while (lead > 0 && lead > bytes.size() - 4 && (at(lead) & 0xC0) == 0x80)
                --lead;
            if (lead < 0 || at(lead) < 0xC0)
                return bytes.size();
            const qsizetype needs = at(lead) >= 0xF0 ? 4 : at(lead) >= 0xE0 ? 3 : 2;
            return bytes.size() - lead >= needs ? bytes.size() : lead;
        }
        const bool doubleByte = codePage == 949 || codePage == 936 || codePage == 950 || codePage == 932;
        if (!doubleByte)
            return bytes.size();
        qsizetype i = 0, end = 0;
        while (i < bytes.size()) {
            const unsigned char b = at(i);
            const bool lead = codePage == 932 ? (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)
                                              : b >= 0x81 && b <= 0xFE;
            i += lead ? 2 : 1;
            if (i <= bytes.size())
                end = i;
        }
        return end;
    }

    void flushBytes()
    {
        if (pendingBytes_.isEmpty())
            return;
        const QByteArray bytes = std::move(pendingBytes_);
        pendingBytes_.clear();
        appendText(decodeCodePage(bytes, pendingCodePage_));
    }

    void appendText(const QString &text)
    {
        if (state().dest != Dest::Normal || text.isEmpty())
            return;
        const QTextCharFormat format = charFormat();
        if (!run_.isEmpty() && format != runFormat_)
            flushRun();
        runFormat_ = format;
        run_ += text;
        textSincePar_ = true;
        if (run_.size() >= kDisplayBlockChars)
            flushRun();
    }

    void flushRun()
    {
        if (run_.isEmpty())
            return;
        // The paragraph's format goes on its blocks as they are made: set on a block
        // laid out long ago, it would have Qt lay out all that follows again.
        if (!blockFormatted_ || !(para_ == formattedPara_)) {
            formattedPara_ = para_;
            paraFormat_ = blockFormat();
            if (cursor_.blockFormat() != paraFormat_)
                cursor_.setBlockFormat(paraFormat_);
            blockFormatted_ = true;
        }
        writer_.append(run_, runFormat_, paraFormat_);
        run_.clear();
    }

    // Skips the text that stands in for a \uN character (\ucN units of it).
    bool consumeSkip(qsizetype &units)
    {
        if (skipCount_ <= 0)
            return false;
        const qsizetype used = std::min<qsizetype>(skipCount_, units);
        skipCount_ -= static_cast<int>(used);
        units -= used;
        return true;
    }

    void handle(const RtfToken &token)
    {
        switch (token.kind) {
        case RtfToken::Text: {
            qsizetype units = token.word.size();
            qsizetype offset = 0;
            if (consumeSkip(units))
                offset = token.word.size() - units;
            if (units > 0)
                appendBytes(QByteArrayView(token.word).sliced(offset));
            firstInGroup_ = false;
            return;
        }
        case RtfToken::HexByte: {
            qsizetype one = 1;
            if (consumeSkip(one))
                return;
            const char b = static_cast<char>(token.byte);
            appendBytes(QByteArrayView(&b, 1));
            firstInGroup_ = false;
            return;
        }
        case RtfToken::ControlSymbol:
            handleSymbol(token.symbol);
            return;
        case RtfToken::ControlWord:
            handleWord(token);
            return;
        default:
            return;
        }
    }

    void handleSymbol(char symbol)
    {
        if (symbol == '*' && firstInGroup_) {
            starred_ = true;
            return;
        }
        qsizetype one = 1;
        if (consumeSkip(one))
            return;
        firstInGroup_ = false;
        switch (symbol) {
        case '\\': case '{': case '}': {
            const char c = symbol;
            appendBytes(QByteArrayView(&c, 1));
            return;
        }
        case '~': flushBytes(); appendText(QString(QChar(0x00A0))); return;
        case '_': flushBytes(); appendText(QString(QChar(0x2011))); return;
        case '\n': endParagraph(); return;
        case '\t': flushBytes(); appendText(QStringLiteral("\t")); return;
        default: return;  // \- optional hyphen, \: index, \| formula: nothing to show
        }
    }

    void handleWord(const RtfToken &t)
    {
        const QByteArray &w = t.word;
        const bool first = firstInGroup_;
        const bool starred = starred_;
        firstInGroup_ = false;
        starred_ = false;

        if (first) {
            if (w == "fonttbl") {
                flushBytes();
                state().dest = Dest::FontTable;
                return;
            }
            if (w == "colortbl") {
                flushBytes();
                state().dest = Dest::ColorTable;
                colors_.clear();
                colorParts_ = {};
                return;
            }
            if (skippedDestinations().contains(w) || (starred && w != "pn")) {
                flushBytes();
                state().dest = Dest::Skip;
                return;
            }
        }
        if (w == "u") {
            flushBytes();
            if (skipCount_ > 0) {  // a \u inside another's stand-in text counts as one unit
                --skipCount_;
                return;
            }
            int value = t.param;
            if (value < 0)
                value += 65536;
            if (state().dest == Dest::Normal)
                appendText(QString(QChar(static_cast<char16_t>(value & 0xFFFF))));
            skipCount_ = state().ucSkip;
            return;
        }
        if (skipCount_ > 0) {
            --skipCount_;
            return;
        }
        const int p = t.param;
        const bool on = !t.hasParam || p != 0;
        GroupState &s = state();

        if (s.dest == Dest::ColorTable) {
            const int v = std::clamp(p, 0, 255);
            if (w == "red") colorParts_.red = v;
            else if (w == "green") colorParts_.green = v;
            else if (w == "blue") colorParts_.blue = v;
            else return;
            colorParts_.any = true;
            return;
        }
        if (s.dest == Dest::FontTable) {
            if (w == "f") {
                finishFontName();
                currentFont_ = p;
                fonts_[p];
            } else if (w == "fcharset" && currentFont_ >= 0) {
                fonts_[currentFont_].charset = p;
            }
            return;
        }
        // Document-wide settings may appear anywhere before the text.
        if (w == "ansicpg") { ansiCodePage_ = p > 0 ? p : 1252; return; }
        if (w == "deff") { deff_ = p; return; }
        if (w == "uc") { s.ucSkip = std::clamp(p, 0, 16); return; }
        if (w == "pn") { s.dest = Dest::Skip; return; }  // only \pnlvlblt in it matters
        if (w == "pnlvlblt") { para_.bullet = true; return; }
        if (s.dest != Dest::Normal)
            return;

        // Special characters.
        static const QHash<QByteArray, char16_t> specials = {
            {"tab", u'\t'}, {"line", 0x2028}, {"emdash", 0x2014}, {"endash", 0x2013},
            {"bullet", 0x2022}, {"lquote", 0x2018}, {"rquote", 0x2019}, {"ldblquote", 0x201C},
            {"rdblquote", 0x201D}, {"emspace", 0x2003}, {"enspace", 0x2002}, {"qmspace", 0x2005},
            {"cell", u'\t'}};
        if (auto it = specials.find(w); it != specials.end()) {
            flushBytes();
            appendText(QString(QChar(*it)));
            return;
        }
        if (w == "par" || w == "row" || w == "page") {
            endParagraph();
            return;
        }
        flushBytes();
        // Character formatting.
        if (w == "plain") {
            const int uc = s.ucSkip;
            const Dest dest = s.dest;
            s = GroupState{};
            s.ucSkip = uc;
            s.dest = dest;
        } else if (w == "b") s.bold = on;
        else if (w == "i") s.italic = on;
        else if (w == "ab") s.aBold = on ? 1 : 0;
        else if (w == "ai") s.aItalic = on ? 1 : 0;
        else if (w == "ulnone") s.underline = false;
        else if (w.startsWith("ul") && w != "ulc" && w != "ulnone") s.underline = on;
        else if (w == "f") s.font = p;
        else if (w == "cf") s.foreground = p;
        else if (w == "cb" || w == "highlight" || w == "chcbpat") s.background = p;
        else if (w == "af") s.aFont = p;
        else if (w == "fs") s.halfPoints = t.hasParam && p > 0 ? std::min(p, 3276) : 24;
        else if (w == "afs") s.aHalfPoints = t.hasParam && p > 0 ? std::min(p, 3276) : -1;
        else if (w == "loch") s.mode = FontMode::Loch;
        else if (w == "hich") s.mode = FontMode::Hich;
        else if (w == "dbch") s.mode = FontMode::Dbch;
        // Paragraph formatting.
        else if (w == "pard") para_ = ParaState{};
        else if (w == "ql") para_.align = Qt::AlignLeft;
        else if (w == "qr") para_.align = Qt::AlignRight;
        else if (w == "qc") para_.align = Qt::AlignHCenter;
        else if (w == "qj") para_.align = Qt::AlignJustify;
        else if (w == "fi") para_.fi = clampTwips(p);
        else if (w == "li" || w == "lin") para_.li = clampTwips(p);
        else if (w == "ri" || w == "rin") para_.ri = clampTwips(p);
        else if (w == "ls") para_.bullet = p > 0;
    }

    static int clampTwips(int twips) { return std::clamp(twips, -31680, 31680); }

    void finishColor()
    {
        // A hostile table cannot grow without bound: no document needs more colours than this.
        if (colors_.size() < 4096)
            colors_.append(colorParts_.any
                               ? QColor(colorParts_.red, colorParts_.green, colorParts_.blue)
                               : QColor());
        colorParts_ = {};
    }

    void finishFontName()
    {
        if (currentFont_ < 0) {
            fontNameBytes_.clear();
            return;
        }
        if (!fontNameBytes_.isEmpty()) {
            Font &font = fonts_[currentFont_];
            font.name = decodeCodePage(fontNameBytes_, codePageOfCharset(font.charset, ansiCodePage_))
                            .trimmed();
        }
        fontNameBytes_.clear();
    }

    QTextBlockFormat blockFormat() const
    {
        QTextBlockFormat format;
        format.setAlignment(para_.align);
        format.setLeftMargin(para_.li / kTwipsPerPixel);
        format.setRightMargin(para_.ri / kTwipsPerPixel);
        format.setTextIndent(para_.fi / kTwipsPerPixel);
        return format;
    }

    void applyBlockFormat()
    {
        const QTextBlockFormat format = blockFormat();
        // A long paragraph is several blocks: each gets the format, but only a block whose
        // format differs is touched (Qt lays a touched block out again).
        QTextCursor first(&doc_);
        first.setPosition(paragraphStart_);
        for (QTextBlock block = first.block(); block.isValid(); block = block.next()) {
            if (block.blockFormat() != format) {
                QTextCursor at(block);
                at.setBlockFormat(format);
            }
            if (block == cursor_.block())
                break;
        }
        if (para_.bullet) {
            // Qt touches every item of a list when one is added, so a long run of bullets
            // would take quadratic time. Bullets carry no numbers: a run split into short
            // lists looks and saves exactly like one list.
            // Only the paragraph's first block carries the bullet.
            if (list_ && lastWasBullet_ && listItems_ < kListChunk) {
                list_->add(first.block());
                ++listItems_;
            } else {
                QTextListFormat listFormat;
                listFormat.setStyle(QTextListFormat::ListDisc);
                list_ = first.createList(listFormat);
                listItems_ = 1;
            }
        }
        lastWasBullet_ = para_.bullet;
    }

    void endParagraph()
    {
        flushBytes();
        if (stack_.back().dest != Dest::Normal)
            return;
        flushRun();
        applyBlockFormat();
        cursor_.insertBlock(QTextBlockFormat(), charFormat());
        writer_.paragraphStarted();
        paragraphStart_ = cursor_.position();
        blockFormatted_ = false;
        textSincePar_ = false;
        ++paragraphs_;
    }

    void finish()
    {
        flushRun();
        if (paragraphs_ > 0 && !textSincePar_) {
            // Writers end the last paragraph with \par; that mark makes no paragraph of its own.
            cursor_.deletePreviousChar();
            return;
        }
        applyBlockFormat();
    }

    QByteArray rtf_;
    RtfTokenizer tokenizer_;
    bool started_ = false;
    bool done_ = false;
    QTextDocument &doc_;
    QTextCursor cursor_;
    ParagraphWriter writer_;
    int paragraphStart_ = 0;
    // The format given to the blocks of the paragraph so far, and what it was made of.
    bool blockFormatted_ = false;
    ParaState formattedPara_;
    QTextBlockFormat paraFormat_;
    std::vector<GroupState> stack_;
    ParaState para_;
    QHash<int, Font> fonts_;
    int currentFont_ = -1;
    QByteArray fontNameBytes_;
    int ansiCodePage_ = 1252;
    int deff_ = 0;
    int skipCount_ = 0;
    bool firstInGroup_ = false;
    bool starred_ = false;
    size_t overflow_ = 0;
    QByteArray pendingBytes_;
    int pendingCodePage_ = 1252;
    QString run_;
    QTextCharFormat runFormat_;
    bool textSincePar_ = false;
    int paragraphs_ = 0;
    QTextList *list_ = nullptr;
    int listItems_ = 0;
    bool lastWasBullet_ = false;
    QList<QColor> colors_;
    struct { int red = 0, green = 0, blue = 0; bool any = false; } colorParts_;
};

} // namespace

void readRtf(QByteArrayView rtf, QTextDocument &document)
{
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    // The bytes are read where they are, not copied.
    Reader reader(QByteArray::fromRawData(rtf.data(), rtf.size()), document);
    reader.step(rtf.size());
    document.setUndoRedoEnabled(undo);
}

std::unique_ptr<DocumentLoader> rtfLoader(QByteArray rtf, QTextDocument &document)
{
    return std::make_unique<Reader>(std::move(rtf), document);
}

} // namespace kav::viewers
