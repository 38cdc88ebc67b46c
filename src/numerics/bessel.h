// Bessel functions of orders 0 and 1 at complex argument: the handbook's polynomial
// approximations (9.4.1 to 9.4.6) applied to complex z, and Hankel functions built on them,
// with the leading asymptotic term from |z| = 20 on.
#pragma once

#include <vector>

#include "numerics/complex.h"

namespace xsrl {

Complex besselJ0(Complex z);
Complex besselY0(Complex z);
Complex besselJ1(Complex z);
Complex besselY1(Complex z);

// kind 1: first kind H(1); any other kind: second kind H(2).
Complex hankel0(int kind, Complex z);
Complex hankel1(int kind, Complex z);

// Modulus and phase of the large-argument forms (|z| >= 3).
Complex besselModulus0(Complex z);
Complex besselPhase0(Complex z);
Complex besselModulus1(Complex z);
Complex besselPhase1(Complex z);

// The ratios J_n(z) / J_(n+1)(z) for n = 0 .. count - 1, exact to rounding, for z off the real
// axis (a skin-effect wave number times a length, arg z = -pi/4). A ratio never overflows where
// the functions themselves would.
std::vector<Complex> besselRatios(Complex z, int count);

}  // namespace xsrl
