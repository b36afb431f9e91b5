#pragma once
// The list sections of KAVRIN.INI: the local bookmarks (BOOKMARK), the tools
// (TOOLS), and the per-profile host bookmarks (RBOOKMARK) and transfer queue
// (QUEUE). Keys are a prefix (empty, or the profile name with no separator)
// followed by the decimal index; a list is read up to its first empty value,
// and a save deletes the keys left over from a longer list, up to capacity - 1.
//
// A window that shows one of these lists plugs in through ListHolder. Until it
// does, a KeptList keeps the entries exactly as loaded, so that a save writes
// them back unchanged.

#include <QList>
#include <QString>
#include <QStringList>

namespace kav {

class IniFile;

inline constexpr int LocalBookmarkCapacity = 500;
inline constexpr int ToolsCapacity = 30;
inline constexpr int HostBookmarkCapacity = 500;
inline constexpr int QueueCapacity = 500;

struct HostBookmark {
    QString text;
    bool binary = false;  // "B": always image type; else "A": by extension
    bool operator==(const HostBookmark &) const = default;
};

struct QueueEntry {
    QString fileName;
    QString directory;
    bool binary = false;  // type letter "B" (anything but "A")
    bool upload = false;  // image index "0"; a download is "1"
    bool operator==(const QueueEntry &) const = default;
};

// The values of keys prefix0, prefix1, ... up to the first empty value or capacity.
QStringList readNumberedValues(const IniFile &ini, const QString &section, const QString &prefix,
                               int capacity);
// Writes values under prefix0 ... and deletes the keys from values.size() to capacity - 1.
// Values past the capacity are not written.
void writeNumberedValues(IniFile &ini, const QString &section, const QString &prefix,
                         const QStringList &values, int capacity);
// Deletes prefix0 ... prefix(capacity - 1).
void removeNumberedValues(IniFile &ini, const QString &section, const QString &prefix, int capacity);

QString encodeHostBookmark(const HostBookmark &entry);
HostBookmark decodeHostBookmark(const QString &value);
QString encodeQueueEntry(const QueueEntry &entry);
QueueEntry decodeQueueEntry(const QString &value);

QStringList readLocalBookmarks(const IniFile &ini);
void writeLocalBookmarks(IniFile &ini, const QStringList &entries);
QStringList readTools(const IniFile &ini);
void writeTools(IniFile &ini, const QStringList &entries);
QList<HostBookmark> readHostBookmarks(const IniFile &ini, const QString &profile);
void writeHostBookmarks(IniFile &ini, const QString &profile, const QList<HostBookmark> &entries);
QList<QueueEntry> readQueue(const IniFile &ini, const QString &profile);
void writeQueue(IniFile &ini, const QString &profile, const QList<QueueEntry> &entries);

// A list kept by a window. load() replaces the list, passing each entry through the
// window's add rule (which may refuse some); entries() is what a save writes.
template <typename T>
class ListHolder {
public:
    virtual ~ListHolder() = default;
    virtual void load(const QList<T> &entries) = 0;
    virtual QList<T> entries() const = 0;
};

// The stand-in while no window holds the list: entries stay as loaded.
template <typename T>
class KeptList : public ListHolder<T> {
public:
    void load(const QList<T> &entries) override { items = entries; }
    QList<T> entries() const override { return items; }

private:
    QList<T> items;
};

} // namespace kav
