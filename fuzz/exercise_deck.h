// One pass of the library over a deck text, as far as a deck of any size can go quickly: the
// deck reader, the checks, plate cuts and ribbons; for structures of at most 40 ribbons and
// sweeps of at most 8 intervals, the partial inductances and the sweep; with capacitance, the
// panels (at most 16 per side) and, for at most 600 of them, the electrostatic solve.
// An xsrl::Error is the expected refusal of a bad deck; anything else escaping is a defect,
// and so is a wrong answer: results the command line would end with success on although they
// are not physical (see wrongAnswer).
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "model/structure.h"
#include "numerics/eigen.h"
#include "xsrl/xsrl.h"

namespace xsrl {

namespace fuzzing {

inline bool allFinite(const RealMatrix& m)
{
    for (int i = 0; i < m.rows(); ++i)
        for (int j = 0; j < m.cols(); ++j)
            if (!std::isfinite(m[i][j])) return false;
    return true;
}

// Symmetric to 1e-6 of the diagonal scale, and, when `definite`, every eigenvalue of its
// symmetric part positive: found by the eigen solver, not the Cholesky test of the library.
inline bool symmetricAndDefinite(const RealMatrix& m, bool definite)
{
    const int n = m.rows();
    ComplexMatrix symmetric = matrix(n, n);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            if (std::fabs(m[i][j] - m[j][i]) > 1e-6 * std::sqrt(std::fabs(m[i][i] * m[j][j]))) return false;
            symmetric[i][j] = Complex(0.5 * (m[i][j] + m[j][i]), 0.0);
        }
    }
    if (!definite) return true;
    const std::vector<Complex> values = eigenDecompose(symmetric).values;
    return std::all_of(values.begin(), values.end(), [](Complex v) { return v.re > 0.0; });
}

}  // namespace fuzzing

// What is wrong with a sweep the command line would end with success on (every R and L finite,
// nothing flagged unphysical, at any frequency: one such point ends the run with an error),
// "" when nothing is: a value of C or G that is not finite, C not symmetric, and in a loop
// report L or C not positive definite.
inline std::string wrongAnswer(const SweepResult& result, bool loopReport)
{
    for (const FrequencyPoint& point : result.points)
        if (!fuzzing::allFinite(point.r) || !fuzzing::allFinite(point.l) || !point.unphysical.empty()) return "";
    for (const FrequencyPoint& point : result.points) {
        if (!fuzzing::allFinite(point.c) || !fuzzing::allFinite(point.g)) return "C or G is not finite";
        if (loopReport && !fuzzing::symmetricAndDefinite(point.l, true))
            return "the loop L is not symmetric positive definite";
        if (!fuzzing::symmetricAndDefinite(point.c, loopReport)) return "C is not symmetric positive definite";
    }
    return "";
}

// The pass over one deck text; returns wrongAnswer of its sweep.
inline std::string exerciseDeck(const std::string& deckText)
{
    try {
        const Deck deck = parseDeck(deckText);
        Prepared prepared = cutRibbons(deck);
        checkConductorsHaveRibbons(prepared);
        if (deck.computesCapacitance() && deck.records->settings.capacitancePanels <= 16) {
            cutPanels(prepared);
            if (prepared.panelCount() <= 600) computeCapacitance(prepared);
        }
        if (prepared.ribbonCount() <= 40 && deck.sweepIntervals() <= 8) {
            computeInductance(prepared, Threads{1});
            const bool loopReport = !deck.records->settings.partial && prepared.conductorCount() > 1;
            return wrongAnswer(solve(prepared, Threads{1}), loopReport);
        }
    } catch (const Error&) {}
    return "";
}

}  // namespace xsrl
