#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "deck/deck.h"
#include "xsrl/error.h"

namespace xsrl {

namespace {

const char* const Header = ".freq 1e6 1e9 10\nend\n";

std::vector<std::string> texts(const std::vector<DeckWarning>& warnings)
{
    std::vector<std::string> list;
    for (const DeckWarning& warning : warnings) list.push_back(warning.text);
    return list;
}

class DeckReader : public testing::Test {
protected:
    DeckRecords records;
    const RunSettings& settings = records.settings;
    ErrorCategory category = ErrorCategory::Usage;  // of the last error errorOf caught
    std::vector<std::string> written;

    void TearDown() override
    {
        for (const std::string& path : written) std::remove(path.c_str());
    }

    std::string writeDeck(const std::string& text)
    {
        static int counter = 0;
        const std::string path =
            testing::TempDir() + "xsrl_deck_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + ".deck";
        std::ofstream(path) << text;
        written.push_back(path);
        return path;
    }

    // Reads `text` through a deck file; the conductors in deck order.
    const std::vector<Conductor>& read(const std::string& text)
    {
        records = readDeckRecords(readDeckFile(writeDeck(text)));
        return records.conductors;
    }

    // The message of the error that reading `text` raises; its category goes to `category`.
    std::string errorOf(const std::string& text)
    {
        try {
            read(text);
        } catch (const Error& error) {
            category = error.category();
            return error.what();
        }
        return "no error";
    }
};

TEST_F(DeckReader, ReadsTheExampleDeck)
{
    const auto c = read("* two strips over a ground plate\n"
                        ".freq 1e6 1e9 10\n.unit um\n.partial no\nend\n"
                        "plate{ x1=-500 x2=500 y1=-10 y2=0 v=0 }\n"
                        "line{ type=tl x1=-60 x2=-10 y1=100 y2=110 nx=8 ny=2 rx=1.5 }\n"
                        "line { x1 = 10 x2 = 60 y1 = 100 y2 = 110 sigma=4.1e1 }\n"
                        "circle{ xc=0 yc=300 rad=25 nr=16 }\n"
                        "end\n");
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(settings.fmin, 1e6);
    EXPECT_EQ(settings.fmax, 1e9);
    EXPECT_EQ(settings.npoints, 10);
    EXPECT_EQ(settings.scale, 1e-06);
    EXPECT_FALSE(settings.partial);
    EXPECT_EQ(settings.plateCount, 1);
    EXPECT_EQ(settings.lineCount, 3);

    EXPECT_EQ(c[0].shape, ConductorShape::Plate);
    EXPECT_EQ(c[0].x1, -500.0 * 1e-06);
    EXPECT_EQ(c[0].v, 0.0);
    EXPECT_EQ(c[1].shape, ConductorShape::Line);
    EXPECT_EQ(c[1].model, ConductorModel::Tl);
    EXPECT_EQ(c[1].nx, 8);
    EXPECT_EQ(c[1].ny, 2);
    EXPECT_EQ(c[1].rx, 1.5);
    EXPECT_EQ(c[2].x1, 10.0 * 1e-06);
    EXPECT_EQ(c[2].sigma, 41.0 / 1e-06);
    EXPECT_EQ(c[3].shape, ConductorShape::Circle);
    EXPECT_EQ(c[3].rad, 25.0 * 1e-06);
    EXPECT_EQ(c[3].nr, 16);
}

TEST_F(DeckReader, AcceptsEveryValueForm)
{
    const auto c = read(std::string(".unit mm\n") + Header +
                        "line{ x1 =5 x2 = 6 y1= 7 y2=8 rx =1.5 ry= 2.5 v = 0.5 sigma =2\n"
                        "      nx =2 ny = 3 nr= 4 }\n"
                        "circle{ xc=1 yc =2 rad = 3 nx=6 ny =3 }\n"
                        "end\n");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].x1, 5 * 0.001);
    EXPECT_EQ(c[0].x2, 6 * 0.001);
    EXPECT_EQ(c[0].y1, 7 * 0.001);
    EXPECT_EQ(c[0].y2, 8 * 0.001);
    EXPECT_EQ(c[0].rx, 1.5);
    EXPECT_EQ(c[0].ry, 2.5);
    EXPECT_EQ(c[0].v, 0.5);
    EXPECT_EQ(c[0].sigma, 2 / 0.001);
    EXPECT_EQ(c[0].nx, 2);
    EXPECT_EQ(c[0].ny, 3);
    EXPECT_EQ(c[0].nr, 4);
    EXPECT_EQ(c[1].xc, 1 * 0.001);
    EXPECT_EQ(c[1].yc, 2 * 0.001);
    EXPECT_EQ(c[1].rad, 3 * 0.001);
    EXPECT_EQ(c[1].nx, 6);
}

