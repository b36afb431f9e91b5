#include "scan_form.h"

#include "net_tools_host.h"
#include "platform/dialogs.h"
#include "platform/host_address.h"
#include "platform/winsock.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

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

TScanForm::TScanForm(NetToolsHost &host_, QWidget *parent) : QDialog(parent), host(host_)
{
    setObjectName(QStringLiteral("TScanForm"));
    setWindowTitle(QStringLiteral("IP Scanner (Scan for devices in your network)"));
    cells.fill(QApplication::palette().color(QPalette::Button));

    auto *top = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    P_Control = new QWidget(this);
    P_Control->setObjectName(QStringLiteral("P_Control"));
    auto *grid = new QGridLayout(P_Control);
    grid->setContentsMargins(0, 0, 0, 0);
    auto *numbers = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*")), this);
    auto field = [&](const char *name, int digits, const QString &value) {
        auto *e = new QLineEdit(value, P_Control);
        e->setObjectName(QLatin1String(name));
        e->setMaxLength(digits + 1);
        e->setValidator(numbers);
        e->setFixedWidth(12 * (digits + 1));
        e->setMouseTracking(true);
        e->installEventFilter(this);
        return e;
    };
    NE_sa1 = field("NE_sa1", 3, QStringLiteral("127"));
    NE_sa2 = field("NE_sa2", 3, QStringLiteral("0"));
    NE_sa3 = field("NE_sa3", 3, QStringLiteral("0"));
    NE_sa4 = field("NE_sa4", 3, QStringLiteral("1"));
    NE_ea4 = field("NE_ea4", 3, QStringLiteral("255"));
    NE_Timeout = field("NE_Timeout", 4, QStringLiteral("500"));
    NE_Timeout->setToolTip(QStringLiteral("검사 제한시간(클수록 속도는 느리지만 정확도가 좋습니다)"));
    NE_TTL = field("NE_TTL", 3, QStringLiteral("255"));
    NE_TTL->setToolTip(QStringLiteral("네트워크상에서 패킷의 활동 노드수"));
    for (QLineEdit *e : {NE_sa1, NE_sa2, NE_sa3, NE_sa4, NE_ea4})
        connect(e, &QLineEdit::editingFinished, this, [this, e] { NE_AddressExit(e); });
    for (QLineEdit *e : {NE_Timeout, NE_TTL})
        connect(e, &QLineEdit::editingFinished, this, [this, e] { NE_OptionExit(e); });

    auto *startRow = new QHBoxLayout;
    for (QLineEdit *e : {NE_sa1, NE_sa2, NE_sa3, NE_sa4})
        startRow->addWidget(e);
    startRow->addStretch();
    grid->addWidget(new QLabel(QStringLiteral("시작주소 :"), P_Control), 0, 0);
    grid->addLayout(startRow, 0, 1);
    auto *endRow = new QHBoxLayout;
    endRow->addWidget(NE_ea4);
    endRow->addStretch();
    grid->addWidget(new QLabel(QStringLiteral("종료주소 :"), P_Control), 1, 0);
    grid->addLayout(endRow, 1, 1);
    auto *timeRow = new QHBoxLayout;
    timeRow->addWidget(NE_Timeout);
    timeRow->addWidget(new QLabel(QStringLiteral("ms"), P_Control));
    timeRow->addStretch();
    grid->addWidget(new QLabel(QStringLiteral("시간제한 :"), P_Control), 2, 0);
    grid->addLayout(timeRow, 2, 1);
    auto *ttlRow = new QHBoxLayout;
    ttlRow->addWidget(NE_TTL);
    ttlRow->addWidget(new QLabel(QStringLiteral("hops"), P_Control));
    ttlRow->addStretch();
    grid->addWidget(new QLabel(QStringLiteral("활동시간 :"), P_Control), 3, 0);
    grid->addLayout(ttlRow, 3, 1);
    CB_ResolveNames = new QCheckBox(QStringLiteral("호스트명 구하기"), P_Control);
    CB_ResolveNames->setObjectName(QStringLiteral("CB_ResolveNames"));
    CB_ResolveNames->setToolTip(QStringLiteral("숫자의 IP주소에 대한  이름을 구합니다 (지정하면 속도가 약간 느려집니다)"));
    grid->addWidget(CB_ResolveNames, 4, 0, 1, 2);
    RB_OnlyAlive = new QRadioButton(QStringLiteral("응답한 호스트만 출력"), P_Control);
    RB_OnlyAlive->setObjectName(QStringLiteral("RB_OnlyAlive"));
    RB_OnlyAlive->setChecked(true);
    RB_Entire = new QRadioButton(QStringLiteral("전부 출력"), P_Control);
    RB_Entire->setObjectName(QStringLiteral("RB_Entire"));
    grid->addWidget(RB_OnlyAlive, 5, 0, 1, 2);
    grid->addWidget(RB_Entire, 6, 0, 1, 2);
    left->addWidget(P_Control);

    // The legend is the palette: the map takes its colours from these shapes.
    auto legend = [&](QFrame *&shape, const char *name, const QString &text, const QColor &colour) {
        shape = new QFrame(this);
        shape->setObjectName(QLatin1String(name));
        shape->setFixedSize(17, 17);
        shape->setFrameStyle(QFrame::Box);
        shape->setAutoFillBackground(true);
        QPalette pal = shape->palette();
        pal.setColor(QPalette::Window, colour);
        shape->setPalette(pal);
        auto *row = new QHBoxLayout;
        row->addWidget(shape);
        row->addWidget(new QLabel(text, this));
        row->addStretch();
        left->addLayout(row);
    };
    legend(S_NoResponse, "S_NoResponse", QStringLiteral("No Response"), Qt::white);
    legend(S_TestinProgress, "S_TestinProgress", QStringLiteral("Test in Progress"), Qt::yellow);
    legend(S_TTLtimedout, "S_TTLtimedout", QStringLiteral("TTL timed out"), Qt::magenta);
    legend(S_Hostunreachable, "S_Hostunreachable", QStringLiteral("Host unreachable"), Qt::cyan);
    legend(S_Alive, "S_Alive", QStringLiteral("Alive"), Qt::green);

    auto *buttons = new QHBoxLayout;
    BB_run = new QPushButton(QStringLiteral("시작"), this);
    BB_run->setObjectName(QStringLiteral("BB_run"));
    BB_run->setDefault(true);
    BB_stop = new QPushButton(QStringLiteral("중지"), this);
    BB_stop->setObjectName(QStringLiteral("BB_stop"));
    BB_stop->setAutoDefault(false);
    BB_exit = new QPushButton(QStringLiteral("닫기"), this);
    BB_exit->setObjectName(QStringLiteral("BB_exit"));
    BB_exit->setAutoDefault(false);
    buttons->addWidget(BB_run);
    buttons->addWidget(BB_stop);
    buttons->addWidget(BB_exit);
    left->addLayout(buttons);
    left->addStretch();
    top->addLayout(left);

    I_Host = new QLabel(this);
    I_Host->setObjectName(QStringLiteral("I_Host"));
    I_Host->setFixedSize(480, 320);
    top->addWidget(I_Host);
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
    const QString local = localIpAddress();
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
