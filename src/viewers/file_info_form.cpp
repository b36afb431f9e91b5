#include "file_info_form.h"
#include "ui_file_info_form.h"

#include "drive_facts.h"
#include "platform/dialogs.h"
#include "platform/file_attributes.h"
#include "platform/local_path.h"
#include "platform/shell_info.h"
#include "platform/system_facts.h"
#include "platform/version_info.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QTextCursor>
#include <QTimer>

namespace kav {

const char *const VersionKeys[10] = {"CompanyName",      "FileDescription", "FileVersion", "InternalName",
                                     "LegalCopyright",   "LegalTradeMarks", "OriginalFilename",
                                     "ProductName",      "ProductVersion",  "Comments"};

QString fileSizeText(qint64 size)
{
    return QString::number(size / 1024) + QStringLiteral(" KB (") + QString::number(size) + QStringLiteral(" Bytes)");
}

QString fileTimeText(const QDateTime &time)
{
    if (!time.isValid())
        return {};
    const QDateTime local = time.toLocalTime();
    QString timeFormat = QLocale::system().timeFormat(QLocale::ShortFormat);
    // Short formats normally have no seconds; make sure of it.
    timeFormat.remove(QStringLiteral(":ss")).remove(QStringLiteral(":s"));
    return QLocale::system().toString(local.date(), QLocale::ShortFormat) + QStringLiteral("  ")
        + QLocale::system().toString(local.time(), timeFormat);
}

TFileInfoForm::TFileInfoForm(const QString &filePath, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFileInfoForm>()), path(filePath)
{
    ui->setupUi(this);
    setFixedSize(size());
    for (QLabel *label : findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    DriveFactsWidgets d;
    d.CB_Logicaldrives = ui->CB_Logicaldrives;
    d.L_Drivetype = ui->L_Drivetype;
    d.L_Shellname = ui->L_Shellname;
    d.L_Volumelabel = ui->L_Volumelabel;
    d.L_Serialnumber = ui->L_Serialnumber;
    d.L_FileSystem = ui->L_FileSystem;
    d.L_Freespace = ui->L_Freespace;
    d.L_Discspace = ui->L_Discspace;
    d.window = this;
    drives = new DriveFacts(d, this);
    connect(ui->B_Ok, &QPushButton::clicked, this, &TFileInfoForm::B_OkClick);
    connect(ui->B_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFileInfoForm::~TFileInfoForm() = default;

void TFileInfoForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!activated) {
        activated = true;
        // Once the window's own event loop runs: activation pumps events, and a
        // close delivered then must find the loop it ends.
        QTimer::singleShot(0, this, &TFileInfoForm::FormActivate);
    }
}

void TFileInfoForm::FormActivate()
{
    QCoreApplication::processEvents();
    ui->M_fileinfo->clear();
    const VersionInfo version = fileVersionInfo(path);
    if (version.size == 0) {
        ui->M_fileinfo->appendPlainText(QStringLiteral("No FileVersionInfo found"));
    } else {
        ui->M_fileinfo->appendPlainText(QStringLiteral("FileVersionInfoSize = ") + QString::number(version.size));
        for (const char *key : VersionKeys) {
            QString value;
            if (version.query(QStringLiteral("040904E4"), QLatin1String(key), &value))
                ui->M_fileinfo->appendPlainText(QLatin1String(key) + QStringLiteral(" = ") + value);
        }
    }

    ui->M_fileinfo->moveCursor(QTextCursor::Start);

    const QImage icon = shellIcon(path);
    ui->I_image->setFixedSize(icon.size());
    ui->I_image->setPixmap(QPixmap::fromImage(icon));

    QCoreApplication::processEvents();
    // Through local_path: a name with foreign bytes is one Qt's QFileInfo cannot find.
    const localpath::Status info = localpath::status(path);
    ui->L_Filename->setText(localpath::displayName(QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1)));
    ui->L_Filetype->setText(shellTypeName(path));
    ui->L_Filesize->setText(fileSizeText(info.size));
    attributes = info.exists || info.isSymLink ? fileAttributes(path) : 0;
    ui->CB_Readonly->setChecked(attributes & AttrReadOnly);
    ui->CB_Archive->setChecked(attributes & AttrArchive);
    ui->CB_System->setChecked(attributes & AttrSysFile);
    ui->CB_Hidden->setChecked(attributes & AttrHidden);
    // Shown, never changed.
    ui->CB_Directory->setChecked(attributes & AttrDirectory);
    ui->L_Created->setText(fileTimeText(info.born.isValid() ? info.born : info.statusChanged));
    ui->L_LastAccess->setText(fileTimeText(info.lastRead));
    ui->L_Modified->setText(fileTimeText(info.modified));

    QCoreApplication::processEvents();
    drives->fill(QFileInfo(path).absoluteFilePath());
}

void TFileInfoForm::CB_LogicaldrivesChange()
{
    drives->CB_LogicaldrivesChange();
}

void TFileInfoForm::B_OkClick()
{
    // Only the read-only attribute can change here, and only a box the user
    // changed is written: whatever else happened to the file meanwhile stays.
    const bool wasReadOnly = attributes & AttrReadOnly;
    const bool readOnly = ui->CB_Readonly->isChecked();
    if (readOnly != wasReadOnly && !setOwnerReadOnly(path, readOnly)) {
        informationBox(QStringLiteral("파일 '") + localpath::displayPath(path)
                           + QStringLiteral("'의 속성을 변경할 수 없습니다."), this);
        return;
    }
    accept();
}

} // namespace kav

namespace kav {

void showFileInfo(const QString &path, QWidget *parent)
{
    TFileInfoForm form(path, dialogOwner(parent));
    form.exec();
}

} // namespace kav
