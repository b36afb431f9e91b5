#include "ini_file.h"

#include "cp949.h"
#include "local_path.h"
#include "text.h"
#include "utf8x.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QSaveFile>
#endif

namespace kav {
namespace {

constexpr qsizetype ValueByteLimit = 2047;  // a 2048-byte buffer and its terminator
const QByteArray Utf8Bom("\xEF\xBB\xBF", 3);

using text::trimmedBlanks;
using utf8x::isByteEscape;

// Bytes a character takes in the file, for the read limit.
inline int byteLength(QStringView s, qsizetype i, int *units)
{
    const char16_t c = s[i].unicode();
    *units = 1;
    if (c < 0x80 || isByteEscape(c))
        return 1;
    if (QChar::isHighSurrogate(c) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode())) {
        *units = 2;
        return 4;
    }
    if (cp949::canEncode(s.sliced(i, 1)))
        return 2;
    return c < 0x800 ? 2 : 3;
}

QString cutToLimit(QStringView value)
{
    // Fast path: no value of this size can pass the limit.
    if (value.size() * 4 <= ValueByteLimit)
        return value.toString();
    qsizetype bytes = 0, i = 0;
    while (i < value.size()) {
        int units = 1;
        const int len = byteLength(value, i, &units);
        if (bytes + len > ValueByteLimit)
            break;
        bytes += len;
        i += units;
    }
    return value.first(i).toString();
}

QString keyOfLine(const QString &text)
{
    return trimmedBlanks(QStringView(text).first(text.indexOf(QLatin1Char('=')))).toString();
}

// A value that holds escaped bytes cannot always be written as those bytes: in a
// code page 949 file two escapes may pair into a Hangul syllable when read back,
// and in a UTF-8 file into a real character, so a name from a server would come
// back as another name. Such a value is written in a marked form instead, which
// a reader that does not know it merely shows as text: the mark, then the value
// with each escaped byte as %HH and "%", blanks, tabs and line breaks as %25,
// %20, %09, %0D, %0A.
const QString ByteMark = QStringLiteral("{bytes}");

// Whether the unit at i is the high half of a surrogate pair (a character of
// its own, whose low half is never an escaped byte).
bool startsPair(QStringView text, qsizetype i)
{
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
}

// U+DC00..U+DC7F: the escape of a byte that every decoder takes as a
// character, so neither a file read nor a codec ever makes one. The settings'
// list codecs use them to keep their field separator inside a field (a folder
// named "a;b"); no encoding writes them, so only the marked form can.
inline bool isLowEscape(char16_t c) { return c >= 0xDC00 && c < 0xDC80; }

bool hasEscape(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (startsPair(text, i))
            ++i;
        else if (isByteEscape(text[i].unicode()) || isLowEscape(text[i].unicode()))
            return true;
    }
    return false;
}

bool hasLowEscape(QStringView text)
{
    for (QChar c : text)
        if (isLowEscape(c.unicode()))
            return true;
    return false;
}

// True when the line reads back as itself from the file's bytes.
bool survives(const QString &line, bool utf8)
{
    if (!hasEscape(line))
        return true;
    if (hasLowEscape(line))
        return false;
    return utf8 ? utf8x::decode(utf8x::encode(line)) == line : cp949::decode(cp949::encode(line)) == line;
}

