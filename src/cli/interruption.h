// SIGINT and SIGTERM during the long stages of a run. The handler only notes the signal; the
// run stops where it next asks (between two rows of the inductance fill, between two
// frequencies of the sweep, after the capacitance solve, after the exports), says where, and
// exits with the shell's status for the signal, 128 + its number: 130 for SIGINT, 143 for
// SIGTERM.
#pragma once

#include <string>

namespace xsrl {

// What ends a run stopped by a signal: the line to print after "ERROR: " and the exit status.
struct Interrupted {
    std::string what;
    int status = 0;
};

// From here on SIGINT and SIGTERM are noted instead of ending the process.
void catchInterruptions();

// The signals end the process again, as they do by default.
void stopCatchingInterruptions();

// Whether a signal was noted. Safe from any thread.
bool interruptionCaught();

// The stop of a run at a noted signal, for a throw.
Interrupted interruption(const std::string& what);

}  // namespace xsrl
