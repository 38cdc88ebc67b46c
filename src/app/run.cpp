#include "app/run.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "app/prepare.h"
#include "app/sweep.h"
#include "deck/deck.h"
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
    checkSweep(settings);
    PreparedStructure prepared = prepareRibbons(pool, settings, head, headRibbon);
    obtainPartialInductance(prepared, settings, argv[2]);

    std::FILE* report = std::fopen("Zs", "w");
    if (!report) throw errorLine("cannot open Zs for writing");
    int status = 0;
    try {
        status = runSweep(settings, head, prepared, report);
    } catch (...) {
        std::fclose(report);
        throw;
    }
    std::fclose(report);

    const std::time_t end = std::time(nullptr);
    std::printf("\n***********  \nTotal Elapsed time=%ld Seconds\n", static_cast<long>(end - start));
    return status;
}