// Values inside a token are read as sscanf's %le / %ld read them, to the end of the token.
TEST_F(DeckReader, ParsesTokenValuesAsScanfDoes)
{
    const auto c = read(std::string(Header) + "line{ x1=0x1p3 x2=5 y1 =1e ny =4 }\nend\n");
    EXPECT_EQ(c[0].x1, 8.0);
    EXPECT_EQ(c[0].x2, 5.0);
    EXPECT_EQ(c[0].y1, 1.0);
    EXPECT_EQ(c[0].ny, 4);
}

TEST_F(DeckReader, IgnoresCase)
{
    const auto c = read(".FREQ 1E3 2E3 4\n.UNIT CM\n.PARTIAL YES\nEND\n"
                        "LINE{ X1=1 SIGMA=5.8E7 TYPE=PW NX =3 }\nPlate { Y2 = 2 }\nEnd\n");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(settings.fmin, 1e3);
    EXPECT_EQ(settings.scale, 0.01);
    EXPECT_TRUE(settings.partial);
    EXPECT_EQ(c[0].x1, 1 * 0.01);
    EXPECT_EQ(c[0].sigma, 5.8e7 / 0.01);
    EXPECT_EQ(c[0].model, ConductorModel::Pw);
    EXPECT_EQ(c[0].nx, 3);
    EXPECT_EQ(c[1].shape, ConductorShape::Plate);
    EXPECT_EQ(c[1].y2, 2 * 0.01);
}

TEST_F(DeckReader, UnitTable)
{
    const std::pair<const char*, double> units[] = {
        {"m", 1.0},    {"mm", 0.001},      {"cm", 0.01},   {"in", 0.025400000000000002},
        {"um", 1e-06}, {"mils", 2.54e-05}, {"ft", 0.3048},
    };
    for (const auto& [word, scale] : units) {
        read(std::string(".unit ") + word + " .freq 1 2 3 end line{ x1=10 sigma=1 } end");
        EXPECT_EQ(settings.scale, scale) << word;
        EXPECT_EQ(records.conductors.back().x1, 10 * scale) << word;
        EXPECT_EQ(records.conductors.back().sigma, 1 / scale) << word;
    }
    EXPECT_NE(0.025400000000000002, 0.0254);
}

TEST_F(DeckReader, ModelWords)
{
    const auto c = read(std::string(Header) + "line{ type=pw } line{ type = vf } line{ type =pw } line{ type= vf }\n"
                                              "line{ type=VF type =tl } line{ type=tl }\nend\n");
    ASSERT_EQ(c.size(), 6u);
    EXPECT_EQ(c[0].model, ConductorModel::Pw);
    EXPECT_EQ(c[1].model, ConductorModel::Vf);
    EXPECT_EQ(c[2].model, ConductorModel::Pw);
    EXPECT_EQ(c[3].model, ConductorModel::Vf);
    EXPECT_EQ(c[4].model, ConductorModel::Tl);  // the last one given
    EXPECT_EQ(c[5].model, ConductorModel::Tl);
}

TEST_F(DeckReader, EveryBlockStartsFromTheDefaults)
{
    const auto c = read(std::string(".unit mm\n") + Header +
                        "line{ x1=1 y1=2 x2=3 y2=4 sigma=9 v=0 nx=1 ny=1 nr=3 rx=2 ry=2 type=vf xc=1 yc=1 }\n"
                        "plate{ }\nend\n");
    ASSERT_EQ(c.size(), 2u);
    const Conductor& d = c[1];
    EXPECT_EQ(d.shape, ConductorShape::Plate);
    EXPECT_EQ(d.x1, 0.0);
    EXPECT_EQ(d.y1, 1.0);
    EXPECT_EQ(d.x2, 0.0);
    EXPECT_EQ(d.y2, 1.0);
    EXPECT_EQ(d.sigma, 5.8e7);  // the default is not a per-unit value
    EXPECT_EQ(d.v, 1.0);
    EXPECT_EQ(d.nx, 5);
    EXPECT_EQ(d.ny, 5);
    EXPECT_EQ(d.nr, 10);
    EXPECT_EQ(d.rx, 1.0);
    EXPECT_EQ(d.ry, 1.0);
    EXPECT_EQ(d.model, ConductorModel::Tl);
    EXPECT_EQ(d.xc, 0.0);
    EXPECT_EQ(d.yc, 0.0);
    EXPECT_TRUE(std::isnan(d.rad));
    EXPECT_EQ(settings.plateCount, 1);
    EXPECT_EQ(settings.lineCount, 1);
}

