#include "config/connect_form.h"
#include "ui_connect_form.h"

#include "platform/dialogs.h"

#include <QCursor>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QShowEvent>

namespace kav {

// Long enough and shaped like an address: some servers refuse an anonymous
// password without a host part.
const QString TConnectForm::AnonymousPassword = QStringLiteral("kavrin@user.net");

namespace {
const QString AnonymousUser = QStringLiteral("anonymous");
}

TConnectForm::TConnectForm(SessionProfile &profile, ProfileList &profiles, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TConnectForm>()), profile(profile), model(profiles)
{
    ui->setupUi(this);
    ftpToolTips[0] = ui->CB_DataMode->toolTip();
    ftpToolTips[1] = ui->CB_Security->toolTip();
    ftpToolTips[2] = ui->E_ZoneOffset->toolTip();
    ftpToolTips[3] = ui->SE_Parallel->toolTip();
    ui->SE_Parallel->setRange(1, MaxParallel);
    localPath = LocalPathField(ui->E_LocalPath);
    // A fixed dialog: a title bar without buttons (Escape still cancels).
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    // A typed name stays what was typed, so that the shown fields can be saved
    // under it: no completion from the list, no new entry on Return, and no
    // jump to an entry of that name when the editing ends (Return or leaving
    // the field). Only a choice from the list selects a profile.
    ui->CB_HostName->setCompleter(nullptr);
    ui->CB_HostName->setInsertPolicy(QComboBox::NoInsert);
    ui->CB_HostName->setDuplicatesEnabled(true);
    disconnect(ui->CB_HostName->lineEdit(), &QLineEdit::editingFinished, ui->CB_HostName, nullptr);

    auto *threeDigits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (QLineEdit *field : {ui->NE_Timeout, ui->NE_TrialTimes}) {
        field->setValidator(threeDigits);
        field->installEventFilter(this);
    }
    ui->NE_Port->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), this));
    ui->NE_Port->installEventFilter(this);
    ui->E_ZoneOffset->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[+-]?[0-9]{0,2}(:?[0-9]{0,2})?")), this));

    connect(ui->CB_HostName, &QComboBox::currentIndexChanged, this, [this] {
        if (!changingHostList)
            hostNameChosen();
    });
    // Choosing again the entry that was current before a name was typed over
    // it does not change the index.
    connect(ui->CB_HostName, &QComboBox::activated, this, [this] {
        if (hostNameTyped)
            hostNameChosen();
    });
    connect(ui->CB_HostName->lineEdit(), &QLineEdit::textEdited, this, [this] { hostNameEdited(); });
    connect(ui->CB_HostName->lineEdit(), &QLineEdit::textChanged, this, [this](const QString &text) {
        hostNameTextChanged(text);
    });
    connect(ui->CB_Protocol, &QComboBox::activated, this, [this] { CB_ProtocolChange(); });
    connect(ui->CB_Anonymous, &QCheckBox::toggled, this, [this] { CB_AnonymousClick(); });
    connect(ui->E_UserId, &QLineEdit::textChanged, this, [this] { E_UserIdChange(); });
    connect(ui->E_Password, &QLineEdit::textChanged, this, [this] { E_PasswordChange(); });
    connect(ui->SB_LocalPath, &QToolButton::clicked, this, [this] { SB_LocalPathClick(); });
    connect(ui->SB_Programs, &QToolButton::clicked, this, [this] { SB_ProgramsClick(); });
    connect(ui->SB_DelProFile, &QToolButton::clicked, this, [this] { SB_DelProFileClick(); });
    connect(ui->BB_ok, &QPushButton::clicked, this, [this] { BB_okClick(); });
    connect(ui->BB_Cancel, &QPushButton::clicked, this, [this] { BB_CancelClick(); });
    connect(ui->BB_Help, &QPushButton::clicked, this, [this] { BB_HelpClick(); });

    // The model's changes are shown; the option controls' edits go back into it.
    for (int i = 0; i < model.count(); ++i)
        profileAppended(i);
    connect(&model, &ProfileList::appended, this, &TConnectForm::profileAppended);
    connect(&model, &ProfileList::entryChanged, this, [this](int index) {
        changingHostList = true;
        ui->CB_HostName->setItemText(index, model.at(index).HostName);
        changingHostList = false;
        // A password moved between the file and the keyring: the shown
        // profile follows unless the user is typing a new one.
        if (index == selectedProfile() && !ui->E_Password->isModified())
            showPassword(model.at(index));
    });
    connect(&model, &ProfileList::removed, this, &TConnectForm::profileRemoved);
    connect(&model, &ProfileList::cleared, this, &TConnectForm::profilesCleared);
    connect(&model, &ProfileList::chooseRequested, this, &TConnectForm::selectProfile);
    connect(&model, &ProfileList::optionsChanged, this, &TConnectForm::showOptions);
    connect(ui->NE_Timeout, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!showingOptions)
            model.editableOptions().Timeout = text.toInt();
    });
    connect(ui->NE_TrialTimes, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!showingOptions)
            model.editableOptions().TrialTimes = text.toInt();
    });
    connect(ui->E_editor, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!showingOptions)
            model.editableOptions().Editor = text;
    });
    connect(ui->CB_autosave, &QCheckBox::toggled, this, [this](bool on) {
        if (!showingOptions)
            model.editableOptions().AutoSave = on;
    });
    connect(ui->CB_UseLastPath, &QCheckBox::toggled, this, [this](bool on) {
        if (!showingOptions)
            model.editableOptions().UseLastPath = on;
    });
    connect(ui->CB_Keyring, &QCheckBox::toggled, this, [this](bool on) {
        if (!showingOptions)
            CB_KeyringClick(on);
    });
    showOptions();

    updatePasswordMask();
    showProtocolControls();
}

