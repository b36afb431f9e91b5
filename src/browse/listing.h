#pragma once
// The listing parser: UNIX "ls -l" lines to host directory entries.

#include "platform/text.h"

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

// Whether a host file name may become a local file name: not empty, not "."
// or "..", and free of this platform's path separators and of NUL. Names that
// are not are still listed, but never written to the local disk.
bool isSafeLocalName(const QString &name);

} // namespace kav
