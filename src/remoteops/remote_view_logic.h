#pragma once
// The rules of viewing, printing and editing host files that need no widget and
// no connection: the text check's question, the host path, the cutting of a
// received text stream into lines.

#include "ftp/listing.h"
#include "platform/text.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace kav::remote {

enum class Action { View, Print, Edit };

// The question asked before a host file is viewed, printed or edited, or nothing
// when the file counts as text: an executable entry "is not" a text file, an
// extension outside the ASCII list "may not be" one.
std::optional<QString> textCheckQuestion(const RemoteEntry &entry, bool extensionIsText, Action action);

// The extension of a host name, upper case, without its dot ("" without one).
QString upperExtension(const QString &name);

// Cuts a received text stream into lines (LineSplitter: a LF or a NUL ends a
// line). A line is handed on with its last character dropped only when that is
// a CR (the CR of CR LF), so a CR LF split across two blocks still gives one line
// end. A last line without a line end is handed on by finish().
class StreamLines {
public:
    struct Line {
        QByteArray bytes;   // without the line end
        qint64 received;    // bytes of the stream it took, line end included
    };
    QList<Line> feed(const char *data, qsizetype size);
    std::optional<Line> finish();

private:
    LineSplitter splitter;
};

} // namespace kav::remote
