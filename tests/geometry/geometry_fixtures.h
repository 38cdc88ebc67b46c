// Helpers for the geometry tests: conductor chains built in code, the text of a RunError,
// and a scratch working directory for the "plate" file.
#pragma once

#include <stdlib.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "model/structure.h"
#include "support/run_error.h"
#include "test_support.h"

namespace xsrl {

namespace geometry_test {

class ScratchDirectory {
public:
    ScratchDirectory() : previous_(std::filesystem::current_path())
    {
        char pattern[] = "/tmp/xsrl-geometry-XXXXXX";
        path_ = mkdtemp(pattern);
        std::filesystem::current_path(path_);
    }
    ~ScratchDirectory()
    {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(path_);
    }

private:
    std::filesystem::path previous_, path_;
};

template <class Action>
std::string errorOf(Action action)
{
    try {
        action();
    } catch (const RunError& e) {
        return e.what();
    }
    return "";
}

// A conductor chain in deck order, counted in `settings` as the deck reader counts it.
struct Deck {
    RecordPool pool;
    RunSettings settings;
    Conductor* head = nullptr;
    Conductor* last = nullptr;

    Deck() { settings.fmax = 1e9; }
    Conductor& add(ConductorShape shape, double x1, double x2, double y1, double y2)
    {
        last = newConductor(pool, last);
        if (!head) head = last;
        setConductorDefaults(*last);
        last->shape = shape;
        last->x1 = x1;
        last->x2 = x2;
        last->y1 = y1;
        last->y2 = y2;
        (shape == ConductorShape::Plate ? settings.plateCount : settings.lineCount) += 1;
        return *last;
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
};

// Kind and corners of each filled ribbon from `first` up to `end`.
using Ribbons = std::vector<std::array<double, 5>>;
inline Ribbons ribbonsFrom(const Ribbon* first, const Ribbon* end = nullptr)
{
    Ribbons ribbons;
    for (const Ribbon* r = first; r != end; r = r->next) ribbons.push_back({static_cast<double>(r->kind), r->x1, r->y1, r->x2, r->y2});
    return ribbons;
}

} // namespace geometry_test

}  // namespace xsrl
