#pragma once
// The version resource (VS_VERSIONINFO) of a PE file, read on Qt Core alone:
// the strings of each StringFileInfo table. Every length in the resource is
// hostile input; a broken node ends the walk of its parent, never a read past
// the buffer.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace kav {

struct VersionInfo {
    qsizetype size = 0;  // the resource's bytes (0: the file has none)
    // (table key such as "040904E4", string key, value), in file order.
    struct Entry {
        QString table;
        QString key;
        QString value;
    };
    QList<Entry> strings;

    // VerQueryValue's "StringFileInfo\<table>\<key>": keys and table names are
    // compared without letter case. Found only when the string is present.
    bool query(const QString &table, const QString &key, QString *value) const;
};

// Parses the bytes of a version resource.
VersionInfo parseVersionResource(const QByteArray &resource);

// The version information of a file on disk: the PE file's version resource,
// or size 0 for any other file (and for files larger than `maxBytes`).
VersionInfo fileVersionInfo(const QString &path, qint64 maxBytes = 256 * 1024 * 1024);

} // namespace kav
