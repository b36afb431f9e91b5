// Any bytes as a PE file (its icon groups decoded, its version resource parsed)
// and as an icon file.
#include "platform/icon_images.h"
#include "platform/pe_resources.h"
#include "platform/version_info.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QByteArray &group : kav::pe::iconGroupFiles(bytes))
        kav::standardIconIndex(kav::decodeIcoFile(group));
    kav::parseVersionResource(kav::pe::versionResource(bytes));
    kav::parseVersionResource(bytes);
    kav::decodeIcoFile(bytes);
    kav::decodeIconImage(bytes);
    return 0;
}
