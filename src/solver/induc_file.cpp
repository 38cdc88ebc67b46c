#include "solver/induc_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "kernels/inductance.h"
#include "support/errors.h"
#include "xsrl/output_file.h"

namespace xsrl {

void writeInduc(const std::string& path, const RealMatrix& inductance, double scale)
{
    OutputFile file(path, path);
    const int n = inductance.rows();
    for (int i = 0; i < n; ++i)
        for (int j = i; j < n; ++j) file.print("%d %d %le\n", i, j, inductance[i][j] * scale);
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

}  // namespace

RealMatrix readInduc(const std::string& path, long ribbonCount, double scale)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) throw fileError(path + " is a directory");
    std::ifstream file(path);
    if (!file) throw fileError("cannot open " + path + " for reading: " + std::strerror(errno));
    const Error mismatch = fileError(path + " does not match this deck");
    const int n = static_cast<int>(ribbonCount);
    RealMatrix inductance = squareMatrix(n);
    std::string rowToken, columnToken, valueToken;
    for (int i = 0; i < n; ++i) {
        for (int j = i; j < n; ++j) {
            long row = 0, column = 0;
            double value = 0.0;
            if (!(file >> rowToken >> columnToken >> valueToken) || !parseLong(rowToken, row) ||
                !parseLong(columnToken, column) || !parseDouble(valueToken, value) || row != i || column != j)
                throw mismatch;
            if (!std::isfinite(value))
                throw fileError(path + " holds a value that is not finite, '" + valueToken + "' for ribbons " +
                                std::to_string(i) + " and " + std::to_string(j));
            inductance[i][j] = value / scale;
            inductance[j][i] = value / scale;
        }
    }
    std::string leftOver;
    if (file >> leftOver) throw mismatch;
    return inductance;
}

std::vector<std::pair<long, long>> inducSamplePairs(const Ribbons& ribbons)
{
    // About 50 pairs at most: three per sampled conductor.
    const int conductorCount = ribbons.conductorCount();
    const int stride = std::max(1, (conductorCount + 15) / 16);
    std::vector<std::pair<long, long>> pairs;
    for (int p = 0; p < conductorCount; p += stride) {
        const long first = ribbons.firstOf(p);
        const long last = ribbons.endOf(p) - 1;
        const long other = ribbons.firstOf((p + 1) % conductorCount);
        pairs.emplace_back(first, first);
        pairs.emplace_back(last, last);
        pairs.emplace_back(std::min(first, other), std::max(first, other));
    }
    return pairs;
}

void checkInducFitsStructure(const Ribbons& ribbons, const RealMatrix& inductance, Accuracy accuracy)
{
    for (const auto& [i, j] : inducSamplePairs(ribbons)) {
        const double computed = ribbonPairInductance(ribbons.list[static_cast<std::size_t>(i)],
                                                     ribbons.list[static_cast<std::size_t>(j)], accuracy);
        // The file holds seven significant digits.
        if (!(std::fabs(inductance[static_cast<int>(i)][j] - computed) <= 1e-6 * std::fabs(computed)))
            throw fileError("induc was computed for a different structure; run again with w");
    }
}

}  // namespace xsrl
