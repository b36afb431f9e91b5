#include "host_listing.h"

#include "ftp/transcript.h"
#include "platform/event_pump.h"
#include "platform/text.h"

#include <algorithm>
#include <vector>

namespace kav {

DataOpening openEntryListing(Session &session)
{
    const QString command = session.listingCommand();
    DataOpening opening = session.openData(command);
    const int code = opening.reply.code;
    const bool unknownCommand = code == 500 || code == 501 || code == 502 || code == 504;
    if (command != QLatin1String("LIST") && opening.status == DataOpening::Status::Refused && unknownCommand
        && session.isConnected())
        opening = session.openData(QStringLiteral("LIST"));
    return opening;
}

ListingRead readListing(Session &session,
                        const std::function<bool(const QList<QByteArrayView> &, qsizetype)> &consume)
{
    // Large chunks: a few system calls for a big directory, each chunk's lines
    // handled before the next is read.
    constexpr int ChunkSize = 256 * 1024;
    constexpr qsizetype MaxLine = 64 * 1024;
    LineSplitter splitter(MaxLine);
    std::vector<char> chunk(ChunkSize);
    // Only a line with a byte above ASCII can decide the server's encoding: the
    // lines are shown to the session only while such a byte has been received
    // (perhaps in a line not yet ended) and the encoding is still open.
    bool foreignBytes = false;
    const auto hand = [&](const QList<QByteArrayView> &lines, const char *data, qsizetype bytes) {
        if (!session.serverEncodingShown()) {
            foreignBytes = foreignBytes || std::any_of(data, data + bytes, [](char c) { return uchar(c) >= 0x80; });
            if (foreignBytes)
                for (const QByteArrayView line : lines)
                    session.noteServerText(line);
        }
        return consume(lines, bytes);
    };
    ListingRead outcome = ListingRead::Complete;
    for (;;) {
        const int n = session.receiveData(chunk.data(), ChunkSize);
        if (n == 0)
            break;   // a last line without its LF is not a whole line: dropped
        if (n < 0) {
            // A server that ended the session has been reported once already.
            if (session.stillThere()) {
                session.log(TranscriptSide::Host, QStringLiteral("네트워크 오류: 데이타를 수신할 수 없는 상태입니다."));
                session.drop();
            }
            return ListingRead::Failed;
        }
        if (!hand(splitter.feedViews(chunk.data(), n), chunk.data(), n)) {
            outcome = ListingRead::Stopped;
            break;
        }
        PumpWhenDue();   // between chunks: the window never waits for a whole listing
    }
    if (splitter.overflowed())
        session.log(TranscriptSide::Host, QStringLiteral("65536 바이트를 넘는 목록 줄은 건너뛰었습니다."));
    session.finishData();
    return outcome;
}

} // namespace kav
