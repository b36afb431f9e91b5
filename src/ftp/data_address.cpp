#include "data_address.h"

#include <QRegularExpression>

namespace kav {

namespace {

// 1 to 65535, written in ASCII digits only.
int portNumber(const QString &text)
{
    if (text.isEmpty() || text.size() > 5)
        return 0;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    const int port = text.toInt();
    return port <= 65535 ? port : 0;
}

} // namespace

HostInput splitHostInput(const QString &text)
{
    HostInput in;
    const QString t = text.trimmed();
    in.shown = text;
    in.host = t;
    if (t.startsWith(QLatin1Char('['))) {
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        if (close < 0)
            return in;
        in.host = t.mid(1, close - 1).trimmed();
        const QString rest = t.mid(close + 1);
        in.shown = t.left(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return in;
            in.port = portNumber(rest.mid(1));
            if (!in.port)
                return in;
        }
    } else if (t.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = t.indexOf(QLatin1Char(':'));
        in.host = t.left(colon).trimmed();
        in.shown = text.left(text.indexOf(QLatin1Char(':')));
        in.port = portNumber(t.mid(colon + 1));
        if (!in.port)
            return in;
    }
    in.valid = !in.host.isEmpty();
    return in;
}

QString portCommand(quint32 a, quint16 port)
{
    return QStringLiteral("PORT %1,%2,%3,%4,%5,%6")
        .arg(a >> 24)
        .arg((a >> 16) & 0xff)
        .arg((a >> 8) & 0xff)
        .arg(a & 0xff)
        .arg(port >> 8)
        .arg(port & 0xff);
}

QString eprtCommand(const ws::SocketAddress &address, quint16 port)
{
    // The zone of a link-local address means nothing to the server.
    ws::SocketAddress plain = address;
    plain.scope = 0;
    return QStringLiteral("EPRT |%1|%2|%3|").arg(address.isIpv6() ? 2 : 1).arg(plain.text()).arg(port);
}

std::optional<quint16> epsvPort(const QString &replyText)
{
    const qsizetype open = replyText.indexOf(QLatin1Char('('));
    if (open < 0 || open + 4 >= replyText.size())
        return std::nullopt;
    const QChar d = replyText.at(open + 1);
    if (d.unicode() < 33 || d.unicode() > 126 || d.isDigit())
        return std::nullopt;
    if (replyText.at(open + 2) != d || replyText.at(open + 3) != d)
        return std::nullopt;
    const qsizetype end = replyText.indexOf(d, open + 4);
    if (end < 0 || end + 1 >= replyText.size() || replyText.at(end + 1) != QLatin1Char(')'))
        return std::nullopt;
    const int port = portNumber(replyText.mid(open + 4, end - open - 4));
    if (!port)
        return std::nullopt;
    return quint16(port);
}

std::optional<quint16> pasvPort(const QString &replyText)
{
    static const QRegularExpression six(
        QStringLiteral("(?<!\\d)(\\d{1,3}),(\\d{1,3}),(\\d{1,3}),(\\d{1,3}),(\\d{1,3}),(\\d{1,3})(?!\\d)"));
    // Past the reply code, whose digits are not an address.
    const QRegularExpressionMatch m = six.match(replyText, replyText.size() > 3 ? 4 : 0);
    if (!m.hasMatch())
        return std::nullopt;
    for (int i = 1; i <= 6; ++i)
        if (m.captured(i).toInt() > 255)
            return std::nullopt;
    const int port = m.captured(5).toInt() * 256 + m.captured(6).toInt();
    if (!port)
        return std::nullopt;
    return quint16(port);
}

} // namespace kav
