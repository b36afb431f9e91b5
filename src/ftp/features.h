#pragma once
// What a server says it can do beyond RFC 959: its answer to FEAT (RFC 2389),
// asked once after login. A server that does not know FEAT (a 500 or 502)
// offers nothing beyond the old commands.

#include "reply.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kav {

struct ServerFeatures {
    bool answered = false;   // FEAT was answered with its list (211), perhaps an empty one
    bool hasMlst = false;    // MLST/MLSD: machine-readable listings (RFC 3659)
    bool hasUtf8 = false;    // names travel in UTF-8 (RFC 2640)
    bool hasSize = false;    // SIZE of a file
    bool hasRest = false;    // REST STREAM: a transfer restarted at an offset
    bool hasEpsv = false;    // EPSV: extended passive mode (RFC 2428)
    bool hasEprt = false;    // EPRT: extended active mode (RFC 2428)
    bool hasMdtm = false;    // MDTM: a file's modification time
    bool hasMfmt = false;    // MFMT: set a file's modification time
    // HASH (draft-bryan-ftpext-hash): the algorithms offered, upper case as
    // spelled ("SHA-256"), and the one in force (marked "*"; empty: unsaid).
    QStringList hashAlgorithms;
    QString hashCurrent;
    // The older one-algorithm commands that answer a file's digest.
    bool hasXsha256 = false;
    bool hasXsha1 = false;
    bool hasXmd5 = false;
    // The facts MLST offers, as the server spells them, without the "*" that
    // marks the ones it sends now ("type", "UNIX.mode").
    QStringList mlstFacts;
    // Those among them that the server sends without being asked.
    QStringList mlstFactsOn;

    // Reads a reply to FEAT; a refusal gives no features.
    static ServerFeatures fromReply(const Reply &reply);
};

// The facts a listing needs: what kind each entry is, its size and time, and
// the UNIX mode that tells an executable (the "perm" fact cannot).
// "OPTS MLST type;size;modify;perm;UNIX.mode;" with those the server offers,
// when one of them is offered but not sent by default (pyftpdlib leaves
// UNIX.mode off); none when the server already sends them all.
std::optional<QString> mlstOptionsCommand(const ServerFeatures &features);

} // namespace kav
