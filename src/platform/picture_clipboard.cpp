#include "picture_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace kav {

void copyPictureToClipboard(const QImage &picture)
{
    if (picture.isNull())
        return;
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setImage(picture);
}

} // namespace kav
