// Structure checks that refuse conductors the discretization cannot cut sensibly.
#include <cmath>
#include <string>

#include "geometry/discretize.h"
#include "geometry/plates.h"
#include "model/run_error.h"

namespace {

// "conductor 3 (circle)": the position in deck order, from 1, and the block word.
std::string conductorName(int position, const Conductor& c)
{
    return "conductor " + std::to_string(position) + " (" + shapeWord(c.shape) + ")";
}

} // namespace

void checkConductorGeometry(const Conductor* head)
{
    int position = 1;
    for (const Conductor* c = head; c; c = c->next, ++position) {
        // Negated comparisons so that NaN values are refused too.
        if (c->shape == ShapeCircle) {
            if (std::isnan(c->rad)) throw errorLine(conductorName(position, *c) + " has no rad");
            if (!(c->rad > 0.0)) throw errorLine(conductorName(position, *c) + " has rad <= 0");
            if (c->nr < 1) throw errorLine(conductorName(position, *c) + " has nr < 1");
        } else {
            if (!(c->x1 < c->x2)) throw errorLine(conductorName(position, *c) + " has x2 <= x1");
            if (!(c->y1 < c->y2)) throw errorLine(conductorName(position, *c) + " has y2 <= y1");
        }
    }
}

void checkLineCuts(const Conductor* head, const RunSettings& settings)
{
    int position = 1;
    for (const Conductor* c = head; c; c = c->next, ++position) {
        if (c->shape != ShapeLine || isFilamentLine(*c, settings)) continue;
        if (c->nx < 1) throw errorLine(conductorName(position, *c) + " has nx < 1");
        if (c->ny < 1) throw errorLine(conductorName(position, *c) + " has ny < 1");
        if (c->type == TypeVf) continue;
        if (!(c->rx > 0.0)) throw errorLine(conductorName(position, *c) + " has rx <= 0");
        if (!(c->ry > 0.0)) throw errorLine(conductorName(position, *c) + " has ry <= 0");
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
