// The run driver: the command line, then the stages of the library (xsrl/xsrl.h) with the
// report files and exports written from the sweep.
#pragma once

namespace xsrl {

// Runs the whole program on its command line and returns the exit status; errors that end
// the run are thrown as RunError.
int runSolver(int argc, char** argv);

}  // namespace xsrl
