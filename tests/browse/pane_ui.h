#pragma once
// A recording main window whose host pane really follows the session: 257
// replies reach the history combo and refreshes re-read the lists.

#include "recording_ui.h"

#include "browse/host_pane.h"

namespace kavtest {

class PaneUi : public RecordingUi {
public:
    kav::HostPane *pane = nullptr;
    void hostDirectoryReported(const QString &name) override
    {
        RecordingUi::hostDirectoryReported(name);
        if (pane)
            pane->hostDirectoryReported(name);
    }
    void refreshHostLists() override
    {
        RecordingUi::refreshHostLists();
        if (pane)
            pane->RBrefreshClick();
    }
};

} // namespace kavtest
