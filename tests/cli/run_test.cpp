#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

#include "run_deck.h"

namespace xsrl {

namespace {

// Two thin strips side by side; the second is the ground unless `v` says otherwise.
std::string stripsDeck(const std::string& header, const std::string& secondV = "0", const std::string& extra = "")
{
    return header +
           "\nend\n"
           "line{ x1=0 x2=100 y1=0 y2=5 nx=2 ny=1 }\n"
           "line{ x1=200 x2=300 y1=0 y2=5 nx=2 ny=1 v=" +
           secondV + " }\n" + extra + "end\n";
}

const char* const kUnitHeader = ".unit um\n";

}  // namespace

TEST(Run, WrongArgumentCountPrintsUsageAndWritesNothing)
{
    for (const std::string args : {"", "deck.txt w extra", "deck.txt"}) {
        const ProgramRun run = runProgram(args);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_EQ(run.out, "\nUsage: " XSRL_BINARY " <input file> <w/r>\n") << args;
        EXPECT_FALSE(run.has("Zs") || run.has("induc") || run.has("plate")) << args;
    }
}

TEST(Run, DeckIsReadOnceSoThatAPipeWorks)
{
    const std::string folder = makeTempFolder();
    std::ofstream(folder + "/deck.txt") << stripsDeck(kUnitHeader + std::string(".freq 1e6 1e8 0"));
    const ProgramRun piped = runProgram("/dev/stdin w < deck.txt", folder);
    EXPECT_EQ(piped.status, 0) << piped.out;
    EXPECT_EQ(parseReport(piped.file("Zs")).size(), 1u);
}

TEST(Run, SweepPointsAndExitStatus)
{
    struct Case {
        std::string freq;
        std::vector<double> frequencies;
        int status;
    };
    for (const Case& c : {Case{".freq 1e6 1e8 2", {1e6, 1e7, 1e8}, 0}, Case{".freq 1e6 1e8 1", {1e6}, 1},
                          Case{".freq 1e6 1e8 0", {1e8}, 0}}) {
        const ProgramRun run = runDeck(stripsDeck(kUnitHeader + c.freq));
        EXPECT_EQ(run.status, c.status) << c.freq;
        const std::vector<ReportBlock> blocks = parseReport(run.file("Zs"));
        ASSERT_EQ(blocks.size(), c.frequencies.size()) << c.freq;
        for (size_t k = 0; k < blocks.size(); ++k) EXPECT_DOUBLE_EQ(blocks[k].frequency, c.frequencies[k]) << c.freq;
        EXPECT_NE(run.out.find("Total Elapsed time="), std::string::npos) << c.freq;
    }
}

TEST(Run, ReportSizeFollowsThePartialOptionAndTheSignalCount)
{
    const std::string third = "line{ x1=400 x2=500 y1=0 y2=5 nx=2 ny=1 }\n";
    struct Case {
        std::string header;
        std::string secondV;
        std::string extra;
        int size;
    };
    for (const Case& c : {Case{".partial yes", "0", third, 3}, Case{".partial no", "0", third, 2},
                          Case{".partial no", "1", "line{ x1=400 x2=500 y1=0 y2=5 nx=2 ny=1 v=0 }\n", 2},
                          Case{".partial no", "0", "", 1}}) {
        const ProgramRun run =
            runDeck(stripsDeck(std::string(kUnitHeader) + ".freq 1e6 1e6 0\n" + c.header, c.secondV, c.extra));
        ASSERT_EQ(run.status, 0) << run.out;
        const std::vector<ReportBlock> blocks = parseReport(run.file("Zs"));
        ASSERT_EQ(blocks.size(), 1u);
        EXPECT_EQ(blocks[0].size, c.size) << c.header << " " << c.extra;
        EXPECT_EQ(blocks[0].r.size(), static_cast<size_t>(c.size * c.size));
    }
}

TEST(Run, SingleConductorIsReportedWhateverItsExcitation)
{
    const ProgramRun run = runDeck(".freq 1e6 1e6 0\n.unit um\nend\nline{ x1=0 x2=100 y1=0 y2=5 v=0 }\nend\n");
    ASSERT_EQ(run.status, 0) << run.out;
    const std::vector<ReportBlock> blocks = parseReport(run.file("Zs"));
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].size, 1);
}

TEST(Run, BlockTextFormat)
{
    const ProgramRun run = runDeck(stripsDeck(".freq 1e6 1e6 0\n.unit um\n.partial yes"));
    ASSERT_EQ(run.status, 0) << run.out;
    const std::string number = "[ -]\\d\\.\\d{4}e[+-]\\d{2}";
    const std::string entry = "\\(" + number + "," + number + "\\)  ";
    const std::regex block("\nImpedance 2 x 2 matrix \\(R,L\\) at f=1\\.0000e\\+06 Hz\n(" + entry + entry + "\n){2}");
    EXPECT_TRUE(std::regex_match(run.file("Zs"), block)) << run.file("Zs");
}