void TConnectForm::showOptions()
{
    const LoginOptions &o = model.options();
    showingOptions = true;
    ui->NE_Timeout->setText(QString::number(o.Timeout));
    ui->NE_TrialTimes->setText(QString::number(o.TrialTimes));
    ui->E_editor->setText(o.Editor);
    ui->CB_autosave->setChecked(o.AutoSave);
    ui->CB_UseLastPath->setChecked(o.UseLastPath);
    ui->CB_Keyring->setChecked(o.KeyringPasswords);
    showingOptions = false;
}

TConnectForm::~TConnectForm() = default;

void TConnectForm::setProfileStore(ProfileStore *newStore)
{
    store = newStore;
}

void TConnectForm::setProfileFieldsEnabled(bool on)
{
    const QList<QWidget *> fields = {ui->E_UserId, ui->E_Password, ui->E_RemotePath, ui->E_LocalPath,
                                     ui->E_editor, ui->CB_Anonymous, ui->CB_autosave, ui->CB_UseLastPath,
                                     ui->NE_Port, ui->CB_DataMode, ui->CB_Security, ui->CB_Keyring, ui->E_ZoneOffset,
                                     ui->SE_Parallel};
    for (QWidget *field : fields)
        field->setEnabled(on);
    ui->CB_Protocol->setEnabled(on);
    showProtocolControls();
}

Protocol TConnectForm::shownProtocol() const
{
    return Protocol(qBound(0, ui->CB_Protocol->currentIndex(), int(Protocol::Sftp)));
}

void TConnectForm::CB_ProtocolChange()
{
    // A port left at the other protocol's usual one follows the protocol; a
    // port of the user's own stays.
    const Protocol chosen = shownProtocol();
    const Protocol other = chosen == Protocol::Sftp ? Protocol::Ftp : Protocol::Sftp;
    const int port = ui->NE_Port->text().toInt();
    if (port <= 0 || port == defaultPort(other))
        ui->NE_Port->setText(QString::number(defaultPort(chosen)));
    showProtocolControls();
}

