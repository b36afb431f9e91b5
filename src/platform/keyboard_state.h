#pragma once
// The lock keys' states. Qt reports none, so they are read from the X11 keyboard
// indicators where the program runs on X11; elsewhere they are unknown.

namespace kav {

struct LockKeyStates {
    bool known = false;  // false: the platform does not tell (every flag is then false)
    bool capsLock = false;
    bool numLock = false;
    bool scrollLock = false;
};

LockKeyStates lockKeyStates();

// True when an input method is in use and says it writes Korean. Without an input-method
// module Qt reports the system locale, which says nothing about the keyboard.
bool koreanInputMethodActive();

} // namespace kav
