#pragma once
// SIGINT, SIGTERM and SIGHUP ask the running command to stop: the first sets the flag (the run
// cancels at its next request and removes its files), later ones only say that it is cleaning
// up, so a second Ctrl-C never abandons the cleanup. Linux only.

#include <atomic>

namespace orvane {

// Installs the handlers once; throws when the system refuses.
void installInterruptHandlers();

// Set from the signal handlers; stays set.
const std::atomic<bool>& interruptRequested();

}  // namespace orvane
