#include "export/spice.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numeric>

#include "export/exports.h"
#include "export/touchstone.h"
#include "numerics/constants.h"
#include "numerics/eigen.h"
#include "numerics/lu_solve.h"
#include "numerics/nonnegative_least_squares.h"
#include "numerics/positive_definite.h"
#include "support/errors.h"

namespace xsrl {

namespace {

constexpr int MaxSections = 100000;
constexpr double SectionsPerWavelength = 20.0;
constexpr int RefinementSteps = 60;
constexpr int StallSteps = 8;
constexpr double CornersPerDecade = 2.0;
// The misses in magnitude (dB) and phase (degrees) that the fit weighs alike.
constexpr double MagnitudeTolerance = 0.2;
constexpr double PhaseTolerance = 2.0;
// The relative miss of the DC resistance that the fit weighs as much.
constexpr double DcTolerance = 0.02;

double component(const Direction& d, int k) { return (k == d.first ? 1.0 : 0.0) + (k == d.second ? d.sign : 0.0); }

double directionEntry(const Direction& d, int i, int j) { return component(d, i) * component(d, j); }

// Series terms may couple two conductors either way (their mutual resistance and inductance have
// either sign); a shunt branch runs from a conductor to the reference or between two conductors.
std::vector<Direction> seriesDirections(int n)
{
    std::vector<Direction> out;
    for (int i = 0; i < n; ++i) out.push_back(Direction{i, -1, 1.0});
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) {
            out.push_back(Direction{i, j, 1.0});
            out.push_back(Direction{i, j, -1.0});
        }
    return out;
}

std::vector<Direction> shuntDirections(int n)
{
    std::vector<Direction> out;
    for (int i = 0; i < n; ++i) out.push_back(Direction{i, -1, 1.0});
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) out.push_back(Direction{i, j, -1.0});
    return out;
}

// Corner frequencies of the fitted terms, rad/s: CornersPerDecade a decade from a decade below
// the sweep to a decade above it.
std::vector<double> cornerFrequencies(const SweepResult& result)
{
    const double low = result.points.front().frequency / 10.0;
    const double decades = std::log10(100.0 * result.points.back().frequency / result.points.front().frequency);
    const int count = static_cast<int>(std::ceil(CornersPerDecade * decades)) + 1;
    std::vector<double> out;
    for (int k = 0; k < count; ++k) out.push_back(TwoPi * low * std::pow(10.0, k / CornersPerDecade));
    return out;
}

double symmetric(const RealMatrix& m, int i, int j) { return 0.5 * (m[i][j] + m[j][i]); }

// The rows of a fit: two per frequency and matrix entry (i <= j), the real and the imaginary part
// of the immittance, each divided by the largest diagonal modulus at its frequency.
struct FitRows {
    std::vector<double> weight;  // per frequency
    int entries = 0;
    int row(std::size_t point, int entry, int part) const
    {
        return (static_cast<int>(point) * entries + entry) * 2 + part;
    }
};

FitRows fitRows(const SweepResult& result, bool series)
{
    const int n = static_cast<int>(result.ports.size());
    FitRows rows{{}, n * (n + 1) / 2};
    for (const FrequencyPoint& point : result.points) {
        const double omega = TwoPi * point.frequency;
        double largest = 0.0;
        for (int i = 0; i < n; ++i) {
            const double re = series ? point.r[i][i] : point.g[i][i];
            const double im = omega * (series ? point.l[i][i] : point.c[i][i]);
            largest = std::max(largest, std::hypot(re, im));
        }
        rows.weight.push_back(largest > 0.0 ? 1.0 / largest : 1.0);
    }
    return rows;
}

std::vector<double> columnNorms(const RealMatrix& a)
{
    std::vector<double> norms(static_cast<std::size_t>(a.cols()), 0.0);
    for (int j = 0; j < a.cols(); ++j) {
        double sum = 0.0;
        for (int i = 0; i < a.rows(); ++i) sum += a[i][j] * a[i][j];
        norms[static_cast<std::size_t>(j)] = std::sqrt(sum);
    }
    return norms;
}

// Non-negative least squares on columns scaled to unit length.
std::vector<double> scaledNonNegativeFit(RealMatrix a, const std::vector<double>& b)
{
    const std::vector<double> norms = columnNorms(a);
    for (int j = 0; j < a.cols(); ++j)
        for (int i = 0; i < a.rows(); ++i)
            if (norms[static_cast<std::size_t>(j)] > 0.0) a[i][j] /= norms[static_cast<std::size_t>(j)];
    std::vector<double> x = nonNegativeLeastSquares(a, b);
    for (std::size_t j = 0; j < x.size(); ++j) x[j] = norms[j] > 0.0 ? x[j] / norms[j] : 0.0;
    return x;
}

// The exact line of the model's own per-metre Z and Y at one frequency.
FrequencyPoint modelPoint(const LineModel& model, double frequency)
{
    const int n = model.inductance.rows();
    const double omega = TwoPi * frequency;
    const ComplexMatrix z = seriesImpedance(model, omega), y = shuntAdmittance(model, omega);
    FrequencyPoint point{frequency, dmatrix(n, n), dmatrix(n, n), dmatrix(n, n), dmatrix(n, n)};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            point.r[i][j] = z[i][j].re;
            point.l[i][j] = z[i][j].im / omega;
            point.g[i][j] = y[i][j].re;
            point.c[i][j] = y[i][j].im / omega;
        }
    return point;
}

ScatteringDeviation worse(ScatteringDeviation a, ScatteringDeviation b)
{
    return ScatteringDeviation{std::max(a.decibels, b.decibels), std::max(a.degrees, b.degrees)};
}

