#include "listing.h"
#include "platform/text.h"
#include "platform/utf8x.h"

#include <algorithm>
#include <cstring>
#include <limits>

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
    // The facts end at "; " (or, from a few servers, ";" and a tab).
    qsizetype end = -1;
    for (qsizetype at = 0; (at = indexOf(line, ';', at)) >= 0; ++at)
        if (at + 1 < line.size() && (line[at + 1] == ' ' || line[at + 1] == '\t')) {
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
    } else if (startsWithWord(type, "OS.unix=symlink") || startsWithWord(type, "OS.unix=slink") || isWord(type, "link")
               || startsWithWord(type, "link:")) {
        // ProFTPD: "OS.unix=symlink"; Pure-FTPd: "OS.unix=slink:" and the target;
        // others plainly "link".
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

// ---- tokens and dates --------------------------------------------------------------------
//
// The forms below read a line as tokens separated by runs of blanks. Dates come
// in many spellings: "Dec 10 03:04" and "Mar 04  2020" from ls, "2005-04-08
// 11:22" from ls --time-style=long-iso, localized months ("26. Juli", "23 май",
// "12월 10", "4月 18日 2003年" in the server's encoding, whichever it is: a
// byte beyond ASCII is taken as a letter of the server's language).

struct Span {
    qsizetype from = 0, to = 0;
    qsizetype size() const { return to - from; }
};

// Up to `max` tokens of `text` from `from`; their number.
int tokenize(QByteArrayView text, Span *out, int max, qsizetype from = 0)
{
    int n = 0;
    qsizetype i = from;
    const qsizetype size = text.size();
    while (n < max) {
        while (i < size && text[i] == ' ')
            ++i;
        if (i >= size)
            break;
        const qsizetype start = i;
        while (i < size && text[i] != ' ')
            ++i;
        out[n++] = {start, i};
    }
    return n;
}

// The first columns of a line without its line end, for the forms read by
// columns: at(k) is column k (empty past the last one read).
template <int Max>
struct Columns {
    explicit Columns(QByteArrayView line) : text(withoutLineEnd(line)), count(tokenize(text, tok, Max)) {}
    // At least `n` columns, the first at the start of the line.
    bool atLeast(int n) const { return count >= n && count > 0 && tok[0].from == 0; }
    QByteArrayView operator()(int k) const
    {
        return k < count ? text.sliced(tok[k].from, tok[k].size()) : QByteArrayView();
    }

    QByteArrayView text;
    Span tok[Max];
    int count;
};

bool isHigh(char c) { return uchar(c) >= 0x80; }
bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The number of decimal digits `t` begins with.
qsizetype leadingDigits(QByteArrayView t)
{
    qsizetype n = 0;
    while (n < t.size() && isDigit(t[n]))
        ++n;
    return n;
}

int numberOf(QByteArrayView digits)
{
    int n = 0;
    for (const char c : digits)
        n = n * 10 + (c - '0');
    return n;
}

// A localized unit after a number ("월", "月", "日", "年", "년"): it begins with a
// byte beyond ASCII (in Shift-JIS its second byte may be ASCII).
bool isLocalSuffix(QByteArrayView t) { return !t.isEmpty() && isHigh(t[0]); }

// 1 to 2 digits with a value in [low, high], then nothing or what `rest` allows.
bool smallNumber(QByteArrayView t, int low, int high, bool (*rest)(QByteArrayView))
{
    const qsizetype n = leadingDigits(t);
    if (n < 1 || n > 2)
        return false;
    const int v = numberOf(t.first(n));
    if (v < low || v > high)
        return false;
    return n == t.size() || (rest && rest(t.sliced(n)));
}

bool isDayMark(QByteArrayView r) { return r == "." || r == "," || isLocalSuffix(r); }
bool isPlainDay(QByteArrayView t) { return smallNumber(t, 1, 31, nullptr); }
bool isDay(QByteArrayView t) { return smallNumber(t, 1, 31, isDayMark); }

// An English month, abbreviated or whole ("Dec", "Sept", "July", "Dec."), any case.
bool isEnglishMonth(QByteArrayView t)
{
    while (!t.isEmpty() && (t.back() == '.' || t.back() == ','))
        t.chop(1);
    if (t.size() < 3 || t.size() > 9)
        return false;
    for (const char c : t)
        if (!isAsciiLetter(c))
            return false;
    // The first three letters, lower case, as one number: a look-up, not twelve comparisons.
    const auto key = [](char a, char b, char c) { return (uint(uchar(a)) << 16) | (uint(uchar(b)) << 8) | uchar(c); };
    static constexpr const char Months[] = "janfebmaraprmayjunjulaugsepoctnovdec";
    const uint k = key(asciiLower(t[0]), asciiLower(t[1]), asciiLower(t[2]));
    for (int m = 0; m < 12; ++m)
        if (k == key(Months[3 * m], Months[3 * m + 1], Months[3 * m + 2]))
            return true;
    return false;
}

// A month in another language: a short word of letters ("Okt.", "mai", "szept",
// "май"), or a number of 1 to 12 with a localized unit ("12월", "4月").
bool isLocalMonth(QByteArrayView t)
{
    if (smallNumber(t, 1, 12, isLocalSuffix) && leadingDigits(t) < t.size())
        return true;
    while (!t.isEmpty() && (t.back() == '.' || t.back() == ','))
        t.chop(1);
    if (t.size() < 3 || t.size() > 12)
        return false;
    for (const char c : t)
        if (!isAsciiLetter(c) && !isHigh(c))
            return false;
    return true;
}

// h:mm or hh:mm, perhaps with seconds and their fractions; 24:00 is midnight.
bool isTime(QByteArrayView t)
{
    const qsizetype h = leadingDigits(t);
    if (h < 1 || h > 2 || h >= t.size() || t[h] != ':' || numberOf(t.first(h)) > 24)
        return false;
    t = t.sliced(h + 1);
    const qsizetype m = leadingDigits(t);
    if (m < 1 || m > 2 || numberOf(t.first(m)) > 59)
        return false;
    if (m == t.size())
        return true;
    if (t[m] != ':' || leadingDigits(t.sliced(m + 1)) != 2)
        return false;
    t = t.sliced(m + 3);
    if (t.isEmpty())
        return true;
    return t[0] == '.' && t.size() > 1 && leadingDigits(t.sliced(1)) == t.size() - 1;
}

bool isYear(QByteArrayView t)
{
    if (leadingDigits(t) != 4 || (t.size() > 4 && !isLocalSuffix(t.sliced(4))))
        return false;
    const int y = numberOf(t.first(4));
    return y >= 1600 && y <= 2199;
}

bool isTimeOrYear(QByteArrayView t) { return isTime(t) || isYear(t); }

// A time zone after a full ISO time: "+0200", "-0500".
bool isZone(QByteArrayView t)
{
    return t.size() == 5 && (t[0] == '+' || t[0] == '-') && leadingDigits(t.sliced(1)) == 4;
}

enum class NumericDate { None, DayAndMonth, Full };

// A date written with numbers and one kind of separator: 2005-04-08,
// 1999/10/12, 2004.07.15, 24-04-2003, 02/23/00, 18.09.06, 01-jun-99, or only
// the month and day: 09-26.
NumericDate numericDate(QByteArrayView t)
{
    if (t.isEmpty() || !isDigit(t[0]))
        return NumericDate::None;
    const qsizetype a = leadingDigits(t);
    if (a >= t.size())
        return NumericDate::None;
    const char sep = t[a];
    if (sep != '-' && sep != '/' && sep != '.')
        return NumericDate::None;
    QByteArrayView parts[3];
    int count = 0;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= t.size(); ++i)
        if (i == t.size() || t[i] == sep) {
            if (count == 3)
                return NumericDate::None;
            parts[count++] = t.sliced(from, i - from);
            from = i + 1;
        }
    const auto digits = [](QByteArrayView p, qsizetype lo, qsizetype hi) {
        return p.size() >= lo && p.size() <= hi && leadingDigits(p) == p.size();
    };
    const auto inRange = [](QByteArrayView p, int lo, int hi) {
        const int v = numberOf(p);
        return v >= lo && v <= hi;
    };
    if (count == 2)
        return digits(parts[0], 2, 2) && digits(parts[1], 2, 2) && inRange(parts[0], 1, 12) && inRange(parts[1], 1, 31)
                   ? NumericDate::DayAndMonth
                   : NumericDate::None;
    if (count != 3)
        return NumericDate::None;
    if (digits(parts[0], 4, 4))   // year first: month, day
        return digits(parts[1], 1, 2) && digits(parts[2], 1, 2) && inRange(parts[1], 1, 12) && inRange(parts[2], 1, 31)
                   ? NumericDate::Full
                   : NumericDate::None;
    if (!digits(parts[0], 1, 2) || !(digits(parts[2], 2, 2) || digits(parts[2], 4, 4)))
        return NumericDate::None;
    if (isEnglishMonth(parts[1]))   // 01-jun-99
        return inRange(parts[0], 1, 31) ? NumericDate::Full : NumericDate::None;
    if (!digits(parts[1], 1, 2))
        return NumericDate::None;
    // Day and month in either order: one of them at most 12, both at most 31.
    const int x = numberOf(parts[0]), y = numberOf(parts[1]);
    return x >= 1 && y >= 1 && x <= 31 && y <= 31 && (x <= 12 || y <= 12) ? NumericDate::Full : NumericDate::None;
}

