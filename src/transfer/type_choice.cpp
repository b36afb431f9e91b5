#include "type_choice.h"

#include "config/ascii_extensions.h"
#include "ftp/session.h"

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

void send(Session &session, const QString &command)
{
    if (command.isEmpty())
        return;
    session.command(command);
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

void ChooseUploadType(Session &session, const QString &extension, const TypeControls &controls,
                      const AsciiExtensionList &asciiList)
{
    send(session, uploadTypeCommand(extension, controls, asciiList));
}

void ChooseDownloadType(Session &session, bool forceBinary, const QString &extension,
                        const TypeControls &controls, const AsciiExtensionList &asciiList)
{
    send(session, downloadTypeCommand(forceBinary, extension, controls, asciiList));
}

QString fileExtension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : fileName.mid(dot + 1);
}

} // namespace kav
