// Every window of the program above the main window kept on top, under a real window
// manager (openbox on a virtual screen, see fixtures/under-openbox): the About box, the
// connect dialog, the viewer (host view, finger answer, scan report), both find windows,
// the list windows, the network tools, the transfer window and a message box. The main
// window takes the top layer back when the last of them has gone.
#include "app/main_form.h"
#include "app/lists_bridge.h"
#include "app/transfer_bridge.h"
#include "config/find_forms.h"
#include "config/queue_form.h"
#include "config/bookmark_forms.h"
#include "config/tools_form.h"
#include "platform/dialogs.h"
#include "platform/scripted_dialogs.h"
#include "transfer/trans_form.h"
#include "ui_main_form.h"
#include "viewers/view_form.h"
#include "wait_until.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <cstdlib>
#include <functional>

namespace {

// The window manager's view of the screen, read from the root window.
class Desktop {
public:
    Desktop() : c(xcb_connect(nullptr, nullptr))
    {
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }
    ~Desktop() { xcb_disconnect(c); }
    bool ok() const { return !xcb_connection_has_error(c); }

    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(r);
        return a;
    }
    QList<quint32> windows(xcb_window_t w, const char *property)
    {
        QList<quint32> out;
        xcb_get_property_reply_t *r = xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr);
        if (r) {
            const auto *v = static_cast<const quint32 *>(xcb_get_property_value(r));
            for (int i = 0; i < xcb_get_property_value_length(r) / 4; ++i)
                out << v[i];
            free(r);
        }
        return out;
    }
    // Client windows from the bottom of the stack to its top.
    QList<quint32> stacking() { return windows(root, "_NET_CLIENT_LIST_STACKING"); }
    // The root window carries `property`.
    bool has(const char *property)
    {
        xcb_get_property_reply_t *r = xcb_get_property_reply(
            c, xcb_get_property(c, 0, root, atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 1), nullptr);
        const bool there = r && r->type != XCB_ATOM_NONE;
        free(r);
        return there;
    }
    bool managed() { return !windows(root, "_NET_SUPPORTING_WM_CHECK").isEmpty(); }
    bool keptOnTop(quint32 w) { return windows(w, "_NET_WM_STATE").contains(atom("_NET_WM_STATE_ABOVE")); }
    // `upper` is stacked above `lower`.
    bool above(quint32 upper, quint32 lower)
    {
        const QList<quint32> s = stacking();
        return s.contains(upper) && s.contains(lower) && s.indexOf(upper) > s.indexOf(lower);
    }

private:
    xcb_connection_t *c;
    xcb_window_t root = 0;
};

class StackedForm : public kav::TMainForm {
public:
    void saveConfiguration() override {}

protected:
    void showHelp() override {}
    void beep() override {}
};

QList<QWidget *> shownWindows()
{
    QList<QWidget *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip)
            out << w;
    return out;
}

struct Opener {
    const char *name;
    bool modal;
    std::function<void(StackedForm &)> open;
};

} // namespace

