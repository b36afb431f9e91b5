#pragma once
// The transcript of a session: every line the program shows about the
// conversation, marked with the side it concerns.

#include <QString>

namespace kav {

enum class TranscriptSide {
    Host,    // the server's replies and network errors: "[H] - "
    Local,   // commands sent and local errors: "[L] - "
};

// The line as the message list shows it. The one place that knows the prefixes.
QString transcriptLine(TranscriptSide side, const QString &text);

} // namespace kav