// How a size may be written in front of the date. A plain number is the size;
// a negative one, one in kilobytes ("33.5k") or one glued to the group
// ("ftpadmin125435904") still marks where the date begins, but says no exact
// size: the size is unknown rather than a guess.
bool isSizeLike(QByteArrayView t, qint64 *size)
{
    *size = -1;
    if (t.isEmpty())
        return false;
    const qsizetype n = leadingDigits(t);
    if (n == t.size()) {
        *size = kav::text::decimalOrUnknown(t);
        return true;
    }
    if (t[0] == '-')
        return t.size() > 1 && leadingDigits(t.sliced(1)) == t.size() - 1;
    if (n > 0) {   // 33.5k, 12M
        qsizetype i = n;
        if (t[i] == '.') {
            const qsizetype f = leadingDigits(t.sliced(i + 1));
            if (f == 0)
                return false;
            i += 1 + f;
        }
        return i + 1 == t.size() && QByteArrayView("kKmMgG").contains(t[i]);
    }
    qsizetype d = t.size();
    while (d > 0 && isDigit(t[d - 1]))
        --d;
    return d < t.size() && isAsciiLetter(t[d - 1]);
}

// ---- 2. UNIX "ls -l" ------------------------------------------------------------------

// The name of a UNIX listing line: everything after the single blank that
// follows the date (field 8), its own blanks kept; only the line end is removed.
// Empty when the line has fewer than nine fields. `fields` gets where fields 5
// to 8 are (the size and the date).
QByteArrayView listingName(QByteArrayView line, Span *fields)
{
    // Fields 1 to 8 end with the date; their separators are runs of blanks.
    qsizetype pos = 0;
    for (int k = 1; k < 8; ++k) {
        const qsizetype space = indexOf(line, ' ', pos);
        if (space < 0)
            return {};
        if (k >= 5)
            fields[k - 5].to = space;
        pos = space + 1;
        while (pos < line.size() && isBlankOrControl(line[pos]))
            ++pos;
        if (pos >= line.size())
            return {};
        if (k >= 4)
            fields[k - 4].from = pos;
    }
    const qsizetype separator = indexOf(line, ' ', pos);
    if (separator < 0)
        return {};
    fields[3].to = separator;
    // The name's own blanks at either end are part of it (" leading.txt",
    // "trailing.txt "): the server knows the file by exactly these characters.
    return withoutLineEnd(line.sliced(separator + 1));
}

