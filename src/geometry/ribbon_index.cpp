#include "geometry/ribbon_index.h"

#include <cmath>

#include "geometry/discretize.h"
#include "support/run_error.h"

namespace xsrl {

bool isSignalConductor(const Conductor& conductor) { return std::fabs(conductor.v) >= 1e-10; }

ConductorCounts classifyConductors(const Conductor* head)
{
    ConductorCounts counts;
    for (const Conductor* c = head; c; c = c->next) {
        if (isSignalConductor(*c)) ++counts.signal;
        else ++counts.ground;
    }
    if (counts.signal + counts.ground != 1) {
        if (counts.signal == 0) throw RunError("ERROR: No signal line?\n\n\n");
        if (counts.ground == 0) throw RunError("ERROR: No ground line?\n\n\n");
    }
    return counts;
}

void buildRibbonIndex(RecordPool& pool, const RunSettings& settings, Conductor* head, Ribbon* headRibbon,
                      std::vector<long>& ribbonIndex)
{
    const int conductorCount = settings.plateCount + settings.lineCount;
    ribbonIndex.assign(conductorCount + 2, 0);
    int plateOrdinal = 0;
    long ribbonCount = 0;
    Ribbon* current = headRibbon;
    Conductor* q = head;
    for (int k = 1; k <= conductorCount; ++k, q = q->next) {
        if (q->shape == ConductorShape::Plate) ++plateOrdinal;
        q->firstRibbon = current;
        q->firstRibbonIndex = static_cast<std::int32_t>(ribbonCount);
        ribbonIndex[k] = ribbonCount;
        current = discretizeConductor(pool, settings, *q, current, ribbonCount, plateOrdinal);
        q->endRibbonIndex = static_cast<std::int32_t>(ribbonCount);
        ribbonIndex[k + 1] = ribbonCount;
    }
}

void closeRibbonChain(Ribbon* head)
{
    // Without any filled ribbon the head is the empty record itself: nothing to detach.
    if (!head->next) return;
    Ribbon* r = head;
    while (r->next->next) r = r->next;
    r->next = nullptr;
}

}  // namespace xsrl
