#pragma once
// The answer of a REXEC server (port 512), read as it arrives. The first byte of
// the connection, and only that one, is the status: 0 the command runs (its
// output follows, possibly in the same chunk), 1 refused (an error text follows).
// A server that closes before sending any byte has refused the login without
// saying so (in.rexecd does this for a wrong password).
//
// A command may print without end (yes, cat of a device): the output is read
// up to MaxOutputBytes bytes or MaxOutputLines lines, far more than a memo is
// read for, and then overflowed() asks the window to end the connection.

#include "text_lines.h"

#include <QByteArray>
#include <QList>

namespace kav {

class RexecReply {
public:
    enum class State { AwaitingStatus, Running, Refused, Output };

    static constexpr qsizetype MaxOutputBytes = 8 * 1024 * 1024;
    static constexpr qsizetype MaxOutputLines = 100000;
    // A longer line is shown in pieces of this length.
    static constexpr qsizetype MaxLineBytes = 64 * 1024;

    // The lines this chunk completes (output or the server's error text).
    QList<QByteArray> feed(const QByteArray &chunk);
    // At the close: the last unfinished line, if any.
    QList<QByteArray> finish();
    State state() const { return current; }
    // The close came before any byte.
    bool closedWithoutStatus() const { return current == State::AwaitingStatus; }
    // More output came than the limits allow: the rest was not read.
    bool overflowed() const { return lines.overflowed(); }

private:
    State current = State::AwaitingStatus;
    LineCollector lines{false, {MaxLineBytes, MaxOutputBytes, MaxOutputLines}};  // a CR stays part of its line
};

} // namespace kav
