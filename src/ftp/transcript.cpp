#include "transcript.h"

namespace kav {

QString transcriptLine(TranscriptSide side, const QString &text)
{
    return (side == TranscriptSide::Host ? QStringLiteral("[H] - ") : QStringLiteral("[L] - ")) + text;
}

} // namespace kav
