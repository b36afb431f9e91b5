// Any text as a 227 or 229 reply and as the host field: a port read from a
// reply is always one a connection can go to (1-65535) and reads back from the
// reply that names it; a host field taken apart is put back together as the
// same host and port.
#include "fuzz_check.h"

#include "ftp/data_address.h"

#include <cstddef>
#include <cstdint>

using namespace kav;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    if (const std::optional<quint16> port = epsvPort(text)) {
        FUZZ_CHECK(*port >= 1);
        FUZZ_CHECK(epsvPort(QStringLiteral("229 Entering Extended Passive Mode (|||%1|)").arg(*port)) == port);
    }
    if (const std::optional<quint16> port = pasvPort(text)) {
        FUZZ_CHECK(*port >= 1);
        FUZZ_CHECK(pasvPort(QStringLiteral("227 Entering Passive Mode (127,0,0,1,%1,%2)")
                                .arg(*port >> 8)
                                .arg(*port & 0xff))
                   == port);
    }

    const HostInput in = splitHostInput(text);
    FUZZ_CHECK(in.port >= 0 && in.port <= 65535);
    if (!in.valid)
        return 0;
    FUZZ_CHECK(!in.host.isEmpty());
    FUZZ_CHECK(in.host == in.host.trimmed());
    // Put back together (an address with colons in brackets), it reads the same.
    if (!in.host.contains(QLatin1Char('[')) && !in.host.contains(QLatin1Char(']'))) {
        const int port = in.port ? in.port : 21;
        const QString again = in.host.contains(QLatin1Char(':'))
            ? QStringLiteral("[%1]:%2").arg(in.host, QString::number(port))
            : QStringLiteral("%1:%2").arg(in.host, QString::number(port));
        const HostInput back = splitHostInput(again);
        FUZZ_CHECK(back.valid);
        FUZZ_CHECK(back.host == in.host);
        FUZZ_CHECK(back.port == port);
    }
    return 0;
}
