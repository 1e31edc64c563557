// The waits that keep the window alive.
#pragma once

#include "os/threads.h"
#include "window/window.h"

namespace xiuyun {

// Waits at least `milliseconds`, handing pending window messages to the window meanwhile (on the
// window's thread; elsewhere the pump does nothing). Returns early, with false, once `stop` is
// requested.
bool waitMs(Window& window, int milliseconds, const StopSignal* stop = nullptr);

// The short count-up delay: keeps pumping window messages until the clock has moved past the
// start plus the delay.
void delayMs(Window& window, int milliseconds);

} // namespace xiuyun
