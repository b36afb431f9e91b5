#pragma once
// The resources of a PE file (.exe, .dll), read from its bytes on Qt Core
// alone: the icon groups, each made into the bytes of an .ico file, and the
// version resource. Every offset, size and count in the file is hostile input:
// a truncated or crafted file yields fewer resources or none, never a read
// outside the buffer, and a resource tree that points into itself is walked once.

#include <QByteArray>
#include <QList>
#include <QString>

namespace kav::pe {

enum ResourceType : quint32 {
    RtIcon = 3,
    RtGroupIcon = 14,
    RtVersion = 16,
};

// One leaf of the resource tree: type, name (a number, or a text name with
// `id` 0), language and the bytes of the data.
struct Resource {
    quint32 type = 0;
    quint32 id = 0;
    QString name;
    quint32 language = 0;
    QByteArray data;
};

// Every resource in the order of the tree (named entries before numbered ones
// at each level, as the file keeps them). Empty for anything that is not a PE
// file with a readable resource directory. At most `maxResources` leaves.
QList<Resource> readResources(const QByteArray &file, int maxResources = 4096);

// The icon groups, each as the bytes of an .ico file holding the group's images
// (images whose data is missing are left out; a group with none is left out).
QList<QByteArray> iconGroupFiles(const QByteArray &file);

// The bytes of the first version resource; empty when there is none.
QByteArray versionResource(const QByteArray &file);

} // namespace kav::pe