void TConnectForm::showProtocolControls()
{
    // The data connection and the security are FTP's: SSH encrypts every
    // SFTP connection and carries the data on it. Their values stay, greyed,
    // for a later switch back.
    const bool ftp = shownProtocol() == Protocol::Ftp;
    const bool editable = ui->CB_Protocol->isEnabled();
    const QString hint = ftp ? QString() : QStringLiteral("SFTP 접속은 SSH로 암호화되고 데이터도 같은 연결로 주고받으므로 이 설정을 쓰지 않습니다.");
    ui->CB_DataMode->setEnabled(editable && ftp);
    ui->CB_Security->setEnabled(editable && ftp);
    ui->CB_DataMode->setToolTip(ftp ? ftpToolTips[0] : hint);
    ui->CB_Security->setToolTip(ftp ? ftpToolTips[1] : hint);
    ui->L_DataMode->setEnabled(ftp);
    ui->L_Security->setEnabled(ftp);
    // SFTP gives every time in UTC: the clock offset is for FTP's LIST lines.
    ui->E_ZoneOffset->setEnabled(editable && ftp);
    ui->L_ZoneOffset->setEnabled(ftp);
    ui->E_ZoneOffset->setToolTip(ftp ? ftpToolTips[2]
                                     : QStringLiteral("SFTP 서버는 파일 시각을 UTC로 알려 주므로 시차를 쓰지 않습니다."));
    // The extra connections of a batch are FTP sessions of the same profile.
    ui->SE_Parallel->setEnabled(editable && ftp);
    ui->L_Parallel->setEnabled(ftp);
    ui->SE_Parallel->setToolTip(ftp ? ftpToolTips[3]
                                    : QStringLiteral("SFTP 접속에서는 파일을 한 연결로 하나씩 전송합니다."));
    ui->NE_Port->setToolTip(ftp ? QStringLiteral("접속할 호스트의 FTP 서버 포트번호 (기본 21)")
                                : QStringLiteral("접속할 호스트의 SSH 서버 포트번호 (기본 22)"));
}

void TConnectForm::resetSessionProfile()
{
    profile.HostName.clear();
    profile.HostIP.clear();
    profile.UserId.clear();
    profile.Password.clear();
    profile.KeyringEntry.clear();
    profile.RemotePath.clear();
    profile.LocalPath.clear();
    profile.Editor.clear();
    profile.LastLocalDir.clear();
    profile.LastLocalFile.clear();
    profile.LastHostDir.clear();
    profile.LastHostFile.clear();
    profile.Connection = {};
    // Return can confirm the dialog while a number field still holds 0 or
    // nothing: the value handed on follows the rule of leaving the field.
    const LoginOptions &o = model.options();
    profile.AutoSave = o.AutoSave;
    profile.UseLastPath = o.UseLastPath;
    profile.Timeout = positiveOr(o.Timeout, DefaultTimeout);
    profile.TrialTimes = positiveOr(o.TrialTimes, DefaultTrialTimes);
}

void TConnectForm::copyToSessionProfile()
{
    profile.HostName = ui->CB_HostName->currentText();
    profile.HostIP = ui->E_HostIP->text();
    profile.UserId = ui->E_UserId->text();
    profile.Password = ui->E_Password->text();
    // An empty field the user left alone stands for the password in the keyring.
    profile.KeyringEntry = profile.Password.isEmpty() && !ui->E_Password->isModified() ? shownKeyringEntry : QString();
    profile.RemotePath = ui->E_RemotePath->text();
    profile.LocalPath = localPath.path();
    const LoginOptions &o = model.options();
    profile.Timeout = positiveOr(o.Timeout, DefaultTimeout);
    profile.TrialTimes = positiveOr(o.TrialTimes, DefaultTrialTimes);
    profile.Editor = o.Editor;
    profile.AutoSave = o.AutoSave;
    profile.UseLastPath = o.UseLastPath;
    // A typed name has no last positions of its own.
    const int chosen = selectedProfile();
    const ProfileEntry none;
    const ProfileEntry &e = chosen >= 0 && chosen < model.count() ? model.at(chosen) : none;
    profile.LastLocalDir = e.LastLocalDir;
    profile.LastLocalFile = e.LastLocalFile;
    profile.LastHostDir = e.LastHostDir;
    profile.LastHostFile = e.LastHostFile;
    profile.Connection = shownConnection();
    // What the dialog does not show stays as the profile has it.
    profile.Connection.TrustedCertificate = e.Connection.TrustedCertificate;
    profile.Connection.BrowseTogether = e.Connection.BrowseTogether;
}

