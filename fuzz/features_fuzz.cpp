// Any bytes as the lines of a 211 answer to FEAT: reading them is bounded (at
// most 64 facts, each named once whatever its case, none empty or over 64
// characters), the facts sent by default are among those offered, and the
// OPTS MLST command made from them is one the client may send.
#include "fuzz_check.h"

#include "ftp/features.h"
#include "platform/utf8x.h"

#include <QSet>

#include <cstddef>
#include <cstdint>

using namespace kav;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    Reply reply;
    reply.code = 211;
    reply.answered = true;
    reply.lines << QStringLiteral("211-Features:");
    for (const QByteArray &line : bytes.toByteArray().split('\n'))
        reply.lines << utf8x::decode(line);
    reply.lines << QStringLiteral("211 End");
    reply.text = reply.lines.last();

    const ServerFeatures f = ServerFeatures::fromReply(reply);
    FUZZ_CHECK(f.answered);
    FUZZ_CHECK(f.mlstFacts.size() <= 64);
    QSet<QString> offered;
    for (const QString &fact : f.mlstFacts) {
        FUZZ_CHECK(!fact.isEmpty() && fact.size() <= 64);
        FUZZ_CHECK(!fact.contains(QLatin1Char(';')));
        FUZZ_CHECK(!offered.contains(fact.toCaseFolded()));
        offered.insert(fact.toCaseFolded());
    }
    QSet<QString> on;
    for (const QString &fact : f.mlstFactsOn) {
        FUZZ_CHECK(offered.contains(fact.toCaseFolded()));
        FUZZ_CHECK(!on.contains(fact.toCaseFolded()));
        on.insert(fact.toCaseFolded());
    }
    if (const std::optional<QString> command = mlstOptionsCommand(f)) {
        FUZZ_CHECK(command->startsWith(QLatin1String("OPTS MLST ")));
        FUZZ_CHECK(!command->contains(QLatin1Char('\r')) && !command->contains(QLatin1Char('\n')));
        FUZZ_CHECK(utf8x::encode(*command).size() + 2 <= 512);
    }
    // A refusal offers nothing.
    reply.code = 502;
    FUZZ_CHECK(!ServerFeatures::fromReply(reply).answered);
    return 0;
}
