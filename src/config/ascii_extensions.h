#pragma once
// The extensions of the files that travel in ASCII type when the type is chosen
// automatically: upper case, without the leading dot, sorted, each once.

#include <QString>
#include <QStringList>

namespace kav {

// Stored when the configuration has no list (or an empty one).
extern const QString DefaultTransAscii;

class AsciiExtensionList {
public:
    const QStringList &items() const { return list; }
    int count() const { return int(list.size()); }
    bool isEmpty() const { return list.isEmpty(); }
    void clear() { list.clear(); }

    // Upper-cases the text and puts it in its sorted place; returns its index.
    // Text already in the list is not added again (its index is returned).
    // Empty text is refused (-1): an empty entry would end the stored list.
    int add(const QString &extension);
    void removeAt(int index);
    int indexOf(const QString &extension) const;  // letter case ignored; -1 when absent
    bool contains(const QString &extension) const { return indexOf(extension) >= 0; }

    // The stored form: every entry followed by ";" ("C;TXT;"); empty for an empty list.
    QString toStored() const;
    // Replaces the list with the stored form: tokens up to the first empty one,
    // upper-cased. An empty value gives the default list.
    void loadStored(const QString &value);

private:
    QStringList list;
};

// The patterns of the local search field: "*." + each extension in lower case.
QStringList localSearchPatterns(const QStringList &extensions);

} // namespace kav
