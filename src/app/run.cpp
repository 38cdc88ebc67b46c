#include "app/run.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/progress.h"
#include "app/sweep.h"
#include "export/exports.h"
#include "model/output_file.h"
#include "support/run_error.h"
#include "xsrl/xsrl.h"

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

    std::printf("\n");
    const std::unique_ptr<Deck> deck = loadDeck(line.deck);
    RunSettings& settings = deck->settings;
    if (line.threads > 0) settings.threads = line.threads;
    checkCapacitanceFor(line.exports, settings.capacitance);
    Prepared prepared = cutRibbons(*deck);
    checkWritable("Zs", "Zs");
    if (settings.capacitance) checkWritable("Cs", "Cs");
    const int portCount = static_cast<int>(reportedPorts(settings, prepared.structure).size());
    for (const ExportFormat format : line.exports) {
        const std::string path = exportFileName(line.deck, format, portCount);
        checkWritable(path, path);
    }
    computeMatrices(*deck, prepared, line.mode, progressStream);

    OutputFile report("Zs", "Zs");
    std::optional<OutputFile> capacitanceReport;
    if (settings.capacitance) capacitanceReport.emplace("Cs", "Cs");
    double firstNonFiniteFrequency = 0.0;
    ProgressLine progress(progressStream, "sweep", settings.npoints == 1 ? 1 : settings.npoints + 1);
    const SweepResult result = solve(*deck, prepared, [&](const FrequencyPoint& point) {
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
