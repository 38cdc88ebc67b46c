#include "kernels/whole_face.h"

#include <algorithm>
#include <cmath>

#include "kernels/surface_impedance.h"
#include "model/structure.h"
#include "numerics/bessel.h"
#include "numerics/constants.h"

namespace xsrl {

namespace {

// mantissa * e^exponent
struct ScaledComplex {
    Complex mantissa;
    double exponent;
};

// Hankel function of the given order (0 or 1) and kind (1: first, else second). From |z| = 20
// on it is the leading asymptotic term a * exp(u); u's real part becomes the exponent and only
// the unit phase e^(j Im u) stays in the mantissa.
ScaledComplex scaledHankel(int order, int kind, Complex z)
{
    if (abs(z) < 20.0) return {order == 0 ? hankel0(kind, z) : hankel1(kind, z), 0.0};
    const Complex j(0.0, 1.0);
    const Complex a = pow(TwoOverPi / z, 0.5);
    Complex phi = z - QuarterPi;
    if (order == 1) phi = phi - HalfPi;
    Complex u;
    if (kind == 1)
        u = j * phi;
    else if (order == 0)
        u = j * (-1.0 * phi);
    else
        u = (-1.0 * j) * phi;
    return {a * Complex(std::cos(u.im), std::sin(u.im)), u.re};
}

ScaledComplex product(ScaledComplex a, ScaledComplex b) { return {a.mantissa * b.mantissa, a.exponent + b.exponent}; }

// a - b, scaled by the larger of the two exponents.
ScaledComplex difference(ScaledComplex a, ScaledComplex b)
{
    const double e = std::max(a.exponent, b.exponent);
    return {a.mantissa * std::exp(a.exponent - e) - b.mantissa * std::exp(b.exponent - e), e};
}

}  // namespace

Complex tubeHankelRatio(Complex zi, Complex zo)
{
    const ScaledComplex d = difference(product(scaledHankel(1, 1, zo), scaledHankel(1, 2, zi)),
                                       product(scaledHankel(1, 1, zi), scaledHankel(1, 2, zo)));
    const ScaledComplex n = difference(product(scaledHankel(1, 1, zi), scaledHankel(0, 2, zo)),
                                       product(scaledHankel(1, 2, zi), scaledHankel(0, 1, zo)));
    return (n.mantissa / d.mantissa) * std::exp(n.exponent - d.exponent);
}

Complex wholeFaceImpedance(double omega, double sigma, double x1, double x2, double y1, double y2, RibbonKind kind)
{
    const double W = std::fabs(x2 - x1);
    const double H = std::fabs(y2 - y1);
    const bool alongX = kind == RibbonKind::WholeFaceX;
    const double L = alongX ? W : H;
    const double M = alongX ? H : W;
    // The reference side is not the longer one (a square included): a solid wire of diameter L.
    const bool solid = alongX ? !(H < W) : H <= W;
    if (solid) return solidWireImpedance(omega, L, L / 2.0, sigma);

    // A tube of outer diameter L and wall M/2 whose bore carries no field.
    const Complex j(0.0, 1.0);
    const double mu = Mu0Rounded;
    const double d = L - M;
    const double h = M / 2.0;
    const Complex k = j * pow(((j * omega) * mu) * sigma, 0.5);
    const Complex zi = ((k * h) * d) / (L - d);
    const Complex zo = ((k * h) * L) / (L - d);
    const Complex D = hankel1(1, zo) * hankel1(2, zi) - hankel1(1, zi) * hankel1(2, zo);
    const Complex N = hankel1(1, zi) * hankel0(2, zo) - hankel1(2, zi) * hankel0(1, zo);
    const Complex eta = (Complex(-1.0, 0.0) * j) * pow(((j * omega) * mu) / sigma, 0.5);
    const Complex result = ((eta * N) / D) / L;
    if (lostToOverflow(result) && positiveFinite(omega) && positiveFinite(sigma) && positiveFinite(L) &&
        positiveFinite(M))
        return (eta * tubeHankelRatio(zi, zo)) / L;
    return result;
}

}  // namespace xsrl
