#pragma once
// The answer of a REXEC server (port 512), read as it arrives. The first byte of
// the connection, and only that one, is the status: 0 the command runs (its
// output follows, possibly in the same chunk), 1 refused (an error text follows).
// A server that closes before sending any byte has refused the login without
// saying so (in.rexecd does this for a wrong password).

#include "text_lines.h"

#include <QByteArray>
#include <QList>

namespace kav {

class RexecReply {
public:
    enum class State { AwaitingStatus, Running, Refused, Output };

    // The lines this chunk completes (output or the server's error text).
    QList<QByteArray> feed(const QByteArray &chunk);
    // At the close: the last unfinished line, if any.
    QList<QByteArray> finish();
    State state() const { return current; }
    // The close came before any byte.
    bool closedWithoutStatus() const { return current == State::AwaitingStatus; }

private:
    State current = State::AwaitingStatus;
    LineCollector lines{false};  // a CR stays part of its line
};

} // namespace kav
