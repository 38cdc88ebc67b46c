#include "geometry/discretize.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "kernels/chord_inductance.h"
#include "numerics/constants.h"

namespace xsrl {

namespace {

// The ribbons of one conductor as they are made.
struct RibbonSink {
    std::vector<Ribbon>& ribbons;
    int conductor;

    void add(RibbonKind kind, double x1, double y1, double x2, double y2)
    {
        ribbons.push_back(Ribbon{x1, y1, x2, y2, kind, conductor});
    }
};

// Ribbons between neighbouring cut points of one plate face, from height y1 to y2.
void fillPlateFace(RibbonSink& sink, const std::vector<double>& points, RibbonKind kind, double y1, double y2)
{
    for (std::size_t k = 0; k + 1 < points.size(); ++k) sink.add(kind, points[k], y1, points[k + 1], y2);
}

// The accurate mode's plate ribbons: strips of zero thickness on the faces themselves.
void discretizePlateStrips(RibbonSink& sink, const Conductor& plate, const PlateFaceCuts& cuts)
{
    const RibbonKind bottomKind = cuts.above.empty() ? RibbonKind::PlateStripOneFace : RibbonKind::PlateStripBothFaces;
    const RibbonKind topKind = cuts.below.empty() ? RibbonKind::PlateStripOneFace : RibbonKind::PlateStripBothFaces;
    fillPlateFace(sink, cuts.below, bottomKind, plate.y1, plate.y1);
    fillPlateFace(sink, cuts.above, topKind, plate.y2, plate.y2);
}

void discretizePlate(RibbonSink& sink, const Conductor& plate, const PlateFaceCuts& cuts)
{
    const double t = std::fabs(plate.x2 - plate.x1) * 1e-4;
    const RibbonKind bottomKind = cuts.above.empty() ? RibbonKind::PlateOneFace : RibbonKind::PlateBothFaces;
    const RibbonKind topKind = cuts.below.empty() ? RibbonKind::PlateOneFace : RibbonKind::PlateBothFaces;
    fillPlateFace(sink, cuts.below, bottomKind, plate.y1, plate.y1 + t);
    // Top-face ribbons lie inside the plate.
    fillPlateFace(sink, cuts.above, topKind, plate.y2, plate.y2 - t);
}

// A grid of nx by ny filaments, bottom row first, each row from left to right.
void discretizeFilamentGrid(RibbonSink& sink, const Conductor& line)
{
    const double dx = std::fabs(line.x2 - line.x1) / line.nx;
    const double dy = std::fabs(line.y2 - line.y1) / line.ny;
    for (int j = 0; j < line.ny; ++j) {
        for (int i = 0; i < line.nx; ++i) {
            const double x = line.x1 + i * dx;
            const double y = line.y1 + j * dy;
            sink.add(RibbonKind::Filament, x, y, x + dx, y + dy);
        }
    }
}

// The n + 1 edges of graded ribbons from `start` over the length `extent`.
std::vector<double> gradedEdges(int n, double r, double start, double extent)
{
    const std::size_t count = static_cast<std::size_t>(n);
    std::vector<double> weights(count);
    const double u = extent / gradedWeights(weights.data(), n, r);
    std::vector<double> edges(count + 1);
    edges[0] = start;
    for (std::size_t i = 0; i < count; ++i) edges[i + 1] = edges[i] + u * weights[i];
    return edges;
}

// Surface ribbons on the four faces: bottom, top (outside the line), left, right.
void discretizeGradedLine(RibbonSink& sink, const Conductor& line)
{
    const double t = std::fabs(line.x2 - line.x1) * 1e-4;
    const bool wholeFaces = line.nx == 1;
    const RibbonKind kindX = wholeFaces ? RibbonKind::WholeFaceX : RibbonKind::FaceX;
    const RibbonKind kindY = wholeFaces ? RibbonKind::WholeFaceY : RibbonKind::FaceY;
    const std::vector<double> xs = gradedEdges(line.nx, line.rx, line.x1, line.x2 - line.x1);
    const std::vector<double> ys = gradedEdges(line.ny, line.ry, line.y1, line.y2 - line.y1);
    const auto horizontalFace = [&](double y1, double y2) {
        for (std::size_t i = 0; i + 1 < xs.size(); ++i) sink.add(kindX, xs[i], y1, xs[i + 1], y2);
    };
    const auto verticalFace = [&](double x1, double x2) {
        for (std::size_t i = 0; i + 1 < ys.size(); ++i) sink.add(kindY, x1, ys[i], x2, ys[i + 1]);
    };
    horizontalFace(line.y1, line.y1 + t);
    horizontalFace(line.y2, line.y2 + t);
    verticalFace(line.x1, line.x1 + t);
    verticalFace(line.x2, line.x2 + t);
}

void discretizeLine(RibbonSink& sink, const RunSettings& settings, const Conductor& line)
{
    if (isFilamentLine(line, settings))
        sink.add(RibbonKind::Filament, line.x1, line.y1, line.x2, line.y2);
    else if (line.model == ConductorModel::Vf)
        discretizeFilamentGrid(sink, line);
    else
        discretizeGradedLine(sink, line);
}

// The nr chords of a polygon, counter-clockwise from the vertex at angle 0: inscribed in the
// circle, or in the accurate mode with the radius that gives it the circle's self inductance.
void discretizeCircle(RibbonSink& sink, const RunSettings& settings, const Conductor& circle)
{
    const bool accurate = settings.accuracy == Accuracy::High;
    const RibbonKind kind = accurate ? RibbonKind::AccurateChord : RibbonKind::Chord;
    const double radius = accurate ? chordPolygonRadius(circle.rad, circle.nr) : circle.rad;
    const double step = TwoPi / circle.nr;
    for (int i = 0; i < circle.nr; ++i) {
        const double a1 = i * step;
        const double a2 = (i + 1) * step;
        sink.add(kind, circle.xc + radius * std::cos(a1), circle.yc + radius * std::sin(a1),
                 circle.xc + radius * std::cos(a2), circle.yc + radius * std::sin(a2));
    }
}

// Gap between the surface of circle k and the nearest other conductor; infinite when alone.
double nearestGap(const std::vector<Conductor>& conductors, std::size_t k)
{
    const Conductor& circle = conductors[k];
    double gap = std::numeric_limits<double>::infinity();
    for (std::size_t j = 0; j < conductors.size(); ++j) {
        if (j == k) continue;
        const Conductor& other = conductors[j];
        double distance = 0.0;
        if (other.shape == ConductorShape::Circle) {
            distance = std::hypot(other.xc - circle.xc, other.yc - circle.yc) - other.rad;
        } else {
            const double dx = std::max({other.x1 - circle.xc, 0.0, circle.xc - other.x2});
            const double dy = std::max({other.y1 - circle.yc, 0.0, circle.yc - other.y2});
            distance = std::hypot(dx, dy);
        }
        gap = std::min(gap, std::max(0.0, distance - circle.rad));
    }
    return gap;
}

// Chords of the accurate mode for a circle of this radius whose nearest neighbour is `gap`
// away. A neighbour crowds the current to one side; a wire beside another D = 2a + gap apart
// carries the patterns cos(n phi) in proportion to b^n, b = D/2a - sqrt((D/2a)^2 - 1), and n
// equal chords err on R by about 6.4 b^2 / ((1 - b^2) n)^2 (measured against the two wires'
// exact series; L errs ten times less). 146 b / (1 - b^2) chords keep that below 3e-4; a plate
// or line at the same gap crowds the current less. From 16 chords, and at most 512: that
// holds 3e-4 down to a gap of about 0.016 a and 0.1 % down to about 0.005 a.
int accurateChordCount(double radius, double gap)
{
    const int fewest = 16;
    const int most = 512;
    if (std::isinf(gap)) return fewest;
    const double half = 1.0 + gap / (2.0 * radius);
    const double b = half - std::sqrt(half * half - 1.0);
    const double chords = std::ceil(146.0 * b / (1.0 - b * b));
    return chords < most ? std::max(fewest, static_cast<int>(chords)) : most;
}

}  // namespace

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

double skinDepthAtFmax(double fmax, double sigma) { return 1.0 / std::sqrt(Pi * fmax * 4 * Pi * sigma * 1e-7); }

bool isFilamentLine(const Conductor& line, const RunSettings& settings)
{
    const double delta = skinDepthAtFmax(settings.fmax, line.sigma);
    return std::fabs(line.x2 - line.x1) < delta && std::fabs(line.y2 - line.y1) < delta;
}

void chooseAccurateChordCounts(std::vector<Conductor>& conductors)
{
    for (std::size_t k = 0; k < conductors.size(); ++k) {
        Conductor& c = conductors[k];
        if (c.shape == ConductorShape::Circle)
            c.nr = std::max(c.nr, accurateChordCount(c.rad, nearestGap(conductors, k)));
    }
}

long long plannedRibbonCount(const RunSettings& settings, const Conductor& conductor, const PlateFaceCuts* plateCuts)
{
    if (conductor.shape == ConductorShape::Circle) return conductor.nr;
    if (conductor.shape == ConductorShape::Plate) {
        if (!plateCuts) return 0;
        const auto ribbonsOn = [](const std::vector<double>& points) {
            return points.empty() ? 0LL : static_cast<long long>(points.size()) - 1;
        };
        return ribbonsOn(plateCuts->below) + ribbonsOn(plateCuts->above);
    }
    if (isFilamentLine(conductor, settings)) return 1;
    if (conductor.model == ConductorModel::Vf) return static_cast<long long>(conductor.nx) * conductor.ny;
    return 2LL * conductor.nx + 2LL * conductor.ny;
}

void discretizeConductor(const RunSettings& settings, const Conductor& conductor, int index,
                         const PlateFaceCuts* plateCuts, std::vector<Ribbon>& ribbons)
{
    RibbonSink sink{ribbons, index};
    switch (conductor.shape) {
    case ConductorShape::Plate:
        if (!plateCuts) return;
        if (settings.accuracy == Accuracy::High)
            discretizePlateStrips(sink, conductor, *plateCuts);
        else
            discretizePlate(sink, conductor, *plateCuts);
        return;
    case ConductorShape::Line: return discretizeLine(sink, settings, conductor);
    default: return discretizeCircle(sink, settings, conductor);
    }
}

}  // namespace xsrl
