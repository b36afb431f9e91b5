#include "pe_resources.h"
#include "little_endian.h"

#include <QHash>
#include <QSet>
#include <optional>

namespace kav::pe {

namespace {

using le::u16At;
using le::u32At;

struct Section {
    quint32 virtualAddress = 0;
    quint32 virtualSize = 0;
    quint32 rawSize = 0;
    quint32 rawPointer = 0;
};

class Image {
public:
    explicit Image(const QByteArray &file) : file(file) {}

    bool parse()
    {
        if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z')
            return false;
        const auto peOffset = u32At(file, 0x3C);
        if (!peOffset || !(u32At(file, *peOffset) == 0x00004550u))
            return false;
        const qint64 coff = qint64(*peOffset) + 4;
        const auto sectionCount = u16At(file, coff + 2);
        const auto optionalSize = u16At(file, coff + 16);
        if (!sectionCount || !optionalSize)
            return false;
        const qint64 optional = coff + 20;
        const auto magic = u16At(file, optional);
        if (!magic)
            return false;
        qint64 countField = 0;
        if (*magic == 0x10B)
            countField = 92;
        else if (*magic == 0x20B)
            countField = 108;
        else
            return false;
        const auto dirCount = u32At(file, optional + countField);
        if (!dirCount || *dirCount <= 2 || countField + 4 + 3 * 8 > *optionalSize)
            return false;
        const auto rva = u32At(file, optional + countField + 4 + 2 * 8);
        const auto size = u32At(file, optional + countField + 4 + 2 * 8 + 4);
        if (!rva || !size || *rva == 0 || *size == 0)
            return false;
        resourceRva = *rva;
        const qint64 table = optional + *optionalSize;
        for (quint32 i = 0; i < *sectionCount && i < 96; ++i) {
            const qint64 at = table + qint64(i) * 40;
            const auto vsize = u32At(file, at + 8), vaddr = u32At(file, at + 12);
            const auto rsize = u32At(file, at + 16), rptr = u32At(file, at + 20);
            if (!vsize || !vaddr || !rsize || !rptr)
                break;
            sections.append({*vaddr, *vsize, *rsize, *rptr});
        }
        // The tree's offsets count from the directory's start; it may reach as far
        // as the section holding it has bytes in the file.
        const auto start = fileOffset(resourceRva, 16);
        if (!start)
            return false;
        treeStart = start->first;
        treeLength = start->second;
        return true;
    }

    // The file offset of `length` bytes at `rva`, and how many bytes the section
    // holds from there; nothing when they are not all in the file.
    std::optional<std::pair<qint64, qint64>> fileOffset(quint32 rva, qint64 length) const
    {
        for (const Section &s : sections) {
            const qint64 extent = qMax<qint64>(s.virtualSize, s.rawSize);
            if (rva < s.virtualAddress || qint64(rva) >= qint64(s.virtualAddress) + extent)
                continue;
            const qint64 into = qint64(rva) - s.virtualAddress;
            const qint64 rawEnd = qMin<qint64>(qint64(s.rawPointer) + s.rawSize, file.size());
            const qint64 at = qint64(s.rawPointer) + into;
            if (length < 0 || at + length > rawEnd)
                return std::nullopt;
            return std::make_pair(at, rawEnd - at);
        }
        return std::nullopt;
    }

    // Reads within the resource tree only.
    std::optional<quint32> tree16(quint32 offset) const
    {
        if (qint64(offset) + 2 > treeLength)
            return std::nullopt;
        return u16At(file, treeStart + offset);
    }
    std::optional<quint32> tree32(quint32 offset) const
    {
        if (qint64(offset) + 4 > treeLength)
            return std::nullopt;
        return u32At(file, treeStart + offset);
    }

    // A resource's text name, cut at MaxNameLength characters: no real name is
    // longer, and thousands of entries sharing one 65535-character name must
    // not cost a walk more than it is worth.
    QString treeName(quint32 offset) const
    {
        const auto length = tree16(offset);
        if (!length)
            return {};
        QString name;
        const quint32 kept = qMin<quint32>(*length, MaxNameLength);
        name.reserve(int(kept));
        for (quint32 i = 0; i < kept; ++i) {
            const auto c = tree16(offset + 2 + 2 * i);
            if (!c)
                return {};
            name.append(QChar(char16_t(*c)));
        }
        return name;
    }

    void walk(int maxResources)
    {
        QSet<quint32> visited;
        entryBudget = MaxEntries;
        walkDirectory(0, 0, Resource{}, visited, maxResources);
    }

