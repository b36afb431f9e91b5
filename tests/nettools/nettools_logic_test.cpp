// The pure pieces of the network tools, as tables: the daytime answer, lines
// out of chunks, the remote execution answer, the ping summary, the clock
// window's host time and clock setting, and the windows' own checks.
#include "fake_host.h"

#include "nettools/clock_form.h"
#include "nettools/daytime.h"
#include "nettools/exec_form.h"
#include "nettools/ping_form.h"
#include "nettools/rexec_reply.h"
#include "nettools/scan_form.h"
#include "nettools/text_lines.h"
#include "platform/clock_setter.h"
#include "platform/icmp_echo.h"
#include "platform/scripted_dialogs.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLocale>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include "platform/printer.h"
#include <QCheckBox>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace kav;

namespace {

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(dialogs()); }

QList<QByteArray> bytesList(std::initializer_list<const char *> items)
{
    QList<QByteArray> out;
    for (const char *i : items)
        out << QByteArray(i);
    return out;
}

class RecordingClock : public ClockSetter {
public:
    explicit RecordingClock(bool result, std::vector<QDateTime> *calls) : result(result), calls(calls) {}
    bool setLocalTime(const QDateTime &t) override
    {
        calls->push_back(t);
        return result;
    }
    bool result;
    std::vector<QDateTime> *calls;
};

} // namespace