// The least-squares fit of the series unknowns (R0, then every direction at every pole) and of
// Linf to R and L; `norms` gets the lengths of the columns, Linf's last (one per entry i <= j).
std::vector<double> fitSeries(const SweepResult& result, const std::vector<Direction>& directions,
                              const std::vector<double>& poles, RealMatrix& inductance, std::vector<double>& norms)
{
    const int n = static_cast<int>(result.ports.size());
    const FitRows rows = fitRows(result, true);
    const int termColumns = static_cast<int>(directions.size() * poles.size());
    const int rowCount = static_cast<int>(result.points.size()) * rows.entries * 2;
    // Columns: R0 of each conductor, then every direction at every pole.
    RealMatrix a = dmatrix(rowCount, n + termColumns);
    std::vector<double> b(static_cast<std::size_t>(rowCount));
    // Linf is free: its columns (one per entry, on the imaginary rows of that entry alone) are
    // projected out of the others, and Linf follows from the residual.
    std::vector<std::vector<double>> free(static_cast<std::size_t>(rows.entries),
                                          std::vector<double>(static_cast<std::size_t>(rowCount), 0.0));
    for (std::size_t p = 0; p < result.points.size(); ++p) {
        const FrequencyPoint& point = result.points[p];
        const double omega = TwoPi * point.frequency;
        const double w = rows.weight[p];
        int entry = 0;
        for (int i = 0; i < n; ++i) {
            for (int j = i; j < n; ++j, ++entry) {
                const int re = rows.row(p, entry, 0), im = rows.row(p, entry, 1);
                b[static_cast<std::size_t>(re)] = w * symmetric(point.r, i, j);
                b[static_cast<std::size_t>(im)] = w * omega * symmetric(point.l, i, j);
                free[static_cast<std::size_t>(entry)][static_cast<std::size_t>(im)] = w * omega;
                if (i == j) a[re][i] = w;
                for (std::size_t d = 0; d < directions.size(); ++d) {
                    const double dd = directionEntry(directions[d], i, j);
                    for (std::size_t k = 0; k < poles.size(); ++k) {
                        const int column = n + static_cast<int>(d * poles.size() + k);
                        const double pole = poles[k], denominator = omega * omega + pole * pole;
                        a[re][column] = w * dd * omega * omega / denominator;
                        a[im][column] = w * dd * omega * pole / denominator;
                    }
                }
            }
        }
    }
    RealMatrix projected = a;
    std::vector<double> projectedB = b;
    for (const std::vector<double>& f : free) {
        double ff = 0.0, fb = 0.0;
        for (int i = 0; i < rowCount; ++i) {
            ff += f[static_cast<std::size_t>(i)] * f[static_cast<std::size_t>(i)];
            fb += f[static_cast<std::size_t>(i)] * b[static_cast<std::size_t>(i)];
        }
        for (int i = 0; i < rowCount; ++i)
            projectedB[static_cast<std::size_t>(i)] -= f[static_cast<std::size_t>(i)] * fb / ff;
        for (int c = 0; c < a.cols(); ++c) {
            double fa = 0.0;
            for (int i = 0; i < rowCount; ++i) fa += f[static_cast<std::size_t>(i)] * a[i][c];
            for (int i = 0; i < rowCount; ++i) projected[i][c] -= f[static_cast<std::size_t>(i)] * fa / ff;
        }
    }
    const std::vector<double> x = scaledNonNegativeFit(std::move(projected), projectedB);
    norms = columnNorms(a);
    inductance = dmatrix(n, n);
    int entry = 0;
    for (int i = 0; i < n; ++i) {
        for (int j = i; j < n; ++j, ++entry) {
            const std::vector<double>& f = free[static_cast<std::size_t>(entry)];
            double ff = 0.0, fr = 0.0;
            for (int row = 0; row < rowCount; ++row) {
                double residual = b[static_cast<std::size_t>(row)];
                for (int c = 0; c < a.cols(); ++c) residual -= a[row][c] * x[static_cast<std::size_t>(c)];
                ff += f[static_cast<std::size_t>(row)] * f[static_cast<std::size_t>(row)];
                fr += f[static_cast<std::size_t>(row)] * residual;
            }
            inductance[i][j] = inductance[j][i] = fr / ff;
            norms.push_back(std::sqrt(ff));
        }
    }
    return x;
}

// The unknowns of the shunt branch: per direction a capacitance for each relaxation (the first 0:
// a plain capacitor, then R-C branches). No conductance: the dielectric passes no current at DC.
struct ShuntBasis {
    std::vector<Direction> directions;
    std::vector<double> relaxations;
    std::size_t perDirection() const { return relaxations.size(); }
};

ShuntBasis shuntBasis(const SweepResult& result)
{
    ShuntBasis basis{shuntDirections(static_cast<int>(result.ports.size())), {0.0}};
    for (const double corner : cornerFrequencies(result)) basis.relaxations.push_back(1.0 / corner);
    return basis;
}

// Every unknown of the model, all at or above zero: R0 of each conductor, the series terms
// (direction by direction, pole by pole), Linf entry by entry (i <= j) as a positive and a
// negative part, then the shunt unknowns.
struct ModelBasis {
    int conductors = 0;
    std::vector<Direction> seriesDirections;
    std::vector<double> poles;
    ShuntBasis shunt;
    std::size_t inductanceStart() const
    {
        return static_cast<std::size_t>(conductors) + seriesDirections.size() * poles.size();
    }
    std::size_t shuntStart() const
    {
        return inductanceStart() + static_cast<std::size_t>(conductors * (conductors + 1));
    }
};

