// Whole runs with command-line options: help, errors, threads, exports and progress.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <regex>
#include <thread>

#include "cli/command_line.h"
#include "cli/run_deck.h"
#include "export/touchstone.h"
#include "numerics/matrix.h"
#include "xsrl/xsrl.h"

namespace xsrl {

namespace {

const std::string kDeck = ".freq 1e6 1e9 3\n.unit um\nend\n"
                          "plate{ x1=-300 x2=300 y1=-10 y2=0 v=0 }\n"
                          "line{ x1=-60 x2=-10 y1=100 y2=110 nx=3 ny=1 }\n"
                          "line{ x1=10 x2=60 y1=100 y2=110 nx=3 ny=1 }\n"
                          "end\n";

// The table holds what the reports hold (Zs, and Cs when there is one), per metre instead of per
// deck unit, at full precision.
void expectCsvCarriesTheReports(const ProgramRun& run, const std::string& csvName, const std::string& deck)
{
    const double scale = readDeckText(deck).scale();
    const std::vector<ReportBlock> impedance = parseReport(run.file("Zs"));
    const std::vector<ReportBlock> capacitance = parseReport(run.file("Cs"), CsHeading);
    ASSERT_EQ(capacitance.empty(), !run.has("Cs"));
    std::istringstream rows(run.file(csvName));
    std::string row, cell;
    std::getline(rows, row);  // the header
    // A value as the reports print it, per deck unit.
    auto printed = [](double value, double scale) {
        char text[40];
        std::snprintf(text, sizeof text, "%10.4le", value * scale);
        return std::strtod(text, nullptr);
    };
    for (size_t k = 0; k < impedance.size(); ++k) {
        ASSERT_TRUE(std::getline(rows, row));
        std::vector<double> values;
        for (std::istringstream cells(row); std::getline(cells, cell, ',');)
            values.push_back(std::strtod(cell.c_str(), nullptr));
        const size_t entries = impedance[k].r.size();
        ASSERT_EQ(values.size(), 1 + (capacitance.empty() ? 2 : 4) * entries);
        EXPECT_EQ(printed(values[0], 1.0), impedance[k].frequency);
        for (size_t e = 0; e < entries; ++e) {
            EXPECT_EQ(printed(values[1 + e], scale), impedance[k].r[e]);
            EXPECT_EQ(printed(values[1 + entries + e], scale), impedance[k].l[e]);
            if (capacitance.empty()) continue;
            EXPECT_EQ(printed(values[1 + 2 * entries + e], scale), capacitance[k].r[e]);
            EXPECT_EQ(printed(values[1 + 3 * entries + e], scale), capacitance[k].l[e]);
        }
    }
    EXPECT_FALSE(std::getline(rows, row));
}

// Runs xsrl in `folder` with standard error on a pseudo-terminal; returns what the terminal got.
std::string stderrOnATerminal(const std::string& args, const std::string& folder)
{
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return "no terminal";
    const std::string command = "cd '" + folder + "' && '" XSRL_BINARY "' " + args + " >stdout.txt";
    const pid_t child = fork();
    if (child == 0) {
        dup2(slave, STDERR_FILENO);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    fcntl(master, F_SETFL, O_NONBLOCK);
    std::string received;
    auto drain = [&] {
        char buffer[4096];
        for (ssize_t got; (got = read(master, buffer, sizeof buffer)) > 0;) received.append(buffer, got);
    };
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    drain();
    close(master);
    close(slave);
    return received;
}

}  // namespace

TEST(RunOptions, HelpVersionAndBadOptionsStopBeforeAnyWork)
{
    const ProgramRun help = runProgram("--threads 2 -h");
    const ProgramRun version = runProgram("--version");
    EXPECT_EQ(help.status + version.status, 0);
    EXPECT_EQ(help.out, helpText(XSRL_BINARY));
    EXPECT_TRUE(std::regex_match(version.out, std::regex("xsrl \\d+\\.\\d+\\.\\d+\n"))) << version.out;

    const std::string folder = makeTempFolder();
    std::ofstream(folder + "/deck.txt") << kDeck;
    for (const std::string args : {"--frob deck.txt w", "deck.txt w --threads 0", "deck.txt w --export"}) {
        const ProgramRun run = runProgram(args, folder);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_TRUE(
            std::regex_match(run.out, std::regex("\nERROR: [^\n]+\nUsage: " XSRL_BINARY " <input file> <w/r>\n")))
            << run.out;
        EXPECT_FALSE(run.has("Zs") || run.has("induc") || run.has("plate")) << args;
    }
}

TEST(RunOptions, ThreadsAndProgressChangeNoByteOfTheResults)
{
    const ProgramRun plain = runDeck(kDeck);
    ASSERT_EQ(plain.status, 0) << plain.out;
    EXPECT_EQ(withoutNotes(plain.err), "");
    for (const std::string args : {"--threads 1 deck.txt w", "deck.txt --threads=3 w --no-progress", "-- deck.txt w"}) {
        const std::string folder = makeTempFolder();
        std::ofstream(folder + "/deck.txt") << kDeck;
        const ProgramRun run = runProgram(args, folder);
        EXPECT_EQ(run.status, 0) << args;
        EXPECT_EQ(withoutElapsedTime(run.out), withoutElapsedTime(plain.out)) << args;
        EXPECT_EQ(run.err, plain.err) << args;
        for (const std::string file : {"Zs", "induc", "plate"})
            EXPECT_EQ(run.file(file), plain.file(file)) << args << file;
    }
}

TEST(RunProgress, ShownOnATerminalOrWhenForcedAndErasedAtTheEnd)
{
    const std::string folder = makeTempFolder();
    std::ofstream(folder + "/deck.txt") << kDeck;
    const ProgramRun quiet = runProgram("deck.txt w", folder);
    const ProgramRun forced = runProgram("deck.txt w --progress", folder);
    EXPECT_EQ(withoutElapsedTime(forced.out), withoutElapsedTime(quiet.out));
    EXPECT_EQ(withoutNotes(quiet.err), "");
    for (const std::string& shown : {withoutNotes(forced.err), withoutNotes(stderrOnATerminal("deck.txt w", folder))}) {
        EXPECT_TRUE(
            std::regex_match(shown, std::regex("\rinductance fill +\\d+%  elapsed 0:\\d\\d  remaining [^\r]+(\r[^\r]+)*"
                                               "\r *\r\rsweep +\\d+%[^\r]*(\r[^\r]+)*\r *\r")))
            << shown;
    }
    // Reading induc back has no fill to show.
    EXPECT_EQ(stderrOnATerminal("deck.txt r", folder).find("inductance fill"), std::string::npos);
    EXPECT_EQ(withoutNotes(stderrOnATerminal("--no-progress deck.txt w", folder)), "");
}

// A run that computes C ends with the L-C check on standard error, which the line models
// carry as a comment; with plates at normal accuracy a note says the lines were simplified.
TEST(RunNotes, LcCheckOnStandardErrorAndInTheLineModels)
{
    const std::string folder = makeTempFolder();
    const std::string deck = std::regex_replace(kDeck, std::regex("\nend\n"), "\n.capacitance yes\nend\n",
                                                std::regex_constants::format_first_only);
    std::ofstream(folder + "/bus.deck") << deck;
    const ProgramRun run = runProgram("--export rlgc,touchstone --length 1000 bus.deck w", folder);
    ASSERT_EQ(run.status, 0) << run.out;
    std::smatch note;
    ASSERT_TRUE(std::regex_match(
        run.err, note,
        std::regex("note: with plates, the lines' nx ny rx ry type are replaced by one ribbon per face\n"
                   "note: (L-C check (\\d\\.\\de-0\\d) \\(largest entry of c0\\^2 \\(L - R/omega\\) C0 - I at "
                   "f=1\\.0000e\\+09 Hz\\)); \\.accuracy high refines\n")))
        << run.err;
    EXPECT_LT(std::stod(note[2]), 0.05);  // the strips' L and C agree to a few percent
    EXPECT_NE(run.file("bus.rlgc").find("\n* " + note[1].str() + "\n"), std::string::npos);
    EXPECT_NE(run.file("bus.s4p").find("\n! " + note[1].str() + "\n"), std::string::npos);

    const ProgramRun high = runDeck(".accuracy high\n" + deck);
    EXPECT_TRUE(std::regex_match(high.err, std::regex("note: L-C check [^;\n]+\\)\n"))) << high.err;
    // A partial report without plates: the check of the loops it holds.
    const ProgramRun wires = runDeck(".freq 1e9 1e9 0\n.unit mm\n.partial yes\n.capacitance yes\nend\n"
                                     "circle{ xc=0 yc=0 rad=0.5 nr=16 }\ncircle{ xc=2 yc=0 rad=0.5 nr=16 }\nend\n");
    EXPECT_TRUE(std::regex_match(wires.err, std::regex("note: L-C check \\d\\.\\de-0\\d \\(largest difference down "
                                                       "a column of [^;\n]+ Hz\\)\n")))
        << wires.err;
}

TEST(RunExports, RefusedBeforeAnyWorkWhenTheyCannotBeMade)
{
    const std::string folder = makeTempFolder();
    std::ofstream(folder + "/bus.deck") << kDeck;
    for (const std::string args : {"--export rlgc", "--export csv,touchstone --length 1000"}) {
        const ProgramRun run = runProgram(args + " bus.deck w", folder);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_NE(
            run.out.find("\nERROR: " + std::string(args.find("rlgc") != std::string::npos ? "rlgc" : "touchstone") +
                         " needs the capacitance: add .capacitance yes\n"),
            std::string::npos)
            << run.out;
        for (const std::string file : {"Zs", "induc", "plate", "bus.csv"}) EXPECT_FALSE(run.has(file)) << args << file;
    }
    ASSERT_EQ(mkdir((folder + "/bus.csv").c_str(), 0755), 0);
    const ProgramRun blocked = runProgram("--export csv bus.deck w", folder);
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.out.find("ERROR: cannot open bus.csv for writing: Is a directory\n"), std::string::npos)
        << blocked.out;
    EXPECT_FALSE(blocked.has("induc"));
}

// An export is written whole or not at all: beyond a file-size limit (as on a full disk) the
// run says so and fails, and the file there before is left as it was, with no part file beside.
TEST(RunExports, WrittenWholeOrNotAtAll)
{
    const std::string folder = makeTempFolder();
    std::ofstream(folder + "/bus.deck") << ".capacitance yes\n" + kDeck;
    ASSERT_EQ(runProgram("bus.deck w", folder).status, 0);
    std::ofstream(folder + "/bus.s4p") << "old\n";
    // 1024 bytes: room for Zs and Cs, not for the 4-port file (about 3 kB).
    const ProgramRun limited = runProgram("--export touchstone --length 1e5 bus.deck r", folder, "ulimit -f 2; ");
    EXPECT_EQ(limited.status, 1);
    EXPECT_NE(limited.out.find("\nERROR: cannot write bus.s4p: File too large\n"), std::string::npos) << limited.out;
    EXPECT_EQ(limited.file("bus.s4p"), "old\n");
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_NE(entry.path().filename().string().rfind(".xsrl-", 0), 0u) << entry.path();
}

// A run never writes over the deck it reads, whichever of its files would: refused before any
// work, the deck left as it was.
TEST(RunExports, NeverWrittenOverTheDeck)
{
    const std::string deck = ".capacitance yes\n" + kDeck;
    const std::pair<std::string, std::string> cases[] = {
        {"--export csv bus.csv w", "bus.csv"},  // the deck copied to the export's name
        {"Zs w", "Zs"},
        {"link.deck w", "plate"},  // a link to a file the run writes
    };
    for (const auto& [args, output] : cases) {
        const std::string folder = makeTempFolder();
        const std::string deckFile = args.rfind("link", 0) == 0 ? "plate" : output;
        std::ofstream(folder + "/" + deckFile) << deck;
        std::filesystem::create_symlink(deckFile, folder + "/link.deck");
        const ProgramRun run = runProgram(args, folder);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_NE(run.out.find("\nERROR: " + output + " would be written over the deck "), std::string::npos)
            << run.out;
        EXPECT_EQ(run.file(deckFile), deck) << args;
        EXPECT_FALSE(run.has("induc")) << args;
    }
}

TEST(RunExports, LineModelsAreBuiltFromTheSameSweepAsTheTable)
{
    const std::string folder = makeTempFolder();
    std::ofstream(folder + "/bus.deck") << ".capacitance yes\n" + kDeck;
    const ProgramRun run = runProgram("--export touchstone,rlgc,csv --length 1e5 --z0 40 bus.deck w", folder);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(run.has("Cs") && run.has("bus.rlgc"));

    // The table at full precision gives back every S-parameter of the 10 cm line bit for bit.
    const double micrometre = 1e-6;  // the scale of ".unit um"
    std::istringstream rows(run.file("bus.csv")), touchstone(run.file("bus.s4p"));
    std::string row, cell;
    std::getline(rows, row);
    std::vector<double> parameters;
    for (std::string line; std::getline(touchstone, line);) {
        if (line[0] == '#') {
            EXPECT_EQ(line, "# Hz S RI R 40");
        }
        std::istringstream numbers(line[0] == '!' || line[0] == '#' ? "" : line);
        parameters.insert(parameters.end(), std::istream_iterator<double>(numbers), std::istream_iterator<double>());
    }
    auto next = parameters.begin();
    while (std::getline(rows, row)) {
        std::vector<double> values;
        for (std::istringstream cells(row); std::getline(cells, cell, ',');)
            values.push_back(std::strtod(cell.c_str(), nullptr));
        ASSERT_EQ(values.size(), 17u);
        FrequencyPoint point{values[0], dmatrix(2, 2), dmatrix(2, 2), dmatrix(2, 2), dmatrix(2, 2)};
        for (int i = 0; i < 16; ++i)
            (i < 4 ? point.r : i < 8 ? point.l : i < 12 ? point.c : point.g)[i % 4 / 2][i % 2] = values[1 + i];
        const ComplexMatrix s = lineScattering(point, 1e5 * micrometre, 40);
        ASSERT_EQ(*next++, point.frequency);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(*next++, s[i / 4][i % 4].re);
            EXPECT_EQ(*next++, s[i / 4][i % 4].im);
        }
    }
    EXPECT_EQ(next, parameters.end());
}

TEST(Examples, RunWithTheCsvExport)
{
    int decks = 0;
    for (const auto& entry : std::filesystem::directory_iterator(XSRL_SOURCE_DIR "/examples")) {
        if (entry.path().extension() != ".deck") continue;
        ++decks;
        const ProgramRun run = runProgram("--export csv '" + entry.path().string() + "' w");
        EXPECT_EQ(run.status, 0) << entry.path();
        EXPECT_EQ(withoutNotes(run.err), "") << entry.path();
        expectCsvCarriesTheReports(run, entry.path().stem().string() + ".csv", readFile(entry.path().string()));
    }
    EXPECT_GE(decks, 5);
}

}  // namespace xsrl
