#pragma once
// Names of host files: the three letter-case renames and the question whether
// a new name would land on an entry that is already there. Pure functions.

#include <QString>
#include <QStringList>

namespace kav {

enum class LetterCase { Upper, Lower, Sentence };

// The letter case a menu item asks for, by its object name: "N_RUppercase",
// "N_RLowercase", anything else sentence case.
LetterCase letterCaseOf(const QString &senderName);

// The name in the letter case asked for. Only the ASCII letters A-Z and a-z
// change: Korean and every other character stay exactly as they are, so the
// name's bytes in the server's encoding change only where a letter changed.
// Sentence case: the first character upper case, all others lower case.
QString caseRenamed(const QString &name, LetterCase letterCase);

// Whether renaming `from` to `to` would land on another entry of `listed` (the
// names of the current host directory, files and directories). RNTO replaces
// an existing file on most servers, so such a rename must not be sent. Names
// are compared without regard to letter case, because a server may keep
// names that way; the entry being renamed itself never counts, so a case
// rename of a name to its own other spelling, or to itself, still goes through.
bool nameTaken(const QStringList &listed, const QString &from, const QString &to);

} // namespace kav
