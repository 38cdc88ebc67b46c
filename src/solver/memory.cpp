#include "solver/memory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>

#include "electrostatics/capacitance.h"
#include "geometry/discretize.h"
#include "geometry/ribbon_index.h"
#include "xsrl/error.h"

namespace xsrl {

double availableMemoryBytes()
{
    double available = 0.0;
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    double kibibytes = 0.0;
    while (meminfo >> key >> kibibytes) {
        if (key == "MemAvailable:") {
            available = kibibytes * 1024.0;
            break;
        }
        meminfo.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    if (!(available > 0.0))
        available = static_cast<double>(sysconf(_SC_AVPHYS_PAGES)) * static_cast<double>(sysconf(_SC_PAGESIZE));
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            available = std::min(available, static_cast<double>(limit.rlim_cur));
    }
    return available;
}

double runMemoryBytes(double ribbonCount)
{
    return 40.0 * ribbonCount * ribbonCount + 2.0 * sizeof(Ribbon) * ribbonCount;
}

namespace {

[[noreturn]] void refuseMemory(const char* what, const char* count, double needed, double availableBytes)
{
    char text[240];
    std::snprintf(text, sizeof text, "%s %s, which need %.3g bytes of memory; %.3g bytes are available", what, count,
                  needed, availableBytes);
    throw MemoryError(text);
}

}  // namespace

void checkMemoryFits(const RunSettings& settings, const std::vector<Conductor>& conductors, const PlateCuts* plateCuts,
                     double availableBytes)
{
    const std::vector<const PlateFaceCuts*> cuts = plateCuts
                                                       ? plateCutsByConductor(conductors, *plateCuts)
                                                       : std::vector<const PlateFaceCuts*>(conductors.size(), nullptr);
    const bool beforePlateCuts = settings.plateCount != 0 && !plateCuts;
    bool exact = !beforePlateCuts;
    double ribbons = 0.0;
    for (std::size_t k = 0; k < conductors.size(); ++k) {
        const Conductor& c = conductors[k];
        // What the plate cuts make of a line, or counts the checks will refuse: at least one
        // ribbon per line and none per plate.
        if ((c.shape == ConductorShape::Line && (beforePlateCuts || c.nx < 1 || c.ny < 1)) ||
            (c.shape == ConductorShape::Circle && c.nr < 3)) {
            exact = false;
            ribbons += c.shape == ConductorShape::Line ? 1.0 : 0.0;
            continue;
        }
        ribbons += static_cast<double>(plannedRibbonCount(settings, c, cuts[k]));
    }
    const double needed = runMemoryBytes(ribbons);
    if (needed <= availableBytes) return;
    char count[64];
    std::snprintf(count, sizeof count, exact ? "%.0f ribbons" : "at least %.0f ribbons", ribbons);
    refuseMemory("the structure cuts into", count, needed, availableBytes);
}

void checkPanelEstimateFits(double estimatedPanels, int conductorCount, double availableBytes)
{
    const double needed = panelSolveBytes(estimatedPanels, conductorCount);
    if (needed <= availableBytes) return;
    char count[64];
    std::snprintf(count, sizeof count, "at least %.0f panels", estimatedPanels);
    refuseMemory("the capacitance solve cuts the outlines into", count, needed, availableBytes);
}

}  // namespace xsrl
