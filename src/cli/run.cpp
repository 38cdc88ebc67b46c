#include "cli/run.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/interruption.h"
#include "cli/progress.h"
#include "xsrl/export.h"
#include "xsrl/output_file.h"
#include "xsrl/xsrl.h"

namespace xsrl {

namespace {

// What the sweep tells of a matrix found singular; the run goes on with values that are not
// finite.
void reportSingular(const FrequencyPoint& point)
{
    for (int k = 0; k < point.singularInversions; ++k) std::fputs("\nSingular Matrix Error **\n", stderr);
}

// The deck's warnings: ".freq is missing!" on standard output, where it always was, the others
// on standard error. With --strict the first of them ends the run as an error.
void tellWarnings(const std::vector<DeckWarning>& warnings, bool strict)
{
    if (strict && !warnings.empty()) throw Error(ErrorCategory::Deck, warnings.front().text);
    for (const DeckWarning& warning : warnings) {
        if (warning.kind == DeckWarning::Kind::MissingSweep)
            std::printf("%s\n", warning.text.c_str());
        else
            std::fprintf(stderr, "WARNING: %s\n", warning.text.c_str());
    }
}

// "interrupted at f=1.0000e+08 Hz; Zs holds the first 14 of 101 frequencies"
std::string sweepInterruption(const FrequencyPoint& point, int written, int frequencies)
{
    char text[160];
    std::snprintf(text, sizeof text, "interrupted at f=%.4e Hz; Zs holds the first %d of %d frequencies",
                  point.frequency, written, frequencies);
    return text;
}

// A file the run would write over the deck it reads (a deck named bus.csv exported as csv, a
// deck named Zs) is refused: the same file by any path, a link included.
void refuseToOverwriteTheDeck(const std::string& deckPath, const std::vector<std::string>& outputs)
{
    for (const std::string& output : outputs) {
        std::error_code error;
        if (std::filesystem::equivalent(output, deckPath, error))
            throw Error(ErrorCategory::File, output + " would be written over the deck " + deckPath + " itself");
    }
}

int runSolver(const CommandLine& line)
{
    const std::time_t start = std::time(nullptr);
    std::FILE* progressStream = progressShown(line.progress, STDERR_FILENO) ? stderr : nullptr;
    const Threads threads{line.threads};

    if (line.threads > 0) limitLinearAlgebraThreads(line.threads);

    std::printf("\n");
    std::vector<DeckWarning> warnings;
    Deck deck;
    try {
        deck = readDeck(line.deck, &warnings);
    } catch (const Error&) {
        tellWarnings(warnings, line.strict);
        throw;
    }
    tellWarnings(warnings, line.strict);
    checkDeck(deck);
    checkCapacitanceFor(line.exports, deck.computesCapacitance());
    Prepared prepared = cutRibbons(deck);
    const std::string plateCuts = prepared.plateCutsText();
    const bool computesInductance = !line.mode.empty() && line.mode[0] == 'w';
    const int portCount = static_cast<int>(prepared.ports().size());
    std::vector<std::string> exportPaths;
    for (const ExportFormat format : line.exports) exportPaths.push_back(exportFileName(line.deck, format, portCount));
    std::vector<std::string> outputs = exportPaths;
    outputs.push_back("Zs");
    if (deck.computesCapacitance()) outputs.push_back("Cs");
    if (computesInductance) outputs.push_back("induc");
    if (!plateCuts.empty()) outputs.push_back("plate");
    refuseToOverwriteTheDeck(line.deck, outputs);
    if (!plateCuts.empty()) {
        OutputFile plate("plate", "plate");
        plate.print("%s", plateCuts.c_str());
        plate.close();
    }
    std::printf("Total %ld ribbons, %d conductor\n", prepared.ribbonCount(), prepared.conductorCount());
    std::fflush(stdout);
    checkConductorsHaveRibbons(prepared);

    checkWritable("Zs", "Zs");
    if (deck.computesCapacitance()) checkWritable("Cs", "Cs");
    for (const std::string& path : exportPaths) checkWritable(path, path, Writing::Whole);
    if (computesInductance)
        checkWritable("induc", "induc");
    else
        checkReadable("induc", "induc");

    catchInterruptions();
    if (deck.computesCapacitance()) {
        cutPanels(prepared);
        std::printf("Total %ld panels for the capacitance\n", prepared.panelCount());
        std::fflush(stdout);
        ProgressLine progress(progressStream, "capacitance", CapacitanceWork);
        computeCapacitance(prepared, [&](long work) { progress.advance(work); });
        progress.finish();
        if (interruptionCaught()) throw interruption("interrupted in the capacitance solve; Zs is left as it was");
    }
    if (computesInductance) {
        const long n = prepared.ribbonCount();
        ProgressLine progress(progressStream, "inductance fill", n * (n + 1) / 2);
        computeInductance(prepared, threads, [&](long pairs) {
            if (interruptionCaught()) throw interruption("interrupted in the inductance fill; Zs is left as it was");
            progress.advance(pairs);
        });
        progress.finish();
        storeInductance(prepared, "induc");
    } else {
        loadInductance(prepared, "induc");
    }
    if (interruptionCaught()) throw interruption("interrupted before the sweep; Zs is left as it was");

    OutputFile report("Zs", "Zs");
    std::optional<OutputFile> capacitanceReport;
    if (deck.computesCapacitance()) capacitanceReport.emplace("Cs", "Cs");
    double firstNonFiniteFrequency = 0.0;
    const int npoints = deck.sweepIntervals();
    const int frequencies = npoints == 1 ? 1 : npoints + 1;
    ProgressLine progress(progressStream, "sweep", frequencies);
    int pointsWritten = 0;
    const SweepResult result = solve(prepared, threads, [&](const FrequencyPoint& point) {
        // Zs and Cs end at the last whole frequency; the error line says the sweep is cut short.
        if (interruptionCaught()) throw interruption(sweepInterruption(point, pointsWritten, frequencies));
        reportSingular(point);
        const bool finite = writeImpedanceBlock(report, point, deck.scale());
        if (!finite && firstNonFiniteFrequency == 0.0) firstNonFiniteFrequency = point.frequency;
        if (capacitanceReport) writeCapacitanceBlock(*capacitanceReport, point, deck.scale());
        ++pointsWritten;
        progress.advance(1);
    });
    progress.finish();
    if (interruptionCaught()) throw interruption("interrupted after the sweep, before the exports; Zs is whole");
    report.close();
    if (capacitanceReport) capacitanceReport->close();
    if (firstNonFiniteFrequency != 0.0) {
        char text[120];
        std::snprintf(text, sizeof text, "Zs holds values that are not finite, first at f=%.4e Hz",
                      firstNonFiniteFrequency);
        throw Error(ErrorCategory::Numeric, text);
    }
    // Notes go to standard error: standard output stays as it always was.
    if (deck.linesTakeOneRibbonPerFace())
        std::fputs("note: with plates, the lines' nx ny rx ry type are replaced by one ribbon per face\n", stderr);
    if (!result.lcCheckNote.empty())
        std::fprintf(stderr, "note: %s%s\n", result.lcCheckNote.c_str(),
                     deck.normalAccuracyWithPlates() ? "; .accuracy high refines" : "");
    for (const FrequencyPoint& point : result.points) {
        if (point.unphysical.empty()) continue;
        char text[80];
        std::snprintf(text, sizeof text, "the results are not physical, first at f=%.4e Hz: ", point.frequency);
        throw Error(ErrorCategory::Numeric, text + point.unphysical);
    }
    // A signal while the exports are written waits for them: each is then whole, and no
    // temporary file is left behind.
    writeExports(line.exports, result, ExportOptions{line.deck, line.length.value_or(0.0) * deck.scale(), line.z0});
    stopCatchingInterruptions();
    if (interruptionCaught())
        throw interruption("interrupted while the exports were written; Zs and the exports are whole");

    const std::time_t end = std::time(nullptr);
    std::printf("\n***********  \nTotal Elapsed time=%ld Seconds\n", static_cast<long>(end - start));
    // A one-point sweep from fmin ends with status 1.
    return npoints == 1 ? 1 : 0;
}

// Each kind of error in the layout users and scripts know it by.
void printError(const Error& error)
{
    const char* message = error.what();
    switch (error.category()) {
    case ErrorCategory::UnreadableDeck: std::printf("%s\n", message); break;
    case ErrorCategory::NoSignalOrGround: std::printf("ERROR: %s\n\n\n", message); break;
    case ErrorCategory::MatrixAllocation: std::fprintf(stderr, "%s\n", message); break;
    default: std::printf("ERROR: %s\n", message); break;
    }
}

}  // namespace

int runCommandLine(int argc, char** argv)
{
    const std::string program = argc > 0 ? argv[0] : "xsrl";
    CommandLine line;
    try {
        line = parseCommandLine(argc, argv);
    } catch (const UsageError& error) {
        std::printf("\n");
        if (!error.problem.empty()) std::printf("ERROR: %s\n", error.problem.c_str());
        std::fputs(usageLine(program).c_str(), stdout);
        return 1;
    }
    if (line.help || line.version) {
        std::fputs((line.help ? helpText(program) : versionText()).c_str(), stdout);
        return 0;
    }
    std::printf("\n");
    // Beyond a file-size limit a write then fails, and the run says so, instead of the signal
    // ending it without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        return runSolver(line);
    } catch (const Interrupted& stop) {
        std::printf("ERROR: %s\n", stop.what.c_str());
        return stop.status;
    } catch (const Error& error) {
        printError(error);
    } catch (const std::bad_alloc&) {
        std::fputs("ERROR: out of memory\n", stdout);
    } catch (const std::exception& error) {
        std::printf("ERROR: %s\n", error.what());
    }
    return 1;
}

}  // namespace xsrl
