#include "connection_fs.h"

namespace kav {

ConnectionFs::ConnectionFs(RemoteFs &initial) : fs(&initial)
{
    use(initial);
}

void ConnectionFs::use(RemoteFs &next)
{
    disconnect(reports);
    fs = &next;
    // Direct: the window follows inside the request, as it does on FTP.
    reports = connect(fs, &RemoteFs::directoryReported, this, &RemoteFs::directoryReported);
}

} // namespace kav
