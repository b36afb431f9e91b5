#include "remote_view_logic.h"

namespace kav::remote {

QString upperExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1).toUpper();
}

std::optional<QString> textCheckQuestion(const RemoteEntry &entry, bool extensionIsText, Action action)
{
    QString why;
    if (entry.kind == EntryKind::ExecutableFile)
        why = QStringLiteral("'는 텍스트 파일이 아님니다.\r\n");
    else if (!extensionIsText)
        why = QStringLiteral("'는 텍스트 파일이 아닐 수 있습니다.\r\n");
    else
        return std::nullopt;
    QString question;
    switch (action) {
    case Action::View: question = QStringLiteral("그래도 선택한 파일을 열람하시겠습니까 ?"); break;
    case Action::Print: question = QStringLiteral("그래도 선택한 파일을 인쇄하시겠습니까 ?"); break;
    case Action::Edit: question = QStringLiteral("그래도 선택한 파일을 편집하시겠습니까 ?"); break;
    }
    return QStringLiteral("[주의]\r\n파일 '") + entry.name + why + question;
}

QList<StreamLines::Line> StreamLines::feed(const char *data, qsizetype size)
{
    QList<Line> lines;
    for (QByteArray &raw : splitter.feed(data, size)) {
        const qint64 received = raw.size() + 1;   // its LF or NUL
        if (raw.endsWith('\r'))
            raw.chop(1);
        lines.append(Line{std::move(raw), received});
    }
    return lines;
}

std::optional<StreamLines::Line> StreamLines::finish()
{
    QByteArray rest = splitter.takePartialLine();
    if (rest.isEmpty())
        return std::nullopt;
    const qint64 received = rest.size();
    if (rest.endsWith('\r'))
        rest.chop(1);
    return Line{rest, received};
}

} // namespace kav::remote
