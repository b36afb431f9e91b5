#pragma once
// The About window's system panel: owner and organization, processor,
// operating system and version, memory figures and the drive group. Filled
// when its window is first shown; while the window shows, its title bar is
// flashed every 500 ms.

#include "platform/system_facts.h"

#include <QWidget>

class QLabel;
class QTimer;

namespace kav {

class DriveFacts;

// "%d KB" of trunc(bytes / 1024).
QString kilobytesText(quint64 bytes);

class SystemPanel : public QWidget {
    Q_OBJECT
public:
    explicit SystemPanel(QWidget *parent = nullptr);

    // The window's activation: reads the facts and fills the labels.
    void FormActivate();
    void BlinkTimerTimer();
    DriveFacts *driveFacts() const { return drives; }
    QTimer *blinkTimer() const { return BlinkTimer; }

    // Seam for tests.
    std::function<SystemFacts()> readFacts = readSystemFacts;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *value(const char *name) const;
    DriveFacts *drives = nullptr;
    QTimer *BlinkTimer = nullptr;
    bool activated = false;
};

} // namespace kav
