#include "numerics/hierarchical_solve.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <new>
#include <string>

#include <hmat/hmat.h>

#include "numerics/parallel.h"
#include "support/errors.h"

namespace xsrl {

namespace {

template <class Scalar>
constexpr hmat_value_t hmatType();
template <>
constexpr hmat_value_t hmatType<double>()
{
    return HMAT_DOUBLE_PRECISION;
}
template <>
constexpr hmat_value_t hmatType<Complex>()
{
    return HMAT_DOUBLE_COMPLEX;
}

template <class Scalar>
Scalar scalarOne();
template <>
double scalarOne<double>()
{
    return 1.0;
}
template <>
Complex scalarOne<Complex>()
{
    return Complex(1.0, 0.0);
}

static_assert(sizeof(Complex) == 2 * sizeof(double), "Complex must be laid out as hmat's two doubles");

// hmat asks for entries through a C function and a context pointer.
template <class Scalar>
void computeEntry(void* entry, int row, int column, void* result)
{
    *static_cast<Scalar*>(result) = (*static_cast<const std::function<Scalar(int, int)>*>(entry))(row, column);
}

// The factoring's progress, the second half of the work (the compression is the first).
// hmat has a progress bar of its own, which prints unless one is given.
struct FactoringProgress {
    hmat_progress_t bar{};
    const std::function<void(double)>* tell = nullptr;
};

void tellFactoring(hmat_progress_t* bar)
{
    const std::function<void(double)>& tell = *static_cast<const FactoringProgress*>(bar->user_data)->tell;
    if (tell && bar->max > 0) tell(0.5 + 0.5 * bar->current / bar->max);
}

void tellNothing(hmat_progress_t*) {}

}  // namespace

// What hmat made, given back in any case.
struct HmatObjects {
    hmat_interface_t hmat{};
    hmat_clustering_algorithm_t* median = nullptr;
    hmat_clustering_algorithm_t* clustering = nullptr;
    hmat_cluster_tree_t* tree = nullptr;
    hmat_admissibility_t* admissibility = nullptr;
    const hmat_compression_algorithm_t* compression = nullptr;
    hmat_matrix_t* matrix = nullptr;  // at the residual tolerance
    hmat_matrix_t* factors = nullptr;

