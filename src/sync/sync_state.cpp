#include "sync/sync_state.h"

#include "platform/local_path.h"
#include "platform/settings_dir.h"
#include "platform/utf8x.h"

#include <QCryptographicHash>
#include <QFile>

namespace kav::sync {

namespace {

// First line of every state file; a later format gets a new number, and an
// older program refuses it rather than misreading it.
constexpr char Magic[] = "KAVRIN-SYNC-STATE 1";

// Text fields are UTF-8 with escaped bytes kept; the field and line separators
// and "%" itself are written as %HH.
QByteArray escapeField(const QString &text)
{
    const QByteArray bytes = utf8x::encode(text);
    QByteArray out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r' || c == '\0')
            out += '%' + QByteArray::number(uchar(c), 16).rightJustified(2, '0').toUpper();
        else
            out += c;
    }
    return out;
}

bool unescapeField(QByteArrayView field, QString *text)
{
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            bytes += field[i];
            continue;
        }
        if (i + 2 >= field.size())
            return false;
        bool ok = false;
        const int value = QByteArray(field.sliced(i + 1, 2).data(), 2).toInt(&ok, 16);
        if (!ok)
            return false;
        bytes += char(value);
        i += 2;
    }
    *text = utf8x::decode(bytes);
    return true;
}

char kindLetter(NodeKind kind)
{
    switch (kind) {
    case NodeKind::Directory: return 'D';
    case NodeKind::Link: return 'L';
    default: return 'F';
    }
}

bool kindFromLetter(QByteArrayView field, NodeKind *kind)
{
    if (field == "D")
        *kind = NodeKind::Directory;
    else if (field == "L")
        *kind = NodeKind::Link;
    else if (field == "F")
        *kind = NodeKind::File;
    else
        return false;
    return true;
}

void appendFacts(QByteArray &line, const Facts &f)
{
    line += '\t';
    line += kindLetter(f.kind);
    line += '\t' + QByteArray::number(f.size) + '\t' + QByteArray::number(f.time.fromMs) + '\t'
        + QByteArray::number(f.time.spanMs);
}

bool readNumber(QByteArrayView field, qint64 *value)
{
    bool ok = false;
    *value = QByteArray(field.data(), field.size()).toLongLong(&ok);
    return ok;
}

bool readFacts(const QList<QByteArrayView> &fields, int at, Facts *f)
{
    f->present = true;
    return kindFromLetter(fields[at], &f->kind) && readNumber(fields[at + 1], &f->size)
        && readNumber(fields[at + 2], &f->time.fromMs) && readNumber(fields[at + 3], &f->time.spanMs)
        && f->time.spanMs >= 0;
}

QList<QByteArrayView> splitTabs(QByteArrayView line)
{
    QList<QByteArrayView> out;
    qsizetype from = 0;
    for (;;) {
        const qsizetype tab = line.indexOf('\t', from);
        if (tab < 0) {
            out.append(line.sliced(from));
            return out;
        }
        out.append(line.sliced(from, tab - from));
        from = tab + 1;
    }
}

void recordTree(SyncState &next, const Node &l, const Node &h, const QString &path, const QSet<QString> &unsettled)
{
    mergeChildren(&l, &h, [&](const QString &name, const Node *lc, const Node *hc) {
        if (!lc || !hc)
            return;
        const QString p = joinRelative(path, name);
        if (unsettled.contains(p) || lc->kind != hc->kind || lc->kind == NodeKind::Link)
            return;
        next.records.insert(p, StateRecord{factsOf(lc), factsOf(hc)});
        if (lc->isDirectory() && lc->listed && hc->listed)
            recordTree(next, *lc, *hc, p, unsettled);
    });
}

bool underAny(const QString &path, const QSet<QString> &paths)
{
    if (paths.contains(path))
        return true;
    qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    while (slash > 0) {
        if (paths.contains(path.left(slash)))
            return true;
        slash = path.lastIndexOf(QLatin1Char('/'), slash - 1);
    }
    return false;
}

} // namespace

const StateRecord *SyncState::record(const QString &path) const
{
    const auto it = records.constFind(path);
    return it == records.cend() ? nullptr : &*it;
}

