#include "geometry/accurate_cuts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "geometry/discretize.h"

namespace xsrl {

namespace {

// Plate ribbons at a facing line edge: this share of the line's gap to the face wide, each
// next one this much wider than the one before.
constexpr double PlateEdgeWidth = 0.25;
constexpr double PlateGrowth = 1.3;

// Line ribbons at the corners: this share of the line's smallest size wide; the largest
// grading ratio of gradedWeights.
constexpr double LineCornerWidth = 0.05;
constexpr double LineGrading = 1.3;
constexpr int MostLineRibbonsPerFace = 200;

constexpr double Unbounded = std::numeric_limits<double>::infinity();

// Edges of the graded ribbons of the stretch [a, b], appended after a (b included). The wanted
// width grows linearly from eLeft at a and from eRight at b (either may be unbounded, not
// both); phi = integral of dx / width is split into equal steps.
void gradeStretch(double a, double b, double eLeft, double eRight, std::vector<double>& edges)
{
    const double k = PlateGrowth - 1.0;
    const double length = b - a;
    // Where the two widths meet; the width grows from the left before it, from the right after.
    double meet = eLeft == Unbounded ? 0.0 : eRight == Unbounded ? length : (eRight - eLeft + k * length) / (2.0 * k);
    meet = std::clamp(meet, 0.0, length);
    const double phiLeft = meet == 0.0 ? 0.0 : std::log1p(k * meet / eLeft) / k;
    const double phiRight = meet == length ? 0.0 : std::log1p(k * (length - meet) / eRight) / k;
    const double phi = phiLeft + phiRight;
    const int count = std::max(1, static_cast<int>(std::ceil(phi - 1e-9)));
    for (int i = 1; i < count; ++i) {
        const double at = phi * i / count;
        if (at <= phiLeft)
            edges.push_back(a + eLeft * std::expm1(k * at) / k);
        else
            edges.push_back(b - eRight * std::expm1(k * (phi - at)) / k);
    }
    edges.push_back(b);
}

struct Bounds {
    double x1;
    double x2;
    double y1;
    double y2;
};

Bounds boundsOf(const Conductor& c)
{
    if (c.shape == ConductorShape::Circle) return Bounds{c.xc - c.rad, c.xc + c.rad, c.yc - c.rad, c.yc + c.rad};
    return Bounds{c.x1, c.x2, c.y1, c.y2};
}

// Smallest distance between the bounding boxes of two conductors; 0 when they touch.
double boundsGap(const Conductor& first, const Conductor& second)
{
    const Bounds a = boundsOf(first);
    const Bounds b = boundsOf(second);
    const double dx = std::max({0.0, b.x1 - a.x2, a.x1 - b.x2});
    const double dy = std::max({0.0, b.y1 - a.y2, a.y1 - b.y2});
    return std::hypot(dx, dy);
}

// Width of the corner ribbons of n graded by ratio r on a face `extent` long.
double cornerWidth(double extent, int n, double r)
{
    std::vector<double> weights(static_cast<std::size_t>(n));
    return extent / gradedWeights(weights.data(), n, r);
}

// How a face `extent` long is cut so that its corner ribbons are no wider than `corner`: the
// fewest ribbons graded by LineGrading, or the deck's count when it is more, then the least
// ratio that still makes the corner ribbons that narrow.
void cutFace(double extent, double corner, std::int32_t& n, double& ratio)
{
    int fewest = 1;
    while (fewest < MostLineRibbonsPerFace && cornerWidth(extent, fewest, LineGrading) > corner) ++fewest;
    n = std::max(n, fewest);
    double low = 1.0;
    double high = LineGrading;
    if (cornerWidth(extent, n, low) <= corner) high = low;
    for (int i = 0; i < 60 && high - low > 1e-12; ++i) {
        const double middle = 0.5 * (low + high);
        (cornerWidth(extent, n, middle) > corner ? low : high) = middle;
    }
    ratio = high;
}

}  // namespace

std::vector<double> gradedFaceEdges(const std::vector<double>& cutPoints, const std::vector<FacingEdge>& edges)
{
    std::vector<double> out;
    if (cutPoints.empty()) return out;
    out.push_back(cutPoints.front());
    const double k = PlateGrowth - 1.0;
    for (std::size_t s = 0; s + 1 < cutPoints.size(); ++s) {
        const double a = cutPoints[s];
        const double b = cutPoints[s + 1];
        const double middle = 0.5 * (a + b);
        double eLeft = Unbounded;
        double eRight = Unbounded;
        for (const FacingEdge& e : edges) {
            const double base = PlateEdgeWidth * e.gap;
            if (e.x <= middle)
                eLeft = std::min(eLeft, base + k * std::max(0.0, a - e.x));
            else
                eRight = std::min(eRight, base + k * std::max(0.0, e.x - b));
        }
        if (eLeft == Unbounded && eRight == Unbounded)
            out.push_back(b);
        else
            gradeStretch(a, b, eLeft, eRight, out);
    }
    return out;
}

void refineLineCuts(std::vector<Conductor>& conductors, const RunSettings& settings)
{
    for (std::size_t k = 0; k < conductors.size(); ++k) {
        Conductor& line = conductors[k];
        if (line.shape != ConductorShape::Line || line.model == ConductorModel::Vf || isFilamentLine(line, settings))
            continue;
        const double width = line.x2 - line.x1;
        const double thickness = line.y2 - line.y1;
        double size = std::min(width, thickness);
        for (std::size_t j = 0; j < conductors.size(); ++j) {
            const double gap = j == k ? 0.0 : boundsGap(line, conductors[j]);
            if (gap > 0.0) size = std::min(size, gap);
        }
        cutFace(width, LineCornerWidth * size, line.nx, line.rx);
        cutFace(thickness, LineCornerWidth * size, line.ny, line.ry);
    }
}

}  // namespace xsrl
