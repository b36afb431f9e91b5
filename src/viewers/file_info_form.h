#pragma once
// The properties of one local file: its version strings, shell icon, type,
// size, times and attributes (read-only changeable), and the facts of any drive.

#include <QDialog>
#include <memory>

namespace Ui { class TFileInfoForm; }

namespace kav {

class DriveFacts;

// The version resource keys shown, in order.
extern const char *const VersionKeys[10];

// trunc(size / 1024) + " KB (" + size + " Bytes)".
QString fileSizeText(qint64 size);
// The user's short date, two blanks, the short time without seconds.
QString fileTimeText(const QDateTime &time);

class TFileInfoForm : public QDialog {
    Q_OBJECT
public:
    explicit TFileInfoForm(const QString &path, QWidget *parent = nullptr);
    ~TFileInfoForm() override;

    Ui::TFileInfoForm *form() const { return ui.get(); }
    DriveFacts *driveFacts() const { return drives; }
    int attributesRead() const { return attributes; }

    void FormActivate();
    void CB_LogicaldrivesChange();
    void B_OkClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TFileInfoForm> ui;
    DriveFacts *drives = nullptr;
    QString path;
    int attributes = 0;
    bool activated = false;
};

} // namespace kav

namespace kav {

// Shows the properties of a local file modally over `parent`.
void showFileInfo(const QString &path, QWidget *parent);

} // namespace kav