QString stateFilePath(const QString &profile, const QString &localDir, const QString &hostDir)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(utf8x::encode(profile));
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(utf8x::encode(localDir));
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(utf8x::encode(hostDir));
    return settingsDirectory() + QStringLiteral("/SYNC-") + QString::fromLatin1(hash.result().toHex().left(16).toUpper())
        + QStringLiteral(".STATE");
}

QByteArray stateText(const SyncState &state)
{
    QByteArray text = QByteArray(Magic) + '\n';
    text += "profile\t" + escapeField(state.profile) + '\n';
    text += "local\t" + escapeField(state.localDir) + '\n';
    text += "host\t" + escapeField(state.hostDir) + '\n';
    // Sorted, so the same state always makes the same file.
    QStringList paths = state.records.keys();
    paths.sort();
    for (const QString &p : paths) {
        const StateRecord &r = state.records[p];
        QByteArray line = "entry\t" + escapeField(p);
        appendFacts(line, r.local);
        appendFacts(line, r.host);
        text += line + '\n';
    }
    text += "end\n";
    return text;
}

bool parseStateText(const QByteArray &text, SyncState *state)
{
    SyncState s;
    s.exists = true;
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines.first() != Magic)
        return false;
    bool ended = false;
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QByteArray &line = lines[n];
        if (line.isEmpty())
            continue;
        if (ended)
            return false;
        const QList<QByteArrayView> f = splitTabs(line);
        if (f[0] == "end" && f.size() == 1) {
            ended = true;
        } else if (f.size() == 2 && (f[0] == "profile" || f[0] == "local" || f[0] == "host")) {
            QString value;
            if (!unescapeField(f[1], &value))
                return false;
            (f[0] == "profile" ? s.profile : f[0] == "local" ? s.localDir : s.hostDir) = value;
        } else if (f[0] == "entry" && f.size() == 10) {
            QString path;
            StateRecord r;
            if (!unescapeField(f[1], &path) || path.isEmpty() || !readFacts(f, 2, &r.local) || !readFacts(f, 6, &r.host))
                return false;
            s.records.insert(path, r);
        } else {
            return false;
        }
    }
    // A file without its last line was cut short: its missing entries would
    // read as deletes.
    if (!ended)
        return false;
    *state = std::move(s);
    return true;
}

StateLoad loadState(const QString &path, SyncState *state, QString *error)
{
    *state = SyncState();
    const localpath::Status st = localpath::status(path);
    if (!st.exists)
        return StateLoad::Missing;
    QFile file;
    if (!localpath::open(file, path, QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return StateLoad::Unreadable;
    }
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError || !parseStateText(text, state)) {
        *state = SyncState();
        if (error)
            *error = file.error() != QFileDevice::NoError ? file.errorString() : QString();
        return StateLoad::Unreadable;
    }
    return StateLoad::Loaded;
}

bool saveState(const QString &path, const SyncState &state, QString *error)
{
    return localpath::saveFile(path, stateText(state), error);
}

SyncState stateAfter(const SyncState &old, const Node &localRoot, const Node &hostRoot,
                     const QSet<QString> &unsettled, const Excludes &excludes)
{
    SyncState next;
    next.exists = true;
    next.profile = old.profile;
    next.localDir = old.localDir;
    next.hostDir = old.hostDir;
    if (localRoot.listed && hostRoot.listed)
        recordTree(next, localRoot, hostRoot, QString(), unsettled);
    for (auto it = old.records.cbegin(); it != old.records.cend(); ++it) {
        if (next.records.contains(it.key()))
            continue;
        if (underAny(it.key(), unsettled) || excludes.excludesPath(it.key()))
            next.records.insert(it.key(), it.value());
    }
    return next;
}

QSet<QString> unsettledPaths(const Plan &plan, const QSet<int> &doneActions)
{
    QSet<QString> out;
    for (int i = 0; i < plan.actions.size(); ++i) {
        const Action &a = plan.actions[i];
        if (a.kind == ActionKind::Conflict || !a.checked || !doneActions.contains(i))
            out.insert(a.path);
    }
    return out;
}

} // namespace kav::sync
