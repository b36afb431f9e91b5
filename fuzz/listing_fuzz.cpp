// Any bytes as a directory listing: cut into lines as they arrive, classified
// with the names decoded in both server encodings, with every field tail taken. A name that
// is offered must come from the line, and the safe-name rule must hold. No
// entry has an empty name, is "." or "..", or has a name that contains the
// line's date (it lies wholly before or wholly after it).
#include "fuzz_check.h"

#include "ftp/listing.h"
#include "platform/cp949.h"
#include "platform/text.h"
#include "platform/utf8x.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kav::LineSplitter splitter(64 * 1024);
    QList<QByteArray> lines = splitter.feed(reinterpret_cast<const char *>(data), qsizetype(size));
    lines << splitter.takePartialLine();
    for (const QByteArray &raw : lines) {
        FUZZ_CHECK(raw.size() <= 64 * 1024);
        for (const kav::ListingNameDecoder decode : {&kav::utf8x::decode, &kav::cp949::decode}) {
            const QString line = kav::withoutTrailingCR(decode(raw));
            for (int n = 0; n <= 11; ++n)
                FUZZ_CHECK(kav::ListFieldTail(line, n).size() <= line.size());
            // Read from the bytes, only the name decoded, as the host pane reads.
            const auto parsed = kav::parseListingLine(raw, decode);
            const auto entry = parsed ? parsed->entry : std::nullopt;
            FUZZ_CHECK(entry.has_value() == kav::classifyListingLine(raw, decode).has_value());
            if (entry) {
                FUZZ_CHECK(line.contains(entry->name));
                FUZZ_CHECK(!entry->name.isEmpty());
                FUZZ_CHECK(entry->name != QLatin1String(".") && entry->name != QLatin1String(".."));
                if (parsed->dateFrom >= 0) {
                    FUZZ_CHECK(parsed->dateFrom <= parsed->dateTo && parsed->dateTo <= raw.size());
                    const QString date = decode(raw.mid(parsed->dateFrom, parsed->dateTo - parsed->dateFrom));
                    const QString before = decode(raw.first(parsed->dateFrom));
                    const QString after = decode(raw.sliced(parsed->dateTo));
                    FUZZ_CHECK(!date.isEmpty());
                    FUZZ_CHECK(before.contains(entry->name) || after.contains(entry->name));
                    FUZZ_CHECK(!entry->name.contains(date) || before.contains(date) || after.contains(date));
                }
                if (kav::isSafeLocalName(entry->name)) {
                    FUZZ_CHECK(!entry->name.contains(QLatin1Char('/')));
                    FUZZ_CHECK(!entry->name.contains(QChar(0)));
                    FUZZ_CHECK(entry->name != QLatin1String("..") && entry->name != QLatin1String("."));
                }
            }
        }
    }
    return 0;
}
