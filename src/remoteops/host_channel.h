#pragma once
// The one place where the host file commands meet the protocol: a text stream of
// one host file over the session's data channel, the whole-file download and
// upload of the transfer engine, the transfer type, the transcript, and dropping
// or closing the connection. Everything above it (the view, print, edit and hex
// view commands) speaks only to this class.

#include "ftp/transcript.h"

#include <QString>
#include <functional>

namespace kav {

class Session;
class TransferEngine;

class HostChannel {
public:
    // `disconnect` is the main window's disconnect command.
    HostChannel(Session &session, TransferEngine &engine, std::function<void()> disconnect);

    bool connected() const;
    // A data connection is being set up or used by another command.
    bool dataBusy() const;
    void log(TranscriptSide side, const QString &text);

    struct Opened {
        enum State { Refused, Empty, Ready } state = Refused;
        // The size the server announced, else the size known before (the listing's);
        // SizeUnknown when neither tells it.
        qint64 size = -1;
    };
    // Opens the data channel for `name` of the current host directory in ASCII
    // type. `knownSize` is the file's size as the listing gave it (-1: none); it stands
    // in for the server's announcement when the server makes none. Refused: nothing to
    // read (the server's reply is logged). Empty: the file has 0 bytes; no data
    // connection was taken and its final reply is logged. Ready: the data connection
    // is open for receive(), then finish().
    Opened openText(const QString &name, qint64 knownSize = -1);
    // Bytes of the open data connection: a count, 0 at its end, below 0 on an error.
    int receive(char *buffer, int size);
    // Closes the data connection and reads (and logs) the server's final reply;
    // true when it is a positive one.
    bool finish();

    // The connection is unusable: close it without a word to the server.
    void dropConnection();
    // The main window's disconnect.
    void disconnect();

    // The transfer type in force (-1 none yet, 1 ASCII, 2 image), and putting one back.
    int transferType() const;
    void restoreTransferType(int type);

    // Whole files through the transfer engine (its progress shows in the transfer
    // window): true only when the server confirmed the transfer.
    bool download(const QString &hostName, const QString &localPath, bool forceBinary);
    bool upload(const QString &localPath, const QString &hostPath);
    // A working copy to edit, fetched and stored back in image type: byte for byte.
    bool downloadCopy(const QString &hostName, const QString &localPath);
    bool uploadCopy(const QString &localPath, const QString &hostPath);

private:
    Session &session;
    TransferEngine &engine;
    std::function<void()> disconnectCommand;
};

} // namespace kav
