#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "structures.h"
#include "xsrl/error.h"

namespace xsrl {

namespace {

double lengthOf(const Panel& p) { return std::hypot(p.b.x - p.a.x, p.b.y - p.a.y); }

Point middleOf(const Panel& p) { return {0.5 * (p.a.x + p.b.x), 0.5 * (p.a.y + p.b.y)}; }

// A point a little way out on the panel's normal side.
Point beside(const Panel& p, double step)
{
    const double l = lengthOf(p);
    const Point m = middleOf(p);
    return {m.x + step * (p.b.y - p.a.y) / l, m.y - step * (p.b.x - p.a.x) / l};
}

double totalLength(const std::vector<Panel>& panels, int conductor)
{
    double sum = 0.0;
    for (const Panel& p : panels)
        if (p.conductor == conductor) sum += lengthOf(p);
    return sum;
}

}  // namespace

TEST(CapacitancePanels, RectangleOutlineIsClosedGradedAndFacesOutward)
{
    Structure s;
    s.rectangle(-1, 0, 1, 0.5);
    const std::vector<Panel> panels = s.panels();
    EXPECT_NEAR(totalLength(panels, 0), 5.0, 1e-12);
    double smallest = 1.0, largest = 0.0;
    for (const Panel& p : panels) {
        const Point out = beside(p, 1e-3);
        EXPECT_FALSE(std::fabs(out.x) < 1 && out.y > 0 && out.y < 0.5) << "normal points inward";
        EXPECT_EQ(p.erOutside.re, 1.0);
        smallest = std::min(smallest, lengthOf(p));
        largest = std::max(largest, lengthOf(p));
    }
    EXPECT_LT(smallest, largest / 20);  // graded toward the corners
    EXPECT_LE(largest, 2.0 / RunSettings().capacitancePanels * 1.000001);
    // A finer discretization has about proportionally more panels.
    const double ratio = static_cast<double>(s.panels(24).size()) / static_cast<double>(panels.size());
    EXPECT_GT(ratio, 1.6);
    EXPECT_LT(ratio, 2.4);
}

// Each chord has the area of its sector, so the polygon has the circle's area.
TEST(CapacitancePanels, CircleChordsKeepTheCircleArea)
{
    Structure s;
    s.circle(0.5, -0.25, 0.1);
    const std::vector<Panel> panels = s.panels();
    EXPECT_GE(panels.size(), 4u * RunSettings().capacitancePanels);
    double area = 0.0;  // by the shoelace formula, counter-clockwise
    for (const Panel& p : panels) area += 0.5 * ((p.a.x - 0.5) * (p.b.y + 0.25) - (p.b.x - 0.5) * (p.a.y + 0.25));
    EXPECT_NEAR(area, M_PI * 0.01, 1e-15);
}

// A trace on a substrate on a plate: the substrate edges covered by the plate and the trace
// carry no panels, the trace's bottom touches the substrate and its top vacuum, and every
// interface panel has the substrate on its inner side.
TEST(CapacitancePanels, InterfacesStopAtConductorsAndKnowTheirMedia)
{
    Structure s;
    s.rectangle(-10, -0.5, 10, 0, 0.0, ConductorShape::Plate)
        .rectangle(-1, 1, 1, 1.01)
        .dielectric(-10, 0, 10, 1, 4.3, 0.02);
    const std::vector<Panel> panels = s.panels();
    double interface = 0.0;
    for (const Panel& p : panels) {
        const Point m = middleOf(p);
        if (p.conductor == 1) {
            EXPECT_EQ(p.erOutside.re, m.y == 1.0 ? 4.3 : 1.0);
        }
        if (p.conductor == 0 && m.y == 0.0) {
            EXPECT_EQ(p.erOutside.re, 4.3);
            EXPECT_NEAR(p.erOutside.im, -4.3 * 0.02, 1e-15);
        }
        if (p.conductor >= 0) continue;
        interface += lengthOf(p);
        EXPECT_FALSE(m.y == 0.0 || (m.y == 1.0 && std::fabs(m.x) <= 1.0)) << "interface under a conductor";
        EXPECT_EQ(p.erInside.re, 4.3);
        EXPECT_EQ(p.erOutside.re, 1.0);
        const Point out = beside(p, 1e-6);
        EXPECT_FALSE(std::fabs(out.x) < 10 && out.y > 0 && out.y < 1) << "normal points into the substrate";
    }
    EXPECT_NEAR(interface, 18.0 + 2.0, 1e-12);  // the top less the trace, and the two sides
}

// Two blocks that share an edge: the edge is one interface between their permittivities, and
// none at all when they are the same material.
TEST(CapacitancePanels, SharedEdgeOfTwoBlocksIsOneInterfaceOrNone)
{
    for (const double lower : {2.0, 3.0}) {
        Structure s;
        s.circle(0, 5, 0.5).dielectric(-2, -1, 2, 0, lower).dielectric(-2, 0, 2, 1, 3.0);
        double shared = 0.0;
        for (const Panel& p : s.panels()) {
            if (p.conductor >= 0 || middleOf(p).y != 0.0) continue;
            shared += lengthOf(p);
            EXPECT_EQ(std::min(p.erInside.re, p.erOutside.re), lower);
            EXPECT_EQ(std::max(p.erInside.re, p.erOutside.re), 3.0);
        }
        EXPECT_NEAR(shared, lower == 3.0 ? 0.0 : 4.0, 1e-12) << lower;
    }
}

// A circle crossed by an interface is cut there, each side with its medium.
TEST(CapacitancePanels, CircleCrossingAnInterfaceTakesEachSidesMedium)
{
    Structure s;
    s.circle(0, 0, 1).dielectric(-5, -5, 5, 0, 4.0);
    for (const Panel& p : s.panels()) {
        if (p.conductor < 0) {
            if (middleOf(p).y == 0.0) {
                EXPECT_GE(std::fabs(middleOf(p).x), 1.0) << "an interface inside the wire";
            }
            continue;
        }
        const double y = middleOf(p).y;
        EXPECT_EQ(p.erOutside.re, y < 0 ? 4.0 : 1.0) << y;
        EXPECT_FALSE(p.a.y < -1e-12 && p.b.y > 1e-12) << "a chord straddles the interface";
    }
}

// Coordinates that are not whole numbers in metres (a deck in micrometres) leave rounding
// where edges meet; the panels must not notice.
TEST(CapacitancePanels, SameStructureInAnyUnitGivesTheSamePanelCount)
{
    std::vector<std::size_t> counts;
    for (const double unit : {1.0, 1e-3, 1e-6, 2.54e-5}) {
        Structure s;
        s.rectangle(-1000 * unit, -35 * unit, 1000 * unit, 0, 0.0, ConductorShape::Plate)
            .rectangle(-95 * unit, 100 * unit, 95 * unit, 118 * unit)
            .dielectric(-1000 * unit, 0, 1000 * unit, 100 * unit, 4.3);
        counts.push_back(s.panels().size());
    }
    for (const std::size_t count : counts) EXPECT_EQ(count, counts.front());
}

// Coordinates near the largest double overflow the sizes: an error, not an endless walk.
TEST(CapacitancePanels, SizesBeyondTheNumbersAreAnError)
{
    Structure s;
    s.rectangle(-1e308, 0, 1e308, 1);
    try {
        s.panels();
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.category(), ErrorCategory::Structure) << error.what();
    }
}

