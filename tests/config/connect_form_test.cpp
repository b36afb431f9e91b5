// The host dialog: profile selection, typing new names, confirming with and
// without auto-save, anonymous login, number fields, removal, cancel.
#include "config/connect_form.h"
#include "ui_connect_form.h"

#include "platform/dialogs.h"
#include "platform/local_path.h"
#include "platform/scripted_dialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

using namespace kav;

namespace {

// Remembers what the dialog asked of the configuration file.
struct RecordingStore : ProfileStore {
    std::vector<SessionProfile> saved;
    QStringList removed;
    void SaveSessionProfile(const SessionProfile &p) override { saved.push_back(p); }
    void removeProfileKeys(const QString &name) override { removed << name; }
};

ProfileEntry entry(const QString &name, const QString &user = QStringLiteral("user"))
{
    ProfileEntry e;
    e.HostName = name;
    e.HostIP = name + ".example.net";
    e.UserId = user;
    e.Password = name + "-pw";
    e.RemotePath = "/home/" + name;
    e.LocalPath = "/data/" + name;
    e.LastLocalDir = "/data/" + name + "/last";
    e.LastLocalFile = name + "-local.txt";
    e.LastHostDir = "/home/" + name + "/last";
    e.LastHostFile = name + "-host.txt";
    return e;
}

void expectSameEntry(const ProfileEntry &a, const ProfileEntry &b)
{
    EXPECT_EQ(a.HostName, b.HostName);
    EXPECT_EQ(a.HostIP, b.HostIP);
    EXPECT_EQ(a.UserId, b.UserId);
    EXPECT_EQ(a.Password, b.Password);
    EXPECT_EQ(a.RemotePath, b.RemotePath);
    EXPECT_EQ(a.LocalPath, b.LocalPath);
    EXPECT_EQ(a.LastLocalDir, b.LastLocalDir);
    EXPECT_EQ(a.LastLocalFile, b.LastLocalFile);
    EXPECT_EQ(a.LastHostDir, b.LastHostDir);
    EXPECT_EQ(a.LastHostFile, b.LastHostFile);
    EXPECT_EQ(a.Connection.Port, b.Connection.Port);
    EXPECT_EQ(a.Connection.Mode, b.Connection.Mode);
    EXPECT_EQ(a.Connection.Encryption, b.Connection.Encryption);
    EXPECT_EQ(a.Connection.TrustedCertificate, b.Connection.TrustedCertificate);
}

ScriptedDialogs &scripted()
{
    return static_cast<ScriptedDialogs &>(dialogs());
}

class ConnectFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scripted().answers.clear();
        scripted().asked.clear();
        form.setProfileStore(&store);
    }
    void TearDown() override { form.hide(); }

    Ui::TConnectForm &ui() { return *form.form(); }

    void load(const QStringList &names)
    {
        for (const QString &name : names)
            profiles.append(entry(name));
    }
    // Types over the whole host name, as a user does.
    void typeHostName(const QString &text)
    {
        QLineEdit *edit = ui().CB_HostName->lineEdit();
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, text);
    }
    void typeInto(QLineEdit *edit, const QString &text)
    {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    // The profile the model holds as chosen.
    int hiddenIndex() { return profiles.chosen(); }

    SessionProfile profile;
    ProfileList profiles;
    TConnectForm form{profile, profiles};
    RecordingStore store;
};

