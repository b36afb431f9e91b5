#include "listing.h"

#include <QDir>

namespace kav {
namespace {

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

// The line without its line end; every other character, blanks included, stays.
QStringView withoutLineEnd(QStringView line)
{
    qsizetype end = line.size();
    while (end > 0 && (line.at(end - 1) == QLatin1Char('\r') || line.at(end - 1) == QLatin1Char('\n')))
        --end;
    return line.left(end);
}

// Field n (1-based) alone, as ListFieldTail() counts fields, without copying.
QStringView fieldAt(QStringView line, int n)
{
    qsizetype i = 0;
    const qsizetype size = line.size();
    for (int k = 1;; ++k) {
        while (i < size && isBlankOrControl(line.at(i)))
            ++i;
        if (i >= size)
            return {};
        const qsizetype start = i;
        while (i < size && line.at(i) != QLatin1Char(' '))
            ++i;
        if (k == n)
            return line.mid(start, i - start);
    }
}

// A size: decimal digits only; anything else (a device's "1,", a sign, a
// field of a line of another shape) gives none rather than a wrong one.
qint64 decimalOrUnknown(QStringView digits)
{
    if (digits.isEmpty())
        return -1;
    for (const QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
    bool ok = false;
    const qint64 n = digits.toLongLong(&ok);
    return ok ? n : -1;
}

// ---- 1. machine-readable facts (MLSD) -----------------------------------------------
//
// "fact=value;fact=value; name": facts, each ended by ";", then one space and
// the name exactly as it is (blanks at either end are part of it). A value
// never holds ";", so the facts end at the first "; ". Fact names hold no
// blank, which keeps a UNIX line naming "a=b; c" out. Fact names and the
// type's value are case-insensitive.

bool isFactList(QStringView facts)
{
    if (facts.isEmpty() || !facts.endsWith(QLatin1Char(';')))
        return false;
    for (qsizetype at = 0; at < facts.size();) {
        const qsizetype end = facts.indexOf(QLatin1Char(';'), at);
        const QStringView fact = facts.mid(at, end - at);
        at = end + 1;
        const qsizetype equals = fact.indexOf(QLatin1Char('='));
        if (equals <= 0 || fact.left(equals).contains(QLatin1Char(' ')))
            return false;
    }
    return true;
}

// UNIX.mode as servers write it: "0755" (ProFTPD, Pure-FTPd), "0o755"
// (pyftpdlib, Python's own notation), "755".
std::optional<int> octalMode(QStringView value)
{
    if (value.startsWith(QLatin1String("0o"), Qt::CaseInsensitive))
        value = value.mid(2);
    bool ok = false;
    const int mode = value.toInt(&ok, 8);
    if (!ok || mode < 0)
        return std::nullopt;
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
int digitsAt(QStringView text, qsizetype from, int count)
{
    if (from + count > text.size())
        return -1;
    int n = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}

QDateTime factTime(QStringView value)
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

std::optional<ParsedListingLine> factsLine(const QString &line)
{
    const qsizetype end = line.indexOf(QLatin1String("; "));
    if (end <= 0)
        return std::nullopt;
    const qsizetype space = end + 1;
    const QStringView facts = QStringView(line).left(space);
    if (!isFactList(facts))
        return std::nullopt;

    ParsedListingLine parsed{ListingForm::Facts, std::nullopt};
    QStringView type;
    std::optional<int> mode;
    qint64 size = -1;
    QDateTime modified;
    for (qsizetype at = 0; at < space;) {
        const qsizetype stop = facts.indexOf(QLatin1Char(';'), at);
        const QStringView fact = facts.mid(at, stop - at);
        at = stop + 1;
        const qsizetype equals = fact.indexOf(QLatin1Char('='));
        const QStringView name = fact.left(equals);
        const QStringView value = fact.mid(equals + 1);
        if (name.compare(QLatin1String("type"), Qt::CaseInsensitive) == 0)
            type = value;
        else if (name.compare(QLatin1String("size"), Qt::CaseInsensitive) == 0)
            size = decimalOrUnknown(value);
        else if (name.compare(QLatin1String("modify"), Qt::CaseInsensitive) == 0)
            modified = factTime(value);
        else if (name.compare(QLatin1String("UNIX.mode"), Qt::CaseInsensitive) == 0)
            mode = octalMode(value);
        // The "perm" fact says what this login may do with the entry through FTP
        // (retrieve, store, delete, rename, enter, list); it has no letter for
        // running a program, so it cannot tell an executable. UNIX.mode can.
    }

    const QString entryName = withoutLineEnd(QStringView(line).mid(space + 1)).toString();
    if (entryName.isEmpty())
        return parsed;
    const auto is = [&type](const char *value) { return type.compare(QLatin1String(value), Qt::CaseInsensitive) == 0; };
    if (is("file")) {
        const bool executable = mode && lsShowsExecute(*mode);
        parsed.entry = RemoteEntry{entryName, executable ? EntryKind::ExecutableFile : EntryKind::PlainFile,
                                   size, modified};
    } else if (is("dir")) {
        parsed.entry = RemoteEntry{entryName, EntryKind::Directory, -1, modified};
    } else if (type.startsWith(QLatin1String("OS.unix=symlink"), Qt::CaseInsensitive)
               || type.startsWith(QLatin1String("OS.unix=slink"), Qt::CaseInsensitive)) {
        // ProFTPD: "OS.unix=symlink"; Pure-FTPd: "OS.unix=slink:" and the target.
        // Listed like the links of a UNIX listing: by name, with the directories.
        parsed.entry = RemoteEntry{entryName, EntryKind::Link, -1, modified};
    }
    // "cdir" and "pdir" are the listed directory itself and its parent, which
    // a UNIX listing does not show either (the directory list has its own way
    // up); devices and other OS types are not listed, as in a UNIX listing.
    return parsed;
}

// ---- 2. UNIX "ls -l" ------------------------------------------------------------------

std::optional<ParsedListingLine> unixLine(const QString &line)
{
    if (line.isEmpty())
        return std::nullopt;
    const QChar first = line.at(0);
    if (first == QLatin1Char('-')) {
        const bool executable = line.mid(1, 9).contains(QLatin1Char('x'));
        return ParsedListingLine{ListingForm::Unix,
                                 RemoteEntry{listingName(line),
                                             executable ? EntryKind::ExecutableFile : EntryKind::PlainFile,
                                             decimalOrUnknown(fieldAt(line, 5))}};
    }
    if (first == QLatin1Char('d'))
        return ParsedListingLine{ListingForm::Unix, RemoteEntry{listingName(line), EntryKind::Directory}};
    if (first == QLatin1Char('l')) {
        // "name -> target": the link is known by its name. Whether it leads to a
        // directory only a CWD can tell.
        QString name = listingName(line);
        const qsizetype arrow = name.indexOf(QLatin1String(" -> "));
        if (arrow >= 0)
            name.truncate(arrow);
        return ParsedListingLine{ListingForm::Unix, RemoteEntry{name, EntryKind::Link}};
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
bool skipBlanks(QStringView text, qsizetype &at)
{
    const qsizetype from = at;
    while (at < text.size() && text.at(at) == QLatin1Char(' '))
        ++at;
    return at > from;
}

// Skips `count` decimal digits at `at`; false when they are not there.
bool skipDigits(QStringView text, qsizetype &at, int count)
{
    if (digitsAt(text, at, count) < 0)
        return false;
    at += count;
    return true;
}

std::optional<ParsedListingLine> msDosLine(const QString &line)
{
    const QStringView text = withoutLineEnd(line);
    qsizetype at = 0;
    // The date: MM-DD-YY or MM-DD-YYYY.
    if (!skipDigits(text, at, 2) || at >= text.size() || text.at(at++) != QLatin1Char('-')
        || !skipDigits(text, at, 2) || at >= text.size() || text.at(at++) != QLatin1Char('-')
        || !skipDigits(text, at, 2))
        return std::nullopt;
    if (digitsAt(text, at, 2) >= 0)
        at += 2;
    // The time: h:mm or hh:mm, perhaps with AM or PM.
    if (!skipBlanks(text, at) || !skipDigits(text, at, 1))
        return std::nullopt;
    if (digitsAt(text, at, 1) >= 0)
        ++at;
    if (at >= text.size() || text.at(at++) != QLatin1Char(':') || !skipDigits(text, at, 2))
        return std::nullopt;
    bool blank = skipBlanks(text, at);
    if (at + 1 < text.size() && QStringLiteral("AaPp").contains(text.at(at))
        && (text.at(at + 1) == QLatin1Char('M') || text.at(at + 1) == QLatin1Char('m'))) {
        at += 2;
        blank = skipBlanks(text, at);
    }
    if (!blank)
        return std::nullopt;

    ParsedListingLine parsed{ListingForm::MsDos, std::nullopt};
    if (text.mid(at).startsWith(QLatin1String("<DIR>"))) {
        at += 5;
        if (!skipBlanks(text, at))
            return std::nullopt;
        if (at < text.size())
            parsed.entry = RemoteEntry{text.mid(at).toString(), EntryKind::Directory};
        return parsed;
    }
    const qsizetype digits = at;
    while (at < text.size() && text.at(at) >= QLatin1Char('0') && text.at(at) <= QLatin1Char('9'))
        ++at;
    if (at == digits || at >= text.size() || text.at(at) != QLatin1Char(' '))
        return std::nullopt;
    const qint64 size = decimalOrUnknown(text.mid(digits, at - digits));
    const QString name = text.mid(at + 1).toString();
    if (name.isEmpty())
        return parsed;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QStringView extension = dot < 0 ? QStringView() : QStringView(name).mid(dot + 1);
    const bool program = extension.compare(QLatin1String("exe"), Qt::CaseInsensitive) == 0
        || extension.compare(QLatin1String("com"), Qt::CaseInsensitive) == 0;
    parsed.entry = RemoteEntry{name, program ? EntryKind::ExecutableFile : EntryKind::PlainFile, size};
    return parsed;
}

// The table: the first form that knows a line decides it.
using LineForm = std::optional<ParsedListingLine> (*)(const QString &);
constexpr LineForm Forms[] = {factsLine, unixLine, msDosLine};

} // namespace

std::optional<ParsedListingLine> parseListingLine(const QString &line)
{
    for (const LineForm form : Forms)
        if (auto parsed = form(line))
            return parsed;
    return std::nullopt;
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

QString listingName(const QString &line)
{
    // Fields 1 to 8 end with the date; their separators are runs of blanks.
    qsizetype pos = 0;
    for (int k = 1; k < 8; ++k) {
        const qsizetype space = line.indexOf(QLatin1Char(' '), pos);
        if (space < 0)
            return {};
        pos = space + 1;
        while (pos < line.size() && isBlankOrControl(line.at(pos)))
            ++pos;
        if (pos >= line.size())
            return {};
    }
    const qsizetype separator = line.indexOf(QLatin1Char(' '), pos);
    if (separator < 0)
        return {};
    // The name's own blanks at either end are part of it (" leading.txt",
    // "trailing.txt "): the server knows the file by exactly these characters.
    return withoutLineEnd(QStringView(line).mid(separator + 1)).toString();
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
