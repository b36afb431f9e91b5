#pragma once
// Sizes of a transfer and the continuing of a partial file: which size the
// window shows, when a file at the destination may be continued, and the
// question that asks the user.
//
// A file is continued only in image type: in ASCII type the bytes on the
// network are not the bytes on either disk, so no offset means the same on
// both sides.

#include "ftp/reply.h"

#include <QString>

namespace kav {

// The size a SIZE reply gives ("213 5368709120"); -1 for any other reply.
qint64 sizeFromReply(const Reply &reply);

// The expected size of a download: the host's answer to SIZE, else the size
// the listing showed for the entry picked, else the one the 150 reply
// announced (expectedTransferSize). A negative value stands for "not known".
qint64 downloadExpectedSize(qint64 hostSize, qint64 listedSize, qint64 announced);

// Whether a file of `have` bytes at the destination looks like the start of
// one of `whole` bytes: something there, and less than all of it.
bool continuable(qint64 have, qint64 whole);

enum class ResumeChoice { Resume, Overwrite, Skip };

// The questions, asked with Yes (continue), No (start over) and Cancel (skip).
QString downloadResumeQuestion(const QString &name, qint64 localSize, qint64 hostSize);
QString uploadResumeQuestion(const QString &name, qint64 hostSize, qint64 localSize);
// The answer of the box (a MsgButton); a box closed without a choice skips the file.
ResumeChoice resumeChoiceOf(int button);

} // namespace kav
