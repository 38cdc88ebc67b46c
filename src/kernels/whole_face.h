// Internal impedance of the face ribbons of a line cut into one ribbon per horizontal face:
// the rectangle is modelled as a solid round wire or a hollow round tube.
#pragma once

#include "model/structure.h"
#include "numerics/complex.h"

namespace xsrl {

// Impedance of the whole conductor spanned by (x1, y1) and (x2, y2), divided by its reference
// side (the x extent for RibbonKind::WholeFaceX, the y extent otherwise): a solid wire of
// that diameter when the reference side is not the longer one, else a tube of that outer
// diameter whose wall is half the other side thick.
Complex wholeFaceImpedance(double omega, double sigma, double x1, double x2, double y1, double y2, RibbonKind kind);

// The tube's Hankel quotient N/D at inner argument zi and outer argument zo, with the
// exponentials of the large-argument Hankel forms factored out of N and D and cancelled;
// finite where N and D themselves overflow.
Complex tubeHankelRatio(Complex zi, Complex zo);

}  // namespace xsrl
