// Partial inductance per unit length in the accurate mode: pairs with a zero-thickness strip
// (a ribbon lying on a plate face, y1 == y2) and another strip or a ribbon or filament of some
// area; and pairs far apart, by a product rule.
#pragma once

#include "model/structure.h"

namespace xsrl {

// The ribbons of zero thickness that the accurate mode lays on plate faces (y1 == y2).
inline bool isPlateStrip(const Ribbon& r)
{
    return r.kind == RibbonKind::PlateStripOneFace || r.kind == RibbonKind::PlateStripBothFaces;
}

// H/m; symmetric in a and b. At least one of the two is a zero-thickness strip; the other is a
// strip or an axis-parallel rectangle spanned by its corners. Exact closed forms, or the
// product rule for a pair fartherThanTenSides.
double stripPairInductance(const Ribbon& a, const Ribbon& b);

// The distance between the centres of the two exceeds ten times the largest side of either.
bool fartherThanTenSides(const Ribbon& a, const Ribbon& b);

// H/m: the four-point Gauss-Legendre rule along each side of both (a strip has one side),
// for pairs fartherThanTenSides, where it is exact to about 1e-13.
double productRuleInductance(const Ribbon& a, const Ribbon& b);

// Double antiderivative in u of ln(u^2 + d^2): d^2/du^2 stripKernel(u, d) = ln(u^2 + d^2).
double stripKernel(double u, double d);

// Antiderivative of stripKernel in its second argument, zero at v = 0 and odd in v.
double stripAreaKernel(double u, double v);

}  // namespace xsrl
