// Surface impedance of the face ribbons of a "pw" line: the rectangle as two one-dimensional
// wave problems, across its width and across its thickness, with waves entering from both
// opposite faces and reflected at the far face.
#pragma once

#include <cstdint>

#include "model/structure.h"
#include "numerics/complex.h"

namespace xsrl {

// Ohms per square for the ribbon with corners x1, x2, y1, y2 of `conductor`; kind 0 places the
// ribbon by its x (bottom or top face), any other kind by its y (left or right face).
Complex pwSurfaceImpedance(double omega, const Conductor& conductor, double x1, double x2, double y1, double y2,
                           RibbonKind kind);

// eta*(P(q, T) + P(p, W)) divided by S(q, T) for kind 0 and by S(p, W) otherwise, with P and S
// the sum and difference patterns of the waves (propagation constant gamma, reflection
// coefficient reflection) across the width W and the thickness T.
Complex pwWaveImpedance(Complex eta, Complex reflection, Complex gamma, double W, double T, double p, double q,
                        RibbonKind kind);

}  // namespace xsrl
