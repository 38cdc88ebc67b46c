// The 48-point Gauss–Legendre rule and the double integral over two segments built on it.
// Templated on the integrand so that the hot loops inline the function they integrate.
#pragma once

namespace xsrl {

// Nodes on [-1, 1], the negative member of each symmetric pair, by increasing magnitude.
inline constexpr double GaussLegendre48Nodes[24] = {
    -0.03238017096286936, -0.0970046992094627, -0.1612223560688917, -0.22476379039468905, -0.28736248735545555,
    -0.34875588629216075, -0.4086864819907167, -0.4669029047509584, -0.523160974722233,   -0.5772247260839727,
    -0.6288673967765136,  -0.6778723796326639, -0.7240341309238146, -0.7671590325157404,  -0.8070662040294426,
    -0.8435882616243935,  -0.8765720202742479, -0.9058791367155696, -0.9313866907065543,  -0.9529877031604309,
    -0.9705915925462473,  -0.9841245837228269, -0.9935301722663508, -0.9987710072524261,
};

// Weight of each node pair, in the order of the nodes.
inline constexpr double GaussLegendre48Weights[24] = {
    0.06473769681268392,  0.06446616443595009,  0.06392423858464819,   0.06311419228625402,   0.062039423159892665,
    0.06070443916589388,  0.059114839698395635, 0.057277292100403214,  0.055199503699984165,  0.05289018948519367,
    0.05035903555385447,  0.04761665849249048,  0.04467456085669428,   0.04154508294346475,   0.03824135106583071,
    0.03477722256477044,  0.03116722783279809,  0.027426509708356948,  0.02357076083932438,   0.01961616045735553,
    0.015579315722943849, 0.01147723457923454,  0.0073275539012762625, 0.0031533460523058385,
};

// Integral of f over [a, b]. Each pair adds (f(m + d) + f(m - d))·w, f(m + d) evaluated first.
template <class Function>
double gaussLegendre48(const Function& f, double a, double b)
{
    const double m = (b + a) * 0.5;
    const double h = (b - a) * 0.5;
    double sum = 0.0;
    for (int i = 0; i < 24; ++i) {
        const double d = h * GaussLegendre48Nodes[i];
        const double upper = f(m + d);
        const double lower = f(m - d);
        sum = sum + (upper + lower) * GaussLegendre48Weights[i];
    }
    return sum * h;
}

// Integral of f(s, t) for s from a to b (outer) and t from 0 to innerEnd (inner).
template <class Integrand>
double integrate2d(const Integrand& f, double a, double b, double innerEnd)
{
    return gaussLegendre48(
        [&f, innerEnd](double s) { return gaussLegendre48([&f, s](double t) { return f(s, t); }, 0.0, innerEnd); }, a,
        b);
}

}  // namespace xsrl
