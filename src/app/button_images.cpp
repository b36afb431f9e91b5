#include "button_images.h"
#include "ui_main_form.h"

#include <QFile>
#include <QFileInfo>
#include <QToolButton>

// The resources live in a static library: nothing would pull them into the
// program unless they are registered by name.
static void initImageResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(kavrin_images);
        return true;
    }();
    (void)done;
}

namespace kav {

namespace {

QIcon svgIcon(const QString &path)
{
    initImageResources();
    if (!QFile::exists(path))
        return {};
    QIcon icon(path);
    // Without the SVG icon engine the icon has no sizes at all; the button then
    // keeps showing its caption rather than an empty square.
    if (icon.availableSizes().isEmpty() && icon.pixmap(16, 16).isNull())
        return {};
    return icon;
}

void setImage(QToolButton *button, const QString &name, int size)
{
    // A screen reader reads the hint, never the symbol that stands in for the image.
    if (!button->toolTip().isEmpty())
        button->setAccessibleName(button->toolTip());
    const QIcon icon = buttonImage(name);
    if (icon.isNull())
        return;
    button->setIcon(icon);
    button->setIconSize(QSize(size, size));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

} // namespace

QIcon programIcon()
{
    return svgIcon(QStringLiteral(":/kavrin/kavrin.svg"));
}

QIcon buttonImage(const QString &name)
{
    return svgIcon(QStringLiteral(":/kavrin/") + name + QStringLiteral(".svg"));
}

QString installedProgramIcon(const QString &programPath)
{
    const QFileInfo program(programPath);
    const QFileInfo icon(program.absolutePath()
                         + QStringLiteral("/../share/icons/hicolor/scalable/apps/kavrin.svg"));
    return icon.isFile() ? icon.canonicalFilePath() : QString();
}

void applyButtonImages(Ui::TMainForm &form)
{
    setImage(form.SB_ConnectDRV, QStringLiteral("drive_connect"), 16);
    setImage(form.SB_DisconnectDRV, QStringLiteral("drive_disconnect"), 16);
    setImage(form.SB_LocalToClip, QStringLiteral("to_clipboard"), 16);
    setImage(form.SB_CopyLocalPath, QStringLiteral("start_directory"), 16);
    setImage(form.SB_HostToClip, QStringLiteral("to_clipboard"), 16);
    setImage(form.SB_CopyRemotePath, QStringLiteral("start_directory"), 16);
    setImage(form.SB_LeftRight, QStringLiteral("upload"), 24);
    setImage(form.SB_RightLeft, QStringLiteral("download"), 24);
}

} // namespace kav
