// Byte-level cases of finger, daytime and remote execution that the real
// services do not produce on demand: lines split across segments, the status
// byte with output in one segment, a refusal text, a time in pieces, an answer
// that is not a time. The peers listen on the real ports in the test's own
// network namespace.
#include "fake_host.h"
#include "byte_peer.h"
#include "wait_until.h"

#include "nettools/clock_form.h"
#include "nettools/exec_form.h"
#include "nettools/rexec_reply.h"
#include "nettools/service_query.h"
#include "platform/clock_setter.h"
#include "platform/cp949.h"
#include "platform/scripted_dialogs.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kav;
using namespace std::string_literals;

namespace {

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(dialogs()); }

class RecordingClock : public ClockSetter {
public:
    explicit RecordingClock(std::vector<QDateTime> *calls) : calls(calls) {}
    bool setLocalTime(const QDateTime &t) override
    {
        calls->push_back(t);
        return true;
    }
    std::vector<QDateTime> *calls;
};

class Scripted : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ws::startup());
        scripted().clear();
        host.target = {QStringLiteral("스크립트"), QStringLiteral("127.0.0.1"), 5, 1};
    }
    kavtest::FakeHost host;
};

void startExec(TExecForm &f)
{
    f.CB_HostName->setEditText(QStringLiteral("스크립트"));
    f.E_HostIP->setText(QStringLiteral("127.0.0.1"));
    f.E_UserId->setText(QStringLiteral("u"));
    f.E_Password->setText(QStringLiteral("p"));
    f.E_Command->setText(QStringLiteral("ls"));
    f.BB_runClick();
}

} // namespace

TEST_F(Scripted, FingerLinesAcrossSegmentsAndTheLastLineWithoutEnd)
{
    kavtest::BytePeer peer(79);
    peer.acceptNext().wait(200).send("Login: ro", 150).send("ot\r\n\r\nlast line no end").close();
    ASSERT_TRUE(peer.start());
    ServiceQueries(host).BB_FingerClick();
    EXPECT_TRUE(peer.waitDone());
    EXPECT_EQ(peer.received(), "\r\n");
    ASSERT_EQ(host.reports.size(), 1u) << host.log.join('\n').toStdString();
    EXPECT_EQ(host.reports[0].caption, QStringLiteral("스크립트 (127.0.0.1) - Finger (31 Bytes)"));
    EXPECT_EQ(host.reports[0].lines, (QStringList{QStringLiteral("Login: root"), QString(),
                                                  QStringLiteral("last line no end")}));
}

TEST_F(Scripted, RexecRequestBytesStatusByteAndSplitOutput)
{
    kavtest::BytePeer peer(512);
    peer.acceptNext().wait(300).send("\0first li"s, 150).send("ne\nsecond").close();
    ASSERT_TRUE(peer.start());
    TExecForm f(host);
    startExec(f);
    EXPECT_TRUE(kavtest::waitUntil([&] { return !f.busy(); }, 5000));
    EXPECT_TRUE(peer.waitDone());
    EXPECT_EQ(peer.received(), "\0u\0p\0ls\0"s);
    EXPECT_EQ(f.messageLines(), (QStringList{QStringLiteral("☞ 원격실행 결과('ls')"), QStringLiteral("first line"),
                                             QStringLiteral("second"), QStringLiteral("☞ 원격실행 완료('ls')")}));
}

// Today's hosts answer in UTF-8, older Korean ones in code page 949: each answer is read
// in the encoding it came in, for finger and remote execution alike.
TEST_F(Scripted, KoreanAnswersInUtf8OrCodePage949)
{
    const QString korean = QStringLiteral("한글 줄 1");
    struct Row {
        const char *name;
        QByteArray bytes;
    };
    const Row rows[] = {
        {"UTF-8", korean.toUtf8()},
        {"code page 949", cp949::encode(korean)},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        {
            kavtest::BytePeer peer(79);
            peer.acceptNext().wait(100).send(QByteArray("Login: kim\r\n" + row.bytes + "\r\n").toStdString()).close();
            ASSERT_TRUE(peer.start());
            host.reports.clear();
            ServiceQueries(host).BB_FingerClick();
            EXPECT_TRUE(peer.waitDone());
            ASSERT_EQ(host.reports.size(), 1u) << host.log.join('\n').toStdString();
            EXPECT_EQ(host.reports[0].lines, (QStringList{QStringLiteral("Login: kim"), korean}));
        }
        {
            kavtest::BytePeer peer(512);
            peer.acceptNext().wait(100).send(("\0"s + "ok\n") + QByteArray(row.bytes + "\n" + row.bytes).toStdString()).close();
            ASSERT_TRUE(peer.start());
            TExecForm f(host);
            startExec(f);
            EXPECT_TRUE(kavtest::waitUntil([&] { return !f.busy(); }, 5000));
            EXPECT_TRUE(peer.waitDone());
            EXPECT_EQ(f.messageLines(), (QStringList{QStringLiteral("☞ 원격실행 결과('ls')"), QStringLiteral("ok"), korean,
                                                     korean, QStringLiteral("☞ 원격실행 완료('ls')")}));
        }
    }
}

