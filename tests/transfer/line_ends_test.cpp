// Line ends of ASCII type, whatever the block boundaries.

#include "transfer/line_ends.h"

#include <QList>

#include <gtest/gtest.h>

using namespace kav;

namespace {

// Converts `input` cut into blocks of `block` bytes.
QByteArray toLocal(const QByteArray &input, int block)
{
    NetworkToLocalText c;
    QByteArray out, part;
    for (qsizetype i = 0; i < input.size(); i += block) {
        c.convert(input.constData() + i, std::min<qsizetype>(block, input.size() - i), part);
        out += part;
    }
    c.finish(part);
    return out + part;
}

QByteArray toNetwork(const QByteArray &input, int block)
{
    LocalToNetworkText c;
    QByteArray out, part;
    for (qsizetype i = 0; i < input.size(); i += block) {
        c.convert(input.constData() + i, std::min<qsizetype>(block, input.size() - i), part);
        out += part;
    }
    return out;
}

} // namespace

TEST(LineEnds, DownloadTurnsCrLfIntoLf)
{
    struct Case {
        QByteArray network, local;
    };
    const QList<Case> cases = {
        {"a\r\nb\r\n", "a\nb\n"},
        {"lone\rcr\r\n", "lone\rcr\n"},
        {"ends with cr\r", "ends with cr\r"},
        {"\r\r\n", "\r\n"},
        {"", ""},
        {"no line end", "no line end"},
    };
    for (const Case &c : cases)
        for (int block : {1, 2, 3, 4096}) {
            SCOPED_TRACE(block);
            EXPECT_EQ(toLocal(c.network, block), c.local) << c.network.toStdString();
        }
}

TEST(LineEnds, UploadTurnsLfIntoCrLf)
{
    struct Case {
        QByteArray local, network;
    };
    const QList<Case> cases = {
        {"a\nb\n", "a\r\nb\r\n"},
        {"already\r\nfine\r\n", "already\r\nfine\r\n"},
        {"\n\n", "\r\n\r\n"},
        {"lone\rcr", "lone\rcr"},
        {"", ""},
    };
    for (const Case &c : cases)
        for (int block : {1, 2, 4096}) {
            SCOPED_TRACE(block);
            EXPECT_EQ(toNetwork(c.local, block), c.network) << c.local.toStdString();
        }
}
