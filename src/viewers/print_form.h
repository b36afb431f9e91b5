#pragma once
// TPrintForm: the small always-on-top window shown while a text file is printed
// line by line: the file, its size, a gauge, cancel, and "disconnect afterwards".
// Long-lived and reused; visible only during a print.

#include <QDialog>
#include <memory>

namespace Ui { class TPrintForm; }

namespace kav {

class TPrintForm : public QDialog {
    Q_OBJECT
public:
    explicit TPrintForm(QWidget *parent = nullptr);
    ~TPrintForm() override;

    Ui::TPrintForm *form() const { return ui.get(); }
    // BB_abort's tag: 1 once the user cancelled.
    int cancelFlag() const { return CancelFlag; }
    void setCancelFlag(int flag) { CancelFlag = flag; }

    // Prepares and shows the window for one print (not modal).
    void start(const QString &fileName, qint64 size);
    // The gauge, and the application title with the percentage.
    void setGauge(int percent);
    bool disconnectAfter() const;
    // The application title during printing: the one it had when this print began.
    static QString savedProgramTitle();

    // ---- Handlers ----
    void FormActivate();
    void BB_abortClick();
    bool FormCloseQuery();

signals:
    // The user pressed cancel (tests and owners may watch it).
    void aborted();

protected:
    // Escape cancels like the button.
    void reject() override { BB_abortClick(); }
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::TPrintForm> ui;
    int CancelFlag = 0;
};

} // namespace kav
