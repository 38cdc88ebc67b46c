// The Python module xsrl._xsrl: the library stages behind xsrl.solve and xsrl.ribbons. The
// pure-Python package (python/xsrl) gives them their signatures, defaults and docstrings.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "xsrl/export.h"
#include "xsrl/output_file.h"
#include "xsrl/xsrl.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace xsrl {

namespace {

// Errors of reading the deck and preparing its structure, and errors of the solve.
struct DeckFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct SolveFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Runs `stage`, turning a library Error into the failure type `Failure`.
template <class Failure, class Stage>
auto run(Stage stage)
{
    try {
        return stage();
    } catch (const Error& error) {
        throw Failure(error.what());
    }
}

// The deck (text when `isPath` is false) read and checked.
Deck deckFrom(const std::string& deck, bool isPath)
{
    return run<DeckFailure>([&] { return isPath ? loadDeck(deck) : parseDeck(deck); });
}

// The deck cut into ribbons.
Prepared preparedFrom(const Deck& deck)
{
    return run<DeckFailure>([&] {
        Prepared prepared = cutRibbons(deck);
        checkConductorsHaveRibbons(prepared);
        return prepared;
    });
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

// The sweep of a deck. With a working folder, the run files "plate" and "induc" are written
// there (mode "w") or "induc" is read from there (any other mode).
SweepResult sweepOf(const std::string& deckText, bool isPath, const std::string& mode, const std::string& folder,
                    int threads)
{
    py::gil_scoped_release unlocked;
    const Deck deck = deckFrom(deckText, isPath);
    Prepared prepared = preparedFrom(deck);
    return run<SolveFailure>([&] {
        if (!folder.empty() && !prepared.plateCutsText().empty()) {
            OutputFile plate(folder + "/plate", "plate");
            plate.print("%s", prepared.plateCutsText().c_str());
            plate.close();
        }
        if (deck.computesCapacitance()) {
            cutPanels(prepared);
            computeCapacitance(prepared);
        }
        if (!mode.empty() && mode[0] != 'w') {
            loadInductance(prepared, folder + "/induc");
        } else {
            computeInductance(prepared, Threads{threads});
            if (!folder.empty()) storeInductance(prepared, folder + "/induc");
        }
        return solve(prepared, Threads{threads});
    });
}

py::dict structureOf(const std::string& deckText, bool isPath)
{
    const Prepared prepared = preparedFrom(deckFrom(deckText, isPath));
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
    py::register_exception<DeckFailure>(m, "DeckError", PyExc_ValueError);
    py::register_exception<SolveFailure>(m, "SolveError", PyExc_RuntimeError);

    py::class_<SweepResult>(m, "Sweep")
        .def_property_readonly("freq",
                               [](const SweepResult& s) {
                                   std::vector<double> f;
                                   for (const FrequencyPoint& p : s.points) f.push_back(p.frequency);
                                   return py::array_t<double>(static_cast<py::ssize_t>(f.size()), f.data());
                               })
        .def_property_readonly("R", [](const SweepResult& s) { return stacked(s, &FrequencyPoint::r); })
        .def_property_readonly("L", [](const SweepResult& s) { return stacked(s, &FrequencyPoint::l); })
        .def_property_readonly("C",
                               [](const SweepResult& s) {
                                   return s.hasCapacitance() ? py::object(stacked(s, &FrequencyPoint::c)) : py::none();
                               })
        .def_property_readonly("G",
                               [](const SweepResult& s) {
                                   return s.hasCapacitance() ? py::object(stacked(s, &FrequencyPoint::g)) : py::none();
                               })
        .def_property_readonly("lc_check", [](const SweepResult& s) { return s.lcCheck; })
        .def_property_readonly("ports",
                               [](const SweepResult& s) {
                                   py::list ports;
                                   for (const Port& p : s.ports) ports.append(py::make_tuple(p.conductor, p.signal));
                                   return ports;
                               })
        .def("write_csv",
             [](const SweepResult& s, const std::string& path) {
                 run<SolveFailure>([&] {
                     writeCsv(path, s);
                     return 0;
                 });
             })
        .def("write_touchstone",
             [](const SweepResult& s, const std::string& path, const std::string& deck, double length, double z0) {
                 run<SolveFailure>([&] {
                     checkCapacitanceFor({ExportFormat::Touchstone}, s.hasCapacitance());
                     writeTouchstone(path, deck, s, length, z0);
                     return 0;
                 });
             });
    m.def("solve", &sweepOf, "deck"_a, "is_path"_a, "mode"_a, "folder"_a, "threads"_a);
    m.def("structure", &structureOf, "deck"_a, "is_path"_a);
}
