#pragma once
// The local pane's rules that need no window: paths joined with the root rule,
// extensions, case-rename names, the reselection after a delete, and the lines
// of the local directory report.

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace kav::local {

// The platform's root test: "/" here ("X:\" on Windows).
bool isRootPath(const QString &directory);
// directory + separator + name, without doubling the separator at a root.
QString joinPath(const QString &directory, const QString &name);
// The directory with a trailing separator (a root already has one).
QString withTrailingSeparator(const QString &directory);
// The extension of a file name in upper case without its dot; empty when the
// name has none. Only this platform's separator splits a path (":" is an
// ordinary character here).
QString upperExtension(const QString &name);
// A file name without its directory.
QString fileNameOf(const QString &path);

enum class CaseRename { Upper, Lower, Sentence };
// Upper: the whole name upper case; Lower: lower case; Sentence: the first
// character upper case and the rest (extension included) lower case.
QString caseRenamed(const QString &name, CaseRename mode);

// After a delete: the index of the last deleted item, or the last item when the
// list has become shorter; -1 for an empty list.
int indexAfterDelete(int lastDeletedIndex, int newCount);

// ---- directory report -----------------------------------------------------

struct ReportEntry {
    QString name;
    qint64 size = 0;
    QDateTime modified;
    int attributes = 0;
};

// "ReadOnly,Hidden,SysFile,Directory,Archive,VolumeId" (those that apply, in that
// order, without the final comma); empty when none does.
QString attributeText(int attributes);
// The modification time as the report shows it: the locale's short date and its
// long time (without a time zone name).
QString reportDateTime(const QDateTime &when, const QLocale &locale);
// The columns a text takes in a fixed-pitch font: two for East Asian wide characters
// (Hangul syllables, hanja, fullwidth forms), none for combining marks, else one.
int displayWidth(QStringView text);
// "   %12s    %10d    %21s    %s", each field padded to that many columns.
QString reportLine(const QString &name, qint64 size, const QString &dateTime, const QString &attributes);

extern const QString ReportHeader;

struct DirectoryReport {
    QStringList lines;   // the header, an empty line, then one line per listed entry
    qint64 total = 0;    // characters of the listed entry lines
};
// Entries with no attribute are left out.
DirectoryReport buildDirectoryReport(const QList<ReportEntry> &entries, const QLocale &locale);
// "[Local] - DirInfo (" + directory + ", " + total + " Bytes)"
QString reportCaption(const QString &directory, qint64 total);

} // namespace kav::local
