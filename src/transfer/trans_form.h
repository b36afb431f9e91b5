#pragma once
// The transfer window: names, sizes, the gauge and the item counter of the
// transfer under way, its cancel button and the disconnect-afterwards box.

#include "transfer_progress.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QString>
#include <functional>
#include <memory>

namespace Ui { class TTransForm; }

namespace kav {

class TTransForm : public QDialog, public TransferProgress {
    Q_OBJECT
public:
    explicit TTransForm(QWidget *parent = nullptr);
    ~TTransForm() override;

    // The controls, brought up to date first: what they show is what the window holds.
    Ui::TTransForm *form() const;

    // The cancel flag (the cancel button's tag): 1 = cancelled.
    int cancelFlag() const { return CancelTag; }
    void setCancelFlag(int flag) { CancelTag = flag; }
    bool disconnectAfterwards() const;
    void setDisconnectAfterwards(bool on);

    // Names, sizes, the counter and the gauge reach the screen at most once a
    // frame: a batch of small files changes them hundreds of times a second,
    // and painting each change would cost more than moving the files. The
    // last change is always shown, within a frame.

    // "%3d/%3d" of the item number and the item count.
    void setCount(int item, int total);
    static QString countText(int item, int total);

    // One transfer: names and the expected size, moved count at zero.
    void begin(const QString &sendName, qint64 expectedSize, const QString &receiveName) override;
    // Bytes moved so far. The screen follows at most about 30 times a second;
    // `force` paints now (the last block).
    void progress(qint64 moved, bool force = false) override;
    // The gauge at 100 (end of a transfer, success or not).
    void complete() override;
    bool cancelled() const override { return CancelTag == 1; }
    // Kept on top of the main window: a question asked over that would open behind it.
    QWidget *questionParent() override { return this; }
    int gauge() const;
    qint64 moved() const { return movedBytes; }
    qint64 expected() const { return expectedBytes; }

    // The gauge percentage without overflow for any size; 0 when the size is not positive.
    static int percent(qint64 moved, qint64 expected);

    // The application title while transferring: the session's title, " ", the percentage, "%".
    std::function<QString()> sessionTitle;

    void BB_abortClick();

protected:
    void showEvent(QShowEvent *event) override;     // FormActivate
    void closeEvent(QCloseEvent *event) override;   // FormCloseQuery
    void reject() override;                          // Escape is the cancel button

private:
    // Something changed: shows it now when a frame has passed since the last
    // paint, otherwise once that frame is over.
    void changed();
    void paint();
    // The controls from the values held; no title.
    void showControls() const;

    std::unique_ptr<Ui::TTransForm> ui;
    int CancelTag = 0;
    qint64 expectedBytes = 0;
    qint64 movedBytes = 0;
    qint64 movedShown = 0;   // the received size label: only for a known expected size
    int gaugeValue = 0;
    QString countShown, sendName, receiveName;
    mutable bool controlsStale = false;
    QElapsedTimer sincePaint;
    QTimer *frame = nullptr;
    QString captionBefore;   // the main window's title before the first percentage
    bool titleSaved = false;
};

} // namespace kav
