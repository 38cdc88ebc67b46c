#include "cli/command_line.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace xsrl {

#ifndef XSRL_VERSION
#define XSRL_VERSION "unknown"
#endif

std::string usageLine(const std::string& program) { return "Usage: " + program + " <input file> <w/r>\n"; }

std::string versionText() { return "xsrl " XSRL_VERSION "\n"; }

std::string helpText(const std::string& program)
{
    return "Usage: " + program +
           " [options] <input file> <w/r>\n"
           R"(
Computes the per-unit-length resistance and inductance matrices R(f) and L(f) of the
cross-section of multiconductor interconnect described in a deck, over a frequency sweep, with
skin and proximity effect, and writes them to the report Zs; for a deck with dielectric blocks
or .capacitance yes, also the capacitance and conductance matrices C and G, to Cs.

Arguments:
  <input file>        the deck: sweep, units, report options and conductors (see README.md)
  <w/r>               w computes the partial inductances and stores them in induc; any other
                      word (normally r) reads them back from induc, written by an earlier run

Options (before, between or after the arguments; -- ends them):
  -h, --help          print this text and exit
      --version       print the name and version and exit
      --threads N     worker threads, at least 1, also of OpenBLAS (default and most: all
                      the hardware has)
      --export F      also write the sweep as F: csv, rlgc, touchstone or spice; repeat the
                      option or give a comma list (--export csv,touchstone)
      --length L      the line length of touchstone and spice, in deck units (they need it)
      --z0 OHMS       the reference impedance of touchstone and of the error spice states
                      (default 50)
      --progress      show the progress of the long stages on standard error
      --no-progress   never show it (default: shown when standard error is a terminal)
      --strict        refuse a deck the reader warns about (a word it passes over), instead
                      of warning on standard error and going on

Files written in the current folder:
  Zs                  the report: R and L per deck unit, a matrix per frequency
  Cs                  C and G per deck unit, when the deck asks for them
  induc               the partial inductances (mode w)
  plate               the cut points of plate faces (decks with plates)
  DECK.csv            --export csv: frequency, R, L (C, G) per metre, full precision
  DECK.rlgc           --export rlgc: the RLGC model of a W element (needs C)
  DECK.sNp            --export touchstone: S-parameters of the line, N = 2 x ports (needs C)
  DECK.sp             --export spice: a SPICE subcircuit of the line, lumped sections (needs C)
DECK is the name of the deck without its extension.

Examples:
  xsrl bus.deck w
      computes the deck bus.deck; writes Zs and induc
  xsrl --export csv,touchstone --length 0.1 bus.deck r
      for a deck in metres with two signal conductors and .capacitance yes: reads induc
      back and writes Zs, Cs, bus.csv and bus.s4p, the S-parameters of a 10 cm line
)";
}

namespace {

// The value of the option at argv[i], inline ("--name=value") or the next argument.
struct ValueReader {
    int argc;
    const char* const* argv;

    std::string take(int& i, const std::string& name, const std::optional<std::string>& inlineValue) const
    {
        if (inlineValue) return *inlineValue;
        if (i + 1 >= argc) throw UsageError{"option " + name + " needs a value"};
        return argv[++i];
    }
};

int wholeNumberAtLeastOne(const std::string& name, const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value > INT_MAX || value < INT_MIN)
        throw UsageError{"option " + name + " needs a whole number; found '" + text + "'"};
    if (value < 1) throw UsageError{"option " + name + " must be at least 1; found '" + text + "'"};
    return static_cast<int>(value);
}

double positiveNumber(const std::string& name, const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0') throw UsageError{"option " + name + " needs a number; found '" + text + "'"};
    if (!(value > 0.0) || !std::isfinite(value))
        throw UsageError{"option " + name + " must be a positive number; found '" + text + "'"};
    return value;
}

void addExports(std::vector<ExportFormat>& exports, const std::string& list)
{
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        const std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::optional<ExportFormat> format = parseExportFormat(name);
        if (!format)
            throw UsageError{"option --export: unknown format '" + name + "' (csv, rlgc, touchstone or spice)"};
        if (std::find(exports.begin(), exports.end(), *format) == exports.end()) exports.push_back(*format);
        if (comma == std::string::npos) return;
        start = comma + 1;
    }
}

// Reads every option into `line` and returns the arguments.
std::vector<std::string> readOptions(int argc, const char* const* argv, CommandLine& line)
{
    const ValueReader values{argc, argv};
    std::vector<std::string> arguments;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            arguments.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        // --name=value; single-dash words take no inline value.
        const std::size_t equals = word.compare(0, 2, "--") == 0 ? word.find('=') : std::string::npos;
        const std::string name = word.substr(0, equals);
        const std::optional<std::string> inlineValue =
            equals == std::string::npos ? std::nullopt : std::optional(word.substr(equals + 1));
        const bool isFlag = name == "-h" || name == "--help" || name == "--version" || name == "--progress" ||
                            name == "--no-progress" || name == "--strict";
        if (isFlag && inlineValue) throw UsageError{"option " + name + " takes no value"};

        if (name == "-h" || name == "--help") {
            line.help = true;
            return arguments;
        } else if (name == "--version") {
            line.version = true;
            return arguments;
        } else if (name == "--progress") {
            line.progress = ProgressChoice::On;
        } else if (name == "--no-progress") {
            line.progress = ProgressChoice::Off;
        } else if (name == "--strict") {
            line.strict = true;
        } else if (name == "--threads") {
            line.threads = wholeNumberAtLeastOne(name, values.take(i, name, inlineValue));
        } else if (name == "--export") {
            addExports(line.exports, values.take(i, name, inlineValue));
        } else if (name == "--length") {
            line.length = positiveNumber(name, values.take(i, name, inlineValue));
        } else if (name == "--z0") {
            line.z0 = positiveNumber(name, values.take(i, name, inlineValue));
        } else {
            throw UsageError{"unknown option '" + word + "'"};
        }
    }
    for (const ExportFormat format : {ExportFormat::Touchstone, ExportFormat::Spice})
        if (!line.length && std::find(line.exports.begin(), line.exports.end(), format) != line.exports.end())
            throw UsageError{std::string("--export ") + exportFormatName(format) +
                             " needs --length, the line length in deck units"};
    return arguments;
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv)
{
    CommandLine line;
    const std::vector<std::string> arguments = readOptions(argc, argv, line);
    if (line.help || line.version) return line;
    if (arguments.size() != 2) throw UsageError{""};
    line.deck = arguments[0];
    line.mode = arguments[1];
    return line;
}

}  // namespace xsrl