TEST_F(Scripted, RexecRefusalShowsTheHostsTextThenCompletesAtTheClose)
{
    kavtest::BytePeer peer(512);
    peer.acceptNext().wait(200).send("\1Permission denied.\n", 800).close();
    ASSERT_TRUE(peer.start());
    TExecForm f(host);
    startExec(f);
    ASSERT_TRUE(kavtest::waitUntil([&] { return f.messageLines().size() == 2; }, 5000));
    EXPECT_EQ(f.messageLines(), (QStringList{QStringLiteral("☞ 원격실행 결과('ls')"), QStringLiteral("Permission denied.")}));
    EXPECT_TRUE(f.busy());
    EXPECT_FALSE(f.BB_save->isEnabled());
    EXPECT_TRUE(kavtest::waitUntil([&] { return !f.busy(); }, 5000));
    EXPECT_EQ(f.messageLines().value(2), QStringLiteral("☞ 원격실행 완료('ls')"));
    EXPECT_TRUE(f.BB_save->isEnabled());
    EXPECT_TRUE(peer.waitDone());
}

TEST_F(Scripted, DaytimeInPiecesReachesTheClockExactly)
{
    std::vector<QDateTime> calls;
    auto previous = setClockSetter(std::make_unique<RecordingClock>(&calls));
    kavtest::BytePeer peer(13);
    peer.send("Tue Dec  5 20:", 150).send("18:47 2026\r\n").close();
    ASSERT_TRUE(peer.start());
    ServiceQueries q(host);
    const QDateTime now(QDate(2026, 12, 10), QTime(9, 30, 0));
    q.clockNow = [now] { return now; };
    int hour = -1, offset = -1;
    QString date, caption;
    q.runClock = [&](TClockForm &c) {
        hour = c.hostHour();
        offset = c.hostHourOffset();
        date = c.L_RDate->text();
        caption = c.windowTitle();
        c.SB_SetTimeClick();
    };
    q.BB_DayTimeClick();
    setClockSetter(std::move(previous));
    EXPECT_TRUE(peer.waitDone());
    EXPECT_EQ(caption, QStringLiteral("스크립트 (127.0.0.1)"));
    EXPECT_EQ(hour, 8);
    EXPECT_EQ(offset, 12);
    EXPECT_EQ(date, QStringLiteral("Tue Dec  5 2026"));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], QDateTime(QDate(2026, 12, 5), QTime(20, 18, 47)));
}

