#include "clock_form.h"
#include "ui_clock_form.h"

#include "platform/clock_setter.h"
#include "platform/dialogs.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtMath>

namespace kav {
namespace {

QDateTime wholeSeconds(const QDateTime &t)
{
    return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute(), t.time().second()));
}

void drawDial(QPainter &p, int cx, int cy, int radius, int hour, int minute, int second)
{
    const double twoPi = 2 * M_PI;
    p.setPen(Qt::black);
    p.setBrush(Qt::black);
    const int d = radius / 40 + 1;
    for (int i = 0; i < 12; ++i) {
        const double a = (i + 9) * twoPi / 12;
        const int x = cx - qRound(std::cos(a) * radius);
        const int y = cy - qRound(std::sin(a) * radius);
        p.drawEllipse(QRect(QPoint(x - d, y - d), QPoint(x + d, y + d)));
    }
    auto hand = [&](double a, int tail, int length) {
        p.drawLine(QPoint(cx - qRound(std::cos(a) * tail), cy - qRound(std::sin(a) * tail)),
                   QPoint(cx + qRound(std::cos(a) * length), cy + qRound(std::sin(a) * length)));
    };
    p.setPen(Qt::blue);
    p.setBrush(Qt::blue);
    p.drawEllipse(QRect(QPoint(cx - 2, cy - 2), QPoint(cx + 2, cy + 2)));
    hand((hour + 9 + minute / 60.0) * twoPi / 12, 0, radius * 55 / 100);
    hand((minute + 45) * twoPi / 60, 0, radius * 75 / 100);
    p.setPen(Qt::red);
    hand((second + 45) * twoPi / 60, radius * 10 / 90, radius * 90 / 100);
}

} // namespace

QString daytimeDateCaption(const QDate &date)
{
    static const char *days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char *months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!date.isValid())
        return {};
    return QStringLiteral("%1 %2 %3 %4")
        .arg(QLatin1String(days[date.dayOfWeek() % 7]), QLatin1String(months[date.month() - 1]))
        .arg(date.day(), 2)
        .arg(date.year());
}

TClockForm::TClockForm(const DaytimeTime &hostTime, std::function<QDateTime()> now_, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint
                          | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TClockForm>()), now(std::move(now_))
{
    setFixedSize(ClientWidth, ClientHeight);
    hostOffsetSeconds = wholeSeconds(localNow()).secsTo(hostTime.dateTime());

    ui->setupUi(this);
    L_LDate = ui->L_LDate;
    L_RDate = ui->L_RDate;
    SB_SetTime = ui->SB_SetTime;
    P_delimeter = ui->P_delimeter;
    L_RDate->setText(hostTime.dateCaption);
    shownHostDate = hostDateTime().date();
    connect(SB_SetTime, &QToolButton::clicked, this, &TClockForm::SB_SetTimeClick);
    BB_CancelSet = new QPushButton(QStringLiteral("취소"), this);
    BB_CancelSet->setObjectName(QStringLiteral("BB_CancelSet"));
    BB_CancelSet->setToolTip(QStringLiteral("시계 맞추기를 그만둡니다"));
    BB_CancelSet->adjustSize();
    BB_CancelSet->move(SB_SetTime->geometry().center().x() - BB_CancelSet->width() / 2,
                       SB_SetTime->geometry().bottom() + 4);
    BB_CancelSet->hide();
    connect(BB_CancelSet, &QPushButton::clicked, this, &TClockForm::BB_CancelSetClick);

    T_clock = new QTimer(this);
    T_clock->setObjectName(QStringLiteral("T_clock"));
    T_clock->setInterval(1000);
    connect(T_clock, &QTimer::timeout, this, &TClockForm::T_clockTimer);
}

TClockForm::~TClockForm() = default;

QDateTime TClockForm::localNow() const
{
    return now ? now() : QDateTime::currentDateTime();
}

QDateTime TClockForm::hostDateTime() const
{
    return wholeSeconds(localNow()).addSecs(hostOffsetSeconds);
}

int TClockForm::hostHour() const
{
    const int h = hostDateTime().time().hour();
    return h > 12 ? h - 12 : h;
}

int TClockForm::hostHourOffset() const
{
    return hostDateTime().time().hour() > 12 ? 12 : 0;
}

void TClockForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!activated)
        FormActivate();
}

void TClockForm::FormActivate()
{
    activated = true;
    L_LDate->setText(QLocale::system().toString(localNow().date(), QLocale::ShortFormat));
    leftX = width() / 4;
    rightX = width() * 3 / 4;
    midY = height() / 4 + 50;
    dialRadius = width() / 4 - 5;
    T_clock->start();
}

void TClockForm::showHostDate()
{
    shownHostDate = hostDateTime().date();
    L_RDate->setText(daytimeDateCaption(shownHostDate));
}

void TClockForm::T_clockTimer()
{
    // The host dial follows from the fixed difference; its date may have turned.
    if (hostDateTime().date() != shownHostDate)
        showHostDate();
    update();
}

void TClockForm::SB_SetTimeClick()
{
    if (settingClock)
        return;
    const QDateTime target = hostDateTime();
    // The dials keep going while the system decides (it may ask for permission); the
    // cancel button, Esc or closing the window ends the wait.
    settingClock = true;
    SB_SetTime->setEnabled(false);
    BB_CancelSet->show();
    const bool set = clockSetter().setLocalTime(target);
    BB_CancelSet->hide();
    SB_SetTime->setEnabled(true);
    settingClock = false;
    if (setCancelled) {
        setCancelled = false;
        update();
        return;
    }
    if (set) {
        // The local clock now is the host's: the difference starts again from there.
        hostOffsetSeconds = wholeSeconds(localNow()).secsTo(target);
        L_LDate->setText(QLocale::system().toString(localNow().date(), QLocale::ShortFormat));
    } else {
        informationBox(QStringLiteral("이 컴퓨터의 시계를 맞추지 못했습니다. 시간을 바꿀 권한이 없거나, "
                                      "네트워크 시간 동기화가 켜져 있습니다."),
                       this);
    }
    update();
}

void TClockForm::paintEvent(QPaintEvent *)
{
    if (!activated)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QTime local = localNow().time();
    const QTime host = hostDateTime().time();
    drawDial(p, leftX, midY, dialRadius, local.hour() % 12, local.minute(), local.second());
    drawDial(p, rightX, midY, dialRadius, host.hour() % 12, host.minute(), host.second());
}

void TClockForm::BB_CancelSetClick()
{
    if (!settingClock)
        return;
    setCancelled = true;
    clockSetter().cancel();
}

void TClockForm::mousePressEvent(QMouseEvent *)
{
    close();
}

void TClockForm::keyPressEvent(QKeyEvent *)
{
    close();
}

void TClockForm::closeEvent(QCloseEvent *event)
{
    BB_CancelSetClick();
    T_clock->stop();
    event->accept();
    QDialog::closeEvent(event);
}

} // namespace kav
