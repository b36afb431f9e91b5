#pragma once
// Replies of the control connection: the pure reader that cuts received bytes
// into whole replies, the reply as the session hands it out, and the rules
// read from a reply's text.

#include "platform/text.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kav {

// One reply as the reader cut it, still in the server's bytes: every line with
// its line end removed and blanks and control characters trimmed at both
// ends. The last line closes the reply ("xyz text" or a line of any other form).
struct RawReply {
    QList<QByteArray> lines;
};

// Cuts the control connection's bytes into whole replies (RFC 959): a line
// "xyz-" opens a multi-line reply that the first line beginning "xyz " (or the
// bare "xyz") closes; any other line is a reply of its own. Blank lines between
// replies are skipped. LF or NUL ends a line; a CR before it is trimmed with
// the blanks. Bytes after a reply stay for the next one.
//
// A pure object: no socket, no log, no encoding. The session feeds it what it
// receives and asks for the next reply until there is one.
//
// Nothing a server sends can make it hold more than one reply's worth of
// limits: a line longer than MaxLineLength, or a multi-line reply that goes on
// past MaxReplySize bytes or MaxReplyLines lines without its closing line, is
// not kept, and overflow() tells the caller, who treats the connection as
// broken. Whole replies that came before stay readable.
class ReplyReader {
public:
    // RFC 959 reply lines are short; a longer line is a broken or hostile server.
    static constexpr qsizetype MaxLineLength = 64 * 1024;
    // The longest replies servers give (HELP, FEAT, a STAT of a directory) run
    // to some kilobytes or a few thousand lines; these bounds are far above that.
    // The bytes of a reply count every line with its line end.
    static constexpr qsizetype MaxReplySize = 1024 * 1024;
    static constexpr qsizetype MaxReplyLines = 64 * 1024;

    enum class Overflow { None, Line, Reply };

    void feed(QByteArrayView bytes);
    // The next whole reply, or nothing while more bytes are needed.
    std::optional<RawReply> next();
    // Forgets every byte received (a new connection, or one that broke).
    void clear();
    // The lines of a multi-line reply that is still open (shown when the connection breaks).
    RawReply unfinished() const { return partial; }
    bool hasPendingBytes() const { return !ready.isEmpty() || splitter.hasPartialLine(); }
    // What was too long (a reply, when both were): the connection is no good.
    Overflow overflow() const;
    bool overflowed() const { return overflow() != Overflow::None; }

private:
    void take(const QByteArray &line);

    LineSplitter splitter{MaxLineLength + 1};   // and the CR of its CR LF
    QList<RawReply> ready;     // whole replies not yet asked for
    RawReply partial;          // lines of a multi-line reply still open
    qsizetype partialBytes = 0;
    QByteArray openCode;   // its three digits; empty when none is open
    bool replyOverflow = false;   // a reply too long: every later byte is ignored
};

// A reply as callers see it: decoded in the server's encoding.
struct Reply {
    int code = 0;           // the three digits that begin the last line; 0 when it has none
    QString text;           // the last line; empty when no reply came (closed, failed, cancelled)
    QStringList lines;      // every line, the last one included
    // False when the command was never sent or no reply could be read, so that
    // nothing of a previous reply passes for this command's answer.
    bool answered = false;

    bool isEmpty() const { return text.isEmpty(); }
    bool isPreliminary() const { return code / 100 == 1; }
    bool isPositive() const { return code / 100 == 2; }
    // The preliminary replies after which the server opens the data connection:
    // some servers announce a transfer with 125 rather than 150.
    bool opensData() const { return code == 150 || code == 125; }
};

// The three digits at the start of a line as a number, or 0 when it does not start with three digits.
int replyCode(QByteArrayView line);

// The size a 150 (or 125) reply announces: the digits after the last "(",
// read as one number ("(1,048,576 bytes)" is 1048576; 0 when there are none
// or too many); SizeUnknown when the reply has no "(" at all.
qint64 expectedTransferSize(const QString &replyText);
// What a server that gives no size stands for: the gauge shows no fraction.
inline constexpr qint64 SizeUnknown = 2147483647;

// The text between the first and the last occurrence of ch; empty when ch occurs fewer than two times.
// When every ch inside comes doubled (RFC 959's rule for a quote in a path name),
// each pair stands for one ch.
QString ExtractQuoted(const QString &text, QChar ch);

} // namespace kav
