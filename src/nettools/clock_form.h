#pragma once
// The clock window: this machine's time on the left dial, the host's on the
// right, and a button that sets this machine's clock to the host's time. The host
// time keeps running as now plus the difference measured when the answer came,
// so it stays right across noon, midnight and a changed local clock.

#include "daytime.h"

#include <QDateTime>
#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QFrame;
class QTimer;
class QPushButton;
class QToolButton;
namespace Ui { class TClockForm; }

namespace kav {

class TClockForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 427;
    static constexpr int ClientHeight = 219;

    // `now` gives the local time (tests fix it); empty: the system clock.
    explicit TClockForm(const DaytimeTime &hostTime, std::function<QDateTime()> now = {},
                        QWidget *parent = nullptr);
    ~TClockForm() override;

    void FormActivate();
    void T_clockTimer();
    void SB_SetTimeClick();
    // Ends a setting of the clock that waits for the system (its permission question).
    void BB_CancelSetClick();

    // The host's time now, whole seconds.
    QDateTime hostDateTime() const;
    // The host dial's hour in twelve-hour form and the afternoon offset (0 or 12).
    int hostHour() const;
    int hostHourOffset() const;
    // Dial geometry: centres and radius.
    int leftCentreX() const { return leftX; }
    int rightCentreX() const { return rightX; }
    int centreY() const { return midY; }
    int radius() const { return dialRadius; }

    QLabel *L_LDate = nullptr;
    QLabel *L_RDate = nullptr;
    QToolButton *SB_SetTime = nullptr;
    QPushButton *BB_CancelSet = nullptr;   // shown while the clock is being set
    QFrame *P_delimeter = nullptr;
    QTimer *T_clock = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;  // FormClick
    void keyPressEvent(QKeyEvent *event) override;      // FormKeyDown / FormKeyPress
    void closeEvent(QCloseEvent *event) override;       // FormCloseQuery

private:
    QDateTime localNow() const;
    void showHostDate();

    std::unique_ptr<Ui::TClockForm> ui;
    std::function<QDateTime()> now;
    QDate shownHostDate;
    qint64 hostOffsetSeconds = 0;
    int leftX = 0, rightX = 0, midY = 0, dialRadius = 0;
    bool activated = false;
    bool settingClock = false;
    bool setCancelled = false;
};

// "Www Mmm dd yyyy" of a date, the layout of the daytime answer's date columns.
QString daytimeDateCaption(const QDate &date);

} // namespace kav
