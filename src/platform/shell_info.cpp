#include "shell_info.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPainter>
#include <QStyle>

namespace kav {

QImage shellIcon(const QString &path)
{
    constexpr int Side = 32;
    QIcon icon;
    const QFileInfo info(path);
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        QFileIconProvider provider;
        // Reading the file's contents to guess its type could block on a pipe.
        provider.setOptions(QFileIconProvider::DontUseCustomDirectoryIcons);
        icon = provider.icon(info);
        if (icon.isNull())
            icon = QApplication::style()->standardIcon(info.isDir() ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    }
    QImage image = icon.pixmap(Side, Side).toImage();
    if (image.isNull() || image.width() > Side || image.height() > Side) {
        // Without an icon the shell still shows a sheet of paper.
        QImage sheet(Side, Side, QImage::Format_ARGB32);
        sheet.fill(Qt::transparent);
        QPainter p(&sheet);
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(6, 2, 19, 27);
        if (!image.isNull())
            p.drawImage(QRect(0, 0, Side, Side), image);
        return sheet;
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

QString shellTypeName(const QString &path)
{
    const QFileInfo info(path);
    QMimeDatabase db;
    // The name decides unless the file is a regular one whose contents may be read.
    const QMimeType type = info.isFile() ? db.mimeTypeForFile(info) : db.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    QString name = info.isDir() ? type.comment() : type.comment();
    if (name.isEmpty())
        name = type.name();
    return name.left(80);
}

} // namespace kav