TEST(Run, ReadModeReusesTheStoredInductancesAndRefusesAForeignFile)
{
    const std::string deck = stripsDeck(".freq 1e6 1e9 3\n.unit um");
    const ProgramRun written = runDeck(deck, "write");
    ASSERT_EQ(written.status, 0) << written.out;
    const std::string induc = written.file("induc");
    // 12 ribbons: 12 * 13 / 2 lines.
    EXPECT_EQ(std::count(induc.begin(), induc.end(), '\n'), 78);

    const ProgramRun read = runDeck(deck, "r", written.folder);
    ASSERT_EQ(read.status, 0) << read.out;
    EXPECT_EQ(read.file("Zs"), written.file("Zs"));

    const ProgramRun other =
        runDeck(stripsDeck(".freq 1e6 1e9 3\n.unit um", "0", "line{ x1=400 x2=500 y1=0 y2=5 }\n"), "r", written.folder);
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.out.find("ERROR: induc does not match this deck"), std::string::npos) << other.out;
}

TEST(Run, StoredInductancesMustBeFiniteAndFitTheStructure)
{
    const std::string deck = stripsDeck(".freq 1e6 1e9 3\n.unit um");
    const ProgramRun written = runDeck(deck, "w");
    ASSERT_EQ(written.status, 0) << written.out;
    // Same ribbon count, second strip moved: the file belongs to another structure.
    std::string moved = deck;
    moved.replace(moved.find("x1=200 x2=300"), 13, "x1=250 x2=350");
    const ProgramRun foreign = runDeck(moved, "r", written.folder);
    EXPECT_EQ(foreign.status, 1);
    EXPECT_NE(foreign.out.find("ERROR: induc was computed for a different structure; run again with w\n"),
              std::string::npos)
        << foreign.out;

    const std::string induc = written.file("induc");
    std::ofstream(written.folder + "/induc") << std::regex_replace(induc, std::regex("\n0 5 \\S+\n"), "\n0 5 nan\n");
    const ProgramRun notFinite = runDeck(deck, "r", written.folder);
    EXPECT_EQ(notFinite.status, 1);
    EXPECT_NE(notFinite.out.find("ERROR: induc holds a value that is not finite, 'nan' for ribbons 0 and 5\n"),
              std::string::npos)
        << notFinite.out;

    // A finite value that drives the ribbon matrix to infinity: the report is written in full,
    // and the run fails naming the first frequency.
    std::ofstream(written.folder + "/induc") << std::regex_replace(induc, std::regex("\n2 3 \\S+\n"), "\n2 3 1e300\n");
    const ProgramRun overflow = runDeck(deck, "r", written.folder);
    EXPECT_EQ(overflow.status, 1);
    EXPECT_EQ(parseReport(overflow.file("Zs")).size(), 4u);
    EXPECT_NE(overflow.out.find("ERROR: Zs holds values that are not finite, first at f=1.0000e+06 Hz\n"),
              std::string::npos)
        << overflow.out;
    EXPECT_EQ(overflow.out.find("Elapsed"), std::string::npos);
    // Standard error tells of each singular matrix: the ribbon matrix and then the loop
    // matrix, at each of the four frequencies.
    std::string singular;
    for (int k = 0; k < 8; ++k) singular += "\nSingular Matrix Error **\n";
    EXPECT_EQ(overflow.err, singular);

    std::filesystem::remove(written.folder + "/induc");
    EXPECT_NE(runDeck(deck, "r", written.folder)
                  .out.find("ERROR: cannot open induc for reading: No such file or directory\n"),
              std::string::npos);
    std::filesystem::create_directory(written.folder + "/induc");
    EXPECT_NE(runDeck(deck, "r", written.folder).out.find("ERROR: induc is a directory\n"), std::string::npos);
}

