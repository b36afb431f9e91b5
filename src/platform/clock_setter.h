#pragma once
// Setting this machine's clock. On a desktop the system's time service decides
// (it asks the user for permission and refuses while network time sync is on);
// elsewhere the clock is set directly, which only a privileged process may do.
// Tests install a setter of their own, so that no test ever moves the clock.

#include <QDateTime>
#include <memory>

namespace kav {

class ClockSetter {
public:
    virtual ~ClockSetter() = default;
    // Sets the local date and time; false when the clock could not be set or the setting
    // was cancelled. The time service may ask the user for permission and take its time:
    // the wait lets window events run, so the window asking keeps answering.
    virtual bool setLocalTime(const QDateTime &localTime) = 0;
    // Ends a setting under way (from a window event during its wait): it fails, and
    // nothing else is tried.
    virtual void cancel() {}
};

ClockSetter &clockSetter();
// Installs a setter (tests); returns the previous one. nullptr restores the system's.
std::unique_ptr<ClockSetter> setClockSetter(std::unique_ptr<ClockSetter> setter);

} // namespace kav
