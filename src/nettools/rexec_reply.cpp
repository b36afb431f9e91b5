#include "rexec_reply.h"

namespace kav {

QList<QByteArray> RexecReply::feed(const QByteArray &chunk)
{
    if (chunk.isEmpty())
        return {};
    if (current == State::AwaitingStatus) {
        const char first = chunk[0];
        if (first == '\0' || first == '\1') {
            current = first == '\0' ? State::Running : State::Refused;
            return lines.feed(chunk.mid(1));
        }
        // No status byte at all: everything is output.
        current = State::Output;
    }
    return lines.feed(chunk);
}

QList<QByteArray> RexecReply::finish()
{
    return lines.finish();
}

} // namespace kav
