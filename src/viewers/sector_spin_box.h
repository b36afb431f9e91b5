#pragma once
// A spin field for 64-bit sector numbers: QSpinBox stops at 2^31 - 1, which is
// only 512 GiB of 256-byte sectors. The value is what the user typed (digits
// only); bringing it into range is the owner's business, as the hex viewer's
// change handler does it.

#include <QAbstractSpinBox>

namespace kav {

class SectorSpinBox : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit SectorSpinBox(QWidget *parent = nullptr);

    qint64 value() const { return value_; }
    void setValue(qint64 value);
    qint64 minimum() const { return minimum_; }
    qint64 maximum() const { return maximum_; }
    void setMinimum(qint64 value) { minimum_ = value; }
    void setMaximum(qint64 value) { maximum_ = value; }

    void stepBy(int steps) override;

signals:
    void valueChanged(qint64 value);

protected:
    StepEnabled stepEnabled() const override;
    // Enter goes to the typed sector and stays here: it never reaches the dialog's default button.
    void keyPressEvent(QKeyEvent *event) override;
    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

private:
    void textEdited(const QString &text);

    qint64 value_ = 1;
    qint64 minimum_ = 1;
    qint64 maximum_ = 1;
};

} // namespace kav
