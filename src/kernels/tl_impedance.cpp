#include "kernels/tl_impedance.h"

#include <cmath>
#include <limits>

#include "kernels/surface_impedance.h"
#include "numerics/bessel.h"
#include "numerics/constants.h"

namespace xsrl {

namespace {

// static_cast<int> for any double: beyond the int range (a ribbon far off its face, on a
// line kilometres wide or with an infinite coordinate) the nearer end of the range, NaN 0.
int truncateToInt(double x)
{
    if (std::isnan(x)) return 0;
    if (x >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (x <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(x);
}

}  // namespace

Complex tlRibbonImpedance(double omega, const Conductor& conductor, double x1, double x2, double y1, double y2)
{
    const double dx = std::fabs(x1 - x2);
    const double dy = std::fabs(y1 - y2);
    if (dy < dx)
        return tlFaceImpedance(omega, conductor.x1, conductor.y1, conductor.x2, conductor.y2, (x1 + x2) * 0.5,
                               conductor.sigma);
    return tlFaceImpedance(omega, conductor.y1, conductor.x1, conductor.y2, conductor.x2, (y1 + y2) * 0.5,
                           conductor.sigma);
}

Complex tlFaceImpedance(double omega, double a1, double b1, double a2, double b2, double p, double sigma)
{
    const double delta = 1.0 / std::sqrt(((omega * 0.5) * Mu0Rounded) * sigma);
    const double hw = (a2 - a1) / 2.0;
    const double ht = (b2 - b1) / 2.0;
    double q = p - a1;
    const double m = hw <= ht ? hw : ht;
    // Distance to the nearer end of the face.
    if (q > hw) q = 2.0 * hw - q;

    if (3.0 * delta < m) {
        if (3.0 * delta <= q) return tlKernel(omega, sigma, TlModeThick, 3.0 * delta, 0.0, 0.0, 0.0, 0);
        // End zone 3 skin depths wide, four sub-zones numbered from its inner end.
        const int n = truncateToInt((((3.0 * delta - q) / 3.0) / delta) * 4.0 + 1.0);
        return tlKernel(omega, sigma, TlModeEdge, 3.0 * delta, 3.0 * delta, 0.0, 4.0, n);
    }
    if (q <= m) {
        // End zone m wide.
        const int n = truncateToInt(((m - q) / m) * 4.0 + 1.0);
        return tlKernel(omega, sigma, TlModeEdge, m, m, 0.0, 4.0, n);
    }
    return tlKernel(omega, sigma, TlModeThin, m, 0.0, 0.0, 0.0, 0);
}

Complex tlKernel(double omega, double sigma, std::int32_t mode, double h, double s, double o, double D, std::int32_t n)
{
    const Complex k = pow(Complex(0.0, (omega * Mu0) * sigma), 0.5);
    const Complex conductivity(sigma, 0.0);
    const bool valid = positiveFinite(omega) && positiveFinite(sigma) && positiveFinite(h);

    if (mode == TlModeThin) {
        const Complex result = ((k / conductivity) * cosh(k * h)) / sinh(k * h);
        if (lostToOverflow(result) && valid) return (k / conductivity) * cothScaled(k * h);
        return result;
    }
    if (mode == TlModeThick) {
        const Complex result = ((k / conductivity) * sinh(k * h)) / cosh(k * h);
        if (lostToOverflow(result) && valid) return (k / conductivity) / cothScaled(k * h);
        return result;
    }

    const Complex j(0.0, 1.0);
    const double rho = std::sqrt(std::pow(((0.5 + n) / D) * s + o, 2.0) + std::pow(h, 2.0));
    const double F = rho * s / D / h / 2.0;
    const double t1 = ((1.0 + n) * s / D + o) / h;
    const double tm = ((0.5 + n) * s / D + o) / h;
    const double t0 = (n * s / D + o) / h;
    // Arc of radius rho under the sub-zone, each half's angle by atan(a) - atan(b) ~ (a - b)/(1 + ab).
    const double A = (1.0 / (t1 * tm + 1.0) + 1.0 / (tm * t0 + 1.0)) * F;
    const Complex z = Complex(0.0, rho) * k;
    const Complex widthOverArc((s / D) / A, 0.0);
    const Complex result = ((((j * k) / conductivity) * besselJ0(z)) / besselJ1(z)) * widthOverArc;
    if (lostToOverflow(result) && valid) return (((j * k) / conductivity) * besselRatioScaled(z)) * widthOverArc;
    return result;
}

}  // namespace xsrl
