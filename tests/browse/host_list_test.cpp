// The host lists' order and lookups: names sorted as they arrive in runs of
// any size come out as one sort of all of them would put them, and an entry
// added to a sorted list takes its place.

#include "browse/host_list.h"

#include <QRandomGenerator>

#include <algorithm>

#include <gtest/gtest.h>

using namespace kav;

namespace {

QStringList names(const QList<RemoteEntry> &entries)
{
    QStringList out;
    for (const RemoteEntry &e : entries)
        out << e.name;
    return out;
}

// Names that differ in case only, share long prefixes, or are not ASCII.
QStringList scrambledNames(int count, quint32 seed)
{
    const QStringList stems{"a", "A", "readme", "README", "Readme", "zeta", "Ärger", "ärger", "파일", "file_1",
                            "file_10", "file_2", "_x", "~y", " lead", "trail "};
    QRandomGenerator gen(seed);
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << stems.at(int(gen.bounded(stems.size()))) + QString::number(gen.bounded(50));
    return out;
}

QStringList referenceOrder(QStringList all)
{
    std::sort(all.begin(), all.end(), [](const QString &a, const QString &b) {
        return sortsBefore(nameSortKey(a), a, nameSortKey(b), b);
    });
    return all;
}

} // namespace

TEST(HostListOrder, RunsOfAnySizeSortAsOneSort)
{
    const QStringList all = scrambledNames(5000, 7);
    const QStringList expected = referenceOrder(all);
    for (int run : {1, 3, 64, 999, 5000}) {
        NameSorter sorter;
        for (int lo = 0; lo < all.size(); lo += run) {
            QList<RemoteEntry> chunk;
            for (const QString &n : all.mid(lo, run))
                chunk.append(RemoteEntry{n, EntryKind::PlainFile});
            sorter.add(chunk);
        }
        EXPECT_EQ(names(sorter.take([] {})), expected) << "runs of " << run;
        EXPECT_TRUE(sorter.take().isEmpty());
    }
    QList<RemoteEntry> whole;
    for (const QString &n : all)
        whole.append(RemoteEntry{n, EntryKind::ExecutableFile});
    sortByName(whole);
    EXPECT_EQ(names(whole), expected);
    EXPECT_EQ(whole.first().kind, EntryKind::ExecutableFile);
}

TEST(HostListOrder, SortedListPlacesNewEntriesAndFindsNames)
{
    HostListView view;
    QList<RemoteEntry> entries;
    for (const char *n : {"b.txt", "D.txt", "a.txt", "c.txt"})
        entries.append(RemoteEntry{QString::fromLatin1(n), EntryKind::PlainFile});
    view.setEntries(entries);
    EXPECT_FALSE(view.isSortingEnabled());
    view.setSortingEnabled(true);
    view.addItem(QStringLiteral("B.txt"), EntryKind::Link);
    view.addItem(QStringLiteral("e.txt"));
    QStringList shown;
    for (int i = 0; i < view.count(); ++i)
        shown << view.text(i);
    EXPECT_EQ(shown, (QStringList{"a.txt", "B.txt", "b.txt", "c.txt", "D.txt", "e.txt"}));
    EXPECT_EQ(view.item(1)->kind(), EntryKind::Link);
    EXPECT_EQ(view.findItems(QStringLiteral("d.TXT"), Qt::MatchExactly).size(), 0);
    ASSERT_EQ(view.findItems(QStringLiteral("d.TXT"), Qt::MatchFixedString).size(), 1);
    EXPECT_EQ(view.findItems(QStringLiteral("d.TXT"), Qt::MatchFixedString).first().row(), 4);
    view.setSortingEnabled(false);
    view.addItem(QStringLiteral("0.txt"));
    EXPECT_EQ(view.text(view.count() - 1), QStringLiteral("0.txt"));
}

// Names whose bytes are no text in the server's encoding: shown with those
// bytes marked (or decoded as code page 949, as the local pane does), so two
// such names never look alike; the name the server knows stays as it came.
TEST(HostListModel, NamesOfForeignBytesAreShownMarked)
{
    struct Case {
        QString name, shown;
    };
    const auto escaped = [](const char *bytes) {
        QString s;
        for (const char *p = bytes; *p; ++p)
            s += uchar(*p) >= 0x80 ? QChar(char16_t(0xDC00 + uchar(*p))) : QChar(QLatin1Char(*p));
        return s;
    };
    const Case cases[] = {
        {escaped("x\xe9.txt"), QStringLiteral("x\\xE9.txt")},
        {escaped("x\xe8.txt"), QStringLiteral("x\\xE8.txt")},
        {escaped("\xc7\xd1\xb1\xdb.txt"), QStringLiteral("한글.txt")},
        {QStringLiteral("읽어보기.txt"), QStringLiteral("읽어보기.txt")},
    };
    HostListModel model;
    QList<RemoteEntry> entries;
    for (const Case &c : cases)
        entries << RemoteEntry{c.name, EntryKind::PlainFile};
    model.reset(entries);
    for (int i = 0; i < int(std::size(cases)); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(model.data(model.index(i), Qt::DisplayRole).toString().toUpper(), cases[i].shown.toUpper());
        EXPECT_EQ(model.data(model.index(i), Qt::EditRole).toString(), cases[i].name);
        EXPECT_EQ(model.at(i).name, cases[i].name);
    }
}
