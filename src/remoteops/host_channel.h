#pragma once
// The one place where the host file commands meet the protocol: a text stream of
// one host file over a data connection, the whole-file download and upload of the
// transfer engine, the transfer type, and dropping or closing the connection.
// Everything above it (the view, print, edit and hex view commands) speaks only
// to this class.

#include <QString>

namespace kav {

class Session;
class TransferEngine;

class HostChannel {
public:
    HostChannel(Session &session, TransferEngine &engine);
    virtual ~HostChannel() = default;

    bool connected() const;
    // A data connection is being set up or used by another command.
    bool dataBusy() const;

    struct Opened {
        enum State { Refused, Empty, Ready } state = Refused;
        qint64 size = -1;   // the size the server announced; 2147483647 when it gave none
        QString reply;      // Empty: the server's next reply (to be logged)
    };
    // Opens a data connection for `name` of the current host directory in ASCII
    // type. Refused: nothing to read (the server's reply is already logged).
    // Empty: the server announced 0 bytes; no data connection was accepted.
    // Ready: the data connection is open for receive().
    Opened openText(const QString &name);
    // Bytes of the open data connection: a count, 0 at its end, below 0 on an error.
    int receive(char *buffer, int size);
    // Closes the data connection and reads the server's final reply (empty when none).
    QString finish();

    // The connection is unusable: close it without a word to the server.
    void dropConnection();
    // The main window's disconnect.
    void disconnect();

    // The transfer type in force: -1 none yet, 1 ASCII, 2 image; and putting one back.
    int transferType() const;
    void restoreTransferType(int type);

    // Whole files through the transfer engine (its progress shows in the transfer
    // window): true only when the server confirmed the transfer.
    bool download(const QString &hostName, const QString &localPath, bool forceBinary);
    bool upload(const QString &localPath, const QString &hostPath);

private:
    Session &session;
    TransferEngine &engine;
};

} // namespace kav
