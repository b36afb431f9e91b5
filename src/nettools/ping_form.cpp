#include "ping_form.h"
#include "ui_ping_form.h"

#include "net_tools_host.h"
#include "platform/dialogs.h"
#include "platform/host_address.h"
#include "platform/winsock.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <climits>

namespace kav {
namespace {

void pump() { QCoreApplication::processEvents(); }

QByteArray requestData() { return QByteArray(icmp::RequestSize, char(0xAA)); }

QString hostNameOr(quint32 address, const QString &fallback)
{
    QString name;
    if (ws::gethostbyaddr(address, &name) && !name.trimmed().isEmpty())
        return name.trimmed();
    return fallback;
}

} // namespace

QStringList pingStatistics(const QString &address, int sent, int received, int lost, qint64 totalMs,
                           int minimumMs, int maximumMs)
{
    const int divisor = sent > 0 ? sent : 1;
    return {QStringLiteral("PING Statistics for ") + address,
            QString::number(sent) + QStringLiteral(" packets transmitted, ") + QString::number(received)
                + QStringLiteral(" packets received, ") + QString::number(lost * 100 / divisor)
                + QStringLiteral("% packet loss"),
            QStringLiteral("round-trip (ms) min/avg/max = ") + QString::number(minimumMs) + QLatin1Char('/')
                + QString::number(totalMs / divisor) + QLatin1Char('/') + QString::number(maximumMs)};
}

TPingForm::TPingForm(NetToolsHost &host_, int mode, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TPingForm>()), host(host_), modeTag(mode)
{
    ui->setupUi(this);
    P_Control = ui->P_Control;
    CB_HostName = ui->CB_HostName;
    E_HostIP = ui->E_HostIP;
    L_LocalIP = ui->L_LocalIP;
    BB_run = ui->BB_run;
    BB_stop = ui->BB_stop;
    BB_exit = ui->BB_exit;
    M_message = ui->M_message;
    QFont fixed = M_message->font();
    fixed.setStyleHint(QFont::TypeWriter);
    M_message->setFont(fixed);

    connect(BB_run, &QPushButton::clicked, this, &TPingForm::BB_runClick);
    connect(BB_stop, &QPushButton::clicked, this, &TPingForm::BB_stopClick);
    connect(BB_exit, &QPushButton::clicked, this, &TPingForm::BB_exitClick);
    connect(CB_HostName, &QComboBox::currentIndexChanged, this, [this] { CB_HostNameChange(); });
}

TPingForm::~TPingForm() = default;

QStringList TPingForm::messageLines() const
{
    QStringList lines = M_message->toPlainText().split(QLatin1Char('\n'));
    if (lines.size() == 1 && lines.first().isEmpty())
        return {};
    return lines;
}

void TPingForm::add(const QString &line)
{
    M_message->appendPlainText(line);
}

void TPingForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!activated) {
        activated = true;
        QMetaObject::invokeMethod(this, &TPingForm::FormActivate, Qt::QueuedConnection);
    }
}

void TPingForm::FormActivate()
{
    QStringList names;
    const int selected = host.pingProfiles(names, hostAddresses);
    {
        QSignalBlocker block(CB_HostName);
        CB_HostName->clear();
        CB_HostName->addItems(names);
        CB_HostName->setCurrentIndex(selected);
    }
    CB_HostNameChange();
    L_LocalIP->setText(localIpAddress());
    pump();
    echo = icmp::EchoSocket::open(socketKind);
    if (!echo) {
        BB_run->setEnabled(false);
        BB_stop->setEnabled(false);
        dialogs().messageBox(this, applicationTitle(), QStringLiteral("네트워크 오류: ICMP 핸들을 생성할 수 없습니다"),
                             MsgIcon::None, BtnOk);
    }
    QCursor::setPos(BB_run->mapToGlobal(BB_run->rect().center()));
    BB_run->setFocus();
}

void TPingForm::CB_HostNameChange()
{
    const int index = CB_HostName->currentIndex();
    if (index >= 0 && index < hostAddresses.size() && CB_HostName->currentText() == CB_HostName->itemText(index))
        E_HostIP->setText(hostAddresses.at(index));
}

void TPingForm::BB_stopClick()
{
    StopTag = 1;
    pump();
}

void TPingForm::BB_exitClick()
{
    close();
}

void TPingForm::BB_runClick()
{
    if (running() || (!echo && modeTag != Lookup))
        return;
    StopTag = 0;
    M_message->clear();
    if (CB_HostName->currentText().isEmpty()) {
        add(QStringLiteral("호스트 명를 선택/입력하세요."));
        return;
    }
    if (E_HostIP->text().isEmpty()) {
        add(QStringLiteral("호스트 주소를 입력하세요."));
        return;
    }
    const QString text = E_HostIP->text();
    quint32 address = 0;
    QString name, addressText;
    ++runDepth;  // lookups pump events too: the window must not go meanwhile
    bool resolved = false;
    if (ws::inetAddr(text, &address)) {
        addressText = ws::inetNtoa(address);
        name = hostNameOr(address, addressText);
        resolved = true;
    } else if (ws::gethostbyname(text, &address)) {
        addressText = ws::inetNtoa(address);
        // The official name: the reverse name of the address, else the name typed.
        name = hostNameOr(address, text.trimmed());
        resolved = true;
    }
    --runDepth;
    if (closeWanted) {
        close();
        return;
    }
    if (!resolved) {
        add(QStringLiteral("호스트를 알 수 없습니다.  호스트 주소를 확인하세요."));
        return;
    }

    ++runDepth;
    P_Control->setEnabled(false);
    BB_run->setEnabled(false);
    BB_exit->setEnabled(false);
    pump();
    if (modeTag == Lookup) {
        add(QStringLiteral("Official Name: ") + name);
        add(QStringLiteral("IP Address: ") + addressText);
        add(QStringLiteral("호스트 정보가 LookUp 되었습니다"));
    } else if (modeTag == Ping) {
        runPing(address, name, addressText);
    } else {
        runTrace(address, name, addressText);
    }
    P_Control->setEnabled(true);
    BB_run->setEnabled(true);
    BB_exit->setEnabled(true);
    --runDepth;
    if (closeWanted)
        close();
}

