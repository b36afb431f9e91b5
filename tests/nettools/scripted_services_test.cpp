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
#include "nettools/service_query.h"
#include "platform/clock_setter.h"
#include "platform/scripted_dialogs.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
