#pragma once
// What a transfer engine reports while it moves one file, and the cancel it
// asks about between blocks. The transfer window implements it; a test or a
// later runner without a window may implement it too.

#include "resume.h"

#include <QString>

class QWidget;

namespace kav {

class TransferProgress {
public:
    virtual ~TransferProgress() = default;
    // One transfer starts: the names and the expected size (the announced one,
    // SizeUnknown, or the local file's), nothing moved yet.
    virtual void begin(const QString &sendName, qint64 expectedSize, const QString &receiveName) = 0;
    // Bytes moved so far; `force` asks for the exact count to show now (the last block).
    virtual void progress(qint64 moved, bool force = false) = 0;
    // The transfer ended, successfully or not.
    virtual void complete() = 0;
    // The user asked to stop; the engine ends after the current block.
    virtual bool cancelled() const = 0;
    // The window a question about the transfer is asked over (null: the main window).
    virtual QWidget *questionParent() { return nullptr; }
    // Asks whether a shorter file at the destination is continued, started
    // over or skipped; by default a box over questionParent(). A transfer on
    // another thread hands the question to the window's thread.
    virtual ResumeChoice askResume(const QString &question);
};

} // namespace kav
