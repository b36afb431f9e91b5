#include "local_search.h"

#include "platform/wildcard.h"

#include <QDir>
#include <QFileInfo>

namespace kav {

namespace {

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
        QDir dir(dirPath);
        if (!dir.isReadable())
            return !stop();
        ++read;
        if (cb.directoryRead)
            cb.directoryRead(read);
        const QDir::Filters files = QDir::Files | QDir::NoDotAndDotDot;
        for (const QFileInfo &info : dir.entryInfoList(files, QDir::Name)) {
            if (!matchesLocalMask(mask, info.fileName()))
                continue;
            ++found;
            if (cb.found)
                cb.found(QDir(dirPath).filePath(info.fileName()), found);
            if (stop())
                return false;
        }
        if (!subdirectories || stop())
            return !stop();
        const QDir::Filters dirs = QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks;
        for (const QFileInfo &info : dir.entryInfoList(dirs, QDir::Name)) {
            if (!visit(QDir(dirPath).filePath(info.fileName())))
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
    const QFileInfo start(startDir);
    if (!start.isDir() || !QDir(start.absoluteFilePath()).isReadable())
        return LocalSearchResult::StartUnreadable;
    Walk walk{mask, subdirectories, callbacks};
    const bool finished = walk.visit(QDir::cleanPath(start.absoluteFilePath()));
    return finished ? LocalSearchResult::Finished : LocalSearchResult::Stopped;
}

} // namespace kav
