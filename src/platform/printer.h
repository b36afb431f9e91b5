#pragma once
// The one door to the printer. Production asks with Qt's print and page set-up
// dialogs (where no printer is installed the print dialog still offers printing to
// a PDF file); tests install a printer that writes a PDF to a path they choose.

#include <QString>
#include <QStringList>
#include <memory>

class QPrinter;
class QTextDocument;
class QWidget;
class QImage;

namespace kav {

class PrinterService {
public:
    virtual ~PrinterService() = default;
    // The print dialog. True when the user confirmed; device() is then set up.
    virtual bool printDialog(QWidget *parent) = 0;
    // The printer set-up dialog; the printer chosen there is used by every print command.
    virtual bool setupDialog(QWidget *parent) = 0;
    // The printer the print commands paint on.
    virtual QPrinter &device() = 0;
};

// The service in use; the Qt one unless a test installed another.
PrinterService &printer();
// Installs a service (tests); returns the previous one. nullptr restores the Qt service.
std::unique_ptr<PrinterService> setPrinter(std::unique_ptr<PrinterService> service);
std::unique_ptr<PrinterService> makeQtPrinter();

// A printer that writes every job to one PDF file, for tests and for machines
// without a print system. The dialogs are answered by `acceptDialogs`.
class PdfFilePrinter : public PrinterService {
public:
    explicit PdfFilePrinter(const QString &pdfPath);
    ~PdfFilePrinter() override;
    bool printDialog(QWidget *parent) override;
    bool setupDialog(QWidget *parent) override;
    QPrinter &device() override;

    bool acceptDialogs = true;
    int printDialogsAsked = 0;
    int setupDialogsAsked = 0;

private:
    std::unique_ptr<QPrinter> printer_;
};

// Prints a rich-text document on the service's printer as one job named `jobTitle`.
// False when the printer could not be opened.
bool printDocument(const QTextDocument &document, const QString &jobTitle);

// The printer as a text device: one job, lines in the printer's default font, a new
// page when a page is full; no header, footer or margins of our own.
class TextPrintJob {
public:
    explicit TextPrintJob(const QString &jobTitle);
    ~TextPrintJob();  // ends the job
    bool isOpen() const;
    void writeLine(const QString &line);
    void end();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace kav