LineModel modelOf(const ModelBasis& basis, const std::vector<double>& x)
{
    const int n = basis.conductors;
    LineModel model{dmatrix(n, n), dmatrix(n, n), {}, {}};
    for (int i = 0; i < n; ++i) model.resistance[i][i] = x[static_cast<std::size_t>(i)];
    for (std::size_t d = 0; d < basis.seriesDirections.size(); ++d)
        for (std::size_t k = 0; k < basis.poles.size(); ++k) {
            const double value = x[static_cast<std::size_t>(n) + d * basis.poles.size() + k];
            if (value > 0.0) model.series.push_back(SeriesTerm{basis.seriesDirections[d], basis.poles[k], value});
        }
    std::size_t at = basis.inductanceStart();
    for (int i = 0; i < n; ++i)
        for (int j = i; j < n; ++j, at += 2) model.inductance[i][j] = model.inductance[j][i] = x[at] - x[at + 1];
    const ShuntBasis& shunt = basis.shunt;
    for (std::size_t d = 0; d < shunt.directions.size(); ++d) {
        const std::size_t start = basis.shuntStart() + d * shunt.perDirection();
        for (std::size_t k = 0; k < shunt.relaxations.size(); ++k)
            if (x[start + k] > 0.0)
                model.shunt.push_back(ShuntTerm{shunt.directions[d], 0.0, x[start + k], shunt.relaxations[k]});
    }
    return model;
}

// The least-squares fit of the shunt unknowns to G and C; `norms` gets the lengths of the columns.
std::vector<double> fitShunt(const SweepResult& result, const ShuntBasis& basis, std::vector<double>& norms)
{
    const int n = static_cast<int>(result.ports.size());
    const FitRows rows = fitRows(result, false);
    const int rowCount = static_cast<int>(result.points.size()) * rows.entries * 2;
    RealMatrix a = dmatrix(rowCount, static_cast<int>(basis.directions.size() * basis.perDirection()));
    std::vector<double> b(static_cast<std::size_t>(rowCount));
    for (std::size_t p = 0; p < result.points.size(); ++p) {
        const FrequencyPoint& point = result.points[p];
        const double omega = TwoPi * point.frequency, w = rows.weight[p];
        int entry = 0;
        for (int i = 0; i < n; ++i) {
            for (int j = i; j < n; ++j, ++entry) {
                const int re = rows.row(p, entry, 0), im = rows.row(p, entry, 1);
                b[static_cast<std::size_t>(re)] = w * symmetric(point.g, i, j);
                b[static_cast<std::size_t>(im)] = w * omega * symmetric(point.c, i, j);
                for (std::size_t d = 0; d < basis.directions.size(); ++d) {
                    const double dd = directionEntry(basis.directions[d], i, j);
                    const int column = static_cast<int>(d * basis.perDirection());
                    for (std::size_t k = 0; k < basis.relaxations.size(); ++k) {
                        const double tau = basis.relaxations[k], denominator = 1.0 + omega * omega * tau * tau;
                        a[re][column + static_cast<int>(k)] = w * dd * omega * omega * tau / denominator;
                        a[im][column + static_cast<int>(k)] = w * dd * omega / denominator;
                    }
                }
            }
        }
    }
    norms = columnNorms(a);
    return scaledNonNegativeFit(std::move(a), b);
}

// How far the S-parameters of the line of the model miss those of the sweep: for every frequency
// and every entry above -40 dB, the error in magnitude over MagnitudeTolerance (dB) and in phase
// over PhaseTolerance (degrees), signed.
std::vector<double> scatteringMisses(const LineModel& model, const SweepResult& result,
                                     const std::vector<ComplexMatrix>& reference, double lengthMetres, double z0)
{
    std::vector<double> misses;
    for (std::size_t p = 0; p < result.points.size(); ++p) {
        const ComplexMatrix s = lineScattering(modelPoint(model, result.points[p].frequency), lengthMetres, z0);
        const ComplexMatrix& r = reference[p];
        for (int i = 0; i < r.rows(); ++i)
            for (int j = 0; j < r.cols(); ++j) {
                if (abs(r[i][j]) <= 0.01) continue;
                const Complex ratio = s[i][j] / r[i][j];
                misses.push_back(20.0 * std::log10(abs(ratio)) / MagnitudeTolerance);
                misses.push_back(arg(ratio) * 180.0 / Pi / PhaseTolerance);
            }
    }
    return misses;
}

double largestMagnitude(const std::vector<double>& values)
{
    double out = 0.0;
    for (const double v : values) out = std::max(out, std::fabs(v));
    return out;
}

// The x' >= 0 that minimizes |W (J x' - (J x - m))|^2 + damping |D (x' - x)|^2: the linearized
// misses m (weights W) of a Gauss-Newton step, kept near x as Levenberg and Marquardt do (D the
// column scales), solved on columns scaled to unit D.
std::vector<double> dampedStep(const RealMatrix& jacobian, const std::vector<double>& misses,
                               const std::vector<double>& weights, const std::vector<double>& x,
                               const std::vector<double>& norms, double damping)
{
    const int count = static_cast<int>(misses.size()), unknowns = static_cast<int>(x.size());
    RealMatrix a = dmatrix(count + unknowns, unknowns);
    std::vector<double> b(static_cast<std::size_t>(count + unknowns), 0.0);
    for (int i = 0; i < count; ++i) {
        const std::size_t ui = static_cast<std::size_t>(i);
        double predicted = -misses[ui];
        for (int j = 0; j < unknowns; ++j) {
            a[i][j] = weights[ui] * jacobian[i][j];
            predicted += jacobian[i][j] * x[static_cast<std::size_t>(j)];
        }
        b[ui] = weights[ui] * predicted;
    }
    const double root = std::sqrt(damping);
    for (int j = 0; j < unknowns; ++j) {
        const std::size_t uj = static_cast<std::size_t>(j);
        a[count + j][j] = root * norms[uj];
        b[static_cast<std::size_t>(count) + uj] = root * norms[uj] * x[uj];
    }
    for (int j = 0; j < unknowns; ++j)
        for (int i = 0; i < count + unknowns; ++i)
            if (norms[static_cast<std::size_t>(j)] > 0.0) a[i][j] /= norms[static_cast<std::size_t>(j)];
    std::vector<double> out = nonNegativeLeastSquares(a, b);
    for (std::size_t j = 0; j < out.size(); ++j) out[j] = norms[j] > 0.0 ? out[j] / norms[j] : 0.0;
    return out;
}

