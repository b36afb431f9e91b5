#include "mode_form.h"
#include "ui_mode_form.h"

#include "config/ascii_extensions.h"

#include <QCoreApplication>
#include <QShortcut>

namespace kav {

TModeForm::TModeForm(AsciiExtensionList &list, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TModeForm>()), extensions(list)
{
    ui->setupUi(this);
    setFixedSize(size());
    QFont font;
    font.setFamilies({QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR")});
    font.setPixelSize(12);
    setFont(font);

    // Typing goes in upper case, keeping the cursor where it was.
    connect(ui->E_Ext, &QLineEdit::textEdited, this, [this](const QString &text) {
        const QString upper = text.toUpper();
        if (upper != text) {
            const int cursor = ui->E_Ext->cursorPosition();
            ui->E_Ext->setText(upper);
            ui->E_Ext->setCursorPosition(cursor);
        }
    });
    connect(ui->B_AddExt, &QPushButton::clicked, this, &TModeForm::B_AddExtClick);
    connect(ui->B_DeleteExt, &QPushButton::clicked, this, &TModeForm::B_DeleteExtClick);
    connect(ui->B_Close, &QPushButton::clicked, this, &TModeForm::B_CloseClick);
    refreshList();
}

TModeForm::~TModeForm() = default;

void TModeForm::refreshList()
{
    const int current = ui->LB_ExtList->currentRow();
    ui->LB_ExtList->clear();
    ui->LB_ExtList->addItems(extensions.items());
    if (current >= 0 && current < ui->LB_ExtList->count())
        ui->LB_ExtList->setCurrentRow(current);
    ui->B_DeleteExt->setEnabled(!extensions.isEmpty());
}

void TModeForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TModeForm::FormActivate()
{
    QCoreApplication::processEvents();
    refreshList();
}

void TModeForm::B_AddExtClick()
{
    QString text = ui->E_Ext->text();
    if (text.isEmpty())
        return;
    if (text.startsWith(QLatin1Char('.'))) {
        text.remove(0, 1);
        ui->E_Ext->setText(text);
    }
    // A lone "." leaves nothing to add: an empty entry would end the stored list.
    const int index = extensions.add(text);
    if (index < 0)
        return;
    refreshList();
    ui->LB_ExtList->setCurrentRow(index);
}

void TModeForm::B_DeleteExtClick()
{
    const int index = ui->LB_ExtList->currentRow();
    if (index < 0 || index >= extensions.count())
        return;
    const int next = (index == extensions.count() - 1) ? index - 1 : index;
    extensions.removeAt(index);
    refreshList();
    if (!extensions.isEmpty()) {
        ui->B_DeleteExt->setEnabled(true);
        ui->LB_ExtList->setCurrentRow(next);
    } else {
        ui->B_DeleteExt->setEnabled(false);
    }
    ui->LB_ExtList->setFocus();
}

void TModeForm::B_CloseClick()
{
    close();
}

} // namespace kav
