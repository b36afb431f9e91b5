#pragma once
// The listing parser: one line of a directory listing in, one host directory
// entry out. Servers write their listings in one of a few line forms; the
// parser is a table of them, tried in order (listing.cpp):
//
//   1. machine-readable facts, the lines of MLSD:
//        "type=file;size=29;modify=20261210132125;UNIX.mode=0644; 한글파일.txt"
//   2. UNIX "ls -l":
//        "-rw-r--r--   1 ftp      ftp            29 Dec 10 13:21 한글파일.txt"
//      first by fields (the name from the ninth field on), and when the fields
//      are not where that puts them (no group, a group with blanks, the link
//      count glued to the mode, ISO or localized dates), by finding the size
//      and the date: the name is what follows the date's single blank;
//   3. MS-DOS, as IIS (and Windows CE) writes it:
//        "12-31-25  01:02PM       <DIR>          자료"
//        "12-31-25  01:02PM                12345 한글파일.txt"
//   4. EPLF:   "+i8388621.48594,m825718503,r,s280,up755\tnotes.txt"
//   5. VMS:    "README.TXT;1        2/8    7-JAN-2000 10:30  [SYSTEM]  (RWED,RWED,RE,)"
//   6. OS/400: "QSYS            77824 02/23/00 15:09:55 *DIR       QGPL/"
//   7. MVS data sets and members:
//        "WYOSPT 3420   2003/05/21  1  200  FB      80  8053  PS  USER.DATA"
//        "MEMBER1  01.01 2004/06/22 2004/06/22 16:32   128   128    0 USER12"
//   8. Tandem (HP NonStop): "DATAFILE 101 528 6-Apr-07 14:21:18 255, 0 \"oooo\""
//
// Each form recognises its own lines strictly enough that no line of another
// form passes for one of its own, so the listing of any server (whatever the
// command that asked for it) can be fed line by line, in blocks as they
// arrive, without knowing its form beforehand. The functions are pure: no
// state is kept between lines.
//
// A line no form reads is refused rather than half-read: no entry ever has an
// empty name, is the directory itself or its parent ("." and ".."), or has a
// name that begins inside the line's date.
//
// Whichever form arrives, an entry is one of the same kinds: a directory, an
// executable file, a plain file, or a link (which the host pane lists with the
// directories).

#include "platform/text.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace kav {

// A link is listed with the directories: entering it is what links on servers
// are mostly for (mirrors' "pub -> /srv/pub"); one that is no directory is
// taken as a file when the server refuses to enter it.
enum class EntryKind { Directory, ExecutableFile, PlainFile, Link };

struct RemoteEntry {
    RemoteEntry() = default;
    RemoteEntry(QString name, EntryKind kind, qint64 size = -1, QDateTime modified = {})
        : name(std::move(name)), kind(kind), size(size), modified(std::move(modified))
    {
    }

    QString name;
    EntryKind kind = EntryKind::PlainFile;
    // The file's size in bytes as the line gives it; -1 when it gives none (a
    // directory, a link, a line too short or not a number).
    qint64 size = -1;
    // The time of the last change, where the form tells it exactly: MLSD's
    // "modify" fact, in UTC. Invalid otherwise (a UNIX line has no year for
    // recent files, an MS-DOS line no time zone).
    QDateTime modified;
    // The permission bits (0755), -1 where the listing gives none.
    int mode = -1;
    // Where a link points, where the listing tells it; empty otherwise.
    QString linkTarget;
};

// The line forms of the table, in the order they are tried. Note is a line
// that belongs to a listing but names nothing: blank lines, "total 12", the
// column headings of MVS and Tandem, VMS's "Total of 3 files".
enum class ListingForm { Facts, Unix, MsDos, Eplf, Vms, Os400, Mvs, Tandem, Note };

struct ParsedListingLine {
    ListingForm form;
    // None for a line of the form that names no entry to list: MLSD's own and
    // parent directory ("cdir", "pdir", or "." and ".." in any form), devices
    // and other special types.
    std::optional<RemoteEntry> entry;
    // Where the line writes the entry's date and time ("Dec 10 03:04",
    // "2005-04-08 11:22"), as byte offsets into the line [dateFrom, dateTo);
    // -1 when the form has none. The name never overlaps it.
    qsizetype dateFrom = -1;
    qsizetype dateTo = -1;
};

// Turns a name's bytes into its text: the session's decoder for the server's
// encoding (Session::textDecoder()), so a name keeps its bytes exactly.
using ListingNameDecoder = QString (*)(QByteArrayView bytes);

// The form a line of received bytes is written in and its entry; none when no
// form of the table knows the line (the caller counts those: a listing with
// lines nobody could read says so once). Only the name is decoded, by `decode`.
std::optional<ParsedListingLine> parseListingLine(QByteArrayView line, ListingNameDecoder decode);
std::optional<RemoteEntry> classifyListingLine(QByteArrayView line, ListingNameDecoder decode);

// The same for text already decoded (its bytes read as UTF-8 with escapes).
// The form a line is written in and its entry; none when no form of the table
// knows the line (lines beginning with a blank, NetWare's, a cut line). The
// line may still end with its CR.
std::optional<ParsedListingLine> parseListingLine(const QString &line);

// The entry of a listing line, whatever its form; none when there is nothing
// to list (parseListingLine() without the form).
std::optional<RemoteEntry> classifyListingLine(const QString &line);

// Field n (1-based) of a listing line together with everything after it, trimmed.
// Fields are separated by runs of spaces; a tab is part of a field. Empty when
// the line has fewer than n fields. Long names are kept whole.
QString ListFieldTail(const QString &line, int n);

// Whether a host file name may become a local file name: not empty, not "."
// or "..", and free of this platform's path separators and of NUL. Names that
// are not are still listed, but never written to the local disk.
bool isSafeLocalName(const QString &name);

// The one line the host lists log after a listing with lines no form could read.
QString unreadListingLinesNote(int count);

} // namespace kav
