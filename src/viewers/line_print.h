#pragma once
// Printing a text line by line on the printer as a text device, with the
// progress window: the file's own print command and a host file's stream share it.
//
//     LinePrint run(printWindow, name, size);
//     if (!run.isOpen()) ...            // the printer could not be opened
//     while (...) { run.writeLine(line); run.addPrinted(n); if (run.cancelled()) break; }
//     run.finish();                     // also done by the destructor
//     if (run.disconnectRequested()) ...

#include <QByteArrayView>
#include <QString>
#include <memory>

class QIODevice;

namespace kav {

class TPrintForm;
class TextPrintJob;

// The gauge: printed * 100 div size, 0 for an unknown size, never above 100.
int printGauge(qint64 printed, qint64 size);

// One line of a text file as bytes (its LF already gone) made text: UTF-8 when the
// bytes are valid UTF-8, else code page 949; only a final CR is dropped.
QString decodeTextLine(QByteArrayView bytes);

class LinePrint {
public:
    // Shows the progress window for `fileName` of `size` bytes, puts the program in
    // its busy state and opens one print job named after the file.
    LinePrint(TPrintForm &form, const QString &fileName, qint64 size);
    ~LinePrint();
    LinePrint(const LinePrint &) = delete;
    LinePrint &operator=(const LinePrint &) = delete;

    bool isOpen() const;
    void writeLine(const QString &line);
    // Adds to the count printed and updates the gauge and the application title;
    // then lets pending events run so that cancel can be pressed.
    void addPrinted(qint64 count);
    bool cancelled() const;
    qint64 printed() const { return printed_; }
    int linesWritten() const { return lines_; }

    // The clean-up that always runs: gauge 100, cancel flag 0, window closed, busy
    // state left, job ended (the lines written so far are printed).
    void finish();
    // The progress window's "disconnect afterwards" box, as it was when finished.
    bool disconnectRequested() const { return disconnect_; }

private:
    TPrintForm &form;
    std::unique_ptr<TextPrintJob> job;
    qint64 size_ = 0;
    qint64 printed_ = 0;
    int lines_ = 0;
    bool finished_ = false;
    bool disconnect_ = false;
    bool cancelled_ = false;
};

enum class PrintOutcome { Printed, Cancelled, ReadFailed };

// Prints an open text file line by line until its end or until cancel; the count
// grows by each line's length in characters (line ends not counted).
PrintOutcome printTextLines(QIODevice &file, LinePrint &run);

} // namespace kav
