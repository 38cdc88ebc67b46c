// Helpers for the geometry tests: conductors built in code, the message of a library error,
// and ribbons as rows of numbers to compare.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/structure.h"
#include "xsrl/error.h"

namespace xsrl {

namespace geometry_test {

// The message of the Error `action` throws, or "" when it throws none.
template <class Action>
std::string errorOf(Action action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

// The category of the Error `action` throws; the test fails when it throws none.
template <class Action>
ErrorCategory categoryOf(Action action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.category();
    }
    ADD_FAILURE() << "no error";
    return ErrorCategory::Usage;
}

// Conductors in deck order, counted in `settings` as the deck reader counts them. The
// references add() returns stay valid: the vector never grows past its first capacity.
struct Layout {
    static constexpr std::size_t MaxConductors = 32;
    RunSettings settings;
    std::vector<Conductor> conductors;

    Layout()
    {
        settings.fmax = 1e9;
        conductors.reserve(MaxConductors);
    }
    Conductor& add(ConductorShape shape, double x1, double x2, double y1, double y2)
    {
        if (conductors.size() == MaxConductors) throw std::logic_error("Layout: too many conductors");
        Conductor c;
        c.shape = shape;
        c.x1 = x1;
        c.x2 = x2;
        c.y1 = y1;
        c.y2 = y2;
        (shape == ConductorShape::Plate ? settings.plateCount : settings.lineCount) += 1;
        conductors.push_back(c);
        return conductors.back();
    }
    Conductor& circle(double xc, double yc, double rad, int nr)
    {
        Conductor& c = add(ConductorShape::Circle, 0, 0, 0, 0);
        c.xc = xc;
        c.yc = yc;
        c.rad = rad;
        c.nr = nr;
        return c;
    }
    // The position of `c` in deck order, from 0.
    int indexOf(const Conductor& c) const { return static_cast<int>(&c - conductors.data()); }
};

// Kind and corners of each ribbon of list[first .. end - 1] (end -1: to the end of the list).
using RibbonRows = std::vector<std::array<double, 5>>;
inline RibbonRows rowsOf(const std::vector<Ribbon>& list, long first = 0, long end = -1)
{
    if (end < 0) end = static_cast<long>(list.size());
    RibbonRows rows;
    for (long k = first; k < end; ++k) {
        const Ribbon& r = list[static_cast<std::size_t>(k)];
        rows.push_back({static_cast<double>(r.kind), r.x1, r.y1, r.x2, r.y2});
    }
    return rows;
}

}  // namespace geometry_test

}  // namespace xsrl
