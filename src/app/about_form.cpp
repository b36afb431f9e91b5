#include "about_form.h"
#include "program_info.h"
#include "viewers/system_panel.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace kav {

TAboutForm::TAboutForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TAboutForm"));
    setWindowTitle(QStringLiteral("About Kavrin"));
    auto *layout = new QVBoxLayout(this);
    auto addLabel = [&](const QString &name, const QString &text, int pointDelta) {
        auto *label = new QLabel(text, this);
        label->setObjectName(name);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignCenter);
        if (pointDelta) {
            QFont f = label->font();
            f.setPointSize(f.pointSize() + pointDelta);
            f.setBold(pointDelta > 2);
            label->setFont(f);
        }
        layout->addWidget(label);
    };
    addLabel(QStringLiteral("L_Program"), programName(), 6);
    addLabel(QStringLiteral("L_Subtitle"), programSubtitle(), 0);
    addLabel(QStringLiteral("L_Version"), QStringLiteral("Version ") + programVersion(), 0);
    addLabel(QStringLiteral("L_Credit"), programCredit(), 0);
    addLabel(QStringLiteral("L_License"), programLicense(), 0);
    layout->addWidget(new SystemPanel(this));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("BB_ok"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(320, 0)));
}

void TAboutForm::keyPressEvent(QKeyEvent *event)
{
    // Any key closes the window, but not a modifier alone: Alt of Alt+F4 would close it and
    // let F4 reach the main window, which would then close the program.
    switch (event->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
    case Qt::Key_Hangul:
    case Qt::Key_Hangul_Hanja:
        event->accept();
        return;
    default:
        break;
    }
    event->accept();
    accept();
}

} // namespace kav