void TConnectForm::showConnection(const ConnectionOptions &c)
{
    ui->CB_Protocol->setCurrentIndex(int(c.Kind));
    ui->NE_Port->setText(QString::number(c.Port));
    ui->CB_DataMode->setCurrentIndex(int(c.Mode));
    ui->CB_Security->setCurrentIndex(int(c.Encryption));
    ui->E_ZoneOffset->setText(zoneOffsetText(c.ZoneOffset));
    ui->SE_Parallel->setValue(qBound(1, c.Parallel, MaxParallel));
    showProtocolControls();
}

ConnectionOptions TConnectForm::shownConnection() const
{
    ConnectionOptions c;
    c.Kind = shownProtocol();
    // Return can confirm the dialog while the port field holds nothing usable:
    // the value handed on follows the rule of leaving the field.
    const int port = ui->NE_Port->text().toInt();
    c.Port = port > 0 && port <= 65535 ? port : defaultPort(c.Kind);
    c.Mode = DataMode(qBound(0, ui->CB_DataMode->currentIndex(), int(DataMode::Automatic)));
    c.Encryption = Security(qBound(0, ui->CB_Security->currentIndex(), int(Security::Tls)));
    // The validator lets through only what could become an offset; a text
    // still half written ("+") counts as none.
    if (!parseZoneOffset(ui->E_ZoneOffset->text(), &c.ZoneOffset))
        c.ZoneOffset = 0;
    c.Parallel = qBound(1, ui->SE_Parallel->value(), MaxParallel);
    return c;
}

void TConnectForm::profileAppended(int index)
{
    QComboBox *names = ui->CB_HostName;
    const int current = names->currentIndex();
    const QString shown = names->currentText();

    changingHostList = true;
    names->insertItem(index, model.at(index).HostName);
    // A combo box selects the first item added to an empty list by itself;
    // a profile list grows without changing what is shown.
    if (names->currentIndex() != current)
        names->setCurrentIndex(current);
    if (names->currentText() != shown)
        names->setEditText(shown);
    changingHostList = false;
}

void TConnectForm::profileRemoved(int index)
{
    changingHostList = true;
    ui->CB_HostName->removeItem(index);
    changingHostList = false;
}

void TConnectForm::profilesCleared()
{
    changingHostList = true;
    ui->CB_HostName->clear();
    changingHostList = false;
    hostNameTyped = false;
}

int TConnectForm::selectedProfile() const
{
    return hostNameTyped ? -1 : ui->CB_HostName->currentIndex();
}

void TConnectForm::selectProfile(int index)
{
    changingHostList = true;
    hostNameTyped = false;
    ui->CB_HostName->setCurrentIndex(index < model.count() ? index : -1);
    changingHostList = false;
    CB_HostNameChange();
}

void TConnectForm::CB_HostNameChange()
{
    const int index = selectedProfile();
    model.noteChosen(index);
    // A typed name keeps the fields of the profile shown before, so that a
    // new profile can be made from an existing one.
    if (index < 0)
        return;

    const ProfileEntry &e = model.at(index);
    ui->E_HostIP->setText(e.HostIP);
    ui->E_UserId->setText(e.UserId);
    ui->CB_Anonymous->setChecked(ui->E_UserId->text() == AnonymousUser);
    showPassword(e);
    ui->E_RemotePath->setText(e.RemotePath);
    localPath.show(e.LocalPath);
    showConnection(e.Connection);
    updatePasswordMask();
    copyToSessionProfile();
}

void TConnectForm::CB_AnonymousClick()
{
    if (ui->CB_Anonymous->isChecked()) {
        if (ui->E_UserId->text() != AnonymousUser)
            ui->E_UserId->setText(AnonymousUser);
        if (ui->E_Password->text() != AnonymousPassword)
            ui->E_Password->setText(AnonymousPassword);
    }
    updatePasswordMask();
}

void TConnectForm::E_UserIdChange()
{
    ui->CB_Anonymous->setChecked(ui->E_UserId->text() == AnonymousUser);
}

