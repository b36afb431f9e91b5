#include "splash.h"
#include "program_info.h"
#include "platform/fonts.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QSplashScreen>

namespace kav {

QSplashScreen *makeSplash()
{
    QPixmap pixmap(380, 180);
    pixmap.fill(QColor(0x1f, 0x3a, 0x5f));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::white);
    QFont title = windowFont(40);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(0, 24, 380, 56), Qt::AlignCenter, programName());
    QFont sub = windowFont(16);
    p.setFont(sub);
    p.drawText(QRect(0, 86, 380, 28), Qt::AlignCenter, programSubtitle());
    sub.setPixelSize(13);
    p.setFont(sub);
    p.drawText(QRect(0, 130, 380, 24), Qt::AlignCenter, QStringLiteral("Version ") + programVersion());
    p.end();
    auto *splash = new QSplashScreen(pixmap, Qt::WindowStaysOnTopHint);
    splash->setObjectName(QStringLiteral("TLogoForm"));
    splash->setAttribute(Qt::WA_ShowWithoutActivating);
    return splash;
}

} // namespace kav
