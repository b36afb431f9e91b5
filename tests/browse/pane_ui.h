#pragma once
// A recording main window whose host pane really follows the session:
// refreshes after the login re-read the lists (the pane itself follows the
// session's 257 replies).

#include "recording_ui.h"

#include "browse/host_pane.h"

namespace kavtest {

class PaneUi : public RecordingUi {
public:
    kav::HostPane *pane = nullptr;
    void refreshHostLists() override
    {
        RecordingUi::refreshHostLists();
        if (pane)
            pane->RBrefreshClick();
    }
};

} // namespace kavtest
