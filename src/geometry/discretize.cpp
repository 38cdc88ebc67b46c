#include "geometry/discretize.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "numerics/constants.h"
#include "support/run_error.h"

namespace xsrl {

namespace {

// Fills `current` as one ribbon of `owner` and returns the fresh empty record after it.
Ribbon* fillRibbon(RecordPool& pool, Ribbon* current, long& ribbonCount, Conductor& owner, RibbonKind kind,
                   double x1, double y1, double x2, double y2)
{
    current->x1 = x1;
    current->y1 = y1;
    current->x2 = x2;
    current->y2 = y2;
    current->kind = kind;
    current->owner = &owner;
    ++ribbonCount;
    return newRibbon(pool, current);
}

// The cut points of one plate's bottom and top faces, in ascending order.
struct PlateCuts {
    std::vector<double> below;
    std::vector<double> above;
};

// Reads the points of plate `plateOrdinal` back from the run file "plate": lines of a face
// word, a plate ordinal and an x position; reading stops at the end or at any other word.
PlateCuts readPlateCuts(const RunSettings& settings, int plateOrdinal)
{
    const std::string path = runFilePath(settings, "plate");
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) throw errorLine("cannot open the file \"" + path + "\" for reading");
    PlateCuts cuts;
    char word[64];
    long ordinal = 0;
    double x = 0.0;
    while (std::fscanf(file, "%63s %ld %le", word, &ordinal, &x) == 3) {
        const bool below = std::strcmp(word, "below") == 0;
        if (!below && std::strcmp(word, "above") != 0) break;
        if (ordinal == plateOrdinal) (below ? cuts.below : cuts.above).push_back(x);
    }
    std::fclose(file);
    return cuts;
}

// Ribbons between neighbouring cut points of one plate face, from height y1 to y2.
Ribbon* fillPlateFace(RecordPool& pool, Ribbon* current, long& ribbonCount, Conductor& plate,
                      const std::vector<double>& points, RibbonKind kind, double y1, double y2)
{
    for (std::size_t k = 0; k + 1 < points.size(); ++k)
        current = fillRibbon(pool, current, ribbonCount, plate, kind, points[k], y1, points[k + 1], y2);
    return current;
}

Ribbon* discretizePlate(RecordPool& pool, const RunSettings& settings, Conductor& plate, Ribbon* current,
                        long& ribbonCount, int plateOrdinal)
{
    PlateCuts cuts;
    if (settings.plateCount != 0) cuts = readPlateCuts(settings, plateOrdinal);
    const double t = std::fabs(plate.x2 - plate.x1) * 1e-4;
    const RibbonKind bottomKind = cuts.above.empty() ? RibbonKind::PlateOneFace : RibbonKind::PlateBothFaces;
    const RibbonKind topKind = cuts.below.empty() ? RibbonKind::PlateOneFace : RibbonKind::PlateBothFaces;
    current = fillPlateFace(pool, current, ribbonCount, plate, cuts.below, bottomKind, plate.y1, plate.y1 + t);
    // Top-face ribbons lie inside the plate.
    return fillPlateFace(pool, current, ribbonCount, plate, cuts.above, topKind, plate.y2, plate.y2 - t);
}

// A grid of nx by ny filaments, bottom row first, each row from left to right.
Ribbon* discretizeFilamentGrid(RecordPool& pool, Conductor& line, Ribbon* current, long& ribbonCount)
{
    const double dx = std::fabs(line.x2 - line.x1) / line.nx;
    const double dy = std::fabs(line.y2 - line.y1) / line.ny;
    for (int j = 0; j < line.ny; ++j) {
        for (int i = 0; i < line.nx; ++i) {
            const double x = line.x1 + i * dx;
            const double y = line.y1 + j * dy;
            current = fillRibbon(pool, current, ribbonCount, line, RibbonKind::Filament, x, y, x + dx, y + dy);
        }
    }
    return current;
}

// The n + 1 edges of graded ribbons from `start` over the length `extent`.
std::vector<double> gradedEdges(int n, double r, double start, double extent)
{
    std::vector<double> weights(n);
    const double u = extent / gradedWeights(weights.data(), n, r);
    std::vector<double> edges(n + 1);
    edges[0] = start;
    for (int i = 0; i < n; ++i) edges[i + 1] = edges[i] + u * weights[i];
    return edges;
}

// Surface ribbons on the four faces: bottom, top (outside the line), left, right.
Ribbon* discretizeGradedLine(RecordPool& pool, Conductor& line, Ribbon* current, long& ribbonCount)
{
    const double t = std::fabs(line.x2 - line.x1) * 1e-4;
    const bool wholeFaces = line.nx == 1;
    const RibbonKind kindX = wholeFaces ? RibbonKind::WholeFaceX : RibbonKind::FaceX;
    const RibbonKind kindY = wholeFaces ? RibbonKind::WholeFaceY : RibbonKind::FaceY;
    const std::vector<double> xs = gradedEdges(line.nx, line.rx, line.x1, line.x2 - line.x1);
    const std::vector<double> ys = gradedEdges(line.ny, line.ry, line.y1, line.y2 - line.y1);
    const auto horizontalFace = [&](double y1, double y2) {
        for (int i = 0; i < line.nx; ++i)
            current = fillRibbon(pool, current, ribbonCount, line, kindX, xs[i], y1, xs[i + 1], y2);
    };
    const auto verticalFace = [&](double x1, double x2) {
        for (int i = 0; i < line.ny; ++i)
            current = fillRibbon(pool, current, ribbonCount, line, kindY, x1, ys[i], x2, ys[i + 1]);
    };
    horizontalFace(line.y1, line.y1 + t);
    horizontalFace(line.y2, line.y2 + t);
    verticalFace(line.x1, line.x1 + t);
    verticalFace(line.x2, line.x2 + t);
    return current;
}

Ribbon* discretizeLine(RecordPool& pool, const RunSettings& settings, Conductor& line, Ribbon* current,
                       long& ribbonCount)
{
    if (isFilamentLine(line, settings))
        return fillRibbon(pool, current, ribbonCount, line, RibbonKind::Filament, line.x1, line.y1, line.x2, line.y2);
    if (line.type == TypeVf) return discretizeFilamentGrid(pool, line, current, ribbonCount);
    return discretizeGradedLine(pool, line, current, ribbonCount);
}

// The nr chords of the inscribed polygon, counter-clockwise from the point at angle 0.
Ribbon* discretizeCircle(RecordPool& pool, Conductor& circle, Ribbon* current, long& ribbonCount)
{
    const double step = TwoPi / circle.nr;
    for (int i = 0; i < circle.nr; ++i) {
        const double a1 = i * step;
        const double a2 = (i + 1) * step;
        Ribbon* chord = current;
        current = fillRibbon(pool, current, ribbonCount, circle, RibbonKind::Chord, circle.xc + circle.rad * std::cos(a1),
                             circle.yc + circle.rad * std::sin(a1), circle.xc + circle.rad * std::cos(a2),
                             circle.yc + circle.rad * std::sin(a2));
        chord->segment = i;
    }
    return current;
}

} // namespace

