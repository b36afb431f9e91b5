#include "local_path_field.h"

#include "local_path.h"

#include <QLineEdit>

namespace kav {

void LocalPathField::show(const QString &path)
{
    shown = path;
    edit->setText(localpath::displayPath(path));
}

QString LocalPathField::path() const
{
    return localpath::fromShownPath(edit->text(), shown);
}

} // namespace kav
