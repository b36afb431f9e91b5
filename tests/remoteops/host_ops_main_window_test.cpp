// The host pane's commands in the real main window: its menu items and the
// Delete keys reach them, against pyftpdlib inside the test's own namespace.

#include "app/main_form.h"
#include "app/message_log.h"
#include "ui_main_form.h"

#include "ftp_server.h"

#include "app/settings_bridge.h"
#include "config/configuration.h"
#include "platform/scripted_dialogs.h"
#include "wait_until.h"

#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace kav;

namespace {

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(dialogs()); }

} // namespace

TEST(HostOpsMainWindow, MenuItemsAndKeysReachTheCommands)
{
    kavtest::ScratchDir home;
    std::ofstream(home.file("A.TXT")) << "a";
    std::filesystem::create_directory(home.file("sub"));
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.path());
    ASSERT_TRUE(server.start());

    scripted().clear();
    QTemporaryDir settings;
    qputenv("KAVRIN_HOME", settings.path().toUtf8());
    TMainForm f;
    SessionProfile e;
    e.HostName = QStringLiteral("서버");
    e.HostIP = QStringLiteral("127.0.0.1");
    e.UserId = QStringLiteral("kim");
    e.Password = QStringLiteral("secret");
    f.settings().configuration().SaveSessionProfile(e);
    f.setStartProfile(e.HostName);
    f.show();
    Ui::TMainForm &ui = *f.form();
    ASSERT_TRUE(kavtest::waitUntil([&] { return ui.RFileListBox->count() == 1; }, 10000)) << server.log();
    EXPECT_TRUE(ui.N_RChangeMode->isEnabled());

    ui.RFileListBox->item(0)->setSelected(true);
    ui.RFileListBox->setCurrentRow(0);
    // The Delete key asks; No keeps the file.
    scripted().pushButton(BtnNo);
    QTest::keyClick(ui.RFileListBox, Qt::Key_Delete);
    ASSERT_EQ(scripted().asked.size(), 1u);
    EXPECT_TRUE(scripted().asked.back().text.startsWith(QStringLiteral("[주의] - 삭제")));

    // The lower-case item passes its own name on.
    scripted().pushButton(BtnYes);
    ui.N_RLowercase->trigger();
    EXPECT_TRUE(std::filesystem::exists(home.file("a.txt")));
    ASSERT_EQ(ui.RFileListBox->count(), 1);
    EXPECT_EQ(ui.RFileListBox->item(0)->text(), QStringLiteral("a.txt"));
    EXPECT_TRUE(ui.RFileListBox->item(0)->isSelected());

    struct Item {
        QAction *action;
        const char *caption;
    };
    for (const Item &item : {Item{ui.N_RRename, "파일명 변경(Host)"}, Item{ui.N_RMakeDirectory, "디렉토리작성(Host)"},
                             Item{ui.N_RTagwildcard, "Tag Wildcard (Host)"}}) {
        scripted().pushCancel();
        item.action->trigger();
        EXPECT_EQ(scripted().asked.back().caption, QString::fromUtf8(item.caption));
    }
    ui.RDirListBox->setCurrentRow(1);
    scripted().pushCancel();
    QTest::keyClick(ui.RDirListBox, Qt::Key_Delete);
    EXPECT_EQ(scripted().asked.back().caption, QStringLiteral("디렉토리삭제(Host)"));
    EXPECT_EQ(scripted().asked.back().value, QStringLiteral("/sub"));
    scripted().pushCancel();
    ui.N_RRenameDirectory->trigger();
    EXPECT_EQ(scripted().asked.back().caption, QStringLiteral("디렉토리명 변경(Host)"));

    // The permission window comes up over the main window; Cancel sends nothing.
    QString shown;
    QTimer::singleShot(200, [&shown] {
        if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            shown = d->windowTitle();
            d->reject();
        }
    });
    const kav::MessageLog &log = f.messages();
    const int before = log.count();
    ui.N_RChangeMode->trigger();
    EXPECT_EQ(shown, QStringLiteral("File Properties - Host"));
    for (int i = before; i < log.count(); ++i)
        EXPECT_FALSE(log.line(i).contains(QStringLiteral("SITE CHMOD")));

    ui.N_RInvertSelection->trigger();
    EXPECT_FALSE(ui.RFileListBox->item(0)->isSelected());
    f.connectFlow().BB_DisconnectClick();
}