TEST_F(DeckReader, SkipsComments)
{
    const std::string longComment(300, 'c');
    const auto c = read("* header comment with line and plate{ words\n" + std::string(Header) +
                        "line{ x1=1 * x1=9 }\n  .note y1=9\n y2=3 }\n"
                        "* " +
                        longComment +
                        " end\n"
                        "** another\n. dotted\n"
                        "circle{ rad=2 * " +
                        longComment +
                        "\n }\n"
                        "* before the end\n"
                        "end\n");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].x1, 1.0);
    EXPECT_EQ(c[0].y1, 1.0);
    EXPECT_EQ(c[0].y2, 3.0);
    EXPECT_EQ(c[1].shape, ConductorShape::Circle);
    EXPECT_EQ(c[1].rad, 2.0);
}

TEST_F(DeckReader, BlockWordsAndTheirBraces)
{
    // A bare word between blocks takes the next token as its brace unseen, also after a comment.
    const auto c = read(std::string(Header) + "line\n{ x1=1 }\nplate x1=5 y1=2 }\n* c\ncircle { rad=1 }\n"
                                              "* c\n stray words plate{ }\nend\n");
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(texts(records.warnings),
              (std::vector<std::string>{"deck line 5: 'x1=5' in place of the \"{\" after 'plate' is ignored",
                                        "deck line 9: 'stray' between blocks is ignored",
                                        "deck line 9: 'words' between blocks is ignored"}));
    EXPECT_EQ(c[0].shape, ConductorShape::Line);
    EXPECT_EQ(c[1].shape, ConductorShape::Plate);
    EXPECT_EQ(c[1].x1, 0.0);
    EXPECT_EQ(c[1].y1, 2.0);
    EXPECT_EQ(c[2].shape, ConductorShape::Circle);
    EXPECT_EQ(c[3].shape, ConductorShape::Plate);
    EXPECT_EQ(settings.plateCount, 2);
    EXPECT_EQ(settings.lineCount, 2);
}

TEST_F(DeckReader, BraceGluedToTheLastTokenClosesTheBlock)
{
    const auto c = read(std::string(Header) + "line{ x1=7}\nline{ x1 = 8}\nline{ x1 =9}\nline{ type=pw}\n"
                                              "line{ type =vf}\nline{ type = pw}\nline{ x2=1 }\nline{ nx=3}\n"
                                              "line{ nx = 4}\nend\n");
    ASSERT_EQ(c.size(), 9u);
    EXPECT_EQ(c[0].x1, 7.0);
    EXPECT_EQ(c[1].x1, 8.0);
    EXPECT_EQ(c[2].x1, 9.0);
    EXPECT_EQ(c[3].model, ConductorModel::Pw);
    EXPECT_EQ(c[4].model, ConductorModel::Vf);
    EXPECT_EQ(c[5].model, ConductorModel::Pw);
    EXPECT_EQ(c[6].x2, 1.0);
    EXPECT_EQ(c[6].x1, 0.0);
    EXPECT_EQ(c[7].nx, 3);
    EXPECT_EQ(c[8].nx, 4);
}

TEST_F(DeckReader, HeaderOptions)
{
    read(".partial y .freq 1 2 0 end line{ } end");
    EXPECT_TRUE(settings.partial);
    EXPECT_EQ(settings.npoints, 0);
    read(".partial yes .freq 1 2 3 end line{ } end");
    EXPECT_TRUE(settings.partial);
    read(".partial n .freq 1 2 3 end line{ } end");
    EXPECT_FALSE(settings.partial);
    // The header ends at the first "end": what follows it is no header.
    read(".freq 1 2 3 end .unit mm line{ x1=1 } end");
    EXPECT_EQ(settings.scale, 1.0);
    EXPECT_EQ(records.warnings.size(), 2u);
}

