#include "kernels/chord_inductance.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "kernels/quadrature.h"
#include "numerics/complex.h"
#include "numerics/constants.h"

namespace xsrl {

namespace {

struct Point {
    double x;
    double y;
};

Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
Point operator*(double s, Point a) { return {s * a.x, s * a.y}; }
double dot(Point a, Point b) { return a.x * b.x + a.y * b.y; }
double cross(Point a, Point b) { return a.x * b.y - a.y * b.x; }
double norm(Point a) { return std::sqrt(dot(a, a)); }

Point startOf(const Segment& s) { return {s.x1, s.y1}; }
Point endOf(const Segment& s) { return {s.x2, s.y2}; }
double lengthOf(const Segment& s) { return norm(endOf(s) - startOf(s)); }
Point directionOf(const Segment& s) { return (1.0 / lengthOf(s)) * (endOf(s) - startOf(s)); }

double distanceToSegment(Point p, const Segment& s)
{
    const Point along = endOf(s) - startOf(s);
    const double t = std::clamp(dot(p - startOf(s), along) / dot(along, along), 0.0, 1.0);
    return norm(p - (startOf(s) + t * along));
}

// The rectangle with corners (x1, y1), (x2, y2) in ascending order.
struct Box {
    double x1;
    double y1;
    double x2;
    double y2;
};

double distanceToBox(Point p, const Box& b)
{
    const double dx = std::max({b.x1 - p.x, 0.0, p.x - b.x2});
    const double dy = std::max({b.y1 - p.y, 0.0, p.y - b.y2});
    return std::sqrt(dx * dx + dy * dy);
}

// Antiderivatives of the logarithmic kernel; each is continuous everywhere and takes its limit
// (0) where a factor of a logarithm or an arctangent vanishes.

// d/du F = ln sqrt(u^2 + v^2).
double lineAntiderivative(double u, double v)
{
    const double r2 = u * u + v * v;
    double f = -u;
    if (r2 > 0.0) f += 0.5 * u * std::log(r2);
    if (v != 0.0) f += v * std::atan(u / v);
    return f;
}

// d^2/du^2 G = ln sqrt(u^2 + v^2), for two parallel segments v apart.
double parallelAntiderivative(double u, double v)
{
    const double r2 = u * u + v * v;
    double g = -0.75 * u * u;
    if (r2 > 0.0) g += 0.25 * (u * u - v * v) * std::log(r2);
    if (v != 0.0) g += u * v * std::atan(u / v);
    return g;
}

// d^2/dxdy G = ln r with r^2 = x^2 - 2 c x y + y^2 = (x - c y)^2 + s^2 y^2: two segments along
// lines at an angle of cosine c and sine s > 0 that cross at x = y = 0, the point of one
// x along its line from there, of the other y.
double crossingAntiderivative(double x, double y, double c, double s)
{
    const double r2 = (x - c * y) * (x - c * y) + s * s * y * y;
    double g = -1.5 * x * y;
    if (r2 > 0.0) g += 0.5 * (s * s * x * y - 0.5 * c * r2) * std::log(r2);
    if (x != 0.0) g += 0.5 * s * x * x * std::atan((y - c * x) / (s * x));
    if (y != 0.0) g += 0.5 * s * y * y * std::atan((x - c * y) / (s * y));
    return g;
}

// d^2/dudv H = ln sqrt(u^2 + v^2).
double areaAntiderivative(double u, double v)
{
    const double r2 = u * u + v * v;
    double h = -1.5 * u * v;
    if (r2 > 0.0) h += 0.5 * u * v * std::log(r2);
    if (u != 0.0) h += 0.5 * u * u * std::atan(v / u);
    if (v != 0.0) h += 0.5 * v * v * std::atan(u / v);
    return h;
}

// The integral of ln|p - q| over q on the segment.
double segmentPotential(Point p, const Segment& s)
{
    const Point direction = directionOf(s);
    const Point d = p - startOf(s);
    const double u = dot(d, direction);
    const double v = std::fabs(cross(direction, d));
    return lineAntiderivative(u, v) - lineAntiderivative(u - lengthOf(s), v);
}

// The integral of ln|p - q| over q in the box.
double boxPotential(Point p, const Box& b)
{
    return areaAntiderivative(p.x - b.x1, p.y - b.y1) - areaAntiderivative(p.x - b.x2, p.y - b.y1) -
           areaAntiderivative(p.x - b.x1, p.y - b.y2) + areaAntiderivative(p.x - b.x2, p.y - b.y2);
}

// The integral of a source's potential along the segment, by the 48-point rule on pieces each
// no longer than their middle's distance from the source, where the potential is analytic
// well beyond the piece. A piece that touches the source stops halving at a 2^-50th.
template <class Potential, class Distance>
double integrateAlong(const Segment& s, double from, double to, const Potential& potential,
                      const Distance& distanceToSource, int depth = 0)
{
    const Point start = startOf(s);
    const Point direction = directionOf(s);
    const double middle = 0.5 * (from + to);
    if (depth < 50 && to - from > distanceToSource(start + middle * direction)) {
        return integrateAlong(s, from, middle, potential, distanceToSource, depth + 1) +
               integrateAlong(s, middle, to, potential, distanceToSource, depth + 1);
    }
    return gaussLegendre48([&](double t) { return potential(start + t * direction); }, from, to);
}

// Far apart, the mean of ln|d + w| over the displacement w between two points of the sources
// is ln|d| - sum over p of Re(<w^2p> / d^2p) / 2p. Each source is a sum of independent
// displacements uniform on [-h, h] (a complex h: one for a segment, two for a rectangle), so
// only even moments appear. With |w| below a quarter of |d| 13 terms reach the rounding.
constexpr int FarTerms = 13;
constexpr double FarRatio = 0.25;
using EvenMoments = std::array<Complex, FarTerms + 1>;

// <w^2j> of w uniform on the segment [-h, h] of the complex plane: h^2j / (2j + 1).
EvenMoments uniformMoments(Complex h)
{
    EvenMoments m;
    const Complex h2 = h * h;
    Complex power(1.0, 0.0);
    for (int j = 0; j <= FarTerms; ++j) {
        m[static_cast<std::size_t>(j)] = power / (2.0 * j + 1.0);
        power = power * h2;
    }
    return m;
}

// The even moments of the sum of two independent displacements.
EvenMoments sumMoments(const EvenMoments& a, const EvenMoments& b)
{
    EvenMoments m;
    for (int p = 0; p <= FarTerms; ++p) {
        Complex sum(0.0, 0.0);
        double binomial = 1.0;  // C(2p, 2j)
        for (int j = 0; j <= p; ++j) {
            sum = sum + binomial * (a[static_cast<std::size_t>(j)] * b[static_cast<std::size_t>(p - j)]);
            binomial = binomial * (2.0 * p - 2.0 * j) * (2.0 * p - 2.0 * j - 1.0) / ((2.0 * j + 1.0) * (2.0 * j + 2.0));
        }
        m[static_cast<std::size_t>(p)] = sum;
    }
    return m;
}

double meanFarLog(Complex d, const EvenMoments& m)
{
    const Complex inverse2 = 1.0 / (d * d);
    Complex power = inverse2;
    double sum = std::log(abs(d));
    for (int p = 1; p <= FarTerms; ++p) {
        sum -= real(m[static_cast<std::size_t>(p)] * power) / (2.0 * p);
        power = power * inverse2;
    }
    return sum;
}

Complex halfVector(const Segment& s) { return Complex(0.5 * (s.x2 - s.x1), 0.5 * (s.y2 - s.y1)); }
Complex middleOf(const Segment& s) { return Complex(0.5 * (s.x1 + s.x2), 0.5 * (s.y1 + s.y2)); }

// The closed forms sum antiderivative values at corners as far from the segments as the
// crossing of their lines; beyond a million times the product of the lengths the rounding of
// that sum would show, and the potential of one segment is integrated along the other instead.
constexpr double CancellationLimit = 1e6;
// Below this sine of their angle two segments count as parallel (an error of that order).
constexpr double ParallelSine = 1e-9;

// The segment a ribbon stands for: a chord itself; a face or plate ribbon, thin or of zero
// thickness, the sheet on the face through its first corner, where its conductor's surface is.
Segment segmentOf(const Ribbon& r)
{
    if (r.kind == RibbonKind::Chord || r.kind == RibbonKind::AccurateChord) return {r.x1, r.y1, r.x2, r.y2};
    if (std::fabs(r.x2 - r.x1) >= std::fabs(r.y2 - r.y1)) return {r.x1, r.y1, r.x2, r.y1};
    return {r.x1, r.y1, r.x1, r.y2};
}

// Partial inductance between a segment and a volume filament.
double chordFilamentInductance(const Segment& chord, const Ribbon& filament)
{
    const double area = std::fabs((filament.x2 - filament.x1) * (filament.y2 - filament.y1));
    return -Mu0 / TwoPi * segmentRectangleLogIntegral(chord, filament.x1, filament.y1, filament.x2, filament.y2) /
           (lengthOf(chord) * area);
}

}  // namespace

double segmentSelfLogIntegral(double length) { return length * length * (std::log(length) - 1.5); }

double segmentPairLogIntegral(const Segment& a, const Segment& b)
{
    const double lengthA = lengthOf(a);
    const double lengthB = lengthOf(b);
    const Complex halfA = halfVector(a);
    const Complex halfB = halfVector(b);
    const Complex apart = middleOf(a) - middleOf(b);
    if (abs(halfA) + abs(halfB) <= FarRatio * abs(apart))
        return lengthA * lengthB * meanFarLog(apart, sumMoments(uniformMoments(halfA), uniformMoments(halfB)));

    const Point eA = directionOf(a);
    const Point eB = directionOf(b);
    const Point offset = startOf(a) - startOf(b);
    const double c = dot(eA, eB);
    const double sine = cross(eA, eB);
    if (std::fabs(sine) < ParallelSine) {
        // p - q runs x - y along a, with x = u0 + s over a and y = +-t over b, and v across.
        const double v = cross(eA, offset);
        const double x0 = dot(offset, eA);
        const double x1 = x0 + lengthA;
        const double y0 = std::min(0.0, c > 0.0 ? lengthB : -lengthB);
        const double y1 = std::max(0.0, c > 0.0 ? lengthB : -lengthB);
        return -(parallelAntiderivative(x1 - y1, v) - parallelAntiderivative(x1 - y0, v) -
                 parallelAntiderivative(x0 - y1, v) + parallelAntiderivative(x0 - y0, v));
    }
    // p - q = x eA - y eB with x = sigma + s over a and y = tau + t over b.
    const double sigma = cross(offset, eB) / sine;
    const double tau = cross(offset, eA) / sine;
    const double reach =
        std::max({std::fabs(sigma), std::fabs(sigma + lengthA), std::fabs(tau), std::fabs(tau + lengthB)});
    if (reach * reach > CancellationLimit * lengthA * lengthB)
        return integrateAlong(
            a, 0.0, lengthA, [&b](Point p) { return segmentPotential(p, b); },
            [&b](Point p) { return distanceToSegment(p, b); });
    const double s = std::fabs(sine);
    const auto g = [c, s](double x, double y) { return crossingAntiderivative(x, y, c, s); };
    return g(sigma + lengthA, tau + lengthB) - g(sigma, tau + lengthB) - g(sigma + lengthA, tau) + g(sigma, tau);
}

double segmentRectangleLogIntegral(const Segment& s, double x1, double y1, double x2, double y2)
{
    const Box box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    const double width = box.x2 - box.x1;
    const double height = box.y2 - box.y1;
    const Complex half = halfVector(s);
    const Complex apart = middleOf(s) - Complex(0.5 * (box.x1 + box.x2), 0.5 * (box.y1 + box.y2));
    if (abs(half) + 0.5 * std::hypot(width, height) <= FarRatio * abs(apart)) {
        const EvenMoments boxMoments =
            sumMoments(uniformMoments(Complex(0.5 * width, 0.0)), uniformMoments(Complex(0.0, 0.5 * height)));
        return lengthOf(s) * width * height * meanFarLog(apart, sumMoments(uniformMoments(half), boxMoments));
    }
    return integrateAlong(
        s, 0.0, lengthOf(s), [&box](Point p) { return boxPotential(p, box); },
        [&box](Point p) { return distanceToBox(p, box); });
}

double accurateChordInductance(const Ribbon& a, const Ribbon& b)
{
    if (a.kind == RibbonKind::Filament) return chordFilamentInductance(segmentOf(b), a);
    if (b.kind == RibbonKind::Filament) return chordFilamentInductance(segmentOf(a), b);
    const Segment sa = segmentOf(a);
    const Segment sb = segmentOf(b);
    const double lengthA = lengthOf(sa);
    const double lengthB = lengthOf(sb);
    const bool self = a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
    const double integral = self ? segmentSelfLogIntegral(lengthA) : segmentPairLogIntegral(sa, sb);
    return -Mu0 / TwoPi * integral / (lengthA * lengthB);
}

double chordPolygonRadius(double radius, int chordCount)
{
    // Every chord of the unit polygon sees the others alike: the mean over chord 0 is the
    // polygon's.
    const double step = TwoPi / chordCount;
    const auto chord = [step](int i) {
        return Segment{std::cos(i * step), std::sin(i * step), std::cos((i + 1) * step), std::sin((i + 1) * step)};
    };
    const Segment first = chord(0);
    const double length = lengthOf(first);
    double sum = segmentSelfLogIntegral(length);
    for (int i = 1; i < chordCount; ++i) sum += segmentPairLogIntegral(first, chord(i));
    return radius * std::exp(-sum / (chordCount * length * length));
}

}  // namespace xsrl
