#include "composition.h"

#include "transfer/trans_form.h"

namespace kav {

SessionCore::SessionCore(ConnectWindow &window)
    : flow(session, window)
{
}

SessionParts::SessionParts(ConnectWindow &window, const Views &views)
    : SessionCore(window)
{
    hostPane = std::make_unique<HostPane>(session, views.hostWidgets, *views.selectAfterRefresh);
    hostPane->hostAddress = [this] { return flow.profile.HostIP; };
    engine = std::make_unique<TransferEngine>(session, *views.transferWindow, *views.transferHost);
    commands = std::make_unique<TransferCommands>(session, *hostPane, *views.transferHost,
                                                  *views.transferWindow, *engine);
}

SessionParts::~SessionParts() = default;

} // namespace kav