TEST_F(DeckReader, MissingFreqIsAWarningWhileReading)
{
    const auto c = read(".unit mm end line{ x1=1 } end");
    EXPECT_EQ(texts(records.warnings), std::vector<std::string>{".freq is missing!"});
    ASSERT_EQ(c.size(), 1u);
    EXPECT_FALSE(settings.freqGiven);
    EXPECT_EQ(c[0].x1, 0.001);
}

TEST(DeckWarnings, MissingFreqIsReturnedNotPrinted)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const DeckRecords missing = readDeckRecords(".unit mm end line{ } end");
    const DeckRecords given = readDeckRecords(".freq 1 2 3 end line{ } end");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(texts(missing.warnings), std::vector<std::string>{".freq is missing!"});
    EXPECT_TRUE(given.warnings.empty());
}

// The warning comes from the header, so it is there to be told even when a block is refused.
TEST(DeckWarnings, OutlastAFaultInTheBlocks)
{
    DeckRecords records;
    try {
        readDeckRecords(".unit mm end line{ x1= abc } end", records);
        ADD_FAILURE() << "the deck was not refused";
    } catch (const Error& error) {
        EXPECT_EQ(error.category(), ErrorCategory::Deck);
    }
    EXPECT_EQ(texts(records.warnings), std::vector<std::string>{".freq is missing!"});
}

TEST_F(DeckReader, ReportsInputErrors)
{
    const std::string h = Header;  // lines 1 and 2
    EXPECT_EQ(errorOf(h + "line{ }\nwire{ }\nend\n"), "error occur during reading input");
    EXPECT_EQ(category, ErrorCategory::UnreadableDeck);
    EXPECT_EQ(errorOf(".freq 1 2 3\nline{ }\n"), "the deck ends before the \"end\" of its header");
    EXPECT_EQ(category, ErrorCategory::Deck);
    EXPECT_EQ(errorOf(h), "the deck has no conductor block");
    EXPECT_EQ(errorOf(h + "line{ x1=1\n"), "the deck ends inside block 1 (line) before its \"}\"");
    EXPECT_EQ(errorOf(h + "line{ }\n* no end\n"), "the deck ends before its final \"end\"");
    EXPECT_EQ(errorOf(h + "line{ }\nplate\n"), "the deck ends before its final \"end\"");
    EXPECT_EQ(errorOf(".freq 1e6 abc 10\nend\n"), "deck line 1: .freq needs fmin, fmax and npoints; found 'abc'");
    EXPECT_EQ(errorOf(".freq 1 2\nend\n"), "deck line 2: .freq needs fmin, fmax and npoints; found 'end'");
    EXPECT_EQ(errorOf(".freq 1 2 3000000000 end"), "deck line 1: .freq npoints 3000000000 is out of range");
}

TEST_F(DeckReader, ReportsBadValuesInBlocks)
{
    const std::string h = std::string(Header) + "line{ }\n";  // block 1 on line 3
    const std::string at = "deck line 4, block 2 (plate): ";
    EXPECT_EQ(errorOf(h + "plate{ x1= abc }\nend\n"), at + "x1 needs a number; found 'abc'");
    EXPECT_EQ(errorOf(h + "plate{ y2 = 2.5e }\nend\n"), at + "y2 needs a number; found '2.5e'");
    EXPECT_EQ(errorOf(h + "plate{ nx = }\nend\n"), at + "nx needs a number; found '}'");
    EXPECT_EQ(errorOf(h + "plate{ x1 =abc }\nend\n"), at + "x1 needs a number; found '=abc'");
    EXPECT_EQ(errorOf(h + "plate{ sigma=-e3 }\nend\n"), at + "sigma needs a number; found 'sigma=-e3'");
    EXPECT_EQ(errorOf(h + "plate{ x1 5 }\nend\n"), at + "x1 needs \"=\" before its value; found '5'");
    EXPECT_EQ(errorOf(h + "plate{ x1 12 }\nend\n"), at + "x1 needs \"=\" before its value; found '12'");
    EXPECT_EQ(errorOf(h + "plate{ nx=99999999999 }\nend\n"), at + "nx 99999999999 is out of range");
    EXPECT_EQ(errorOf(h + "plate{ x1=}\nend\n"), at + "x1 has no value before \"}\"");
    EXPECT_EQ(errorOf(h + "plate{ x1 }\nend\n"), at + "x1 has no value before \"}\"");
    EXPECT_EQ(errorOf(h + "plate{ x1 =}\nend\n"), at + "x1 has no value before \"}\"");
    EXPECT_EQ(errorOf(h + "plate{ type= }\nend\n"), at + "type has no value before \"}\"");
    EXPECT_EQ(errorOf(h + "plate{ x1=1\n\nline{ }\nend\n"), "deck line 6, block 2 (plate): missing } before 'line{'");
    EXPECT_EQ(errorOf(h + "plate{ type=\nCircle { }\nend\n"),
              "deck line 5, block 2 (plate): missing } before 'Circle'");
}