QString markedValue(QStringView value)
{
    QString out = ByteMark;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t u = value[i].unicode();
        if (startsPair(value, i)) {
            out += value.sliced(i, 2);
            ++i;
        } else if (isLowEscape(u)) {
            // "%%HH": earlier writers always wrote "%" as "%25", so no file holds this.
            out += QStringLiteral("%%") + QString::number(u & 0x7F, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        } else if (isByteEscape(u) || u == '%' || u == ' ' || u == '\t' || u == '\r' || u == '\n') {
            out += QLatin1Char('%') + QString::number(u & 0xFF, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        } else {
            out += value[i];
        }
    }
    return out;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

// The value a marked form stands for (after the mark); a "%" without two hex
// digits stays as it is.
QString unmarkedValue(QStringView marked)
{
    QString out;
    out.reserve(marked.size());
    for (qsizetype i = 0; i < marked.size(); ++i) {
        if (marked[i] == QLatin1Char('%') && i + 3 < marked.size() && marked[i + 1] == QLatin1Char('%')
            && hexDigit(marked[i + 2]) >= 0 && hexDigit(marked[i + 2]) < 8 && hexDigit(marked[i + 3]) >= 0) {
            out += QChar(char16_t(0xDC00 + hexDigit(marked[i + 2]) * 16 + hexDigit(marked[i + 3])));
            i += 3;
        } else if (marked[i] == QLatin1Char('%') && i + 2 < marked.size() && hexDigit(marked[i + 1]) >= 0 && hexDigit(marked[i + 2]) >= 0) {
            const int byte = hexDigit(marked[i + 1]) * 16 + hexDigit(marked[i + 2]);
            out += byte >= 0x80 ? QChar(char16_t(0xDC00 + byte)) : QChar(char16_t(byte));
            i += 2;
        } else {
            out += marked[i];
        }
    }
    return out;
}

// A value that would not read back as itself when written as it is: it looks
// marked, or holds a line break (only a marked value read from a file can).
bool needsMark(QStringView rawValue)
{
    return trimmedBlanks(rawValue).startsWith(ByteMark) || rawValue.contains(QLatin1Char('\n'))
           || rawValue.contains(QLatin1Char('\r'));
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

IniFile::Line IniFile::classify(const QString &text)
{
    Line line;
    line.text = text;
    const QStringView t = trimmedBlanks(text);
    if (t.startsWith(QLatin1Char(';')))
        return line;
    if (t.startsWith(QLatin1Char('['))) {
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        const QStringView name = close < 0 ? t.sliced(1) : t.sliced(1, close - 1);
        line.kind = Line::Section;
        line.name = trimmedBlanks(name).toString().toCaseFolded();
        return line;
    }
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq >= 0) {
        line.kind = Line::Key;
        line.name = trimmedBlanks(t.first(eq)).toString().toCaseFolded();
    }
    return line;
}

void IniFile::setText(const QString &text)
{
    m_lines.clear();
    m_unreadable = false;
    m_readAsUtf8 = false;
    if (text.isEmpty())
        return;
    QStringView rest(text);
    while (!rest.isEmpty()) {
        qsizetype nl = rest.indexOf(QLatin1Char('\n'));
        QStringView line = nl < 0 ? rest : rest.first(nl);
        rest = nl < 0 ? QStringView() : rest.sliced(nl + 1);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        Line l = classify(line.toString());
        if (l.kind == Line::Key) {
            const qsizetype eq = l.text.indexOf(QLatin1Char('='));
            const QStringView value = trimmedBlanks(QStringView(l.text).sliced(eq + 1));
            if (value.startsWith(ByteMark))
                l.text = l.text.first(eq + 1) + unmarkedValue(value.sliced(ByteMark.size()));
        }
        m_lines.append(std::move(l));
    }
}

QStringList IniFile::lines() const
{
    QStringList out;
    out.reserve(m_lines.size());
    for (const Line &l : m_lines)
        out << l.text;
    return out;
}

bool IniFile::needsUtf8() const
{
    for (const Line &l : m_lines) {
        // Low escapes are always written marked, as ASCII.
        if (hasLowEscape(l.text)) {
            QString text = l.text;
            for (QChar &c : text)
                if (isLowEscape(c.unicode()))
                    c = QLatin1Char('%');
            if (!cp949::canEncode(text))
                return true;
        } else if (!cp949::canEncode(l.text)) {
            return true;
        }
    }
    return false;
}

bool IniFile::writesUtf8() const
{
    if (needsUtf8())
        return true;
    // Values can be marked, other lines and keys cannot: they keep the file in
    // UTF-8 when code page 949 would change them, and so does a UTF-8 file whose
    // escapes would not survive the change.
    for (const Line &l : m_lines) {
        if (l.kind != Line::Key) {
            if (!survives(l.text, false))
                return true;
            continue;
        }
        if (!survives(l.text.first(l.text.indexOf(QLatin1Char('='))), false))
            return true;
        if (m_readAsUtf8 && !hasLowEscape(l.text) && !survives(l.text, false))
            return true;
    }
    return false;
}

QByteArray IniFile::toBytes() const
{
    const bool utf8 = writesUtf8();
    QByteArray out;
    if (utf8)
        out = Utf8Bom;
    for (const Line &l : m_lines) {
        QString text = l.text;
        if (l.kind == Line::Key) {
            const qsizetype eq = text.indexOf(QLatin1Char('='));
            const QStringView value = QStringView(text).sliced(eq + 1);
            if (needsMark(value) || !survives(text, utf8))
                text = text.first(eq + 1) + markedValue(value);
        }
        out += utf8 ? utf8x::encode(text) : cp949::encode(text);
        out += "\r\n";
    }
    return out;
}

void IniFile::loadBytes(QByteArrayView bytes)
{
    if (bytes.startsWith(Utf8Bom))
        setText(utf8x::decode(bytes.sliced(3)));
    else
        setText(cp949::decode(bytes));
    m_readAsUtf8 = bytes.startsWith(Utf8Bom);
}

IniFile::LoadResult IniFile::load()
{
    m_lines.clear();
    m_error.clear();
    m_unreadable = false;
    QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return LoadResult::Missing;
    QFile file(m_path);
    QByteArray bytes;
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        m_error = info.isDir() ? QStringLiteral("디렉토리입니다.") : file.errorString();
        m_unreadable = true;
        return LoadResult::Unreadable;
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_error = file.errorString();
        m_unreadable = true;
        return LoadResult::Unreadable;
    }
    loadBytes(bytes);
    return LoadResult::Loaded;
}

bool IniFile::save()
{
    m_error.clear();
    if (m_unreadable) {
        // Whatever the store holds now was not read from that file: replacing it
        // would lose the user's settings.
        m_error = QStringLiteral("기존 파일을 읽지 못해 그대로 두었습니다.");
        return false;
    }
    if (m_path.isEmpty()) {
        m_error = QStringLiteral("파일 이름이 없습니다.");
        return false;
    }
    const QByteArray bytes = toBytes();
    // A settings file kept elsewhere and linked here stays linked: the new
    // contents replace the file the link points to.
    QString target = m_path;
    const QFileInfo info(m_path);
    if (info.isSymLink() && info.exists())
        target = info.canonicalFilePath();
#ifdef Q_OS_UNIX
    QByteArray tmpl = QFile::encodeName(target) + ".XXXXXX";
    const int fd = ::mkstemp(tmpl.data());  // created with mode 0600
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(tmpl.constData());
        m_error = QString::fromLocal8Bit(std::strerror(err));
        return false;
    };
    if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0)
        return fail(errno);
    if (const int err = localpath::writeAllAndSync(fd, bytes))
        return fail(err);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.constData());
        m_error = QString::fromLocal8Bit(std::strerror(err));
        return false;
    }
    if (::rename(tmpl.constData(), QFile::encodeName(target).constData()) != 0) {
        const int err = errno;
        ::unlink(tmpl.constData());
        m_error = QString::fromLocal8Bit(std::strerror(err));
        return false;
    }
    // Make the rename itself durable.
    const QByteArray dir = QFile::encodeName(QFileInfo(target).absolutePath());
    const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
