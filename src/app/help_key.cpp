#include "help_key.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace kav {

HelpKey::HelpKey(std::function<void()> onHelp, QObject *parent)
    : QObject(parent), help(std::move(onHelp))
{
    QCoreApplication::instance()->installEventFilter(this);
}

HelpKey::~HelpKey()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool HelpKey::eventFilter(QObject *watched, QEvent *event)
{
    // Only window-system objects receive key presses; the type test comes first
    // because every event of the program passes here.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier && !key->isAutoRepeat()) {
            help();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kav
