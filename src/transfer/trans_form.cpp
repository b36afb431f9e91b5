#include "trans_form.h"
#include "ui_trans_form.h"

#include "platform/dialogs.h"

#include <QCloseEvent>

#include <algorithm>
#include <limits>

namespace kav {

namespace {
// Repainting after every 64 KiB block would cost more than the transfer itself.
constexpr int PaintIntervalMs = 33;
}

TTransForm::TTransForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::TTransForm>())
{
    ui->setupUi(this);
    setFixedSize(size());
    QFont f(QStringLiteral("굴림체"));
    f.setPixelSize(12);
    setFont(f);
    ui->G_send->setStyleSheet(QStringLiteral("QProgressBar::chunk { background-color: navy; }"));
    ui->G_send->setTextVisible(false);
    connect(ui->BB_abort, &QPushButton::clicked, this, &TTransForm::BB_abortClick);
    sincePaint.start();
}

TTransForm::~TTransForm() = default;

bool TTransForm::disconnectAfterwards() const { return ui->CB_Disconnect->isChecked(); }
void TTransForm::setDisconnectAfterwards(bool on) { ui->CB_Disconnect->setChecked(on); }

QString TTransForm::countText(int item, int total)
{
    return QString::asprintf("%3d/%3d", item, total);
}

void TTransForm::setCount(int item, int total)
{
    ui->L_Count->setText(countText(item, total));
}

int TTransForm::percent(qint64 moved, qint64 expected)
{
    if (expected <= 0)
        return 0;
    // moved * 100 would overflow near 2^63 / 100 bytes: divide first for huge sizes.
    const qint64 p = moved < (std::numeric_limits<qint64>::max() / 100) ? moved * 100 / expected
                                                                        : moved / (expected / 100 + 1);
    return int(std::clamp<qint64>(p, 0, 100));
}

void TTransForm::begin(const QString &sendName, qint64 expectedSize, const QString &receiveName)
{
    expectedBytes = expectedSize;
    movedBytes = 0;
    ui->L_Lfile->setText(sendName);
    ui->L_Lsize->setText(QString::number(expectedSize) + QStringLiteral(" Bytes"));
    ui->L_Rfile->setText(receiveName);
    ui->L_Rsize->setText(QStringLiteral("0 Bytes"));
    sincePaint.restart();
}

void TTransForm::progress(qint64 moved, bool force)
{
    movedBytes = moved;
    if (expectedBytes <= 0)
        return;
    if (!force && sincePaint.elapsed() < PaintIntervalMs)
        return;
    sincePaint.restart();
    paintProgress();
}

void TTransForm::paintProgress()
{
    const int p = percent(movedBytes, expectedBytes);
    ui->G_send->setValue(p);
    ui->L_Rsize->setText(QString::number(movedBytes) + QStringLiteral(" Bytes"));
    if (sessionTitle)
        setApplicationTitle(sessionTitle() + QLatin1Char(' ') + QString::number(p) + QLatin1Char('%'));
    // Task bars here show the main window's title, so the percentage goes there too.
    if (QWidget *main = parentWidget() ? parentWidget()->window() : nullptr) {
        if (!titleSaved) {
            captionBefore = main->windowTitle();
            titleSaved = true;
        }
        main->setWindowTitle(captionBefore + QLatin1Char(' ') + QString::number(p) + QLatin1Char('%'));
    }
}

void TTransForm::complete()
{
    if (expectedBytes > 0)
        paintProgress();   // the final counters are exact
    ui->G_send->setValue(100);
}

int TTransForm::gauge() const { return ui->G_send->value(); }

void TTransForm::BB_abortClick()
{
    CancelTag = 1;
    close();
}

void TTransForm::showEvent(QShowEvent *event)
{
    CancelTag = 0;
    ui->G_send->setValue(0);
    QDialog::showEvent(event);
}

void TTransForm::closeEvent(QCloseEvent *event)
{
    if (sessionTitle)
        setApplicationTitle(sessionTitle());
    if (titleSaved && parentWidget())
        parentWidget()->window()->setWindowTitle(captionBefore);
    titleSaved = false;
    // Not QDialog's own close handling, which would treat the close as a cancel.
    event->accept();
}

void TTransForm::reject()
{
    BB_abortClick();
}

} // namespace kav
