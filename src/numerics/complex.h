// Complex numbers of two doubles with exactly the arithmetic the solver's formulas are
// written in: textbook division through the conjugate product (no scaling), principal
// branches built on atan2, hyperbolic and circular functions formed from exponentials.
// Every function is a plain evaluation in a fixed order, so results are reproducible to the bit.
#pragma once

#include <cmath>

namespace xsrl {

struct Complex {
    double re = 0.0;
    double im = 0.0;

    Complex() = default;
    Complex(double real, double imag) : re(real), im(imag) {}
};

inline double real(Complex z) { return z.re; }
inline double imag(Complex z) { return z.im; }
inline Complex conj(Complex z) { return Complex(z.re, -z.im); }

inline Complex operator-(Complex z) { return Complex(-z.re, -z.im); }
inline Complex operator+(Complex a, Complex b) { return Complex(a.re + b.re, a.im + b.im); }
inline Complex operator-(Complex a, Complex b) { return Complex(a.re - b.re, a.im - b.im); }
inline Complex operator*(Complex a, Complex b) { return Complex(a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re); }
inline Complex operator/(Complex a, Complex b)
{
    const double d = b.re * b.re + b.im * b.im;
    const Complex t = a * conj(b);
    return Complex(t.re / d, t.im / d);
}

inline Complex operator+(Complex z, double x) { return Complex(z.re + x, z.im); }
inline Complex operator+(double x, Complex z) { return Complex(x + z.re, z.im); }
inline Complex operator-(Complex z, double x) { return Complex(z.re - x, z.im); }
inline Complex operator-(double x, Complex z) { return Complex(x - z.re, -z.im); }
inline Complex operator*(Complex z, double x) { return Complex(z.re * x, z.im * x); }
inline Complex operator*(double x, Complex z) { return Complex(x * z.re, x * z.im); }
// Division by or of a real goes through the complex division with (x, 0), as the formulas
// were written: z / x is (z.re*x / (x*x), z.im*x / (x*x)), not (z.re / x, z.im / x).
inline Complex operator/(Complex z, double x) { return z / Complex(x, 0.0); }
inline Complex operator/(double x, Complex z) { return Complex(x, 0.0) / z; }

inline double abs(Complex z) { return std::sqrt(z.re * z.re + z.im * z.im); }
// The modulus, not the parts, decides: a value whose squares underflow has argument 0.
inline double arg(Complex z) { return abs(z) == 0.0 ? 0.0 : std::atan2(z.im, z.re); }

inline Complex exp(Complex z)
{
    const double e = std::exp(z.re);
    return Complex(e * std::cos(z.im), e * std::sin(z.im));
}
inline Complex log(Complex z) { return Complex(std::log(abs(z)), arg(z)); }
// Principal branch; the exponent is always real, and a square root is pow(z, 0.5).
inline Complex pow(Complex z, double x)
{
    const double m = std::pow(abs(z), x);
    const double t = arg(z) * x;
    return Complex(m * std::cos(t), m * std::sin(t));
}

inline Complex sinh(Complex z) { return (exp(z) - exp(-z)) / Complex(2.0, 0.0); }
inline Complex cosh(Complex z) { return (exp(z) + exp(-z)) / Complex(2.0, 0.0); }
inline Complex tanh(Complex z)
{
    if (z.re > 80.0) return Complex(1.0, 0.0);
    if (z.re < -80.0) return Complex(-1.0, 0.0);
    return sinh(z) / cosh(z);
}
inline Complex sin(Complex z)
{
    const Complex w = Complex(0.0, 1.0) * z;
    return (exp(w) - exp(-w)) / Complex(0.0, 2.0);
}
inline Complex cos(Complex z)
{
    const Complex w = Complex(0.0, 1.0) * z;
    return (exp(w) + exp(-w)) / Complex(2.0, 0.0);
}

}  // namespace xsrl
