// The information windows reached from the main window: file properties and
// the icon extractor from the local file menu, the system panel in the About
// window.
#include "app/about_form.h"
#include "app/main_form.h"
#include "app/message_log.h"
#include "ui_main_form.h"

#include "config/profiles.h"
#include "platform/scripted_dialogs.h"
#include "viewers/file_info_form.h"
#include "viewers/icon_form.h"
#include "viewers/system_panel.h"
#include "ui_file_info_form.h"
#include "ui_icon_form.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <gtest/gtest.h>

using namespace kav;

namespace {

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(dialogs()); }

class Window : public TMainForm {
public:
    void saveConfiguration() override {}

protected:
    bool startWinsock() override { return false; }
    void loadConfiguration() override {}
};

// Runs `check` on the first visible top-level window of type T once it shows
// and `ready` says its activation has run.
template <typename T>
struct WhenShown {
    WhenShown(std::function<bool(T *)> ready, std::function<void(T *)> check)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, ready, check] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *form = qobject_cast<T *>(w); form && form->isVisible() && !done && ready(form)) {
                    done = true;
                    check(form);
                }
            }
        });
        timer.start(10);
    }
    QTimer timer;
    bool done = false;
};

} // namespace

TEST(ViewerWindows, FilePropertiesAndIconExtractorFromTheLocalMenu)
{
    QTemporaryDir tmp, out;
    const QString root = QDir(tmp.path()).canonicalPath();
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(qRgb(0, 0, 200));
    ASSERT_TRUE(image.save(root + "/blue.png"));
    Window window;
    Ui::TMainForm &f = *window.form();
    window.FormActivate();
    scripted().clear();
    SessionProfile profile;
    profile.LocalPath = root;
    window.enterLocalStartDirectory(profile);
    ASSERT_EQ(f.LFileListBox->count(), 1);

    f.LFileListBox->clearSelection();
    f.N_LChangeAttribute->trigger();
    EXPECT_EQ(window.messages().texts().last(), QStringLiteral("[L] - 먼저 파일을 선택하세요."));

    f.LFileListBox->item(0)->setSelected(true);
    QString shownName;
    {
        WhenShown<TFileInfoForm> closer([](TFileInfoForm *form) { return !form->form()->L_Filename->text().isEmpty(); },
                                        [&](TFileInfoForm *form) {
            shownName = form->form()->L_Filename->text();
            form->form()->B_Cancel->click();
        });
        f.N_LChangeAttribute->trigger();
        EXPECT_TRUE(closer.done);
    }
    EXPECT_EQ(shownName, "blue.png");

    // The icon extractor starts in the pane's directory; its save directory is
    // remembered from one use to the next.
    QString startDir;
    {
        WhenShown<TIconForm> user([](TIconForm *form) { return !form->form()->E_FindDir->text().isEmpty(); },
                                  [&](TIconForm *form) {
            startDir = form->form()->E_FindDir->text();
            form->BB_StartFindClick();
            scripted().pushAccept(out.filePath("blue.bmp"));
            form->BB_SaveBMPClick();
            form->form()->BB_Exit->click();
        });
        f.N_LIconExtractor->trigger();
        EXPECT_TRUE(user.done);
    }
    EXPECT_EQ(startDir, root);
    EXPECT_TRUE(QFile::exists(out.filePath("blue.bmp")));
    QString savedDir;
    {
        WhenShown<TIconForm> user([](TIconForm *form) { return !form->form()->E_FindDir->text().isEmpty(); },
                                  [&](TIconForm *form) {
            savedDir = form->saveDirectory();
            form->close();
        });
        f.N_LIconExtractor->trigger();
        EXPECT_TRUE(user.done);
    }
    EXPECT_EQ(savedDir, out.path());
}

TEST(ViewerWindows, AboutWindowCarriesTheSystemPanelAndAnyKeyClosesIt)
{
    TAboutForm about;
    auto *panel = about.findChild<SystemPanel *>();
    ASSERT_NE(panel, nullptr);
    // The credit names the licence: the package and the manual say the same.
    auto *licence = about.findChild<QLabel *>(QStringLiteral("L_License"));
    ASSERT_NE(licence, nullptr);
    EXPECT_EQ(licence->text(), QStringLiteral("GNU 일반 공중 사용 허가서(GPL) 버전 3 이상으로 배포"));
    about.show();
    QApplication::processEvents();
    QTest::keyClick(&about, Qt::Key_A);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}
