#pragma once
// The address range scanner: one echo to each address of a range inside one
// class-C-sized block, a map of coloured cells, and a report in the text viewer.

#include "platform/icmp_echo.h"

#include <QColor>
#include <QDialog>
#include <QImage>
#include <array>
#include <memory>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
namespace Ui { class TScanForm; }

namespace kav {

class NetToolsHost;

class TScanForm : public QDialog {
    Q_OBJECT
public:
    TScanForm(NetToolsHost &host, QWidget *parent = nullptr);
    ~TScanForm() override;

    icmp::SocketKind socketKind = icmp::SocketKind::Automatic;
    bool running() const { return scanning; }

    void FormActivate();
    void BB_runClick();
    void BB_stopClick();
    void BB_exitClick();
    void NE_AddressExit(QLineEdit *field);
    void NE_OptionExit(QLineEdit *field);
    void NE_AllsaMouseMove(QLineEdit *field);
    void NE_ea4MouseMove();

    // The colour cell n was last painted in, and the map itself.
    QColor cellColour(int n) const { return cells[size_t(n)]; }
    const QImage &map() const { return image; }

    QLineEdit *NE_sa1 = nullptr, *NE_sa2 = nullptr, *NE_sa3 = nullptr, *NE_sa4 = nullptr;
    QLineEdit *NE_ea4 = nullptr, *NE_Timeout = nullptr, *NE_TTL = nullptr;
    QCheckBox *CB_ResolveNames = nullptr;
    QRadioButton *RB_OnlyAlive = nullptr, *RB_Entire = nullptr;
    QPushButton *BB_run = nullptr, *BB_stop = nullptr, *BB_exit = nullptr;
    QLabel *I_Host = nullptr;
    QWidget *P_Control = nullptr;
    QFrame *S_NoResponse = nullptr, *S_TestinProgress = nullptr, *S_TTLtimedout = nullptr,
           *S_Hostunreachable = nullptr, *S_Alive = nullptr;
    int StopTag = 0;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;  // FormCloseQuery
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paintCell(int n, const QColor &colour);
    void showMap();
    bool holdCloseForRun();

    std::unique_ptr<Ui::TScanForm> ui;
    NetToolsHost &host;
    std::unique_ptr<icmp::EchoSocket> echo;
    QImage image;
    std::array<QColor, 256> cells;
    bool activated = false;
    bool scanning = false;
    bool closeWanted = false;
};

} // namespace kav
