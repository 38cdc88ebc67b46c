#include "geometry/checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "geometry/discretize.h"
#include "support/errors.h"

namespace xsrl {

namespace {

// "conductor 2 (line) has rx = nan; rx must be a positive number"
Error badValue(int index, const Conductor& c, const char* field, const std::string& value, const char* rule)
{
    return structureError(conductorName(index, c) + " has " + field + " = " + value + "; " + field + " must be " +
                          rule);
}

std::string ratioText(double ratio)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", ratio);
    return text;
}

}  // namespace

double conductorSize(const Conductor& c)
{
    if (c.shape == ConductorShape::Circle) return 2.0 * c.rad;
    return std::min(c.x2 - c.x1, c.y2 - c.y1);
}

double contactTolerance(const Conductor& a, const Conductor& b)
{
    return ContactFraction * std::min(conductorSize(a), conductorSize(b));
}

// Circles are the true circles, not the polygons they are cut into.
double conductorGap(const Conductor& a, const Conductor& b)
{
    if (a.shape == ConductorShape::Circle && b.shape == ConductorShape::Circle)
        return std::hypot(a.xc - b.xc, a.yc - b.yc) - (a.rad + b.rad);
    if (a.shape == ConductorShape::Circle || b.shape == ConductorShape::Circle) {
        const Conductor& circle = a.shape == ConductorShape::Circle ? a : b;
        const Conductor& box = a.shape == ConductorShape::Circle ? b : a;
        // From the centre to the nearest point of the rectangle: zero inside it.
        const double dx = circle.xc - std::clamp(circle.xc, box.x1, box.x2);
        const double dy = circle.yc - std::clamp(circle.yc, box.y1, box.y2);
        return std::hypot(dx, dy) - circle.rad;
    }
    // The overlaps of the two extents along x and along y; negative where they are apart.
    const double alongX = std::min(a.x2, b.x2) - std::max(a.x1, b.x1);
    const double alongY = std::min(a.y2, b.y2) - std::max(a.y1, b.y1);
    if (alongX > 0.0 && alongY > 0.0) return -std::min(alongX, alongY);
    return std::hypot(std::max(0.0, -alongX), std::max(0.0, -alongY));
}

void checkConductorGeometry(const std::vector<Conductor>& conductors)
{
    const int count = static_cast<int>(conductors.size());
    for (int k = 0; k < count; ++k) {
        const Conductor& c = conductors[static_cast<std::size_t>(k)];
        // Negated comparisons so that NaN values are refused too.
        if (c.shape == ConductorShape::Circle) {
            if (std::isnan(c.rad)) throw structureError(conductorName(k, c) + " has no rad");
            if (!(c.rad > 0.0)) throw structureError(conductorName(k, c) + " has rad <= 0");
            // One or two chords enclose no area: the wire would be a flat strip or a point.
            if (c.nr < 3) throw badValue(k, c, "nr", std::to_string(c.nr), "at least 3");
        } else {
            if (!(c.x1 < c.x2)) throw structureError(conductorName(k, c) + " has x2 <= x1");
            if (!(c.y1 < c.y2)) throw structureError(conductorName(k, c) + " has y2 <= y1");
        }
    }
    // Pairs only once each conductor is valid on its own: the overlap test needs x1 < x2, y1 < y2.
    for (int a = 0; a < count; ++a) {
        for (int b = a + 1; b < count; ++b) {
            const Conductor& first = conductors[static_cast<std::size_t>(a)];
            const Conductor& second = conductors[static_cast<std::size_t>(b)];
            if (-conductorGap(first, second) > contactTolerance(first, second))
                throw structureError(conductorName(a, first) + " overlaps " + conductorName(b, second));
        }
    }
}

void checkLineCuts(const std::vector<Conductor>& conductors, const RunSettings& settings)
{
    for (std::size_t k = 0; k < conductors.size(); ++k) {
        const Conductor& c = conductors[k];
        const int index = static_cast<int>(k);
        if (c.shape != ConductorShape::Line || isFilamentLine(c, settings)) continue;
        if (c.nx < 1) throw badValue(index, c, "nx", std::to_string(c.nx), "at least 1");
        if (c.ny < 1) throw badValue(index, c, "ny", std::to_string(c.ny), "at least 1");
        if (c.model == ConductorModel::Vf) continue;
        if (!(c.rx > 0.0)) throw badValue(index, c, "rx", ratioText(c.rx), "a positive number");
        if (!(c.ry > 0.0)) throw badValue(index, c, "ry", ratioText(c.ry), "a positive number");
    }
}

void checkEveryConductorHasRibbons(const std::vector<Conductor>& conductors, const Ribbons& ribbons)
{
    for (int k = 0; k < ribbons.conductorCount(); ++k) {
        if (ribbons.endOf(k) == ribbons.firstOf(k))
            throw structureError(conductorName(k, conductors[static_cast<std::size_t>(k)]) +
                                 " gets no ribbons (no line or circle faces it)");
    }
}

}  // namespace xsrl
