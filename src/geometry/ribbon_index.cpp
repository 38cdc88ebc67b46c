#include "geometry/ribbon_index.h"

#include <cmath>

#include "geometry/discretize.h"
#include "xsrl/error.h"

namespace xsrl {

bool isSignalConductor(const Conductor& conductor) { return std::fabs(conductor.v) >= 1e-10; }

ConductorCounts classifyConductors(const std::vector<Conductor>& conductors)
{
    ConductorCounts counts;
    for (const Conductor& c : conductors) {
        if (isSignalConductor(c))
            ++counts.signal;
        else
            ++counts.ground;
    }
    if (counts.signal + counts.ground != 1) {
        if (counts.signal == 0) throw Error(ErrorCategory::NoSignalOrGround, "No signal line?");
        if (counts.ground == 0) throw Error(ErrorCategory::NoSignalOrGround, "No ground line?");
    }
    return counts;
}

std::vector<const PlateFaceCuts*> plateCutsByConductor(const std::vector<Conductor>& conductors,
                                                       const PlateCuts& plateCuts)
{
    std::vector<const PlateFaceCuts*> cuts;
    std::size_t ordinal = 0;
    for (const Conductor& c : conductors) {
        const bool plate = c.shape == ConductorShape::Plate;
        cuts.push_back(plate && ordinal < plateCuts.plates.size() ? &plateCuts.plates[ordinal] : nullptr);
        if (plate) ++ordinal;
    }
    return cuts;
}

Ribbons buildRibbons(const RunSettings& settings, const std::vector<Conductor>& conductors, const PlateCuts& plateCuts)
{
    const std::vector<const PlateFaceCuts*> cuts = plateCutsByConductor(conductors, plateCuts);
    Ribbons ribbons;
    for (std::size_t k = 0; k < conductors.size(); ++k) {
        discretizeConductor(settings, conductors[k], static_cast<int>(k), cuts[k], ribbons.list);
        ribbons.start.push_back(ribbons.count());
    }
    return ribbons;
}

}  // namespace xsrl
