// Benchmarks of the three costly steps of a run: the partial-inductance fill, the solve of
// the ribbon impedance matrix (the textbook loops, the exact inversion, the LU solve, and
// OpenBLAS's own inversion for reference), and the internal impedances of all ribbons at one
// frequency. After the runs, a table compares the solves at each size.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "kernels/internal_impedance.h"
#include "numerics/constants.h"
#include "numerics/lu_solve.h"
#include "numerics/matrix.h"
#include "solver/prepare.h"
#include "xsrl/xsrl.h"
// The textbook loops the inversion reproduces to the bit, as the tests use them.
#include "../tests/numerics/textbook_inverse.h"

using namespace xsrl;

namespace {

// A bus of `lines` copper tl lines 20 um wide and 10 um thick, 20 um apart, each cut into
// 2*nx + 2*ny graded face ribbons.
Prepared bus(int lines, int nx, int ny)
{
    std::string deck = ".freq 1e6 1e9 1\n.partial yes\nend\n";
    for (int i = 0; i < lines; ++i)
        deck += "line{ x1=" + std::to_string(40 * i) + "e-6 x2=" + std::to_string(40 * i + 20) +
                "e-6 y1=0 y2=10e-6 nx=" + std::to_string(nx) + " ny=" + std::to_string(ny) + " rx=1.2 ry=1.2 }\n";
    return cutRibbons(parseDeck(deck + "end\n"));
}

void partialInductanceFill(benchmark::State& state)
{
    Prepared prepared = bus(static_cast<int>(state.range(0)), 10, 4);
    for (auto _ : state) computeInductance(prepared);
    state.counters["ribbons"] = static_cast<double>(prepared.ribbonCount());
}
BENCHMARK(partialInductanceFill)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);

// A well-conditioned complex matrix, diagonally dominant as ribbon impedances are.
ComplexMatrix benchmarkMatrix(int n)
{
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    ComplexMatrix a = matrix(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) a[i][j] = Complex(u(gen), u(gen) + (i == j ? n : 0));
    return a;
}

// The inversion performs 4/3 n^3 complex multiply-adds (n^3/3 on A, n^3/2 on B, n^3/2 in the
// back substitution), 8 floating-point operations each.
void countInversionFlops(benchmark::State& state, int n)
{
    state.counters["GFLOP/s"] = benchmark::Counter(8.0 * 4.0 / 3.0 * n * n * static_cast<double>(n) * 1e-9 *
                                                       static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate);
}

void inversion(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const ComplexMatrix a = benchmarkMatrix(n);
    const int threads = static_cast<int>(std::thread::hardware_concurrency());
    for (auto _ : state) benchmark::DoNotOptimize(invertMatrix(a, threads));
    countInversionFlops(state, n);
}
BENCHMARK(inversion)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

void textbookInversion(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const ComplexMatrix a = benchmarkMatrix(n);
    for (auto _ : state) benchmark::DoNotOptimize(textbookInverse(a));
    countInversionFlops(state, n);
}
BENCHMARK(textbookInversion)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The solve of the LU option for a bus of 40 conductors: factor, then 40 right-hand sides.
void luSolve(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const ComplexMatrix a = benchmarkMatrix(n);
    ComplexMatrix incidence = matrix(n, 40);
    for (int i = 0; i < n; ++i) incidence[i][i * 40 / n] = Complex(1.0, 0.0);
    for (auto _ : state) benchmark::DoNotOptimize(solveByLu(a, incidence));
    countInversionFlops(state, n);
}
BENCHMARK(luSolve)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

extern "C" {
void zgetrf_(const int* m, const int* n, Complex* a, const int* lda, int* ipiv, int* info);
void zgetri_(const int* n, Complex* a, const int* lda, const int* ipiv, Complex* work, const int* lwork, int* info);
}

// OpenBLAS's inversion (LU, then the inverse from the factors), with fused multiply-adds.
void openblasInversion(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const ComplexMatrix a = benchmarkMatrix(n);
    std::vector<int> pivots(n);
    std::vector<Complex> work(static_cast<std::size_t>(n) * 64);
    const int lwork = static_cast<int>(work.size());
    for (auto _ : state) {
        ComplexMatrix inverse = a;
        int info = 0;
        zgetrf_(&n, &n, inverse[0], &n, pivots.data(), &info);
        zgetri_(&n, inverse[0], &n, pivots.data(), work.data(), &lwork, &info);
        benchmark::DoNotOptimize(inverse);
    }
    countInversionFlops(state, n);
}
BENCHMARK(openblasInversion)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

void internalImpedances(benchmark::State& state)
{
    const Prepared prepared = bus(16, 10, 4);
    const PreparedStructure& s = *prepared.structure;
    for (auto _ : state)
        for (const Ribbon& r : s.ribbons.list)
            benchmark::DoNotOptimize(
                internalImpedance(r, s.conductors[static_cast<std::size_t>(r.conductor)], TwoPi * 1e9));
    state.counters["ribbons"] = static_cast<double>(prepared.ribbonCount());
}
BENCHMARK(internalImpedances)->Unit(benchmark::kMicrosecond);

// Prints the usual console lines and keeps each run's real time for the table.
class TableReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::map<long, double>> seconds;  // benchmark name -> n -> seconds

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.benchmark_name();
            const std::size_t slash = name.find('/');
            if (slash == std::string::npos || run.iterations == 0) continue;
            seconds[name.substr(0, slash)][std::stol(name.substr(slash + 1))] =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }
};

void printSolveTable(const TableReporter& reporter)
{
    const auto& s = reporter.seconds;
    if (!s.count("inversion") || !s.count("textbookInversion") || !s.count("luSolve")) return;
    std::printf("\n| n | textbook | exact | lu | OpenBLAS inverse | exact vs textbook | lu vs exact | exact GFLOP/s |\n"
                "|---|---|---|---|---|---|---|---|\n");
    for (const auto& [n, exact] : s.at("inversion")) {
        const double textbook = s.at("textbookInversion").count(n) ? s.at("textbookInversion").at(n) : 0.0;
        const double lu = s.at("luSolve").count(n) ? s.at("luSolve").at(n) : 0.0;
        const double reference =
            s.count("openblasInversion") && s.at("openblasInversion").count(n) ? s.at("openblasInversion").at(n) : 0.0;
        const double flop = 8.0 * 4.0 / 3.0 * n * n * static_cast<double>(n);
        std::printf("| %ld | %.3f s | %.3f s | %.3f s | %.3f s | %.1fx | %.1fx | %.1f |\n", n, textbook, exact, lu,
                    reference, textbook / exact, exact / lu, flop / exact * 1e-9);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSolveTable(reporter);
    benchmark::Shutdown();
    return 0;
}
