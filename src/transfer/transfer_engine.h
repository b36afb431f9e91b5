#pragma once
// One file through the remote file system: SendFile and ReceiveFile,
// reporting progress to a TransferProgress (the transfer window).

#include "resume.h"

#include "ftp/host_path.h"
#include "ftp/transcript.h"

#include <QString>

namespace kav {

class RemoteFs;
class TransferProgress;
class TransferHost;

class TransferEngine {
public:
    TransferEngine(RemoteFs &fs, TransferProgress &progress, TransferHost &host);

    // Whether a shorter file already at the destination may be continued (the
    // user is asked: continue, start over or skip). The commands the user starts
    // offer it; a working copy (remote edit) never does. A working copy also travels in
    // image type, whatever the type controls say: the server's file may change only where
    // the user changed it, never in its line ends.
    enum class Existing { Replace, OfferResume, WorkingCopy };

    // Uploads localPath (relative to the local pane's directory or absolute) as hostPath.
    // True also for a file the user chose to skip.
    bool SendFile(const QString &localPath, const QString &hostPath, Existing existing = Existing::Replace);
    // Downloads hostPath into localPath; forceBinary sends image type whatever the extension.
    // `listedSize` is the size the host listing showed (-1: none), shown when SIZE gives none.
    bool ReceiveFile(const QString &hostPath, const QString &localPath, bool forceBinary,
                     Existing existing = Existing::Replace, qint64 listedSize = -1);

    // Bytes read from the file or the network and written at a time, at most.
    // Blocks of 1 MiB halve the system calls of 256 KiB ones and move files
    // fastest here; the blocks pass straight to the system (the file is
    // unbuffered). Window events are pumped on a clock, not per block.
    static constexpr int BlockSize = 1024 * 1024;

private:
    // The end of a copy loop: the data channel finished, its final reply read.
    // A transfer whose server never confirmed it (the connection broke, the
    // server ran out of space) is a failure, not a success.
    bool confirmed();
    // A failed copy loop: the reason logged, the data connection closed, the
    // gauge full, the server's reply read. Always false.
    bool abandon(TranscriptSide side, const QString &text);
    // The host's size of a file; on FTP in image type only (-1: not known).
    qint64 hostSize(const QString &hostPath, bool ascii);
    ResumeChoice askResume(const QString &question);

    RemoteFs &fs;
    TransferProgress &window;
    TransferHost &host;
};

// The part of a local path after its last separator of this platform.
QString localBaseName(const QString &localPath);

} // namespace kav
