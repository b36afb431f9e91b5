#include "line_print.h"
#include "print_form.h"
#include "text_codec.h"

#include "platform/cp949.h"
#include "platform/printer.h"

#include <QApplication>
#include <QIODevice>
#include <QProgressBar>

#include "ui_print_form.h"

namespace kav {

int printGauge(qint64 printed, qint64 size)
{
    if (size <= 0 || printed <= 0)
        return 0;
    return int(qMin<qint64>(100, printed * 100 / size));
}

QString decodeTextLine(QByteArrayView bytes)
{
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && uchar(c) < 0x80;
    if (!ascii && viewers::isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return cp949::decode(bytes);
}

LinePrint::LinePrint(TPrintForm &printForm, const QString &fileName, qint64 size)
    : form(printForm), size_(size)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    form.start(fileName, size);
    QCoreApplication::processEvents();
    job = std::make_unique<TextPrintJob>(fileName);
}

LinePrint::~LinePrint()
{
    finish();
}

bool LinePrint::isOpen() const
{
    return job && job->isOpen();
}

void LinePrint::writeLine(const QString &line)
{
    if (!isOpen())
        return;
    job->writeLine(line);
    ++lines_;
}

void LinePrint::addPrinted(qint64 count)
{
    printed_ += count;
    if (size_ > 0)
        form.setGauge(printGauge(printed_, size_));
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    // Once pressed, cancel holds for this print even if the window is shown again.
    cancelled_ = cancelled_ || form.cancelFlag() == 1;
}

bool LinePrint::cancelled() const
{
    return cancelled_ || form.cancelFlag() == 1;
}

void LinePrint::finish()
{
    if (finished_)
        return;
    finished_ = true;
    cancelled_ = cancelled();
    form.form()->G_print->setValue(100);
    form.setCancelFlag(0);
    disconnect_ = form.disconnectAfter();
    if (form.isVisible())
        form.close();
    QApplication::restoreOverrideCursor();
    if (job)
        job->end();
}

PrintOutcome printTextLines(QIODevice &file, LinePrint &run)
{
    while (!file.atEnd() && !run.cancelled()) {
        QByteArray bytes = file.readLine();
        if (bytes.isEmpty() && !file.atEnd())
            return PrintOutcome::ReadFailed;
        if (bytes.endsWith('\n'))
            bytes.chop(1);
        const QString line = decodeTextLine(bytes);
        run.writeLine(line);
        run.addPrinted(line.size());
    }
    return run.cancelled() ? PrintOutcome::Cancelled : PrintOutcome::Printed;
}

} // namespace kav
