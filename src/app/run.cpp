#include "app/run.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <thread>

#include "app/command_line.h"
#include "app/prepare.h"
#include "app/progress.h"
#include "app/sweep.h"
#include "deck/deck.h"
#include "electrostatics/capacitance.h"
#include "electrostatics/dielectrics.h"
#include "export/exports.h"
#include "model/output_file.h"
#include "support/run_error.h"

namespace xsrl {

int runSolver(int argc, char** argv)
{
    CommandLine line;
    try {
        line = parseCommandLine(argc, argv);
    } catch (const RunError&) {
        std::printf("\n");
        throw;
    }
    if (line.help || line.version) {
        std::fputs((line.help ? helpText(argv[0]) : versionText()).c_str(), stdout);
        return 0;
    }
    std::printf("\n");
    const std::time_t start = std::time(nullptr);
    std::FILE* progressStream = progressShown(line.progress, STDERR_FILENO) ? stderr : nullptr;

    RecordPool pool;
    RunSettings settings;
    Conductor* head = newConductor(pool, nullptr);
    Ribbon* headRibbon = newRibbon(pool, nullptr);
    std::printf("\n");

    readDeck(pool, head, settings, line.deck);
    settings.threads = line.threads > 0 ? line.threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    checkSweep(settings);
    checkDielectricBlocks(pool.dielectrics);
    checkCapacitanceFor(line.exports, settings.capacitance);
    PreparedStructure prepared = prepareRibbons(pool, settings, head, headRibbon);
    checkWritable("Zs", "Zs");
    if (settings.capacitance) checkWritable("Cs", "Cs");
    const int portCount = static_cast<int>(reportedPorts(settings, prepared).size());
    for (const ExportFormat format : line.exports) {
        const std::string path = exportFileName(line.deck, format, portCount);
        checkWritable(path, path);
    }
    ComplexMatrix capacitance;
    if (settings.capacitance) capacitance = solveCapacitance(settings, head, pool.dielectrics, availableMemoryBytes());
    obtainPartialInductance(prepared, settings, line.mode, progressStream);

    OutputFile report("Zs", "Zs");
    std::optional<OutputFile> capacitanceReport;
    if (settings.capacitance) capacitanceReport.emplace("Cs", "Cs");
    double firstNonFiniteFrequency = 0.0;
    ProgressLine progress(progressStream, "sweep", settings.npoints == 1 ? 1 : settings.npoints + 1);
    const SweepResult result = runSweep(settings, prepared, capacitance, [&](const FrequencyPoint& point) {
        const bool finite = writeImpedanceBlock(report, point, settings.scale);
        if (!finite && firstNonFiniteFrequency == 0.0) firstNonFiniteFrequency = point.frequency;
        if (capacitanceReport) writeCapacitanceBlock(*capacitanceReport, point, settings.scale);
        progress.advance(1);
    });
    progress.finish();
    report.close();
    if (capacitanceReport) capacitanceReport->close();
    if (firstNonFiniteFrequency != 0.0) {
        char text[120];
        std::snprintf(text, sizeof text, "Zs holds values that are not finite, first at f=%.4e Hz", firstNonFiniteFrequency);
        throw errorLine(text);
    }
    writeExports(line.exports, result, ExportOptions{line.deck, line.length.value_or(0.0) * settings.scale, line.z0});

    const std::time_t end = std::time(nullptr);
    std::printf("\n***********  \nTotal Elapsed time=%ld Seconds\n", static_cast<long>(end - start));
    // A one-point sweep from fmin ends with status 1.
    return settings.npoints == 1 ? 1 : 0;
}

}  // namespace xsrl
