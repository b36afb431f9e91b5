// Any bytes as KAVRIN.INI: load -> save -> load gives back every line and every
// value, and a second save writes the same bytes. The bytes are also stored as
// values (read in either encoding, escapes and all), in a code page 949 file
// and in a UTF-8 one: each must read back as it was held.
#include "fuzz_check.h"

#include "platform/cp949.h"
#include "platform/ini_file.h"
#include "platform/utf8x.h"

#include <cstddef>
#include <cstdint>

using kav::IniFile;

namespace {

void checkReloads(const IniFile &ini)
{
    const QByteArray saved = ini.toBytes();
    IniFile back;
    back.loadBytes(saved);
    FUZZ_CHECK(back.lines() == ini.lines());
    FUZZ_CHECK(back.toBytes() == saved);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    IniFile file;
    file.loadBytes(bytes);
    checkReloads(file);
    // Every reader on every key of the first sections.
    const QStringList lines = file.lines();
    for (const QString &line : lines.first(qMin<qsizetype>(lines.size(), 64))) {
        if (!line.startsWith(QLatin1Char('[')))
            continue;
        const QString section = line.mid(1, line.indexOf(QLatin1Char(']')) - 1);
        for (const IniFile::Entry &e : file.entries(section)) {
            FUZZ_CHECK(file.hasKey(section, e.key));
            file.readString(section, e.key);
            file.readInt(section, e.key, 7);
        }
    }

    for (const bool utf8 : {false, true}) {
        IniFile values;
        values.writeString(QStringLiteral("LASTFILE"), QStringLiteral("0"), kav::utf8x::decode(bytes));
        values.writeString(QStringLiteral("LASTFILE"), QStringLiteral("1"), kav::cp949::decode(bytes));
        if (utf8)
            values.writeString(QStringLiteral("OTHER"), QStringLiteral("x"), QStringLiteral("😀"));
        IniFile back;
        back.loadBytes(values.toBytes());
        for (const char *key : {"0", "1"})
            FUZZ_CHECK(back.readString(QStringLiteral("LASTFILE"), QLatin1String(key))
                       == values.readString(QStringLiteral("LASTFILE"), QLatin1String(key)));
        checkReloads(values);
    }
    return 0;
}
