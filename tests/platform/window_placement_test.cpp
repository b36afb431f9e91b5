// Windows open over the window they came from and never off the screen.
#include "platform/window_placement.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

using kav::keepOnScreen;
using kav::placeOver;

TEST(WindowPlacement, CentresOverTheAnchorAndStaysOnTheScreen)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget anchor;
    anchor.setGeometry(area.left() + 100, area.top() + 80, 400, 300);
    anchor.show();

    struct Case {
        const char *what;
        QSize size;
        QPoint anchorAt;
        bool centred;  // room enough to centre it
    };
    const Case cases[] = {
        {"small window over the anchor", {200, 100}, {area.left() + 100, area.top() + 80}, true},
        {"anchor near the right edge", {300, 200}, {area.right() - 150, area.top() + 80}, false},
        {"larger than the screen", {area.width() + 200, area.height() + 200}, {area.left() + 10, area.top() + 10}, false},
    };
    for (const Case &c : cases) {
        anchor.move(c.anchorAt);
        QWidget window;
        window.resize(c.size);
        placeOver(&window, &anchor);
        const QRect frame(window.pos(), window.size());
        if (c.size.width() < area.width() && c.size.height() < area.height()) {
            EXPECT_TRUE(area.contains(frame)) << c.what;
        } else {
            EXPECT_EQ(window.pos(), area.topLeft()) << c.what;  // the title bar stays reachable
        }
        if (c.centred) {
            EXPECT_NEAR(frame.center().x(), anchor.frameGeometry().center().x(), 8) << c.what;
            EXPECT_NEAR(frame.center().y(), anchor.frameGeometry().center().y(), 16) << c.what;
        }
    }

    // A window left off the screen comes back on it.
    QWidget lost;
    lost.resize(200, 100);
    lost.move(area.right() + 500, area.bottom() + 500);
    keepOnScreen(&lost);
    EXPECT_TRUE(area.contains(QRect(lost.pos(), lost.size())));
}

// A window wider and taller than the screen, even at its least size (a wide window at a
// large scale), is brought onto the screen whole; its wanted size is what is kept.
TEST(WindowPlacement, AWindowLargerThanTheScreenIsFittedAndKeepsItsWantedSize)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        const char *what;
        bool fixed;
    };
    for (const Case c : {Case{"least size too large", false}, Case{"fixed size too large", true}}) {
        QWidget window;
        const QSize wanted(area.width() + 240, area.height() + 120);
        if (c.fixed)
            window.setFixedSize(wanted);
        else
            window.setMinimumSize(wanted);
        window.resize(wanted);
        kav::fitOnScreen(&window);
        window.show();
        const QRect frame = window.frameGeometry();
        EXPECT_TRUE(area.contains(QRect(window.pos(), window.size()))) << c.what;
        EXPECT_LE(frame.width(), area.width()) << c.what;
        EXPECT_EQ(kav::sizeToKeep(&window), wanted) << c.what;
        // Once the user sizes it, that size is kept.
        if (!c.fixed) {
            window.setMinimumSize(100, 100);
            window.resize(window.width() - 10, window.height() - 10);
            EXPECT_EQ(kav::sizeToKeep(&window), window.size()) << c.what;
        }
    }
    QWidget small;
    small.resize(200, 100);
    kav::fitOnScreen(&small);
    EXPECT_EQ(kav::sizeToKeep(&small), QSize(200, 100));
}

TEST(WindowPlacement, ContentsTallerThanTheScreenScrollInsteadOfBeingSqueezed)
{
    // A dialog whose rows need more height than the screen has (a large scale on a small
    // screen): every row keeps its height and the last button can be scrolled to.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget owner;
    QDialog dialog(&owner);
    auto *rows = new QVBoxLayout(&dialog);
    QVector<QLabel *> labels;
    const int count = area.height() / 20 + 10;
    for (int i = 0; i < count; ++i) {
        auto *label = new QLabel(QStringLiteral("줄 %1").arg(i));
        label->setMinimumHeight(24);
        rows->addWidget(label);
        labels.append(label);
    }
    auto *close = new QPushButton(QStringLiteral("닫기"));
    rows->addWidget(close);
    dialog.show();
    QCoreApplication::processEvents();
    kav::fitOnScreen(&dialog);
    QCoreApplication::processEvents();
    EXPECT_LE(dialog.frameGeometry().height(), area.height());
    for (QLabel *label : labels)
        EXPECT_GE(label->height(), 24) << label->text().toStdString();
    EXPECT_GE(close->height(), close->minimumSizeHint().height());
    auto *scroll = dialog.findChild<QScrollArea *>();
    ASSERT_NE(scroll, nullptr);
    scroll->ensureWidgetVisible(close);
    const QRect shown(close->mapTo(&dialog, QPoint(0, 0)), close->size());
    EXPECT_TRUE(dialog.rect().contains(shown));
    // A dialog that fits is left as it was.
    QDialog small(&owner);
    auto *one = new QVBoxLayout(&small);
    one->addWidget(new QLabel(QStringLiteral("한 줄")));
    small.show();
    kav::fitOnScreen(&small);
    EXPECT_EQ(small.findChild<QScrollArea *>(), nullptr);
}

TEST(WindowPlacement, AFixedWindowTallerThanTheScreenScrollsToItsLastControl)
{
    // A fixed-size dialog laid out by hand (the file properties): its buttons at the bottom
    // stay reachable when the screen is lower than the dialog.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget owner;
    QDialog dialog(&owner);
    const QSize designed(400, area.height() + 200);
    auto *top = new QLabel(QStringLiteral("이름"), &dialog);
    top->setGeometry(10, 10, 200, 20);
    auto *hidden = new QLabel(QStringLiteral("숨김"), &dialog);
    hidden->hide();
    auto *button = new QPushButton(QStringLiteral("변경"), &dialog);
    button->setGeometry(300, designed.height() - 40, 90, 30);
    dialog.setFixedSize(designed);
    dialog.show();
    kav::fitOnScreen(&dialog);
    QCoreApplication::processEvents();
    EXPECT_LE(dialog.frameGeometry().height(), area.height());
    EXPECT_EQ(button->geometry(), QRect(300, designed.height() - 40, 90, 30));  // where it was put
    EXPECT_TRUE(hidden->isHidden());
    auto *scroll = dialog.findChild<QScrollArea *>();
    ASSERT_NE(scroll, nullptr);
    scroll->ensureWidgetVisible(button);
    const QRect shown(button->mapTo(&dialog, QPoint(0, 0)), button->size());
    EXPECT_TRUE(dialog.rect().contains(shown));
}
