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
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringView>

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

// Opens `file` on the path for ReadOnly, WriteOnly (with Truncate) or Append,
// whatever the path's bytes. False when it cannot (file.errorString() says why).
bool open(QFile &file, const QString &path, QIODevice::OpenMode mode);
bool isDirectory(const QString &path);
// The size of a regular file (a link to one counts); -1 when there is none.
qint64 regularFileSize(const QString &path);
bool remove(const QString &path);

struct Entry {
    QString path;      // the name as a local path (escapes for foreign bytes)
    QString display;   // the name as shown
};
// The regular, non-hidden files of a directory, every one whatever its bytes
// (symbolic links to regular files count), sorted by shown name without regard to case.
QList<Entry> regularFiles(const QString &directory);

} // namespace kav::localpath
