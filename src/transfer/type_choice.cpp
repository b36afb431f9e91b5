#include "type_choice.h"

#include "config/ascii_extensions.h"
#include "remotefs/remote_fs.h"

namespace kav {

namespace {

const QString TypeA = QStringLiteral("TYPE A");
const QString TypeI = QStringLiteral("TYPE I");

QString manualType(const TypeControls &controls)
{
    if (controls.binary)
        return TypeI;
    if (controls.ascii)
        return TypeA;
    return {};
}

QString byExtension(QString extension, const AsciiExtensionList &asciiList)
{
    extension = extension.toUpper();
    if (extension.startsWith(QLatin1Char('.')))
        extension.remove(0, 1);
    return asciiList.contains(extension) ? TypeA : TypeI;
}

void send(FtpExtras &ftp, const QString &command)
{
    if (command == TypeA)
        ftp.setTransferType(FtpAscii);
    else if (command == TypeI)
        ftp.setTransferType(FtpImage);
}

} // namespace

QString uploadTypeCommand(const QString &extension, const TypeControls &controls,
                          const AsciiExtensionList &asciiList)
{
    if (controls.autoMode)
        return byExtension(extension, asciiList);
    return manualType(controls);
}

QString downloadTypeCommand(bool forceBinary, const QString &extension, const TypeControls &controls,
                            const AsciiExtensionList &asciiList)
{
    if (!controls.autoMode)
        return manualType(controls);
    if (forceBinary)
        return TypeI;
    return byExtension(extension, asciiList);
}

void ChooseUploadType(FtpExtras &ftp, const QString &extension, const TypeControls &controls,
                      const AsciiExtensionList &asciiList)
{
    send(ftp, uploadTypeCommand(extension, controls, asciiList));
}

void ChooseDownloadType(FtpExtras &ftp, bool forceBinary, const QString &extension,
                        const TypeControls &controls, const AsciiExtensionList &asciiList)
{
    send(ftp, downloadTypeCommand(forceBinary, extension, controls, asciiList));
}

QString fileExtension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : fileName.mid(dot + 1);
}

} // namespace kav
