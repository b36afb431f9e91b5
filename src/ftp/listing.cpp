#include "listing.h"
#include "platform/text.h"
#include "platform/utf8x.h"

#include <algorithm>
#include <cstring>

#include <QDir>

namespace kav {
namespace {

// The forms are read from the line's bytes: everything a form looks at (digits,
// blanks, ";", "=", "->", the letters of facts and types) is ASCII, and no byte
// of an ASCII character ever belongs to a longer character in either server
// encoding (UTF-8, or code page 949 whose second bytes are letters or >= 0x81,
// never a blank or punctuation), so only the name needs decoding, by the
// session's own decoder.

bool isBlankOrControl(char c) { return uchar(c) <= 0x20; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c; }

// Fact names, types and extensions compare without regard to ASCII case.
bool startsWithWord(QByteArrayView text, QByteArrayView word)
{
    if (text.size() < word.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i)
        if (asciiLower(text[i]) != asciiLower(word[i]))
            return false;
    return true;
}

bool isWord(QByteArrayView text, QByteArrayView word)
{
    return text.size() == word.size() && startsWithWord(text, word);
}

qsizetype indexOf(QByteArrayView text, char c, qsizetype from = 0)
{
    if (from >= text.size())
        return -1;
    const void *at = std::memchr(text.data() + from, c, size_t(text.size() - from));
    return at ? static_cast<const char *>(at) - text.data() : -1;
}

// The line without its line end; every other byte, blanks included, stays.
QByteArrayView withoutLineEnd(QByteArrayView line)
{
    qsizetype end = line.size();
    while (end > 0 && (line[end - 1] == '\r' || line[end - 1] == '\n'))
        --end;
    return line.first(end);
}

// Field n (1-based) alone, as ListFieldTail() counts fields, without copying.
QByteArrayView fieldAt(QByteArrayView line, int n)
{
    qsizetype i = 0;
    const qsizetype size = line.size();
    for (int k = 1;; ++k) {
        while (i < size && isBlankOrControl(line[i]))
            ++i;
        if (i >= size)
            return {};
        const qsizetype start = i;
        while (i < size && line[i] != ' ')
            ++i;
        if (k == n)
            return line.sliced(start, i - start);
    }
}

// ---- 1. machine-readable facts (MLSD) -----------------------------------------------
//
// "fact=value;fact=value; name": facts, each ended by ";", then one space and
// the name exactly as it is (blanks at either end are part of it). A value
// never holds ";", so the facts end at the first "; ". Fact names hold no
// blank, which keeps a UNIX line naming "a=b; c" out. Fact names and the
// type's value are case-insensitive.

bool isFactList(QByteArrayView facts)
{
    if (facts.isEmpty() || !facts.endsWith(';'))
        return false;
    for (qsizetype at = 0; at < facts.size();) {
        const qsizetype end = indexOf(facts, ';', at);
        const QByteArrayView fact = facts.sliced(at, end - at);
        at = end + 1;
        const qsizetype equals = indexOf(fact, '=');
        if (equals <= 0 || indexOf(fact.first(equals), ' ') >= 0)
            return false;
    }
    return true;
}

// UNIX.mode as servers write it: "0755" (ProFTPD, Pure-FTPd), "0o755"
// (pyftpdlib, Python's own notation), "755".
std::optional<int> octalMode(QByteArrayView value)
{
    if (startsWithWord(value, "0o"))
        value = value.sliced(2);
    if (value.isEmpty())
        return std::nullopt;
    int mode = 0;
    for (const char c : value) {
        if (c < '0' || c > '7' || mode > 0xFFFFFF)
            return std::nullopt;
        mode = mode * 8 + (c - '0');
    }
    return mode & 07777;
}

// Executable exactly when "ls -l" would show a lower-case "x" among the nine
// permission characters, which is what decides for a UNIX line: an execute bit
// that carries set-user-id, set-group-id or sticky shows as "s" or "t" there.
// So the same file is of the same kind whether the server sent LIST or MLSD.
bool lsShowsExecute(int mode)
{
    return ((mode & 0100) && !(mode & 04000)) || ((mode & 0010) && !(mode & 02000))
        || ((mode & 0001) && !(mode & 01000));
}

// The number of `count` decimal digits at `from`, or -1.
int digitsAt(QByteArrayView text, qsizetype from, int count)
{
    if (from + count > text.size())
        return -1;
    int n = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        if (!isDigit(text[i]))
            return -1;
        n = n * 10 + (text[i] - '0');
    }
    return n;
}

QDateTime factTime(QByteArrayView value)
{
    // YYYYMMDDHHMMSS, perhaps with fractions of a second, always UTC. Read by
    // hand: a format string parse per line would make a long MLSD listing
    // many times slower than the same LIST.
    const int year = digitsAt(value, 0, 4), month = digitsAt(value, 4, 2), day = digitsAt(value, 6, 2);
    const int hour = digitsAt(value, 8, 2), minute = digitsAt(value, 10, 2), second = digitsAt(value, 12, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return {};
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

std::optional<ParsedListingLine> factsLine(QByteArrayView line, ListingNameDecoder decode)
{
    qsizetype end = -1;
    for (qsizetype at = 0; (at = indexOf(line, ';', at)) >= 0; ++at)
        if (at + 1 < line.size() && line[at + 1] == ' ') {
            end = at;
            break;
        }
    if (end <= 0)
        return std::nullopt;
    const qsizetype space = end + 1;
    const QByteArrayView facts = line.first(space);
    if (!isFactList(facts))
        return std::nullopt;

    ParsedListingLine parsed{ListingForm::Facts, std::nullopt};
    QByteArrayView type;
    std::optional<int> mode;
    qint64 size = -1;
    QDateTime modified;
    for (qsizetype at = 0; at < space;) {
        const qsizetype stop = indexOf(facts, ';', at);
        const QByteArrayView fact = facts.sliced(at, stop - at);
        at = stop + 1;
        const qsizetype equals = indexOf(fact, '=');
        const QByteArrayView name = fact.first(equals);
        const QByteArrayView value = fact.sliced(equals + 1);
        if (isWord(name, "type"))
            type = value;
        else if (isWord(name, "size"))
            size = kav::text::decimalOrUnknown(value);
        else if (isWord(name, "modify"))
            modified = factTime(value);
        else if (isWord(name, "UNIX.mode"))
            mode = octalMode(value);
        // The "perm" fact says what this login may do with the entry through FTP
        // (retrieve, store, delete, rename, enter, list); it has no letter for
        // running a program, so it cannot tell an executable. UNIX.mode can.
    }

    const QByteArrayView entryName = withoutLineEnd(line.sliced(space + 1));
    if (entryName.isEmpty())
        return parsed;
    if (isWord(type, "file")) {
        const bool executable = mode && lsShowsExecute(*mode);
        parsed.entry = RemoteEntry{decode(entryName), executable ? EntryKind::ExecutableFile : EntryKind::PlainFile,
                                   size, modified};
    } else if (isWord(type, "dir")) {
        parsed.entry = RemoteEntry{decode(entryName), EntryKind::Directory, -1, modified};
    } else if (startsWithWord(type, "OS.unix=symlink") || startsWithWord(type, "OS.unix=slink")) {
        // ProFTPD: "OS.unix=symlink"; Pure-FTPd: "OS.unix=slink:" and the target.
        // Listed like the links of a UNIX listing: by name, with the directories.
        parsed.entry = RemoteEntry{decode(entryName), EntryKind::Link, -1, modified};
    }
    if (parsed.entry && mode)
        parsed.entry->mode = *mode & 07777;
    // "cdir" and "pdir" are the listed directory itself and its parent, which
    // a UNIX listing does not show either (the directory list has its own way
    // up); devices and other OS types are not listed, as in a UNIX listing.
    return parsed;
}

// ---- 2. UNIX "ls -l" ------------------------------------------------------------------

// The name of a UNIX listing line: everything after the single blank that
// follows the date (field 8), its own blanks kept; only the line end is removed.
// Empty when the line has fewer than nine fields.
QByteArrayView listingName(QByteArrayView line)
{
    // Fields 1 to 8 end with the date; their separators are runs of blanks.
    qsizetype pos = 0;
    for (int k = 1; k < 8; ++k) {
        const qsizetype space = indexOf(line, ' ', pos);
        if (space < 0)
            return {};
        pos = space + 1;
        while (pos < line.size() && isBlankOrControl(line[pos]))
            ++pos;
        if (pos >= line.size())
            return {};
    }
    const qsizetype separator = indexOf(line, ' ', pos);
    if (separator < 0)
        return {};
    // The name's own blanks at either end are part of it (" leading.txt",
    // "trailing.txt "): the server knows the file by exactly these characters.
    return withoutLineEnd(line.sliced(separator + 1));
}

std::optional<ParsedListingLine> unixLine(QByteArrayView line, ListingNameDecoder decode)
{
    if (line.isEmpty())
        return std::nullopt;
    const char first = line[0];
    if (first == '-') {
        const bool executable = indexOf(line.first(std::min<qsizetype>(line.size(), 10)), 'x', 1) >= 0;
        return ParsedListingLine{ListingForm::Unix,
                                 RemoteEntry{decode(listingName(line)),
                                             executable ? EntryKind::ExecutableFile : EntryKind::PlainFile,
                                             kav::text::decimalOrUnknown(fieldAt(line, 5))}};
    }
    if (first == 'd')
        return ParsedListingLine{ListingForm::Unix, RemoteEntry{decode(listingName(line)), EntryKind::Directory}};
    if (first == 'l') {
        // "name -> target": the link is known by its name. Whether it leads to a
        // directory only a CWD can tell.
        QByteArrayView name = listingName(line);
        QByteArrayView target;
        const qsizetype arrow = name.indexOf(" -> ");
        if (arrow >= 0) {
            target = withoutLineEnd(name.sliced(arrow + 4));
            name.truncate(arrow);
        }
        RemoteEntry link{decode(name), EntryKind::Link};
        link.linkTarget = decode(target);
        return ParsedListingLine{ListingForm::Unix, std::move(link)};
    }
    return std::nullopt;
}

// ---- 3. MS-DOS (IIS) --------------------------------------------------------------------
//
// "MM-DD-YY  hh:mmAM" (or a four-digit year, or a 24-hour time), then "<DIR>"
// or the size, then the name. IIS right-aligns the size with one blank before
// the name, so a file's name begins after exactly one blank; after "<DIR>" the
// padding is a run of blanks. Windows keeps no execute permission: programs are
// told by their extension, as Windows itself tells them. The time, on the
// server's clock in a zone nobody names, is not kept.

// Skips a run of blanks at `at`; false when there is none.
bool skipBlanks(QByteArrayView text, qsizetype &at)
{
    const qsizetype from = at;
    while (at < text.size() && text[at] == ' ')
        ++at;
    return at > from;
}

// Skips `count` decimal digits at `at`; false when they are not there.
bool skipDigits(QByteArrayView text, qsizetype &at, int count)
{
    if (digitsAt(text, at, count) < 0)
        return false;
    at += count;
    return true;
}

std::optional<ParsedListingLine> msDosLine(QByteArrayView line, ListingNameDecoder decode)
{
    const QByteArrayView text = withoutLineEnd(line);
    qsizetype at = 0;
    // The date: MM-DD-YY or MM-DD-YYYY.
    if (!skipDigits(text, at, 2) || at >= text.size() || text[at++] != '-'
        || !skipDigits(text, at, 2) || at >= text.size() || text[at++] != '-'
        || !skipDigits(text, at, 2))
        return std::nullopt;
    if (digitsAt(text, at, 2) >= 0)
        at += 2;
    // The time: h:mm or hh:mm, perhaps with AM or PM.
    if (!skipBlanks(text, at) || !skipDigits(text, at, 1))
        return std::nullopt;
    if (digitsAt(text, at, 1) >= 0)
        ++at;
    if (at >= text.size() || text[at++] != ':' || !skipDigits(text, at, 2))
        return std::nullopt;
    bool blank = skipBlanks(text, at);
    if (at + 1 < text.size() && (asciiLower(text[at]) == 'a' || asciiLower(text[at]) == 'p')
        && asciiLower(text[at + 1]) == 'm') {
        at += 2;
        blank = skipBlanks(text, at);
    }
    if (!blank)
        return std::nullopt;

    ParsedListingLine parsed{ListingForm::MsDos, std::nullopt};
    if (text.sliced(at).startsWith("<DIR>")) {
        at += 5;
        if (!skipBlanks(text, at))
            return std::nullopt;
        if (at < text.size())
            parsed.entry = RemoteEntry{decode(text.sliced(at)), EntryKind::Directory};
        return parsed;
    }
    const qsizetype digits = at;
    while (at < text.size() && isDigit(text[at]))
        ++at;
    if (at == digits || at >= text.size() || text[at] != ' ')
        return std::nullopt;
    const qint64 size = kav::text::decimalOrUnknown(text.sliced(digits, at - digits));
    const QByteArrayView name = text.sliced(at + 1);
    if (name.isEmpty())
        return parsed;
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArrayView extension = dot < 0 ? QByteArrayView() : name.sliced(dot + 1);
    const bool program = isWord(extension, "exe") || isWord(extension, "com");
    parsed.entry = RemoteEntry{decode(name), program ? EntryKind::ExecutableFile : EntryKind::PlainFile, size};
    return parsed;
}

// The table: the first form that knows a line decides it.
using LineForm = std::optional<ParsedListingLine> (*)(QByteArrayView, ListingNameDecoder);
constexpr LineForm Forms[] = {factsLine, unixLine, msDosLine};

// For ListFieldTail(), which reads text already decoded.
bool isBlankOrControl(QChar c) { return c.unicode() <= 0x20; }

QString trimmed(const QString &s, qsizetype from = 0)
{
    qsizetype begin = from, end = s.size();
    while (begin < end && isBlankOrControl(s.at(begin)))
        ++begin;
    while (end > begin && isBlankOrControl(s.at(end - 1)))
        --end;
    return s.mid(begin, end - begin);
}

} // namespace

std::optional<ParsedListingLine> parseListingLine(QByteArrayView line, ListingNameDecoder decode)
{
    for (const LineForm form : Forms)
        if (auto parsed = form(line, decode))
            return parsed;
    return std::nullopt;
}

std::optional<RemoteEntry> classifyListingLine(QByteArrayView line, ListingNameDecoder decode)
{
    if (auto parsed = parseListingLine(line, decode))
        return std::move(parsed->entry);
    return std::nullopt;
}

std::optional<ParsedListingLine> parseListingLine(const QString &line)
{
    // The text's own bytes (escaped bytes back as they were) give back the
    // same characters when the name is decoded.
    return parseListingLine(utf8x::encode(line), utf8x::decode);
}

std::optional<RemoteEntry> classifyListingLine(const QString &line)
{
    if (auto parsed = parseListingLine(line))
        return std::move(parsed->entry);
    return std::nullopt;
}

QString ListFieldTail(const QString &line, int n)
{
    if (n < 1)
        return {};
    const QString s = trimmed(line);
    qsizetype pos = 0;
    for (int k = 1; k < n; ++k) {
        const qsizetype space = s.indexOf(QLatin1Char(' '), pos);
        if (space < 0)
            return {};
        pos = space + 1;
        // The rest is trimmed at every step, so blanks and control characters
        // right after a separator belong to it.
        while (pos < s.size() && isBlankOrControl(s.at(pos)))
            ++pos;
        if (pos >= s.size())
            return {};
    }
    return trimmed(s, pos);
}

bool isSafeLocalName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    // "/" separates paths everywhere Qt runs; the native separator too.
    return !name.contains(QChar(0)) && !name.contains(QLatin1Char('/'))
        && !name.contains(QDir::separator());
}

} // namespace kav