// The panel system (matrix, right-hand sides and solution) is refused before it is made when
// it cannot fit: up to 1500 panels 16 bytes per complex entry of (n + 1) (n + 1 + 3 conductors);
// above, the hierarchical matrix's n log n (100 lines over a plate, 30,040 panels, fit in 1 GB).
TEST(CapacitancePanels, PanelSystemThatCannotFitIsRefused)
{
    EXPECT_NO_THROW(checkPanelMemoryFits(30040, 101, 1e9));
    EXPECT_THROW(checkPanelMemoryFits(1000000, 2, 1e10), MemoryError);
    const double needed = 16.0 * 1000 * (1000 + 3 * 2);
    EXPECT_NO_THROW(checkPanelMemoryFits(999, 2, needed));
    try {
        checkPanelMemoryFits(999, 2, needed - 1);
        ADD_FAILURE() << "no error";
    } catch (const MemoryError& error) {
        EXPECT_EQ(error.category(), ErrorCategory::Memory);
        EXPECT_STREQ(
            error.what(),
            "the capacitance solve on 999 panels needs 1.61e+07 bytes of memory; 1.61e+07 bytes are available");
    }
}

namespace {

// The FR-4 microstrip of examples/microstrip-fr4.deck, in metres.
Structure fr4Microstrip()
{
    Structure s;
    s.rectangle(-1e-3, -35e-6, 1e-3, 0, 0.0, ConductorShape::Plate)
        .dielectric(-1e-3, 0, 1e-3, 100e-6, 4.3, 0.02)
        .rectangle(-88e-6, 100e-6, 88e-6, 135e-6);
    return s;
}

double signalCapacitance(const Structure& s, int panelsPerSide)
{
    return maxwellCapacitance(s.panels(panelsPerSide), static_cast<int>(s.conductors.size()))[1][1].re;
}

}  // namespace

// Fewer panels per side never cut more panels, and every count lands on the road to the same C.
TEST(CapacitancePanels, CoarserCountsCutFewerPanelsAndConvergeToOneC)
{
    const Structure s = fr4Microstrip();
    const double finest = signalCapacitance(s, 24);
    std::size_t panelsBefore = 0;
    double errorBefore = 1.0;
    for (const int n : {1, 2, 3, 6, 12}) {
        const std::size_t panels = s.panels(n).size();
        const double error = std::fabs(signalCapacitance(s, n) / finest - 1.0);
        EXPECT_GE(panels, panelsBefore) << n;
        EXPECT_LT(error, errorBefore) << n;
        panelsBefore = panels;
        errorBefore = error;
    }
    EXPECT_LT(std::fabs(signalCapacitance(s, 1) / finest - 1.0), 0.05);
}

