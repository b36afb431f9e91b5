#pragma once
#include <QImage>

namespace kav {

// Puts a picture on the clipboard (with its transparency); a null picture changes nothing.
void copyPictureToClipboard(const QImage &picture);

} // namespace kav
