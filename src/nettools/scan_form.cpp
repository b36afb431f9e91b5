#include "scan_form.h"
#include "ui_scan_form.h"

#include "net_tools_host.h"
#include "platform/dialogs.h"
#include "platform/host_address.h"
#include "platform/winsock.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

namespace kav {
namespace {

void pump() { QCoreApplication::processEvents(); }

int fieldValue(const QLineEdit *field, int fallback)
{
    bool ok = false;
    const int v = field->text().trimmed().toInt(&ok);
    return ok ? v : fallback;
}

QColor brushOf(const QFrame *shape)
{
    return shape->palette().color(QPalette::Window);
}

} // namespace

TScanForm::TScanForm(NetToolsHost &host_, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TScanForm>()), host(host_)
{
    ui->setupUi(this);
    cells.fill(QApplication::palette().color(QPalette::Button));
    NE_sa1 = ui->NE_sa1;
    NE_sa2 = ui->NE_sa2;
    NE_sa3 = ui->NE_sa3;
    NE_sa4 = ui->NE_sa4;
    NE_ea4 = ui->NE_ea4;
    NE_Timeout = ui->NE_Timeout;
    NE_TTL = ui->NE_TTL;
    CB_ResolveNames = ui->CB_ResolveNames;
    RB_OnlyAlive = ui->RB_OnlyAlive;
    RB_Entire = ui->RB_Entire;
    BB_run = ui->BB_run;
    BB_stop = ui->BB_stop;
    BB_exit = ui->BB_exit;
    I_Host = ui->I_Host;
    P_Control = ui->P_Control;
    S_NoResponse = ui->S_NoResponse;
    S_TestinProgress = ui->S_TestinProgress;
    S_TTLtimedout = ui->S_TTLtimedout;
    S_Hostunreachable = ui->S_Hostunreachable;
    S_Alive = ui->S_Alive;

    auto *numbers = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*")), this);
    for (QLineEdit *e : {NE_sa1, NE_sa2, NE_sa3, NE_sa4, NE_ea4, NE_Timeout, NE_TTL}) {
        e->setValidator(numbers);
        e->installEventFilter(this);
    }
    for (QLineEdit *e : {NE_sa1, NE_sa2, NE_sa3, NE_sa4, NE_ea4})
        connect(e, &QLineEdit::editingFinished, this, [this, e] { NE_AddressExit(e); });
    for (QLineEdit *e : {NE_Timeout, NE_TTL})
        connect(e, &QLineEdit::editingFinished, this, [this, e] { NE_OptionExit(e); });

    image = QImage(480, 320, QImage::Format_RGB32);
    image.fill(Qt::white);

    connect(BB_run, &QPushButton::clicked, this, &TScanForm::BB_runClick);
    connect(BB_stop, &QPushButton::clicked, this, &TScanForm::BB_stopClick);
    connect(BB_exit, &QPushButton::clicked, this, &TScanForm::BB_exitClick);
}

TScanForm::~TScanForm() = default;

void TScanForm::paintCell(int n, const QColor &colour)
{
    cells[size_t(n)] = colour;
    QPainter p(&image);
    const int column = n % 16, row = n / 16;
    const QRect r(column * 30, row * 20, 30, 20);
    p.setPen(Qt::black);
    p.setBrush(colour);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    QFont font = p.font();
    font.setPixelSize(7);
    p.setFont(font);
    p.drawText(QPoint(column * 30 + 5, row * 20 + 5 + 7), QString::number(n));
}

void TScanForm::showMap()
{
    I_Host->setPixmap(QPixmap::fromImage(image));
}

void TScanForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!activated) {
        activated = true;
        QMetaObject::invokeMethod(this, &TScanForm::FormActivate, Qt::QueuedConnection);
    }
}

