#pragma once
#include <QString>

namespace kav {

// Puts the text on the clipboard as plain text; an empty text changes nothing.
// The whole text goes over, however long. A name whose bytes are no text (a
// local folder named in code page 949, escaped as lone surrogates) goes over in
// the form the panes show it (local_path.h, displayPath): the clipboard carries
// text only, where a lone surrogate would arrive as a replacement character,
// and the shown form is what the user sees and means to paste.
void copyToClipboard(const QString &text);

} // namespace kav
