#pragma once
#include <QString>

namespace kav {

// The values of the host profile in use, for the current or the next session.
// Filled by the connect dialog, reset after every disconnect, stored in KAVRIN.INI.
struct SessionProfile {
    QString HostName;   // profile name
    QString HostIP;     // dotted address or host name; empty: no connection wanted
    QString UserId;
    QString Password;
    QString RemotePath;
    QString LocalPath;
    QString LastLocalDir;
    QString LastLocalFile;
    QString LastHostDir;
    QString LastHostFile;
    QString Editor;
    int Timeout = 15;     // seconds
    int TrialTimes = 3;   // connect attempts
    bool AutoSave = true;
    bool UseLastPath = false;
};

} // namespace kav
