#pragma once
// The listing of a host directory's entries, asked the same way by every user
// of entries (the host pane, the host search): MLSD where the server's FEAT
// offered it, LIST otherwise. Either way the lines go through the one parser
// (listing.h), which knows every form, so callers need not know which came.

#include "ftp/session.h"

#include <QByteArrayView>
#include <QList>

#include <functional>

namespace kav {

// Opens the data connection for the entries of the current host directory.
// A server that announced MLST but answers MLSD as an unknown command (500,
// 502, or 501/504 for its syntax) gets LIST at once, so the directory is still
// listed; any other refusal (550: not readable) is the caller's to report.
DataOpening openEntryListing(Session &session);

// How reading an opened listing ended.
enum class ListingRead {
    Complete,   // the server closed the data: its final reply is read
    Stopped,    // `consume` asked to stop: the final reply is read
    Failed,     // the data connection broke: logged, and the session dropped
};

// Reads an opened listing's data to its end in large chunks. Each chunk's
// whole lines (without their LF; views valid during the call) go to `consume`
// with the chunk's byte count,
// after the session has seen them for the server's encoding; `consume`
// returns false to stop.
// Lines past 64 KiB are a broken or hostile server: skipped, with one log line,
// never kept growing. Window events are pumped between chunks.
ListingRead readListing(Session &session,
                        const std::function<bool(const QList<QByteArrayView> &lines, qsizetype bytes)> &consume);

} // namespace kav