// The sweep's C and G need not be causal (a constant C with G in proportion to frequency is
// not) and the model is, so no fit meets every point; the least-squares fit of the immittance
// leaves the S-parameters off by more than they need be. This moves the unknowns to make
// the largest S-parameter miss small: Gauss-Newton steps on the misses, each a non-negative
// least-squares problem damped as Levenberg and Marquardt do, with the misses weighted by
// Lawson's iteration towards the smallest largest miss.
void refine(const SweepResult& result, const ModelBasis& basis, const std::vector<double>& norms,
            std::vector<double>& x, double lengthMetres, double z0)
{
    std::vector<ComplexMatrix> reference;
    for (const FrequencyPoint& point : result.points) reference.push_back(lineScattering(point, lengthMetres, z0));
    // The resistors also hold each conductor's resistance at DC, which is R at the lowest frequency:
    // without this the fit may as well move it into loops whose corner lies below the sweep, and
    // the line would lose its resistance at DC.
    auto missesOf = [&](const std::vector<double>& unknowns) {
        std::vector<double> misses = scatteringMisses(modelOf(basis, unknowns), result, reference, lengthMetres, z0);
        const RealMatrix& lowest = result.points.front().r;
        for (int i = 0; i < basis.conductors; ++i)
            if (lowest[i][i] > 0.0)
                misses.push_back((unknowns[static_cast<std::size_t>(i)] - lowest[i][i]) / (DcTolerance * lowest[i][i]));
        return misses;
    };
    std::vector<double> misses = missesOf(x);
    std::vector<double> best = x;
    double bestMiss = largestMagnitude(misses);
    std::vector<double> lawson(misses.size(), 1.0);
    double damping = 1e-2;
    const int unknowns = static_cast<int>(x.size());
    // Steps until RefinementSteps, or until StallSteps in a row bring the largest miss down by
    // less than a percent.
    for (int step = 0, sinceGain = 0; step < RefinementSteps && sinceGain < StallSteps && bestMiss > 0.0; ++step) {
        // The Jacobian by forward differences, each unknown moved by 1e-6 of its column's scale.
        RealMatrix jacobian = dmatrix(static_cast<int>(misses.size()), unknowns);
        for (int j = 0; j < unknowns; ++j) {
            const std::size_t uj = static_cast<std::size_t>(j);
            if (norms[uj] == 0.0) continue;
            std::vector<double> moved = x;
            const double h = 1e-6 / norms[uj];
            moved[uj] += h;
            const std::vector<double> shifted = missesOf(moved);
            for (std::size_t i = 0; i < misses.size(); ++i)
                jacobian[static_cast<int>(i)][j] = (shifted[i] - misses[i]) / h;
        }
        for (std::size_t i = 0; i < misses.size(); ++i)
            lawson[i] *= std::sqrt(std::max(std::fabs(misses[i]) / largestMagnitude(misses), 1e-3));
        const double lawsonSum = std::accumulate(lawson.begin(), lawson.end(), 0.0);
        for (double& w : lawson) w *= static_cast<double>(lawson.size()) / lawsonSum;
        // A step is taken unless it makes the largest miss more than 5 % worse (the weights trade
        // misses against each other on the way); otherwise it is damped more.
        for (int attempt = 0; attempt < 6; ++attempt) {
            const std::vector<double> trial = dampedStep(jacobian, misses, lawson, x, norms, damping);
            const std::vector<double> trialMisses = missesOf(trial);
            if (largestMagnitude(trialMisses) < largestMagnitude(misses) * 1.05) {
                x = trial;
                misses = trialMisses;
                damping = std::max(damping / 3.0, 1e-8);
                break;
            }
            damping *= 10.0;
        }
        ++sinceGain;
        if (largestMagnitude(misses) < bestMiss) {
            if (largestMagnitude(misses) < 0.99 * bestMiss) sinceGain = 0;
            bestMiss = largestMagnitude(misses);
            best = x;
        }
    }
    x = best;
}

ComplexMatrix identity(int n)
{
    ComplexMatrix out = matrix(n, n);
    for (int i = 0; i < n; ++i) out[i][i] = Complex(1.0, 0.0);
    return out;
}

// a + factor b.
ComplexMatrix sum(const ComplexMatrix& a, const ComplexMatrix& b, double factor = 1.0)
{
    ComplexMatrix out = a;
    for (int i = 0; i < a.rows(); ++i)
        for (int j = 0; j < a.cols(); ++j) out[i][j] = out[i][j] + factor * b[i][j];
    return out;
}

ComplexMatrix block(const ComplexMatrix& s, int row, int column, int n)
{
    ComplexMatrix out = matrix(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) out[i][j] = s[row * n + i][column * n + j];
    return out;
}

// The cascade of two 2n-ports, the far end of `a` on the near end of `b` (the Redheffer star
// product): stable however lossy or long the cascade, unlike a product of chain matrices.
ComplexMatrix cascade(const ComplexMatrix& a, const ComplexMatrix& b, int n)
{
    const ComplexMatrix a11 = block(a, 0, 0, n), a12 = block(a, 0, 1, n), a21 = block(a, 1, 0, n),
                        a22 = block(a, 1, 1, n);
    const ComplexMatrix b11 = block(b, 0, 0, n), b12 = block(b, 0, 1, n), b21 = block(b, 1, 0, n),
                        b22 = block(b, 1, 1, n);
    const ComplexMatrix one = identity(n);
    // (I - b11 a22)^-1 b11 a21 and (I - a22 b11)^-1 a22 b12 ...
    const ComplexMatrix forward = solveByLu(sum(one, product(a22, b11), -1.0), a21);  // (I - a22 b11)^-1 a21
    const ComplexMatrix backward = solveByLu(sum(one, product(b11, a22), -1.0), b12);  // (I - b11 a22)^-1 b12
    const ComplexMatrix s11 = sum(a11, product(a12, product(b11, forward)));
    const ComplexMatrix s12 = product(a12, backward);
    const ComplexMatrix s21 = product(b21, forward);
    const ComplexMatrix s22 = sum(b22, product(b21, product(a22, backward)));
    ComplexMatrix s = matrix(2 * n, 2 * n);
    const ComplexMatrix* parts[2][2] = {{&s11, &s12}, {&s21, &s22}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j) s[r * n + i][c * n + j] = (*parts[r][c])[i][j];
    return s;
}