// Each value form, and a value that is finite as written but not once the unit scales it
// (1e303 S per um).
TEST_F(DeckReader, RefusesValuesThatAreNotFiniteOrNotPositive)
{
    const std::string h = std::string(".unit um\n") + Header + "line{ }\n";  // block 1 on line 4
    const std::pair<const char*, const char*> cases[] = {
        {"x1=-inf }", "x1 must be a finite number; found '-inf'"},
        {"x2=1e400}", "x2 must be a finite number; found '1e400'"},
        {"xc =nan }", "xc must be a finite number; found 'nan'"},
        {"rad= 1e400}", "rad must be a finite number; found '1e400'"},
        {"v = nan }", "v must be a finite number; found 'nan'"},
        {"sigma=1e303 }", "sigma must be a finite number; found '1e303'"},
        {"sigma = 1e303}", "sigma must be a finite number; found '1e303'"},
        {"sigma=0 }", "sigma must be positive; found '0'"},
        {"sigma = -5.8e7}", "sigma must be positive; found '-5.8e7'"},
        {"sigma =1e-400 }", "sigma must be positive; found '1e-400'"},
    };
    for (const auto& [values, message] : cases)
        EXPECT_EQ(errorOf(h + "\nplate{ " + values + "\nend\n"),
                  std::string("deck line 6, block 2 (plate): ") + message)
            << values;
}

TEST_F(DeckReader, RefusesFractionsForWholeNumbers)
{
    // The fraction once became a comment that swallowed the rest of the line.
    const std::string h = std::string(Header) + "line{ }\n";  // block 1 on line 3
    const std::pair<const char*, const char*> cases[] = {
        {"nx = 5.5 x1=1\n}", "nx must be a whole number; found '5.5'"},
        {"nx= 5.5}", "nx must be a whole number; found '5.5'"},
        {"ny=5.5 x1=1\n}", "ny must be a whole number; found '5.5'"},
        {"ny =5.}", "ny must be a whole number; found '5.'"},
        {"nr = 2e1 x1=1\n}", "nr must be a whole number; found '2e1'"},
        {"nr=1e400 x1=1\n}", "nr must be a whole number; found '1e400'"},
    };
    for (const auto& [values, message] : cases)
        EXPECT_EQ(errorOf(h + "plate{ " + values + "\nend\n"), std::string("deck line 4, block 2 (plate): ") + message)
            << values;
}

TEST_F(DeckReader, RefusesFrequenciesThatAreNotFiniteAndFractionalPointCounts)
{
    EXPECT_EQ(errorOf(".freq 1 2 10.5 end"), "deck line 1: .freq npoints must be a whole number; found '10.5'");
    EXPECT_EQ(errorOf("*\n.freq nan 1e9 10\nend\n"), "deck line 2: .freq fmin must be a finite number; found 'nan'");
    EXPECT_EQ(errorOf(".freq 1e6\n1e400 10\nend\n"), "deck line 2: .freq fmax must be a finite number; found '1e400'");
    EXPECT_EQ(errorOf(".freq -inf 1e9 10 end"), "deck line 1: .freq fmin must be a finite number; found '-inf'");
    // Unknown header words stay harmless.
    read(".solve lu .freq 1 2 3 end line{ } end");
    EXPECT_EQ(settings.fmax, 2.0);
}

