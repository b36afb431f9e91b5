#pragma once
// Letting the window breathe inside a long handler.

namespace kav {

// Processes pending window events n times (nothing for n <= 0).
void PumpMessages(int n);

} // namespace kav