void TConnectForm::E_PasswordChange()
{
    updatePasswordMask();
}

void TConnectForm::NE_TimeoutExit()
{
    resetNumberField(ui->NE_Timeout, DefaultTimeout);
}

void TConnectForm::NE_TrialTimesExit()
{
    resetNumberField(ui->NE_TrialTimes, DefaultTrialTimes);
}

void TConnectForm::NE_PortExit()
{
    const int fallback = defaultPort(shownProtocol());
    if (ui->NE_Port->text().toInt() > 65535)
        ui->NE_Port->setText(QString::number(fallback));
    resetNumberField(ui->NE_Port, fallback);
}

void TConnectForm::SB_LocalPathClick()
{
    QString dir;
    if (dialogs().chooseDirectory(this, QString(), dir))
        localPath.show(dir);
}

void TConnectForm::SB_ProgramsClick()
{
    FileRequest request;
    request.title = QStringLiteral("Programs");
    request.filter = QStringLiteral("Programs|*.exe|All Files(*.*)|*.*");
    request.defaultExt = QStringLiteral("*.exe");
    request.executablesOnly = true;
    QString path;
    if (dialogs().openFile(this, request, path))
        ui->E_editor->setText(path);
}

void TConnectForm::BB_okClick()
{
    if (ui->CB_HostName->currentText().isEmpty()) {
        profile.HostIP.clear();
        accept();
        return;
    }

    copyToSessionProfile();

    if (ui->CB_autosave->isEnabledTo(this) && profile.AutoSave) {
        const int found = model.indexOf(profile.HostName);
        if (found >= 0) {
            // A known name typed rather than chosen shows no last positions;
            // saving empty ones would lose those the profile has.
            const ProfileEntry known = model.at(found);
            profile.LastLocalDir = known.LastLocalDir;
            profile.LastLocalFile = known.LastLocalFile;
            profile.LastHostDir = known.LastHostDir;
            profile.LastHostFile = known.LastHostFile;
            profile.Connection.TrustedCertificate = known.Connection.TrustedCertificate;
            profile.Connection.BrowseTogether = known.Connection.BrowseTogether;
        }
        if (store) {
            store->SaveSessionProfile(profile);
            // The store decided where the password went.
            profile.KeyringEntry = store->keyringEntryOf(profile.HostName);
        }
        // A password in the keyring is not kept in the list.
        const QString listedPassword = profile.KeyringEntry.isEmpty() ? profile.Password : QString();

        if (found < 0) {
            ProfileEntry entry;
            entry.HostName = profile.HostName;
            entry.HostIP = profile.HostIP;
            entry.UserId = profile.UserId;
            entry.Password = listedPassword;
            entry.KeyringEntry = profile.KeyringEntry;
            entry.RemotePath = profile.RemotePath;
            entry.LocalPath = profile.LocalPath;
            entry.Connection = profile.Connection;
            model.append(entry);
            const int added = model.count() - 1;
            changingHostList = true;
            hostNameTyped = false;
            ui->CB_HostName->setCurrentIndex(added);
            changingHostList = false;
            model.noteChosen(added);
        } else {
            ProfileEntry entry = model.at(found);
            entry.HostIP = profile.HostIP;
            entry.UserId = profile.UserId;
            entry.Password = listedPassword;
            entry.KeyringEntry = profile.KeyringEntry;
            entry.RemotePath = profile.RemotePath;
            entry.LocalPath = profile.LocalPath;
            entry.Connection = profile.Connection;
            model.set(found, entry);
        }
    }
    accept();
}

void TConnectForm::BB_CancelClick()
{
    reject();
}

void TConnectForm::reject()
{
    // A profile chosen before cancelling is already in the session profile;
    // the empty address is what tells the caller not to connect.
    profile.HostIP.clear();
    QDialog::reject();
}

void TConnectForm::BB_HelpClick()
{
    emit helpRequested();
}