// Typos that once read as something else (metres, no value, 4 for "4,3", a value out of the
// solver's reach) are refused with their place; the odd forms sscanf reads whole stay valid.
TEST_F(DeckReader, RefusesTyposThatReadAsSomethingElse)
{
    const std::string h = std::string(Header) + "line{ }\n";  // block 1 on line 3
    const std::string line = "deck line 4, block 2 (line): ";
    const std::string dielectric = "deck line 4, block 2 (dielectric): ";
    const std::string lineKeys = "rx, ry, x1, x2, y1, y2, xc, yc, rad, v, sigma, nx, ny, nr and type";
    const std::string units = "deck line 2: .unit takes m, mm, cm, in, um, mils or ft; found ";
    const std::pair<std::string, std::string> cases[] = {
        {".freq 1 2 3\n.unit mil end line{ } end", units + "'mil'"},
        {".freq 1 2 3\n.unit end line{ } end", units + "'end'"},
        {".freq 1 2 3\n.partial maybe end line{ } end", "deck line 2: .partial takes yes or no; found 'maybe'"},
        {h + "line{ sigmaa=5e7 }\nend\n",
         line + "unknown keyword 'sigmaa=5e7'; the keywords of a line block are " + lineKeys},
        {h + "line{ er=4 }\nend\n", line + "unknown keyword 'er=4'; the keywords of a line block are " + lineKeys},
        {h + "line{ x1=1 foo}\nend\n", line + "unknown keyword 'foo'; the keywords of a line block are " + lineKeys},
        {h + "dielectric{ eps=4 }\nend\n",
         dielectric + "unknown keyword 'eps=4'; the keywords of a dielectric block are x1, x2, y1, y2, er and tand"},
        {h + "dielectric{ er=4,3 }\nend\n", dielectric + "er has characters after its number; found '4,3'"},
        {h + "line{ x2=5abc }\nend\n", line + "x2 has characters after its number; found '5abc'"},
        {h + "line{ ny =4x }\nend\n", line + "ny has characters after its number; found '4x'"},
        {h + "line{ x1= 0x1p3 }\nend\n", line + "x1 has characters after its number; found '0x1p3'"},
        {h + "line{ nx = 4*c\n}\nend\n", line + "nx has characters after its number; found '4*c'"},
        {h + "line{ type pw }\nend\n", line + "type needs \"=\" before its value; found 'pw'"},
        {h + "line{ type=copper }\nend\n", line + "type takes tl, pw or vf; found 'copper'"},
        {h + "dielectric{ er=1e308 }\nend\n", dielectric + "er must be at most 1e6; found '1e308'"},
        {h + "dielectric{ tand = 2e6}\nend\n", dielectric + "tand must be at most 1e6; found '2e6'"},
    };
    for (const auto& [deck, message] : cases) EXPECT_EQ(errorOf(deck), message) << deck;

    const auto c = read("\xEF\xBB\xBF.unit mm .freq 1 2 3 end line{ x1=1e x2=0x1p3 } dielectric{ er=1e6 tand=1e6} end");
    EXPECT_EQ(settings.scale, 0.001);  // the byte-order mark does not hide ".unit"
    EXPECT_EQ(c[0].x1, 1 * 0.001);
    EXPECT_EQ(c[0].x2, 8 * 0.001);
    EXPECT_EQ(records.dielectrics[0].er * records.dielectrics[0].tand, 1e12);
    EXPECT_TRUE(records.warnings.empty());
}

// A misspelt first block word, or a NUL byte before one, once made the block vanish unseen.
TEST_F(DeckReader, WarnsOfEachWordPassedOverBeforeTheFirstBlock)
{
    const auto c = read(std::string(".freq 1 2 3 * the end\nend\nplat{ x1=1 }\n") + '\0' + "line{ }\nline{ x1=2 } end");
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].x1, 2.0);
    EXPECT_EQ(texts(records.warnings),
              (std::vector<std::string>{"deck line 2: 'end' before the first block is ignored",  // after "* the end"
                                        "deck line 3: 'plat{' before the first block is ignored",
                                        "deck line 3: 'x1=1' before the first block is ignored",
                                        "deck line 3: '}' before the first block is ignored",
                                        "deck line 4: '\\x00line{' before the first block is ignored",
                                        "deck line 4: '}' before the first block is ignored"}));
    EXPECT_EQ(records.warnings[0].kind, DeckWarning::Kind::IgnoredWord);
}