bool isTypeLetter(char c)
{
    switch (c) {
    case '-': case 'd': case 'l': case 'f': case 'a': case 'b': case 'c': case 'p': case 's': case 'D': case 'n': case 'w':
        return true;
    default:
        return false;
    }
}

// The mode: the type letter, then the permissions (nine letters, seven on
// HylaFAX), perhaps an ACL or attribute mark ("+", "@", "."), perhaps the link
// count glued on ("drwxr-x---+1464"). NetWare's "d [R----F--]" and a cut
// MS-DOS line ("-08-14") are no modes.
bool isMode(QByteArrayView t)
{
    // Connect:Enterprise: "-C--E-----FTP", its own letters in place of permissions.
    if (t.size() == 13 && t[0] == '-' && t.endsWith("FTP")) {
        for (const char c : t.sliced(1, 9))
            if (c != '-' && !(c >= 'A' && c <= 'Z'))
                return false;
        return true;
    }
    const auto isPermission = [](char c) {
        switch (c) {
        case '-': case 'r': case 'w': case 'x': case 's': case 'S': case 't': case 'T': case 'l': case 'L':
            return true;
        default:
            return false;
        }
    };
    if (t.size() < 7 || !isTypeLetter(t[0]))
        return false;
    qsizetype i = 1;
    while (i < t.size() && i <= 9 && isPermission(t[i]))
        ++i;
    if (i < 7)
        return false;
    if (i < t.size() && (t[i] == '+' || t[i] == '@' || t[i] == '.'))
        ++i;
    return leadingDigits(t.sliced(i)) == t.size() - i;
}

enum class UnixKind { File, Directory, Link, Device };

UnixKind unixKind(char type)
{
    switch (type) {
    case 'd':
        return UnixKind::Directory;
    case 'l':
        return UnixKind::Link;
    case '-':
    case 'f':   // a file, as some servers mark it
    case 'a':   // Plan 9's append-only file
        return UnixKind::File;
    default:    // block and character devices, pipes, sockets, doors, whiteouts
        return UnixKind::Device;
    }
}

// The date run that begins at token i, strict (English months, numeric dates)
// or loose (localized months, a date without a time); the number of its
// tokens, 0 when none begins there, and whether the name after it is separated
// by padding (a date written without its time column).
struct DateRun {
    int tokens = 0;
    bool padded = false;
};

