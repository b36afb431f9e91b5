#pragma once
// The one place where the host file commands meet the server: a text stream of
// one host file through the remote file system, the whole-file download and
// upload of the transfer engine, the transfer type, the transcript, and dropping
// or closing the connection. Everything above it (the view, print, edit and hex
// view commands) speaks only to this class.

#include "ftp/transcript.h"

#include <QString>
#include <functional>

namespace kav {

class RemoteFs;
class TransferEngine;

class HostChannel {
public:
    // `disconnect` is the main window's disconnect command.
    HostChannel(RemoteFs &fs, TransferEngine &engine, std::function<void()> disconnect);

    bool connected() const;
    // A data connection is being set up or used by another command.
    bool dataBusy() const;
    void log(TranscriptSide side, const QString &text);

    struct Opened {
        enum State { Refused, Empty, Ready } state = Refused;
        // The size the server announced, else the size known before (the listing's);
        // -1 or SizeUnknown (FTP's "no size") when neither tells it.
        qint64 size = -1;
    };
    // Opens `name` of the current host directory to read as text (on FTP: in
    // ASCII type). `knownSize` is the file's size as the listing gave it (-1: none);
    // it stands in for the server's announcement when the server makes none.
    // Refused: nothing to read (the server's reply is logged). Empty: the file has
    // 0 bytes; no data connection was taken and its final reply is logged. Ready:
    // the data connection is open for receive(), then finish().
    Opened openText(const QString &name, qint64 knownSize = -1);
    // Bytes of the open data connection: a count, 0 at its end, below 0 on an error.
    int receive(char *buffer, int size);
    // Closes the data connection and reads (and logs) the server's final reply;
    // true when it is a positive one.
    bool finish();

    // The connection is unusable: close it without a word to the server.
    void dropConnection();
    // A transfer broke: `notice` is logged and the connection dropped, unless
    // the server ended the session itself, which has been said once already.
    void connectionBroken(const QString &notice);
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
    RemoteFs &fs;
    TransferEngine &engine;
    std::function<void()> disconnectCommand;
};

} // namespace kav