TEST_F(ConnectFormTest, SelectingAProfileFillsFieldsAndSessionProfile)
{
    load({"alpha", "beta"});
    EXPECT_EQ(form.selectedProfile(), -1) << "adding profiles selects none";
    EXPECT_TRUE(profile.HostName.isEmpty());

    ui().CB_HostName->setCurrentIndex(1);  // the user picks from the drop-down
    EXPECT_EQ(hiddenIndex(), 1);
    EXPECT_EQ(ui().E_HostIP->text(), "beta.example.net");
    EXPECT_EQ(ui().E_Password->text(), "beta-pw");
    EXPECT_EQ(ui().E_Password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(profile.HostName, "beta");
    EXPECT_EQ(profile.HostIP, "beta.example.net");
    EXPECT_EQ(profile.UserId, "user");
    EXPECT_EQ(profile.RemotePath, "/home/beta");
    EXPECT_EQ(profile.LocalPath, "/data/beta");
    EXPECT_EQ(profile.LastLocalDir, "/data/beta/last");
    EXPECT_EQ(profile.LastLocalFile, "beta-local.txt");
    EXPECT_EQ(profile.LastHostDir, "/home/beta/last");
    EXPECT_EQ(profile.LastHostFile, "beta-host.txt");
    EXPECT_EQ(profile.Timeout, 15);
    EXPECT_EQ(profile.TrialTimes, 3);

    form.selectProfile(0);
    EXPECT_EQ(ui().CB_HostName->currentText(), "alpha");
    EXPECT_EQ(profile.HostName, "alpha");
    EXPECT_EQ(profiles.indexOf("ALPHA"), 0);
    EXPECT_EQ(profiles.indexOf("gamma"), -1);
}

TEST_F(ConnectFormTest, TypingANewNameKeepsFieldsAndConfirmingAppendsIt)
{
    load({"alpha", "beta"});
    form.selectProfile(1);
    form.show();

    typeHostName("newhost");
    EXPECT_EQ(ui().CB_HostName->currentText(), "newhost");
    EXPECT_EQ(form.selectedProfile(), -1);
    // The typed text was never rewritten behind the user's back (which would
    // also break a syllable the input method is composing).
    EXPECT_TRUE(ui().CB_HostName->lineEdit()->isUndoAvailable());
    EXPECT_EQ(hiddenIndex(), -1);
    EXPECT_EQ(ui().E_HostIP->text(), "beta.example.net") << "fields stay for the new profile";
    EXPECT_EQ(profile.HostName, "beta") << "typing alone hands nothing over";

    typeInto(ui().E_Password, "fresh");
    ui().BB_ok->click();

    EXPECT_EQ(form.result(), QDialog::Accepted);
    ASSERT_EQ(store.saved.size(), 1u);
    const SessionProfile &saved = store.saved.front();
    EXPECT_EQ(saved.HostName, "newhost");
    EXPECT_EQ(saved.HostIP, "beta.example.net");
    EXPECT_EQ(saved.Password, "fresh");
    EXPECT_TRUE(saved.LastLocalDir.isEmpty() && saved.LastLocalFile.isEmpty()
                && saved.LastHostDir.isEmpty() && saved.LastHostFile.isEmpty());

    ASSERT_EQ(profiles.count(), 3);
    ProfileEntry expected = entry("beta");
    expected.HostName = "newhost";
    expected.Password = "fresh";
    expected.LastLocalDir = expected.LastLocalFile = expected.LastHostDir = expected.LastHostFile = QString();
    expectSameEntry(profiles.at(2), expected);
    expectSameEntry(profiles.at(1), entry("beta"));
    EXPECT_EQ(form.selectedProfile(), 2);
    EXPECT_EQ(hiddenIndex(), 2);
    EXPECT_EQ(profile.HostName, "newhost");
    EXPECT_EQ(profile.HostIP, "beta.example.net");

    // Chosen again later in the same run, the new profile shows its own password.
    form.selectProfile(0);
    EXPECT_EQ(ui().E_Password->text(), "alpha-pw");
    ui().CB_HostName->setCurrentIndex(2);
    EXPECT_EQ(ui().E_Password->text(), "fresh");
    EXPECT_EQ(ui().E_Password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(profile.Password, "fresh");
}

TEST_F(ConnectFormTest, ChoosingTheSameProfileAfterTypingReloadsIt)
{
    struct Case {
        const char *what;
        QString typed;
        bool fromPopup;  // chosen in the drop-down list, else set by code
    };
    const Case cases[] = {
        {"other text, popup", "alp", true},
        {"other text, by code", "alp", false},
        {"the same name, popup", "alpha", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        profiles.clear();
        load({"alpha", "beta"});
        form.selectProfile(0);
        form.show();
        typeHostName(c.typed);
        ui().E_HostIP->setText("edited");
        EXPECT_EQ(form.selectedProfile(), -1);
        EXPECT_EQ(hiddenIndex(), -1);

        QComboBox *names = ui().CB_HostName;
        if (c.fromPopup) {
            names->showPopup();
            QAbstractItemView *view = names->view();
            view->setCurrentIndex(names->model()->index(0, 0));
            QTest::keyClick(view, Qt::Key_Return);
        } else {
            names->setCurrentIndex(0);
        }
        EXPECT_EQ(names->currentText(), "alpha");
        EXPECT_EQ(form.selectedProfile(), 0);
        EXPECT_EQ(ui().E_HostIP->text(), "alpha.example.net");
        EXPECT_EQ(hiddenIndex(), 0);
        form.hide();
    }
}

TEST_F(ConnectFormTest, ConfirmingAKnownProfileReplacesFiveListsAndKeepsLastPositions)
{
    struct Case {
        const char *what;
        bool typeName;  // the known name typed (other letter case) instead of chosen
    };
    for (const Case &c : {Case{"chosen", false}, Case{"typed", true}}) {
        SCOPED_TRACE(c.what);
        store.saved.clear();
        profiles.clear();
        load({"alpha", "beta", "gamma"});
        form.selectProfile(1);
        form.show();
        if (c.typeName)
            typeHostName("BETA");
        ui().E_HostIP->setText("10.0.0.9");
        ui().E_UserId->setText("bob");
        ui().E_Password->setText("pw2");
        ui().E_RemotePath->setText("/srv");
        ui().E_LocalPath->setText("/tmp/here");
        ui().BB_ok->click();

        ASSERT_EQ(profiles.count(), 3);
        ProfileEntry expected = entry("beta");
        expected.HostIP = "10.0.0.9";
        expected.UserId = "bob";
        expected.Password = "pw2";
        expected.RemotePath = "/srv";
        expected.LocalPath = "/tmp/here";
        expectSameEntry(profiles.at(1), expected);
        expectSameEntry(profiles.at(0), entry("alpha"));
        expectSameEntry(profiles.at(2), entry("gamma"));

        ASSERT_EQ(store.saved.size(), 1u);
        EXPECT_EQ(store.saved[0].HostIP, "10.0.0.9");
        // The stored line must keep the profile's last positions.
        EXPECT_EQ(store.saved[0].LastLocalDir, "/data/beta/last");
        EXPECT_EQ(store.saved[0].LastHostFile, "beta-host.txt");
        form.hide();
    }
}

TEST_F(ConnectFormTest, WithoutAutoSaveNothingIsStoredButTheSessionGetsTheValues)
{
    struct Case {
        const char *what;
        bool uncheck;   // the user unchecks "Auto Save"
        bool disable;   // the network tools' host picker
    };
    for (const Case &c : {Case{"unchecked", true, false}, Case{"disabled", false, true}}) {
        SCOPED_TRACE(c.what);
        store.saved.clear();
        profiles.clear();
        load({"alpha", "beta"});
        form.selectProfile(0);
        ui().CB_autosave->setChecked(!c.uncheck);
        form.setProfileFieldsEnabled(!c.disable);
        form.show();
        typeHostName("other");
        ui().E_HostIP->setText("192.168.7.7");
        ui().BB_ok->click();

        EXPECT_TRUE(store.saved.empty());
        ASSERT_EQ(profiles.count(), 2);
        expectSameEntry(profiles.at(0), entry("alpha"));
        expectSameEntry(profiles.at(1), entry("beta"));
        EXPECT_EQ(profile.HostName, "other");
        EXPECT_EQ(profile.HostIP, "192.168.7.7");
        EXPECT_EQ(profile.AutoSave, !c.uncheck);
        form.setProfileFieldsEnabled(true);
        ui().CB_autosave->setChecked(true);
        form.hide();
    }
}

// The protocol is chosen with its access letter and the arrow keys, as a
// user does: the port follows it while it is the other protocol's usual one,
// FTP's data connection and security are greyed for SFTP (their values kept),
// and the choice is confirmed into the profile and the store.
TEST_F(ConnectFormTest, ProtocolChoiceByKeys)
{
    profiles.append(entry("alpha"));
    form.selectProfile(0);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ui().CB_DataMode->setCurrentIndex(int(DataMode::Passive));
    EXPECT_EQ(ui().CB_Protocol->currentText(), "FTP");
    EXPECT_TRUE(ui().CB_DataMode->isEnabled());

    QTest::keyClick(&form, Qt::Key_P, Qt::AltModifier);
    ASSERT_EQ(QApplication::focusWidget(), ui().CB_Protocol);
    QTest::keyClick(ui().CB_Protocol, Qt::Key_Down);
    EXPECT_EQ(ui().CB_Protocol->currentText(), "SFTP");
    EXPECT_EQ(ui().NE_Port->text(), "22");
    EXPECT_FALSE(ui().CB_DataMode->isEnabled());
    EXPECT_FALSE(ui().CB_Security->isEnabled());
    EXPECT_TRUE(ui().CB_DataMode->toolTip().contains("SFTP"));
    EXPECT_FALSE(ui().E_ZoneOffset->isEnabled());
    // SFTP transfers one file at a time on its one connection.
    EXPECT_FALSE(ui().SE_Parallel->isEnabled());
    EXPECT_TRUE(ui().SE_Parallel->toolTip().contains("SFTP"));
    EXPECT_EQ(ui().CB_DataMode->currentIndex(), int(DataMode::Passive));

    // A port of the user's own stays when the protocol changes.
    typeInto(ui().NE_Port, "2222");
    QTest::keyClick(ui().CB_Protocol, Qt::Key_Up);
    EXPECT_EQ(ui().NE_Port->text(), "2222");
    EXPECT_TRUE(ui().CB_DataMode->isEnabled());
    QTest::keyClick(ui().CB_Protocol, Qt::Key_Down);
    ui().NE_Port->setText("");
    ui().NE_Port->setFocus();
    ui().CB_Protocol->setFocus();   // leaving an empty port field gives the protocol's own
    EXPECT_EQ(ui().NE_Port->text(), "22");

    QTest::keyClick(ui().BB_ok, Qt::Key_Return);
    EXPECT_EQ(profile.Connection.Kind, Protocol::Sftp);
    EXPECT_EQ(profile.Connection.Port, 22);
    ASSERT_FALSE(store.saved.empty());
    EXPECT_EQ(store.saved.back().Connection.Kind, Protocol::Sftp);
    EXPECT_EQ(profiles.at(0).Connection.Kind, Protocol::Sftp);
    EXPECT_EQ(profiles.at(0).Connection.Mode, DataMode::Passive);

    // Shown again, an SFTP profile greys FTP's options; the tools that only
    // pick a host disable the choice, and enabling the fields again keeps
    // FTP's greyed.
    form.selectProfile(0);
    EXPECT_FALSE(ui().CB_Security->isEnabled());
    form.setProfileFieldsEnabled(false);
    EXPECT_FALSE(ui().CB_Protocol->isEnabled());
    form.setProfileFieldsEnabled(true);
    EXPECT_TRUE(ui().CB_Protocol->isEnabled());
    EXPECT_FALSE(ui().CB_Security->isEnabled());
    ProfileEntry ftp = entry("beta");
    profiles.append(ftp);
    form.selectProfile(1);
    EXPECT_EQ(ui().CB_Protocol->currentText(), "FTP");
    EXPECT_EQ(ui().NE_Port->text(), "21");
    EXPECT_TRUE(ui().CB_Security->isEnabled());
}

// Port, data mode and security belong to each profile: shown when it is
// chosen, kept over a typed name, confirmed into the session profile and the
// store; the trusted certificate, never shown, survives the confirmation.
TEST_F(ConnectFormTest, ConnectionOptionsFollowTheProfile)
{
    ProfileEntry tls = entry("beta");
    tls.Connection = {2121, DataMode::Passive, Security::Tls, QStringLiteral("AB:CD")};
    profiles.append(entry("alpha"));
    profiles.append(tls);
    ProfileEntry parallel = entry("delta");
    parallel.Connection.Parallel = 4;
    profiles.append(parallel);

    // The number of connections of a batch follows the profile, and is handed on as shown.
    form.selectProfile(2);
    EXPECT_EQ(ui().SE_Parallel->value(), 4);
    EXPECT_EQ(profile.Connection.Parallel, 4);
    form.show();
    ui().SE_Parallel->setValue(8);
    ui().BB_ok->click();
    EXPECT_EQ(profile.Connection.Parallel, 8);
    EXPECT_EQ(profiles.at(2).Connection.Parallel, 8);
    form.hide();
    store.saved.clear();
    profiles.removeAt(2);

    form.selectProfile(1);
    EXPECT_EQ(ui().SE_Parallel->value(), 1);
    EXPECT_EQ(ui().NE_Port->text(), "2121");
    EXPECT_EQ(ui().CB_DataMode->currentIndex(), int(DataMode::Passive));
    EXPECT_EQ(ui().CB_Security->currentIndex(), int(Security::Tls));
    EXPECT_TRUE(profile.Connection == tls.Connection);
    form.selectProfile(0);
    EXPECT_EQ(ui().NE_Port->text(), "21");
    EXPECT_EQ(ui().CB_DataMode->currentIndex(), int(DataMode::Active));
    EXPECT_EQ(ui().CB_Security->currentIndex(), int(Security::Plain));
    EXPECT_TRUE(profile.Connection.isDefault());

    struct Case {
        const char *what;
        bool typeName;   // the known name typed over the list instead of chosen
    };
    for (const Case &c : {Case{"chosen", false}, Case{"typed", true}}) {
        SCOPED_TRACE(c.what);
        store.saved.clear();
        form.selectProfile(1);
        form.show();
        if (c.typeName)
            typeHostName("Beta");
        typeInto(ui().NE_Port, "990");
        ui().CB_DataMode->setCurrentIndex(int(DataMode::Automatic));
        ui().BB_ok->click();
        const ConnectionOptions expected{990, DataMode::Automatic, Security::Tls, QStringLiteral("AB:CD")};
        EXPECT_TRUE(profile.Connection == expected);
        ASSERT_EQ(store.saved.size(), 1u);
        EXPECT_TRUE(store.saved[0].Connection == expected);
        EXPECT_TRUE(profiles.at(1).Connection == expected);
        EXPECT_TRUE(profiles.at(0).Connection.isDefault());
        profiles.set(1, tls);
        form.hide();
    }

    // A new profile typed over a shown one takes its options, not its certificate.
    form.selectProfile(1);
    form.show();
    typeHostName("gamma");
    ui().CB_Security->setCurrentIndex(int(Security::Plain));
    ui().BB_ok->click();
    ASSERT_EQ(profiles.count(), 3);
    const ConnectionOptions typed{2121, DataMode::Passive, Security::Plain, QString()};
    EXPECT_TRUE(profiles.at(2).Connection == typed);
    EXPECT_TRUE(profile.Connection == typed);

    // Return in a port field that holds nothing usable hands on the default.
    form.selectProfile(0);
    form.show();
    ui().NE_Port->setText("0");
    ui().BB_ok->click();
    EXPECT_EQ(profile.Connection.Port, 21);

    form.resetSessionProfile();
    EXPECT_TRUE(profile.Connection.isDefault());
}

TEST_F(ConnectFormTest, FieldsCanBeDisabledForAHostPicker)
{
    form.setProfileFieldsEnabled(false);
    for (QWidget *w : QList<QWidget *>{ui().E_UserId, ui().E_Password, ui().E_RemotePath, ui().E_LocalPath,
                                       ui().E_editor, ui().CB_Anonymous, ui().CB_autosave, ui().CB_UseLastPath,
                                       ui().NE_Port, ui().CB_DataMode, ui().CB_Security})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(ui().CB_HostName->isEnabled());
    EXPECT_TRUE(ui().E_HostIP->isEnabled());
    form.setProfileFieldsEnabled(true);
    EXPECT_TRUE(ui().E_Password->isEnabled());
}

TEST_F(ConnectFormTest, AnonymousLogin)
{
    form.show();
    ui().E_Password->setText("secret");
    typeInto(ui().E_UserId, "anonymous");
    EXPECT_TRUE(ui().CB_Anonymous->isChecked());
    EXPECT_EQ(ui().E_Password->text(), TConnectForm::AnonymousPassword);
    EXPECT_EQ(ui().E_Password->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(ui().E_UserId->text(), "anonymous");

    QTest::keyClick(ui().E_UserId, Qt::Key_Backspace);
    EXPECT_FALSE(ui().CB_Anonymous->isChecked());
    EXPECT_EQ(ui().E_Password->text(), TConnectForm::AnonymousPassword) << "unchecking changes no text";
    EXPECT_EQ(ui().E_Password->echoMode(), QLineEdit::Password);

    typeInto(ui().E_UserId, "Anonymous");
    EXPECT_FALSE(ui().CB_Anonymous->isChecked()) << "letter case counts";

    ui().E_Password->setText("x");
    ui().CB_Anonymous->click();
    EXPECT_EQ(ui().E_UserId->text(), "anonymous");
    EXPECT_EQ(ui().E_Password->text(), TConnectForm::AnonymousPassword);
    ui().CB_Anonymous->click();
    EXPECT_EQ(ui().E_UserId->text(), "anonymous");

    EXPECT_GE(TConnectForm::AnonymousPassword.indexOf('@'), 1);
    EXPECT_GT(TConnectForm::AnonymousPassword.indexOf('.', TConnectForm::AnonymousPassword.indexOf('@')), 0);
}

TEST_F(ConnectFormTest, SelectingAnAnonymousProfileShowsItsOwnPasswordInClear)
{
    ProfileEntry anon = entry("pub", "anonymous");
    anon.Password = "me@home.net";
    profiles.append(entry("alpha"));
    profiles.append(anon);
    form.selectProfile(1);
    EXPECT_TRUE(ui().CB_Anonymous->isChecked());
    EXPECT_EQ(ui().E_Password->text(), "me@home.net");
    EXPECT_EQ(ui().E_Password->echoMode(), QLineEdit::Normal);

    form.selectProfile(0);
    EXPECT_FALSE(ui().CB_Anonymous->isChecked());
    EXPECT_EQ(ui().E_Password->echoMode(), QLineEdit::Password);
}

TEST_F(ConnectFormTest, NumberFieldsReturnToTheirTagWhenLeftEmptyOrZero)
{
    struct Case {
        const char *field;
        QString typed;
        QString expected;
    };
    const Case cases[] = {
        {"NE_Timeout", "0", "15"},   {"NE_Timeout", "", "15"},     {"NE_Timeout", "000", "15"},
        {"NE_Timeout", "7", "7"},    {"NE_Timeout", "1234", "123"}, {"NE_Timeout", "-5", "5"},
        {"NE_TrialTimes", "0", "3"}, {"NE_TrialTimes", "", "3"},   {"NE_TrialTimes", "12", "12"},
        {"NE_TrialTimes", "999", "999"},
        {"NE_Port", "0", "21"},      {"NE_Port", "", "21"},        {"NE_Port", "2121", "2121"},
        {"NE_Port", "65535", "65535"}, {"NE_Port", "65536", "21"},  {"NE_Port", "99999", "21"},
        {"NE_Port", "1234567", "12345"}, {"NE_Port", "x21", "21"},
    };
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.field) + " typed '" + c.typed.toStdString() + "'");
        auto *field = form.findChild<QLineEdit *>(c.field);
        ASSERT_NE(field, nullptr);
        field->setFocus();
        typeInto(field, c.typed);
        ui().E_editor->setFocus();  // leave the field
        EXPECT_EQ(field->text(), c.expected);
    }
    // A new dialog shows the defaults.
    ProfileList fresh;
    SessionProfile unused;
    TConnectForm other(unused, fresh);
    EXPECT_EQ(other.form()->NE_Timeout->text(), "15");
    EXPECT_EQ(other.form()->NE_TrialTimes->text(), "3");
    EXPECT_EQ(other.form()->NE_Port->text(), "21");
    EXPECT_EQ(other.form()->CB_DataMode->currentIndex(), int(DataMode::Active));
    EXPECT_EQ(other.form()->CB_Security->currentIndex(), int(Security::Plain));
}

TEST_F(ConnectFormTest, ConfirmingWithReturnInAZeroNumberFieldUsesTheTag)
{
    load({"alpha"});
    form.selectProfile(0);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ui().NE_Timeout->setFocus();
    typeInto(ui().NE_Timeout, "0");
    QTest::keyClick(ui().NE_Timeout, Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(profile.Timeout, 15);
    EXPECT_EQ(ui().NE_Timeout->text(), "15");
}

TEST_F(ConnectFormTest, ReturnAfterTypingAKnownNameConfirmsWithTheTypedFields)
{
    load({"alpha", "beta"});
    form.selectProfile(0);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ui().CB_HostName->setFocus();
    typeHostName("beta");
    ui().E_HostIP->setFocus();  // leaving the typed name does not choose the entry of that name
    EXPECT_EQ(form.selectedProfile(), -1);
    EXPECT_EQ(ui().E_HostIP->text(), "alpha.example.net");
    ui().CB_HostName->setFocus();
    QTest::keyClick(ui().CB_HostName->lineEdit(), Qt::Key_Return);

    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(profile.HostName, "beta");
    EXPECT_EQ(profile.HostIP, "alpha.example.net") << "the typed name keeps the shown fields";
    EXPECT_EQ(profiles.at(1).HostIP, "alpha.example.net");
    EXPECT_EQ(profiles.count(), 2);
}

TEST_F(ConnectFormTest, RemovingProfiles)
{
    struct Case {
        const char *what;
        QStringList profiles;
        int select;            // -1: type `typed` instead
        QString typed;
        QStringList removedKeys;
        QStringList left;
        QString shownAfter;
    };
    const Case cases[] = {
        {"only profile", {"alpha"}, 0, {}, {"alpha"}, {}, ""},
        {"middle profile", {"alpha", "beta", "gamma"}, 1, {}, {"beta"}, {"alpha", "gamma"}, "alpha"},
        {"last profile", {"alpha", "beta"}, 1, {}, {"beta"}, {"alpha"}, "alpha"},
        {"typed unknown name", {"alpha", "beta"}, -1, "zeta", {"zeta"}, {"alpha", "beta"}, "zeta"},
        {"typed known name", {"alpha", "beta"}, -1, "BETA", {"BETA"}, {"alpha"}, "alpha"},
        {"empty list", {}, -1, "alpha", {}, {}, "alpha"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        store.removed.clear();
        profiles.clear();
        load(c.profiles);
        form.show();
        if (c.select >= 0)
            form.selectProfile(c.select);
        else
            typeHostName(c.typed);

        ui().SB_DelProFile->click();

        EXPECT_EQ(store.removed, c.removedKeys);
        ASSERT_EQ(profiles.count(), c.left.size());
        for (int i = 0; i < c.left.size(); ++i)
            expectSameEntry(profiles.at(i), entry(c.left[i]));
        EXPECT_EQ(ui().CB_HostName->count(), c.left.size());
        EXPECT_EQ(ui().CB_HostName->currentText(), c.shownAfter);
        if (c.left.isEmpty()) {
            EXPECT_EQ(form.selectedProfile(), -1);
        } else if (c.shownAfter == c.left.first()) {
            EXPECT_EQ(form.selectedProfile(), 0);
            EXPECT_EQ(hiddenIndex(), 0);
            EXPECT_EQ(ui().E_HostIP->text(), entry(c.left.first()).HostIP);
            EXPECT_EQ(profile.HostName, c.left.first());
        }
        form.hide();
    }
}

TEST_F(ConnectFormTest, RemovalWorksWithoutAStore)
{
    form.setProfileStore(nullptr);
    load({"alpha", "beta"});
    form.selectProfile(0);
    ui().SB_DelProFile->click();
    EXPECT_EQ(profiles.count(), 1);
    EXPECT_EQ(profiles.at(0).HostName, "beta");
}

TEST_F(ConnectFormTest, EmptyNameOrCancelMeansNoConnection)
{
    enum How { EmptyName, CancelButton, EscapeKey };
    for (How how : {EmptyName, CancelButton, EscapeKey}) {
        SCOPED_TRACE(how);
        store.saved.clear();
        profiles.clear();
        load({"alpha"});
        form.selectProfile(0);
        ASSERT_EQ(profile.HostIP, "alpha.example.net");
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        switch (how) {
        case EmptyName:
            typeHostName("");
            ui().BB_ok->click();
            break;
        case CancelButton:
            ui().BB_Cancel->click();
            break;
        case EscapeKey:
            QTest::keyClick(&form, Qt::Key_Escape);
            break;
        }
        EXPECT_FALSE(form.isVisible());
        EXPECT_TRUE(profile.HostIP.isEmpty());
        EXPECT_TRUE(store.saved.empty());
        EXPECT_EQ(profiles.count(), 1);
        EXPECT_EQ(form.result(), how == EmptyName ? QDialog::Accepted : QDialog::Rejected);
    }
}

TEST_F(ConnectFormTest, ProgrammaticListChangesDoNotRunTheSelectionHandler)
{
    load({"alpha"});
    EXPECT_EQ(form.selectedProfile(), -1);
    EXPECT_TRUE(ui().CB_HostName->currentText().isEmpty());
    EXPECT_TRUE(ui().E_HostIP->text().isEmpty());
    EXPECT_TRUE(profile.HostName.isEmpty());

    form.selectProfile(0);
    profile.HostName = "untouched";
    profiles.append(entry("beta"));
    EXPECT_EQ(form.selectedProfile(), 0);
    EXPECT_EQ(hiddenIndex(), 0);
    ProfileEntry changed = entry("alpha");
    changed.LastHostDir = "/elsewhere";
    profiles.set(0, changed);
    EXPECT_EQ(profiles.at(0).LastHostDir, "/elsewhere");
    profiles.clear();
    EXPECT_EQ(profiles.count(), 0);
    EXPECT_EQ(profile.HostName, "untouched");

    form.selectProfile(-1);
    EXPECT_EQ(form.selectedProfile(), -1);
    EXPECT_EQ(profile.HostName, "untouched") << "no selection copies nothing";
}

TEST_F(ConnectFormTest, ResetTakesOptionsFromTheDialog)
{
    load({"alpha"});
    form.selectProfile(0);
    ui().E_editor->setText("/usr/bin/gedit");
    form.copyToSessionProfile();
    EXPECT_EQ(profile.Editor, "/usr/bin/gedit");
    ui().CB_UseLastPath->setChecked(true);
    ui().CB_autosave->setChecked(false);
    ui().NE_Timeout->setText("40");
    ui().NE_TrialTimes->setText("0");

    form.resetSessionProfile();
    for (const QString *text : {&profile.HostName, &profile.HostIP, &profile.UserId, &profile.Password,
                                &profile.RemotePath, &profile.LocalPath, &profile.Editor, &profile.LastLocalDir,
                                &profile.LastLocalFile, &profile.LastHostDir, &profile.LastHostFile})
        EXPECT_TRUE(text->isEmpty());
    EXPECT_TRUE(profile.UseLastPath);
    EXPECT_FALSE(profile.AutoSave);
    EXPECT_EQ(profile.Timeout, 40);
    EXPECT_EQ(profile.TrialTimes, 3);
}

TEST_F(ConnectFormTest, DirectoryAndEditorButtonsUseTheDialogService)
{
    scripted().pushAccept("/home/me/down");
    ui().SB_LocalPath->click();
    ASSERT_EQ(scripted().asked.size(), 1u);
    EXPECT_EQ(scripted().asked[0].kind, ScriptedDialogs::Kind::Directory);
    EXPECT_EQ(ui().E_LocalPath->text(), "/home/me/down");

    scripted().pushCancel();
    ui().SB_LocalPath->click();
    EXPECT_EQ(ui().E_LocalPath->text(), "/home/me/down");

    scripted().pushAccept("/usr/bin/mousepad");
    ui().SB_Programs->click();
    ASSERT_EQ(scripted().asked.size(), 3u);
    const ScriptedDialogs::Asked &asked = scripted().asked[2];
    EXPECT_EQ(asked.kind, ScriptedDialogs::Kind::OpenFile);
    EXPECT_EQ(asked.file.title, "Programs");
    EXPECT_EQ(asked.file.filter, "Programs|*.exe|All Files(*.*)|*.*");
    EXPECT_EQ(asked.file.defaultExt, "*.exe");
    EXPECT_TRUE(asked.file.executablesOnly);  // programs here seldom end in ".exe"
    EXPECT_EQ(ui().E_editor->text(), "/usr/bin/mousepad");

    ui().SB_Programs->click();  // nothing queued: cancelled
    EXPECT_EQ(ui().E_editor->text(), "/usr/bin/mousepad");
}

TEST_F(ConnectFormTest, TitleBarWithoutMinimiseOrMaximise)
{
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
}

TEST_F(ConnectFormTest, HelpButtonAsksTheMainWindow)
{
    QSignalSpy spy(&form, &TConnectForm::helpRequested);
    form.show();
    ui().BB_Help->click();
    EXPECT_EQ(spy.count(), 1);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(ConnectFormTest, ShowingPutsPointerAndFocusOnConfirm)
{
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(QApplication::focusWidget(), ui().BB_ok);
    EXPECT_TRUE(ui().BB_ok->isDefault());
    const QPoint centre = ui().BB_ok->mapToGlobal(ui().BB_ok->rect().center());
    EXPECT_EQ(QCursor::pos(), centre);
}

TEST_F(ConnectFormTest, TextsAndHints)
{
    struct Case {
        const char *object;
        const char *property;
        QString expected;
    };
    const Case cases[] = {
        {"TConnectForm", "windowTitle", "호스트 선택"},
        {"CB_HostName", "toolTip", "접속할 호스트 선택"},
        {"L_HostName", "text", "호스트 명 :"},
        {"E_HostIP", "toolTip", "접속할 호스트의 IP주소"},
        {"L_HostIP", "text", "호스트 주소 :"},
        {"E_UserId", "toolTip", "접속할 호스트의 사용자 계정(login ID)"},
        {"L_UserId", "text", "로그인명 :"},
        {"E_Password", "toolTip", "접속할 호스트의 사용자 계정의 비밀번호"},
        {"L_Password", "text", "비밀번호 :"},
        {"E_RemotePath", "toolTip", "접속할 호스트의 초기 작업 디렉토리"},
        {"L_RemotePath", "text", "호스트 경로 :"},
        {"E_LocalPath", "toolTip", "로컬(PC)의 초기 작업 디렉토리"},
        {"L_LocalPath", "text", "로컬 경로 :"},
        {"SB_LocalPath", "text", "..."},
        {"SB_LocalPath", "toolTip", "로컬(PC)의 초기 작업 디렉토리 선택"},
        {"CB_UseLastPath", "text", "최근 작업한 경로"},
        {"CB_UseLastPath", "toolTip", "최근 작업한 경로를 초기 작업 경로로 사용"},
        {"L_Timeout", "text", "시간제한 :"},
        {"NE_Timeout", "toolTip", "입력한 시간내에 연결을 못하면 연결시도을 중지합니다"},
        {"NE_Timeout", "text", "15"},
        {"L_TimeoutUnit", "text", "초"},
        {"L_TrialTimes", "text", "시도횟수 :"},
        {"NE_TrialTimes", "toolTip", "입력한 횟수만큼 연결을 시도합니다"},
        {"NE_TrialTimes", "text", "3"},
        {"L_TrialTimesUnit", "text", "회"},
        {"L_editor", "text", "문서편집기 :"},
        {"E_editor", "toolTip", "텍스트 화일을 편집할때 사용할 프로그램과 디렉토리 등록"},
        {"SB_Programs", "text", "…"},
        {"SB_Programs", "toolTip", "텍스트 화일을 편집할때 사용할 프로그램과 디렉토리 선택"},
        {"CB_Anonymous", "text", "Anonymous &Login"},
        {"CB_Anonymous", "toolTip", "호스트에 익명(anonymous)으로 로그인 할때 사용"},
        {"CB_autosave", "text", "&Auto Save"},
        {"CB_autosave", "toolTip", "위의 내용을 저장"},
        {"SB_DelProFile", "text", "-"},
        {"SB_DelProFile", "toolTip", "호스트의 프로파일을 지웁니다"},
        {"BB_ok", "text", "확인"},
        {"BB_Cancel", "text", "취소"},
        {"BB_Help", "text", "도움말"},
        {"BB_Help", "toolTip", "도움말"},
        {"L_Port", "text", "포트 :"},
        {"NE_Port", "toolTip", "접속할 호스트의 FTP 서버 포트번호 (기본 21)"},
        {"NE_Port", "text", "21"},
        {"L_DataMode", "text", "데이터 연결 :"},
        {"CB_DataMode", "toolTip",
         "파일과 목록을 받는 데이터 연결 방식: 액티브는 호스트가 PC로 연결하고, 패시브는 PC가 호스트로 "
         "연결합니다(방화벽이나 공유기 뒤에서 사용). 자동은 패시브로 먼저 시도하고 안되면 액티브로 바꿉니다"},
        {"CB_DataMode", "currentText", "액티브 (PORT)"},
        {"L_Security", "text", "보안 :"},
        {"CB_Security", "toolTip", "호스트와의 연결 보안: 일반 FTP, 또는 로그인 전에 TLS 암호화를 반드시 사용(AUTH TLS)"},
        {"CB_Security", "currentText", "일반 FTP"},
    };
    for (const Case &c : cases) {
        QObject *object = QString(c.object) == "TConnectForm" ? static_cast<QObject *>(&form)
                                                              : form.findChild<QObject *>(c.object);
        ASSERT_NE(object, nullptr) << c.object;
        EXPECT_EQ(object->property(c.property).toString(), c.expected) << c.object << "." << c.property;
    }
    EXPECT_TRUE(ui().CB_autosave->isChecked());
    EXPECT_FALSE(ui().CB_Anonymous->isChecked());
    EXPECT_FALSE(ui().CB_UseLastPath->isChecked());
    EXPECT_TRUE(ui().CB_HostName->isEditable());
    EXPECT_EQ(ui().E_Password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, ui().E_Password),
              '*');
    EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinMaxButtonsHint);

    // The choices in the order of the options they stand for.
    const QStringList modes = {"액티브 (PORT)", "패시브 (PASV)", "자동 (패시브 우선)"};
    ASSERT_EQ(ui().CB_DataMode->count(), modes.size());
    for (int i = 0; i < modes.size(); ++i)
        EXPECT_EQ(ui().CB_DataMode->itemText(i), modes[i]);
    ASSERT_EQ(ui().CB_Security->count(), 2);
    EXPECT_EQ(ui().CB_Security->itemText(int(Security::Tls)), "TLS 필수");

    // The profiles live in the model, never in hidden lists.
    form.show();
    for (QComboBox *list : form.findChildren<QComboBox *>())
        EXPECT_TRUE(list->isVisible()) << list->objectName().toStdString();
}

} // namespace

TEST_F(ConnectFormTest, StartDirectoriesFromTheMainWindowAreStored)
{
    load({"alpha", "베타"});
    form.selectProfile(1);
    ui().CB_UseLastPath->setChecked(true);
    profile.UseLastPath = true;

    EXPECT_TRUE(form.setProfileStartPath(QStringLiteral("베타"), true, QStringLiteral("/pub/자료")));
    EXPECT_EQ(profiles.at(1).RemotePath, QStringLiteral("/pub/자료"));
    EXPECT_EQ(ui().E_RemotePath->text(), QStringLiteral("/pub/자료"));
    EXPECT_FALSE(ui().CB_UseLastPath->isChecked());
    EXPECT_FALSE(profile.UseLastPath);
    ASSERT_EQ(store.saved.size(), 1u);
    EXPECT_EQ(store.saved.back().RemotePath, QStringLiteral("/pub/자료"));

    EXPECT_TRUE(form.setProfileStartPath(QStringLiteral("베타"), false, QStringLiteral("/home/kim")));
    EXPECT_EQ(profiles.at(1).LocalPath, QStringLiteral("/home/kim"));
    EXPECT_EQ(profiles.at(1).RemotePath, QStringLiteral("/pub/자료"));
    EXPECT_EQ(profiles.at(0).LocalPath, entry(QStringLiteral("alpha")).LocalPath);

    // A session whose profile is not in the lists changes nothing.
    EXPECT_FALSE(form.setProfileStartPath(QStringLiteral("gamma"), true, QStringLiteral("/x")));
    EXPECT_EQ(store.saved.size(), 2u);
}

// A start folder named in code page 949 bytes, and one with a byte of no
// encoding: the field shows them readably and the profile keeps their bytes,
// also after the user adds to the shown path.
TEST_F(ConnectFormTest, ForeignNamedLocalStartFolderKeepsItsBytes)
{
    struct Case {
        QByteArray bytes;
        QString shown;
    };
    const Case cases[] = {
        {QByteArray("/data/\xc7\xd1\xb1\xdb"), QStringLiteral("/data/한글")},
        {QByteArray("/data/x\xe9"), QStringLiteral("/data/x\\xE9")},
    };
    load({"alpha"});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        const QString path = localpath::decode(c.bytes);
        ProfileEntry e = profiles.at(0);
        e.LocalPath = path;
        profiles.set(0, e);
        form.selectProfile(0);
        EXPECT_EQ(ui().E_LocalPath->text().toUpper(), c.shown.toUpper());
        EXPECT_EQ(profile.LocalPath, path);

        ui().E_LocalPath->setText(ui().E_LocalPath->text() + QStringLiteral("/sub"));
        ui().BB_ok->click();
        EXPECT_EQ(localpath::encode(profile.LocalPath).value_or("?"), c.bytes + "/sub");
        EXPECT_EQ(localpath::encode(profiles.at(0).LocalPath).value_or("?"), c.bytes + "/sub");
    }
}
