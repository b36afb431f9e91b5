#include "clipboard.h"

#include "local_path.h"

#include <QClipboard>
#include <QGuiApplication>

namespace kav {

void copyToClipboard(const QString &text)
{
    if (text.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(localpath::hasEscapes(text) ? localpath::displayPath(text) : text);
}

} // namespace kav
