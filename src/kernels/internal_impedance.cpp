#include "kernels/internal_impedance.h"

#include <algorithm>
#include <cmath>

#include "kernels/pw_impedance.h"
#include "kernels/surface_impedance.h"
#include "kernels/tl_impedance.h"
#include "kernels/whole_face.h"
#include "numerics/constants.h"

namespace xsrl {

Complex internalImpedance(const Ribbon& ribbon, const Conductor& c, double omega)
{
    const double x1 = ribbon.x1;
    const double y1 = ribbon.y1;
    const double x2 = ribbon.x2;
    const double y2 = ribbon.y2;
    const RibbonKind kind = ribbon.kind;
    // Extent along the conductor's face; the other side is the ribbon's small thickness.
    const double width = std::max(std::fabs(x2 - x1), std::fabs(y2 - y1));

    if (kind == RibbonKind::Chord) {
        // A chord carries the surface current of the arc it stands for.
        const double arc = TwoPi * c.rad / static_cast<double>(c.nr);
        return wireSurfaceImpedance(omega, c.rad, c.sigma) / arc;
    }
    // A wire of the accurate mode: its internal impedance couples all its chords (the proximity
    // effect), so the sweep adds it whole, as a matrix (wireChordImpedances); no chord has one
    // of its own.
    if (kind == RibbonKind::AccurateChord) return Complex(0.0, 0.0);
    if (kind == RibbonKind::Filament) return Complex(1.0 / ((x2 - x1) * c.sigma * (y2 - y1)), 0.0);
    if (kind == RibbonKind::WholeFaceX || kind == RibbonKind::WholeFaceY)
        return wholeFaceImpedance(omega, c.sigma, c.x1, c.x2, c.y1, c.y2, kind);
    // Plates: the current of a face enters a slab of the whole thickness, or of half of it when
    // the other face carries ribbons too; a zero-thickness strip on a face likewise.
    if (kind == RibbonKind::PlateBothFaces || kind == RibbonKind::PlateStripBothFaces)
        return slabSurfaceImpedance(omega, std::fabs(c.y2 - c.y1) / 2.0, c.sigma) / width;
    if (kind == RibbonKind::PlateOneFace || kind == RibbonKind::PlateStripOneFace)
        return slabSurfaceImpedance(omega, std::fabs(c.y2 - c.y1), c.sigma) / width;
    if (c.model == ConductorModel::Pw) {
        const double faceExtent = kind == RibbonKind::FaceX ? std::fabs(x2 - x1) : std::fabs(y2 - y1);
        return pwSurfaceImpedance(omega, c, x1, x2, y1, y2, kind) / faceExtent;
    }
    if (c.model == ConductorModel::Tl) return tlRibbonImpedance(omega, c, x1, x2, y1, y2) / width;
    return Complex(0.0, 0.0);
}

}  // namespace xsrl
