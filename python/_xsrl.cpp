// The Python module xsrl._xsrl: the library stages behind xsrl.solve and xsrl.ribbons, and the
// export writers behind Result.to_csv and its twins. The pure-Python package (python/xsrl) gives
// them their signatures, defaults, argument checks and docstrings.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "xsrl/export.h"
#include "xsrl/output_file.h"
#include "xsrl/xsrl.h"

#ifndef XSRL_VERSION
#error "XSRL_VERSION is defined by the build"
#endif

namespace py = pybind11;
using namespace pybind11::literals;

namespace xsrl {

namespace {

// The Python exceptions: a deck or structure refused, a failed solve, a structure too large for
// the memory (retrying elsewhere may succeed), and a solve stopped on request.
struct DeckFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct SolveFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct MemoryFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct Cancelled : std::runtime_error {
    Cancelled() : std::runtime_error("the solve was cancelled") {}
};

// Runs `stage`, turning a library Error into `Failure`, or into MemoryFailure when the memory
// refused the structure.
template <class Failure, class Stage>
auto run(Stage stage)
{
    try {
        return stage();
    } catch (const Error& error) {
        if (error.category() == ErrorCategory::Memory || error.category() == ErrorCategory::MatrixAllocation)
            throw MemoryFailure(error.what());
        throw Failure(error.what());
    }
}

// What one solve shares with the Python thread that waits for it: a request to stop, checked
// after every row of the inductance fill and every frequency point, and how far the two long
// stages are.
struct SolveControl {
    std::atomic<bool> cancelled{false};
    std::atomic<long> pairsDone{0};
    std::atomic<long> pairsTotal{0};
    std::atomic<long> pointsDone{0};
    std::atomic<long> pointsTotal{0};