TEST_F(DeckReader, RefusesBlockWordsThatOpenNoBlock)
{
    EXPECT_EQ(errorOf(".freq 1 2 3\nline\nend\nline{ }\nend\n"), "deck line 3: 'line' is followed by 'end', not \"{\"");
    EXPECT_EQ(errorOf(".freq 1 2 3 end plate x1=1 { } end"), "deck line 1: 'plate' is followed by 'x1=1', not \"{\"");
    EXPECT_EQ(errorOf(".freq 1 2 3 end\n{ x1=1 } end"), "deck line 2: \"{\" has no block word before it");
    EXPECT_EQ(errorOf(".freq 1 2 3 end line{ }\n* c\n{ x1=1 } end"), "deck line 3: \"{\" has no block word before it");
}

TEST(DeckFile, MissingDeckOrDirectoryIsNamed)
{
    const std::string missing = testing::TempDir() + "no/such/deck";
    auto errorOf = [](const std::string& path) -> std::string {
        try {
            readDeckFile(path);
        } catch (const Error& error) {
            EXPECT_EQ(error.category(), ErrorCategory::File);
            return error.what();
        }
        return "no error";
    };
    EXPECT_EQ(errorOf(missing), "cannot open the deck '" + missing + "': No such file or directory");
    EXPECT_EQ(errorOf(testing::TempDir()), "the deck '" + testing::TempDir() + "' is a directory");
}

TEST(DeckSweep, RefusesMeaninglessSweeps)
{
    auto errorOf = [](double fmin, double fmax, int npoints, bool given) -> std::string {
        RunSettings s;
        s.fmin = fmin;
        s.fmax = fmax;
        s.npoints = npoints;
        s.freqGiven = given;
        try {
            checkSweep(s);
        } catch (const Error& error) {
            EXPECT_EQ(error.category(), ErrorCategory::Deck);
            return error.what();
        }
        return "";
    };
    EXPECT_EQ(errorOf(1e6, 1e9, 10, true), "");
    EXPECT_EQ(errorOf(0, 1e9, 0, true), "");  // one point at fmax
    EXPECT_EQ(errorOf(1e6, 1e9, 10, false), "the deck has no \".freq\": no frequency sweep is given");
    EXPECT_EQ(errorOf(1e6, 0, 10, true), ".freq: fmax must be positive; the deck gives 0");
    EXPECT_EQ(errorOf(-1, 1e9, 1, true), ".freq: fmin must be positive for a sweep of 1 intervals; the deck gives -1");
    EXPECT_EQ(errorOf(1e6, 1e9, -2, true), ".freq: npoints must not be negative; the deck gives -2");
    EXPECT_EQ(errorOf(1e10, 1e6, 10, true),
              ".freq: fmin must not be above fmax; the deck gives fmin 1e+10 and fmax 1e+06");
    EXPECT_EQ(errorOf(1e10, 1e6, 0, true), "");  // fmax alone
}

}  // namespace

TEST_F(DeckReader, SolverAndAccuracyDirectives)
{
    read(".freq 1 2 3 end line{ } end");
    EXPECT_EQ(settings.solver, Solver::Exact);
    read(".freq 1 2 3 .SOLVER LU end line{ } end");
    EXPECT_EQ(settings.solver, Solver::Lu);
    EXPECT_EQ(errorOf(".freq 1 2 3\n.solver fast end line{ } end"),
              "deck line 2: .solver takes exact or lu; found 'fast'");
    EXPECT_EQ(settings.accuracy, Accuracy::Normal);
    read(".freq 1 2 3\n.accuracy high end line{ } end");
    EXPECT_EQ(settings.accuracy, Accuracy::High);
    EXPECT_EQ(errorOf(".freq 1 2 3\n.accuracy best end line{ } end"),
              "deck line 2: .accuracy takes normal or high; found 'best'");
}

