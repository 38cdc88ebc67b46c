// The run driver: command line, structure preparation, partial inductances, sweep, report.
#pragma once

namespace xsrl {

// Runs the whole program on its command line and returns the exit status; errors that end
// the run are thrown as RunError.
int runSolver(int argc, char** argv);

}  // namespace xsrl
