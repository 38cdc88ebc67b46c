// The command line: xsrl [options] DECK MODE.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/progress.h"
#include "xsrl/export.h"

namespace xsrl {

struct CommandLine {
    bool help = false;  // -h, --help: print helpText and stop
    bool version = false;  // --version: print versionText and stop
    std::string deck;
    std::string mode;  // w: compute the partial inductances; other: read induc
    int threads = 0;  // --threads; 0: all the hardware has
    std::vector<ExportFormat> exports;  // --export, each format once, in the order first asked
    std::optional<double> length;  // --length, the line of touchstone, deck units
    double z0 = 50.0;  // --z0, ohm
    ProgressChoice progress = ProgressChoice::Auto;
    bool strict = false;  // --strict: a warning of the deck reader ends the run as an error
};

// "Usage: <program> <input file> <w/r>\n", the line every command-line error ends with.
std::string usageLine(const std::string& program);
std::string helpText(const std::string& program);
std::string versionText();

// A command line that cannot be run: `problem` says why (empty for a wrong argument count).
struct UsageError {
    std::string problem;
};

// Options come before, between or after the two arguments; `--` ends them; `--name=value`
// works as `--name value`. Parsing stops at -h, --help or --version. A bad option or a wrong
// argument count throws UsageError.
CommandLine parseCommandLine(int argc, const char* const* argv);

}  // namespace xsrl
