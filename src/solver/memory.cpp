#include "solver/memory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>

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

void checkMemoryFits(const RunSettings& settings, const std::vector<Conductor>& conductors, const PlateCuts& plateCuts,
                     double availableBytes)
{
    const std::vector<const PlateFaceCuts*> cuts = plateCutsByConductor(conductors, plateCuts);
    double ribbons = 0.0;
    for (std::size_t k = 0; k < conductors.size(); ++k)
        ribbons += static_cast<double>(plannedRibbonCount(settings, conductors[k], cuts[k]));
    const double needed = runMemoryBytes(ribbons);
    if (needed <= availableBytes) return;
    char text[200];
    std::snprintf(text, sizeof text,
                  "the structure cuts into %.0f ribbons, which need %.3g bytes of memory; %.3g bytes are available",
                  ribbons, needed, availableBytes);
    throw MemoryError(text);
}

}  // namespace xsrl
