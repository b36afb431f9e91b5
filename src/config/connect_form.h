#pragma once
// The host dialog: chooses, creates, edits and removes host profiles. It shows
// a ProfileList (the stored profiles and the dialog's options) and fills the
// session profile; the model is the one place the values live.

#include "config/profiles.h"
#include "platform/local_path_field.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <memory>

class QComboBox;
class QLineEdit;
namespace Ui { class TConnectForm; }

namespace kav {

class TConnectForm : public QDialog {
    Q_OBJECT
public:
    // The dialog shows `profiles` and fills `profile` (the profile in use).
    TConnectForm(SessionProfile &profile, ProfileList &profiles, QWidget *parent = nullptr);
    ~TConnectForm() override;

    void setProfileStore(ProfileStore *store);  // not owned; nullptr: in memory only

    // The connect handler enables, the daytime and finger tools disable, the
    // controls that edit a profile (E_UserId ... CB_UseLastPath and the
    // connection options: a host picker neither uses nor saves them).
    void setProfileFieldsEnabled(bool on);

    // Reset of the session profile from the dialog's option controls.
    void resetSessionProfile();
    // Every field of the session profile from the dialog and the chosen profile.
    void copyToSessionProfile();

    ProfileList &profiles() const { return model; }
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
    void NE_PortExit();
    // The protocol chosen: the port follows it unless it is the user's own,
    // and FTP's options are greyed for SFTP.
    void CB_ProtocolChange();
    void SB_LocalPathClick();
    void SB_ProgramsClick();
    void BB_okClick();
    void BB_CancelClick();
    void BB_HelpClick();
    void SB_DelProFileClick();
    // The keyring option: moves the stored passwords into the keyring or back.
    void CB_KeyringClick(bool on);

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
    void updatePasswordMask();
    // The profile's password, or an empty field that says it is in the keyring.
    void showPassword(const ProfileEntry &e);
    void profileAppended(int index);
    void profileRemoved(int index);
    void profilesCleared();
    void showOptions();
    void showConnection(const ConnectionOptions &c);
    Protocol shownProtocol() const;
    void showProtocolControls();
    // The port, data mode and security shown (the trusted certificate is not).
    ConnectionOptions shownConnection() const;
    void resetNumberField(QLineEdit *field, int fallback);

    std::unique_ptr<Ui::TConnectForm> ui;
    SessionProfile &profile;
    ProfileList &model;
    bool showingOptions = false;
    ProfileStore *store = nullptr;
    // Set while the dialog itself moves the host list, so that the change
    // signals do not run the selection handler a second time.
    bool changingHostList = false;
    // A name typed over the list: no profile is selected, whatever the
    // combo box's index says.
    bool hostNameTyped = false;
    bool userEditingHostName = false;
    LocalPathField localPath;
    // The keyring entry of the profile whose fields are shown.
    QString shownKeyringEntry;
    // The hints of the data connection, security and clock offset fields, shown for FTP.
    QString ftpToolTips[4];
};

} // namespace kav