void TScanForm::FormActivate()
{
    const QColor face = QApplication::palette().color(QPalette::Button);
    for (int n = 0; n < 256; ++n)
        paintCell(n, face);
    showMap();
    pump();
    const QString local = localIpv4Address();   // the ranges below are IPv4
    const QStringList octets = local.split(QLatin1Char('.'));
    bool ok = false;
    const int a = octets.value(0).toInt(&ok);
    NE_sa1->setText(QString::number(ok ? a : 127));
    const int b = octets.value(1).toInt(&ok);
    NE_sa2->setText(QString::number(ok ? b : 0));
    const int c = octets.value(2).toInt(&ok);
    NE_sa3->setText(QString::number(ok ? c : 0));
    NE_sa4->setText(QStringLiteral("0"));
    NE_ea4->setText(QStringLiteral("255"));
    setWindowTitle(windowTitle() + QStringLiteral(" - 로컬 IP: ") + local);
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

void TScanForm::NE_AddressExit(QLineEdit *field)
{
    const int v = fieldValue(field, 0);
    if (v < 0)
        field->setText(QStringLiteral("0"));
    else if (v > 255)
        field->setText(QStringLiteral("255"));
}

void TScanForm::NE_OptionExit(QLineEdit *field)
{
    if (fieldValue(field, 0) < 0)
        field->setText(QStringLiteral("0"));
}

void TScanForm::NE_AllsaMouseMove(QLineEdit *field)
{
    field->setToolTip(QStringLiteral("검색시작주소 : ") + NE_sa1->text() + QLatin1Char('.') + NE_sa2->text()
                      + QLatin1Char('.') + NE_sa3->text() + QLatin1Char('.') + NE_sa4->text());
}

void TScanForm::NE_ea4MouseMove()
{
    NE_ea4->setToolTip(QStringLiteral("검색종료주소 : ") + NE_sa1->text() + QLatin1Char('.') + NE_sa2->text()
                       + QLatin1Char('.') + NE_sa3->text() + QLatin1Char('.') + NE_ea4->text());
}

bool TScanForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        if (watched == NE_ea4)
            NE_ea4MouseMove();
        else if (watched == NE_sa1 || watched == NE_sa2 || watched == NE_sa3 || watched == NE_sa4)
            NE_AllsaMouseMove(static_cast<QLineEdit *>(watched));
    }
    return QDialog::eventFilter(watched, event);
}

void TScanForm::BB_stopClick()
{
    StopTag = 1;
    pump();
}

void TScanForm::BB_exitClick()
{
    close();
}

