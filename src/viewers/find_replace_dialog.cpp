#include "find_replace_dialog.h"

#include "ui_find_replace_dialog.h"

namespace kav::viewers {

FindReplaceDialog::FindReplaceDialog(Mode mode, QWidget *parent)
    : QDialog(parent), mode_(mode), ui(std::make_unique<Ui::FindReplaceDialog>())
{
    ui->setupUi(this);
    setModal(false);
    const bool replace = mode == Mode::Replace;
    setObjectName(replace ? QStringLiteral("ReplaceDialog") : QStringLiteral("FindDialog"));
    setWindowTitle(replace ? QStringLiteral("바꾸기") : QStringLiteral("찾기"));
    ui->L_Replace->setVisible(replace);
    ui->E_ReplaceText->setVisible(replace);
    ui->B_Replace->setVisible(replace);
    ui->B_ReplaceAll->setVisible(replace);
    connect(ui->B_FindNext, &QPushButton::clicked, this, &FindReplaceDialog::findRequested);
    connect(ui->B_Replace, &QPushButton::clicked, this, [this] { emit replaceRequested(false); });
    connect(ui->B_ReplaceAll, &QPushButton::clicked, this, [this] { emit replaceRequested(true); });
    connect(ui->B_Cancel, &QPushButton::clicked, this, &QDialog::close);
}

FindReplaceDialog::~FindReplaceDialog() = default;

QString FindReplaceDialog::findText() const { return ui->E_FindText->text(); }
void FindReplaceDialog::setFindText(const QString &text) { ui->E_FindText->setText(text); }
QString FindReplaceDialog::replaceText() const { return ui->E_ReplaceText->text(); }
void FindReplaceDialog::setReplaceText(const QString &text) { ui->E_ReplaceText->setText(text); }
bool FindReplaceDialog::wholeWord() const { return ui->CB_WholeWord->isChecked(); }
void FindReplaceDialog::setWholeWord(bool on) { ui->CB_WholeWord->setChecked(on); }
bool FindReplaceDialog::matchCase() const { return ui->CB_MatchCase->isChecked(); }
void FindReplaceDialog::setMatchCase(bool on) { ui->CB_MatchCase->setChecked(on); }

} // namespace kav::viewers
