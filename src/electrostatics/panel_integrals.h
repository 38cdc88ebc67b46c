// The integral of ln r over a straight panel, in closed form, and its gradient: the potential
// and the field of a uniform line charge on the panel, up to the factor -1/(2 pi eps0).
#pragma once

namespace xsrl {

struct Point {
    double x = 0.0;
    double y = 0.0;
};

// The integral of ln|p - q| over the points q of the panel from a to b.
double logIntegral(Point a, Point b, Point p);

// The gradient of logIntegral(a, b, p) with respect to p. For p on the panel's own line the
// component normal to the panel is its principal value, zero: the jump across a charged
// panel is left to the caller.
Point logIntegralGradient(Point a, Point b, Point p);

}  // namespace xsrl