// Adds y d d^T between two nodes (-1 the reference) to a nodal admittance matrix.
void stamp(ComplexMatrix& y, int node1, int node2, Complex value)
{
    if (node1 >= 0) y[node1][node1] = y[node1][node1] + value;
    if (node2 >= 0) y[node2][node2] = y[node2][node2] + value;
    if (node1 >= 0 && node2 >= 0) {
        y[node1][node2] = y[node1][node2] - value;
        y[node2][node1] = y[node2][node1] - value;
    }
}

// The admittance matrix of the section seen at its 2n ends, the inner nodes eliminated.
ComplexMatrix sectionAdmittance(const SectionCircuit& section, int conductors, double omega)
{
    ComplexMatrix y = matrix(section.nodeCount, section.nodeCount);
    std::vector<int> coils;
    std::vector<int> coilIndex(section.elements.size(), -1);
    for (std::size_t e = 0; e < section.elements.size(); ++e) {
        const CircuitElement& element = section.elements[e];
        if (element.kind == 'R') stamp(y, element.node1, element.node2, Complex(1.0 / element.value, 0.0));
        if (element.kind == 'C') stamp(y, element.node1, element.node2, Complex(0.0, omega * element.value));
        if (element.kind == 'L') {
            coilIndex[e] = static_cast<int>(coils.size());
            coils.push_back(static_cast<int>(e));
        }
    }
    const int coilCount = static_cast<int>(coils.size());
    ComplexMatrix impedance = matrix(coilCount, coilCount);
    for (int c = 0; c < coilCount; ++c)
        impedance[c][c] =
            Complex(0.0, omega * section.elements[static_cast<std::size_t>(coils[static_cast<std::size_t>(c)])].value);
    for (const Coupling& k : section.couplings) {
        const int p = coilIndex[static_cast<std::size_t>(k.coil1)], q = coilIndex[static_cast<std::size_t>(k.coil2)];
        const double mutual = k.factor * std::sqrt(section.elements[static_cast<std::size_t>(k.coil1)].value *
                                                   section.elements[static_cast<std::size_t>(k.coil2)].value);
        impedance[p][q] = impedance[q][p] = Complex(0.0, omega * mutual);
    }
    const ComplexMatrix admittance = solveByLu(impedance, identity(coilCount));
    for (int p = 0; p < coilCount; ++p) {
        const CircuitElement& a = section.elements[static_cast<std::size_t>(coils[static_cast<std::size_t>(p)])];
        for (int q = 0; q < coilCount; ++q) {
            const CircuitElement& b = section.elements[static_cast<std::size_t>(coils[static_cast<std::size_t>(q)])];
            const Complex value = admittance[p][q];
            if (a.node1 >= 0 && b.node1 >= 0) y[a.node1][b.node1] = y[a.node1][b.node1] + value;
            if (a.node1 >= 0 && b.node2 >= 0) y[a.node1][b.node2] = y[a.node1][b.node2] - value;
            if (a.node2 >= 0 && b.node1 >= 0) y[a.node2][b.node1] = y[a.node2][b.node1] - value;
            if (a.node2 >= 0 && b.node2 >= 0) y[a.node2][b.node2] = y[a.node2][b.node2] + value;
        }
    }
    const int ends = 2 * conductors, inner = section.nodeCount - ends;
    ComplexMatrix yii = matrix(inner, inner), yib = matrix(inner, ends), ybi = matrix(ends, inner);
    ComplexMatrix reduced = matrix(ends, ends);
    for (int i = 0; i < section.nodeCount; ++i)
        for (int j = 0; j < section.nodeCount; ++j) {
            if (i < ends && j < ends)
                reduced[i][j] = y[i][j];
            else if (i < ends)
                ybi[i][j - ends] = y[i][j];
            else if (j < ends)
                yib[i - ends][j] = y[i][j];
            else
                yii[i - ends][j - ends] = y[i][j];
        }
    return sum(reduced, product(ybi, solveByLu(yii, yib)), -1.0);
}

}  // namespace

LineModel fitLineModel(const SweepResult& result, double lengthMetres, double z0)
{
    if (!result.hasCapacitance()) throw missingCapacitance(ExportFormat::Spice);
    const int n = static_cast<int>(result.ports.size());
    const ModelBasis basis{n, seriesDirections(n), cornerFrequencies(result), shuntBasis(result)};
    RealMatrix inductance;
    std::vector<double> norms, shuntNorms;
    std::vector<double> x = fitSeries(result, basis.seriesDirections, basis.poles, inductance, norms);
    const std::vector<double> inductanceNorms(norms.end() - n * (n + 1) / 2, norms.end());
    norms.resize(norms.size() - inductanceNorms.size());
    int entry = 0;
    for (int i = 0; i < n; ++i)
        for (int j = i; j < n; ++j, ++entry) {
            x.push_back(std::max(inductance[i][j], 0.0));
            x.push_back(std::max(-inductance[i][j], 0.0));
            norms.push_back(inductanceNorms[static_cast<std::size_t>(entry)]);
            norms.push_back(inductanceNorms[static_cast<std::size_t>(entry)]);
        }
    const std::vector<double> shunt = fitShunt(result, basis.shunt, shuntNorms);
    x.insert(x.end(), shunt.begin(), shunt.end());
    norms.insert(norms.end(), shuntNorms.begin(), shuntNorms.end());
    refine(result, basis, norms, x, lengthMetres, z0);
    // Terms that move the immittance by less than a millionth are left out: they change nothing
    // but would put elements of 1e-22 F or 1e15 ohm into the circuit, which slow a simulator.
    for (std::size_t j = 0; j < x.size(); ++j)
        if (x[j] * norms[j] < 1e-6) x[j] = 0.0;
    LineModel model = modelOf(basis, x);
    if (!isPositiveDefinite(model.inductance))
        throw numericError("spice: the fitted high-frequency inductance matrix is not positive definite");
    return model;
}

