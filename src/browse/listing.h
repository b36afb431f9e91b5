#pragma once
// The listing parser: UNIX "ls -l" lines to host directory entries.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace kav {

enum class EntryKind { Directory, ExecutableFile, PlainFile };

struct RemoteEntry {
    QString name;
    EntryKind kind;
};

// Field n (1-based) of a listing line together with everything after it, trimmed.
// Fields are separated by runs of spaces; a tab is part of a field. Empty when
// the line has fewer than n fields. Long names are kept whole.
QString ListFieldTail(const QString &line, int n);

// "-" a file (executable when the permission characters 2 to 10 hold an "x"),
// "d" a directory; every other line (total, links, devices, other formats) is none.
std::optional<RemoteEntry> classifyListingLine(const QString &line);

// The text of the listing line without its line end: only a CR is dropped, so
// a server that ends lines with LF alone keeps every character.
QString withoutTrailingCR(const QString &line);

// Cuts received bytes into lines: a LF or a NUL ends a line (not included);
// every other byte, CR included, belongs to the line. Bytes after the last end
// wait for the next block; a last line that never ends is dropped.
class LineSplitter {
public:
    QList<QByteArray> feed(const char *data, qsizetype size);

private:
    QByteArray partial;
};

// Whether a host file name may become a local file name: not empty, not "."
// or "..", and free of this platform's path separators and of NUL. Names that
// are not are still listed, but never written to the local disk.
bool isSafeLocalName(const QString &name);

} // namespace kav
