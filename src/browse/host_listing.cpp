#include "host_listing.h"

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

} // namespace kav
