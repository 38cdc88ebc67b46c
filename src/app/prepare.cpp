#include "app/prepare.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>

#include "geometry/checks.h"
#include "geometry/discretize.h"
#include "geometry/plate_cuts.h"
#include "geometry/ribbon_index.h"
#include "kernels/inductance.h"
#include "model/output_file.h"
#include "numerics/parallel.h"
#include "support/run_error.h"

namespace xsrl {

RealMatrix computePartialInductance(const std::vector<const Ribbon*>& ribbons, int threads, ProgressLine* progress)
{
    const int n = static_cast<int>(ribbons.size());
    RealMatrix inductance = squareMatrix(n);
    // Each free thread takes the next row: row i holds n - i pairs, so the shares balance.
    runInParallel(threads, n, [&](int, int i) {
        for (int j = i; j < n; ++j) {
            const double value = ribbonPairInductance(*ribbons[i], *ribbons[j]);
            inductance[i][j] = value;
            inductance[j][i] = value;
        }
        if (progress) progress->advance(n - i);
    });
    return inductance;
}

void writeInduc(const std::string& path, const RealMatrix& inductance, double scale)
{
    OutputFile file(path, path);
    const long n = inductance.rows();
    for (long i = 0; i < n; ++i)
        for (long j = i; j < n; ++j) file.print("%ld %ld %le\n", i, j, inductance[i][j] * scale);
    file.close();
}

namespace {

bool parseLong(const std::string& token, long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtol(token.c_str(), &end, 10);
    return !token.empty() && *end == '\0' && errno == 0;
}

bool parseDouble(const std::string& token, double& value)
{
    char* end = nullptr;
    value = std::strtod(token.c_str(), &end);
    return !token.empty() && *end == '\0';
}

} // namespace

RealMatrix readInduc(const std::string& path, long ribbonCount, double scale)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) throw errorLine(path + " is a directory");
    std::ifstream file(path);
    if (!file) throw errorLine("cannot open " + path + " for reading: " + std::strerror(errno));
    const RunError mismatch = errorLine(path + " does not match this deck");
    RealMatrix inductance = squareMatrix(static_cast<int>(ribbonCount));
    std::string rowToken, columnToken, valueToken;
    for (long i = 0; i < ribbonCount; ++i) {
        for (long j = i; j < ribbonCount; ++j) {
            long row = 0, column = 0;
            double value = 0.0;
            if (!(file >> rowToken >> columnToken >> valueToken) || !parseLong(rowToken, row) ||
                !parseLong(columnToken, column) || !parseDouble(valueToken, value) || row != i || column != j)
                throw mismatch;
            if (!std::isfinite(value))
                throw errorLine(path + " holds a value that is not finite, '" + valueToken + "' for ribbons " +
                                std::to_string(i) + " and " + std::to_string(j));
            inductance[i][j] = value / scale;
            inductance[j][i] = value / scale;
        }
    }
    std::string leftOver;
    if (file >> leftOver) throw mismatch;
    return inductance;
}

std::vector<std::pair<long, long>> inducSamplePairs(const std::vector<long>& ribbonIndex, long conductorCount)
{
    // About 50 pairs at most: three per sampled conductor.
    const long stride = std::max(1L, (conductorCount + 15) / 16);
    std::vector<std::pair<long, long>> pairs;
    for (long p = 0; p < conductorCount; p += stride) {
        const long first = ribbonIndex[p + 1];
        const long last = ribbonIndex[p + 2] - 1;
        const long other = ribbonIndex[(p + 1) % conductorCount + 1];
        pairs.emplace_back(first, first);
        pairs.emplace_back(last, last);
        pairs.emplace_back(std::min(first, other), std::max(first, other));
    }
    return pairs;
}

void checkInducFitsStructure(const PreparedStructure& prepared)
{
    for (const auto& [i, j] : inducSamplePairs(prepared.ribbonIndex, prepared.conductorCount)) {
        const double computed = ribbonPairInductance(*prepared.ribbons[i], *prepared.ribbons[j]);
        // The file holds seven significant digits.
        if (!(std::fabs(prepared.partialInductance[i][j] - computed) <= 1e-6 * std::fabs(computed)))
            throw errorLine("induc was computed for a different structure; run again with w");
    }
}

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
    if (!(available > 0.0)) available = static_cast<double>(sysconf(_SC_AVPHYS_PAGES)) * sysconf(_SC_PAGESIZE);
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

void checkMemoryFits(const RunSettings& settings, const Conductor* head, double availableBytes)
{
    double ribbons = 0.0;
    int plateOrdinal = 0;
    for (const Conductor* c = head; c; c = c->next) {
        if (c->shape == ConductorShape::Plate) ++plateOrdinal;
        ribbons += static_cast<double>(plannedRibbonCount(settings, *c, plateOrdinal));
    }
    const double needed = runMemoryBytes(ribbons);
    if (needed <= availableBytes) return;
    char text[200];
    std::snprintf(text, sizeof text, "the structure cuts into %.0f ribbons, which need %.3g bytes of memory; %.3g bytes are available",
                  ribbons, needed, availableBytes);
    throw errorLine(text);
}

PreparedStructure prepareRibbons(RecordPool& pool, const RunSettings& settings, Conductor* head, Ribbon* headRibbon)
{
    checkConductorGeometry(head);
    if (settings.plateCount != 0) placePlateCuts(head, runFilePath(settings, "plate"));
    checkLineCuts(head, settings);
    if (settings.partial == 0) classifyConductors(head);
    checkMemoryFits(settings, head, availableMemoryBytes());

    PreparedStructure prepared;
    for (const Conductor* c = head; c; c = c->next) prepared.isSignal.push_back(isSignalConductor(*c));
    prepared.signalCount = static_cast<int>(std::count(prepared.isSignal.begin(), prepared.isSignal.end(), 1));
    buildRibbonIndex(pool, settings, head, headRibbon, prepared.ribbonIndex);
    prepared.conductorCount = settings.plateCount + settings.lineCount;
    prepared.ribbonCount = prepared.ribbonIndex[prepared.conductorCount + 1];
    closeRibbonChain(headRibbon);
    std::printf("Total %ld ribbons, %ld conductor\n", prepared.ribbonCount, prepared.conductorCount);
    std::fflush(stdout);
    checkEveryConductorHasRibbons(head);

    for (const Ribbon* r = headRibbon; r != nullptr; r = r->next) prepared.ribbons.push_back(r);
    return prepared;
}

void obtainPartialInductance(PreparedStructure& prepared, const RunSettings& settings, const std::string& mode,
                             std::FILE* progressStream)
{
    if (!mode.empty() && mode[0] == 'w') {
        const long n = prepared.ribbonCount;
        ProgressLine progress(progressStream, "inductance fill", n * (n + 1) / 2);
        prepared.partialInductance = computePartialInductance(prepared.ribbons, settings.threads, &progress);
        progress.finish();
        writeInduc(runFilePath(settings, "induc"), prepared.partialInductance, settings.scale);
    } else {
        prepared.partialInductance = readInduc(runFilePath(settings, "induc"), prepared.ribbonCount, settings.scale);
        checkInducFitsStructure(prepared);
    }
}

}  // namespace xsrl
