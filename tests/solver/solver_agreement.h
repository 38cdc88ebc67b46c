// The two solvers of the sweep compared at full precision on a whole deck; shared by the
// tests (small decks) and the benchmarks (large ones).
#pragma once

#include <algorithm>
#include <cmath>
#include <string>

#include "solver/prepare.h"
#include "solver/sweep.h"
#include "xsrl/xsrl.h"

namespace xsrl {

// A deck read and prepared through the library, its partial inductances computed.
struct PreparedDeck {
    Prepared prepared;

    // The second argument, a scratch folder, is not used: the library writes no file.
    explicit PreparedDeck(const std::string& path, const std::string& = "") : prepared(cutRibbons(loadDeck(path)))
    {
        computeInductance(prepared, Threads{2});
    }

    const RunSettings& settings() const { return prepared.structure->settings; }

    ComplexMatrix impedance(int k, Solver solver, int threads)
    {
        PreparedStructure& structure = *prepared.structure;
        structure.settings.solver = solver;
        return conductorImpedance(structure, sweepOmega(structure.settings, k), threads);
    }
};

struct SolverDifference {
    double entrywise = 0.0;  // largest |a - b| / |a| over the entries of R and of L
    // largest |a - b| / sqrt(|a_pp a_qq|): each entry against the scale of its two diagonal
    // entries, so that a mutual term a million times below the diagonal is not held to
    // digits that neither solver computes
    double diagonalScaled = 0.0;
};

// Compares R and L of the two solvers over the sweep's ends.
inline SolverDifference solverDifference(PreparedDeck& deck)
{
    SolverDifference largest;
    const auto compare = [&largest](double a, double b, double app, double aqq) {
        largest.entrywise = std::max(largest.entrywise, std::fabs(a - b) / std::fabs(a));
        largest.diagonalScaled = std::max(largest.diagonalScaled, std::fabs(a - b) / std::sqrt(std::fabs(app * aqq)));
    };
    for (const int k : {0, deck.settings().npoints}) {
        const ComplexMatrix exact = deck.impedance(k, Solver::Exact, 2);
        const ComplexMatrix factored = deck.impedance(k, Solver::Lu, 2);
        for (int p = 0; p < exact.rows(); ++p) {
            for (int q = 0; q < exact.cols(); ++q) {
                const Complex a = exact[p][q];
                const Complex b = factored[p][q];
                compare(a.re, b.re, exact[p][p].re, exact[q][q].re);
                compare(a.im, b.im, exact[p][p].im, exact[q][q].im);
            }
        }
    }
    return largest;
}

}  // namespace xsrl
