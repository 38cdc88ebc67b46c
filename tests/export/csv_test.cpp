#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <regex>

#include "cli/run_deck.h"
#include "sweep_fixtures.h"
#include "xsrl/error.h"
#include "xsrl/export.h"

namespace xsrl {

namespace {

// Extreme and ordinary values, to check that every bit comes back.
SweepResult randomSweep(int n, bool withCapacitance)
{
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-100, 100);
    auto fill = [&] {
        RealMatrix m = dmatrix(n, n);
        for (int i = 0; i < n * n; ++i) m[i / n][i % n] = std::ldexp(mantissa(gen), exponent(gen));
        return m;
    };
    std::vector<FrequencyPoint> points;
    for (const double f : logSweep(1.0 / 3.0, 1e10 / 7.0, 4))
        points.push_back(withCapacitance ? FrequencyPoint{f, fill(), fill(), fill(), fill()}
                                         : FrequencyPoint{f, fill(), fill(), RealMatrix(), RealMatrix()});
    return sweepOf(points);
}

}  // namespace

TEST(Csv, HeaderNamesEveryEntryAndTheValuesReadBackToTheSameBits)
{
    for (const bool withCapacitance : {false, true}) {
        const SweepResult result = randomSweep(2, withCapacitance);
        const std::string path = makeTempFolder() + "/bus.csv";
        writeCsv(path, result);
        std::istringstream text(readFile(path));
        std::string line;
        std::getline(text, line);
        EXPECT_EQ(line, "f_Hz,R_1_1_ohm_per_m,R_1_2_ohm_per_m,R_2_1_ohm_per_m,R_2_2_ohm_per_m,"
                        "L_1_1_H_per_m,L_1_2_H_per_m,L_2_1_H_per_m,L_2_2_H_per_m" +
                            std::string(withCapacitance ? ",C_1_1_F_per_m,C_1_2_F_per_m,C_2_1_F_per_m,C_2_2_F_per_m,"
                                                          "G_1_1_S_per_m,G_1_2_S_per_m,G_2_1_S_per_m,G_2_2_S_per_m"
                                                        : ""));
        for (const FrequencyPoint& point : result.points) {
            ASSERT_TRUE(std::getline(text, line));
            std::vector<double> expected{point.frequency};
            for (const RealMatrix* m : {&point.r, &point.l, &point.c, &point.g})
                for (int i = 0; i < m->rows() * m->rows(); ++i) expected.push_back((*m)[i / 2][i % 2]);
            std::istringstream cells(line);
            std::string cell;
            for (const double value : expected) {
                ASSERT_TRUE(std::getline(cells, cell, ','));
                const double read = std::strtod(cell.c_str(), nullptr);
                EXPECT_EQ(std::memcmp(&read, &value, sizeof value), 0) << cell;
            }
            EXPECT_FALSE(std::getline(cells, cell, ','));
        }
        EXPECT_FALSE(std::getline(text, line));
    }
}

TEST(Exports, NamedAfterTheDeckAndRefusedWithoutTheCapacitance)
{
    EXPECT_EQ(exportFileName("decks/bus.deck", ExportFormat::Csv, 2), "bus.csv");
    EXPECT_EQ(exportFileName("../bus.v2.deck", ExportFormat::Touchstone, 2), "bus.v2.s4p");
    EXPECT_EQ(exportFileName("bus", ExportFormat::Rlgc, 5), "bus.rlgc");
    EXPECT_EQ(parseExportFormat("touchstone"), ExportFormat::Touchstone);
    EXPECT_FALSE(parseExportFormat("CSV"));

    const SweepResult inductive = randomSweep(2, false);
    for (const ExportFormat format : {ExportFormat::Rlgc, ExportFormat::Touchstone}) {
        try {
            writeExports({ExportFormat::Csv, format}, inductive,
                         ExportOptions{makeTempFolder() + "/bus.deck", 0.1, 50});
            ADD_FAILURE() << "exported without the capacitance";
        } catch (const Error& error) {
            EXPECT_EQ(error.what(),
                      std::string(exportFormatName(format)) + " needs the capacitance: add .capacitance yes");
        }
    }
    EXPECT_FALSE(fileExists("bus.csv"));  // refused before anything is written
}

// A single conductor, or every conductor of .partial yes, has a singular C (no net charge
// against infinity): no line model can be made from it.
TEST(Exports, LineModelsRefusedForACapacitanceThatIsNotPositiveDefinite)
{
    const double c = 1.2e-10;
    for (const RealMatrix& maxwell : {realMatrix({{3.8e-27}}), realMatrix({{c, -c}, {-c, c}})}) {
        FrequencyPoint point{1e6, maxwell, maxwell, maxwell, maxwell};
        for (int i = 0; i < maxwell.rows(); ++i) point.r[i][i] = point.l[i][i] = 1.0;
        for (const ExportFormat format : {ExportFormat::Rlgc, ExportFormat::Touchstone}) {
            try {
                writeExports({ExportFormat::Csv, format}, sweepOf({point}),
                             ExportOptions{makeTempFolder() + "/wire.deck", 0.1, 50});
                ADD_FAILURE() << "exported from a singular C";
            } catch (const Error& error) {
                EXPECT_EQ(std::string(error.what())
                              .find(std::string(exportFormatName(format)) +
                                    " needs C positive definite, and it is not at f=1.0000e+06 Hz"),
                          0u);
            }
        }
    }
    EXPECT_FALSE(fileExists("wire.csv"));
}

// What a file holds is the exporter's: a deck name with a line feed or a carriage return
// starts no line of its own (it could forge the option line of a Touchstone file), and a zero
// that comes out negative prints as 0, which every reader takes.
TEST(Exports, DeckNameStartsNoLineAndZeroHasNoSign)
{
    const double negativeZero = -0.0;
    FrequencyPoint point{1e6, realMatrix({{1.0, negativeZero}, {negativeZero, 1.0}}),
                         realMatrix({{4e-7, 1e-7}, {1e-7, 4e-7}}), realMatrix({{1e-10, -2e-11}, {-2e-11, 1e-10}}),
                         realMatrix({{0.0, negativeZero}, {negativeZero, 0.0}})};
    FrequencyPoint higher = point;
    higher.frequency = 1e8;
    const SweepResult result = sweepOf({point, higher});
    const std::string deck = "bus\n# Hz S RI R 1\r\t\x7f.deck";
    const std::string folder = makeTempFolder();
    writeCsv(folder + "/bus.csv", result);
    writeRlgc(folder + "/bus.rlgc", deck, result);
    writeTouchstone(folder + "/bus.s4p", deck, result, 0.1, 50);
    for (const std::string name : {"bus.csv", "bus.rlgc", "bus.s4p"}) {
        const std::string text = readFile(folder + "/" + name);
        EXPECT_FALSE(std::regex_search(text, std::regex("(^|[ ,\n])-0([ ,\n]|$)"))) << name << "\n" << text;
        if (name == "bus.csv") continue;
        EXPECT_NE(text.find("bus?# Hz S RI R 1???.deck"), std::string::npos) << text;
        EXPECT_EQ(text.find('\r'), std::string::npos) << name;
        EXPECT_EQ(text.find('\t'), std::string::npos) << name;
    }
    std::istringstream touchstone(readFile(folder + "/bus.s4p"));
    int optionLines = 0;
    for (std::string line; std::getline(touchstone, line);) optionLines += line[0] == '#';
    EXPECT_EQ(optionLines, 1);
    const auto files = std::filesystem::directory_iterator(folder);
    EXPECT_EQ(std::distance(begin(files), end(files)), 3);  // and no temporary file left
}

}  // namespace xsrl
