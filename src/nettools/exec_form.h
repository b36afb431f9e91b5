#pragma once
// Remote execution: one command on a host's REXEC service (512/TCP), its output
// in a memo that can be saved, printed and restyled. After the connect the
// exchange runs on the socket's notices, so the window stays usable.

#include "rexec_reply.h"
#include "text_lines.h"
#include "platform/winsock.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
namespace Ui { class TExecForm; }

namespace kav {

class NetToolsHost;

class TExecForm : public QDialog {
    Q_OBJECT
public:
    explicit TExecForm(NetToolsHost &host, QWidget *parent = nullptr);
    ~TExecForm() override;

    // The command socket is open (a command runs).
    bool busy() const { return commandSocket != ws::InvalidSocket; }
    QStringList messageLines() const;

    void FormActivate();
    void CB_HostNameChange();
    void CB_AnonymousClick();
    void SB_ActivePupUpClick();
    void AllCommandClick(const QString &caption);
    void BB_runClick();
    void BB_saveClick();
    void BB_printClick();
    void BB_fontClick();
    void BB_exitClick();
    // The socket's notices (connect, read, close).
    void socketEvent(long event, int error);

    QComboBox *CB_HostName = nullptr;
    QLineEdit *E_HostIP = nullptr, *E_UserId = nullptr, *E_Password = nullptr, *E_Command = nullptr;
    QCheckBox *CB_Anonymous = nullptr;
    QToolButton *SB_ActivePupUp = nullptr;
    QMenu *PM_UNIXcommand = nullptr;
    QPushButton *BB_run = nullptr, *BB_save = nullptr, *BB_print = nullptr, *BB_font = nullptr, *BB_exit = nullptr;
    QPlainTextEdit *M_message = nullptr;

public slots:
    void reject() override;  // Esc: the cancel button

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;  // FormCloseQuery

private:
    void add(const QString &line);
    void sendRequest();
    void finishCommand();
    // The output passed its limits: the connection ends with a line saying so.
    void cutOff();
    void closeCommandSocket();

    std::unique_ptr<Ui::TExecForm> ui;
    NetToolsHost &host;
    QStringList addresses, users, passwords;  // CB_HostIP, CB_UserId, CB_Password
    ws::Socket commandSocket = ws::InvalidSocket;
    RexecReply reply;
    AnswerDecoder answerText;   // the output's encoding, decided by the output
    QString command;
    bool requestSent = false;
};

// The host pane's preset command: the file's path quoted for the remote shell.
QString quotedForShell(const QString &path);

} // namespace kav
