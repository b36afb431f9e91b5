#include "net_tools.h"

#include "exec_form.h"
#include "ping_form.h"
#include "scan_form.h"
#include "config/connect_form.h"
#include "config/profiles.h"
#include "viewers/view_form.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

namespace kav {
namespace {

// The main window as the tools see it.
class MainWindowHost : public NetToolsHost {
public:
    explicit MainWindowHost(const MainWindowParts &parts) : p(parts) {}

    QWidget *window() const override { return p.window; }
    void AppendLog(const QString &line) override { p.appendLog(line); }
    bool stopEnabled() const override { return p.stopEnabled(); }
    void setStopEnabled(bool on) override { p.setStopEnabled(on); }
    int stopTag() const override { return tag; }
    void setStopTag(int value) override { tag = value; }

    ServiceTarget chooseServiceHost() override
    {
        TConnectForm &dialog = *p.hostDialog;
        const int selected = dialog.selectedProfile();
        // The dialog writes the chosen host into the session's profile: a
        // connected session must keep its own, so it is put back afterwards.
        const SessionProfile kept = *p.profile;
        p.profile->HostIP.clear();
        dialog.setProfileFieldsEnabled(false);
        dialog.exec();
        QCoreApplication::processEvents();
        ServiceTarget target{p.profile->HostName, p.profile->HostIP, p.profile->Timeout, p.profile->TrialTimes};
        *p.profile = kept;
        dialog.selectProfile(selected);
        *p.profile = kept;
        return target;
    }

    ExecProfiles execProfiles() const override
    {
        ExecProfiles e;
        const TConnectForm &dialog = *p.hostDialog;
        for (int i = 0; i < dialog.profiles().count(); ++i) {
            const ProfileEntry entry = dialog.profiles().at(i);
            e.names << entry.HostName;
            e.addresses << entry.HostIP;
            e.users << entry.UserId;
            e.passwords << entry.Password;
        }
        // The dialog's fields as they stand, found by their names.
        if (auto *names = dialog.findChild<QComboBox *>(QStringLiteral("CB_HostName")))
            e.currentName = names->currentText();
        auto text = [&dialog](const char *name) {
            auto *field = dialog.findChild<QLineEdit *>(QLatin1String(name));
            return field ? field->text() : QString();
        };
        e.currentAddress = text("E_HostIP");
        e.currentUser = text("E_UserId");
        e.currentPassword = text("E_Password");
        return e;
    }

    int pingProfiles(QStringList &names, QStringList &addresses) override
    {
        return p.pingProfiles ? p.pingProfiles(names, addresses) : -1;
    }

    QString localDirectory() const override { return p.localDirectory ? p.localDirectory() : QString(); }

    void showReport(const QString &caption, const QStringList &lines, const QString &saveDirectory,
                    const QString &saveFileName) override
    {
        TViewForm &v = *p.viewer;
        v.setSaveDirectory(saveDirectory);
        v.setSaveFileName(saveFileName);
        v.clearText();
        v.setLines(lines);
        v.setCaption(caption);
        v.showModal();
    }

    void refreshHostLists() override { p.refreshHostLists(); }

private:
    MainWindowParts p;
    int tag = 0;
};

} // namespace

NetTools::NetTools(NetToolsHost &host_, QObject *parent) : QObject(parent), services(host_), host(host_) {}

NetTools::~NetTools()
{
    delete exec.data();
}

void NetTools::adoptHost(std::unique_ptr<NetToolsHost> owned)
{
    ownedHost = std::move(owned);
}

void NetTools::showModal(QDialog &dialog)
{
    if (prepareWindow)
        prepareWindow(dialog);
    if (runModal)
        runModal(dialog);
    else
        dialog.exec();
}

void NetTools::BB_LookUpClick(int mode, const QString &caption, const QString &hint)
{
    if (host.stopEnabled())
        return;
    TPingForm form(host, mode, host.window());
    form.setWindowTitle(caption + QStringLiteral(" - ") + hint);
    form.BB_stop->setEnabled(mode != TPingForm::Lookup);
    showModal(form);
}

void NetTools::BB_IPScannerClick()
{
    if (host.stopEnabled())
        return;
    TScanForm form(host, host.window());
    showModal(form);
}

TExecForm &NetTools::execForm()
{
    if (!exec)
        exec = new TExecForm(host, host.window());
    return *exec;
}

void NetTools::BB_RexecClick()
{
    if (host.stopEnabled())
        return;
    TExecForm &form = execForm();
    form.E_Command->clear();
    showModal(form);
    host.refreshHostLists();
}

void NetTools::openRexecWith(const QString &hostPath)
{
    TExecForm &form = execForm();
    form.E_Command->setText(quotedForShell(hostPath));
    showModal(form);
}

void connectToolButtons(QWidget &mainWindow, NetTools &tools)
{
    auto button = [&](const char *name) { return mainWindow.findChild<QAbstractButton *>(QLatin1String(name)); };
    const struct { const char *name; int mode; } pingButtons[] = {
        {"BB_LookUp", TPingForm::Lookup}, {"BB_Ping", TPingForm::Ping}, {"BB_Trace", TPingForm::Trace}};
    for (const auto &b : pingButtons)
        if (QAbstractButton *w = button(b.name))
            QObject::connect(w, &QAbstractButton::clicked, &tools, [&tools, w, mode = b.mode] {
                tools.BB_LookUpClick(mode, w->text(), w->toolTip());
            });
    if (QAbstractButton *w = button("BB_IPScanner"))
        QObject::connect(w, &QAbstractButton::clicked, &tools, [&tools] { tools.BB_IPScannerClick(); });
    if (QAbstractButton *w = button("BB_Rexec"))
        QObject::connect(w, &QAbstractButton::clicked, &tools, [&tools] { tools.BB_RexecClick(); });
    if (QAbstractButton *w = button("BB_DayTime"))
        QObject::connect(w, &QAbstractButton::clicked, &tools, [&tools] { tools.BB_DayTimeClick(); });
    if (QAbstractButton *w = button("BB_Finger"))
        QObject::connect(w, &QAbstractButton::clicked, &tools, [&tools] { tools.BB_FingerClick(); });
}

NetTools *installNetTools(const MainWindowParts &parts)
{
    auto host = std::make_unique<MainWindowHost>(parts);
    auto *tools = new NetTools(*host, parts.window);
    tools->adoptHost(std::move(host));
    connectToolButtons(*parts.window, *tools);
    if (parts.remoteExecute)
        *parts.remoteExecute = [tools](const QString &hostPath) { tools->openRexecWith(hostPath); };
    return tools;
}

} // namespace kav
