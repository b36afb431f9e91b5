#include "keyboard_state.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QLocale>
#include <QLibrary>

// libX11 is loaded at run time: the program builds and runs where it is missing
// (Wayland-only systems, the offscreen platform of the tests), and nothing else of
// the program needs it.

namespace kav {

namespace {

using Display = void;
using Atom = unsigned long;
using XOpenDisplayFn = Display *(*)(const char *);
using XInternAtomFn = Atom (*)(Display *, const char *, int);
using XkbGetNamedIndicatorFn = int (*)(Display *, Atom, int *, int *, void *, int *);

constexpr int kOnlyIfExists = 1;

struct X11Indicators {
    bool ready = false;
    Display *display = nullptr;
    XkbGetNamedIndicatorFn getNamedIndicator = nullptr;
    Atom caps = 0, num = 0, scroll = 0;

    X11Indicators()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        static QLibrary library(QStringLiteral("X11"), 6);
        if (!library.load())
            return;
        auto openDisplay = reinterpret_cast<XOpenDisplayFn>(library.resolve("XOpenDisplay"));
        auto internAtom = reinterpret_cast<XInternAtomFn>(library.resolve("XInternAtom"));
        getNamedIndicator =
            reinterpret_cast<XkbGetNamedIndicatorFn>(library.resolve("XkbGetNamedIndicator"));
        if (!openDisplay || !internAtom || !getNamedIndicator)
            return;
        display = openDisplay(nullptr);
        if (!display)
            return;
        caps = internAtom(display, "Caps Lock", kOnlyIfExists);
        num = internAtom(display, "Num Lock", kOnlyIfExists);
        scroll = internAtom(display, "Scroll Lock", kOnlyIfExists);
        ready = true;
    }

    bool state(Atom name) const
    {
        if (!name)
            return false;
        int index = 0, on = 0, real = 0;
        if (!getNamedIndicator(display, name, &index, &on, nullptr, &real))
            return false;
        return on != 0;
    }
};

} // namespace

LockKeyStates lockKeyStates()
{
    static X11Indicators x11;
    LockKeyStates states;
    if (!x11.ready)
        return states;
    states.known = true;
    states.capsLock = x11.state(x11.caps);
    states.numLock = x11.state(x11.num);
    states.scrollLock = x11.state(x11.scroll);
    return states;
}

bool koreanInputMethodActive()
{
    // Qt names the input-method module it loaded in QT_IM_MODULE; "compose" and "simple"
    // only combine dead keys and never write Hangul.
    QByteArray module = qgetenv("QT_IM_MODULE").trimmed().toLower();
    if (module.isEmpty()) {
        // Without QT_IM_MODULE, Qt follows the X input method named in XMODIFIERS.
        const QByteArray modifiers = qgetenv("XMODIFIERS").toLower();
        if (const qsizetype at = modifiers.indexOf("@im="); at >= 0)
            module = modifiers.mid(at + 4).trimmed();
    }
    if (module.isEmpty() || module == "none" || module == "compose" || module == "simple")
        return false;
    return QGuiApplication::inputMethod()->locale().language() == QLocale::Korean;
}

} // namespace kav