ComplexMatrix seriesImpedance(const LineModel& model, double omega)
{
    const int n = model.inductance.rows();
    ComplexMatrix z = immittance(model.resistance, omega, model.inductance);
    const Complex s(0.0, omega);
    for (const SeriesTerm& term : model.series) {
        const Complex value = term.resistance * s / (s + term.pole);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) z[i][j] = z[i][j] + directionEntry(term.direction, i, j) * value;
    }
    return z;
}

ComplexMatrix shuntAdmittance(const LineModel& model, double omega)
{
    const int n = model.inductance.rows();
    ComplexMatrix y = matrix(n, n);
    const Complex s(0.0, omega);
    for (const ShuntTerm& term : model.shunt) {
        const Complex value = term.conductance + term.capacitance * s / (1.0 + term.relaxation * s);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) y[i][j] = y[i][j] + directionEntry(term.direction, i, j) * value;
    }
    return y;
}

namespace {

// One loop of the series branch, per metre: its terms add v v^T s / (s + pole) to Z(s).
struct EddyLoop {
    double pole = 0.0;
    std::vector<double> vector;
};

// The series terms of each pole summed, a positive semidefinite matrix, and split into its
// eigenvectors: at most one loop per conductor and pole.
std::vector<EddyLoop> eddyLoops(const LineModel& model)
{
    const int n = model.inductance.rows();
    std::vector<double> poles;
    for (const SeriesTerm& term : model.series)
        if (std::find(poles.begin(), poles.end(), term.pole) == poles.end()) poles.push_back(term.pole);
    std::vector<EddyLoop> loops;
    for (const double pole : poles) {
        RealMatrix sum = dmatrix(n, n);
        for (const SeriesTerm& term : model.series)
            if (term.pole == pole)
                for (int i = 0; i < n; ++i)
                    for (int j = 0; j < n; ++j) sum[i][j] += term.resistance * directionEntry(term.direction, i, j);
        const SymmetricEigen split = symmetricEigen(sum);
        const double largest = split.values.back();
        for (int k = 0; k < n; ++k) {
            const double value = split.values[static_cast<std::size_t>(k)];
            if (value <= 1e-12 * largest) continue;  // rounding of a sum of fewer than n directions
            EddyLoop loop{pole, std::vector<double>(static_cast<std::size_t>(n))};
            for (int i = 0; i < n; ++i)
                loop.vector[static_cast<std::size_t>(i)] = std::sqrt(value) * split.vectors[i][k];
            loops.push_back(loop);
        }
    }
    return loops;
}

}  // namespace

SectionCircuit sectionCircuit(const LineModel& model, double dx, double highestFrequency)
{
    const int n = model.inductance.rows();
    SectionCircuit section;
    section.nodeCount = 3 * n;  // the left ends, the right ends, the middles
    auto middle = [n](int i) { return 2 * n + i; };
    auto add = [&section](char kind, int node1, int node2, double value) {
        section.elements.push_back(CircuitElement{kind, node1, node2, value});
        return static_cast<int>(section.elements.size()) - 1;
    };
    double largestSelf = 0.0;
    for (int i = 0; i < n; ++i) largestSelf = std::max(largestSelf, model.inductance[i][i]);
    const double loopInductance = 0.5 * dx * largestSelf;  // any value: only the coupling matters

    // Each half: Z_half(s) + s M = Z(s) dx / 2, with M = L dx / 16 between the halves' coils, L
    // the model's inductance at the highest frequency, where the sections matter most.
    const double topOmega = TwoPi * highestFrequency;
    const ComplexMatrix topImpedance = seriesImpedance(model, topOmega);
    RealMatrix mutual = dmatrix(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) mutual[i][j] = dx / 16.0 * topImpedance[i][j].im / topOmega;
    // An eddy loop (inductance l, resistance pole l) coupled by m = a sqrt(l / pole) adds
    // a a^T (s / (s + pole) - s / pole) to the coils' impedance; the coils carry a a^T / pole.
    const std::vector<EddyLoop> loops = eddyLoops(model);
    std::vector<std::vector<int>> halfCoils(2);
    for (int half = 0; half < 2; ++half) {
        RealMatrix self = dmatrix(n, n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) self[i][j] = 0.5 * dx * model.inductance[i][j] - mutual[i][j];
        for (const EddyLoop& eddy : loops)
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j)
                    self[i][j] += 0.5 * dx * eddy.vector[static_cast<std::size_t>(i)] *
                                  eddy.vector[static_cast<std::size_t>(j)] / eddy.pole;
        for (int i = 0; i < n; ++i) {
            const int from = half == 0 ? i : middle(i), to = half == 0 ? middle(i) : n + i;
            int coilStart = from;
            if (model.resistance[i][i] > 0.0) {
                coilStart = section.nodeCount++;
                add('R', from, coilStart, 0.5 * dx * model.resistance[i][i]);
            }
            halfCoils[static_cast<std::size_t>(half)].push_back(add('L', coilStart, to, self[i][i]));
        }
        const std::vector<int>& coils = halfCoils[static_cast<std::size_t>(half)];
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j)
                if (self[i][j] != 0.0)
                    section.couplings.push_back(Coupling{coils[static_cast<std::size_t>(i)],
                                                         coils[static_cast<std::size_t>(j)],
                                                         self[i][j] / std::sqrt(self[i][i] * self[j][j])});
        for (const EddyLoop& eddy : loops) {
            const int node = section.nodeCount++;
            const int loop = add('L', node, -1, loopInductance);
            add('R', node, -1, eddy.pole * loopInductance);
            for (int i = 0; i < n; ++i) {
                // m = a sqrt(l / pole), a = sqrt(dx / 2) times the loop's vector.
                const double m = std::sqrt(0.5 * dx) * eddy.vector[static_cast<std::size_t>(i)] *
                                 std::sqrt(loopInductance / eddy.pole);
                if (m != 0.0)
                    section.couplings.push_back(
                        Coupling{coils[static_cast<std::size_t>(i)], loop, m / std::sqrt(self[i][i] * loopInductance)});
            }
        }
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const CircuitElement& a =
                section.elements[static_cast<std::size_t>(halfCoils[0][static_cast<std::size_t>(i)])];
            const CircuitElement& b =
                section.elements[static_cast<std::size_t>(halfCoils[1][static_cast<std::size_t>(j)])];
            if (mutual[i][j] != 0.0)
                section.couplings.push_back(Coupling{halfCoils[0][static_cast<std::size_t>(i)],
                                                     halfCoils[1][static_cast<std::size_t>(j)],
                                                     mutual[i][j] / std::sqrt(a.value * b.value)});
        }

    const double shares[3] = {dx / 6.0, 2.0 * dx / 3.0, dx / 6.0};
    for (int place = 0; place < 3; ++place) {
        auto node = [&](int k) { return k < 0 ? -1 : place == 0 ? k : place == 1 ? middle(k) : n + k; };
        for (const ShuntTerm& term : model.shunt) {
            const int a = node(term.direction.first), b = node(term.direction.second);
            const double share = shares[place];
            if (term.conductance > 0.0) add('R', a, b, 1.0 / (share * term.conductance));
            if (term.capacitance > 0.0 && term.relaxation == 0.0) add('C', a, b, share * term.capacitance);
            if (term.capacitance > 0.0 && term.relaxation > 0.0) {
                const int inner = section.nodeCount++;
                add('C', a, inner, share * term.capacitance);
                add('R', inner, b, term.relaxation / (share * term.capacitance));
            }
        }
    }
    return section;
}

