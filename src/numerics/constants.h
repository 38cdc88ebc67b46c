// The numeric constants of the solver's formulas, one name for each value in use.
//
// Each constant is the exact double the formulas have always been written with, so naming it
// changes no result. Two of them are rounded physical constants that must stay as they are:
// Mu0Rounded and Epsilon0Rounded. The stored reference outputs were computed with them and are
// compared to the byte, so replacing either by the precise value would change the outputs.
// Likewise a formula that writes the permeability as the product 4 * Pi * ... * 1e-7 keeps that
// product in its own order: folding it into Mu0 rounds differently.
#pragma once

namespace xsrl {

constexpr double Pi = 3.141592653589793;
constexpr double TwoPi = 6.283185307179586;
constexpr double FourPi = 12.566370614359172;
constexpr double HalfPi = 1.5707963267948966;
constexpr double QuarterPi = 0.7853981633974483;
constexpr double TwoOverPi = 0.6366197723675814;

// Each is the correctly rounded double of its multiple of pi.
static_assert(TwoPi == 2.0 * Pi && FourPi == 4.0 * Pi && HalfPi == Pi / 2.0 && QuarterPi == Pi / 4.0 &&
                  TwoOverPi == 2.0 / Pi,
              "the multiples of pi are the doubles of Pi");

// Permeability of free space, 4 pi 1e-7 H/m, in the wire and slab surface impedances, the
// wave number of the transmission-line kernel and the inductance of ribbon pairs.
constexpr double Mu0 = 1.2566370614359173e-6;

// The permeability rounded to four digits, H/m. The solid-wire, whole-face, partial-wave and
// skin-depth zoning formulas of the face kernels have always carried it, and the reference
// outputs were computed with it: it lies 3 parts in 10^4 above Mu0, enough to move R and L
// in the fourth digit. Kept as it is.
constexpr double Mu0Rounded = 1.257e-6;

// Permittivity of free space, F/m, in the boundary-element capacitance.
constexpr double Epsilon0 = 8.8541878128e-12;

// The permittivity rounded to four digits, F/m, in the partial-wave kernel only: there it pairs
// with Mu0Rounded for the displacement current in the conductor and the wave impedance
// sqrt(mu / eps) of the space outside. Kept as it is for the same reason as Mu0Rounded.
constexpr double Epsilon0Rounded = 8.854e-12;

}  // namespace xsrl