void TScanForm::BB_runClick()
{
    if (scanning || !echo)
        return;
    // Leaving a field by a click on the button still applies its bounds.
    for (QLineEdit *e : {NE_sa1, NE_sa2, NE_sa3, NE_sa4, NE_ea4})
        NE_AddressExit(e);
    for (QLineEdit *e : {NE_Timeout, NE_TTL})
        NE_OptionExit(e);
    const int first = fieldValue(NE_sa4, 0);
    const int last = fieldValue(NE_ea4, 0);
    if (last < first) {
        NE_sa4->setFocus();
        informationBox(QStringLiteral("'시작주소' 가 '종료주소' 보다 큽니다"), this);
        return;
    }
    QStringList report;
    const QString saveDirectory = host.localDirectory();

    StopTag = 0;
    scanning = true;
    P_Control->setEnabled(false);
    BB_run->setEnabled(false);
    BB_exit->setEnabled(false);
    int probed = 0, alive = 0, noResponse = 0, ttlTimedOut = 0, unreachable = 0;
    int lastProbed = first;
    const QString block = NE_sa1->text().trimmed() + QLatin1Char('.') + NE_sa2->text().trimmed() + QLatin1Char('.')
                          + NE_sa3->text().trimmed() + QLatin1Char('.');

    const QColor face = QApplication::palette().color(QPalette::Button);
    for (int n = 0; n < 256; ++n)
        paintCell(n, n >= first && n <= last ? brushOf(S_NoResponse) : face);
    showMap();
    pump();

    // The time-to-live goes out as one byte; this system refuses 0, so 1 is sent in its place.
    const int ttlByte = fieldValue(NE_TTL, 255) & 0xff;
    const int ttl = ttlByte == 0 ? 1 : ttlByte;
    if (ttlByte == 0)
        report << QStringLiteral("※ 활동시간 0은 이 시스템에서 보낼 수 없어 1로 검사했습니다.") << QString();
    const int timeoutMs = fieldValue(NE_Timeout, 500);
    const QByteArray data(icmp::RequestSize, char(0xAA));

    for (int n = first; n <= last; ++n) {
        ++probed;
        lastProbed = n;
        paintCell(n, brushOf(S_TestinProgress));
        showMap();
        const QString addressText = block + QString::number(n);
        quint32 address = 0;
        const bool parsed = ws::inetAddr(addressText, &address) && address != 0xffffffffu;
        QString name = addressText, shown = addressText;
        if (CB_ResolveNames->isChecked() && parsed) {
            QString found;
            if (ws::gethostbyaddr(address, &found) && !found.trimmed().isEmpty())
                name = found.trimmed();
        }
        QString line = name + QLatin1Char('(') + shown + QStringLiteral(") : ");
        QColor colour;
        bool listed = RB_Entire->isChecked();
        if (!parsed) {
            ++noResponse;
            line += ws::errorText(ws::WSAEINVAL);
            colour = brushOf(S_NoResponse);
        } else {
            pump();
            const icmp::EchoReply r = echo->send(address, ttl, data, timeoutMs);
            const int code = r.replies > 0 ? r.status : ws::lastError();
            if (code == icmp::TtlExpiredTransit) {
                ++ttlTimedOut;
                line += QStringLiteral("TTL-timeout");
                colour = brushOf(S_TTLtimedout);
            } else if (code == icmp::DestHostUnreachable) {
                ++unreachable;
                line += QStringLiteral("host unreachable");
                colour = brushOf(S_Hostunreachable);
            } else if (r.replies > 0 && r.status == icmp::Success) {
                ++alive;
                line += QStringLiteral("☞ alive (응답 바이트=") + QString::number(r.dataSize) + QStringLiteral(", ")
                        + QStringLiteral("시간=") + QString::number(r.roundTripMs) + QStringLiteral("ms, ")
                        + QStringLiteral("TTL=") + QString::number(r.ttl) + QLatin1Char(')');
                colour = brushOf(S_Alive);
            } else {
                ++noResponse;
                line += icmp::echoErrorText(code);
                colour = brushOf(S_NoResponse);
            }
            listed = listed || r.replies > 0;
        }
        paintCell(n, colour);
        showMap();
        if (listed)
            report << line;
        pump();
        if (StopTag == 1)
            break;
    }

    const QString range = block + QString::number(first) + QStringLiteral(" ~ ") + block + QString::number(lastProbed);
    report << QString() << QStringLiteral("IP Scanner Statistics for ") + range
           << QStringLiteral("Total : ") + QString::number(probed)
           << QStringLiteral("Alive : ") + QString::number(alive)
           << QStringLiteral("No Response : ") + QString::number(noResponse)
           << QStringLiteral("TTL timed out : ") + QString::number(ttlTimedOut)
           << QStringLiteral("Host unreachable : ") + QString::number(unreachable);
    if (!closeWanted)
        host.showReport(QStringLiteral("[IP Scanner] - (") + range + QLatin1Char(')'), report, saveDirectory,
                        QStringLiteral("IPScan.txt"));
    P_Control->setEnabled(true);
    BB_run->setEnabled(true);
    BB_exit->setEnabled(true);
    scanning = false;
    if (closeWanted)
        close();
}

bool TScanForm::holdCloseForRun()
{
    if (!scanning)
        return false;
    closeWanted = true;
    StopTag = 1;
    ws::cancelBlockingCall();
    return true;
}

void TScanForm::reject()
{
    if (holdCloseForRun())
        return;
    QDialog::reject();
}

void TScanForm::closeEvent(QCloseEvent *event)
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