RealMatrix coilInductances(const SectionCircuit& section)
{
    std::vector<int> coilIndex(section.elements.size(), -1);
    int count = 0;
    for (std::size_t e = 0; e < section.elements.size(); ++e)
        if (section.elements[e].kind == 'L') coilIndex[e] = count++;
    RealMatrix m = dmatrix(count, count);
    for (std::size_t e = 0; e < section.elements.size(); ++e)
        if (coilIndex[e] >= 0) m[coilIndex[e]][coilIndex[e]] = section.elements[e].value;
    for (const Coupling& k : section.couplings) {
        const int p = coilIndex[static_cast<std::size_t>(k.coil1)], q = coilIndex[static_cast<std::size_t>(k.coil2)];
        m[p][q] = m[q][p] = k.factor * std::sqrt(m[p][p] * m[q][q]);
    }
    return m;
}

int sectionCount(const SweepResult& result, double lengthMetres)
{
    const FrequencyPoint& top = result.points.back();
    const int n = top.l.rows();
    ComplexMatrix lc = matrix(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k) lc[i][j] = lc[i][j] + Complex(top.l[i][k] * top.c[k][j], 0.0);
    double slowest = 0.0;  // 1 / v^2 of the slowest mode
    for (const Complex value : eigenDecompose(lc).values) slowest = std::max(slowest, value.re);
    const double wavelength = 1.0 / (top.frequency * std::sqrt(slowest));
    const double sections = std::ceil(SectionsPerWavelength * lengthMetres / wavelength);
    if (!(sections <= MaxSections)) {
        char text[240];
        std::snprintf(text, sizeof text,
                      "spice: a line of %.3g wavelengths at %.4g Hz needs %.3g sections of a twentieth of a "
                      "wavelength; the model has at most %d",
                      lengthMetres / wavelength, top.frequency, sections, MaxSections);
        throw Error(ErrorCategory::Usage, text);
    }
    return std::max(1, static_cast<int>(sections));
}

ComplexMatrix ladderScattering(const SectionCircuit& section, int conductors, int sections, double frequency, double z0)
{
    const int ports = 2 * conductors;
    const ComplexMatrix y = sectionAdmittance(section, conductors, TwoPi * frequency);
    // S = (I + z0 Y)^-1 (I - z0 Y) for every port referred to z0.
    ComplexMatrix power = solveByLu(sum(identity(ports), y, z0), sum(identity(ports), y, -z0));
    // Square and multiply; the empty cascade passes every wave straight through.
    ComplexMatrix out = matrix(ports, ports);
    for (int i = 0; i < conductors; ++i) out[i][conductors + i] = out[conductors + i][i] = Complex(1.0, 0.0);
    for (int remaining = sections;;) {
        if (remaining % 2 == 1) out = cascade(out, power, conductors);
        remaining /= 2;
        if (remaining == 0) break;
        power = cascade(power, power, conductors);
    }
    return out;
}

ScatteringDeviation scatteringDeviation(const ComplexMatrix& model, const ComplexMatrix& reference)
{
    ScatteringDeviation out;
    for (int i = 0; i < reference.rows(); ++i)
        for (int j = 0; j < reference.cols(); ++j) {
            if (abs(reference[i][j]) <= 0.01) continue;  // -40 dB
            const Complex ratio = model[i][j] / reference[i][j];
            out.decibels = std::max(out.decibels, std::fabs(20.0 * std::log10(abs(ratio))));
            out.degrees = std::max(out.degrees, std::fabs(arg(ratio)) * 180.0 / Pi);
        }
    return out;
}

}  // namespace xsrl