TEST_F(Scripted, DaytimeThatIsNotATimeNeverReachesTheClock)
{
    struct Case { const char *name; std::string answer; QStringList messages; QString lastLog; } cases[] = {
        {"not a time", "hello\r\n", {QStringLiteral("호스트가 보낸 시간을 알 수 없습니다: hello")},
         QStringLiteral("Connected to 127.0.0.1  port 13")},
        {"nothing at all", "", {}, QStringLiteral("[H] - 네트워크 오류: 데이터를 받을 수 없습니다.")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        scripted().clear();
        host.log.clear();
        std::vector<QDateTime> calls;
        auto previous = setClockSetter(std::make_unique<RecordingClock>(&calls));
        kavtest::BytePeer peer(13);
        if (!c.answer.empty())
            peer.send(c.answer);
        else
            peer.acceptNext();
        peer.close();
        ASSERT_TRUE(peer.start());
        ServiceQueries q(host);
        bool clockShown = false;
        q.runClock = [&](TClockForm &) { clockShown = true; };
        q.BB_DayTimeClick();
        setClockSetter(std::move(previous));
        EXPECT_TRUE(peer.waitDone());
        EXPECT_FALSE(clockShown);
        EXPECT_TRUE(calls.empty());
        EXPECT_EQ(scripted().messageTexts(), c.messages);
        EXPECT_EQ(host.log.value(host.log.size() - 1), c.lastLog) << host.log.join('\n').toStdString();
    }
}

TEST_F(Scripted, DaytimeWithoutLineEndIsReadUntilTheTimeLimit)
{
    std::vector<QDateTime> calls;
    auto previous = setClockSetter(std::make_unique<RecordingClock>(&calls));
    // The time, no line end, and the connection left open.
    kavtest::BytePeer peer(13);
    peer.send("Tue Dec  5 20:18:47 2026").wait(4000).close();
    ASSERT_TRUE(peer.start());
    host.target.timeoutSeconds = 1;
    ServiceQueries q(host);
    const QDateTime now(QDate(2026, 12, 10), QTime(9, 30, 0));
    q.clockNow = [now] { return now; };
    q.runClock = [](TClockForm &c) { c.SB_SetTimeClick(); };
    QElapsedTimer t;
    t.start();
    q.BB_DayTimeClick();
    EXPECT_LT(t.elapsed(), 3000);
    setClockSetter(std::move(previous));
    ASSERT_EQ(calls.size(), 1u) << host.log.join('\n').toStdString();
    EXPECT_EQ(calls[0], QDateTime(QDate(2026, 12, 5), QTime(20, 18, 47)));
    EXPECT_TRUE(peer.waitDone());
}

TEST_F(Scripted, FingerOutputWithoutEndIsCutOffAndShownAsFarAsRead)
{
    // Short lines or empty ones well past the limits, and the connection left
    // open: the read ends at a limit, not at a close that never comes.
    const QString cut = QStringLiteral("[H] - Finger 응답이 1048576 바이트 또는 65536 줄을 넘어 연결을 끊었습니다.");
    struct Case { const char *name; std::string line; qsizetype lines; } cases[] = {
        {"short lines", "user tty1 Dec  5 20:18\r\n", 1048576 / 24},
        {"empty lines", "\r\n", 65536},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        host.log.clear();
        host.reports.clear();
        std::string flood;
        while (flood.size() <= 2 * 1048576)
            flood += c.line;
        kavtest::BytePeer peer(79);
        peer.acceptNext().send(flood).wait(30000);
        ASSERT_TRUE(peer.start());
        ServiceQueries(host).BB_FingerClick();
        ASSERT_EQ(host.reports.size(), 1u) << host.log.join('\n').toStdString();
        EXPECT_EQ(host.reports[0].lines.size(), c.lines);
        EXPECT_EQ(host.log.count(cut), 1) << host.log.join('\n').toStdString();
        EXPECT_EQ(host.log.value(host.log.size() - 1), cut);
        EXPECT_FALSE(host.stop);
    }
}

TEST_F(Scripted, StopEndsAFingerOrDaytimeReadThatNeverEnds)
{
    // A host that sends a line now and then and never closes; the stop button
    // (which sets the tag) ends the read. No report and no clock then, and the
    // run says its connection failed rather than that no data came.
    for (const int port : {79, 13}) {
        SCOPED_TRACE(port);
        host.log.clear();
        host.reports.clear();
        host.target.timeoutSeconds = 60;
        kavtest::BytePeer peer(port);
        peer.acceptNext();
        for (int i = 0; i < 100; ++i)
            peer.send(port == 79 ? "user tty1\r\n" : "no line end ", 100);
        ASSERT_TRUE(peer.start());
        QTimer::singleShot(500, [this] {
            EXPECT_TRUE(host.stop);   // the button is on during the read
            host.tag = 1;
        });
        ServiceQueries q(host);
        bool clockShown = false;
        q.runClock = [&](TClockForm &) { clockShown = true; };
        if (port == 79)
            q.BB_FingerClick();
        else
            q.BB_DayTimeClick();
        EXPECT_TRUE(host.reports.empty());
        EXPECT_FALSE(clockShown);
        EXPECT_FALSE(host.stop);
        EXPECT_EQ(host.log.value(host.log.size() - 1), QStringLiteral("Connection failed 127.0.0.1"))
            << host.log.join('\n').toStdString();
        EXPECT_TRUE(scripted().messageTexts().isEmpty());
    }
}

TEST_F(Scripted, RexecOutputWithoutEndIsCutOff)
{
    // One line that never ends (shown in pieces) past the byte limit, or empty
    // lines past the line limit; the host keeps the connection open.
    const QString cut = QStringLiteral("☞ 출력이 너무 길어서 연결을 끊었습니다('ls')");
    struct Case { const char *name; std::string unit; qsizetype shown; } cases[] = {
        {"one endless line", std::string(4096, 'y'), RexecReply::MaxOutputBytes / RexecReply::MaxLineBytes},
        {"empty lines", "\n", RexecReply::MaxOutputLines},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string flood(1, '\0');
        while (flood.size() <= size_t(RexecReply::MaxOutputBytes) + 4096)
            flood += c.unit;
        kavtest::BytePeer peer(512);
        peer.acceptNext().wait(100).send(flood).wait(60000);
        ASSERT_TRUE(peer.start());
        TExecForm f(host);
        startExec(f);
        ASSERT_TRUE(kavtest::waitUntil([&] { return !f.busy(); }, 60000));
        const QStringList lines = f.messageLines();
        // The heading, what was read, and the line that says it was cut off.
        EXPECT_EQ(lines.size(), c.shown + 2);
        EXPECT_EQ(lines.value(lines.size() - 1), cut);
        EXPECT_TRUE(f.BB_save->isEnabled());
    }
}
