#pragma once
// The transfer type of each STOR and RETR: ASCII for the extensions in the user's
// list when the type is chosen automatically, else what the radio buttons say.

#include <QString>

namespace kav {

class AsciiExtensionList;
class FtpExtras;

// The three type controls of the main window, as they stand.
struct TypeControls {
    bool autoMode = true;  // CB_AutoMode
    bool ascii = false;    // RB_ascii
    bool binary = true;    // RB_binary
};

// The TYPE command to send ("TYPE A", "TYPE I"), or empty text for none.
QString uploadTypeCommand(const QString &extension, const TypeControls &controls,
                          const AsciiExtensionList &asciiList);
QString downloadTypeCommand(bool forceBinary, const QString &extension, const TypeControls &controls,
                            const AsciiExtensionList &asciiList);

// Send the chosen TYPE (at most one command; the session leaves out a TYPE that
// would not change the type in effect).
void ChooseUploadType(FtpExtras &ftp, const QString &extension, const TypeControls &controls,
                      const AsciiExtensionList &asciiList);
void ChooseDownloadType(FtpExtras &ftp, bool forceBinary, const QString &extension,
                        const TypeControls &controls, const AsciiExtensionList &asciiList);

// The extension of a file name: the text after its last "." (empty without one).
QString fileExtension(const QString &fileName);

} // namespace kav
