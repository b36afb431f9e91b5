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

QString hostFilePath(const QString &directory, const QString &name)
{
    return directory == QLatin1String("/") ? directory + name : directory + QLatin1Char('/') + name;
}

QList<StreamLines::Line> StreamLines::feed(const char *data, qsizetype size)
{
    QList<Line> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (data[i] != '\n' && data[i] != '\0')
            continue;
        partial.append(data + start, i - start);
        const qint64 received = partial.size() + 1;
        if (partial.endsWith('\r'))
            partial.chop(1);
        lines.append(Line{partial, received});
        partial.clear();
        start = i + 1;
    }
    partial.append(data + start, size - start);
    return lines;
}

std::optional<StreamLines::Line> StreamLines::finish()
{
    if (partial.isEmpty())
        return std::nullopt;
    Line last{partial, partial.size()};
    if (last.bytes.endsWith('\r'))
        last.bytes.chop(1);
    partial.clear();
    return last;
}

} // namespace kav::remote