    void stopIfCancelled() const
    {
        if (cancelled) throw Cancelled();
    }
};

// The deck cut into ribbons, and checked.
Prepared preparedFrom(const Deck& deck)
{
    return run<DeckFailure>([&] {
        Prepared prepared = cutRibbons(deck);
        checkConductorsHaveRibbons(prepared);
        return prepared;
    });
}

// The deck (text when `isPath` is false) read and checked.
Deck deckFrom(const std::string& deck, bool isPath)
{
    return run<DeckFailure>([&] { return isPath ? loadDeck(deck) : parseDeck(deck); });
}

// Refuses a result holding a value that is not finite, as the command line does.
void checkFinite(const SweepResult& result)
{
    const auto finite = [](const RealMatrix& m) {
        for (int i = 0; i < m.rows(); ++i)
            for (int j = 0; j < m.cols(); ++j)
                if (!std::isfinite(m[i][j])) return false;
        return true;
    };
    for (const FrequencyPoint& p : result.points) {
        if (finite(p.r) && finite(p.l) && finite(p.c) && finite(p.g)) continue;
        char text[160];
        std::snprintf(text, sizeof text, "the sweep holds values that are not finite, first at f=%.4e Hz%s",
                      p.frequency, p.singularInversions > 0 ? " (a matrix is singular there)" : "");
        throw SolveFailure(text);
    }
}

// The sweep of a deck, without the interpreter lock. With a working folder, the run files
// "plate" and "induc" are written there (mode "w") or "induc" is read from there (mode "r").
SweepResult sweepOf(const std::string& source, bool isPath, const std::string& mode, const std::string& folder,
                    int threads, SolveControl& control)
{
    const Deck deck = deckFrom(source, isPath);
    Prepared prepared = preparedFrom(deck);
    control.stopIfCancelled();
    SweepResult result = run<SolveFailure>([&] {
        if (!folder.empty() && !prepared.plateCutsText().empty()) {
            OutputFile plate(folder + "/plate", "plate");
            plate.print("%s", prepared.plateCutsText().c_str());
            plate.close();
        }
        if (deck.computesCapacitance()) {
            cutPanels(prepared);
            computeCapacitance(prepared);
        }
        control.stopIfCancelled();
        if (mode == "r") {
            loadInductance(prepared, folder + "/induc");
        } else {
            const long n = prepared.ribbonCount();
            control.pairsTotal = n * (n + 1) / 2;
            computeInductance(prepared, Threads{threads}, [&](long pairs) {
                control.pairsDone += pairs;
                control.stopIfCancelled();
            });
            if (!folder.empty()) storeInductance(prepared, folder + "/induc");
        }
        control.pointsTotal = deck.sweepIntervals() == 1 ? 1 : deck.sweepIntervals() + 1;
        return solve(prepared, Threads{threads}, [&](const FrequencyPoint&) {
            ++control.pointsDone;
            control.stopIfCancelled();
        });
    });
    for (const DeckWarning& warning : deck.warnings()) result.warnings.push_back(warning.text);
    checkFinite(result);
    return result;
}

// Matrix `m` of every point as a NumPy array of shape (points, n, n).
py::array_t<double> stacked(const SweepResult& result, RealMatrix FrequencyPoint::*m)
{
    const py::ssize_t nf = static_cast<py::ssize_t>(result.points.size());
    const py::ssize_t n = static_cast<py::ssize_t>(result.ports.size());
    py::array_t<double> array({nf, n, n});
    auto out = array.mutable_unchecked<3>();
    for (py::ssize_t k = 0; k < nf; ++k)
        for (py::ssize_t i = 0; i < n; ++i)
            for (py::ssize_t j = 0; j < n; ++j) out(k, i, j) = (result.points[k].*m)[i][j];
    return array;
}

// The sweep as plain Python values: NumPy arrays, the ports, the counts and the warnings.
py::dict solveDeckSource(const std::string& source, bool isPath, const std::string& mode, const std::string& folder,
                         int threads, SolveControl& control)
{
    SweepResult result;
    {
        py::gil_scoped_release unlocked;
        result = sweepOf(source, isPath, mode, folder, threads, control);
    }
    std::vector<double> freq;
    for (const FrequencyPoint& p : result.points) freq.push_back(p.frequency);
    py::list ports;
    for (const Port& p : result.ports) ports.append(py::make_tuple(p.conductor, p.signal));
    const auto capacitance = [&](RealMatrix FrequencyPoint::*m) {
        return result.hasCapacitance() ? py::object(stacked(result, m)) : py::object(py::none());
    };
    return py::dict("freq"_a = py::array_t<double>(static_cast<py::ssize_t>(freq.size()), freq.data()),
                    "R"_a = stacked(result, &FrequencyPoint::r), "L"_a = stacked(result, &FrequencyPoint::l),
                    "C"_a = capacitance(&FrequencyPoint::c), "G"_a = capacitance(&FrequencyPoint::g), "ports"_a = ports,
                    "ribbon_count"_a = result.ribbonCount, "panel_count"_a = result.panelCount,
                    "warnings"_a = result.warnings, "lc_check"_a = result.lcCheck,
                    "lc_check_note"_a = result.lcCheckNote);
}

using Array = py::array_t<double, py::array::c_style | py::array::forcecast>;

// A SweepResult rebuilt from the arrays of a Python Result, for the export writers: the same
// doubles and L-C check, so the files equal those of the command line to the byte.
SweepResult sweepFrom(const Array& freq, const Array& r, const Array& l, const std::optional<Array>& c,
                      const std::optional<Array>& g, const std::vector<std::pair<int, bool>>& ports, double lcCheck,
                      const std::string& lcCheckNote)
{
    SweepResult result;
    result.lcCheck = lcCheck;
    result.lcCheckNote = lcCheckNote;
    for (const auto& [conductor, signal] : ports) result.ports.push_back(Port{conductor, signal});
    const int n = static_cast<int>(ports.size());
    const auto fits = [&](const Array& a) {
        return a.ndim() == 3 && a.shape(0) == freq.size() && a.shape(1) == n && a.shape(2) == n;
    };
    if (freq.ndim() != 1 || !fits(r) || !fits(l) || c.has_value() != g.has_value() || (c && !(fits(*c) && fits(*g))))
        throw std::invalid_argument("the arrays of the result do not have the shapes (nf,) and (nf, n, n)");
    const auto matrixAt = [n](const Array& a, py::ssize_t k) {
        RealMatrix m(n, n);
        auto view = a.unchecked<3>();
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) m[i][j] = view(k, i, j);
        return m;
    };
    for (py::ssize_t k = 0; k < freq.size(); ++k) {
        FrequencyPoint point;
        point.frequency = freq.at(k);
        point.r = matrixAt(r, k);
        point.l = matrixAt(l, k);
        if (c && g) {
            point.c = matrixAt(*c, k);
            point.g = matrixAt(*g, k);
        }
        result.points.push_back(std::move(point));
    }
    return result;
}

void writeExport(const std::string& format, const std::string& path, const std::string& deckName,
                 const SweepResult& result, double lengthMetres, double z0)
{
    run<SolveFailure>([&] {
        const ExportFormat chosen = parseExportFormat(format).value();
        checkCapacitanceFor({chosen}, result.hasCapacitance());
        if (chosen == ExportFormat::Csv) writeCsv(path, result);
        if (chosen == ExportFormat::Rlgc) writeRlgc(path, deckName, result);
        if (chosen == ExportFormat::Touchstone) writeTouchstone(path, deckName, result, lengthMetres, z0);
        if (chosen == ExportFormat::Spice) writeSpice(path, deckName, result, lengthMetres, z0);
        return 0;
    });
}

py::dict structureOf(const std::string& source, bool isPath)
{
    const Prepared prepared = preparedFrom(deckFrom(source, isPath));
    const std::vector<RibbonInfo> list = ribbonList(prepared);
    const py::ssize_t n = static_cast<py::ssize_t>(list.size());
    py::array_t<double> corners({n, py::ssize_t{4}});
    py::array_t<int> kind(n), conductor(n);
    auto c = corners.mutable_unchecked<2>();
    auto k = kind.mutable_unchecked<1>();
    auto owner = conductor.mutable_unchecked<1>();
    for (py::ssize_t i = 0; i < n; ++i) {
        const RibbonInfo& r = list[i];
        c(i, 0) = r.x1, c(i, 1) = r.y1, c(i, 2) = r.x2, c(i, 3) = r.y2;
        k(i) = static_cast<int>(r.kind);
        owner(i) = r.conductor;
    }
    py::list conductors;
    for (const ConductorInfo& q : conductorList(prepared)) {
        py::dict d("number"_a = q.number, "shape"_a = q.shape, "signal"_a = q.signal);
        if (q.shape == "circle")
            d["circle"] = py::make_tuple(q.xc, q.yc, q.rad);
        else
            d["box"] = py::make_tuple(q.x1, q.y1, q.x2, q.y2);
        conductors.append(d);
    }
    py::list dielectrics;
    for (const DielectricInfo& b : dielectricList(prepared))
        dielectrics.append(
            py::dict("box"_a = py::make_tuple(b.x1, b.y1, b.x2, b.y2), "er"_a = b.er, "tand"_a = b.tand));
    return py::dict("corners"_a = corners, "kind"_a = kind, "conductor"_a = conductor, "conductors"_a = conductors,
                    "dielectrics"_a = dielectrics);
}

}  // namespace

}  // namespace xsrl

