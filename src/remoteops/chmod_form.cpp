#include "chmod_form.h"
#include "ui_chmod_form.h"

#include <QGuiApplication>
#include <QScreen>

namespace kav {

TChmodForm::TChmodForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TChmodForm>())
{
    ui->setupUi(this);
    setFixedSize(size());
    QFont font;
    font.setFamilies({QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR")});
    font.setPixelSize(12);
    setFont(font);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(0, 0), size());
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    for (const Box &b : boxes())
        connect(b.box, &QCheckBox::toggled, this, &TChmodForm::CB_AllModeClick);
    connect(ui->B_Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->B_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    CB_AllModeClick();
}

TChmodForm::~TChmodForm() = default;

QList<TChmodForm::Box> TChmodForm::boxes() const
{
    return {
        {ui->CB_OwnerRead, OwnerRead},   {ui->CB_OwnerWrite, OwnerWrite},   {ui->CB_OwnerExecute, OwnerExecute},
        {ui->CB_GroupRead, GroupRead},   {ui->CB_GroupWrite, GroupWrite},   {ui->CB_GroupExecute, GroupExecute},
        {ui->CB_OtherRead, OtherRead},   {ui->CB_OtherWrite, OtherWrite},   {ui->CB_OtherExecute, OtherExecute},
        {ui->CB_ExecutableSUID, SetUserId}, {ui->CB_ExecutableSGID, SetGroupId}, {ui->CB_ExecutableSTK, Sticky},
    };
}

void TChmodForm::showProperties(const QString &name, const FileProperties &p)
{
    ui->L_Name->setText(name);
    ui->L_Owner->setText(p.owner);
    ui->L_Group->setText(p.group);
    ui->L_Size->setText(p.size + QStringLiteral(" Bytes"));
    ui->L_Date->setText(p.month + QLatin1Char(' ') + p.day + QStringLiteral("  ") + p.timeOrYear);
    ui->L_inodenumber->setText(p.inode);
    ui->L_linknumber->setText(p.links);
    for (const Box &b : boxes())
        b.box->setChecked(p.mode & b.bit);
    CB_AllModeClick();
}

int TChmodForm::mode() const
{
    int m = 0;
    for (const Box &b : boxes())
        if (b.box->isChecked())
            m |= b.bit;
    return m;
}

QString TChmodForm::permissionText() const
{
    return ui->P_permission->text();
}

void TChmodForm::CB_AllModeClick()
{
    ui->P_permission->setText(modeText(mode()));
}

} // namespace kav
