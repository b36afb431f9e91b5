#pragma once
// The small About window: program name, version, credit and licence.

#include <QDialog>

namespace kav {

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace kav
