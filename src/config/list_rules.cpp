#include "list_rules.h"


namespace kav {

bool isSubjectLine(const QString &text)
{
    return text.contains(SubjectMark);
}

QString subjectName(const QString &text)
{
    if (text.startsWith(SubjectMark))
        return text.mid(SubjectMark.size());
    QString name = text;
    return name.remove(name.indexOf(SubjectMark), SubjectMark.size());
}

QString subjectLine(const QString &name)
{
    return SubjectMark + name;
}

bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

bool hasFieldBreak(const QString &text)
{
    return text.contains(QLatin1Char(';')) || hasLineBreak(text);
}

QString refusalText(AddOutcome outcome, const QString &listName, const QString &path, int capacity)
{
    // The path is shown on one line even when it holds a line end.
    QString shown = path;
    shown.replace(QLatin1Char('\r'), QStringLiteral("\\r")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    switch (outcome) {
    case AddOutcome::Full:
        return listName + QStringLiteral("에는 %1개까지만 등록할 수 있어 추가하지 못했습니다: ").arg(capacity) + shown;
    case AddOutcome::Unstorable:
        return QStringLiteral("경로에 ';' 또는 줄바꿈 문자가 있어 ") + listName
               + QStringLiteral("에 추가하지 못했습니다: ") + shown;
    default:
        return {};
    }
}

AddOutcome addLocalBookmark(OrderedList<QString> &list, const QString &text,
                            const std::function<bool(const QString &)> &fileExists)
{
    if (list.entries().contains(text))
        return AddOutcome::Duplicate;
    if (!isSubjectLine(text) && !fileExists(text))
        return AddOutcome::Missing;
    if (hasLineBreak(text))
        return AddOutcome::Unstorable;
    if (list.size() >= LocalBookmarkCapacity)
        return AddOutcome::Full;
    list.append(text);
    return AddOutcome::Added;
}

AddOutcome addHostBookmark(OrderedList<HostBookmark> &list, const QString &text, bool binary)
{
    for (const HostBookmark &b : list.entries())
        if (b.text == text)
            return AddOutcome::Duplicate;
    if (hasFieldBreak(text) || text.isEmpty())
        return AddOutcome::Unstorable;
    if (list.size() >= HostBookmarkCapacity)
        return AddOutcome::Full;
    list.append({text, binary || isSubjectLine(text)});
    return AddOutcome::Added;
}

AddOutcome addQueueEntry(OrderedList<QueueEntry> &list, const QueueEntry &entry)
{
    if (entry.fileName.isEmpty() || hasFieldBreak(entry.fileName) || hasFieldBreak(entry.directory))
        return AddOutcome::Unstorable;
    if (list.size() >= QueueCapacity)
        return AddOutcome::Full;
    list.append(entry);
    return AddOutcome::Added;
}

AddOutcome addTool(OrderedList<QString> &list, const QString &text)
{
    if (list.entries().contains(text))
        return AddOutcome::Duplicate;
    if (list.size() >= ToolsCapacity)
        return AddOutcome::Full;   // the tools list says nothing when full
    if (hasLineBreak(text))
        return AddOutcome::Unstorable;
    list.append(text);
    return AddOutcome::Added;
}

AddOutcome renameSubject(OrderedList<HostBookmark> &list, int row, const QString &answer)
{
    const QString name = answer.trimmed();
    if (name.isEmpty() || hasFieldBreak(name))
        return AddOutcome::Unstorable;
    const QString line = subjectLine(name);
    for (int i = 0; i < list.size(); ++i)
        if (i != row && list.at(i).text == line)
            return AddOutcome::Duplicate;
    list[row] = {line, true};
    return AddOutcome::Added;
}

AddOutcome insertSubject(OrderedList<HostBookmark> &list, int row, const QString &answer, int capacity)
{
    const QString name = answer.trimmed();
    if (name.isEmpty() || hasFieldBreak(name))
        return AddOutcome::Unstorable;
    const QString line = subjectLine(name);
    for (const HostBookmark &b : list.entries())
        if (b.text == line)
            return AddOutcome::Duplicate;
    if (list.size() >= capacity)
        return AddOutcome::Full;
    list.insert(row, {line, true});
    list.setCurrent(row + 1);
    return AddOutcome::Added;
}

bool binaryByExtension(const QString &fileName, const std::function<bool(const QString &)> &isAscii,
                       bool executable)
{
    if (executable)
        return true;
    const int slash = int(std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\'))));
    const QString name = fileName.mid(slash + 1);
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    const QString extension = dot < 0 ? QString() : name.mid(dot + 1).toUpper();
    return extension.isEmpty() || !isAscii(extension);
}

std::optional<QStringList> shellWords(const QString &text)
{
    QStringList words;
    QString word;
    bool inWord = false;
    enum { Plain, Single, Double } state = Plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (state) {
        case Single:
            if (c == QLatin1Char('\''))
                state = Plain;
            else
                word += c;
            break;
        case Double:
            if (c == QLatin1Char('"')) {
                state = Plain;
            } else if (c == QLatin1Char('\\') && i + 1 < text.size()
                       && QStringLiteral("\"\\$`").contains(text.at(i + 1))) {
                word += text.at(++i);
            } else {
                word += c;
            }
            break;
        case Plain:
            if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
                if (inWord)
                    words << word;
                word.clear();
                inWord = false;
            } else if (c == QLatin1Char('\'')) {
                state = Single;
                inWord = true;
            } else if (c == QLatin1Char('"')) {
                state = Double;
                inWord = true;
            } else if (c == QLatin1Char('\\')) {
                if (i + 1 < text.size())
                    word += text.at(++i);
                inWord = true;
            } else {
                word += c;
                inWord = true;
            }
            break;
        }
    }
    if (state != Plain)
        return std::nullopt;   // a quote left open
    if (inWord)
        words << word;
    return words;
}

QString shellQuoted(const QString &word)
{
    static const QString plain = QStringLiteral("+-./:=@_,%^");
    bool safe = !word.isEmpty();
    for (const QChar c : word)
        safe = safe && (c.isLetterOrNumber() || plain.contains(c));
    if (safe)
        return word;
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

ToolLaunch toolLaunch(const QString &text, const std::function<bool(const QString &)> &fileExists)
{
    if (fileExists(text))
        return {true, text, {}};
    const std::optional<QStringList> split = shellWords(text);
    if (!split || split->isEmpty())
        return {};
    QStringList words = *split;
    // An entry written before paths were quoted: the longest run of words that names an
    // existing file is the program ("/home/me/내 도구/인자 기록.sh arg").
    const bool quoted = text.contains(QLatin1Char('\'')) || text.contains(QLatin1Char('"'))
        || text.contains(QLatin1Char('\\'));
    if (!quoted && !fileExists(words.first())) {
        for (qsizetype n = words.size() - 1; n > 1; --n) {
            const QString candidate = QStringList(words.mid(0, n)).join(QLatin1Char(' '));
            if (fileExists(candidate))
                return {false, candidate, words.mid(n)};
        }
    }
    const QString program = words.takeFirst();
    return {false, program, words};
}

} // namespace kav
