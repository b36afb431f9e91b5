#pragma once
// A text field that holds a local path (a start folder, a search folder). A
// path with foreign bytes would show as boxes: the field shows it readably,
// and gives back the path the user means, its bytes kept while the user leaves
// them alone or only adds to them.

#include <QString>

class QLineEdit;

namespace kav {

class LocalPathField {
public:
    explicit LocalPathField(QLineEdit *edit = nullptr) : edit(edit) {}
    void show(const QString &path);
    QString path() const;

private:
    QLineEdit *edit;
    QString shown;   // the path last shown
};

} // namespace kav
