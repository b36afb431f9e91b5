#include "resume.h"

#include "platform/dialogs.h"

namespace kav {

namespace {
const QString CrLf = QStringLiteral("\r\n");
}

qint64 sizeFromReply(const Reply &reply)
{
    if (reply.code != 213)
        return -1;
    // "213 " then the size in decimal, nothing else (RFC 3659).
    const QString digits = reply.text.mid(4).trimmed();
    if (digits.isEmpty())
        return -1;
    for (const QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
    bool ok = false;
    const qint64 size = digits.toLongLong(&ok);
    return ok ? size : -1;
}

qint64 downloadExpectedSize(qint64 hostSize, qint64 listedSize, qint64 announced)
{
    if (hostSize >= 0)
        return hostSize;
    if (listedSize >= 0)
        return listedSize;
    return announced;
}

bool continuable(qint64 have, qint64 whole)
{
    return have > 0 && whole > have;
}

QString downloadResumeQuestion(const QString &name, qint64 localSize, qint64 hostSize)
{
    return QStringLiteral("[주의] - 이어받기") + CrLf + QStringLiteral("파일 '") + name
        + QStringLiteral("'가 로컬에 이미 있습니다. (로컬 ") + QString::number(localSize)
        + QStringLiteral(" Bytes, 호스트 ") + QString::number(hostSize) + QStringLiteral(" Bytes)") + CrLf
        + QStringLiteral("받다가 중단된 파일을 이어서 받으시겠습니까 ?") + CrLf
        + QStringLiteral("([예] 이어받기, [아니요] 처음부터 다시 받기, [취소] 받지 않고 건너뛰기)");
}

QString uploadResumeQuestion(const QString &name, qint64 hostSize, qint64 localSize)
{
    return QStringLiteral("[주의] - 이어올리기") + CrLf + QStringLiteral("파일 '") + name
        + QStringLiteral("'가 호스트에 이미 있습니다. (호스트 ") + QString::number(hostSize)
        + QStringLiteral(" Bytes, 로컬 ") + QString::number(localSize) + QStringLiteral(" Bytes)") + CrLf
        + QStringLiteral("보내다가 중단된 파일을 이어서 보내시겠습니까 ?") + CrLf
        + QStringLiteral("([예] 이어올리기, [아니요] 처음부터 다시 보내기, [취소] 보내지 않고 건너뛰기)");
}

ResumeChoice resumeChoiceOf(int button)
{
    switch (button) {
    case BtnYes: return ResumeChoice::Resume;
    case BtnNo: return ResumeChoice::Overwrite;
    default: return ResumeChoice::Skip;
    }
}

} // namespace kav