TEST(WindowStacking, EverySecondaryWindowShowsAboveTheMainWindowKeptOnTop)
{
    Desktop desk;
    ASSERT_TRUE(desk.ok()) << "no X display (run under fixtures/under-openbox)";
    ASSERT_TRUE(kavtest::waitUntil([&] { return desk.managed(); }, 10000)) << "no window manager on the display";
    // The window manager claims the screen (the check above) before it is done starting:
    // a window mapped in between may never be taken on. It has started once it has put up
    // its list of windows and the work area.
    ASSERT_TRUE(kavtest::waitUntil([&] { return desk.has("_NET_CLIENT_LIST_STACKING") && desk.has("_NET_WORKAREA"); },
                                   10000))
        << "the window manager did not finish starting";

    StackedForm f;
    f.show();
    ASSERT_TRUE(kavtest::waitUntil([&] { return f.firstActivated(); }, 10000));
    Ui::TMainForm &u = *f.form();
    if (!u.N_RStayOnTop->isChecked())
        u.N_RStayOnTop->trigger();
    // The native window may be made anew when it comes back after being hidden: ask each time.
    auto mainId = [&f] { return quint32(f.windowHandle()->winId()); };
    ASSERT_TRUE(kavtest::waitUntil([&] { return desk.keptOnTop(mainId()); }, 5000))
        << "the main window is not kept on top: the test would prove nothing; its hint "
        << f.windowFlags().testFlag(Qt::WindowStaysOnTopHint) << ", exposed " << f.windowHandle()->isExposed()
        << ", states " << desk.windows(mainId(), "_NET_WM_STATE").size() << ", managed "
        << desk.stacking().contains(mainId()) << ", visible " << f.isVisible() << ", clients "
        << desk.stacking().size() << ", state " << int(f.windowState());

    const QList<Opener> openers{
        {"About", true, [](StackedForm &m) { m.form()->RBabout->click(); }},
        {"connect dialog", true, [](StackedForm &m) { m.form()->BB_Connect->click(); }},
        {"viewer", true, [](StackedForm &m) {
             m.viewForm()->setLines({QStringLiteral("finger answer")});
             m.viewForm()->showModal();
         }},
        {"local find", true, [](StackedForm &m) { m.form()->LBfindfile->click(); }},
        {"host find", true, [](StackedForm &m) { m.lists().findHost().exec(); }},
        {"queue", true, [](StackedForm &m) { m.lists().queueForm().exec(); }},
        {"local bookmarks", true, [](StackedForm &m) { m.form()->LBbookmark->click(); }},
        {"tools", false, [](StackedForm &m) { m.form()->LBtools->click(); }},
        {"ping", true, [](StackedForm &m) { m.form()->BB_Ping->click(); }},
        {"scanner", true, [](StackedForm &m) { m.form()->BB_IPScanner->click(); }},
        {"message box", true, [](StackedForm &m) {
             auto scripted = kav::setDialogs(nullptr);   // the real box, as users meet it
             kav::informationBox(QStringLiteral("파일크기가 0 Byte"), &m);
             kav::setDialogs(std::move(scripted));
         }},
        {"log window", false, [](StackedForm &m) { m.form()->RBlogwnd->click(); }},
        {"transfer window", false, [](StackedForm &m) { m.transfers().transferWindow().show(); }},
    };

    for (const Opener &opener : openers) {
        SCOPED_TRACE(opener.name);
        const QList<QWidget *> before = shownWindows();
        QWidget *opened = nullptr;
        bool wasAbove = false;
        bool checked = false;
        QElapsedTimer since;
        since.start();
        // Looks for the window without blocking (an opener may pump events before its
        // modal loop starts), then waits for the window manager to stack it, then closes it.
        std::function<void()> check = [&] {
            if (opener.modal) {
                QWidget *modal = QApplication::activeModalWidget();
                opened = modal && modal->isVisible() ? modal : nullptr;
            } else {
                for (QWidget *w : shownWindows())
                    if (!before.contains(w))
                        opened = w;
            }
            if (!opened && since.elapsed() < 5000) {
                QTimer::singleShot(50, &f, check);
                return;
            }
            checked = true;
            if (!opened)
                return;
            const quint32 id = quint32(opened->winId());
            // The bookmark and tools windows hide the main window while they show.
            wasAbove = kavtest::waitUntil([&] { return desk.above(id, mainId()) || !f.isVisible(); }, 5000);
            if (!wasAbove) {
                QStringList ids;
                for (quint32 w : desk.stacking())
                    ids << QString::number(w, 16);
                fprintf(stderr, "%s %s id %x main %x now %x stacking %s visible %d\n", opened->metaObject()->className(),
                        qPrintable(opened->objectName()), id, mainId(), quint32(f.winId()), qPrintable(ids.join(' ')), opened->isVisible());
            }
            opened->close();
            if (auto *dialog = qobject_cast<QDialog *>(opened))
                dialog->reject();
        };
        if (opener.modal) {
            QTimer::singleShot(0, &f, check);
            opener.open(f);
        } else {
            opener.open(f);
            check();
        }
        ASSERT_TRUE(kavtest::waitUntil([&] { return checked; }, 10000));
        ASSERT_NE(opened, nullptr) << "no window opened";
        EXPECT_TRUE(wasAbove) << opened->windowTitle().toStdString() << " is not above the main window";
        QCoreApplication::processEvents();
    }
    // The last one gone, the main window is on top again as its check mark says.
    EXPECT_TRUE(kavtest::waitUntil([&] { return desk.keptOnTop(mainId()); }, 5000));
}
