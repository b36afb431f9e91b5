#include "shell_info.h"

#include "local_path.h"

#include <QApplication>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPainter>
#include <QStyle>

namespace kav {

namespace {

// The type of a file whose name is not UTF-8, which Qt's own file classes would
// take for a missing one: looked at through local_path, by its shown name and,
// for a regular file, its contents (never a pipe's: reading it could block).
QMimeType foreignType(const QString &path, const localpath::Status &facts)
{
    QMimeDatabase db;
    if (facts.isDirectory)
        return db.mimeTypeForName(QStringLiteral("inode/directory"));
    const QString name = localpath::displayName(QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    QFile file;
    if (facts.isFile && localpath::open(file, path, QIODevice::ReadOnly))
        return db.mimeTypeForFileNameAndData(name, &file);
    return db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
}

} // namespace

QImage shellIcon(const QString &path)
{
    constexpr int Side = 32;
    QIcon icon;
    const bool foreign = localpath::hasEscapes(path);
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        const QFileInfo info(path);
        bool directory = info.isDir();
        if (foreign) {
            // The desktop's icon for its type, as the provider would pick it.
            const localpath::Status facts = localpath::status(path);
            directory = facts.isDirectory;
            const QMimeType type = foreignType(path, facts);
            icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
        } else {
            QFileIconProvider provider;
            // Reading the file's contents to guess its type could block on a pipe.
            provider.setOptions(QFileIconProvider::DontUseCustomDirectoryIcons);
            icon = provider.icon(info);
        }
        if (icon.isNull())
            icon = QApplication::style()->standardIcon(directory ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
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
    const QMimeType type = localpath::hasEscapes(path) ? foreignType(path, localpath::status(path))
        : info.isFile()                               ? db.mimeTypeForFile(info)
                                                      : db.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    QString name = type.comment();
    if (name.isEmpty())
        name = type.name();
    return name.left(80);
}

} // namespace kav
