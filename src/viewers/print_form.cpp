#include "print_form.h"
#include "ui_print_form.h"

#include "platform/dialogs.h"

#include <QCloseEvent>
#include <QPalette>
#include <QStyle>

namespace kav {

namespace {

QString &programTitleBeforePrinting()
{
    static QString title;
    return title;
}

} // namespace

TPrintForm::TPrintForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::TPrintForm>())
{
    ui->setupUi(this);
    // A navy gauge whose percentage reads white over the filled part and black over the
    // rest (a style sheet would draw it black over both).
    QPalette gauge = ui->G_print->palette();
    gauge.setColor(QPalette::Highlight, QColor(0, 0, 128));
    gauge.setColor(QPalette::HighlightedText, Qt::white);
    ui->G_print->setPalette(gauge);
    ui->G_print->setTextVisible(true);
    setFixedSize(size());
    setModal(false);
    ui->Image1->setPixmap(style()->standardIcon(QStyle::SP_FileIcon).pixmap(32, 32));
    connect(ui->BB_abort, &QPushButton::clicked, this, &TPrintForm::BB_abortClick);
}

TPrintForm::~TPrintForm() = default;

QString TPrintForm::savedProgramTitle()
{
    return programTitleBeforePrinting();
}

void TPrintForm::start(const QString &fileName, qint64 size)
{
    // Each print puts back the title it found: a session may have begun or ended
    // since the last one.
    programTitleBeforePrinting() = applicationTitle();
    ui->L_file->setText(fileName);
    ui->L_size->setText(QString::number(size) + QStringLiteral(" Bytes"));
    ui->G_print->setValue(0);
    ui->CB_Disconnect->setChecked(false);
    // Shown without taking the focus from the main window; centred on the screen.
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    show();
    raise();
}

void TPrintForm::setGauge(int percent)
{
    ui->G_print->setValue(percent);
    setApplicationTitle(programTitleBeforePrinting() + QLatin1Char(' ') + QString::number(percent) + QLatin1Char('%'));
}

bool TPrintForm::disconnectAfter() const
{
    return ui->CB_Disconnect->isChecked();
}

void TPrintForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TPrintForm::FormActivate()
{
    CancelFlag = 0;
}

void TPrintForm::BB_abortClick()
{
    CancelFlag = 1;
    emit aborted();
    close();
}

bool TPrintForm::FormCloseQuery()
{
    setApplicationTitle(programTitleBeforePrinting());
    return true;
}

void TPrintForm::closeEvent(QCloseEvent *event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

} // namespace kav