void TPingForm::runPing(quint32 address, const QString &name, const QString &addressText)
{
    add(QString::number(icmp::RequestSize) + QStringLiteral("바이트의 데이터를 가진 ") + name + QStringLiteral(" [")
        + addressText + QStringLiteral("]를 Ping 하는 중:"));
    add(QString());
    pump();
    int sent = 0, received = 0, lost = 0;
    qint64 total = 0;
    int minimum = INT_MAX, maximum = INT_MIN;
    QString shownAddress = addressText;
    for (int i = 0; i < PingCount; ++i) {
        ++sent;
        pump();
        const icmp::EchoReply r = echo->send(address, 255, requestData(), EchoTimeoutMs);
        if (r.replies > 0 && r.status == icmp::Success) {
            shownAddress = ws::inetNtoa(r.address);
            add(shownAddress + QStringLiteral(" 로부터 응답: 바이트=") + QString::number(r.dataSize) + QStringLiteral(", ")
                + QStringLiteral("시간=") + QString::number(r.roundTripMs) + QStringLiteral("ms, ") + QStringLiteral("TTL=")
                + QString::number(r.ttl));
            ++received;
            total += r.roundTripMs;
            minimum = qMin(minimum, r.roundTripMs);
            maximum = qMax(maximum, r.roundTripMs);
        } else {
            // Only an echo reply is an answer: a router's complaint is a loss too.
            const int code = r.replies > 0 ? r.status : ws::lastError();
            add(QStringLiteral("네트워크 오류: ") + icmp::echoErrorText(code));
            ++lost;
        }
        pump();
        if (StopTag == 1)
            break;
    }
    if (maximum == INT_MIN)
        maximum = 0;
    if (minimum == INT_MAX)
        minimum = 0;
    add(QString());
    for (const QString &line : pingStatistics(shownAddress, sent, received, lost, total, minimum, maximum))
        add(line);
    pump();
}

void TPingForm::runTrace(quint32 address, const QString &name, const QString &addressText)
{
    add(QStringLiteral("최대 30개의 홉에서"));
    add(name + QStringLiteral(" [") + addressText + QStringLiteral("]로의 경로를 추적하는 중입니다."));
    add(QString());
    pump();
    bool reached = false, unanswered = false, blocked = false;
    for (int hop = 1; hop <= MaxHops; ++hop) {
        pump();
        const icmp::EchoReply r = echo->send(address, hop, requestData(), EchoTimeoutMs);
        if (r.replies == 0) {
            add(QStringLiteral("네트워크 오류: ") + icmp::echoErrorText(ws::lastError()));
            unanswered = true;
            break;
        }
        pump();
        const QString hopName = hostNameOr(r.address, ws::inetNtoa(r.address));
        add(QString::asprintf("[%2d]", hop) + QStringLiteral("  (") + hopName + QStringLiteral(")    ")
            + QStringLiteral("RTT: ") + QString::number(r.roundTripMs) + QStringLiteral(" ms,  ") + QStringLiteral("TTL: ")
            + QString::number(r.ttl));
        pump();
        // The target answered itself: its address, not its name, tells (a reverse
        // name rarely equals the name the user typed).
        if (r.address == address) {
            reached = true;
            break;
        }
        // A router that says the target cannot be reached: further hops go no further.
        if (r.status != icmp::Success && r.status != icmp::TtlExpiredTransit
            && r.status != icmp::TtlExpiredReassembly) {
            blocked = true;
            break;
        }
        pump();
        if (StopTag == 1)
            break;
    }
    if (reached) {
        add(QString());
        add(QStringLiteral("추적이 완료되었습니다."));
    } else if (StopTag == 1 || unanswered || blocked) {
        add(QString());
        add(QStringLiteral("호스트에 도달하지 못했습니다."));
    }
    pump();
}

bool TPingForm::holdCloseForRun()
{
    if (!running())
        return false;
    closeWanted = true;
    StopTag = 1;
    ws::cancelBlockingCall();
    return true;
}

void TPingForm::reject()
{
    if (holdCloseForRun())
        return;
    QDialog::reject();
}

void TPingForm::closeEvent(QCloseEvent *event)
{
    if (holdCloseForRun()) {
        event->ignore();
        return;
    }
    if (ws::isBlocking())
        ws::cancelBlockingCall();
    echo.reset();
    QDialog::closeEvent(event);
}

} // namespace kav
