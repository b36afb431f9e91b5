#pragma once
// Local file names whatever their bytes. Names on this system are bytes; Qt's
// file classes see them as UTF-8 and turn any other byte into U+FFFD, so a name
// from an old Korean archive (code page 949) or from a server with another
// encoding could not be opened, and two such names would become one.
//
// A local path here is a QString in which every byte that is not part of valid
// UTF-8 is the lone surrogate U+DC00+byte: the same escape the server codecs
// use, so a host name's undecodable bytes reach the local name unchanged and
// a local name's bytes reach the server unchanged.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringView>
#include <QUrl>

#include <optional>

class QFile;

namespace kav::localpath {

// The bytes of a local path; nothing when the text holds a lone surrogate that
// is no escaped byte (no file name can be made from it).
std::optional<QByteArray> encode(QStringView path);
// A local path from the system's bytes (undecodable bytes escaped).
QString decode(QByteArrayView bytes);
// True when the path holds escaped bytes, i.e. Qt's own file classes cannot reach it.
bool hasEscapes(QStringView path);

// How a name is shown: valid UTF-8 as it is, otherwise valid code page 949
// decoded as such, otherwise with each undecodable byte shown as "\xHH".
QString displayName(QByteArrayView bytes);
QString displayName(QStringView path);
// A path as it is shown: each of its names on its own, as displayName shows it
// (one folder in code page 949 and a file of no encoding inside it both read well).
QString displayPath(QStringView path);
// The local path the user means by `shown`, a text edited from displayPath(`like`):
// `like` itself when unchanged, `like` plus the rest when only text was added at
// the end (words after a program, a folder below), else the text as typed.
QString fromShownPath(const QString &shown, const QString &like);
// The local path the user means by `shown`, a text edited from the shown form of
// `like` (a name or a path): `like` itself when unchanged, `like` plus the rest
// when only text was added at the end, else the text written the way `like` is
// (code page 949 when `like` is shown decoded as such, "\xHH" back to its byte
// when `like` shows such bytes).
QString fromShown(const QString &shown, const QString &like);

// Opens `file` on the path for ReadOnly, WriteOnly (with Truncate) or Append,
// whatever the path's bytes. False when it cannot (file.errorString() says why).
bool open(QFile &file, const QString &path, QIODevice::OpenMode mode);
// Writes the file whole or not at all, whatever the path's bytes: beside it
// under a temporary name, flushed, then renamed over it, so a failed write
// leaves the old file as it was (an existing file keeps its permissions; a
// link keeps pointing at the file it names). False with the reason in `error`.
bool saveFile(const QString &path, QByteArrayView bytes, QString *error = nullptr);
// Writes all of `bytes` to the open descriptor and flushes them to the disk:
// 0, or the errno of the failure. The part every whole-file save shares.
int writeAllAndSync(int fd, QByteArrayView bytes);
bool isDirectory(const QString &path);
// Whether this process may write the file (or directory).
bool isWritable(const QString &path);
// The size of a regular file (a link to one counts); -1 when there is none.
qint64 regularFileSize(const QString &path);
bool remove(const QString &path);
bool makeDirectory(const QString &path);
bool removeDirectory(const QString &path);
// Sets a file's modification time (a link's target's), e.g. to the host's
// time after a download, so the copies compare equal afterwards.
bool setModified(const QString &path, const QDateTime &time);

// The process's current directory, whatever its bytes, and the way to change it.
QString currentDirectory();
bool setCurrent(const QString &path);

// What the system says of a path, symbolic links followed (a dangling link
// still shows as a link, with its own times).
struct Status {
    bool exists = false;        // the path, or a link's target, is there
    bool isSymLink = false;
    bool isDirectory = false;
    bool isFile = false;        // a regular file
    bool ownerWritable = false;
    bool readable = false;      // by this process (directories: listable too)
    bool executable = false;    // a file this process may run
    qint64 size = 0;
    QDateTime modified, lastRead, statusChanged, born;   // born: invalid when unknown
};
Status status(const QString &path);

// A file: URL whose percent-escapes carry the path's exact bytes.
QUrl fileUrl(const QString &path);
// The local path a file: URL names, its percent-escapes taken as the name's bytes:
// file managers send a name that is not UTF-8 that way. Empty for any other URL.
QString fromUrl(const QUrl &url);

struct Entry {
    QString path;      // the name as a local path (escapes for foreign bytes)
    QString display;   // the name as shown
};
// The regular, non-hidden files of a directory, every one whatever its bytes
// (symbolic links to regular files count), sorted by shown name without regard to case.
QList<Entry> regularFiles(const QString &directory);
// The non-hidden subdirectories (links to directories count), the same way.
QList<Entry> directories(const QString &directory);
// The non-hidden subdirectories that are no symbolic links, the same way: what a
// walk down a tree may enter without ever going round a link loop.
QList<Entry> plainDirectories(const QString &directory);
// Every entry, "." and ".." and hidden ones included, in the order the system gives.
QList<Entry> allEntries(const QString &directory);

// The entries of a directory with what a comparison needs of each, links not
// followed: one system call a name, in the order the system gives, "." and
// ".." left out. `readable` false when the directory could not be read.
struct EntryFacts {
    QString path;            // the name as a local path
    enum class Kind { File, Directory, Link, Other } kind = Kind::Other;
    qint64 size = 0;
    QDateTime modified;
};
QList<EntryFacts> entryFacts(const QString &directory, bool *readable = nullptr);

} // namespace kav::localpath
