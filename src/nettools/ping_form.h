#pragma once
// The lookup, ping and trace route window: one window, three modes.

#include "platform/icmp_echo.h"

#include <QDialog>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;
namespace Ui { class TPingForm; }

namespace kav {

class NetToolsHost;

class TPingForm : public QDialog {
    Q_OBJECT
public:
    enum Mode { Lookup = 1, Ping = 2, Trace = 3 };
    static constexpr int PingCount = 10;
    static constexpr int MaxHops = 30;
    static constexpr int EchoTimeoutMs = 3000;

    TPingForm(NetToolsHost &host, int mode, QWidget *parent = nullptr);
    ~TPingForm() override;

    int mode() const { return modeTag; }
    // The kind of ICMP socket to open at activation (tests choose one).
    icmp::SocketKind socketKind = icmp::SocketKind::Automatic;
    bool running() const { return runDepth > 0; }
    QStringList messageLines() const;

    void FormActivate();
    void BB_runClick();
    void BB_stopClick();
    void BB_exitClick();
    void CB_HostNameChange();

    QWidget *P_Control = nullptr;
    QComboBox *CB_HostName = nullptr;
    QLineEdit *E_HostIP = nullptr;
    QLabel *L_LocalIP = nullptr;
    QPushButton *BB_run = nullptr;
    QPushButton *BB_stop = nullptr;
    QPushButton *BB_exit = nullptr;
    QPlainTextEdit *M_message = nullptr;
    // BB_stop's tag: the stop flag.
    int StopTag = 0;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;  // FormCloseQuery

private:
    void add(const QString &line);
    void runPing(quint32 address, const QString &name, const QString &addressText);
    void runTrace(quint32 address, const QString &name, const QString &addressText);
    // Ends a run in progress before the window goes (the echo socket is still in use).
    bool holdCloseForRun();

    std::unique_ptr<Ui::TPingForm> ui;
    NetToolsHost &host;
    int modeTag;
    QStringList hostAddresses;  // CB_HostIP: index-parallel to CB_HostName
    std::unique_ptr<icmp::EchoSocket> echo;
    bool activated = false;
    int runDepth = 0;
    bool closeWanted = false;
};

// The ping summary: "PING Statistics for ..." and the two lines after it.
QStringList pingStatistics(const QString &address, int sent, int received, int lost, qint64 totalMs,
                           int minimumMs, int maximumMs);

} // namespace kav
