#include "local_names.h"

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

QString caseRenamed(const QString &name, CaseRename mode)
{
    switch (mode) {
    case CaseRename::Upper:
        return name.toUpper();
    case CaseRename::Lower:
        return name.toLower();
    case CaseRename::Sentence:
        break;
    }
    if (name.isEmpty())
        return name;
    // The first character may be a surrogate pair.
    const qsizetype first = name[0].isHighSurrogate() && name.size() > 1 ? 2 : 1;
    return name.left(first).toUpper() + name.mid(first).toLower();
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

QString reportLine(const QString &name, qint64 size, const QString &dateTime, const QString &attributes)
{
    // Pieces are padded one by one: a name may itself contain "%1".
    const auto padded = [](const QString &text, qsizetype width) {
        return text.size() >= width ? text : QString(width - text.size(), QLatin1Char(' ')) + text;
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
