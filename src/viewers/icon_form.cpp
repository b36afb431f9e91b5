#include "icon_form.h"
#include "platform/local_path.h"
#include "ui_icon_form.h"

#include "gif_writer.h"
#include "image_export.h"
#include "platform/dialogs.h"
#include "platform/drives.h"
#include "platform/icon_extract.h"
#include "platform/picture_clipboard.h"
#include "platform/shell.h"
#include "platform/shell_info.h"
#include "platform/wildcard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QTimer>

namespace kav {

namespace {

const QString SaveFilter = QStringLiteral(
    "All (*.bmp;*.ico;*.emf;*.wmf)|*.bmp;*.ico;*.emf;*.wmf|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|"
    "Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");

const char TagProperty[] = "tag";

// The marker under the selected icon: a small red bar with a point.
QPixmap selectionPicture()
{
    QPixmap marker(32, 6);
    marker.fill(Qt::transparent);
    QPainter p(&marker);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 0, 0));
    p.drawRect(0, 3, 32, 3);
    p.drawPolygon(QPolygon({QPoint(12, 3), QPoint(16, 0), QPoint(20, 3)}));
    return marker;
}

} // namespace

TIconForm::TIconForm(const QString &startDirectory, const QString &saveDirectory, QWidget *parent)
    : QDialog(parent),
      ui(std::make_unique<Ui::TIconForm>()),
      startDir(startDirectory),
      saveDir(saveDirectory)
{
    ui->setupUi(this);
    findDir = LocalPathField(ui->E_FindDir);
    setFixedSize(size());
    I_selection = new QLabel(ui->ScrollBoxContents);
    I_selection->setObjectName(QStringLiteral("I_selection"));
    I_selection->setPixmap(selectionPicture());
    I_selection->setFixedSize(32, 6);
    I_selection->setToolTip(QStringLiteral("아이콘을 선택했다는 표시입니다"));
    I_selection->setProperty(TagProperty, 0);
    I_selection->hide();
    ui->I_detail->installEventFilter(this);
    ui->ScrollBoxContents->resize(ui->ScrollBox->viewport()->size());

    PM_image = new QMenu(this);
    PM_image->setObjectName(QStringLiteral("PM_image"));
    auto item = [this](const char *name, const QString &text, void (TIconForm::*handler)()) {
        QAction *a = PM_image->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    item("N_SaveBMP", QStringLiteral("Save As &Bitmap"), &TIconForm::BB_SaveBMPClick);
    item("N_SaveICO", QStringLiteral("Save As &Icon"), &TIconForm::BB_SaveICOClick);
    item("N_SaveJPEG", QStringLiteral("Save As &JPEG"), &TIconForm::BB_SaveJPEGClick);
    item("N_SaveGIF", QStringLiteral("Save as &GIF87a"), &TIconForm::BB_SaveGIF89AClick);
    item("N_CopyToClip", QStringLiteral("&Copy to Clipboard"), &TIconForm::BB_CopyToClipClick);
    PM_image->addSeparator();
    item("N_StartFind", QStringLiteral("Start &Find"), &TIconForm::BB_StartFindClick);

    // Network drives are mounted by the system here.
    ui->SB_ConnectDRV->setIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
    ui->SB_DisconnectDRV->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    for (QToolButton *b : {ui->SB_ConnectDRV, ui->SB_DisconnectDRV}) {
        b->setToolTip(b->toolTip() + QLatin1Char('\n') + networkDrivesNote());
        b->setEnabled(false);
    }

    auto click = [this](QAbstractButton *button, void (TIconForm::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    click(ui->BB_StartFind, &TIconForm::BB_StartFindClick);
    click(ui->BB_Stop, &TIconForm::BB_StopClick);
    click(ui->BB_Exit, &TIconForm::BB_ExitClick);
    click(ui->SB_FindDir, &TIconForm::SB_FindDirClick);
    click(ui->SB_ConnectDRV, &TIconForm::SB_ConnectDRVClick);
    click(ui->SB_DisconnectDRV, &TIconForm::SB_DisconnectDRVClick);
    click(ui->BB_SaveBMP, &TIconForm::BB_SaveBMPClick);
    click(ui->BB_SaveICO, &TIconForm::BB_SaveICOClick);
    click(ui->BB_SaveJPEG, &TIconForm::BB_SaveJPEGClick);
    click(ui->BB_SaveGIF89A, &TIconForm::BB_SaveGIF89AClick);
    click(ui->BB_CopyToClip, &TIconForm::BB_CopyToClipClick);
}

TIconForm::~TIconForm() = default;

void TIconForm::pump()
{
    QCoreApplication::processEvents();
}

int TIconForm::selectedIndex() const
{
    return I_selection->property(TagProperty).toInt();
}

QLabel *TIconForm::iconImage(int index) const
{
    return index >= 1 && index <= icons.size() ? icons[index - 1].image : nullptr;
}

QImage TIconForm::iconPicture(int index) const
{
    return index >= 1 && index <= icons.size() ? icons[index - 1].picture : QImage();
}

QString TIconForm::iconPath(int index) const
{
    return index >= 1 && index <= icons.size() ? icons[index - 1].path : QString();
}

void TIconForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Activation prepares the window once; a later activation (after a dialog)
    // must not undo a search.
    if (!activated) {
        activated = true;
        // Once the window's own event loop runs: activation pumps events, and a
        // close delivered then must find the loop it ends.
        QTimer::singleShot(0, this, &TIconForm::FormActivate);
    }
}

void TIconForm::applyDefaults()
{
    if (ui->CB_FindFile->currentText().isEmpty()) {
        ui->CB_FindFile->setCurrentIndex(0);
        ui->CB_FindFile->setEditText(QStringLiteral("*.*"));
    }
    if (ui->E_FindDir->text().isEmpty())
        findDir.show(startDir);
}

void TIconForm::FormActivate()
{
    applyDefaults();
    I_selection->hide();
    I_selection->setProperty(TagProperty, 0);
    detail = QImage();
    ui->I_detail->clear();
    ui->L_IconCnt->setText(QStringLiteral("0 icons found."));
    ui->L_ReadDir->setText(QStringLiteral("0"));
    pump();
    stopFlag = false;
    directories = 0;
    ui->CB_FindFile->setFocus();
}

void TIconForm::destroyIcons()
{
    for (const Icon &icon : icons)
        delete icon.image;
    icons.clear();
    I_selection->hide();
    I_selection->setProperty(TagProperty, 0);
    detail = QImage();
    ui->I_detail->clear();
}

void TIconForm::BB_StartFindClick()
{
    // A search runs inside the event pumping of the one in progress: a second
    // one would pull the grid from under it.
    if (walking)
        return;
    applyDefaults();
    QString dir = findDir.path();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    findDir.show(dir);

    destroyIcons();
    ui->ScrollBoxContents->resize(ui->ScrollBox->viewport()->size());
    directories = 0;
    next = QPoint(0, 0);
    stopFlag = false;
    pump();

    walking = true;
    // The walk never changes the process's current directory: the local pane's
    // relative names depend on it.
    scanDirectory(QDir::cleanPath(dir));
    walking = false;
    stopFlag = false;

    if (!icons.isEmpty()) {
        selectIcon(1);
        I_selection->show();
    } else {
        ui->L_IconCnt->setText(QStringLiteral("0 icons found."));
        dialogs().messageBox(this, QStringLiteral("검색결과"), QStringLiteral("검색된 아이콘이 하나도 없습니다."),
                             MsgIcon::Information, BtnOk);
    }
}

void TIconForm::scanDirectory(const QString &directory)
{
    ++directories;
    ui->L_ReadDir->setText(QString::number(directories));
    pump();
    if (stopFlag)
        return;

    const QString mask = ui->CB_FindFile->currentText();
    // Regular, unhidden files only (no pipes, devices or sockets: opening a pipe
    // would wait for a writer forever), every one whatever the bytes of its name.
    const auto inside = [&](const QString &name) { return QDir::cleanPath(directory + QLatin1Char('/') + name); };
    for (const localpath::Entry &file : localpath::regularFiles(directory)) {
        if (!matchesLocalMask(mask, file.display))
            continue;
        if (icons.size() >= MaxIcons)
            break;
        const QString path = inside(file.path);
        const QList<QImage> found = fileIcons(path, MaxIcons - icons.size());
        bool goOn = true;
        if (!found.isEmpty()) {
            for (const QImage &picture : found) {
                if (icons.size() >= MaxIcons || !(goOn = addIcon(picture, path)))
                    break;
            }
        } else if (icons.size() < MaxIcons) {
            goOn = addIcon(shellIcon(path), path);
        }
        if (!goOn || icons.size() >= MaxIcons || stopFlag)
            break;
    }
    pump();
    if (!ui->CB_ExtendFind->isChecked() || stopFlag)
        return;
    // Subdirectories, but never through a symbolic link: a link to a parent
    // would make the walk endless.
    for (const localpath::Entry &sub : localpath::directories(directory)) {
        if (stopFlag)
            return;
        const QString path = inside(sub.path);
        if (localpath::status(path).isSymLink)
            continue;
        scanDirectory(path);
    }
}

bool TIconForm::addIcon(const QImage &picture, const QString &path)
{
    const int index = icons.size() + 1;
    auto *image = new QLabel(ui->ScrollBoxContents);
    image->setObjectName(QStringLiteral("Icon%1").arg(index));
    image->setPixmap(QPixmap::fromImage(picture));
    image->setFixedSize(picture.size());
    image->move(next);
    image->setProperty(TagProperty, index);
    image->setToolTip(localpath::displayPath(path));
    image->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(image, &QLabel::customContextMenuRequested, this,
            [this, image](const QPoint &at) { PM_image->popup(image->mapToGlobal(at)); });
    image->installEventFilter(this);
    image->show();
    icons.append({image, picture, path});

    const QRect placed = image->geometry();
    if (index % IconsPerRow == 0) {
        next.setX(0);
        next.setY(next.y() + placed.height() + I_selection->height() + 3);
    } else {
        next.setX(next.x() + placed.width() + 5);
    }
    QSize extent = ui->ScrollBoxContents->size();
    extent = extent.expandedTo(QSize(placed.right() + 6, placed.bottom() + I_selection->height() + 6));
    ui->ScrollBoxContents->resize(extent);

    ui->L_IconCnt->setText(QString::number(index) + QStringLiteral(" icons found."));
    pump();
    return !stopFlag;
}

void TIconForm::BB_StopClick()
{
    // Stop ends a search in progress, even one that has found nothing yet in a
    // large tree; outside a search it has nothing to do.
    if (walking)
        stopFlag = true;
}

void TIconForm::BB_ExitClick()
{
    close();
}

void TIconForm::done(int result)
{
    FormCloseQuery();
    QDialog::done(result);
}

void TIconForm::FormCloseQuery()
{
    // However the window closes (Close, Escape, the title bar), a search in
    // progress ends first: its pumping is what delivered the close.
    stopFlag = true;
    pump();
    destroyIcons();
    pump();
}

void TIconForm::SB_FindDirClick()
{
    QString dir = findDir.path();
    if (dialogs().chooseDirectory(this, QStringLiteral("검색할 디렉토리를 지정합니다"), dir))
        findDir.show(dir);
}

void TIconForm::SB_ConnectDRVClick()
{
    // Network drives are mounted by the system; the button says so in its hint.
}

void TIconForm::SB_DisconnectDRVClick()
{
}

void TIconForm::selectIcon(int index)
{
    QLabel *image = iconImage(index);
    if (!image)
        return;
    I_selection->setProperty(TagProperty, index);
    I_selection->move(image->x(), image->y() + image->height() + 2);
    I_selection->raise();
    I_selection->show();
    // The work surface: cleared, then the icon drawn at (0, 0).
    QImage dummy(image->size(), QImage::Format_ARGB32);
    dummy.fill(Qt::transparent);
    QPainter(&dummy).drawImage(0, 0, icons[index - 1].picture);
    detail = dummy;
    showDetail();
    pump();
}

void TIconForm::showDetail()
{
    if (detail.isNull()) {
        ui->I_detail->clear();
        return;
    }
    const QImage shown = transparentDetail ? detail : flattenedOnWhite(detail);
    const QSize box = ui->I_detail->contentsRect().size();
    ui->I_detail->setPixmap(QPixmap::fromImage(shown.scaled(box, Qt::KeepAspectRatio, Qt::FastTransformation)));
}

void TIconForm::I_detailMouseDown(Qt::MouseButton button)
{
    if (button == Qt::RightButton && selectedIndex() > 0) {
        transparentDetail = !transparentDetail;
        showDetail();
    }
}

void TIconForm::I_detailClick()
{
    if (selectedIndex() <= 0 || detail.isNull())
        return;
    detail = rotatedQuarterLeft(detail);
    showDetail();
}

bool TIconForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (watched == ui->I_detail) {
            I_detailMouseDown(mouse->button());
            if (mouse->button() == Qt::LeftButton)
                I_detailClick();
            return true;
        }
        if (auto *image = qobject_cast<QLabel *>(watched); image && mouse->button() == Qt::LeftButton) {
            const int index = image->property(TagProperty).toInt();
            if (index > 0) {
                selectIcon(index);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString TIconForm::proposedSavePath(const QString &extension)
{
    const int index = selectedIndex();
    const QString source = iconPath(index);
    if (saveDir.isEmpty())
        saveDir = QFileInfo(source).absolutePath();
    // A source name with foreign bytes is proposed as it is shown.
    const QString name = localpath::displayName(QStringView(QFileInfo(source).fileName()));
    return QDir(saveDir).filePath(savedPictureName(name, index, icons.size(), extension));
}

void TIconForm::save(SaveKind kind)
{
    const int index = selectedIndex();
    if (index <= 0)
        return;
    static const char *const extensions[] = {".bmp", ".ico", ".jpg", ".gif"};
    const QString extension = QLatin1String(extensions[int(kind)]);
    FileRequest request;
    request.filter = SaveFilter;
    request.defaultExt = QLatin1Char('*') + extension;
    const QString proposed = proposedSavePath(extension);
    request.initialDir = saveDir;
    request.fileName = proposed;
    QString path = proposed;
    if (!dialogs().saveFile(this, request, path))
        return;
    saveDir = QFileInfo(path).absolutePath();

    const QImage &picture = icons[index - 1].picture;
    QByteArray bytes;
    switch (kind) {
    case SaveKind::Bitmap:
        bytes = bmpFileOf(picture);
        break;
    case SaveKind::IconFile:
        bytes = icoFileOf(picture.width() > 256 || picture.height() > 256
                              ? picture.scaled(256, 256, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                              : picture);
        break;
    case SaveKind::Jpeg:
        bytes = jpegFileOf(picture);
        break;
    case SaveKind::Gif:
        bytes = gifFileOf(picture);
        break;
    }
    if (!writeFileBytes(path, bytes))
        informationBox(QStringLiteral("파일 '") + path + QStringLiteral("'을 저장할 수 없습니다."), this);
}

void TIconForm::BB_SaveBMPClick()
{
    save(SaveKind::Bitmap);
}

void TIconForm::BB_SaveICOClick()
{
    save(SaveKind::IconFile);
}

void TIconForm::BB_SaveJPEGClick()
{
    save(SaveKind::Jpeg);
}

void TIconForm::BB_SaveGIF89AClick()
{
    save(SaveKind::Gif);
}

void TIconForm::BB_CopyToClipClick()
{
    const int index = selectedIndex();
    if (index <= 0)
        return;
    copyPictureToClipboard(icons[index - 1].picture);
    shell::beep();
}

} // namespace kav

namespace kav {

QString runIconExtractor(const QString &startDirectory, const QString &saveDirectory, QWidget *parent)
{
    TIconForm form(startDirectory, saveDirectory, dialogOwner(parent));
    form.exec();
    return form.saveDirectory();
}

} // namespace kav
