#pragma once
// The listing of a host directory's entries, asked the same way by every user
// of entries (the host pane, the host search): MLSD where the server's FEAT
// offered it, LIST otherwise. Either way the lines go through the one parser
// (listing.h), which knows every form, so callers need not know which came.

#include "ftp/session.h"

namespace kav {

// Opens the data connection for the entries of the current host directory.
// A server that announced MLST but answers MLSD as an unknown command (500,
// 502, or 501/504 for its syntax) gets LIST at once, so the directory is still
// listed; any other refusal (550: not readable) is the caller's to report.
DataOpening openEntryListing(Session &session);

} // namespace kav
