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

TConnectForm::TConnectForm(SessionProfile &profile, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TConnectForm>()), profile(profile)
{
    ui->setupUi(this);
    // A fixed dialog: a title bar without buttons (Escape still cancels).
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    for (QComboBox *list : hiddenLists())
        list->hide();

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
    connect(ui->CB_Anonymous, &QCheckBox::toggled, this, [this] { CB_AnonymousClick(); });
    connect(ui->E_UserId, &QLineEdit::textChanged, this, [this] { E_UserIdChange(); });
    connect(ui->E_Password, &QLineEdit::textChanged, this, [this] { E_PasswordChange(); });
    connect(ui->SB_LocalPath, &QToolButton::clicked, this, [this] { SB_LocalPathClick(); });
    connect(ui->SB_Programs, &QToolButton::clicked, this, [this] { SB_ProgramsClick(); });
    connect(ui->SB_DelProFile, &QToolButton::clicked, this, [this] { SB_DelProFileClick(); });
    connect(ui->BB_ok, &QPushButton::clicked, this, [this] { BB_okClick(); });
    connect(ui->BB_Cancel, &QPushButton::clicked, this, [this] { BB_CancelClick(); });
    connect(ui->BB_Help, &QPushButton::clicked, this, [this] { BB_HelpClick(); });

    updatePasswordMask();
}

TConnectForm::~TConnectForm() = default;

void TConnectForm::setProfileStore(ProfileStore *newStore)
{
    store = newStore;
}

void TConnectForm::setProfileFieldsEnabled(bool on)
{
    const QList<QWidget *> fields = {ui->E_UserId, ui->E_Password, ui->E_RemotePath, ui->E_LocalPath,
                                     ui->E_editor, ui->CB_Anonymous, ui->CB_autosave, ui->CB_UseLastPath};
    for (QWidget *field : fields)
        field->setEnabled(on);
}

void TConnectForm::resetSessionProfile()
{
    profile.HostName.clear();
    profile.HostIP.clear();
    profile.UserId.clear();
    profile.Password.clear();
    profile.RemotePath.clear();
    profile.LocalPath.clear();
    profile.Editor.clear();
    profile.LastLocalDir.clear();
    profile.LastLocalFile.clear();
    profile.LastHostDir.clear();
    profile.LastHostFile.clear();
    profile.AutoSave = ui->CB_autosave->isChecked();
    profile.UseLastPath = ui->CB_UseLastPath->isChecked();
    profile.Timeout = numberFieldValue(ui->NE_Timeout);
    profile.TrialTimes = numberFieldValue(ui->NE_TrialTimes);
}

void TConnectForm::copyToSessionProfile()
{
    profile.HostName = ui->CB_HostName->currentText();
    profile.HostIP = ui->E_HostIP->text();
    profile.UserId = ui->E_UserId->text();
    profile.Password = ui->E_Password->text();
    profile.RemotePath = ui->E_RemotePath->text();
    profile.LocalPath = ui->E_LocalPath->text();
    profile.Timeout = numberFieldValue(ui->NE_Timeout);
    profile.TrialTimes = numberFieldValue(ui->NE_TrialTimes);
    profile.Editor = ui->E_editor->text();
    profile.AutoSave = ui->CB_autosave->isChecked();
    profile.UseLastPath = ui->CB_UseLastPath->isChecked();
    profile.LastLocalDir = ui->CB_LastLocalDir->currentText();
    profile.LastLocalFile = ui->CB_LastLocalFile->currentText();
    profile.LastHostDir = ui->CB_LastHostDir->currentText();
    profile.LastHostFile = ui->CB_LastHostFile->currentText();
}

int TConnectForm::profileCount() const
{
    return ui->CB_HostName->count();
}

