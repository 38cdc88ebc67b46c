// Entry point of the program xsrl.
#include "cli/run.h"

int main(int argc, char** argv) { return xsrl::runCommandLine(argc, argv); }
