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
    frame = new QTimer(this);
    frame->setSingleShot(true);
    connect(frame, &QTimer::timeout, this, &TTransForm::paint);
    sincePaint.start();
}

TTransForm::~TTransForm() = default;

Ui::TTransForm *TTransForm::form() const
{
    showControls();
    return ui.get();
}

bool TTransForm::disconnectAfterwards() const { return ui->CB_Disconnect->isChecked(); }
void TTransForm::setDisconnectAfterwards(bool on) { ui->CB_Disconnect->setChecked(on); }

QString TTransForm::countText(int item, int total)
{
    return QString::asprintf("%3d/%3d", item, total);
}

void TTransForm::setCount(int item, int total)
{
    countShown = countText(item, total);
    changed();
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
    movedShown = 0;
    this->sendName = sendName;
    this->receiveName = receiveName;
    changed();
}

void TTransForm::progress(qint64 moved, bool force)
{
    movedBytes = moved;
    if (expectedBytes <= 0)
        return;
    movedShown = moved;
    gaugeValue = percent(movedBytes, expectedBytes);
    // Between frames only the exact last count needs a later paint.
    if (force || !frame->isActive())
        changed();
}

void TTransForm::changed()
{
    controlsStale = true;
    if (sincePaint.elapsed() >= PaintIntervalMs)
        paint();
    else if (!frame->isActive())
        frame->start(int(PaintIntervalMs - sincePaint.elapsed()));
}

void TTransForm::showControls() const
{
    if (!controlsStale)
        return;
    controlsStale = false;
    ui->L_Count->setText(countShown);
    ui->L_Lfile->setText(sendName);
    ui->L_Lsize->setText(QString::number(expectedBytes) + QStringLiteral(" Bytes"));
    ui->L_Rfile->setText(receiveName);
    ui->L_Rsize->setText(QString::number(movedShown) + QStringLiteral(" Bytes"));
    ui->G_send->setValue(gaugeValue);
}

void TTransForm::paint()
{
    frame->stop();
    sincePaint.restart();
    showControls();
    // The titles carry the percentage only while a transfer with a known size shows.
    if (!isVisible() || expectedBytes <= 0)
        return;
    const int p = percent(movedShown, expectedBytes);
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
    // The final counters are exact, the gauge full.
    gaugeValue = 100;
    changed();
}

int TTransForm::gauge() const { return gaugeValue; }

void TTransForm::BB_abortClick()
{
    CancelTag = 1;
    close();
}

void TTransForm::showEvent(QShowEvent *event)
{
    CancelTag = 0;
    gaugeValue = 0;
    controlsStale = true;
    showControls();
    QDialog::showEvent(event);
}

void TTransForm::closeEvent(QCloseEvent *event)
{
    // What is left to show goes to the controls, never again to the titles.
    frame->stop();
    showControls();
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
