// Structures too large for the memory are refused from estimates, before the work that grows
// as the square of their conductors or blocks.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "solver/memory.h"
#include "xsrl/xsrl.h"

namespace xsrl {

namespace {

// What a stage refuses with, or "" when it passes.
template <class Stage>
std::string memoryRefusal(Stage stage)
{
    try {
        stage();
    } catch (const MemoryError& error) {
        return error.what();
    }
    return "";
}

}  // namespace

// Before the plate cuts a line counts one ribbon (it gets one per face), a plate none; lines
// whose counts the checks will refuse count one too. The count is then "at least".
TEST(MemoryEstimate, RibbonsBeforeThePlateCutsAreCountedAtLeast)
{
    RunSettings settings;
    settings.fmax = 1e9;
    settings.plateCount = 1;
    std::vector<Conductor> conductors(1001);
    conductors[0].shape = ConductorShape::Plate;
    for (std::size_t k = 1; k < conductors.size(); ++k) conductors[k].x2 = 1.0;  // 5 x 5 ribbons asked for
    EXPECT_EQ(memoryRefusal([&] { checkMemoryFits(settings, conductors, nullptr, runMemoryBytes(1000)); }), "");
    EXPECT_NE(memoryRefusal([&] {
                  checkMemoryFits(settings, conductors, nullptr, runMemoryBytes(999));
              }).find("the structure cuts into at least 1000 ribbons, which need "),
              std::string::npos);
    settings.plateCount = 0;  // then the count is exact
    EXPECT_NE(memoryRefusal([&] {
                  checkMemoryFits(settings, conductors, nullptr, runMemoryBytes(19999));
              }).find("cuts into 20000 ribbons"),
              std::string::npos);
}

// Thousands of touching dielectric slices cut fine, or a hundred thousand lines over a plate:
// refused from the estimates, not after minutes of cutting.
TEST(MemoryEstimate, HugeStructuresAreRefusedWithinSeconds)
{
    std::string slices =
        ".freq 1e6 1e9 2\n.capacitance yes\n.cpanels 200\nend\ncircle{ yc=-10 rad=1 v=0 }\ncircle{ yc=-20 rad=1 }\n";
    for (int k = 0; k < 3000; ++k)
        slices += "dielectric{ x1=" + std::to_string(k) + " x2=" + std::to_string(k + 1) +
                  " y1=0 y2=1 er=" + std::to_string(2 + k % 2) + " }\n";
    std::string lines = ".freq 1e6 1e9 2\nend\nplate{ x1=-1 x2=200001 y1=-1 y2=0 v=0 }\n";
    for (int k = 0; k < 100000; ++k)
        lines += "line{ x1=" + std::to_string(2 * k) + " x2=" + std::to_string(2 * k + 1) + " y1=1 y2=2 }\n";
    const Deck slicesDeck = parseDeck(slices + "end\n");
    const Deck linesDeck = parseDeck(lines + "end\n");

    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(memoryRefusal([&] {
                  Prepared prepared = cutRibbons(slicesDeck);
                  cutPanels(prepared);
              }).find("the capacitance solve cuts the outlines into at least "),
              std::string::npos);
    EXPECT_NE(memoryRefusal([&] { cutRibbons(linesDeck); }).find("the structure cuts into at least 100000 ribbons"),
              std::string::npos);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);
}

}  // namespace xsrl
