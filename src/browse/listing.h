#pragma once
// The listing parser: UNIX "ls -l" lines to host directory entries.

#include "platform/text.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace kav {

// A link is listed with the directories: entering it is what links on servers
// are mostly for (mirrors' "pub -> /srv/pub"); one that is no directory is
// taken as a file when the server refuses to enter it.
enum class EntryKind { Directory, ExecutableFile, PlainFile, Link };

struct RemoteEntry {
    QString name;
    EntryKind kind;
    qint64 size = -1;   // the listed size in bytes of a file; -1 when not given
};

// Field n (1-based) of a listing line together with everything after it, trimmed.
// Fields are separated by runs of spaces; a tab is part of a field. Empty when
// the line has fewer than n fields. Long names are kept whole.
QString ListFieldTail(const QString &line, int n);

// The name of a listing line: everything after the single blank that follows
// the date (field 8), its own blanks kept; only the line end is removed.
// Empty when the line has fewer than nine fields.
QString listingName(const QString &line);

// "-" a file (executable when the permission characters 2 to 10 hold an "x"),
// "d" a directory, "l" a link (its name without " -> target"); every other
// line (total, devices, other formats) is none.
std::optional<RemoteEntry> classifyListingLine(const QString &line);

// Whether a host file name may become a local file name: not empty, not "."
// or "..", and free of this platform's path separators and of NUL. Names that
// are not are still listed, but never written to the local disk.
bool isSafeLocalName(const QString &name);

} // namespace kav
