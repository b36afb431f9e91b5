#include "features.h"

#include <QSet>

namespace kav {

namespace {

// A real answer names a dozen features and MLST a dozen facts. A reply within
// the reader's limits can hold a megabyte of them, read at every login: only
// the first are looked at, so reading costs no more than reading the reply.
constexpr qsizetype MaxFeatureLines = 256;
constexpr qsizetype MaxFacts = 64;
constexpr qsizetype MaxFactLength = 64;

} // namespace

ServerFeatures ServerFeatures::fromReply(const Reply &reply)
{
    ServerFeatures f;
    if (reply.code != 211)
        return f;
    f.answered = true;
    QSet<QString> seen, seenOn;   // fact names, case folded
    // "211-Features:", one feature a line, "211 End". The reader has trimmed
    // the blank that begins each feature line.
    const qsizetype last = qMin(reply.lines.size() - 1, MaxFeatureLines + 1);
    for (qsizetype i = 1; i < last; ++i) {
        QString line = reply.lines.at(i);
        if (line.startsWith(QLatin1String("211-")))
            line = line.mid(4).trimmed();
        const QString name = line.section(QLatin1Char(' '), 0, 0).toUpper();
        const QString parameters = line.section(QLatin1Char(' '), 1).trimmed();
        if (name == QLatin1String("MLST") || name == QLatin1String("MLSD")) {
            f.hasMlst = true;
            for (const QStringView fact : QStringView(parameters).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                if (f.mlstFacts.size() >= MaxFacts)
                    break;
                const bool on = fact.endsWith(QLatin1Char('*'));
                const QStringView factName = on ? fact.chopped(1) : fact;
                if (factName.isEmpty() || factName.size() > MaxFactLength)
                    continue;
                const QString key = factName.toString().toCaseFolded();
                if (!seen.contains(key)) {
                    seen.insert(key);
                    f.mlstFacts << factName.toString();
                }
                if (on && !seenOn.contains(key)) {
                    seenOn.insert(key);
                    f.mlstFactsOn << factName.toString();
                }
            }
        } else if (name == QLatin1String("UTF8")) {
            f.hasUtf8 = true;
        } else if (name == QLatin1String("SIZE")) {
            f.hasSize = true;
        } else if (name == QLatin1String("REST")) {
            f.hasRest = parameters.contains(QLatin1String("STREAM"), Qt::CaseInsensitive);
        } else if (name == QLatin1String("EPSV")) {
            f.hasEpsv = true;
        } else if (name == QLatin1String("EPRT")) {
            f.hasEprt = true;
        } else if (name == QLatin1String("MDTM")) {
            f.hasMdtm = true;
        } else if (name == QLatin1String("MFMT")) {
            f.hasMfmt = true;
        } else if (name == QLatin1String("HASH")) {
            for (const QStringView algorithm : QStringView(parameters).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                if (f.hashAlgorithms.size() >= MaxFacts)
                    break;
                const bool on = algorithm.endsWith(QLatin1Char('*'));
                const QString a = (on ? algorithm.chopped(1) : algorithm).trimmed().toString().toUpper();
                if (a.isEmpty() || a.size() > MaxFactLength || f.hashAlgorithms.contains(a))
                    continue;
                f.hashAlgorithms << a;
                if (on)
                    f.hashCurrent = a;
            }
        } else if (name == QLatin1String("XSHA256")) {
            f.hasXsha256 = true;
        } else if (name == QLatin1String("XSHA1")) {
            f.hasXsha1 = true;
        } else if (name == QLatin1String("XMD5")) {
            f.hasXmd5 = true;
        }
    }
    return f;
}

std::optional<QString> mlstOptionsCommand(const ServerFeatures &features)
{
    if (!features.hasMlst)
        return std::nullopt;
    QString facts;
    bool missing = false;
    for (const char *wanted : {"type", "size", "modify", "perm", "UNIX.mode"}) {
        const QString want = QLatin1String(wanted);
        for (const QString &offered : features.mlstFacts) {
            if (offered.compare(want, Qt::CaseInsensitive) != 0)
                continue;
            facts += offered + QLatin1Char(';');
            if (!features.mlstFactsOn.contains(offered, Qt::CaseInsensitive))
                missing = true;
        }
    }
    if (!missing)
        return std::nullopt;
    return QStringLiteral("OPTS MLST ") + facts;
}

} // namespace kav