TEST(Daytime, FixedColumnAnswers)
{
    struct Case {
        const char *name;
        QByteArray line;
        int hour, offset, minute, second, year, month, day, weekday;
        const char *caption;
        bool valid;
    } cases[] = {
        {"afternoon, blank before the day", "Tue Dec  5 20:18:47 2026", 8, 12, 18, 47, 2026, 12, 5, 2, "Tue Dec  5 2026", true},
        {"noon keeps 12", "Thu Dec 10 12:05:09 2026", 12, 0, 5, 9, 2026, 12, 10, 4, "Thu Dec 10 2026", true},
        {"midnight is 0", "Sun Jan  4 00:30:15 2026", 0, 0, 30, 15, 2026, 1, 4, 0, "Sun Jan  4 2026", true},
        {"not a time: defaults", "No such service", 12, 0, 0, 0, 0, 0, 0, 0, "No such ser", false},
        {"a day that does not exist", "Mon Feb 30 10:00:00 2026", 10, 0, 0, 0, 2026, 2, 30, 1, "Mon Feb 30 2026", false},
        {"hour out of range", "Mon Feb  2 25:00:00 2026", 13, 12, 0, 0, 2026, 2, 2, 1, "Mon Feb  2 2026", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const DaytimeTime t = parseDaytime(c.line);
        EXPECT_EQ(t.hour, c.hour);
        EXPECT_EQ(t.hourOffset, c.offset);
        EXPECT_EQ(t.minute, c.minute);
        EXPECT_EQ(t.second, c.second);
        EXPECT_EQ(t.year, c.year);
        EXPECT_EQ(t.month, c.month);
        EXPECT_EQ(t.day, c.day);
        EXPECT_EQ(t.dayOfWeek, c.weekday);
        EXPECT_EQ(t.dateCaption, QString::fromLatin1(c.caption));
        EXPECT_EQ(t.isValid(), c.valid);
        EXPECT_EQ(t.dateTime().isValid(), c.valid);
    }
    EXPECT_EQ(parseDaytime("Tue Dec  5 20:18:47 2026").dateTime(),
              QDateTime(QDate(2026, 12, 5), QTime(20, 18, 47)));
}

TEST(Daytime, FirstLineOfTheAnswer)
{
    struct Case { const char *name; QByteArray data; QByteArray line; bool complete; } cases[] = {
        {"CR LF", "Tue Dec  5 20:18:47 2026\r\nmore\r\n", "Tue Dec  5 20:18:47 2026", true},
        {"LF only", "abc\n", "abc", true},
        {"NUL ends it", QByteArray("ab\0cd", 5), "ab", true},
        {"no end yet", "Tue Dec  5 20:1", "Tue Dec  5 20:1", false},
        {"only a CR inside is kept", "a\rb\n", "a\rb", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        bool complete = false;
        EXPECT_EQ(daytimeLine(c.data, &complete), c.line);
        EXPECT_EQ(complete, c.complete);
    }
}

TEST(LineCollector, LinesAcrossChunksAndAtTheClose)
{
    struct Case {
        const char *name;
        bool dropCr;
        QList<QByteArray> chunks;
        QList<QByteArray> lines;  // everything, the close included
    } cases[] = {
        {"a line split across chunks comes out whole", true, bytesList({"Login: ro", "ot\r\nName: x\r\n"}),
         bytesList({"Login: root", "Name: x"})},
        {"the last line without an end is kept", true, bytesList({"one\r\nlast"}), bytesList({"one", "last"})},
        {"blank lines stay", true, bytesList({"\r\n\r\n\n"}), bytesList({"", "", ""})},
        {"only the CR of CR LF goes", true, bytesList({"a\rb\r\n", "x\r"}), bytesList({"a\rb", "x"})},
        {"a CR split from its LF", true, bytesList({"abc\r", "\ndef\n"}), bytesList({"abc", "def"})},
        {"with CRs kept", false, bytesList({"a\r\nb"}), bytesList({"a\r", "b"})},
        {"NUL ends a line", true, {QByteArray("a\0b\n", 4)}, bytesList({"a", "b"})},
        {"nothing", true, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LineCollector collector(c.dropCr);
        QList<QByteArray> lines;
        for (const QByteArray &chunk : c.chunks)
            lines += collector.feed(chunk);
        lines += collector.finish();
        EXPECT_EQ(lines, c.lines);
    }
}

TEST(LineCollector, LimitsBoundWhatAHostWithoutEndCanMakeItHold)
{
    const LineCollector::Limits limits{4, 10, 3};
    struct Case {
        const char *name;
        QList<QByteArray> chunks;
        QList<QByteArray> lines;   // everything, the close included
        bool overflowed;
    } cases[] = {
        {"a long line comes out in pieces", bytesList({"abcdefghi\n"}), bytesList({"abcd", "efgh", "i"}), false},
        {"pieces across chunks", bytesList({"ab", "cdef\n"}), bytesList({"abcd", "ef"}), false},
        {"exactly at both limits", bytesList({"abc\n", "defg", "hi"}), bytesList({"abc", "defg", "hi"}), false},
        {"one byte over: the rest is not read", bytesList({"abc\n", "defg", "hi", "j"}), bytesList({"abc", "defg"}),
         true},
        {"the line limit", bytesList({"\n\n\n\n"}), bytesList({"", "", ""}), true},
        {"within the limits", bytesList({"ab\r\ncd"}), bytesList({"ab", "cd"}), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LineCollector collector(true, limits);
        QList<QByteArray> lines;
        for (const QByteArray &chunk : c.chunks)
            lines += collector.feed(chunk);
        lines += collector.finish();
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(collector.overflowed(), c.overflowed);
    }
}

TEST(Daytime, TheReaderStopsAtTheLineEndOrTheLimit)
{
    struct Case {
        const char *name;
        QList<QByteArray> chunks;
        qsizetype kept;
        bool lineEnded;
    } cases[] = {
        {"a line in pieces", bytesList({"Tue Dec  5 20:", "18:47 2026\r\nmore"}), 30, true},
        {"no end yet", bytesList({"Tue Dec"}), 7, false},
        {"endless without a line end", QList<QByteArray>(300, QByteArray(100, 'x')), DaytimeReader::MaxBytes, false},
        {"a line end past the limit is not seen",
         {QByteArray(DaytimeReader::MaxBytes, 'x') + "\n"}, DaytimeReader::MaxBytes, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DaytimeReader reader;
        bool done = false;
        for (const QByteArray &chunk : c.chunks)
            done = reader.feed(chunk);
        EXPECT_EQ(reader.data().size(), c.kept);
        EXPECT_EQ(reader.lineEnded(), c.lineEnded);
        EXPECT_EQ(done, c.lineEnded || c.kept == DaytimeReader::MaxBytes);
    }
}

TEST(RexecReply, OnlyTheFirstByteIsTheStatus)
{
    struct Case {
        const char *name;
        QList<QByteArray> chunks;
        QList<QByteArray> lines;
        RexecReply::State state;
    } cases[] = {
        {"accepted, output in the same chunk", {QByteArray("\0hi\nno end", 10)}, bytesList({"hi", "no end"}),
         RexecReply::State::Running},
        {"accepted alone, output later", {QByteArray(1, '\0'), QByteArray("\1abc\n")}, bytesList({"\1abc"}),
         RexecReply::State::Running},
        {"refused with a text", {QByteArray("\1Permission denied.\n")}, bytesList({"Permission denied."}),
         RexecReply::State::Refused},
        {"output split across chunks", {QByteArray("\0first li", 9), QByteArray("ne\nsecond\n")},
         bytesList({"first line", "second"}), RexecReply::State::Running},
        {"no status byte at all", {QByteArray("plain\n")}, bytesList({"plain"}), RexecReply::State::Output},
        {"closed before any byte", {}, {}, RexecReply::State::AwaitingStatus},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RexecReply reply;
        QList<QByteArray> lines;
        for (const QByteArray &chunk : c.chunks)
            lines += reply.feed(chunk);
        lines += reply.finish();
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(reply.state(), c.state);
        EXPECT_EQ(reply.closedWithoutStatus(), c.state == RexecReply::State::AwaitingStatus);
    }
}

TEST(PingStatistics, Summary)
{
    struct Case { const char *name; int sent, received, lost; qint64 total; int min, max; const char *counts, *times; } cases[] = {
        {"all answered", 10, 10, 0, 55, 3, 9, "10 packets transmitted, 10 packets received, 0% packet loss",
         "round-trip (ms) min/avg/max = 3/5/9"},
        {"seven of ten: the average divides by ten", 10, 7, 3, 70, 8, 12,
         "10 packets transmitted, 7 packets received, 30% packet loss", "round-trip (ms) min/avg/max = 8/7/12"},
        {"none answered", 10, 0, 10, 0, 0, 0, "10 packets transmitted, 0 packets received, 100% packet loss",
         "round-trip (ms) min/avg/max = 0/0/0"},
        {"stopped after three", 3, 3, 0, 6, 1, 3, "3 packets transmitted, 3 packets received, 0% packet loss",
         "round-trip (ms) min/avg/max = 1/2/3"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pingStatistics(QStringLiteral("10.1.2.3"), c.sent, c.received, c.lost, c.total, c.min, c.max),
                  (QStringList{QStringLiteral("PING Statistics for 10.1.2.3"), QString::fromUtf8(c.counts),
                               QString::fromUtf8(c.times)}));
    }
}

TEST(EchoErrorText, IcmpStatusesHaveTheirOwnTexts)
{
    struct Case { int code; const char *text; } cases[] = {
        {11003, "대상 호스트에 연결할 수 없습니다(11003)"},  // not the socket layer's "Non-recoverable error"
        {11002, "대상 네트워크에 연결할 수 없습니다(11002)"},
        {11010, "요청 시간이 초과되었습니다(11010)"},
        {11013, "전송 중에 TTL이 만료되었습니다(11013)"},
        {11001, "Host not found(11001)"},  // a failed name lookup
        {10060, "Connection timed out(10060)"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(icmp::echoErrorText(c.code), QString::fromUtf8(c.text)) << c.code;
}

TEST(ShellQuoting, HostPathForTheRemoteShell)
{
    struct Case { const char *path, *quoted; } cases[] = {
        {"/home/kim/run.sh", "'/home/kim/run.sh'"},
        {"/home/kim/my file;rm -rf ~", "'/home/kim/my file;rm -rf ~'"},
        {"/tmp/it's", "'/tmp/it'\\''s'"},
        {"/tmp/$(id)`x`", "'/tmp/$(id)`x`'"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(quotedForShell(QString::fromUtf8(c.path)), QString::fromUtf8(c.quoted));
}

TEST(ClockForm, HostTimeRunsAsNowPlusTheDifference)
{
    QDateTime now(QDate(2026, 12, 10), QTime(9, 0, 0));
    TClockForm clock(parseDaytime("Tue Dec  5 20:18:47 2026"), [&now] { return now; });
    EXPECT_EQ(clock.hostDateTime(), QDateTime(QDate(2026, 12, 5), QTime(20, 18, 47)));
    EXPECT_EQ(clock.hostHour(), 8);
    EXPECT_EQ(clock.hostHourOffset(), 12);
    EXPECT_EQ(clock.L_RDate->text(), QStringLiteral("Tue Dec  5 2026"));
    EXPECT_EQ(clock.L_LDate->toolTip(), QStringLiteral("Local"));
    EXPECT_EQ(clock.L_RDate->toolTip(), QStringLiteral("Host"));

    // Past midnight on the host: the date turns with it.
    now = now.addSecs(3 * 3600 + 41 * 60 + 20);
    EXPECT_EQ(clock.hostDateTime(), QDateTime(QDate(2026, 12, 6), QTime(0, 0, 7)));
    EXPECT_EQ(clock.hostHour(), 0);
    EXPECT_EQ(clock.hostHourOffset(), 0);
    now = now.addSecs(12 * 3600);
    EXPECT_EQ(clock.hostHour(), 12);
    EXPECT_EQ(clock.hostHourOffset(), 0);

    clock.resize(TClockForm::ClientWidth, TClockForm::ClientHeight);
    clock.FormActivate();
    EXPECT_EQ(clock.leftCentreX(), 106);
    EXPECT_EQ(clock.rightCentreX(), 320);
    EXPECT_EQ(clock.centreY(), 104);
    EXPECT_EQ(clock.radius(), 101);
    EXPECT_TRUE(clock.T_clock->isActive());
    clock.close();
    EXPECT_FALSE(clock.T_clock->isActive());
}

TEST(ClockForm, SetTimeGivesTheSetterExactlyTheHostTime)
{
    std::vector<QDateTime> calls;
    auto previous = setClockSetter(std::make_unique<RecordingClock>(true, &calls));
    scripted().clear();
    QDateTime now(QDate(2026, 12, 10), QTime(9, 0, 0, 640));
    {
        TClockForm clock(parseDaytime("Tue Dec  5 20:18:47 2026"), [&now] { return now; });
        now = now.addSecs(5);
        clock.SB_SetTimeClick();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0], QDateTime(QDate(2026, 12, 5), QTime(20, 18, 52)));
        EXPECT_TRUE(scripted().asked.empty());
    }
    // A clock that cannot be set says so.
    setClockSetter(std::make_unique<RecordingClock>(false, &calls));
    {
        TClockForm clock(parseDaytime("Thu Dec 10 12:05:09 2026"), [&now] { return now; });
        clock.SB_SetTimeClick();
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[1], QDateTime(QDate(2026, 12, 10), QTime(12, 5, 9)));
        EXPECT_EQ(scripted().messageTexts(),
                  QStringList{QStringLiteral("이 컴퓨터의 시계를 맞추지 못했습니다. 시간을 바꿀 권한이 없거나, "
                                             "네트워크 시간 동기화가 켜져 있습니다.")});
    }
    setClockSetter(std::move(previous));
}

TEST(PingForm, EmptyFieldsAreReportedInTheMemo)
{
    kavtest::FakeHost host;
    TPingForm f(host, TPingForm::Lookup);
    f.CB_HostName->setEditText(QString());
    f.BB_runClick();
    EXPECT_EQ(f.messageLines(), QStringList{QStringLiteral("호스트 명를 선택/입력하세요.")});
    f.CB_HostName->setEditText(QStringLiteral("서버"));
    f.E_HostIP->clear();
    f.BB_runClick();
    EXPECT_EQ(f.messageLines(), QStringList{QStringLiteral("호스트 주소를 입력하세요.")});
}

TEST(ScanForm, FieldBoundsHintsAndRange)
{
    kavtest::FakeHost host;
    TScanForm f(host);
    struct Case { const char *in, *address, *option; } cases[] = {
        {"-5", "0", "0"}, {"300", "255", "300"}, {"17", "17", "17"}, {"0", "0", "0"},
    };
    for (const Case &c : cases) {
        f.NE_sa2->setText(QLatin1String(c.in));
        f.NE_AddressExit(f.NE_sa2);
        EXPECT_EQ(f.NE_sa2->text(), QLatin1String(c.address)) << c.in;
        f.NE_TTL->setText(QLatin1String(c.in));
        f.NE_OptionExit(f.NE_TTL);
        EXPECT_EQ(f.NE_TTL->text(), QLatin1String(c.option)) << c.in;
    }
    f.NE_sa1->setText(QStringLiteral("192"));
    f.NE_sa2->setText(QStringLiteral("168"));
    f.NE_sa3->setText(QStringLiteral("0"));
    f.NE_sa4->setText(QStringLiteral("10"));
    f.NE_ea4->setText(QStringLiteral("20"));
    f.NE_AllsaMouseMove(f.NE_sa3);
    EXPECT_EQ(f.NE_sa3->toolTip(), QStringLiteral("검색시작주소 : 192.168.0.10"));
    f.NE_ea4MouseMove();
    EXPECT_EQ(f.NE_ea4->toolTip(), QStringLiteral("검색종료주소 : 192.168.0.20"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("IP Scanner (Scan for devices in your network)"));
}

TEST(ExecForm, CommandMenuAndAnonymousLogin)
{
    kavtest::FakeHost host;
    TExecForm f(host);
    f.E_Command->setText(QStringLiteral("ls -l"));
    f.E_Command->setCursorPosition(0);
    f.AllCommandClick(QStringLiteral("chmod (change file mode)"));
    EXPECT_EQ(f.E_Command->text(), QStringLiteral("chmod ls -l"));
    EXPECT_EQ(f.PM_UNIXcommand->actions().size(), 12);
    f.CB_Anonymous->setChecked(true);
    f.CB_AnonymousClick();
    EXPECT_EQ(f.E_UserId->text(), QStringLiteral("anonymous"));
    EXPECT_FALSE(f.E_Password->text().isEmpty());
    EXPECT_FALSE(f.BB_save->isEnabled());
    EXPECT_FALSE(f.BB_print->isEnabled());
    EXPECT_FALSE(f.BB_font->isEnabled());

    struct Case { const char *field; const char *line; } cases[] = {
        {"CB_HostName", "호스트 명를 선택/입력하세요."}, {"E_HostIP", "호스트 주소를 입력하세요."},
        {"E_UserId", "로그인 명을 입력하세요."}, {"E_Password", "비밀번호를 입력하세요."},
        {"E_Command", "호스트에서 실행할 명령어를 입력하세요."},
    };
    for (const Case &c : cases) {
        f.CB_HostName->setEditText(QStringLiteral("서버"));
        f.E_HostIP->setText(QStringLiteral("127.0.0.1"));
        f.E_UserId->setText(QStringLiteral("u"));
        f.E_Password->setText(QStringLiteral("p"));
        f.E_Command->setText(QStringLiteral("ls"));
        if (QString::fromLatin1(c.field) == QStringLiteral("CB_HostName"))
            f.CB_HostName->setEditText(QString());
        else
            f.findChild<QLineEdit *>(QLatin1String(c.field))->clear();
        f.BB_runClick();
        EXPECT_EQ(f.messageLines(), QStringList{QString::fromUtf8(c.line)}) << c.field;
        EXPECT_FALSE(f.busy());
    }
}

namespace {

// An IPv4 header (20 bytes) from `source` to `dest` with the given protocol and TTL.
QByteArray ipHeader(quint32 source, quint32 dest, int protocol, int ttl)
{
    QByteArray h(20, '\0');
    h[0] = char(0x45);
    h[8] = char(ttl);
    h[9] = char(protocol);
    for (int i = 0; i < 4; ++i) {
        h[12 + i] = char(source >> (24 - 8 * i));
        h[16 + i] = char(dest >> (24 - 8 * i));
    }
    return h;
}

QByteArray icmpHeader(int type, int code, quint16 ident, quint16 sequence)
{
    QByteArray h(8, '\0');
    h[0] = char(type);
    h[1] = char(code);
    h[4] = char(ident >> 8);
    h[5] = char(ident & 0xff);
    h[6] = char(sequence >> 8);
    h[7] = char(sequence & 0xff);
    return h;
}

} // namespace

TEST(IcmpAnswer, RawPacketsMatchOnlyTheirOwnEcho)
{
    const quint32 me = 0xC6336402, target = 0xCB007102, router = 0xC6336401, other = 0xCB007103;
    const quint16 id = 0x1234, seq = 7;
    const QByteArray data(56, char(0xAA));
    auto echoReply = [&](quint32 from, quint16 i, quint16 s) {
        return ipHeader(from, me, 1, 63) + icmpHeader(0, 0, i, s) + data;
    };
    // A router's error quotes the request it dropped: IP header and 8 bytes.
    auto error = [&](int type, int code, quint32 quotedDest, quint16 i, quint16 s) {
        return ipHeader(router, me, 1, 64) + icmpHeader(type, code, 0, 0) + ipHeader(me, quotedDest, 1, 1)
               + icmpHeader(8, 0, i, s);
    };
    struct Case { const char *name; QByteArray packet; bool matches; int status; quint32 from; int size, ttl; } cases[] = {
        {"our echo reply", echoReply(target, id, seq), true, icmp::Success, target, 56, 63},
        {"another program's identifier", echoReply(target, id + 1, seq), false, 0, 0, 0, 0},
        {"a late reply to the echo before", echoReply(target, id, seq - 1), false, 0, 0, 0, 0},
        {"a reply from another host", echoReply(other, id, seq), false, 0, 0, 0, 0},
        {"our own request seen on loopback", ipHeader(me, target, 1, 64) + icmpHeader(8, 0, id, seq) + data, false, 0, 0, 0, 0},
        {"time exceeded for our echo", error(11, 0, target, id, seq), true, icmp::TtlExpiredTransit, router, 0, 64},
        {"host unreachable for our echo", error(3, 1, target, id, seq), true, icmp::DestHostUnreachable, router, 0, 64},
        {"net unreachable for our echo", error(3, 0, target, id, seq), true, icmp::DestNetUnreachable, router, 0, 64},
        {"unreachable for the echo before", error(3, 1, target, id, seq - 1), false, 0, 0, 0, 0},
        {"unreachable for an echo to another host", error(3, 1, other, id, seq), false, 0, 0, 0, 0},
        {"a redirect is no answer", error(5, 1, target, id, seq), false, 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        icmp::EchoReply r;
        ASSERT_EQ(icmp::matchRawAnswer(c.packet, target, id, seq, r), c.matches);
        if (!c.matches)
            continue;
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.address, c.from);
        EXPECT_EQ(r.dataSize, c.size);
        EXPECT_EQ(r.ttl, c.ttl);
    }
    // Cut short anywhere, nothing is read past the end: an error is whole or
    // no answer; an echo reply with fewer data bytes is still our answer.
    const QByteArray reply = echoReply(target, id, seq), ttlError = error(11, 0, target, id, seq);
    for (qsizetype length = 0; length < reply.size(); ++length) {
        icmp::EchoReply r;
        const bool matched = icmp::matchRawAnswer(QByteArrayView(reply).first(length), target, id, seq, r);
        EXPECT_EQ(matched, length >= 28) << length;
        if (matched) {
            EXPECT_EQ(r.dataSize, length - 28);
        }
    }
    for (qsizetype length = 0; length < ttlError.size(); ++length) {
        icmp::EchoReply r;
        EXPECT_FALSE(icmp::matchRawAnswer(QByteArrayView(ttlError).first(length), target, id, seq, r)) << length;
    }
    // A header length field that points past the packet.
    QByteArray lying = echoReply(target, id, seq);
    lying[0] = char(0x4F);
    icmp::EchoReply r;
    EXPECT_FALSE(icmp::matchRawAnswer(lying.left(40), target, id, seq, r));
}

TEST(ExecForm, OutputIsSavedPrintedAndRestyled)
{
    kavtest::FakeHost host;
    TExecForm f(host);
    f.M_message->appendPlainText(QStringLiteral("☞ 원격실행 결과('ls')\n안녕.txt\nb.txt\n☞ 원격실행 완료('ls')"));
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/out.txt");
    scripted().clear();
    scripted().pushAccept(path);
    f.BB_saveClick();
    ASSERT_EQ(scripted().asked.size(), 1u);
    EXPECT_EQ(scripted().asked[0].caption, QStringLiteral("화면의 내용을 파일로 저장합니다"));
    EXPECT_EQ(scripted().asked[0].file.defaultExt, QStringLiteral("txt"));
    EXPECT_EQ(scripted().asked[0].file.filter,
              QStringLiteral("Text Files(*.txt)|*.TXT|Document Files(*.doc)|*.doc|All Files(*.*)|*.*"));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()),
              QStringLiteral("☞ 원격실행 결과('ls')\n안녕.txt\nb.txt\n☞ 원격실행 완료('ls')\n"));

    QFont chosen(QStringLiteral("DejaVu Sans Mono"), 15);
    scripted().pushFont(chosen);
    f.BB_fontClick();
    EXPECT_EQ(f.M_message->font().pointSize(), 15);

    // Printing: one job with every line, through the printer service.
    const QString pdf = dir.path() + QStringLiteral("/out.pdf");
    auto previous = setPrinter(std::make_unique<PdfFilePrinter>(pdf));
    f.BB_printClick();
    setPrinter(std::move(previous));
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    ASSERT_FALSE(pdftotext.isEmpty()) << "poppler-utils is part of the test set-up";
    QProcess p;
    p.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(20000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("b.txt"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("안녕.txt"))) << text.toStdString();
}

// Setting the clock waits for the system's time service, which may ask the user for
// permission: the window keeps answering meanwhile, and the cancel ends the wait. The
// service here is a stand-in on PATH that records its arguments and then waits; it always
// ends well, so that nothing ever falls back to setting this machine's clock.
TEST(ClockForm, SettingTheClockNeverBlocksTheWindowAndCanBeCancelled)
{
    QTemporaryDir bin;
    const QString record = bin.filePath(QStringLiteral("asked"));
    {
        QFile fake(bin.filePath(QStringLiteral("timedatectl")));
        ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
        fake.write("#!/bin/sh\necho \"$@\" >> '" + record.toUtf8() + "'\nexec sleep \"${FAKE_WAIT:-30}\"\n");
        fake.close();
        fake.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ":/usr/bin:/bin");
    struct Restore {
        QByteArray path;
        ~Restore()
        {
            qputenv("PATH", path);
            qunsetenv("FAKE_WAIT");
        }
    } restore{oldPath};
    // Only the stand-in may answer: a missing one would let the setter set the clock itself.
    ASSERT_EQ(QStandardPaths::findExecutable(QStringLiteral("timedatectl")), bin.filePath(QStringLiteral("timedatectl")));
    auto previous = setClockSetter(nullptr);   // the system's setter, with the stand-in service
    struct Back {
        std::unique_ptr<ClockSetter> &p;
        ~Back() { setClockSetter(std::move(p)); }
    } back{previous};

    // The host's time is this machine's own: whatever happens, the clock would not move.
    const QDateTime now = QDateTime::currentDateTime();
    const QString day = QLocale::c().toString(now, QStringLiteral("ddd MMM")) + QLatin1Char(' ')
        + QStringLiteral("%1").arg(now.date().day(), 2) + QLocale::c().toString(now, QStringLiteral(" HH:mm:ss yyyy"));
    TClockForm clock(parseDaytime(day.toLatin1()));
    clock.show();
    scripted().clear();
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        ++ticks;
        if (ticks == 20)
            clock.BB_CancelSet->click();
    });
    tick.start(10);
    QElapsedTimer waited;
    waited.start();
    EXPECT_TRUE(clock.BB_CancelSet->isHidden());
    clock.SB_SetTime->click();
    tick.stop();
    EXPECT_GE(ticks, 20) << "the window did not answer while the clock was being set";
    EXPECT_LT(waited.elapsed(), 10000) << "the cancel did not end the wait";
    EXPECT_TRUE(clock.BB_CancelSet->isHidden());
    EXPECT_TRUE(clock.SB_SetTime->isEnabled());
    EXPECT_TRUE(scripted().messageTexts().isEmpty()) << "a cancel is not a failure to report";
    QFile asked(record);
    ASSERT_TRUE(asked.open(QIODevice::ReadOnly));
    EXPECT_TRUE(asked.readAll().startsWith("set-time "));

    // A service that agrees at once: set, no box.
    qputenv("FAKE_WAIT", "0");
    clock.SB_SetTime->click();
    EXPECT_TRUE(scripted().messageTexts().isEmpty());
}
