#include "geometry/checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "geometry/discretize.h"
#include "support/run_error.h"

namespace xsrl {

namespace {

// "conductor 3 (circle)": the position in deck order, from 1, and the block word.
std::string conductorName(int position, const Conductor& c)
{
    return "conductor " + std::to_string(position) + " (" + shapeWord(c.shape) + ")";
}

// "conductor 2 (line) has rx = nan; rx must be a positive number"
RunError badValue(int position, const Conductor& c, const char* field, const std::string& value, const char* rule)
{
    return errorLine(conductorName(position, c) + " has " + field + " = " + value + "; " + field + " must be " + rule);
}

std::string ratioText(double ratio)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", ratio);
    return text;
}

// The cross-sections share an area; shapes that only touch along an edge or at a point do
// not. Circles are the true circles, not the polygons they are cut into; the comparisons
// are exact so that a tangent given in exact numbers counts as touching.
bool crossSectionsOverlap(const Conductor& a, const Conductor& b)
{
    if (a.shape == ConductorShape::Circle && b.shape == ConductorShape::Circle) {
        const double dx = a.xc - b.xc;
        const double dy = a.yc - b.yc;
        const double reach = a.rad + b.rad;
        return dx * dx + dy * dy < reach * reach;
    }
    if (a.shape == ConductorShape::Circle || b.shape == ConductorShape::Circle) {
        const Conductor& circle = a.shape == ConductorShape::Circle ? a : b;
        const Conductor& box = a.shape == ConductorShape::Circle ? b : a;
        // From the centre to the nearest point of the rectangle: zero inside it.
        const double dx = circle.xc - std::clamp(circle.xc, box.x1, box.x2);
        const double dy = circle.yc - std::clamp(circle.yc, box.y1, box.y2);
        return dx * dx + dy * dy < circle.rad * circle.rad;
    }
    return std::min(a.x2, b.x2) > std::max(a.x1, b.x1) && std::min(a.y2, b.y2) > std::max(a.y1, b.y1);
}

} // namespace

void checkConductorGeometry(const Conductor* head)
{
    int position = 1;
    for (const Conductor* c = head; c; c = c->next, ++position) {
        // Negated comparisons so that NaN values are refused too.
        if (c->shape == ConductorShape::Circle) {
            if (std::isnan(c->rad)) throw errorLine(conductorName(position, *c) + " has no rad");
            if (!(c->rad > 0.0)) throw errorLine(conductorName(position, *c) + " has rad <= 0");
            // One or two chords enclose no area: the wire would be a flat strip or a point.
            if (c->nr < 3) throw badValue(position, *c, "nr", std::to_string(c->nr), "at least 3");
        } else {
            if (!(c->x1 < c->x2)) throw errorLine(conductorName(position, *c) + " has x2 <= x1");
            if (!(c->y1 < c->y2)) throw errorLine(conductorName(position, *c) + " has y2 <= y1");
        }
    }
    // Pairs only once each conductor is valid on its own: the overlap test needs x1 < x2, y1 < y2.
    int first = 1;
    for (const Conductor* a = head; a; a = a->next, ++first) {
        int second = first + 1;
        for (const Conductor* b = a->next; b; b = b->next, ++second) {
            if (crossSectionsOverlap(*a, *b))
                throw errorLine(conductorName(first, *a) + " overlaps " + conductorName(second, *b));
        }
    }
}

void checkLineCuts(const Conductor* head, const RunSettings& settings)
{
    int position = 1;
    for (const Conductor* c = head; c; c = c->next, ++position) {
        if (c->shape != ConductorShape::Line || isFilamentLine(*c, settings)) continue;
        if (c->nx < 1) throw badValue(position, *c, "nx", std::to_string(c->nx), "at least 1");
        if (c->ny < 1) throw badValue(position, *c, "ny", std::to_string(c->ny), "at least 1");
        if (c->type == TypeVf) continue;
        if (!(c->rx > 0.0)) throw badValue(position, *c, "rx", ratioText(c->rx), "a positive number");
        if (!(c->ry > 0.0)) throw badValue(position, *c, "ry", ratioText(c->ry), "a positive number");
    }
}

void checkEveryConductorHasRibbons(const Conductor* head)
{
    int position = 1;
    for (const Conductor* c = head; c; c = c->next, ++position) {
        if (c->endRibbonIndex == c->firstRibbonIndex)
            throw errorLine(conductorName(position, *c) + " gets no ribbons (no line or circle faces it)");
    }
}

}  // namespace xsrl