    HmatObjects() = default;
    HmatObjects(const HmatObjects&) = delete;
    HmatObjects& operator=(const HmatObjects&) = delete;
    ~HmatObjects()
    {
        if (factors) hmat.destroy(factors);
        if (matrix) hmat.destroy(matrix);
        if (compression) hmat_delete_compression(compression);
        if (admissibility) hmat_delete_admissibility(admissibility);
        if (tree) hmat_delete_cluster_tree(tree);
        if (clustering) hmat_delete_clustering(clustering);
        if (median) hmat_delete_clustering(median);
        if (hmat.finalize) hmat.finalize();
    }
};

namespace {

// Groups of at most this many unknowns are the leaves: their blocks with each other are kept whole.
constexpr int LeafSize = 64;
// The entries the compression asks for, per unknown and per level of the cluster tree (log2 n):
// 52 to 64 on buses over a plate of 3,600 to 12,400 panels.
constexpr double EntriesAskedPerUnknownAndLevel = 60.0;
// Two groups are far apart when the smaller is at most this times their distance across.
constexpr double Admissibility = 2.0;

// Runs a call into hmat, which reports a zero pivot, as any of its failures, by an exception of
// its own; hmat calls BLAS on many small blocks, where the threads of OpenBLAS cost more than
// they bring (several times the time on a busy machine): BLAS keeps to one thread meanwhile.
template <class Call>
void callHmat(const char* what, const Call& call)
{
    const BlasThreadsLimit oneBlasThread(1);
    try {
        if (call() != 0) throw numericError(std::string("the hierarchical LU fails in ") + what);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const Error&) {
        throw;
    } catch (const std::exception& failure) {
        throw numericError(std::string("the hierarchical LU fails in ") + what + ": " + failure.what());
    }
}

}  // namespace

template <class Scalar>
HierarchicalLu<Scalar>::HierarchicalLu(const HierarchicalSystem& system, const std::function<Scalar(int, int)>& entry,
                                       const std::function<void(double)>& progress)
    : hmat_(std::make_unique<HmatObjects>()), n_(static_cast<int>(system.coordinates.size() / 2))
{
    HmatObjects& h = *hmat_;
    std::vector<double> coordinates = system.coordinates;
    hmat_progress_t compressing{};
    compressing.update = tellNothing;
    FactoringProgress factoring;
    factoring.bar.update = tellFactoring;
    factoring.bar.user_data = &factoring;
    factoring.tell = &progress;
    callHmat("its start", [&] {
        hmat_init_default_interface(&h.hmat, hmatType<Scalar>());
        if (h.hmat.init() != 0) return 1;
        h.median = hmat_create_clustering_median();
        h.clustering = hmat_create_clustering_max_dof(h.median, LeafSize);
        h.tree = hmat_create_cluster_tree(coordinates.data(), 2, n_, h.clustering);
        h.admissibility = hmat_create_admissibility_standard(Admissibility);
        h.matrix = h.hmat.create_empty_hmatrix_admissibility(h.tree, h.tree, 0, h.admissibility);
        if (h.matrix) h.hmat.set_low_rank_epsilon(h.matrix, system.residualTolerance);
        return h.matrix ? 0 : 1;
    });
    // hmat tells nothing while it compresses: the entries asked for, against about as many as
    // panel systems ask for, tell it instead.
    const double expected = EntriesAskedPerUnknownAndLevel * n_ * std::log2(std::max(n_, 2));
    double asked = 0.0;
    const std::function<Scalar(int, int)> countedEntry = [&](int row, int column) {
        if (progress && std::fmod(++asked, 65536.0) == 0.0) progress(0.5 * std::min(1.0, asked / expected));
        return entry(row, column);
    };
    callHmat("the compression", [&] {
        hmat_assemble_context_t assembly;
        hmat_assemble_context_init(&assembly);
        h.compression = hmat_create_compression_aca_plus(system.residualTolerance);
        assembly.compression = h.compression;
        assembly.simple_compute = computeEntry<Scalar>;
        assembly.user_context = const_cast<std::function<Scalar(int, int)>*>(&countedEntry);
        assembly.progress = &compressing;
        return h.hmat.assemble_generic(h.matrix, &assembly);
    });
    // The blocks' ranks at the factors' tolerance: a copy recompressed, not a second compression.
    callHmat("the factoring", [&] {
        h.factors = h.hmat.copy(h.matrix);
        if (!h.factors) return 1;
        h.hmat.set_low_rank_epsilon(h.factors, system.tolerance);
        if (h.hmat.truncate(h.factors) != 0) return 1;
        hmat_factorization_context_t factorization;
        hmat_factorization_context_init(&factorization);
        factorization.factorization = hmat_factorization_lu;
        factorization.progress = &factoring.bar;
        return h.hmat.factorize_generic(h.factors, &factorization);
    });
    if (progress) progress(1.0);
}

template <class Scalar>
HierarchicalLu<Scalar>::~HierarchicalLu() = default;

template <class Scalar>
Matrix<Scalar> HierarchicalLu<Scalar>::solve(const Matrix<Scalar>& b) const
{
    return refinedSolution(
        b, [this](const Matrix<Scalar>& r) { return solveByFactors(r); },
        [this](const Matrix<Scalar>& x) { return times(x); });
}

template <class Scalar>
Matrix<Scalar> HierarchicalLu<Scalar>::solveByFactors(const Matrix<Scalar>& b) const
{
    std::vector<Scalar> x = byColumns(b);
    if (b.cols() > 0)
        callHmat("the solve", [&] { return hmat_->hmat.solve_systems(hmat_->factors, x.data(), b.cols()); });
    return fromColumns(x, n_, b.cols());
}

template <class Scalar>
Matrix<Scalar> HierarchicalLu<Scalar>::times(const Matrix<Scalar>& x) const
{
    std::vector<Scalar> columns = byColumns(x);
    std::vector<Scalar> product(columns.size());
    Scalar one = scalarOne<Scalar>(), zero = one - one;
    if (x.cols() > 0)
        callHmat("the product", [&] {
            return hmat_->hmat.gemv('N', &one, hmat_->matrix, columns.data(), &zero, product.data(), x.cols());
        });
    return fromColumns(product, n_, x.cols());
}

template <class Scalar>
PanelSolveFigures HierarchicalLu<Scalar>::figures() const
{
    hmat_info_t info{};
    callHmat("its figures", [&] { return hmat_->hmat.get_info(hmat_->factors, &info); });
    const double all = static_cast<double>(info.uncompressed_size);
    return {all > 0.0 ? static_cast<double>(info.compressed_size) / all : 1.0, info.largest_rk_mem_rank};
}

template class HierarchicalLu<double>;
template class HierarchicalLu<Complex>;

double hierarchicalSolveBytes(double n, int m, double scalarBytes)
{
    // Measured on buses over a plate of 9,864 and 24,028 panels (the matrix to 1e-13 and its
    // factors to 1e-9; the refinement holds several copies of the right-hand sides): the whole
    // lossy run peaks at 161 MB and 612 MB, under this bound's 240 MB and 770 MB.
    const double entriesPerUnknown = 96.0 * std::log2(std::max(n, 2.0));
    return scalarBytes * n * (entriesPerUnknown + 6.0 * m);
}

}  // namespace xsrl
