#include "sector_spin_box.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace kav {

SectorSpinBox::SectorSpinBox(QWidget *parent) : QAbstractSpinBox(parent)
{
    lineEdit()->setText(QStringLiteral("1"));
    connect(lineEdit(), &QLineEdit::textEdited, this, &SectorSpinBox::textEdited);
}

void SectorSpinBox::setValue(qint64 value)
{
    const QString text = QString::number(value);
    if (lineEdit()->text() != text)
        lineEdit()->setText(text);
    if (value == value_)
        return;
    value_ = value;
    emit valueChanged(value_);
}

void SectorSpinBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        bool ok = false;
        const qint64 typed = lineEdit()->text().toLongLong(&ok);
        setValue(ok ? typed : value_);
        selectAll();
        event->accept();
        return;
    }
    QAbstractSpinBox::keyPressEvent(event);
}

void SectorSpinBox::stepBy(int steps)
{
    qint64 next = value_ + steps;
    if (next > maximum_)
        next = maximum_;
    if (next < minimum_)
        next = minimum_;
    setValue(next);
    selectAll();
}

QAbstractSpinBox::StepEnabled SectorSpinBox::stepEnabled() const
{
    StepEnabled enabled = StepNone;
    if (value_ < maximum_)
        enabled |= StepUpEnabled;
    if (value_ > minimum_)
        enabled |= StepDownEnabled;
    return enabled;
}

QValidator::State SectorSpinBox::validate(QString &input, int &) const
{
    if (input.isEmpty())
        return QValidator::Intermediate;
    if (input.size() > 18)
        return QValidator::Invalid;
    for (QChar c : input)
        if (!c.isDigit() || c.unicode() > '9')
            return QValidator::Invalid;
    return QValidator::Acceptable;
}

void SectorSpinBox::fixup(QString &input) const
{
    if (input.isEmpty())
        input = QString::number(value_);
}

void SectorSpinBox::textEdited(const QString &text)
{
    bool ok = false;
    const qint64 typed = text.toLongLong(&ok);
    if (!ok)
        return;
    if (typed == value_)
        return;
    value_ = typed;
    emit valueChanged(value_);
}

} // namespace kav