DateRun dateRunAt(QByteArrayView text, const Span *tok, int count, int i, bool loose)
{
    const auto at = [&](int k) { return k < count ? text.sliced(tok[k].from, tok[k].size()) : QByteArrayView(); };
    const QByteArrayView a = at(i), b = at(i + 1), c = at(i + 2), d = at(i + 3);
    const auto month = [&](QByteArrayView t) { return isEnglishMonth(t) || (loose && isLocalMonth(t)); };
    // "Oct 08, 2002 09:47": a year and a time.
    if (month(a) && b.endsWith(',') && isPlainDay(b.first(b.size() - 1)) && isYear(c) && isTime(d))
        return {4, false};
    if (month(a) && (loose ? isDay(b) : isPlainDay(b)) && isTimeOrYear(c))
        return {3, false};
    // "26. Juli, 20:10", "01 oct 2004". ls in such a language pads the whole
    // date to one width after it: "4. Mär 2019  old.txt" beside "11. Dez 03:27 x".
    if (isDay(a) && month(b) && isTimeOrYear(c))
        return {3, isYear(c)};
    const NumericDate numeric = numericDate(a);
    if (numeric != NumericDate::None && isTimeOrYear(b)) {
        if (numeric == NumericDate::Full && isTime(b) && isZone(c))   // --time-style=full-iso
            return {3, false};
        if (numeric == NumericDate::Full || !isYear(b) || loose)
            return {2, false};
    }
    if (!loose)
        return {};
    if (isYear(a) && (isLocalMonth(b) || smallNumber(b, 1, 12, nullptr)) && isDay(c))   // "2019년  3월  4일"
        return {3, true};
    if (smallNumber(a, 1, 12, nullptr) && isPlainDay(b) && isTime(c))   // "3 29 03:26"
        return {3, false};
    if (numeric == NumericDate::Full)   // "2004.07.15   name"
        return {1, true};
    return {};
}

// The name after a date run that ends at `end`: after exactly one blank (a
// padded run: after all of them); empty when nothing follows.
QByteArrayView nameAfter(QByteArrayView text, qsizetype end, bool padded)
{
    if (end >= text.size() || text[end] != ' ')
        return {};
    ++end;
    if (padded)
        while (end < text.size() && text[end] == ' ')
            ++end;
    return text.sliced(end);
}

bool isAllBlank(QByteArrayView t)
{
    for (const char c : t)
        if (c != ' ' && c != '\t')
            return false;
    return true;
}

struct UnixFields {
    QByteArrayView name;
    qint64 size = -1;
    qsizetype dateFrom = -1, dateTo = -1;
};

// The rule of fields: the size is field 5, the date fields 6 to 8, the name
// the rest. Taken only when those fields are what the rule says they are.
std::optional<UnixFields> unixByFields(QByteArrayView line)
{
    Span f[4];   // fields 5 to 8
    const QByteArrayView name = listingName(line, f);
    if (name.isEmpty())
        return std::nullopt;
    const auto field = [&](int k) { return line.sliced(f[k].from, f[k].size()); };
    UnixFields out;
    const QByteArrayView month = field(1);
    if (!isSizeLike(field(0), &out.size)
        || !(isEnglishMonth(month) || isLocalMonth(month) || smallNumber(month, 1, 12, nullptr))
        || !(isPlainDay(field(2)) || smallNumber(field(2), 1, 31, isLocalSuffix)) || !isTimeOrYear(field(3)))
        return std::nullopt;
    out.name = name;
    out.dateFrom = f[1].from;
    out.dateTo = f[3].to;
    return out;
}

// The rule of the date: the first place, after the mode, where a size is
// followed by a date; strict dates first, so that an owner named like a month
// in some language never passes for one.
std::optional<UnixFields> unixByDate(QByteArrayView text, const Span &mode)
{
    constexpr int MaxTokens = 28;   // owner and group with blanks: a dozen tokens at most
    Span tok[MaxTokens];
    const int count = tokenize(text, tok, MaxTokens, mode.to);
    for (const bool loose : {false, true}) {
        for (int i = 1; i < count; ++i) {
            UnixFields out;
            if (!isSizeLike(text.sliced(tok[i - 1].from, tok[i - 1].size()), &out.size))
                continue;
            const DateRun run = dateRunAt(text, tok, count, i, loose);
            if (run.tokens == 0)
                continue;
            out.dateFrom = tok[i].from;
            out.dateTo = tok[i + run.tokens - 1].to;
            out.name = nameAfter(text, out.dateTo, run.padded);
            if (out.name.isEmpty() || isAllBlank(out.name))
                return std::nullopt;   // a date with nothing after it: no name to guess
            return out;
        }
    }
    return std::nullopt;
}

