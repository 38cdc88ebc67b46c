#include "app/prepare.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "geometry/plates.h"
#include "kernels/inductance.h"
#include "model/run_error.h"

RealMatrix computePartialInductance(const std::vector<const Ribbon*>& ribbons, unsigned threads)
{
    const int n = static_cast<int>(ribbons.size());
    RealMatrix inductance = squareMatrix(n);
    // Rows are dealt out round-robin: row i holds n - i pairs, so neighbours balance.
    auto fillRows = [&](unsigned first, unsigned stride) {
        for (int i = static_cast<int>(first); i < n; i += static_cast<int>(stride)) {
            for (int j = i; j < n; ++j) {
                const double value = ribbonPairInductance(*ribbons[i], *ribbons[j]);
                inductance[i][j] = value;
                inductance[j][i] = value;
            }
        }
    };
    threads = std::max(1u, threads);
    std::vector<std::thread> workers;
    for (unsigned t = 1; t < threads; ++t) workers.emplace_back(fillRows, t, threads);
    fillRows(0, threads);
    for (std::thread& worker : workers) worker.join();
    return inductance;
}

void writeInduc(const std::string& path, const RealMatrix& inductance, double scale)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) throw errorLine("cannot open " + path + " for writing");
    const long n = inductance.rows();
    for (long i = 0; i < n; ++i)
        for (long j = i; j < n; ++j) std::fprintf(file, "%ld %ld %le\n", i, j, inductance[i][j] * scale);
    std::fclose(file);
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
    std::ifstream file(path);
    if (!file) throw errorLine("cannot open " + path + " for reading");
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
            inductance[i][j] = value / scale;
            inductance[j][i] = value / scale;
        }
    }
    std::string leftOver;
    if (file >> leftOver) throw mismatch;
    return inductance;
}

PreparedStructure prepareRibbons(RecordPool& pool, const RunSettings& settings, Conductor* head, Ribbon* headRibbon)
{
    checkConductorGeometry(head);
    if (settings.plateCount != 0) placePlateCuts(head);
    checkLineCuts(head, settings);
    if (settings.partial == 0) classifyConductors(head);

    PreparedStructure prepared;
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

void obtainPartialInductance(PreparedStructure& prepared, const RunSettings& settings, const std::string& mode)
{
    if (!mode.empty() && mode[0] == 'w') {
        prepared.partialInductance = computePartialInductance(prepared.ribbons, std::thread::hardware_concurrency());
        writeInduc("induc", prepared.partialInductance, settings.scale);
    } else {
        prepared.partialInductance = readInduc("induc", prepared.ribbonCount, settings.scale);
    }
}
