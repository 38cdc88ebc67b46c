// Benchmarks of the three costly steps of a run: the partial-inductance fill, the inversion
// of the ribbon impedance matrix, and the internal impedances of all ribbons at one frequency.
#include <benchmark/benchmark.h>

#include <random>
#include <thread>
#include <vector>

#include "app/prepare.h"
#include "geometry/discretize.h"
#include "numerics/matrix.h"
// The textbook loops the inversion reproduces to the bit, as the tests use them.
#include "../tests/numerics/textbook_inverse.h"

namespace {

// A bus of `lines` copper tl lines 20 um wide and 10 um thick, 20 um apart, each cut into
// 2*nx + 2*ny graded face ribbons.
struct Bus {
    RecordPool pool;
    RunSettings settings;
    std::vector<const Ribbon*> ribbons;

    Bus(int lines, int nx, int ny)
    {
        settings.fmax = 1e9;
        settings.lineCount = lines;
        Conductor* last = nullptr;
        Ribbon* current = newRibbon(pool, nullptr);
        long count = 0;
        for (int i = 0; i < lines; ++i) {
            Conductor* c = newConductor(pool, last);
            last = c;
            c->shape = ShapeLine;
            c->nx = nx;
            c->ny = ny;
            c->rx = c->ry = 1.2;
            c->x1 = 40e-6 * i;
            c->x2 = c->x1 + 20e-6;
            c->y1 = 0.0;
            c->y2 = 10e-6;
            Ribbon* first = current;
            current = discretizeConductor(pool, settings, *c, current, count, 0);
            for (Ribbon* r = first; r != current; r = r->next) ribbons.push_back(r);
        }
    }
};

void partialInductanceFill(benchmark::State& state)
{
    const Bus bus(static_cast<int>(state.range(0)), 10, 4);
    for (auto _ : state)
        benchmark::DoNotOptimize(computePartialInductance(bus.ribbons, std::thread::hardware_concurrency()));
    state.counters["ribbons"] = static_cast<double>(bus.ribbons.size());
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

void internalImpedances(benchmark::State& state)
{
    const Bus bus(16, 10, 4);
    for (auto _ : state)
        for (const Ribbon* r : bus.ribbons) benchmark::DoNotOptimize(r->internalImpedance(6.283185307179586e9));
    state.counters["ribbons"] = static_cast<double>(bus.ribbons.size());
}
BENCHMARK(internalImpedances)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
