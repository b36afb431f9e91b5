#pragma once
#include <QString>

namespace kav {

// Puts the text on the clipboard as plain text; an empty text changes nothing.
// The whole text goes over, however long.
void copyToClipboard(const QString &text);

} // namespace kav
