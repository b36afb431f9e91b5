#pragma once
// KAVRIN.INI in memory, with the semantics of the Windows private-profile functions
// (GetPrivateProfileString/Int, WritePrivateProfileString) that the settings code
// was written against:
//
// - Sections and keys are compared without letter case; the first matching
//   section and, inside it, the first matching key count.
// - A missing key gives the read default. A value is read trimmed of surrounding
//   blanks; a value enclosed in matching double quotes loses the quotes. At most
//   2047 bytes of a value are returned (a 2048-byte buffer with its terminator):
//   the length is counted in code page 949 bytes (a character that code page lacks
//   counts with its UTF-8 length), and a character is never cut in half.
// - Integers: decimal, or hexadecimal after "0x"/"0X". As GetPrivateProfileInt, the
//   leading digits count ("12abc" is 12, "-5" is -5, "0x1G" is 1); a value that does
//   not start with a digit (after an optional "-") gives the default. Booleans are
//   integers: anything but 0 is true.
// - Writing a key replaces its line in place, or adds it right after the last key
//   line of its section (before the blank lines that may follow it); a new section
//   is added at the end of the file. Comment lines (";") and lines the store does
//   not understand are kept as they are.
//
// The file lives in memory between load() and save(). save() writes it once,
// atomically (a temporary file in the same directory, flushed to disk, then
// renamed over the old one), readable and writable by its owner only, since it
// holds the passwords. On disk it is code page 949 with CR LF line ends; when
// some text cannot be written in code page 949, the whole file is written as
// UTF-8 with a byte-order mark instead. Reading takes a leading UTF-8 byte-order
// mark to mean UTF-8 (else code page 949) and accepts LF or CR LF line ends.
//
// Every value round-trips exactly: load -> save -> load gives back every value
// the store held, escaped bytes (U+DC80..U+DCFF) included. A value whose escapes
// would read back as other text from the file's bytes (two escapes pairing into
// a Hangul syllable, say) is written marked: "{bytes}" and the value with each
// escaped byte, "%", blank and tab as %HH. Values without escapes are written as
// they are. In memory, lines() and every read give the unmarked value. A lone
// U+DC00..U+DC7F (which no decoder makes; the list codecs keep their separator
// inside a field with it) is always written marked, as "%%HH". A value with a
// blank at either end, or one enclosed in double quotes, is written in double
// quotes, so the read's trimming and unquoting give it back.

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace kav {

class IniFile {
public:
    enum class LoadResult {
        Missing,     // no file: the store is empty
        Loaded,      // read fine
        Unreadable,  // exists but could not be read; save() then refuses to replace it
    };

    struct Entry {
        QString key;    // as written in the file (trimmed)
        QString value;  // as read (trimmed, quotes removed, cut as a read would cut it)
    };

    explicit IniFile(QString path = {});

    QString path() const { return m_path; }
    void setPath(const QString &path) { m_path = path; }

    LoadResult load();
    // Writes the file; false (with errorString()) when it could not be written, in
    // which case the old file is left as it was.
    bool save();
    QString errorString() const { return m_error; }

    // Replaces the contents with text as it would be read from a file (tests, imports).
    void setText(const QString &text);
    // Replaces the contents with a file's bytes, read as load() reads them.
    void loadBytes(QByteArrayView bytes);
    // The file's text lines in file order, as they would be written.
    QStringList lines() const;
    // The bytes save() would write.
    QByteArray toBytes() const;
    // True when toBytes() needs UTF-8 (some text has no code page 949 form).
    bool needsUtf8() const;
    // True when toBytes() writes UTF-8: text without a code page 949 form, or
    // lines that code page 949 would change and that cannot be marked.
    bool writesUtf8() const;

    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue = {}) const;
    int readInt(const QString &section, const QString &key, int defaultValue) const;
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;

    // Line breaks in a value become blanks (a value must stay on its line). A key
    // that is empty, contains "=" or a line break, or begins with "[" or ";", and a
    // section name that is empty or contains "]" or a line break, are refused (false).
    bool writeString(const QString &section, const QString &key, const QString &value);
    bool writeInt(const QString &section, const QString &key, int value);
    bool writeBool(const QString &section, const QString &key, bool value);
    // WritePrivateProfileString with no value: the key's line goes. False when absent.
    bool removeKey(const QString &section, const QString &key);
    // WritePrivateProfileString with no key: the section with all its lines goes.
    bool removeSection(const QString &section);

    bool hasSection(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;
    // The key lines of a section in file order, keys as written.
    QList<Entry> entries(const QString &section) const;
    // The raw text lines of a section (after its header, up to the next header),
    // in file order, blank and comment lines included.
    QStringList sectionLines(const QString &section) const;

    // The read rules on their own (for values taken from raw lines).
    static QString cookValue(QStringView raw);
    static int parseInt(QStringView value, int defaultValue);

private:
    struct Line {
        enum Kind { Other, Section, Key } kind = Other;
        QString text;  // the line as in the file
        QString name;  // section name or key, trimmed, case-folded for comparison
    };
    static Line classify(const QString &text);
    // [begin, end) of the section's lines after its header; begin = -1 when absent.
    std::pair<qsizetype, qsizetype> sectionRange(const QString &folded) const;
    qsizetype findKey(const QString &section, const QString &key) const;

    QString m_path;
    QString m_error;
    QList<Line> m_lines;
    bool m_unreadable = false;
    bool m_readAsUtf8 = false;   // the text came from a UTF-8 file
};

} // namespace kav
