#include "numerics/bessel.h"

#include <cmath>

#include "numerics/constants.h"

namespace xsrl {

// Every polynomial is summed term by term from its constant upward, each term a real
// coefficient times a power of the complex variable; powers are principal-branch pow,
// except the square w*w of the J0 and J1 polynomials.

namespace {

const double BesselThreshold = 3.0;
const double HankelThreshold = 20.0;

const Complex ImaginaryUnit(0.0, 1.0);

// (z/3)^2, the variable of the small-argument polynomials.
Complex smallVariable(Complex z) { return pow(z / Complex(3.0, 0.0), 2.0); }

// (2/pi) ln(z/2), the logarithmic factor of Y0 and Y1.
Complex logFactor(Complex z) { return TwoOverPi * log(Complex(0.5, 0.0) * z); }

// The Hankel function of order 0 or 1 below |z| = 20, first kind: J + jY.
Complex hankelFirstKind(int order, Complex z)
{
    if (order == 0) {
        const Complex y = besselY0(z);
        return besselJ0(z) + ImaginaryUnit * y;
    }
    const Complex y = besselY1(z);
    return besselJ1(z) + ImaginaryUnit * y;
}

// The leading asymptotic term, |z| >= 20: sqrt((2/pi)/z) exp(+-j phi).
Complex hankelAsymptotic(int order, int kind, Complex z)
{
    const Complex amplitude = pow(TwoOverPi / z, 0.5);
    Complex phase = z - QuarterPi;
    if (order == 1) phase = phase - HalfPi;
    Complex exponent;
    if (kind == 1) {
        exponent = ImaginaryUnit * phase;
    } else if (order == 0) {
        exponent = ImaginaryUnit * (-1.0 * phase);
    } else {
        exponent = (-1.0 * ImaginaryUnit) * phase;
    }
    return amplitude * exp(exponent);
}

Complex hankel(int order, int kind, Complex z)
{
    if (abs(z) >= HankelThreshold) return hankelAsymptotic(order, kind, z);
    if (kind == 1) return hankelFirstKind(order, z);
    // The second kind is the reflection of the first: H2(z) = conj(H1(conj z)).
    return conj(hankelFirstKind(order, conj(z)));
}

}  // namespace

Complex besselJ0(Complex z)
{
    if (abs(z) >= BesselThreshold) {
        return pow(z, -0.5) * (besselModulus0(z) * cos(besselPhase0(z)));
    }
    const Complex w = smallVariable(z);
    return 1.0 - 2.2499997 * w + 1.2656208 * (w * w) - 0.3163866 * pow(w, 3.0) + 0.0444479 * pow(w, 4.0) -
           0.0039444 * pow(w, 5.0) + 0.0002100 * pow(w, 6.0);
}

Complex besselY0(Complex z)
{
    if (abs(z) >= BesselThreshold) {
        return pow(z, -0.5) * (besselModulus0(z) * sin(besselPhase0(z)));
    }
    const Complex w = smallVariable(z);
    return logFactor(z) * besselJ0(z) + 0.36746691 + 0.60559366 * pow(w, 1.0) - 0.74350384 * pow(w, 2.0) +
           0.25300117 * pow(w, 3.0) - 0.04261214 * pow(w, 4.0) + 0.00427916 * pow(w, 5.0) - 0.00024846 * pow(w, 6.0);
}

Complex besselJ1(Complex z)
{
    if (abs(z) >= BesselThreshold) {
        return pow(z, -0.5) * (besselModulus1(z) * cos(besselPhase1(z)));
    }
    const Complex w = smallVariable(z);
    const Complex series = 0.5 - 0.56249985 * w + 0.21093573 * (w * w) - 0.03954289 * pow(w, 3.0) +
                           0.00443319 * pow(w, 4.0) - 0.00031761 * pow(w, 5.0) + 0.00001109 * pow(w, 6.0);
    return series * z;
}

Complex besselY1(Complex z)
{
    if (abs(z) >= BesselThreshold) {
        return pow(z, -0.5) * (besselModulus1(z) * sin(besselPhase1(z)));
    }
    const Complex w = smallVariable(z);
    const Complex bracket = logFactor(z) * besselJ1(z) * z - 0.6366198 + 0.2212091 * pow(w, 1.0) +
                            2.1682709 * pow(w, 2.0) - 1.3164827 * pow(w, 3.0) + 0.3123951 * pow(w, 4.0) -
                            0.0400976 * pow(w, 5.0) + 0.0027873 * pow(w, 6.0);
    return bracket / z;
}

Complex hankel0(int kind, Complex z) { return hankel(0, kind, z); }

Complex hankel1(int kind, Complex z) { return hankel(1, kind, z); }

Complex besselModulus0(Complex z)
{
    const Complex y = 3.0 / z;
    return 0.79788456 - 0.00000077 * y - 0.00552740 * pow(y, 2.0) - 0.00009512 * pow(y, 3.0) +
           0.00137237 * pow(y, 4.0) - 0.00072805 * pow(y, 5.0) + 0.00014476 * pow(y, 6.0);
}

Complex besselPhase0(Complex z)
{
    const Complex y = 3.0 / z;
    return z - 0.78539816 - 0.04166397 * y - 0.00003954 * pow(y, 2.0) + 0.00262573 * pow(y, 3.0) -
           0.00054125 * pow(y, 4.0) - 0.00029333 * pow(y, 5.0) + 0.00013558 * pow(y, 6.0);
}

Complex besselModulus1(Complex z)
{
    const Complex y = 3.0 / z;
    return 0.79788456 + 0.00000156 * y + 0.01659667 * pow(y, 2.0) + 0.00017105 * pow(y, 3.0) -
           0.00249511 * pow(y, 4.0) + 0.00113653 * pow(y, 5.0) - 0.00020033 * pow(y, 6.0);
}

Complex besselPhase1(Complex z)
{
    const Complex y = 3.0 / z;
    return z - 2.35619449 + 0.12499612 * y + 0.00005650 * pow(y, 2.0) - 0.00637879 * pow(y, 3.0) +
           0.00074348 * pow(y, 4.0) + 0.00079824 * pow(y, 5.0) - 0.00029166 * pow(y, 6.0);
}

namespace {

// Beyond this modulus the downward recurrence would take too many steps; the large-argument
// expansion is exact to rounding there for every order it is asked for.
const double RecurrenceLimit = 1e7;

// J_n'(z)/J_n(z) for large |z| off the real axis, where J_n is half the Hankel function that
// grows away from the axis (the other half is below e^(-2|Im z|)): from the asymptotic series
// 1 + j a1/z - a2/z^2 + ..., the derivative of its logarithm to the 1/z^3 term.
Complex largeArgumentLogDerivative(int n, Complex z)
{
    const double mu = 4.0 * n * n;
    const double a1 = (mu - 1.0) / 8.0;
    const double a2 = (mu - 1.0) * (mu - 9.0) / 128.0;
    // Below the axis the first-kind function grows: the series as written; above it the second.
    const double side = z.im < 0.0 ? 1.0 : -1.0;
    const Complex j(0.0, side);
    const Complex inverse = 1.0 / z;
    const Complex inverse2 = inverse * inverse;
    return j - 0.5 * inverse - (j * a1) * inverse2 + (2.0 * a2 - a1 * a1) * (inverse2 * inverse);
}

}  // namespace

std::vector<Complex> besselRatios(Complex z, int count)
{
    std::vector<Complex> ratios(static_cast<std::size_t>(count));
    const double size = abs(z);
    const double highest = count;
    if (size > RecurrenceLimit && highest * highest < 1e-3 * size && std::fabs(z.im) > 0.1 * size) {
        // J_(n+1) = (n/z) J_n - J_n'.
        for (int n = 0; n < count; ++n)
            ratios[static_cast<std::size_t>(n)] = 1.0 / (Complex(n, 0.0) / z - largeArgumentLogDerivative(n, z));
        return ratios;
    }
    // J_(n-1)/J_n = 2n/z - J_(n+1)/J_n, downward from an order far enough past |z| that the
    // start value J_top/J_(top+1) ~ 2(top+1)/z, exact only in the limit, no longer matters: the
    // recurrence damps its error there, as J is the solution that falls fastest with n.
    const int top = count + static_cast<int>(size + 4.0 * std::cbrt(size)) + 40;
    Complex ratio = Complex(2.0 * (top + 1), 0.0) / z;
    for (int n = top; n >= 1; --n) {
        ratio = Complex(2.0 * n, 0.0) / z - 1.0 / ratio;
        if (n <= count) ratios[static_cast<std::size_t>(n - 1)] = ratio;
    }
    return ratios;
}

}  // namespace xsrl
