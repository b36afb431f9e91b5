#pragma once
// The window that shows one host file's properties and lets the user change
// its permission bits.

#include "mode_text.h"

#include <QDialog>
#include <memory>

class QCheckBox;

namespace Ui { class TChmodForm; }

namespace kav {

class TChmodForm : public QDialog {
    Q_OBJECT
public:
    explicit TChmodForm(QWidget *parent = nullptr);
    ~TChmodForm() override;

    // Fills the labels and checks the boxes of the file's mode.
    void showProperties(const QString &name, const FileProperties &properties);

    // The mode of the twelve check boxes.
    int mode() const;
    // The text of P_permission: the octal mode.
    QString permissionText() const;

    // Every check box: rebuilds the mode text.
    void CB_AllModeClick();

private:
    struct Box { QCheckBox *box; int bit; };
    QList<Box> boxes() const;

    std::unique_ptr<Ui::TChmodForm> ui;
};

} // namespace kav
