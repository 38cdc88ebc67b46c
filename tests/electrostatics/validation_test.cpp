// The capacitance solver against exact answers: conformal maps, images and the
// Hammerstad-Jensen microstrip formulas, each evaluated here in long double.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "structures.h"

namespace xsrl {

namespace {

constexpr long double PiL = 3.141592653589793238462643383279502884L;
constexpr long double Epsilon0L = 8.8541878128e-12L;

// The arithmetic-geometric mean of 1 and x.
long double agm(long double x)
{
    long double a = 1.0L, b = x;
    while (std::fabs(a - b) > 1e-18L * a) {
        const long double mean = 0.5L * (a + b);
        b = std::sqrt(a * b);
        a = mean;
    }
    return a;
}

// A zero-thickness strip of width w centred between plates spaced b in a medium er:
// C = 4 eps0 er K(k') / K(k), k = sech(pi w / 2b), k' = tanh(pi w / 2b). The complete elliptic
// integral of the first kind of a modulus is pi / (2 AGM(1, its complement)); passing the
// complements directly keeps a wide strip's k' = 1 - tiny exact.
long double striplineCapacitance(long double w, long double b, long double er)
{
    const long double x = PiL * w / (2.0L * b);
    return 4.0L * Epsilon0L * er * agm(std::tanh(x)) / agm(1.0L / std::cosh(x));
}

// Hammerstad and Jensen's zero-thickness microstrip of width / height u on er.
struct Microstrip {
    long double z0;
    long double effective;
};

Microstrip hammerstadJensen(long double u, long double er)
{
    const long double eta0 = 376.730313668L;
    const long double f = 6.0L + (2.0L * PiL - 6.0L) * std::exp(-std::pow(30.666L / u, 0.7528L));
    const long double z0Air = eta0 / (2.0L * PiL) * std::log(f / u + std::sqrt(1.0L + 4.0L / (u * u)));
    const long double a =
        1.0L + std::log((std::pow(u, 4.0L) + std::pow(u / 52.0L, 2.0L)) / (std::pow(u, 4.0L) + 0.432L)) / 49.0L +
        std::log(1.0L + std::pow(u / 18.1L, 3.0L)) / 18.7L;
    const long double b = 0.564L * std::pow((er - 0.9L) / (er + 3.0L), 0.053L);
    const long double effective = (er + 1.0L) / 2.0L + (er - 1.0L) / 2.0L * std::pow(1.0L + 10.0L / u, -a * b);
    return {z0Air / std::sqrt(effective), effective};
}

// Checks |measured / exact - 1| <= tolerance and prints the error, the accuracy on record.
void expectRelative(double measured, long double exact, double tolerance, const std::string& what)
{
    const double error = static_cast<double>(measured / exact - 1.0L);
    std::printf("[ accuracy ] %-45s %+.2e\n", what.c_str(), error);
    EXPECT_LE(std::fabs(error), tolerance) << what << ": " << measured << " against " << static_cast<double>(exact);
}

double columnSum(const ComplexMatrix& c, int column)
{
    double sum = 0.0;
    for (int m = 0; m < c.rows(); ++m) sum += c[m][column].re;
    return sum;
}

}  // namespace

// A round wire of radius a, its centre at h over a ground plate 200 h wide:
// C = 2 pi eps0 / acosh(h / a), the loop capacitance with the plate as the return.
TEST(CapacitanceValidation, WireOverGroundPlate)
{
    const double a = 1e-3;
    for (const double h : {1.5e-3, 5e-3}) {
        Structure s;
        s.rectangle(-100 * h, -a, 100 * h, 0, 0.0, ConductorShape::Plate).circle(0, h, a);
        RunSettings loop;
        const ComplexMatrix c = reportedCapacitance(loop, s.conductors, s.maxwell());
        ASSERT_EQ(c.rows(), 1);
        expectRelative(c[0][0].re, 2 * PiL * Epsilon0L / std::acosh(static_cast<long double>(h / a)), 0.01,
                       "wire over plate, h/a=" + std::to_string(h / a));
    }
}

// Two wires of radius a, centres D apart: the loop capacitance pi eps0 / acosh(D / 2a); the
// partial matrix is [[c, -c], [-c, c]].
TEST(CapacitanceValidation, TwoWireLine)
{
    const double a = 5e-4;
    for (const double ratio : {1.05, 1.5, 5.0}) {
        Structure s;
        s.circle(0, 0, a).circle(2 * a * ratio, 0, a, 0.0);
        const ComplexMatrix maxwell = s.maxwell();
        const long double exact = PiL * Epsilon0L / std::acosh(static_cast<long double>(ratio));
        expectRelative(reportedCapacitance(RunSettings(), s.conductors, maxwell)[0][0].re, exact, 0.005,
                       "two-wire line, D/2a=" + std::to_string(ratio));
        RunSettings partial;
        partial.partial = true;
        const ComplexMatrix c = reportedCapacitance(partial, s.conductors, maxwell);
        ASSERT_EQ(c.rows(), 2);
        EXPECT_NEAR(c[1][1].re, c[0][0].re, 1e-12 * c[0][0].re);
        EXPECT_NEAR(c[0][1].re, -c[0][0].re, 1e-12 * c[0][0].re);
        EXPECT_NEAR(c[1][0].re, -c[0][0].re, 1e-12 * c[0][0].re);
        EXPECT_EQ(c[0][0].im, 0.0);
    }
}

// A strip of width w and thickness w / 1000 centred between plates spaced b, the space
// between them filled with er = 4: C = 4 eps0 er K(k') / K(k), k = sech(pi w / 2b).
TEST(CapacitanceValidation, StriplineBetweenWidePlates)
{
    const double b = 1e-3;
    for (const double w : {0.5e-3, 2e-3}) {
        const double t = w / 1000;
        Structure s;
        s.rectangle(-20 * b, -0.2 * b, 20 * b, 0, 0.0, ConductorShape::Plate)
            .rectangle(-20 * b, b, 20 * b, 1.2 * b, 0.0, ConductorShape::Plate)
            .rectangle(-w / 2, (b - t) / 2, w / 2, (b + t) / 2)
            .dielectric(-20 * b, 0, 20 * b, b, 4.0);
        const ComplexMatrix c = reportedCapacitance(RunSettings(), s.conductors, s.maxwell());
        expectRelative(c[0][0].re, striplineCapacitance(w, b, 4.0L), 0.01, "stripline, w/b=" + std::to_string(w / b));
    }
    // The reference itself: a wide strip tends to two parallel plates, 4 eps0 er w / b.
    EXPECT_NEAR(static_cast<double>(striplineCapacitance(100.0L, 1.0L, 4.0L) / (16.0L * Epsilon0L * 100.0L)), 1.0,
                0.01);
}

// A trace of width u h and thickness w / 1000 on a substrate of height h (er 4.3) over a
// plate, both 40 h wide: Z0 = 1 / (c0 sqrt(C C_air)) and eps_eff = C / C_air.
TEST(CapacitanceValidation, MicrostripAgreesWithHammerstadJensen)
{
    const double h = 1e-4, er = 4.3;
    for (const double u : {1.0, 2.0, 3.0}) {
        const double w = u * h;
        auto build = [&](Structure& s) {
            s.rectangle(-20 * h, -0.35 * h, 20 * h, 0, 0.0, ConductorShape::Plate)
                .rectangle(-w / 2, h, w / 2, h + w / 1000);
        };
        Structure substrate, air;
        build(substrate);
        build(air);
        substrate.dielectric(-20 * h, 0, 20 * h, h, er);
        const ComplexMatrix c = substrate.maxwell();
        const double withSubstrate = c[1][1].re;
        const double withAir = air.maxwell()[1][1].re;
        const Microstrip exact = hammerstadJensen(u, er);
        const std::string name = "microstrip, w/h=" + std::to_string(u);
        expectRelative(withSubstrate / withAir, exact.effective, 0.015, name + ", eps_eff");
        expectRelative(1.0 / (LightSpeed * std::sqrt(withSubstrate * withAir)), exact.z0, 0.015, name + ", Z0");
        // The reference at infinity: every column sums to zero.
        EXPECT_LE(std::fabs(columnSum(c, 1)), 1e-12 * withSubstrate) << name;
    }
}

// Wires deep inside one large block: the interfaces are far away, so C is er times vacuum's
// up to the field that leaks past the block.
TEST(CapacitanceValidation, HomogeneousDielectricScalesTheVacuumMatrix)
{
    const double a = 1e-3;
    auto build = [&](Structure& s) { s.circle(0, 0, a).circle(4 * a, 0, a).circle(2 * a, -3 * a, a, 0.0); };
    Structure vacuum, filled;
    build(vacuum);
    build(filled);
    filled.dielectric(-100 * a, -100 * a, 100 * a, 100 * a, 4.0);
    const ComplexMatrix cv = vacuum.maxwell();
    const ComplexMatrix cd = filled.maxwell();
    for (int m = 0; m < 3; ++m) {
        EXPECT_LE(std::fabs(columnSum(cv, m)), 1e-12 * cv[m][m].re);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(cd[m][k].re, 4.0 * cv[m][k].re, 2e-3 * cd[m][m].re) << m << k;
    }
}

// One lossy dielectric filling the space between two plates: every field line runs in it,
// so G = omega tand C, that is Im c = -tand Re c, for every entry.
TEST(CapacitanceValidation, LossTangentOfOneDielectricGivesGEqualOmegaTandC)
{
    const double b = 1e-3, tand = 0.02;
    Structure s;
    s.rectangle(-20 * b, -0.2 * b, 20 * b, 0, 0.0, ConductorShape::Plate)
        .rectangle(-20 * b, b, 20 * b, 1.2 * b, 0.0, ConductorShape::Plate)
        .rectangle(-0.6 * b, 0.4 * b, -0.2 * b, 0.45 * b)
        .rectangle(0.2 * b, 0.4 * b, 0.6 * b, 0.45 * b)
        .dielectric(-20 * b, 0, 20 * b, b, 4.0, tand);
    RunSettings loop;
    const ComplexMatrix c = reportedCapacitance(loop, s.conductors, s.maxwell());
    ASSERT_EQ(c.rows(), 2);
    for (int m = 0; m < 2; ++m)
        for (int k = 0; k < 2; ++k) EXPECT_NEAR(-c[m][k].im / c[m][k].re / tand, 1.0, 1e-9) << m << k;
    EXPECT_LT(c[0][1].re, 0.0);  // the coupling of two signals is negative
}

// Collocation alone leaves C12 and C21 of an asymmetric structure up to a few 1e-5 apart; the
// Maxwell matrix is their mean: C and G equal their transposes to the bit, so every output
// and the line models built on them are reciprocal, and each column still sums to zero.
TEST(CapacitanceValidation, CAndGAreSymmetricAndTheirColumnsSumToZero)
{
    const double h = 1e-4;
    Structure s;
    s.rectangle(-6 * h, -0.35 * h, 6 * h, 0, 0.0, ConductorShape::Plate)
        .rectangle(-1.5 * h, h, -0.5 * h, 1.2 * h)
        .rectangle(0.3 * h, h, 0.8 * h, 1.1 * h)
        .circle(2 * h, 3 * h, 0.4 * h)
        .dielectric(-6 * h, 0, 6 * h, h, 4.3, 0.02)
        .dielectric(-3 * h, h, 0, 1.5 * h, 2.5, 0.001);
    const ComplexMatrix c = s.maxwell();
    for (int m = 0; m < 4; ++m) {
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(c[m][k].re, c[k][m].re) << m << k;
            EXPECT_EQ(c[m][k].im, c[k][m].im) << m << k;
        }
        EXPECT_LE(std::fabs(columnSum(c, m)), 1e-12 * c[m][m].re) << m;
    }
}

}  // namespace xsrl
