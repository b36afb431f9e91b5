// The local pane inside the real main window: filled at first activation, its
// buttons and menu items reach the controller, the profile's start directory.

#include "app/main_form.h"
#include "app/message_log.h"
#include "ui_main_form.h"

#include "ftp/session.h"
#include "config/profiles.h"
#include "local/local_pane.h"
#include "platform/scripted_dialogs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace kav;

namespace {

QString q(const char *utf8) { return QString::fromUtf8(utf8); }

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(dialogs()); }

class Window : public TMainForm {
public:
    void saveConfiguration() override {}

protected:
    bool startWinsock() override { return false; }   // the local pane works without the network
    void loadConfiguration() override {}
};

TEST(LocalPaneInMainWindow, FilledAtStartAndWired)
{
    const QString startDir = QDir::currentPath();
    QTemporaryDir tmp;
    const QString root = QDir(tmp.path()).canonicalPath();
    for (const char *name : {"가.txt", "나.TXT", "다.zip"}) {
        QFile f(root + QLatin1Char('/') + q(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    QDir(root).mkdir(q("폴더"));

    Window window;
    Ui::TMainForm &f = *window.form();
    auto *pane = window.findChild<LocalPane *>();
    ASSERT_NE(pane, nullptr);
    window.FormActivate();
    scripted().clear();
    EXPECT_GT(f.LTabSet->count(), 0);
    EXPECT_EQ(pane->startupDriveTab(), f.LTabSet->currentIndex());
    EXPECT_FALSE(f.SB_ConnectDRV->isEnabled());
    EXPECT_FALSE(f.SB_DisconnectDRV->isEnabled());
    EXPECT_EQ(f.SB_ConnectDRV->toolTip(), q("네트워크 드라이브 연결"));

    // The profile's start directory after a login.
    SessionProfile profile;
    profile.LocalPath = root;
    window.enterLocalStartDirectory(profile);
    EXPECT_EQ(QDir::currentPath(), root);
    ASSERT_EQ(f.LFileListBox->count(), 3);

    scripted().pushAccept(QStringLiteral("*.txt"));
    f.N_LTagwildcard->trigger();
    EXPECT_EQ(f.LFileListBox->selectedItems().size(), 2);

    // The three case-rename items share one handler and are told apart by name.
    f.LFileListBox->clearSelection();
    f.LFileListBox->item(1)->setSelected(true);   // 나.TXT
    scripted().pushButton(BtnYes);
    f.N_LSentenceCase->trigger();
    EXPECT_TRUE(QFile::exists(root + q("/나.txt")));

    f.LFileListBox->clearSelection();
    f.N_LView->trigger();
    EXPECT_EQ(window.messages().texts().last(),
              q("[L] - 먼저 파일을 선택하세요."));

    scripted().pushAccept(root + q("/새폴더"));
    f.N_LMakeDirectory->trigger();
    EXPECT_TRUE(QDir(root + q("/새폴더")).exists());

    // Not connected: the start directory of no profile changes.
    scripted().clear();
    f.SB_CopyLocalPath->click();
    EXPECT_TRUE(scripted().asked.empty());
    EXPECT_TRUE(window.profile().LocalPath.isEmpty());

    QDir::setCurrent(startDir);
    scripted().clear();
}

} // namespace
