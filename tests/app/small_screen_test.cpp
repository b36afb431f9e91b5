// The main window on a screen smaller than its least size: the offscreen
// screen (800 x 800) at scale 2 leaves 400 x 400 device-independent pixels.
// The window fits the screen, and every control can be scrolled into view
// rather than lying off the window.

#include "app/main_form.h"
#include "ui_main_form.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace {

// Before the shared main() makes the application.
const bool scaled = qputenv("QT_SCALE_FACTOR", "2");

} // namespace

TEST(SmallScreen, TheMainWindowFitsAndItsControlsScrollIntoView)
{
    ASSERT_TRUE(scaled);
    kav::TMainForm f;
    f.show();
    QScreen *screen = f.screen();
    ASSERT_NE(screen, nullptr);
    const QRect area = screen->availableGeometry();
    auto *scroll = f.findChild<QScrollArea *>(QStringLiteral("MainScroll"));
    ASSERT_NE(scroll, nullptr);
    ASSERT_LT(area.height(), scroll->widget()->minimumSizeHint().height())
        << "the screen is not small: the test shows nothing";
    EXPECT_TRUE(area.contains(f.frameGeometry())) << f.frameGeometry().width() << "x" << f.frameGeometry().height();

    Ui::TMainForm &ui = *f.form();
    // The corners of the design: the first and last tool buttons, the last
    // pane buttons, the transfer type and the message list.
    for (QWidget *w : std::initializer_list<QWidget *>{ui.SB_LeftRight, ui.RBabout, ui.LBprintset, ui.GB_TransMode,
                                                       ui.LB_message}) {
        SCOPED_TRACE(w->objectName().toStdString());
        scroll->ensureWidgetVisible(w, 0, 0);
        const QRect shown(w->mapTo(scroll->viewport(), QPoint(0, 0)), w->size());
        EXPECT_TRUE(scroll->viewport()->rect().intersects(shown));
        EXPECT_TRUE(f.rect().intersects(QRect(w->mapTo(&f, QPoint(0, 0)), w->size())));
    }
    // The tool bar's captions are whole: the window scrolls rather than cut them.
    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{ui.BB_Connect, ui.BB_Disconnect, ui.BB_Rexec,
                                                                      ui.BB_IPScanner}) {
        SCOPED_TRACE(b->objectName().toStdString());
        EXPECT_GT(b->width(), b->fontMetrics().horizontalAdvance(b->text()));
    }
    // The contents keep their least size: nothing is squeezed over another.
    EXPECT_GE(scroll->widget()->height(), scroll->widget()->minimumSizeHint().height());
    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
}
