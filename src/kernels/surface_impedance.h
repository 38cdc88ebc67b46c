// Skin-effect surface impedance of solid round wires and flat slabs, and the overflow-free
// forms that take over for conductors several hundred skin depths thick.
#pragma once

#include "numerics/complex.h"

namespace xsrl {

// Surface impedance (ohms per square) of a solid round wire of radius r: (k/sigma)*J0(kr)/J1(kr)
// with permeability 4*pi*1e-7.
Complex wireSurfaceImpedance(double omega, double r, double sigma);

// Surface impedance of a slab of thickness t whose current enters through one face: eta*coth(gamma*t).
Complex slabSurfaceImpedance(double omega, double t, double sigma);

// The solid round wire again, with the rounded permeability Mu0Rounded, divided by the length L.
Complex solidWireImpedance(double omega, double L, double r, double sigma);

// Thick-conductor support. The closed forms above are built from exponentials, so for a
// conductor several hundred skin depths thick their Bessel or hyperbolic values overflow and
// the quotient comes out NaN (or, where only the denominator's squared modulus overflows, an
// exact zero). Each formula checks its own result and, for valid input, evaluates the same
// quotient with the growing exponentials cancelled.

// x is a usable length, frequency or conductivity: positive and finite.
bool positiveFinite(double x);

// The value of a formula has been lost to overflow: it is not finite, or it is an exact zero,
// which no surface impedance of a real conductor is.
bool lostToOverflow(Complex z);

// J0(z)/J1(z) from the large-argument modulus and phase forms (|z| >= 3) with the growing half
// of each cosine divided out; finite for any finite z of modulus 3 or more.
Complex besselRatioScaled(Complex z);

// coth(x) = (1 + e^(-2x)) / (1 - e^(-2x)) for Re x > 0.
Complex cothScaled(Complex x);

}  // namespace xsrl
