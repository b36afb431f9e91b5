#include "clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace kav {

void copyToClipboard(const QString &text)
{
    if (text.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(text);
}

} // namespace kav
