#include "local_names.h"

#include "platform/utf8x.h"

#include "platform/file_attributes.h"

#include <QDir>

namespace kav::local {

namespace {
const QChar Separator = QDir::separator();
}

const QString ReportHeader = QStringLiteral("         파일명          크기         변경한 날짜/시간    속성");

bool isRootPath(const QString &directory)
{
#ifdef Q_OS_WIN
    return directory.size() == 3 && directory[1] == QLatin1Char(':') && directory[2] == QLatin1Char('\\');
#else
    return directory == QLatin1String("/");
#endif
}

QString withTrailingSeparator(const QString &directory)
{
    if (isRootPath(directory) || directory.endsWith(Separator))
        return directory;
    return directory + Separator;
}

QString joinPath(const QString &directory, const QString &name)
{
    return withTrailingSeparator(directory) + name;
}

QString fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(Separator) + 1);
}

QString upperExtension(const QString &name)
{
    const QString file = fileNameOf(name);
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : file.mid(dot + 1).toUpper();
}

namespace {

// Qt's case mapping turns a lone surrogate into U+FFFD: the escaped bytes of a
// foreign name (see local_path.h) are kept out of it and stay as they are.
QString mappedCase(QStringView text, bool upper)
{
    QString out;
    qsizetype start = 0;
    const auto flush = [&](qsizetype end) {
        const QString part = text.mid(start, end - start).toString();
        out += upper ? part.toUpper() : part.toLower();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool paired = i > 0 && text[i - 1].isHighSurrogate();
        if (!paired && utf8x::isByteEscape(text[i].unicode())) {
            flush(i);
            out += text[i];
            start = i + 1;
        }
    }
    flush(text.size());
    return out;
}

} // namespace

QString caseRenamed(const QString &name, CaseRename mode)
{
    switch (mode) {
    case CaseRename::Upper:
        return mappedCase(name, true);
    case CaseRename::Lower:
        return mappedCase(name, false);
    case CaseRename::Sentence:
        break;
    }
    if (name.isEmpty())
        return name;
    // The first character may be a surrogate pair.
    const qsizetype first = name[0].isHighSurrogate() && name.size() > 1 ? 2 : 1;
    return mappedCase(QStringView(name).left(first), true) + mappedCase(QStringView(name).mid(first), false);
}

int indexAfterDelete(int lastDeletedIndex, int newCount)
{
    if (newCount <= 0)
        return -1;
    return qBound(0, lastDeletedIndex, newCount - 1);
}

QString attributeText(int attributes)
{
    static const struct {
        int flag;
        const char *text;
    } names[] = {
        {AttrReadOnly, "ReadOnly,"}, {AttrHidden, "Hidden,"},     {AttrSysFile, "SysFile,"},
        {AttrDirectory, "Directory,"}, {AttrArchive, "Archive,"}, {AttrVolumeId, "VolumeId,"},
    };
    QString text;
    for (const auto &n : names) {
        if (attributes & n.flag)
            text += QLatin1String(n.text);
    }
    text.chop(1);
    return text;
}

QString reportDateTime(const QDateTime &when, const QLocale &locale)
{
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    // The long time format may name the time zone ("t"); the report has no room for it.
    timeFormat.remove(QLatin1Char('t'));
    timeFormat = timeFormat.trimmed();
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(when.time(), timeFormat);
}

int displayWidth(QStringView text)
{
    int width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing
            || category == QChar::Other_Format || (c >= 0x1160 && c <= 0x11FF))
            continue;  // combining marks and the medial and final jamo take no column
        // East Asian wide and fullwidth characters take two columns in a fixed-pitch font.
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E)
                          || (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF)
                          || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF)
                          || (c >= 0xA960 && c <= 0xA97F) || (c >= 0xAC00 && c <= 0xD7A3)
                          || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F)
                          || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6)
                          || (c >= 0x1F300 && c <= 0x1F64F) || (c >= 0x1F900 && c <= 0x1F9FF)
                          || (c >= 0x20000 && c <= 0x3FFFD);
        width += wide ? 2 : 1;
    }
    return width;
}

QString reportLine(const QString &name, qint64 size, const QString &dateTime, const QString &attributes)
{
    // Pieces are padded one by one (a name may itself contain "%1"), to a number of
    // columns rather than characters: a Korean name or time must not shift the columns.
    const auto padded = [](const QString &text, int width) {
        const int used = displayWidth(text);
        return used >= width ? text : QString(width - used, QLatin1Char(' ')) + text;
    };
    return QStringLiteral("   ") + padded(name, 12) + QStringLiteral("    ") + padded(QString::number(size), 10)
        + QStringLiteral("    ") + padded(dateTime, 21) + QStringLiteral("    ") + attributes;
}

DirectoryReport buildDirectoryReport(const QList<ReportEntry> &entries, const QLocale &locale)
{
    DirectoryReport report;
    report.lines << ReportHeader << QString();
    for (const ReportEntry &e : entries) {
        const QString attributes = attributeText(e.attributes);
        if (attributes.isEmpty())
            continue;
        const QString line = reportLine(e.name, e.size, reportDateTime(e.modified, locale), attributes);
        report.lines << line;
        report.total += line.size();
    }
    return report;
}

QString reportCaption(const QString &directory, qint64 total)
{
    return QStringLiteral("[Local] - DirInfo (") + directory + QStringLiteral(", ") + QString::number(total)
        + QStringLiteral(" Bytes)");
}

} // namespace kav::local
