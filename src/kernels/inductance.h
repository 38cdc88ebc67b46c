// Partial inductance per unit length between two infinitely long parallel ribbons.
#pragma once

#include "model/structure.h"

// H/m. The lower-index ribbon of a pair is always `a`: the integral form is not symmetric.
double ribbonPairInductance(const Ribbon& a, const Ribbon& b);

// F(x, y) of the closed form for two rectangles.
double rectangleKernel(double x, double y);
