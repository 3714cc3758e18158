#pragma once

#include <atomic>

namespace korvex {

// SIGINT, SIGTERM and SIGHUP ask the program to stop rather than kill it, so
// uploads stop where the keyboard is not left inside an exchange and the
// configuration interface is released (its kernel driver then comes back).
// Process-wide: there is one set of signal handlers.
class StopSignals {
  public:
    // Installs the handlers once; later calls do nothing. False when they
    // could not be installed (the signals then keep their default action).
    static bool install();
    // Set by the first of the three signals and kept set; hand it to
    // DeviceComm::setStopFlag.
    static const std::atomic<bool>& flag();
    // The signal that came, 0 before any.
    static int received();
    // Becomes readable when a signal came, for an event loop; -1 before install.
    static int fd();
    // Ends the process by the signal that came, with its default action, so
    // whoever started it sees how it ended. Returns when none came.
    static void endBySignal();
    // Forgets a signal that came, for tests.
    static void clear();
};

}  // namespace korvex
