#pragma once
// A host file's permissions: the fields of its long listing line, the mode
// bits its permission text stands for, and the octal mode text that
// SITE CHMOD takes. Pure functions, no widgets.

#include <QList>
#include <QString>

#include <optional>

namespace kav {

// Field n (1-based) of a line whose fields are separated by runs of spaces
// (a tab belongs to its field). Empty when the line has fewer than n fields.
QString ListField(const QString &line, int n);

// UNIX mode bits, as chmod takes them.
enum ModeBit : int {
    SetUserId = 04000,
    SetGroupId = 02000,
    Sticky = 01000,
    OwnerRead = 0400,
    OwnerWrite = 0200,
    OwnerExecute = 0100,
    GroupRead = 040,
    GroupWrite = 020,
    GroupExecute = 010,
    OtherRead = 04,
    OtherWrite = 02,
    OtherExecute = 01,
};

// The octal mode text: the special digit (set-user-id 4, set-group-id 2,
// sticky 1) only when it is not 0, then the owner, group and other digits.
// 0644 gives "644", 04755 gives "4755".
QString modeText(int mode);

// The mode bits of a permission text ("-rwsr-xr-x") read as ls writes it:
// in the execute places "x" is execute, "s" set-user-id (set-group-id) and
// execute, "S" the special bit alone, "t" sticky and execute, "T" sticky
// alone. Nothing when the text is not ten characters of that form (an
// eleventh "+", "." or "@" for extended attributes is allowed).
std::optional<int> modeOfPermissionText(const QString &permission);

// What the long listing of one file tells. With an i-node column (servers
// that honour "ls -i") the fields shift by one; without it, `inode` is empty.
struct FileProperties {
    QString inode;
    QString permission;
    QString links;
    QString owner;
    QString group;
    QString size;
    QString month;
    QString day;
    QString timeOrYear;
    QString name;   // from its field to the end of the line, inner blanks kept
    int mode = 0;   // modeOfPermissionText(permission)
};

struct RemoteEntry;
// What a directory listing's entry tells of a file where the protocol gives
// its mode with its name (SFTP): the mode, size and time, without the owner,
// group, i-node and links a long listing line has. Nothing without a mode.
std::optional<FileProperties> propertiesOfEntry(const RemoteEntry &entry);

// One listing line read as "[inode] permission links owner group size month
// day time-or-year name"; nothing for a line of any other form (a "total 8"
// summary, a blank line, another system's format).
std::optional<FileProperties> readListingLine(const QString &line);

// The line of a file's listing that describes `name`: the first readable line
// that names it, else the first readable line (a server may show the name
// another way). Nothing when no line is readable.
std::optional<FileProperties> propertiesOf(const QList<QString> &lines, const QString &name);

} // namespace kav