namespace xsrl {

namespace {

// The deck's stem as a SPICE name: letters, digits and '_'.
std::string subcircuitName(const std::string& deckPath)
{
    std::string name = std::filesystem::path(deckPath).stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') c = '_';
    return name.empty() ? "line" : name;
}

std::string nodeName(int node, int n)
{
    if (node < 0) return "ref";
    if (node < n) return "a_" + std::to_string(node + 1);
    if (node < 2 * n) return "b_" + std::to_string(node - n + 1);
    if (node < 3 * n) return "m_" + std::to_string(node - 2 * n + 1);
    return "n" + std::to_string(node - 3 * n + 1);
}

}  // namespace

void writeSpice(const std::string& path, const std::string& deckPath, const SweepResult& result, double lengthMetres,
                double z0)
{
    const LineModel model = fitLineModel(result, lengthMetres, z0);
    const int n = static_cast<int>(result.ports.size());
    const int sections = sectionCount(result, lengthMetres);
    const double dx = lengthMetres / sections;
    const SectionCircuit section = sectionCircuit(model, dx, result.points.back().frequency);
    // The circuit is passive when every element is positive and the coils store energy.
    for (const CircuitElement& element : section.elements)
        if (!(element.value > 0.0 && std::isfinite(element.value)))
            throw numericError("spice: a fitted element value is not positive and finite");
    if (!isPositiveDefinite(coilInductances(section)))
        throw numericError("spice: the inductance matrix of a section's coils is not positive definite");

    const double fmin = result.points.front().frequency, fmax = result.points.back().frequency;
    ScatteringDeviation atSweep, ofSections;
    for (const FrequencyPoint& point : result.points)
        atSweep = worse(atSweep, scatteringDeviation(ladderScattering(section, n, sections, point.frequency, z0),
                                                     lineScattering(point, lengthMetres, z0)));
    const int gridCount = std::max(2, static_cast<int>(std::ceil(10.0 * std::log10(fmax / fmin))) + 1);
    for (int k = 0; k < gridCount; ++k) {
        const double f = fmin * std::pow(fmax / fmin, k / (gridCount - 1.0));
        ofSections = worse(ofSections, scatteringDeviation(ladderScattering(section, n, sections, f, z0),
                                                           lineScattering(modelPoint(model, f), lengthMetres, z0)));
    }

    const std::string name = subcircuitName(deckPath);
    OutputFile file(path, path, Writing::Whole);
    file.print("* SPICE subcircuit of the line of the deck %s, %.9g m long\n", printableDeckName(deckPath).c_str(),
               lengthMetres);
    file.print("* use: .include this file, then X1 ");
    for (const char* end : {"near", "far"})
        for (int k = 1; k <= n; ++k) file.print("%s_%d ", end, k);
    file.print("ref %s\n", name.c_str());
    for (int k = 0; k < n; ++k)
        file.print("* near_%d, far_%d: %s\n", k + 1, k + 1,
                   portDescription(result.ports[static_cast<std::size_t>(k)]).c_str());
    file.print("* ref: the return, every ground conductor\n");
    file.print("* band: %.6g to %.6g Hz (%zu frequencies of the sweep)\n", fmin, fmax, result.points.size());
    file.print("* %d sections of %.6g m, each at most 1/20 of the shortest wavelength at %.6g Hz\n", sections, dx,
               fmax);
    file.print("* series branch per conductor: a resistor and coils coupled by K to the other conductors and to\n"
               "* eddy loops (R(f) and L(f) of the sweep); shunt branch: capacitors and R-C branches to the\n"
               "* reference and between conductors (C(f) and G(f)); every element positive\n");
    file.print("* measured error of the S-parameters (%.6g ohm) above -40 dB, in magnitude and phase:\n", z0);
    file.print("*   against the exact line of the sweep, at its frequencies: %.3g dB, %.3g degrees\n", atSweep.decibels,
               atSweep.degrees);
    file.print("*   the sections against the exact line of the fitted R, L, C, G, %d frequencies from %.6g to %.6g Hz:"
               " %.3g dB, %.3g degrees\n",
               gridCount, fmin, fmax, ofSections.decibels, ofSections.degrees);
    if (!result.lcCheckNote.empty()) file.print("* %s\n", result.lcCheckNote.c_str());

    file.print("\n.subckt %s_section", name.c_str());
    for (int node = 0; node < 2 * n; ++node) file.print(" %s", nodeName(node, n).c_str());
    file.print(" ref\n");
    std::vector<int> ordinal(section.elements.size());
    int counts[3] = {0, 0, 0};
    for (std::size_t e = 0; e < section.elements.size(); ++e) {
        const CircuitElement& element = section.elements[e];
        const int kind = element.kind == 'R' ? 0 : element.kind == 'L' ? 1 : 2;
        ordinal[e] = ++counts[kind];
        file.print("%c%d %s %s %.12g\n", element.kind, ordinal[e], nodeName(element.node1, n).c_str(),
                   nodeName(element.node2, n).c_str(), element.value);
    }
    int couplingNumber = 0;
    for (const Coupling& k : section.couplings)
        file.print("K%d L%d L%d %.12g\n", ++couplingNumber, ordinal[static_cast<std::size_t>(k.coil1)],
                   ordinal[static_cast<std::size_t>(k.coil2)], k.factor);
    file.print(".ends %s_section\n", name.c_str());

    file.print("\n.subckt %s", name.c_str());
    for (const char* end : {"near", "far"})
        for (int k = 1; k <= n; ++k) file.print(" %s_%d", end, k);
    file.print(" ref\n");
    auto junction = [&](int s, int k) {
        if (s == 0) return "near_" + std::to_string(k);
        if (s == sections) return "far_" + std::to_string(k);
        return "j" + std::to_string(s) + "_" + std::to_string(k);
    };
    for (int s = 0; s < sections; ++s) {
        file.print("X%d", s + 1);
        for (int k = 1; k <= n; ++k) file.print(" %s", junction(s, k).c_str());
        for (int k = 1; k <= n; ++k) file.print(" %s", junction(s + 1, k).c_str());
        file.print(" ref %s_section\n", name.c_str());
    }
    file.print(".ends %s\n", name.c_str());
    file.close();
}

}  // namespace xsrl
