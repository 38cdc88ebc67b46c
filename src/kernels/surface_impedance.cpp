#include "kernels/surface_impedance.h"

#include <cfloat>

#include "numerics/bessel.h"
#include "numerics/constants.h"

namespace xsrl {

Complex wireSurfaceImpedance(double omega, double r, double sigma)
{
    const Complex j(0.0, 1.0);
    const Complex eta = j * pow(((j * omega) * Mu0) / sigma, 0.5);
    const Complex gamma = pow(((j * omega) * Mu0) * sigma, 0.5);
    const Complex z = (j * r) * gamma;
    const Complex result = (eta * besselJ0(z)) / besselJ1(z);
    if (lostToOverflow(result) && positiveFinite(omega) && positiveFinite(r) && positiveFinite(sigma))
        return eta * besselRatioScaled(z);
    return result;
}

Complex slabSurfaceImpedance(double omega, double t, double sigma)
{
    const Complex j(0.0, 1.0);
    const Complex eta = pow(((j * omega) * Mu0) / sigma, 0.5);
    const Complex gamma = pow(((j * omega) * Mu0) * sigma, 0.5);
    const Complex sh = sinh(gamma * t);
    const Complex ch = cosh(gamma * t);
    const Complex result = (eta * ch) / sh;
    if (lostToOverflow(result) && positiveFinite(omega) && positiveFinite(t) && positiveFinite(sigma))
        return eta * cothScaled(gamma * t);
    return result;
}

Complex solidWireImpedance(double omega, double L, double r, double sigma)
{
    const Complex j(0.0, 1.0);
    // Principal root of -j*omega*mu*sigma.
    const Complex k = pow((((Complex(-1.0, 0.0) * j) * omega) * Mu0Rounded) * sigma, 0.5);
    const Complex result = (((k * besselJ0(k * r)) / besselJ1(k * r)) / sigma) / L;
    if (lostToOverflow(result) && positiveFinite(omega) && positiveFinite(L) && positiveFinite(r) &&
        positiveFinite(sigma))
        return ((k * besselRatioScaled(k * r)) / sigma) / L;
    return result;
}

bool positiveFinite(double x) { return x > 0.0 && x <= DBL_MAX; }

bool lostToOverflow(Complex z)
{
    const bool finite = std::isfinite(z.re) && std::isfinite(z.im);
    return !finite || (z.re == 0.0 && z.im == 0.0);
}

Complex besselRatioScaled(Complex z)
{
    // J0/J1 = (f0/f1) * cos(t0)/cos(t1); the factors z^(-1/2) cancel.
    Complex t0 = besselPhase0(z);
    Complex t1 = besselPhase1(z);
    // cos is even: turn both phases so that t1 lies in the upper half-plane, where e^(-j*t1)
    // is the growing half of cos(t1). t0 - t1 stays small, so t0 lies there too.
    if (t1.im < 0.0) {
        t0 = -t0;
        t1 = -t1;
    }
    const Complex j(0.0, 1.0);
    // Numerator and denominator multiplied by 2*e^(j*t1): every exponent left has Re <= about 0.
    const Complex cosines = (exp(j * (t0 + t1)) + exp(-(j * (t0 - t1)))) / (exp(j * (2.0 * t1)) + 1.0);
    return (besselModulus0(z) / besselModulus1(z)) * cosines;
}

Complex cothScaled(Complex x)
{
    const Complex e = exp(-2.0 * x);
    return (1.0 + e) / (1.0 - e);
}

}  // namespace xsrl
