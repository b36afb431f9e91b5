#pragma once
// Letting the window breathe inside a long handler.

namespace kav {

// Processes pending window events n times (nothing for n <= 0).
void PumpMessages(int n);

// Work that moves data in a loop pumps on a clock, not per block: window
// events wait at most this long, and a transfer spends next to nothing on them.
constexpr int PumpIntervalMs = 8;

// Processes pending window events once when PumpIntervalMs have passed since
// the last pump anywhere in the program; true when it pumped.
bool PumpWhenDue();
// Whether PumpWhenDue would pump now.
bool PumpDue();
// Records a pump done elsewhere (a socket wait's), restarting the clock.
void NotePumped();

} // namespace kav
