#include "local_search.h"

#include "platform/local_path.h"
#include "platform/wildcard.h"

#include <QDir>

#include <algorithm>

namespace kav {

namespace {

// Names reach the system through local_path: Qt's own directory listing would
// skip a file or a folder whose name is not UTF-8 (an old Korean archive's).
QString inside(const QString &dir, const QString &name)
{
    return dir.endsWith(QLatin1Char('/')) ? dir + name : dir + QLatin1Char('/') + name;
}

// By the shown name, capitals first, as the search has always walked.
QList<localpath::Entry> byName(QList<localpath::Entry> entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const localpath::Entry &a, const localpath::Entry &b) {
        return QString::compare(a.display, b.display, Qt::CaseSensitive) < 0;
    });
    return entries;
}

struct Walk {
    QString mask;
    bool subdirectories;
    const LocalSearchCallbacks &cb;
    int read = 0;
    int found = 0;

    bool stop() const { return cb.stopRequested && cb.stopRequested(); }

    // false: stop requested.
    bool visit(const QString &dirPath)
    {
        if (!localpath::status(dirPath).readable)
            return !stop();
        ++read;
        if (cb.directoryRead)
            cb.directoryRead(read);
        // The mask is what the user typed: it is matched against the name as shown.
        for (const localpath::Entry &file : byName(localpath::regularFiles(dirPath))) {
            if (!matchesLocalMask(mask, file.display))
                continue;
            ++found;
            if (cb.found)
                cb.found(inside(dirPath, file.path), found);
            if (stop())
                return false;
        }
        if (!subdirectories || stop())
            return !stop();
        for (const localpath::Entry &dir : byName(localpath::plainDirectories(dirPath))) {
            if (!visit(inside(dirPath, dir.path)))
                return false;
            if (stop())
                return false;
        }
        return true;
    }
};

} // namespace

LocalSearchResult searchLocalFiles(const QString &startDir, const QString &mask, bool subdirectories,
                                   const LocalSearchCallbacks &callbacks)
{
    if (startDir.isEmpty())
        return LocalSearchResult::StartUnreadable;
    const bool absolute = startDir.startsWith(QLatin1Char('/'));
    const QString start = QDir::cleanPath(absolute ? startDir : localpath::currentDirectory() + QLatin1Char('/') + startDir);
    const localpath::Status facts = localpath::status(start);
    if (!facts.isDirectory || !facts.readable)
        return LocalSearchResult::StartUnreadable;
    Walk walk{mask, subdirectories, callbacks};
    const bool finished = walk.visit(start);
    return finished ? LocalSearchResult::Finished : LocalSearchResult::Stopped;
}

} // namespace kav