PYBIND11_MODULE(_xsrl, m)
{
    using namespace xsrl;
    m.attr("__version__") = XSRL_VERSION;
    py::register_exception<DeckFailure>(m, "DeckError", PyExc_ValueError);
    py::register_exception<SolveFailure>(m, "SolveError", PyExc_RuntimeError);
    py::register_exception<MemoryFailure>(m, "OutOfMemoryError", PyExc_MemoryError);
    py::register_exception<Cancelled>(m, "Cancelled", PyExc_RuntimeError);

    py::class_<SolveControl>(m, "SolveControl")
        .def(py::init<>())
        .def("cancel", [](SolveControl& c) { c.cancelled = true; })
        .def_property_readonly(
            "pairs", [](const SolveControl& c) { return py::make_tuple(c.pairsDone.load(), c.pairsTotal.load()); })
        .def_property_readonly(
            "points", [](const SolveControl& c) { return py::make_tuple(c.pointsDone.load(), c.pointsTotal.load()); });
    m.def("solve", &solveDeckSource, "source"_a, "is_path"_a, "mode"_a, "folder"_a, "threads"_a, "control"_a);
    m.def("structure", &structureOf, "source"_a, "is_path"_a);
    m.def(
        "write_export",
        [](const std::string& format, const std::string& path, const std::string& deckName, const Array& freq,
           const Array& r, const Array& l, const std::optional<Array>& c, const std::optional<Array>& g,
           const std::vector<std::pair<int, bool>>& ports, double lcCheck, const std::string& lcCheckNote,
           double lengthMetres, double z0) {
            const SweepResult result = sweepFrom(freq, r, l, c, g, ports, lcCheck, lcCheckNote);
            writeExport(format, path, deckName, result, lengthMetres, z0);
        },
        "format"_a, "path"_a, "deck_name"_a, "freq"_a, "R"_a, "L"_a, "C"_a, "G"_a, "ports"_a, "lc_check"_a,
        "lc_check_note"_a, "length"_a, "z0"_a);
}
