// The two solvers of the sweep compared at full precision on a whole deck; shared by the
// tests (small decks) and the benchmarks (large ones).
#pragma once

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include "app/prepare.h"
#include "app/sweep.h"
#include "deck/deck.h"

namespace xsrl {

// A deck read and prepared in a scratch folder (the plate cuts go to the current folder).
struct PreparedDeck {
    RecordPool pool;
    RunSettings settings;
    Conductor* head = newConductor(pool, nullptr);
    PreparedStructure prepared;

    PreparedDeck(const std::string& path, const std::string& scratchFolder)
    {
        const std::filesystem::path here = std::filesystem::current_path();
        std::filesystem::current_path(scratchFolder);
        readDeck(pool, head, settings, path);
        prepared = prepareRibbons(pool, settings, head, newRibbon(pool, nullptr));
        std::filesystem::current_path(here);
        prepared.partialInductance = computePartialInductance(prepared.ribbons, 2);
    }

    ComplexMatrix impedance(int k, Solver solver, int threads)
    {
        settings.solver = solver;
        settings.threads = threads;
        return conductorImpedance(settings, prepared, sweepOmega(settings, k));
    }
};

struct SolverDifference {
    double entrywise = 0.0; // largest |a - b| / |a| over the entries of R and of L
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
    for (const int k : {0, deck.settings.npoints}) {
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
