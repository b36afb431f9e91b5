#pragma once
// The rules of the saved lists, free of widgets: the order the user gives a
// list (moving single entries and blocks, deleting a selection), the add rules
// of the queue, the bookmarks and the tools, and what a stored entry may hold.
//
// Invariants:
// - A list never holds more entries than its section can store (500 for the
//   queue and the bookmarks, 30 for the tools): an entry the file would drop
//   at the next start is refused when it is added, not lost later.
// - A stored field never holds the field separator ";" (queue, host bookmarks)
//   nor a line end (every list): a broken entry would later name the wrong file.
// - Duplicates are judged as this platform's file system and the host judge
//   names: exactly, letter case included.

#include "config/stored_lists.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace kav {

// The mark that begins a subject line of the bookmarks ("▶ ", two UTF-16 units).
inline const QString SubjectMark = QStringLiteral("\u25B6 ");

bool isSubjectLine(const QString &text);
// The subject's name: the text without its mark.
QString subjectName(const QString &text);
QString subjectLine(const QString &name);

// A line end would cut the stored entry in two.
bool hasLineBreak(const QString &text);
// ";" separates the fields of a queue entry and of a host bookmark.
bool hasFieldBreak(const QString &text);

// The outcome of an add rule. Only Full and Unstorable are worth a log line;
// the others are the Parts' silent refusals.
enum class AddOutcome { Added, Duplicate, Missing, Full, Unstorable };

// The log text (without the side's prefix) for a refusal worth reporting, empty otherwise.
// `listName` is the list's name as the user knows it ("대기행렬(Queue)", "책갈피(Bookmark)").
QString refusalText(AddOutcome outcome, const QString &listName, const QString &path, int capacity);

// A list in the user's order with its selection and current item, as a list
// control keeps it. Every operation is the list control's own rule.
template <typename T>
class OrderedList {
public:
    int size() const { return int(items.size()); }
    bool isEmpty() const { return items.isEmpty(); }
    const T &at(int i) const { return items[i]; }
    T &operator[](int i) { return items[i]; }
    const QList<T> &entries() const { return items; }
    bool isSelected(int i) const { return marks[i]; }
    int current() const { return cur; }

    void append(const T &item)
    {
        items.append(item);
        marks.append(false);
    }
    void insert(int at, const T &item)
    {
        items.insert(at, item);
        marks.insert(at, false);
    }
    void clear()
    {
        items.clear();
        marks.clear();
        cur = -1;
    }
    void setItems(const QList<T> &list)
    {
        clear();
        for (const T &item : list)
            append(item);
    }
    void setSelected(int i, bool on) { marks[i] = on; }
    void selectOnly(int i)
    {
        for (int k = 0; k < size(); ++k)
            marks[k] = k == i;
        cur = i;
    }
    void setCurrent(int i) { cur = i; }
    QList<int> selectedRows() const
    {
        QList<int> rows;
        for (int i = 0; i < size(); ++i)
            if (marks[i])
                rows << i;
        return rows;
    }

    // Every selected entry one place up, from the first to the last; the first
    // entry selected at the top stops the walk: false (the caller beeps).
    bool moveUp()
    {
        for (int i = 0; i < size(); ++i) {
            if (!marks[i])
                continue;
            if (i == 0)
                return false;
            items.swapItemsAt(i, i - 1);
            marks.swapItemsAt(i, i - 1);
            cur = i - 1;
        }
        return true;
    }
    // Every selected entry one place down, from the last to the first.
    bool moveDown()
    {
        for (int i = size() - 1; i >= 0; --i) {
            if (!marks[i])
                continue;
            if (i == size() - 1)
                return false;
            items.swapItemsAt(i, i + 1);
            marks.swapItemsAt(i, i + 1);
            cur = i + 1;
        }
        return true;
    }
    // Removes every selected entry. The entry selected afterwards is the one
    // at the last removal's place: the previous one when the last entry went,
    // the first when the first went, else the one that moved into its place.
    void removeSelected()
    {
        int keep = -1;
        for (int i = 0; i < size();) {
            if (!marks[i]) {
                ++i;
                continue;
            }
            const bool wasLast = i == size() - 1;
            items.removeAt(i);
            marks.removeAt(i);
            keep = wasLast ? i - 1 : i;
        }
        cur = -1;
        if (keep >= 0 && keep < size())
            selectOnly(keep);
    }

private:
    QList<T> items;
    QList<bool> marks;
    int cur = -1;
};

// AddLocalBookmark: a subject line, or the path of an existing file, not yet listed.
AddOutcome addLocalBookmark(OrderedList<QString> &list, const QString &text,
                            const std::function<bool(const QString &)> &fileExists);
// AddHostBookmark: any text not yet listed; a subject line is always "B".
AddOutcome addHostBookmark(OrderedList<HostBookmark> &list, const QString &text, bool binary);
// AddQueueEntry: no duplicate check; the same file may be queued twice.
AddOutcome addQueueEntry(OrderedList<QueueEntry> &list, const QueueEntry &entry);
// AddTool: silent when full or listed.
AddOutcome addTool(OrderedList<QString> &list, const QString &text);

// Subjects of a bookmark list. The answer is trimmed; an empty one (or one that
// would break the stored entry) changes nothing: Unstorable. Renaming keeps
// the mark; inserting puts the subject before `row` and keeps the entry that
// was current as the current one (one place down). No two equal lines.
AddOutcome renameSubject(OrderedList<HostBookmark> &list, int row, const QString &answer);
AddOutcome insertSubject(OrderedList<HostBookmark> &list, int row, const QString &answer, int capacity);

// The type letter of a file added by hand: binary unless its extension (upper
// case, no dot) is in the ASCII list; a file shown as executable is always binary.
bool binaryByExtension(const QString &fileName, const std::function<bool(const QString &)> &isAscii,
                       bool executable = false);

// How a tools entry starts. An entry that names an existing file is opened as
// the desktop opens it (a program runs, a document goes to its program); any
// other text is a program followed by its arguments, split as a shell would
// split them (quotes group words) but never run through a shell.
struct ToolLaunch {
    bool openFile = false;   // open `program` as a file
    QString program;
    QStringList arguments;
};
// An entry that is not one existing file is split as a POSIX shell splits words: blanks
// separate them, 'single quotes' keep everything, "double quotes" keep all but a backslash before
// " \ $ `, and a backslash outside quotes keeps the next character. An unquoted entry whose
// first word names no file (an entry stored before paths were quoted) takes the longest
// run of words that names an existing file as the program. An open quote starts nothing.
ToolLaunch toolLaunch(const QString &text, const std::function<bool(const QString &)> &fileExists);

// The words of `text` by the shell's quoting rules (above); nothing when a quote is left open.
std::optional<QStringList> shellWords(const QString &text);
// `word` as one shell word: as it is when it holds only safe characters, else in single quotes.
QString shellQuoted(const QString &word);

} // namespace kav
