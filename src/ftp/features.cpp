#include "features.h"

namespace kav {

ServerFeatures ServerFeatures::fromReply(const Reply &reply)
{
    ServerFeatures f;
    if (reply.code != 211)
        return f;
    f.answered = true;
    // "211-Features:", one feature a line, "211 End". The reader has trimmed
    // the blank that begins each feature line.
    for (qsizetype i = 1; i + 1 < reply.lines.size(); ++i) {
        QString line = reply.lines.at(i);
        if (line.startsWith(QLatin1String("211-")))
            line = line.mid(4).trimmed();
        const QString name = line.section(QLatin1Char(' '), 0, 0).toUpper();
        const QString parameters = line.section(QLatin1Char(' '), 1).trimmed();
        if (name == QLatin1String("MLST") || name == QLatin1String("MLSD")) {
            f.hasMlst = true;
            for (const QString &fact : parameters.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                const bool on = fact.endsWith(QLatin1Char('*'));
                const QString factName = on ? fact.chopped(1) : fact;
                if (!f.mlstFacts.contains(factName, Qt::CaseInsensitive))
                    f.mlstFacts << factName;
                if (on && !f.mlstFactsOn.contains(factName, Qt::CaseInsensitive))
                    f.mlstFactsOn << factName;
            }
        } else if (name == QLatin1String("UTF8")) {
            f.hasUtf8 = true;
        } else if (name == QLatin1String("SIZE")) {
            f.hasSize = true;
        } else if (name == QLatin1String("REST")) {
            f.hasRest = parameters.toUpper().contains(QLatin1String("STREAM"));
        } else if (name == QLatin1String("EPSV")) {
            f.hasEpsv = true;
        } else if (name == QLatin1String("EPRT")) {
            f.hasEprt = true;
        } else if (name == QLatin1String("MDTM")) {
            f.hasMdtm = true;
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
