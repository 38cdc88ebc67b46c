#include "app/run.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <thread>

#include "app/prepare.h"
#include "app/sweep.h"
#include "deck/deck.h"
#include "electrostatics/capacitance.h"
#include "electrostatics/dielectrics.h"
#include "model/output_file.h"
#include "model/run_error.h"

int runSolver(int argc, char** argv)
{
    std::printf("\n");
    const std::time_t start = std::time(nullptr);
    if (argc != 3) {
        std::printf("Usage: %s <input file> <w/r>\n", argv[0]);
        return 1;
    }

    RecordPool pool;
    RunSettings settings;
    Conductor* head = newConductor(pool, nullptr);
    Ribbon* headRibbon = newRibbon(pool, nullptr);
    std::printf("\n");

    readDeck(pool, head, settings, argv[1]);
    settings.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    checkSweep(settings);
    checkDielectricBlocks(pool.dielectrics);
    PreparedStructure prepared = prepareRibbons(pool, settings, head, headRibbon);
    checkWritable("Zs", "Zs");
    ComplexMatrix capacitance;
    if (settings.capacitance) {
        checkWritable("Cs", "Cs");
        capacitance = solveCapacitance(settings, head, pool.dielectrics, availableMemoryBytes());
    }
    obtainPartialInductance(prepared, settings, argv[2]);

    OutputFile report("Zs", "Zs");
    std::optional<OutputFile> capacitanceReport;
    if (settings.capacitance) capacitanceReport.emplace("Cs", "Cs");
    const SweepOutcome outcome =
        runSweep(settings, head, prepared, report, capacitance, capacitanceReport ? &*capacitanceReport : nullptr);
    report.close();
    if (capacitanceReport) capacitanceReport->close();
    if (outcome.firstNonFiniteOmega != 0.0) {
        char text[120];
        std::snprintf(text, sizeof text, "Zs holds values that are not finite, first at f=%.4e Hz",
                      outcome.firstNonFiniteOmega / 2.0 / 3.141592653589793);
        throw errorLine(text);
    }

    const std::time_t end = std::time(nullptr);
    std::printf("\n***********  \nTotal Elapsed time=%ld Seconds\n", static_cast<long>(end - start));
    return outcome.status;
}