#else
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        m_error = file.errorString();
        return false;
    }
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return true;
#endif
}

std::pair<qsizetype, qsizetype> IniFile::sectionRange(const QString &folded) const
{
    const qsizetype n = m_lines.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (m_lines[i].kind != Line::Section || m_lines[i].name != folded)
            continue;
        qsizetype end = i + 1;
        while (end < n && m_lines[end].kind != Line::Section)
            ++end;
        return {i + 1, end};
    }
    return {-1, -1};
}

qsizetype IniFile::findKey(const QString &section, const QString &key) const
{
    const auto [begin, end] = sectionRange(trimmedBlanks(section).toString().toCaseFolded());
    if (begin < 0)
        return -1;
    const QString k = trimmedBlanks(key).toString().toCaseFolded();
    for (qsizetype i = begin; i < end; ++i)
        if (m_lines[i].kind == Line::Key && m_lines[i].name == k)
            return i;
    return -1;
}

QString IniFile::cookValue(QStringView raw)
{
    QStringView v = trimmedBlanks(raw);
    if (v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"')))
        v = v.sliced(1, v.size() - 2);
    return cutToLimit(v);
}

int IniFile::parseInt(QStringView value, int defaultValue)
{
    QStringView v = trimmedBlanks(value);
    bool negative = false;
    if (!v.isEmpty() && (v[0] == QLatin1Char('-') || v[0] == QLatin1Char('+'))) {
        negative = v[0] == QLatin1Char('-');
        v = v.sliced(1);
    }
    if (v.isEmpty() || v[0].unicode() < '0' || v[0].unicode() > '9')
        return defaultValue;
    quint32 result = 0;  // wraps like the 32-bit original
    if (!negative && v.size() > 2 && v[0] == QLatin1Char('0')
        && (v[1] == QLatin1Char('x') || v[1] == QLatin1Char('X'))) {
        for (qsizetype i = 2; i < v.size(); ++i) {
            const char16_t d = v[i].unicode();
            int digit;
            if (d >= '0' && d <= '9')
                digit = d - '0';
            else if (d >= 'a' && d <= 'f')
                digit = d - 'a' + 10;
            else if (d >= 'A' && d <= 'F')
                digit = d - 'A' + 10;
            else
                break;
            result = result * 16 + quint32(digit);
        }
        return int(result);
    }
    for (qsizetype i = 0; i < v.size() && v[i].unicode() >= '0' && v[i].unicode() <= '9'; ++i)
        result = result * 10 + quint32(v[i].unicode() - '0');
    return negative ? int(0u - result) : int(result);
}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue) const
{
    const qsizetype i = findKey(section, key);
    if (i < 0)
        return defaultValue;
    const QString &text = m_lines[i].text;
    return cookValue(QStringView(text).sliced(text.indexOf(QLatin1Char('=')) + 1));
}

