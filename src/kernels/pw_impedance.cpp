#include "kernels/pw_impedance.h"

#include <cmath>

#include "numerics/constants.h"

namespace xsrl {

namespace {

// Sum pattern (sign +1) or difference pattern (sign -1) at s across a length L, E(a) = exp(gamma*a):
// [(E(-s) +- E(s - L)) +- reflection*(E(s - 2L) +- E(-(s + L)))] / (1 - reflection*E(-2L)).
// The negated terms of the difference pattern equal, bit for bit, the same terms subtracted.
Complex wavePattern(Complex reflection, Complex gamma, double s, double L, double sign)
{
    const Complex front = exp(gamma * (-s)) + sign * exp(gamma * (s - L));
    const Complex back = exp(gamma * (s - 2.0 * L)) + sign * exp(gamma * (-(s + L)));
    const Complex denominator = 1.0 - reflection * exp((-2.0 * gamma) * L);
    return (front + sign * (reflection * back)) / denominator;
}

}  // namespace

Complex pwSurfaceImpedance(double omega, const Conductor& conductor, double x1, double x2, double y1, double y2,
                           RibbonKind kind)
{
    // The ribbon's centre, measured from the conductor's first corner, or from its second
    // corner for a ribbon stored right to left.
    const bool forward = x2 > x1;
    const double x0 = forward ? conductor.x1 : conductor.x2;
    const double y0 = forward ? conductor.y1 : conductor.y2;
    const double xm = ((x1 - x0) + (x2 - x0)) / 2.0;
    const double ym = ((y1 - y0) + (y2 - y0)) / 2.0;
    const double W = std::fabs(conductor.x2 - conductor.x1);
    const double T = std::fabs(conductor.y2 - conductor.y1);

    const Complex j(0.0, 1.0);
    const double mu = Mu0Rounded;
    const double eps = Epsilon0Rounded;
    const double sigma = conductor.sigma;
    // Propagation constant with displacement current; wave impedance without it.
    const Complex gamma = pow(((j * omega) * mu) * (sigma + (j * omega) * eps), 0.5);
    const Complex eta = pow(((j * omega) * mu) / sigma, 0.5);
    const double eta0 = std::sqrt(mu / eps);
    const Complex reflection = (Complex(eta0, 0.0) - eta) / (Complex(eta0, 0.0) + eta);

    const bool bottomOrTop = kind == RibbonKind::FaceX;
    const double p = bottomOrTop ? xm : 0.0;
    const double q = bottomOrTop ? 0.0 : ym;
    return pwWaveImpedance(eta, reflection, gamma, W, T, p, q, kind);
}

Complex pwWaveImpedance(Complex eta, Complex reflection, Complex gamma, double W, double T, double p, double q,
                        RibbonKind kind)
{
    const Complex acrossThickness = wavePattern(reflection, gamma, q, T, -1.0);
    const Complex acrossWidth = wavePattern(reflection, gamma, p, W, -1.0);
    const Complex sumThickness = wavePattern(reflection, gamma, q, T, 1.0);
    const Complex sumWidth = wavePattern(reflection, gamma, p, W, 1.0);
    const Complex n = eta * (sumThickness + sumWidth);
    return n / (kind == RibbonKind::FaceX ? acrossThickness : acrossWidth);
}

}  // namespace xsrl
