// The user's interrupt of a program run from a terminal (Ctrl-C).
#pragma once

namespace xiuyun {

// From now on the first interrupt calls `handler` (which must only set a flag: it may run at any
// moment, on any thread); a second one ends the process at once, as an interrupt does by default.
void catchInterrupt(void (*handler)());

} // namespace xiuyun
