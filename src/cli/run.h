// The command line: xsrl [options] DECK MODE, run through the library's stages with the
// report files, the exports and every message the user sees.
#pragma once

namespace xsrl {

// Runs the whole program on its command line, prints what it has to say and returns the exit
// status.
int runCommandLine(int argc, char** argv);

}  // namespace xsrl