int TConnectForm::indexOfProfile(const QString &name) const
{
    for (int i = 0; i < ui->CB_HostName->count(); ++i) {
        if (QString::compare(ui->CB_HostName->itemText(i), name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

ProfileEntry TConnectForm::profileAt(int index) const
{
    ProfileEntry entry;
    entry.HostName = ui->CB_HostName->itemText(index);
    entry.HostIP = ui->CB_HostIP->itemText(index);
    entry.UserId = ui->CB_UserId->itemText(index);
    entry.Password = ui->CB_Password->itemText(index);
    entry.RemotePath = ui->CB_RemotePath->itemText(index);
    entry.LocalPath = ui->CB_LocalPath->itemText(index);
    entry.LastLocalDir = ui->CB_LastLocalDir->itemText(index);
    entry.LastLocalFile = ui->CB_LastLocalFile->itemText(index);
    entry.LastHostDir = ui->CB_LastHostDir->itemText(index);
    entry.LastHostFile = ui->CB_LastHostFile->itemText(index);
    return entry;
}

void TConnectForm::appendProfile(const ProfileEntry &entry)
{
    QComboBox *names = ui->CB_HostName;
    const int current = names->currentIndex();
    const QString shown = names->currentText();

    changingHostList = true;
    names->addItem(entry.HostName);
    // A combo box selects the first item added to an empty list by itself;
    // a profile list grows without changing what is shown.
    if (names->currentIndex() != current)
        names->setCurrentIndex(current);
    if (names->currentText() != shown)
        names->setEditText(shown);
    changingHostList = false;
    const int selected = selectedProfile();

    ui->CB_HostIP->addItem(entry.HostIP);
    ui->CB_UserId->addItem(entry.UserId);
    ui->CB_Password->addItem(entry.Password);
    ui->CB_RemotePath->addItem(entry.RemotePath);
    ui->CB_LocalPath->addItem(entry.LocalPath);
    ui->CB_LastLocalDir->addItem(entry.LastLocalDir);
    ui->CB_LastLocalFile->addItem(entry.LastLocalFile);
    ui->CB_LastHostDir->addItem(entry.LastHostDir);
    ui->CB_LastHostFile->addItem(entry.LastHostFile);
    showHiddenListsAt(selected);
}

void TConnectForm::setProfileAt(int index, const ProfileEntry &entry)
{
    if (index < 0 || index >= profileCount())
        return;
    changingHostList = true;
    ui->CB_HostName->setItemText(index, entry.HostName);
    changingHostList = false;
    ui->CB_HostIP->setItemText(index, entry.HostIP);
    ui->CB_UserId->setItemText(index, entry.UserId);
    ui->CB_Password->setItemText(index, entry.Password);
    ui->CB_RemotePath->setItemText(index, entry.RemotePath);
    ui->CB_LocalPath->setItemText(index, entry.LocalPath);
    ui->CB_LastLocalDir->setItemText(index, entry.LastLocalDir);
    ui->CB_LastLocalFile->setItemText(index, entry.LastLocalFile);
    ui->CB_LastHostDir->setItemText(index, entry.LastHostDir);
    ui->CB_LastHostFile->setItemText(index, entry.LastHostFile);
}

void TConnectForm::clearProfiles()
{
    changingHostList = true;
    ui->CB_HostName->clear();
    changingHostList = false;
    hostNameTyped = false;
    for (QComboBox *list : hiddenLists())
        list->clear();
}

int TConnectForm::selectedProfile() const
{
    return hostNameTyped ? -1 : ui->CB_HostName->currentIndex();
}

void TConnectForm::selectProfile(int index)
{
    changingHostList = true;
    hostNameTyped = false;
    ui->CB_HostName->setCurrentIndex(index < profileCount() ? index : -1);
    changingHostList = false;
    CB_HostNameChange();
}

void TConnectForm::CB_HostNameChange()
{
    const int index = selectedProfile();
    showHiddenListsAt(index);
    // A typed name keeps the fields of the profile shown before, so that a
    // new profile can be made from an existing one.
    if (index < 0)
        return;

    ui->E_HostIP->setText(ui->CB_HostIP->itemText(index));
    ui->E_UserId->setText(ui->CB_UserId->itemText(index));
    ui->CB_Anonymous->setChecked(ui->E_UserId->text() == AnonymousUser);
    ui->E_Password->setText(ui->CB_Password->itemText(index));
    ui->E_RemotePath->setText(ui->CB_RemotePath->itemText(index));
    ui->E_LocalPath->setText(ui->CB_LocalPath->itemText(index));
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
    resetNumberField(ui->NE_Timeout);
}

void TConnectForm::NE_TrialTimesExit()
{
    resetNumberField(ui->NE_TrialTimes);
}

void TConnectForm::SB_LocalPathClick()
{
    QString dir;
    if (dialogs().chooseDirectory(this, QString(), dir))
        ui->E_LocalPath->setText(dir);
}

void TConnectForm::SB_ProgramsClick()
{
    FileDialogSpec request;
    request.title = QStringLiteral("Programs");
    request.filter = QStringLiteral("Programs|*.exe|All Files(*.*)|*.*");
    request.defaultExt = QStringLiteral("*.exe");
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
        const int found = indexOfProfile(profile.HostName);
        if (found >= 0) {
            // A known name typed rather than chosen shows no last positions;
            // saving empty ones would lose those the profile has.
            const ProfileEntry known = profileAt(found);
            profile.LastLocalDir = known.LastLocalDir;
            profile.LastLocalFile = known.LastLocalFile;
            profile.LastHostDir = known.LastHostDir;
            profile.LastHostFile = known.LastHostFile;
        }
        if (store)
            store->SaveSessionProfile(profile);

        if (found < 0) {
            ProfileEntry entry;
            entry.HostName = profile.HostName;
            entry.HostIP = profile.HostIP;
            entry.UserId = profile.UserId;
            entry.Password = profile.Password;
            entry.RemotePath = profile.RemotePath;
            entry.LocalPath = profile.LocalPath;
            appendProfile(entry);
            const int added = profileCount() - 1;
            changingHostList = true;
            hostNameTyped = false;
            ui->CB_HostName->setCurrentIndex(added);
            changingHostList = false;
            showHiddenListsAt(added);
        } else {
            ui->CB_HostIP->setItemText(found, profile.HostIP);
            ui->CB_UserId->setItemText(found, profile.UserId);
            ui->CB_Password->setItemText(found, profile.Password);
            ui->CB_RemotePath->setItemText(found, profile.RemotePath);
            ui->CB_LocalPath->setItemText(found, profile.LocalPath);
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
    if (profileCount() == 0 || name.isEmpty())
        return;

    if (store)
        store->removeProfileKeys(name);

    int index = selectedProfile();
    // A name typed over the list still names that profile: its keys are gone
    // from the file, so it must not live on in the lists.
    if (index < 0)
        index = indexOfProfile(name);
    if (index < 0)
        return;

    changingHostList = true;
    ui->CB_HostName->removeItem(index);
    changingHostList = false;
    for (QComboBox *list : hiddenLists())
        list->removeItem(index);

    selectProfile(profileCount() > 0 ? 0 : -1);
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

QList<QComboBox *> TConnectForm::hiddenLists() const
{
    return {ui->CB_HostIP,       ui->CB_UserId,        ui->CB_Password,
            ui->CB_RemotePath,   ui->CB_LocalPath,     ui->CB_LastLocalDir,
            ui->CB_LastLocalFile, ui->CB_LastHostDir,  ui->CB_LastHostFile};
}

void TConnectForm::showHiddenListsAt(int index)
{
    for (QComboBox *list : hiddenLists())
        list->setCurrentIndex(index);
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

// Return can confirm the dialog while a number field still holds 0 or
// nothing: the value handed on follows the same rule as leaving the field.
int TConnectForm::numberFieldValue(const QLineEdit *field) const
{
    const int value = field->text().toInt();
    return value > 0 ? value : field->property("tag").toInt();
}

void TConnectForm::resetNumberField(QLineEdit *field)
{
    if (field->text().toInt() <= 0)
        field->setText(QString::number(field->property("tag").toInt()));
}

bool TConnectForm::setProfileStartPath(const QString &hostName, bool remote, const QString &directory)
{
    const int index = indexOfProfile(hostName);
    if (index < 0)
        return false;
    ProfileEntry entry = profileAt(index);
    if (remote) {
        profile.RemotePath = directory;
        entry.RemotePath = directory;
        ui->E_RemotePath->setText(directory);
    } else {
        profile.LocalPath = directory;
        entry.LocalPath = directory;
        ui->E_LocalPath->setText(directory);
    }
    setProfileAt(index, entry);
    ui->CB_UseLastPath->setChecked(false);
    profile.UseLastPath = false;
    if (store)
        store->SaveSessionProfile(profile);
    return true;
}

} // namespace kav