int IniFile::readInt(const QString &section, const QString &key, int defaultValue) const
{
    const qsizetype i = findKey(section, key);
    if (i < 0)
        return defaultValue;
    return parseInt(readString(section, key), defaultValue);
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    return readInt(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    const QString s = trimmedBlanks(section).toString();
    const QString k = trimmedBlanks(key).toString();
    auto hasBreak = [](const QString &t) {
        return t.contains(QLatin1Char('\n')) || t.contains(QLatin1Char('\r'));
    };
    if (s.isEmpty() || s.contains(QLatin1Char(']')) || hasBreak(s))
        return false;
    if (k.isEmpty() || k.contains(QLatin1Char('=')) || hasBreak(k) || k.startsWith(QLatin1Char('['))
        || k.startsWith(QLatin1Char(';')))
        return false;
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    // A read trims blanks and takes off enclosing quotes: a value that would lose
    // either (a folder whose name ends in a blank) is written in quotes, which
    // every reader of such files takes off again. Other values are written as
    // they always were.
    const auto isBlank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    if (!v.isEmpty()
        && (isBlank(v.front()) || isBlank(v.back())
            || (v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"')))))
        v = QLatin1Char('"') + v + QLatin1Char('"');

    const qsizetype existing = findKey(s, k);
    if (existing >= 0) {
        // Keep the key as it was written; only the value changes.
        m_lines[existing] = classify(keyOfLine(m_lines[existing].text) + QLatin1Char('=') + v);
        return true;
    }
    const Line line = classify(k + QLatin1Char('=') + v);
    const auto [begin, end] = sectionRange(s.toCaseFolded());
    if (begin < 0) {
        m_lines.append(classify(QLatin1Char('[') + s + QLatin1Char(']')));
        m_lines.append(line);
        return true;
    }
    qsizetype at = begin;  // right after the header when the section has no key yet
    for (qsizetype i = begin; i < end; ++i)
        if (m_lines[i].kind == Line::Key)
            at = i + 1;
    m_lines.insert(at, line);
    return true;
}

bool IniFile::writeInt(const QString &section, const QString &key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::removeKey(const QString &section, const QString &key)
{
    const qsizetype i = findKey(section, key);
    if (i < 0)
        return false;
    m_lines.removeAt(i);
    return true;
}

bool IniFile::removeSection(const QString &section)
{
    const auto [begin, end] = sectionRange(trimmedBlanks(section).toString().toCaseFolded());
    if (begin < 0)
        return false;
    m_lines.remove(begin - 1, end - begin + 1);
    return true;
}

bool IniFile::hasSection(const QString &section) const
{
    return sectionRange(trimmedBlanks(section).toString().toCaseFolded()).first >= 0;
}

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    return findKey(section, key) >= 0;
}

QList<IniFile::Entry> IniFile::entries(const QString &section) const
{
    QList<Entry> out;
    const auto [begin, end] = sectionRange(trimmedBlanks(section).toString().toCaseFolded());
    for (qsizetype i = begin; i >= 0 && i < end; ++i) {
        if (m_lines[i].kind != Line::Key)
            continue;
        const QString &text = m_lines[i].text;
        out.append(Entry{keyOfLine(text),
                         cookValue(QStringView(text).sliced(text.indexOf(QLatin1Char('=')) + 1))});
    }
    return out;
}

QStringList IniFile::sectionLines(const QString &section) const
{
    QStringList out;
    const auto [begin, end] = sectionRange(trimmedBlanks(section).toString().toCaseFolded());
    for (qsizetype i = begin; i >= 0 && i < end; ++i)
        out << m_lines[i].text;
    return out;
}

} // namespace kav