// What touches is decided by the sizes of the shapes that meet, not by the whole structure's
// extent: a block a thousand kilometres away changes nothing.
TEST(CapacitancePanels, FarAwayBlockChangesNothingNearby)
{
    Structure far = fr4Microstrip();
    far.dielectric(1e6, 0, 1e6 + 1e-4, 100e-6, 2.0);
    EXPECT_NEAR(signalCapacitance(far, 12) / signalCapacitance(fr4Microstrip(), 12), 1.0, 1e-9);
}

// Panels are finest where a conductor meets a dielectric (the trace's lower corners on the
// substrate), coarser at corners with only the trace near (its upper corners).
TEST(CapacitancePanels, FinestWhereAConductorMeetsADielectric)
{
    const std::vector<Panel> panels = fr4Microstrip().panels();
    auto smallestAt = [&](Point corner) {
        double smallest = 1.0;
        for (const Panel& p : panels)
            if (p.conductor == 1 && (std::hypot(p.a.x - corner.x, p.a.y - corner.y) < 1e-12 ||
                                     std::hypot(p.b.x - corner.x, p.b.y - corner.y) < 1e-12))
                smallest = std::min(smallest, lengthOf(p));
        return smallest;
    };
    for (const double x : {-88e-6, 88e-6}) EXPECT_LT(10 * smallestAt({x, 100e-6}), smallestAt({x, 135e-6})) << x;
}

// A plate's underside sees the trace above only through the plate: its panels are not refined
// toward it, while the top face below the trace is.
TEST(CapacitancePanels, UndersideOfAPlateIsNotRefinedTowardATraceAbove)
{
    Structure s;
    s.rectangle(-10, -0.5, 10, 0, 0.0, ConductorShape::Plate).rectangle(-1, 1, 1, 1.1);
    for (const Panel& p : s.panels()) {
        const Point m = middleOf(p);
        if (p.conductor != 0 || std::fabs(m.x) > 2.0) continue;
        if (m.y == -0.5) {
            EXPECT_GT(lengthOf(p), 1.0) << m.x;
        } else if (m.y == 0.0) {
            EXPECT_LT(lengthOf(p), 0.6) << m.x;
        }
    }
}

// Two tangent grounds of a loop report are one node: both keep their whole outline.
TEST(CapacitancePanels, TangentCirclesBothKeepTheirOutlines)
{
    Structure s;
    s.circle(0, 5, 1).circle(0, 0, 1, 0.0).circle(2, 0, 1, 0.0);
    const std::vector<Panel> panels = s.panels();
    for (const int conductor : {1, 2}) EXPECT_NEAR(totalLength(panels, conductor), 2 * M_PI, 1e-2) << conductor;
}

// Conductors in contact at different potentials have no finite capacitance between them.
TEST(CapacitancePanels, ConductorsTouchingAtDifferentPotentialsAreRefused)
{
    const auto refusal = [](const Structure& s, bool partial) -> std::string {
        try {
            checkContactsForCapacitance(s.conductors, partial);
        } catch (const Error& error) {
            return error.what();
        }
        return "";
    };
    Structure tangent;
    tangent.circle(0, 0, 1).circle(2, 0, 1, 0.0);
    EXPECT_EQ(refusal(tangent, false), "conductor 1 (circle) touches conductor 2 (circle): conductors in contact at "
                                       "different potentials have no finite capacitance");
    Structure onPlate;  // resting on it, a rounding apart
    onPlate.rectangle(-1e-3, -35e-6, 1e-3, 0, 0.0, ConductorShape::Plate).circle(0, 0.1e-6 + 0.2e-6, 0.3e-6);
    EXPECT_NE(refusal(onPlate, false).find("conductor 1 (plate) touches conductor 2 (circle)"), std::string::npos);
    Structure sideBySide;
    sideBySide.rectangle(0, 0, 1e-6, 1e-7).rectangle(1e-6, 0, 2e-6, 1e-7, 0.0);
    EXPECT_NE(refusal(sideBySide, false), "");
    Structure grounds;  // one node in a loop report, two in a partial one
    grounds.circle(0, 5, 1).circle(0, 0, 1, 0.0).circle(2, 0, 1, 0.0);
    EXPECT_EQ(refusal(grounds, false), "");
    EXPECT_NE(refusal(grounds, true), "");
    Structure apart;
    apart.circle(0, 0, 1).circle(2.001, 0, 1, 0.0);
    EXPECT_EQ(refusal(apart, true), "");
}

// The estimate made before cutting never exceeds the panels cut, and is not far below them.
TEST(CapacitancePanels, EstimateIsALowerBoundOfTheCount)
{
    Structure wires;
    wires.circle(0, 0, 1).circle(3, 0, 1, 0.0).circle(0, 1.5, 0.2).dielectric(-5, -5, 5, 0, 3.0);
    for (const Structure& s : {fr4Microstrip(), wires}) {
        for (const int n : {1, 12, 40}) {
            const double estimate = estimatedPanelCount(s.conductors, s.dielectrics, n);
            const double count = static_cast<double>(s.panels(n).size());
            EXPECT_LE(estimate, count) << n;
            EXPECT_GT(estimate, 0.4 * count) << n;
        }
    }
}

}  // namespace xsrl