double gradedWeights(double* weights, int n, double r)
{
    weights[0] = 1.0;
    double sum = 1.0;
    for (int i = 1; i < n; ++i) {
        if (i < n / 2.0)
            weights[i] = r * weights[i - 1];
        else if (i == n / 2)
            weights[i] = weights[i - 1];
        else
            weights[i] = weights[i - 1] / r;
        sum += weights[i];
    }
    return sum;
}

double skinDepthAtFmax(double fmax, double sigma)
{
    return 1.0 / std::sqrt(Pi * fmax * 4 * Pi * sigma * 1e-7);
}

bool isFilamentLine(const Conductor& line, const RunSettings& settings)
{
    const double delta = skinDepthAtFmax(settings.fmax, line.sigma);
    return std::fabs(line.x2 - line.x1) < delta && std::fabs(line.y2 - line.y1) < delta;
}

long long plannedRibbonCount(const RunSettings& settings, const Conductor& conductor, int plateOrdinal)
{
    if (conductor.shape == ConductorShape::Circle) return conductor.nr;
    if (conductor.shape == ConductorShape::Plate) {
        if (settings.plateCount == 0) return 0;
        const PlateCuts cuts = readPlateCuts(settings, plateOrdinal);
        const auto ribbonsOn = [](const std::vector<double>& points) {
            return points.empty() ? 0LL : static_cast<long long>(points.size()) - 1;
        };
        return ribbonsOn(cuts.below) + ribbonsOn(cuts.above);
    }
    if (isFilamentLine(conductor, settings)) return 1;
    if (conductor.type == TypeVf) return static_cast<long long>(conductor.nx) * conductor.ny;
    return 2LL * conductor.nx + 2LL * conductor.ny;
}

Ribbon* discretizeConductor(RecordPool& pool, const RunSettings& settings, Conductor& conductor, Ribbon* current,
                            long& ribbonCount, int plateOrdinal)
{
    switch (conductor.shape) {
    case ConductorShape::Plate:
        return discretizePlate(pool, settings, conductor, current, ribbonCount, plateOrdinal);
    case ConductorShape::Line:
        return discretizeLine(pool, settings, conductor, current, ribbonCount);
    default:
        return discretizeCircle(pool, conductor, current, ribbonCount);
    }
}

}  // namespace xsrl
