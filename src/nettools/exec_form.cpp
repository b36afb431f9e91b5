#include "exec_form.h"
#include "platform/local_path.h"
#include "ui_exec_form.h"

#include "net_tools_host.h"
#include "config/connect_form.h"
#include "platform/clipboard.h"
#include "platform/cp949.h"
#include "platform/dialogs.h"
#include "platform/printer.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

namespace kav {

QString quotedForShell(const QString &path)
{
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

TExecForm::TExecForm(NetToolsHost &host_, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TExecForm>()), host(host_)
{
    ui->setupUi(this);
    CB_HostName = ui->CB_HostName;
    E_HostIP = ui->E_HostIP;
    E_UserId = ui->E_UserId;
    E_Password = ui->E_Password;
    CB_Anonymous = ui->CB_Anonymous;
    E_Command = ui->E_Command;
    SB_ActivePupUp = ui->SB_ActivePupUp;
    BB_run = ui->BB_run;
    BB_save = ui->BB_save;
    BB_print = ui->BB_print;
    BB_font = ui->BB_font;
    BB_exit = ui->BB_exit;
    M_message = ui->M_message;

    PM_UNIXcommand = new QMenu(this);
    PM_UNIXcommand->setObjectName(QStringLiteral("PM_UNIXcommand"));
    for (const char *entry : {"ls (list files)", "cp (copy files)", "mv (move files)", "rm (remove files)",
                              "mkdir (make directory)", "rmdir (remove directory)", "ps (list processes)",
                              "kill (kill process)", "chmod (change file mode)", "chown (change file owner)",
                              "chgrp (change file group)", "find (find files)"}) {
        const QString caption = QLatin1String(entry);
        PM_UNIXcommand->addAction(caption, this, [this, caption] { AllCommandClick(caption); });
    }
    connect(E_Command, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PM_UNIXcommand->popup(E_Command->mapToGlobal(pos)); });

    connect(CB_HostName, &QComboBox::currentIndexChanged, this, [this] { CB_HostNameChange(); });
    connect(CB_Anonymous, &QCheckBox::clicked, this, &TExecForm::CB_AnonymousClick);
    connect(SB_ActivePupUp, &QToolButton::clicked, this, &TExecForm::SB_ActivePupUpClick);
    connect(BB_run, &QPushButton::clicked, this, &TExecForm::BB_runClick);
    connect(BB_save, &QPushButton::clicked, this, &TExecForm::BB_saveClick);
    connect(BB_print, &QPushButton::clicked, this, &TExecForm::BB_printClick);
    connect(BB_font, &QPushButton::clicked, this, &TExecForm::BB_fontClick);
    connect(BB_exit, &QPushButton::clicked, this, &TExecForm::BB_exitClick);
}

TExecForm::~TExecForm()
{
    closeCommandSocket();
}

QStringList TExecForm::messageLines() const
{
    QStringList lines = M_message->toPlainText().split(QLatin1Char('\n'));
    if (lines.size() == 1 && lines.first().isEmpty())
        return {};
    return lines;
}

void TExecForm::add(const QString &line)
{
    M_message->appendPlainText(line);
}

void TExecForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TExecForm::FormActivate()
{
    const ExecProfiles p = host.execProfiles();
    addresses = p.addresses;
    users = p.users;
    passwords = p.passwords;
    {
        QSignalBlocker block(CB_HostName);
        CB_HostName->clear();
        CB_HostName->addItems(p.names);
        CB_HostName->setCurrentIndex(int(p.names.indexOf(p.currentName)));
        CB_HostName->setEditText(p.currentName);
    }
    E_HostIP->setText(p.currentAddress);
    E_UserId->setText(p.currentUser);
    E_Password->setText(p.currentPassword);
    QCoreApplication::processEvents();
    E_Command->setFocus();
}

void TExecForm::CB_HostNameChange()
{
    const int i = CB_HostName->currentIndex();
    if (i < 0)
        return;
    E_HostIP->setText(addresses.value(i));
    E_UserId->setText(users.value(i));
    E_Password->setText(passwords.value(i));
}

void TExecForm::CB_AnonymousClick()
{
    if (!CB_Anonymous->isChecked())
        return;
    E_UserId->setText(QStringLiteral("anonymous"));
    E_Password->setText(TConnectForm::AnonymousPassword);
}

void TExecForm::SB_ActivePupUpClick()
{
    PM_UNIXcommand->popup(SB_ActivePupUp->mapToGlobal(QPoint(0, SB_ActivePupUp->height())));
}

void TExecForm::AllCommandClick(const QString &caption)
{
    const qsizetype blank = caption.indexOf(QLatin1Char(' '));
    const QString word = blank < 0 ? caption : caption.left(blank + 1);
    copyToClipboard(word);
    E_Command->insert(word);
    E_Command->setFocus();
}

void TExecForm::BB_runClick()
{
    if (busy())
        return;
    M_message->clear();
    const struct { QString value, missing; } checks[] = {
        {CB_HostName->currentText(), QStringLiteral("호스트 명를 선택/입력하세요.")},
        {E_HostIP->text(), QStringLiteral("호스트 주소를 입력하세요.")},
        {E_UserId->text(), QStringLiteral("로그인 명을 입력하세요.")},
        {E_Password->text(), QStringLiteral("비밀번호를 입력하세요.")},
        {E_Command->text(), QStringLiteral("호스트에서 실행할 명령어를 입력하세요.")},
    };
    for (const auto &check : checks)
        if (check.value.isEmpty()) {
            add(check.missing);
            return;
        }
    quint32 address = 0;
    if (!ws::inetAddr(E_HostIP->text(), &address) && !ws::gethostbyname(E_HostIP->text(), &address)) {
        add(QStringLiteral("호스트를 알 수 없습니다.  호스트 주소를 확인하세요."));
        return;
    }
    const ws::Socket s = ws::socket();
    if (s == ws::InvalidSocket) {
        add(QStringLiteral("네트워크 오류: 소켓핸들을 얻을수 없습니다."));
        return;
    }
    commandSocket = s;
    reply = RexecReply();
    answerText = AnswerDecoder();
    requestSent = false;
    command = E_Command->text();
    BB_run->setEnabled(false);
    const int connected = ws::connect(s, address, 512);
    BB_run->setEnabled(true);
    if (commandSocket != s)
        return;  // the window closed the socket while the connect waited
    if (connected != 0 && ws::lastError() != ws::WSAEWOULDBLOCK) {
        informationBox(QStringLiteral("호스트의 REXEC 서버(512/TCP)에 연결을 못했습니다."), this);
        closeCommandSocket();
        return;
    }
    if (ws::asyncSelect(s, MsgExecSocket, ws::FD_READ | ws::FD_CONNECT | ws::FD_CLOSE,
                        [this](int, long event, int error) { socketEvent(event, error); })
        != 0) {
        add(QStringLiteral("호스트의 REXEC 서버(512/TCP)에 연결을 못했습니다."));
        closeCommandSocket();
        return;
    }
    ws::setOobInline(s, true);
    add(QStringLiteral("☞ 원격실행 결과('") + command + QStringLiteral("')"));
    BB_save->setEnabled(false);
    BB_print->setEnabled(false);
    BB_font->setEnabled(false);
    // The socket was connected before its notices were asked for: no connect
    // notice will come, so the request goes now.
    sendRequest();
}

void TExecForm::sendRequest()
{
    if (requestSent || !busy())
        return;
    requestSent = true;
    // An empty secondary port (no error stream), the user, the password, the command.
    QByteArray request(1, '\0');
    for (const QString &field : {E_UserId->text(), E_Password->text(), command}) {
        request += cp949::encode(field);
        request += '\0';
    }
    qsizetype sent = 0;
    while (sent < request.size() && busy()) {
        const int n = ws::send(commandSocket, request.constData() + sent, int(request.size() - sent));
        if (n > 0) {
            sent += n;
        } else if (n == ws::SocketError && ws::lastError() == ws::WSAEWOULDBLOCK) {
            ws::idleWait(10);
        } else {
            break;  // the close notice tells the rest
        }
    }
}

void TExecForm::socketEvent(long event, int)
{
    if (!busy())
        return;
    if (event == ws::FD_CONNECT) {
        sendRequest();
        return;
    }
    if (event == ws::FD_READ) {
        // A few blocks per notice, then back to the event loop (the notice comes
        // again while data waits): a host that never stops sending must not
        // keep the stop button from being pressed.
        for (int blocks = 0; blocks < 16; ++blocks) {
            char buffer[4096];
            const int n = ws::recv(commandSocket, buffer, int(sizeof buffer));
            if (n <= 0)
                break;
            for (const QByteArray &line : reply.feed(QByteArray(buffer, n)))
                add(answerText.decode(line));
            if (reply.overflowed()) {
                cutOff();
                return;
            }
        }
        return;
    }
    if (event == ws::FD_CLOSE)
        finishCommand();
}

void TExecForm::finishCommand()
{
    // Whatever is still unread, then the unfinished last line.
    for (;;) {
        char buffer[4096];
        const int n = ws::recv(commandSocket, buffer, int(sizeof buffer));
        if (n <= 0)
            break;
        for (const QByteArray &line : reply.feed(QByteArray(buffer, n)))
            add(answerText.decode(line));
        if (reply.overflowed()) {
            cutOff();
            return;
        }
    }
    for (const QByteArray &line : reply.finish())
        add(answerText.decode(line));
    if (reply.closedWithoutStatus())
        add(QStringLiteral("호스트의 REXEC 서버가 응답없이 연결을 끊었습니다. 로그인 명과 비밀번호를 확인하세요."));
    else
        add(QStringLiteral("☞ 원격실행 완료('") + command + QStringLiteral("')"));
    BB_save->setEnabled(true);
    BB_print->setEnabled(true);
    BB_font->setEnabled(true);
    closeCommandSocket();
}

void TExecForm::cutOff()
{
    // Output without end: what came is kept, the connection ends (which also
    // stops the command on the host), and the window is ready again.
    add(QStringLiteral("☞ 출력이 너무 길어서 연결을 끊었습니다('") + command + QStringLiteral("')"));
    BB_save->setEnabled(true);
    BB_print->setEnabled(true);
    BB_font->setEnabled(true);
    closeCommandSocket();
}

void TExecForm::closeCommandSocket()
{
    if (commandSocket == ws::InvalidSocket)
        return;
    const ws::Socket s = commandSocket;
    commandSocket = ws::InvalidSocket;
    if (ws::isBlocking())
        ws::cancelBlockingCall();
    ws::asyncSelect(s, 0, 0);
    ws::shutdown(s, 2);
    ws::setLinger(s, true, 0);
    ws::closesocket(s);
}

void TExecForm::BB_saveClick()
{
    FileRequest request;
    request.title = QStringLiteral("화면의 내용을 파일로 저장합니다");
    request.defaultExt = QStringLiteral("txt");
    request.filter = QStringLiteral("Text Files(*.txt)|*.TXT|Document Files(*.doc)|*.doc|All Files(*.*)|*.*");
    QString path;
    if (!dialogs().saveFile(this, request, path))
        return;
    QFile f;
    if (!localpath::open(f, path, QIODevice::WriteOnly | QIODevice::Truncate)) {
        informationBox(QStringLiteral("파일을 저장하지 못했습니다: ") + localpath::displayPath(path), this);
        return;
    }
    QByteArray text;
    for (const QString &line : messageLines())
        text += line.toUtf8() + '\n';
    if (f.write(text) != text.size() || !f.flush())
        informationBox(QStringLiteral("파일을 저장하지 못했습니다: ") + localpath::displayPath(path), this);
}

void TExecForm::BB_printClick()
{
    if (!printer().printDialog(this))
        return;
    TextPrintJob job(windowTitle());
    if (!job.isOpen())
        return;
    for (const QString &line : messageLines())
        job.writeLine(line);
    job.end();
}

void TExecForm::BB_fontClick()
{
    QFont font = M_message->font();
    if (dialogs().chooseFont(this, font))
        M_message->setFont(font);
}

void TExecForm::BB_exitClick()
{
    closeCommandSocket();
    close();
}

void TExecForm::reject()
{
    closeCommandSocket();
    M_message->clear();
    QDialog::reject();
}

void TExecForm::closeEvent(QCloseEvent *event)
{
    closeCommandSocket();
    M_message->clear();
    QDialog::closeEvent(event);
}

} // namespace kav
