#include "printer.h"

#include "dialogs.h"

#include <QDir>
#include <QFontMetrics>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QTextDocument>

Q_GUI_EXPORT int qt_defaultDpiY();

namespace kav {

namespace {

class QtPrinter : public PrinterService {
public:
    QtPrinter() : printer_(QPrinter::HighResolution) { usePdfWhenNoPrinter(); }

    bool printDialog(QWidget *parent) override
    {
        usePdfWhenNoPrinter();
        QPrintDialog dialog(&printer_, dialogOwner(parent));
        return dialog.exec() == QDialog::Accepted;
    }

    bool setupDialog(QWidget *parent) override
    {
        usePdfWhenNoPrinter();
        QPageSetupDialog dialog(&printer_, dialogOwner(parent));
        return dialog.exec() == QDialog::Accepted;
    }

    QPrinter &device() override { return printer_; }

private:
    // With no printer installed, Qt's print dialog offers only "Print to File (PDF)";
    // propose a file in the user's documents folder so one click prints.
    void usePdfWhenNoPrinter()
    {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            return;
        if (printer_.outputFormat() == QPrinter::PdfFormat && !printer_.outputFileName().isEmpty())
            return;
        QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (dir.isEmpty())
            dir = QDir::homePath();
        printer_.setOutputFormat(QPrinter::PdfFormat);
        printer_.setOutputFileName(QDir(dir).filePath(QStringLiteral("kavrin.pdf")));
    }

    QPrinter printer_;
};

std::unique_ptr<PrinterService> &current()
{
    static std::unique_ptr<PrinterService> service;
    return service;
}

} // namespace

std::unique_ptr<PrinterService> makeQtPrinter() { return std::make_unique<QtPrinter>(); }

PrinterService &printer()
{
    auto &service = current();
    if (!service)
        service = makeQtPrinter();
    return *service;
}

std::unique_ptr<PrinterService> setPrinter(std::unique_ptr<PrinterService> service)
{
    auto previous = std::move(current());
    current() = std::move(service);
    return previous;
}

PdfFilePrinter::PdfFilePrinter(const QString &pdfPath)
    : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(pdfPath);
}

PdfFilePrinter::~PdfFilePrinter() = default;

bool PdfFilePrinter::printDialog(QWidget *)
{
    ++printDialogsAsked;
    return acceptDialogs;
}

bool PdfFilePrinter::setupDialog(QWidget *)
{
    ++setupDialogsAsked;
    return acceptDialogs;
}

QPrinter &PdfFilePrinter::device() { return *printer_; }

bool printDocument(const QTextDocument &document, const QString &jobTitle)
{
    QPrinter &device = printer().device();
    device.setDocName(jobTitle);
    // QTextDocument::print reports nothing; check that the device can be painted on.
    {
        QPainter probe;
        if (!probe.begin(&device))
            return false;
        probe.end();
    }
    // A document without a page size is printed with a page number under each page, which
    // the program never asked for: lay a copy out on the printer's page instead.
    std::unique_ptr<QTextDocument> copy(document.clone());
    copy->setPageSize(device.pageLayout().paintRectPixels(qt_defaultDpiY()).size());
    copy->print(&device);
    return true;
}

struct TextPrintJob::Impl {
    QPainter painter;
    int y = 0;
    int lineHeight = 0;
    int ascent = 0;
    int pageHeight = 0;
    bool open = false;
};

TextPrintJob::TextPrintJob(const QString &jobTitle) : d(std::make_unique<Impl>())
{
    QPrinter &device = printer().device();
    device.setDocName(jobTitle);
    device.setPageOrientation(QPageLayout::Portrait);
    if (!d->painter.begin(&device))
        return;
    d->open = true;
    QFontMetrics metrics(d->painter.font(), &device);
    d->lineHeight = metrics.lineSpacing();
    d->ascent = metrics.ascent();
    d->pageHeight = d->painter.viewport().height();
}

TextPrintJob::~TextPrintJob() { end(); }

bool TextPrintJob::isOpen() const { return d->open; }

void TextPrintJob::writeLine(const QString &line)
{
    if (!d->open)
        return;
    if (d->y > 0 && d->y + d->lineHeight > d->pageHeight) {
        static_cast<QPrinter *>(d->painter.device())->newPage();
        d->y = 0;
    }
    // Words are drawn one by one at their places, the blanks between them left as space:
    // a blank drawn in a line that holds Hangul comes from the fallback font, which the PDF
    // text layer maps to no character (search and copy would see U+0001 for every blank).
    const QFontMetricsF metrics(d->painter.font(), d->painter.device());
    qsizetype start = 0;
    while (start < line.size()) {
        while (start < line.size() && line.at(start) == QLatin1Char(' '))
            ++start;
        qsizetype end = start;
        while (end < line.size() && line.at(end) != QLatin1Char(' '))
            ++end;
        if (end > start)
            d->painter.drawText(QPointF(metrics.horizontalAdvance(line.left(start)), d->y + d->ascent),
                                line.mid(start, end - start));
        start = end;
    }
    d->y += d->lineHeight;
}

void TextPrintJob::end()
{
    if (d->open) {
        d->painter.end();
        d->open = false;
    }
}

} // namespace kav
