#pragma once
// The file-mask matcher of both panes and of the file searches: "*" matches any
// run of characters, "?" exactly one, "[...]" one character of a set ("[!...]"
// any character outside it, "a-z" ranges inside it). Letters match regardless of
// case and the mask must cover the whole name.

#include <QString>

namespace kav {

// The rule as it is, for host names.
bool matchesWildcard(const QString &mask, const QString &name);

// Local masks: as on the desktop systems users know, a mask ending in ".*" also
// matches a name without any dot, so "*.*" matches every file (programs and many
// documents here have no extension).
bool matchesLocalMask(const QString &mask, const QString &name);

} // namespace kav
