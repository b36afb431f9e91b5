#pragma once
// The host dialog: chooses, creates, edits and removes host profiles. The
// profiles live in ten index-aligned lists inside the dialog, in file order.

#include "ftp/session_profile.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <memory>

class QComboBox;
class QLineEdit;
namespace Ui { class TConnectForm; }

namespace kav {

// Where confirmed and removed profiles go (the configuration file). Until the
// configuration file is wired in, the default does nothing and profiles live in memory.
class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    virtual void SaveSessionProfile(const SessionProfile &profile) { (void)profile; }
    // Deletes IPADDRESS/name, PASSWORD/name and the per-host QUEUE and RBOOKMARK keys.
    virtual void removeProfileKeys(const QString &name) { (void)name; }
};

// One profile as the ten lists hold it.
struct ProfileEntry {
    QString HostName, HostIP, UserId, Password, RemotePath, LocalPath;
    QString LastLocalDir, LastLocalFile, LastHostDir, LastHostFile;
};

class TConnectForm : public QDialog {
    Q_OBJECT
public:
    // The dialog fills `profile` (the session profile owned by the session).
    explicit TConnectForm(SessionProfile &profile, QWidget *parent = nullptr);
    ~TConnectForm() override;

    void setProfileStore(ProfileStore *store);  // not owned; nullptr: in memory only

    // The connect handler enables, the daytime and finger tools disable, the eight
    // controls that edit a profile (E_UserId ... CB_UseLastPath).
    void setProfileFieldsEnabled(bool on);

    // Reset of the session profile from the dialog's option controls.
    void resetSessionProfile();
    // Every field of the session profile from the dialog (the Data model list).
    void copyToSessionProfile();

    // The ten lists.
    int profileCount() const;
    int indexOfProfile(const QString &name) const;  // letter case ignored; -1 when absent
    ProfileEntry profileAt(int index) const;
    void appendProfile(const ProfileEntry &entry);
    void setProfileAt(int index, const ProfileEntry &entry);
    void clearProfiles();
    int selectedProfile() const;  // CB_HostName's index, -1 when none (also while a typed name is shown)
    // Selects the profile (or none for -1) and runs the selection handler.
    void selectProfile(int index);

    // The main window's two "▣" buttons: the connected profile's local or host
    // start directory becomes `directory`, starting in the last used paths is
    // switched off, and the profile is stored. False when the profile named
    // `hostName` is not in the lists.
    bool setProfileStartPath(const QString &hostName, bool remote, const QString &directory);

    // Handlers (named after their controls).
    void CB_HostNameChange();
    void CB_AnonymousClick();
    void E_UserIdChange();
    void E_PasswordChange();
    void NE_TimeoutExit();
    void NE_TrialTimesExit();
    void SB_LocalPathClick();
    void SB_ProgramsClick();
    void BB_okClick();
    void BB_CancelClick();
    void BB_HelpClick();
    void SB_DelProFileClick();

    Ui::TConnectForm *form() const { return ui.get(); }

    // The e-mail-style password of an anonymous login.
    static const QString AnonymousPassword;

    // Escape, Alt+F4 and the cancel button all end here: no connection is wanted.
    void reject() override;

signals:
    // The help button: the main window opens the manual.
    void helpRequested();

protected:
    void showEvent(QShowEvent *event) override;   // FormActivate
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void hostNameEdited();
    void hostNameChosen();
    void hostNameTextChanged(const QString &text);
    QList<QComboBox *> hiddenLists() const;
    void showHiddenListsAt(int index);
    void updatePasswordMask();
    int numberFieldValue(const QLineEdit *field) const;
    void resetNumberField(QLineEdit *field);

    std::unique_ptr<Ui::TConnectForm> ui;
    SessionProfile &profile;
    ProfileStore *store = nullptr;
    // Set while the dialog itself moves the host list, so that the change
    // signals do not run the selection handler a second time.
    bool changingHostList = false;
    // A name typed over the list: no profile is selected, whatever the
    // combo box's index says.
    bool hostNameTyped = false;
    bool userEditingHostName = false;
};

} // namespace kav