TEST(Run, OutputThatCannotBeWrittenIsAnError)
{
    const std::string deck = stripsDeck(".freq 1e6 1e6 0\n.unit um");
    // A folder in the report's place is noticed before the costly fill.
    const std::string folder = makeTempFolder();
    ASSERT_EQ(mkdir((folder + "/Zs").c_str(), 0755), 0);
    const ProgramRun run = runDeck(deck, "w", folder);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("ERROR: cannot open Zs for writing: Is a directory\n"), std::string::npos) << run.out;
    EXPECT_FALSE(run.has("induc"));

    // A write that fails (here beyond a file-size limit of 512 bytes) is named.
    const std::string withPlate =
        ".freq 1e6 1e9 10\nend\nplate{ x1=-5 x2=5 y1=-1 y2=0 v=0 }\nline{ x2=1 y1=1 y2=2 }\nend\n";
    const std::string limited = makeTempFolder();
    std::ofstream(limited + "/deck.txt") << withPlate;
    const std::string limit = "trap '' XFSZ; ulimit -f 1; ";
    const ProgramRun lostInduc = runProgram("deck.txt w", limited, limit);
    EXPECT_EQ(lostInduc.status, 1);
    EXPECT_NE(lostInduc.out.find("ERROR: cannot write induc: File too large\n"), std::string::npos) << lostInduc.out;
    ASSERT_EQ(runProgram("deck.txt w", limited).status, 0);
    const ProgramRun lostReport = runProgram("deck.txt r", limited, limit);
    EXPECT_EQ(lostReport.status, 1);
    EXPECT_NE(lostReport.out.find("ERROR: cannot write Zs: File too large\n"), std::string::npos) << lostReport.out;

    // A device or a FIFO in the place of a run file is refused before the costly fill: a FIFO
    // without a reader once blocked the run for ever.
    for (const std::string file : {"Zs", "Cs", "induc", "plate"}) {
        const std::string folder = makeTempFolder();
        std::filesystem::create_symlink("/dev/full", folder + "/" + file);
        const ProgramRun refused = runDeck(".capacitance yes\n" + withPlate, "w", folder);
        EXPECT_EQ(refused.status, 1) << file;
        EXPECT_NE(refused.out.find("ERROR: " + file + " is not a regular file\n"), std::string::npos) << refused.out;
    }
    const std::string fifoFolder = makeTempFolder();
    ASSERT_EQ(mkfifo((fifoFolder + "/Zs").c_str(), 0644), 0);
    const int holder = open((fifoFolder + "/Zs").c_str(), O_RDWR);  // had the check gone, the run would not block
    const ProgramRun fifo = runDeck(withPlate, "w", fifoFolder);
    close(holder);
    EXPECT_EQ(fifo.status, 1);
    EXPECT_NE(fifo.out.find("ERROR: Zs is not a regular file\n"), std::string::npos) << fifo.out;
    EXPECT_FALSE(fifo.has("induc"));
}

// What a run needs of its files is checked before the capacitance solve and the fill: the
// induc that mode r reads, and export names the system takes (no more than 255 bytes).
TEST(Run, RunFilesAreCheckedBeforeAnyCostlyStage)
{
    const std::string deck = stripsDeck(".freq 1e6 1e8 2\n.unit um\n.capacitance yes");
    const ProgramRun noInduc = runDeck(deck, "r");
    EXPECT_EQ(noInduc.status, 1);
    EXPECT_EQ(noInduc.out, "\n\nTotal 12 ribbons, 2 conductor\nERROR: cannot open induc for reading: No such file or "
                           "directory\n");  // no panels cut yet

    const std::string folder = makeTempFolder();
    const std::string longName(252, 'a');  // the deck's name fits; with ".csv" it does not
    std::ofstream(folder + "/" + longName) << deck;
    const ProgramRun tooLong = runProgram("--export csv " + longName + " w", folder);
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_NE(tooLong.out.find("ERROR: cannot open " + longName + ".csv for writing: File name too long\n"),
              std::string::npos)
        << tooLong.out;
    EXPECT_FALSE(tooLong.has("Zs") || tooLong.has("induc"));
}

// A word the reader passes over is told on standard error, and the run goes on as before;
// --strict refuses the deck instead.
TEST(Run, DeckWarningsGoToStandardErrorOrEndAStrictRun)
{
    const std::string clean = stripsDeck(".freq 1e6 1e8 2\n.unit um");
    std::string typo = clean;
    typo.insert(clean.find("end\n") + 4, "plat{ x1=0 }\n");
    const ProgramRun plain = runDeck(clean);
    const ProgramRun warned = runDeck(typo);
    EXPECT_EQ(warned.status, 0);
    EXPECT_EQ(withoutElapsedTime(warned.out), withoutElapsedTime(plain.out));
    EXPECT_EQ(warned.file("Zs"), plain.file("Zs"));
    EXPECT_EQ(warned.err, "WARNING: deck line 4: 'plat{' before the first block is ignored\n"
                          "WARNING: deck line 4: 'x1=0' before the first block is ignored\n"
                          "WARNING: deck line 4: '}' before the first block is ignored\n");

    const std::string folder = makeTempFolder();
    std::ofstream(folder + "/deck.txt") << typo;
    const ProgramRun strict = runProgram("--strict deck.txt w", folder);
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(strict.out, "\n\nERROR: deck line 4: 'plat{' before the first block is ignored\n");
    EXPECT_EQ(strict.err, "");
    EXPECT_FALSE(strict.has("Zs"));
    const ProgramRun strictClean = runDeck(clean, "--strict w");
    EXPECT_EQ(strictClean.status, 0);
}

TEST(Run, StructureTooLargeForMemoryIsRefusedBeforeAllocating)
{
    for (const std::string block : {"line{ x2=1 y1=0 nx=1000000000 }", "circle{ rad=1 nr=100000000 }"}) {
        const ProgramRun run = runDeck(".freq 1e6 1e9 3\nend\n" + block + "\nend\n");
        EXPECT_EQ(run.status, 1) << block;
        EXPECT_TRUE(std::regex_search(run.out, std::regex("\nERROR: the structure cuts into \\d+ ribbons, which need "
                                                          "\\S+ bytes of memory; \\S+ bytes are available\n$")))
            << run.out;
    }
}

}  // namespace xsrl