std::optional<ParsedListingLine> unixLine(QByteArrayView line, ListingNameDecoder decode)
{
    const QByteArrayView text = withoutLineEnd(line);
    Span mode;
    if (tokenize(text, &mode, 1) != 1 || mode.from != 0 || !isMode(text.first(mode.to)))
        return std::nullopt;
    const UnixKind kind = unixKind(text[0]);
    ParsedListingLine parsed{ListingForm::Unix, std::nullopt};
    if (kind == UnixKind::Device)
        return parsed;   // a device is nothing to list, and no other line's entry
    std::optional<UnixFields> fields = unixByFields(line);
    if (!fields)
        fields = unixByDate(text, mode);
    if (!fields || fields->name.isEmpty() || isAllBlank(fields->name))
        return std::nullopt;
    parsed.dateFrom = fields->dateFrom;
    parsed.dateTo = fields->dateTo;
    QByteArrayView name = fields->name;
    switch (kind) {
    case UnixKind::File: {
        const QByteArrayView permissions = text.first(std::min<qsizetype>(mode.to, 10));
        const bool executable = indexOf(permissions, 'x', 1) >= 0;
        parsed.entry = RemoteEntry{decode(name), executable ? EntryKind::ExecutableFile : EntryKind::PlainFile,
                                   fields->size};
        break;
    }
    case UnixKind::Directory:
        parsed.entry = RemoteEntry{decode(name), EntryKind::Directory};
        break;
    case UnixKind::Link: {
        // "name -> target": the link is known by its name. Whether it leads to a
        // directory only a CWD can tell.
        QByteArrayView target;
        const qsizetype arrow = name.indexOf(" -> ");
        if (arrow >= 0) {
            target = withoutLineEnd(name.sliced(arrow + 4));
            name.truncate(arrow);
        }
        if (name.isEmpty())
            return std::nullopt;
        RemoteEntry link{decode(name), EntryKind::Link};
        link.linkTarget = decode(target);
        parsed.entry = std::move(link);
        break;
    }
    case UnixKind::Device:
        break;
    }
    return parsed;
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

// The size of an MS-DOS line, perhaps with thousands separators ("1,234,567"),
// from `at` up to a blank; -1 when it is none.
qint64 msDosSize(QByteArrayView text, qsizetype &at)
{
    const qsizetype from = at;
    qint64 size = 0;
    int group = -1;   // digits since the last separator; -1 before the first one
    while (at < text.size() && text[at] != ' ') {
        const char c = text[at];
        if (c == ',') {
            if (at == from || (group >= 0 && group != 3))
                return -1;
            group = 0;
        } else if (isDigit(c)) {
            if (size > (std::numeric_limits<qint64>::max() - 9) / 10)
                return -1;
            size = size * 10 + (c - '0');
            if (group >= 0)
                ++group;
        } else {
            return -1;
        }
        ++at;
    }
    return at > from && group != 0 && (group < 0 || group == 3) ? size : -1;
}

std::optional<ParsedListingLine> msDosLine(QByteArrayView line, ListingNameDecoder decode)
{
    const QByteArrayView text = withoutLineEnd(line);
    qsizetype at = 0;
    // The date: MM-DD-YY, MM-DD-YYYY, or YYYY-MM-DD.
    if (digitsAt(text, 0, 4) >= 0 && text.size() > 4 && text[4] == '-') {
        at = 5;
        if (!skipDigits(text, at, 2) || at >= text.size() || text[at++] != '-' || !skipDigits(text, at, 2))
            return std::nullopt;
    } else {
        if (!skipDigits(text, at, 2) || at >= text.size() || text[at++] != '-'
            || !skipDigits(text, at, 2) || at >= text.size() || text[at++] != '-'
            || !skipDigits(text, at, 2))
            return std::nullopt;
        if (digitsAt(text, at, 2) >= 0)
            at += 2;
    }
    // The time: h:mm or hh:mm, perhaps with AM or PM (Windows CE: 24 hours).
    if (!skipBlanks(text, at) || !skipDigits(text, at, 1))
        return std::nullopt;
    if (digitsAt(text, at, 1) >= 0)
        ++at;
    if (at >= text.size() || text[at++] != ':' || !skipDigits(text, at, 2))
        return std::nullopt;
    qsizetype dateTo = at;
    bool blank = skipBlanks(text, at);
    if (at + 1 < text.size() && (asciiLower(text[at]) == 'a' || asciiLower(text[at]) == 'p')
        && asciiLower(text[at + 1]) == 'm') {
        at += 2;
        dateTo = at;
        blank = skipBlanks(text, at);
    }
    if (!blank)
        return std::nullopt;

    ParsedListingLine parsed{ListingForm::MsDos, std::nullopt, 0, dateTo};
    if (text.sliced(at).startsWith("<DIR>")) {
        at += 5;
        if (!skipBlanks(text, at) || at >= text.size() || isAllBlank(text.sliced(at)))
            return std::nullopt;
        parsed.entry = RemoteEntry{decode(text.sliced(at)), EntryKind::Directory};
        return parsed;
    }
    const qint64 size = msDosSize(text, at);
    if (size < 0 || at >= text.size())
        return std::nullopt;
    const QByteArrayView name = text.sliced(at + 1);
    if (name.isEmpty() || isAllBlank(name))
        return std::nullopt;
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArrayView extension = dot < 0 ? QByteArrayView() : name.sliced(dot + 1);
    const bool program = isWord(extension, "exe") || isWord(extension, "com");
    parsed.entry = RemoteEntry{decode(name), program ? EntryKind::ExecutableFile : EntryKind::PlainFile, size};
    return parsed;
}

// ---- 4. EPLF ------------------------------------------------------------------------------
//
// "+" and facts separated by commas, a tab, the name: "/" the entry can be
// entered, "r" retrieved, "s" its size, "m" its time in seconds since 1970
// (UTC), "up" its UNIX mode.

std::optional<ParsedListingLine> eplfLine(QByteArrayView line, ListingNameDecoder decode)
{
    const QByteArrayView text = withoutLineEnd(line);
    const qsizetype tab = indexOf(text, '\t');
    if (text.size() < 2 || text[0] != '+' || tab < 0)
        return std::nullopt;
    ParsedListingLine parsed{ListingForm::Eplf, std::nullopt};
    bool directory = false, retrievable = false;
    qint64 size = -1;
    std::optional<int> mode;
    QDateTime modified;
    for (qsizetype at = 1; at < tab;) {
        qsizetype end = indexOf(text.first(tab), ',', at);
        if (end < 0)
            end = tab;
        const QByteArrayView fact = text.sliced(at, end - at);
        at = end + 1;
        if (fact.isEmpty())
            continue;
        const QByteArrayView value = fact.sliced(1);
        switch (fact[0]) {
        case '/':
            directory = true;
            break;
        case 'r':
            retrievable = true;
            break;
        case 's':
            size = kav::text::decimalOrUnknown(value);
            break;
        case 'm':
            if (const qint64 seconds = kav::text::decimalOrUnknown(value); seconds >= 0 && seconds < (qint64(1) << 40))
                modified = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
            break;
        case 'u':
            if (value.startsWith('p'))
                mode = octalMode(value.sliced(1));
            break;
        default:
            break;
        }
    }
    const QByteArrayView name = text.sliced(tab + 1);
    if (name.isEmpty())
        return std::nullopt;
    if (directory)
        parsed.entry = RemoteEntry{decode(name), EntryKind::Directory, -1, modified};
    else if (retrievable)
        parsed.entry = RemoteEntry{decode(name), mode && lsShowsExecute(*mode) ? EntryKind::ExecutableFile
                                                                               : EntryKind::PlainFile,
                                   size, modified};
    return parsed;
}

// ---- 5. VMS ------------------------------------------------------------------------------
//
// "NAME.EXT;version", then the size in blocks ("155", "2/8" used of allocated,
// "2KB"), the date "19-NOV-2001" and perhaps its time, the owner "[GROUP,USER]"
// and the protection "(RWED,RWED,RE,)", in either order of size and date. A
// directory is "NAME.DIR;1" and is entered as NAME. Blocks are no byte count,
// so the size is unknown. A file keeps its version: that is its whole name.

bool isVmsDate(QByteArrayView t)
{
    const qsizetype d = leadingDigits(t);
    if (d < 1 || d > 2 || t.size() != d + 1 + 3 + 1 + 4 || t[d] != '-' || t[d + 4] != '-')
        return false;
    const QByteArrayView month = t.sliced(d + 1, 3);
    return isLocalMonth(month) && leadingDigits(t.sliced(d + 5)) == 4;
}

bool isVmsSize(QByteArrayView t)
{
    const qsizetype n = leadingDigits(t);
    if (n == 0)
        return false;
    if (n == t.size())
        return true;
    const QByteArrayView rest = t.sliced(n);
    if (rest[0] == '/')
        return rest.size() > 1 && leadingDigits(rest.sliced(1)) == rest.size() - 1;
    return isWord(rest, "KB") || isWord(rest, "MB") || isWord(rest, "GB");
}

std::optional<ParsedListingLine> vmsLine(QByteArrayView line, ListingNameDecoder decode)
{
    const Columns<6> at(line);
    if (!at.atLeast(3))
        return std::nullopt;
    const QByteArrayView file = at(0);
    const qsizetype semicolon = file.lastIndexOf(';');
    if (semicolon <= 0 || semicolon + 1 >= file.size() || leadingDigits(file.sliced(semicolon + 1)) != file.size() - semicolon - 1)
        return std::nullopt;
    // The size and the date among the next tokens (an owner may come first).
    int date = -1;
    bool sized = false;
    for (int k = 1; k < at.count; ++k) {
        if (date < 0 && isVmsDate(at(k)))
            date = k;
        else if (isVmsSize(at(k)))
            sized = true;
    }
    if (date < 0 || !sized)
        return std::nullopt;
    ParsedListingLine parsed{ListingForm::Vms, std::nullopt, at.tok[date].from, at.tok[date].to};
    if (date + 1 < at.count && isTime(at(date + 1)))
        parsed.dateTo = at.tok[date + 1].to;
    const QByteArrayView base = file.first(semicolon);
    if (base.size() > 4 && isWord(base.last(4), ".DIR"))
        parsed.entry = RemoteEntry{decode(base.first(base.size() - 4)), EntryKind::Directory};
    else
        parsed.entry = RemoteEntry{decode(file), EntryKind::PlainFile};
    return parsed;
}

// ---- 6. OS/400 -----------------------------------------------------------------------------
//
// The owner, the size, the date (02/23/00 or 23.02.00) and time, the object
// type ("*DIR", "*FILE", "*STMF", "*MEM", ...), the name; a name ending in "/"
// is a directory, as are libraries and folders. Members are listed without a
// size or date ("QPGMR  *MEM  LIB.LIB/FILE.FILE/MBR.MBR").

std::optional<ParsedListingLine> os400Line(QByteArrayView line, ListingNameDecoder decode)
{
    const Columns<6> at(line);
    if (!at.atLeast(3))
        return std::nullopt;
    int type = 1;
    ParsedListingLine parsed{ListingForm::Os400, std::nullopt};
    qint64 size = -1;
    if (at.count >= 6 && leadingDigits(at(1)) == at(1).size() && numericDate(at(2)) == NumericDate::Full && isTime(at(3))) {
        size = kav::text::decimalOrUnknown(at(1));
        parsed.dateFrom = at.tok[2].from;
        parsed.dateTo = at.tok[3].to;
        type = 4;
    }
    const QByteArrayView object = at(type);
    if (object.size() < 2 || object[0] != '*' || type + 1 >= at.count)
        return std::nullopt;
    for (const char c : object.sliced(1))
        if (!(c >= 'A' && c <= 'Z') && !isDigit(c))
            return std::nullopt;
    QByteArrayView name = at.text.sliced(at.tok[type + 1].from);
    bool directory = isWord(object, "*DIR") || isWord(object, "*LIB") || isWord(object, "*FLR");
    if (name.endsWith('/')) {
        directory = true;
        name.chop(1);
    }
    // A stream file may be listed by its whole path: it is known here by its last part.
    if (const qsizetype slash = name.lastIndexOf('/'); slash >= 0 && name.startsWith('/'))
        name = name.sliced(slash + 1);
    if (name.isEmpty())
        return std::nullopt;
    parsed.entry = directory ? RemoteEntry{decode(name), EntryKind::Directory}
                             : RemoteEntry{decode(name), EntryKind::PlainFile, size};
    return parsed;
}

// ---- 7. MVS ------------------------------------------------------------------------------
//
// Data sets: "Volume Unit Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname"; a
// partitioned data set (PO, PO-E) is entered like a directory, every other
// one is a file; one migrated to tape shows only "Migrated" and its name. The
// members of a partitioned data set: "Name VV.MM Created Changed Size Init
// Mod Id" (the size counts records, not bytes). The names hold no blanks.

bool isUpperWord(QByteArrayView t)
{
    if (t.isEmpty())
        return false;
    for (const char c : t)
        if (!(c >= 'A' && c <= 'Z') && !isDigit(c) && c != '#' && c != '$' && c != '@')
            return false;
    return true;
}

std::optional<ParsedListingLine> mvsLine(QByteArrayView line, ListingNameDecoder decode)
{
    constexpr int MaxTokens = 12;
    const Columns<MaxTokens> at(line);
    if (!at.atLeast(2))
        return std::nullopt;
    ParsedListingLine parsed{ListingForm::Mvs, std::nullopt};
    if (startsWithWord(at.text, "Volume Unit") || startsWithWord(at.text, "Name     VV.MM")
        || (at(0) == "Name" && at.count >= 3 && at(1) == "VV.MM")) {
        parsed.form = ListingForm::Note;
        return parsed;
    }
    // A migrated data set: "Migrated", then its name.
    if (at.count == 2 && isWord(at(0), "Migrated")) {
        parsed.entry = RemoteEntry{decode(at(1)), EntryKind::PlainFile};
        return parsed;
    }
    // A member: name, version "01.01", created and changed dates, time, sizes, owner.
    if (at.count >= 6 && at(1).size() == 5 && at(1)[2] == '.' && leadingDigits(at(1)) == 2
        && numericDate(at(2)) == NumericDate::Full && numericDate(at(3)) == NumericDate::Full && isTime(at(4))) {
        parsed.dateFrom = at.tok[3].from;
        parsed.dateTo = at.tok[4].to;
        parsed.entry = RemoteEntry{decode(at(0)), EntryKind::PlainFile};
        return parsed;
    }
    // A data set: the volume and the unit ("3390", "Tape"), then the name last.
    const bool unit = (leadingDigits(at(1)) == 4 && at(1).size() == 4) || isWord(at(1), "Tape");
    if (at.count < 3 || !isUpperWord(at(0)) || at(0).size() > 6 || !unit)
        return std::nullopt;
    if (at.count >= MaxTokens)
        return std::nullopt;
    const QByteArrayView dsorg = at.count >= 4 ? at(at.count - 2) : QByteArrayView();
    // The date MVS writes is year first (2003/05/21), and a dated line has
    // all of its nine or ten columns.
    if (at.count >= 8 && leadingDigits(at(2)) == 4 && numericDate(at(2)) == NumericDate::Full) {
        parsed.dateFrom = at.tok[2].from;
        parsed.dateTo = at.tok[2].to;
    } else if (!(at(2) == "**NONE**" || isWord(at(2), "VSAM") || isWord(at(1), "Tape"))) {
        return std::nullopt;
    }
    const bool partitioned = isWord(dsorg, "PO") || isWord(dsorg, "PO-E");
    parsed.entry = RemoteEntry{decode(at(at.count - 1)), partitioned ? EntryKind::Directory : EntryKind::PlainFile};
    return parsed;
}

// ---- 8. Tandem (HP NonStop) ----------------------------------------------------------------
//
// "File Code EOF Last-Modification Owner RWEP", then per file its name, file
// code, size ("end of file" in bytes), date "6-Apr-07", time, owner "255, 0"
// or "255,255", and its security in quotes.

bool isTandemDate(QByteArrayView t)
{
    const qsizetype d = leadingDigits(t);
    return d >= 1 && d <= 2 && t.size() == d + 7 && t[d] == '-' && t[d + 4] == '-'
        && isEnglishMonth(t.sliced(d + 1, 3)) && leadingDigits(t.sliced(d + 5)) == 2;
}

std::optional<ParsedListingLine> tandemLine(QByteArrayView line, ListingNameDecoder decode)
{
    const Columns<8> at(line);
    if (!at.atLeast(6))
        return std::nullopt;
    if (at(0) == "File" && at(1) == "Code" && at(2) == "EOF")
        return ParsedListingLine{ListingForm::Note, std::nullopt};
    if (leadingDigits(at(1)) == 0 || leadingDigits(at(2)) != at(2).size() || !isTandemDate(at(3)) || !isTime(at(4))
        || !at.text.endsWith('"'))
        return std::nullopt;
    ParsedListingLine parsed{ListingForm::Tandem, std::nullopt, at.tok[3].from, at.tok[4].to};
    parsed.entry = RemoteEntry{decode(at(0)), EntryKind::PlainFile, kav::text::decimalOrUnknown(at(2))};
    return parsed;
}

// ---- lines that name nothing ---------------------------------------------------------------
//
// Blank lines; "total 12" at the head of ls; VMS's "Directory DISK$USER:[NAME]"
// and "Total of 3 files, 10 blocks."

std::optional<ParsedListingLine> noteLine(QByteArrayView line, ListingNameDecoder)
{
    const Columns<3> at(line);
    const ParsedListingLine note{ListingForm::Note, std::nullopt};
    if (isAllBlank(at.text))
        return note;
    if (!at.atLeast(1))
        return std::nullopt;
    // "total 12", in the server's language too ("합계 12", "insgesamt 12").
    if (at.count == 2 && leadingDigits(at(1)) == at(1).size() && isLocalMonth(at(0)))
        return note;
    if (at.count >= 2 && at(0) == "Total")   // VMS: "Total of 3 files, 10 blocks.", "Total 14 files"
        return note;
    if (at.count == 2 && at(0) == "Directory" && at(1).endsWith(']'))
        return note;
    return std::nullopt;
}

// The table: the first form that knows a line decides it.
using LineForm = std::optional<ParsedListingLine> (*)(QByteArrayView, ListingNameDecoder);
constexpr LineForm Forms[] = {factsLine, unixLine, msDosLine, noteLine, eplfLine, vmsLine, os400Line, mvsLine, tandemLine};

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
        if (auto parsed = form(line, decode)) {
            // The listed directory and its parent ("ls -a") are not entries: the
            // directory list has its own way up.
            if (parsed->entry && (parsed->entry->name == QLatin1String(".") || parsed->entry->name == QLatin1String("..")))
                parsed->entry.reset();
            return parsed;
        }
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

QString unreadListingLinesNote(int count)
{
    return QStringLiteral("디렉토리 목록에서 %1줄을 읽지 못했습니다").arg(count);
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