void TConnectForm::SB_DelProFileClick()
{
    const QString name = ui->CB_HostName->currentText();
    if (model.count() == 0 || name.isEmpty())
        return;

    if (store)
        store->removeProfileKeys(name);

    int index = selectedProfile();
    // A name typed over the list still names that profile: its keys are gone
    // from the file, so it must not live on in the lists.
    if (index < 0)
        index = model.indexOf(name);
    if (index < 0)
        return;

    model.removeAt(index);
    selectProfile(model.count() > 0 ? 0 : -1);
}

void TConnectForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;

    if (QScreen *where = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(where->availableGeometry().center());
        move(frame.topLeft());
    }
    // The pointer waits on the confirm button, which also has the focus, so
    // that a known profile is confirmed with one click or Return.
    QCursor::setPos(ui->BB_ok->mapToGlobal(ui->BB_ok->rect().center()));
    ui->BB_ok->setFocus(Qt::OtherFocusReason);
}

bool TConnectForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut
        && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
        if (watched == ui->NE_Timeout)
            NE_TimeoutExit();
        else if (watched == ui->NE_TrialTimes)
            NE_TrialTimesExit();
        else if (watched == ui->NE_Port)
            NE_PortExit();
    }
    return QDialog::eventFilter(watched, event);
}

// Typing a name is not choosing a profile: the profile shows no selection
// while the text is the user's. The combo box keeps its index meanwhile:
// moving it would rewrite the text under the cursor and cut short a Hangul
// syllable the input method is still composing.
void TConnectForm::hostNameEdited()
{
    hostNameTyped = true;
    userEditingHostName = true;
    CB_HostNameChange();
}

void TConnectForm::hostNameChosen()
{
    hostNameTyped = false;
    CB_HostNameChange();
}

void TConnectForm::hostNameTextChanged(const QString &text)
{
    if (userEditingHostName) {  // the change just reported as typed
        userEditingHostName = false;
        return;
    }
    // The list put an entry's own name back (it was chosen again, its index unchanged).
    QComboBox *names = ui->CB_HostName;
    if (hostNameTyped && !changingHostList && names->currentIndex() >= 0
        && text == names->itemText(names->currentIndex()))
        hostNameChosen();
}

void TConnectForm::showPassword(const ProfileEntry &e)
{
    shownKeyringEntry = e.KeyringEntry;
    ui->E_Password->setText(e.Password);
    ui->E_Password->setPlaceholderText(e.KeyringEntry.isEmpty() ? QString() : QStringLiteral("(키링에 저장됨)"));
}

void TConnectForm::CB_KeyringClick(bool on)
{
    // The store moves every stored password in one save; when it cannot
    // (no keyring to take them), the box goes back.
    if (store && !store->movePasswords(on)) {
        showingOptions = true;
        ui->CB_Keyring->setChecked(!on);
        showingOptions = false;
        return;
    }
    model.editableOptions().KeyringPasswords = on;
}

void TConnectForm::updatePasswordMask()
{
    // The anonymous password is an e-mail address, nothing to hide; any
    // other password is masked, also when the box is unchecked afterwards.
    const QLineEdit::EchoMode mode =
        ui->CB_Anonymous->isChecked() ? QLineEdit::Normal : QLineEdit::Password;
    if (ui->E_Password->echoMode() != mode)
        ui->E_Password->setEchoMode(mode);
}

void TConnectForm::resetNumberField(QLineEdit *field, int fallback)
{
    if (field->text().toInt() <= 0)
        field->setText(QString::number(fallback));
}

bool TConnectForm::setProfileStartPath(const QString &hostName, bool remote, const QString &directory)
{
    const int index = model.indexOf(hostName);
    if (index < 0)
        return false;
    ProfileEntry entry = model.at(index);
    if (remote) {
        profile.RemotePath = directory;
        entry.RemotePath = directory;
        ui->E_RemotePath->setText(directory);
    } else {
        profile.LocalPath = directory;
        entry.LocalPath = directory;
        localPath.show(directory);
    }
    model.set(index, entry);
    ui->CB_UseLastPath->setChecked(false);
    profile.UseLastPath = false;
    if (store)
        store->SaveSessionProfile(profile);
    return true;
}

} // namespace kav
