#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>

#include "app/run_deck.h"
#include "export/csv.h"
#include "export/exports.h"
#include "sweep_fixtures.h"

namespace {

// A sweep of extreme and ordinary values, to check that every bit comes back.
SweepResult randomSweep(int n, bool withCapacitance)
{
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-300, 300);
    auto fill = [&] {
        RealMatrix m = dmatrix(n, n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) m[i][j] = std::ldexp(mantissa(gen), exponent(gen) / 3);
        return m;
    };
    std::vector<FrequencyPoint> points;
    for (const double f : logSweep(1.0 / 3.0, 1e10 / 7.0, 5))
        points.push_back(withCapacitance ? linePoint(f, fill(), fill(), fill(), fill())
                                         : linePoint(f, fill(), fill(), RealMatrix(), RealMatrix()));
    return sweepOf(points);
}

std::vector<std::vector<std::string>> readTable(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        rows.emplace_back();
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) rows.back().push_back(cell);
    }
    return rows;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

TEST(Csv, HeaderNamesEveryEntryWithItsUnit)
{
    const std::string folder = makeTempFolder();
    writeCsv(folder + "/a.csv", randomSweep(2, false));
    writeCsv(folder + "/b.csv", randomSweep(1, true));
    EXPECT_EQ(readTable(readFile(folder + "/a.csv"))[0],
              (std::vector<std::string>{"f_Hz", "R_1_1_ohm_per_m", "R_1_2_ohm_per_m", "R_2_1_ohm_per_m", "R_2_2_ohm_per_m",
                                        "L_1_1_H_per_m", "L_1_2_H_per_m", "L_2_1_H_per_m", "L_2_2_H_per_m"}));
    EXPECT_EQ(readTable(readFile(folder + "/b.csv"))[0],
              (std::vector<std::string>{"f_Hz", "R_1_1_ohm_per_m", "L_1_1_H_per_m", "C_1_1_F_per_m", "G_1_1_S_per_m"}));
}

TEST(Csv, ReadsBackToTheSameBits)
{
    for (const bool withCapacitance : {false, true}) {
        const SweepResult result = randomSweep(3, withCapacitance);
        const std::string path = makeTempFolder() + "/bus.csv";
        writeCsv(path, result);
        const std::string text = readFile(path);
        EXPECT_EQ(text.find('"'), std::string::npos);
        EXPECT_EQ(text.find('\r'), std::string::npos);
        const auto rows = readTable(text);
        ASSERT_EQ(rows.size(), 1 + result.points.size());
        for (size_t k = 0; k < result.points.size(); ++k) {
            const FrequencyPoint& point = result.points[k];
            const std::vector<std::string>& row = rows[k + 1];
            ASSERT_EQ(row.size(), rows[0].size());
            size_t column = 0;
            EXPECT_TRUE(sameBits(std::strtod(row[column++].c_str(), nullptr), point.frequency));
            for (const RealMatrix* m : {&point.r, &point.l, &point.c, &point.g}) {
                if (m->rows() == 0) continue;
                for (int i = 0; i < 3; ++i)
                    for (int j = 0; j < 3; ++j)
                        EXPECT_TRUE(sameBits(std::strtod(row[column++].c_str(), nullptr), (*m)[i][j])) << row[column - 1];
            }
        }
    }
}

TEST(Exports, FilesAreNamedAfterTheDeck)
{
    EXPECT_EQ(exportFileName("decks/bus.deck", ExportFormat::Csv, 2), "bus.csv");
    EXPECT_EQ(exportFileName("bus.deck", ExportFormat::Rlgc, 2), "bus.rlgc");
    EXPECT_EQ(exportFileName("../bus.v2.deck", ExportFormat::Touchstone, 2), "bus.v2.s4p");
    EXPECT_EQ(exportFileName("bus", ExportFormat::Touchstone, 5), "bus.s10p");
    for (const char* name : {"csv", "rlgc", "touchstone"}) EXPECT_STREQ(exportFormatName(*parseExportFormat(name)), name);
    EXPECT_FALSE(parseExportFormat("CSV"));
}

TEST(Exports, LineModelWithoutCapacitanceRefusesEveryFormat)
{
    const SweepResult inductive = randomSweep(2, false);
    const std::string folder = makeTempFolder();
    const InFolder inFolder(folder);
    try {
        writeExports({ExportFormat::Csv, ExportFormat::Touchstone}, inductive, ExportOptions{"x/bus.deck", 0.1, 50});
        FAIL() << "exported without the capacitance";
    } catch (const RunError& error) {
        EXPECT_STREQ(error.what(), "ERROR: touchstone needs the capacitance: add .capacitance yes\n");
    }
    EXPECT_FALSE(fileExists("bus.csv"));
    writeExports({ExportFormat::Csv}, inductive, ExportOptions{"x/bus.deck", 0.1, 50});
    EXPECT_TRUE(fileExists("bus.csv"));
}
