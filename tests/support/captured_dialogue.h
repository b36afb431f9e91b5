#pragma once
// The control dialogues captured from real servers (tests/fixtures/ftp-servers,
// "-> " the client's lines, "<- " the server's): the server's reply to one
// command, as the bytes it sent.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace kavtest {

// The reply lines (with CR LF) that follow the first "-> `command`" line of
// `file`; empty when the file or the command is not there.
inline QByteArray capturedReply(const QString &file, const QByteArray &command)
{
    QFile f(QStringLiteral(KAVRIN_FIXTURES "/ftp-servers/") + file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray out;
    bool inReply = false;
    for (QByteArray line : f.readAll().split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith("-> ")) {
            if (inReply)
                break;
            inReply = line.mid(3) == command;
        } else if (inReply && line.startsWith("<- ")) {
            out += line.mid(3) + "\r\n";
        }
    }
    return out;
}

} // namespace kavtest
