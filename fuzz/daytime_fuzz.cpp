// Any bytes as a daytime server's answer. The first byte chooses how the rest
// is cut into receives; the reader keeps no more than its limit and finds the
// same line however the bytes arrive, and a parsed time either is one the
// clock can show and set, or is refused.
#include "fuzz_check.h"

#include "nettools/daytime.h"
#include "platform/cp949.h"

#include <cstddef>
#include <cstdint>
#include <ctime>

using kav::DaytimeReader;

// The clock's local time without daylight saving, so that every valid host
// time is a time of day that exists.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("TZ", "UTC");
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const unsigned shape = data[0];
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);

    DaytimeReader whole;
    whole.feed(bytes);
    DaytimeReader pieces;
    for (qsizetype at = 0, i = 0; at < bytes.size() && !pieces.done(); ++i) {
        // Receives of 1 to 4096 bytes, varying with the position.
        const qsizetype len = fuzzPieceLength(shape, i, bytes.size() - at);
        pieces.feed(bytes.sliced(at, len));
        at += len;
    }
    FUZZ_CHECK(whole.data().size() <= DaytimeReader::MaxBytes);
    FUZZ_CHECK(pieces.data().size() <= DaytimeReader::MaxBytes);
    FUZZ_CHECK(whole.data().startsWith(pieces.data()));
    FUZZ_CHECK(pieces.lineEnded() == whole.lineEnded());

    bool complete = false;
    const QByteArray line = kav::daytimeLine(pieces.data(), &complete);
    FUZZ_CHECK(complete == pieces.lineEnded());
    FUZZ_CHECK(line == kav::daytimeLine(whole.data()));
    FUZZ_CHECK(!line.contains('\n') && !line.contains('\0'));

    const kav::DaytimeTime t = kav::parseDaytime(line);
    FUZZ_CHECK(t.dateCaption.size() <= 15);
    FUZZ_CHECK(t.hourOffset == 0 || t.hourOffset == 12);
    if (t.isValid()) {
        const QDateTime when = t.dateTime();
        FUZZ_CHECK(when.isValid());
        FUZZ_CHECK(when.date() == QDate(t.year, t.month, t.day));
        FUZZ_CHECK(when.time().hour() == t.hour + t.hourOffset);
        FUZZ_CHECK(t.hour >= 0 && t.hour <= 12);
        FUZZ_CHECK(t.month >= 1 && t.month <= 12);
    } else {
        FUZZ_CHECK(!t.dateTime().isValid());
    }
    // What the refusal shows.
    kav::cp949::decode(line);
    return 0;
}