    QList<Resource> resources;

private:
    void walkDirectory(quint32 offset, int level, Resource path, QSet<quint32> &visited, int maxResources)
    {
        // Each directory is read once: a tree that points back into itself (or
        // to a shared subdirectory) cannot make the walk loop or explode.
        if (visited.contains(offset) || visited.size() > 4 * maxResources)
            return;
        visited.insert(offset);
        const auto named = tree16(offset + 12), numbered = tree16(offset + 14);
        if (!named || !numbered)
            return;
        const quint32 count = *named + *numbered;
        for (quint32 i = 0; i < count && resources.size() < maxResources; ++i) {
            // Directories may overlap and share entries: the entries read in one
            // walk are counted, whatever the tree claims.
            if (--entryBudget < 0)
                return;
            const quint32 entry = offset + 16 + 8 * i;
            const auto nameField = tree32(entry), dataField = tree32(entry + 4);
            if (!nameField || !dataField)
                return;
            Resource here = path;
            quint32 id = 0;
            QString name;
            const bool named = *nameField & 0x80000000u;
            // Only the second level's names are kept; named types and languages
            // are of no use here.
            if (named && level == 1)
                name = treeName(*nameField & 0x7FFFFFFFu);
            else if (!named)
                id = *nameField;
            if (level == 0)
                here.type = named ? 0 : id;
            else if (level == 1) {
                here.id = id;
                here.name = name;
            } else
                here.language = id;
            const bool isDirectory = *dataField & 0x80000000u;
            if (level < 2) {
                if (isDirectory)
                    walkDirectory(*dataField & 0x7FFFFFFFu, level + 1, here, visited, maxResources);
                continue;
            }
            if (isDirectory)
                continue;  // a fourth level does not exist
            const auto dataRva = tree32(*dataField), dataSize = tree32(*dataField + 4);
            if (!dataRva || !dataSize)
                continue;
            const auto at = fileOffset(*dataRva, *dataSize);
            if (!at)
                continue;
            here.data = file.mid(at->first, *dataSize);
            resources.append(here);
        }
    }

    static constexpr quint32 MaxNameLength = 256;
    static constexpr int MaxEntries = 65536;

    const QByteArray &file;
    int entryBudget = MaxEntries;
    QList<Section> sections;
    quint32 resourceRva = 0;
    qint64 treeStart = 0;
    qint64 treeLength = 0;
};

void put16(QByteArray &out, quint32 v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray &out, quint32 v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

} // namespace

QList<Resource> readResources(const QByteArray &file, int maxResources)
{
    Image image(file);
    if (!image.parse())
        return {};
    image.walk(maxResources);
    return image.resources;
}

QList<QByteArray> iconGroupFiles(const QByteArray &file)
{
    const QList<Resource> all = readResources(file);
    QHash<quint32, int> iconById;
    for (int i = all.size() - 1; i >= 0; --i)
        if (all[i].type == RtIcon && all[i].name.isEmpty())
            iconById.insert(all[i].id, i);  // the first language wins
    QList<QByteArray> files;
    for (const Resource &group : all) {
        if (group.type != RtGroupIcon)
            continue;
        const QByteArray &g = group.data;
        const auto count = u16At(g, 4);
        if (!count || *count == 0)
            continue;
        struct Picked {
            QByteArray entry;  // the 8 bytes an .ico entry shares with the group entry
            QByteArray data;
        };
        QList<Picked> images;
        for (quint32 i = 0; i < *count; ++i) {
            const qint64 at = 6 + qint64(i) * 14;
            const auto iconId = u16At(g, at + 12);
            if (!iconId)
                break;
            const int index = iconById.value(*iconId, -1);
            if (index < 0 || all[index].data.isEmpty())
                continue;
            images.append({g.mid(at, 8), all[index].data});
        }
        if (images.isEmpty())
            continue;
        QByteArray ico;
        put16(ico, 0);
        put16(ico, 1);
        put16(ico, quint32(images.size()));
        quint32 offset = 6 + 16 * quint32(images.size());
        for (const Picked &p : images) {
            ico.append(p.entry);
            put32(ico, quint32(p.data.size()));
            put32(ico, offset);
            offset += quint32(p.data.size());
        }
        for (const Picked &p : images)
            ico.append(p.data);
        files.append(ico);
    }
    return files;
}

QByteArray versionResource(const QByteArray &file)
{
    for (const Resource &r : readResources(file))
        if (r.type == RtVersion && !r.data.isEmpty())
            return r.data;
    return {};
}

} // namespace kav::pe