TEST_F(DeckReader, ReadsDielectricBlocksBesideTheConductors)
{
    const auto c = read(".unit mm\n" + std::string(Header) +  // lines 1 to 3
                        "dielectric{ x1=-1 x2 = 1 y1= 0 y2 =2 er=4.3 tand = 0.02 }  * FR-4\n"
                        "line{ x1=0 x2=1 y1=2 y2=3 }\n"
                        "dielectric {\n  x1 =5 x2=6 * the value forms of every block\n y1=0 y2=1 er= 2 }\n"
                        "DIELECTRIC{ X1=10 X2=11 Y1=0 Y2=1}\n"
                        "end\n");
    ASSERT_EQ(c.size(), 1u);  // the conductors only
    EXPECT_EQ(settings.plateCount, 0);
    EXPECT_EQ(settings.lineCount, 1);
    EXPECT_TRUE(settings.capacitance);
    const std::vector<DielectricBlock>& d = records.dielectrics;
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0].x1, -1 * 0.001);
    EXPECT_EQ(d[0].y2, 2 * 0.001);
    EXPECT_EQ(d[0].er, 4.3);
    EXPECT_EQ(d[0].tand, 0.02);
    EXPECT_EQ(d[1].x1, 5 * 0.001);
    EXPECT_EQ(d[1].er, 2.0);
    EXPECT_EQ(d[2].x2, 11 * 0.001);
    EXPECT_EQ(d[2].er, 1.0);  // defaults
    EXPECT_EQ(d[2].tand, 0.0);
    EXPECT_EQ(d[0].blockNumber, 1);
    EXPECT_EQ(d[1].blockNumber, 3);
    EXPECT_EQ(d[2].blockNumber, 4);
    EXPECT_EQ(d[0].deckLine, 4);
    EXPECT_EQ(d[1].deckLine, 6);
    EXPECT_EQ(d[2].deckLine, 9);
    read(std::string(Header) + "line{ } end");
    EXPECT_TRUE(records.dielectrics.empty());
    EXPECT_FALSE(settings.capacitance);
}

TEST_F(DeckReader, CapacitanceDirectives)
{
    read(".freq 1 2 3 end line{ } end");
    EXPECT_FALSE(settings.capacitance);
    EXPECT_EQ(settings.capacitancePanels, 12);
    read(".capacitance YES .cpanels 20 .freq 1 2 3 end line{ } end");
    EXPECT_TRUE(settings.capacitance);
    EXPECT_EQ(settings.capacitancePanels, 20);
    read(".capacitance n .freq 1 2 3 end line{ } end");
    EXPECT_FALSE(settings.capacitance);
    const std::string at = "deck line 2: ";
    EXPECT_EQ(errorOf(".freq 1 2 3\n.capacitance maybe end line{ } end"),
              at + ".capacitance takes yes or no; found 'maybe'");
    EXPECT_EQ(errorOf(".freq 1 2 3\n.cpanels many end line{ } end"),
              at + ".cpanels needs a number of panels; found 'many'");
    EXPECT_EQ(errorOf(".freq 1 2 3\n.cpanels 5.5 end line{ } end"),
              at + ".cpanels must be a whole number; found '5.5'");
    EXPECT_EQ(errorOf(".freq 1 2 3\n.cpanels 0 end line{ } end"), at + ".cpanels 0 is out of range (1 to 1000)");
    EXPECT_EQ(errorOf(".freq 1 2 3\n.cpanels 1001 end line{ } end"), at + ".cpanels 1001 is out of range (1 to 1000)");
}

TEST_F(DeckReader, RefusesBadDielectricValues)
{
    const std::string h = std::string(Header) + "line{ }\n";  // block 1 on line 3
    const std::string at = "deck line 4, block 2 (dielectric): ";
    EXPECT_EQ(errorOf(h + "dielectric{ er=0.5 }\nend\n"), at + "er must be at least 1; found '0.5'");
    EXPECT_EQ(errorOf(h + "dielectric{ tand = -0.01 }\nend\n"), at + "tand must be zero or more; found '-0.01'");
    EXPECT_EQ(errorOf(h + "dielectric{ er= inf }\nend\n"), at + "er must be a finite number; found 'inf'");
    EXPECT_EQ(errorOf(h + "dielectric{ x1=1e400 }\nend\n"), at + "x1 must be a finite number; found '1e400'");
    EXPECT_EQ(errorOf(h + "dielectric{ y2 = abc }\nend\n"), at + "y2 needs a number; found 'abc'");
    EXPECT_EQ(errorOf(h + "dielectric{ er=2\nline{ }\nend\n"),
              "deck line 5, block 2 (dielectric): missing } before 'line{'");
    EXPECT_EQ(errorOf(std::string(Header) + "dielectric{ er=2 }\nend\n"), "the deck has no conductor block");
}

}  // namespace xsrl
