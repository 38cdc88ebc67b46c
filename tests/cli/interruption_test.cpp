// SIGINT and SIGTERM in the middle of a run: the run stops at the next frequency (or row of the
// fill), says how far it got, and exits with 128 + the signal's number.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

#include "cli/run_deck.h"

namespace xsrl {

namespace {

// Starts `xsrl <args>` in `folder`, sends `signal` once `started` finds the stage to interrupt
// under way, and returns the run after it ended.
ProgramRun interruptedRun(const std::string& args, const std::string& folder, int signal,
                          const std::function<bool(const ProgramRun&)>& started)
{
    const std::string command = "cd '" + folder + "' && exec '" XSRL_BINARY "' " + args + " >stdout.txt 2>stderr.txt";
    const pid_t child = fork();
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ProgramRun run;
    run.folder = folder;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        run.err = run.file("stderr.txt");
        if (started(run) || std::chrono::steady_clock::now() > deadline) {
            kill(child, signal);
            waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = run.file("stdout.txt");
    run.err = run.file("stderr.txt");
    return run;
}

}  // namespace

TEST(Interruption, SweepStopsAtAWholeFrequencyAndSaysHowFarItGot)
{
    const std::string folder = makeTempFolder();
    std::ofstream(folder + "/deck.txt") << ".freq 1e3 1e9 1000000\nend\nline{ x2=1 y1=0 y2=1 nx=1 ny=1 }\nend\n";
    const ProgramRun run = interruptedRun("deck.txt w", folder, SIGTERM, [](const ProgramRun& r) {
        return r.file("Zs").find("Impedance") != std::string::npos;
    });
    EXPECT_EQ(run.status, 143) << run.out;
    const std::vector<ReportBlock> blocks = parseReport(run.file("Zs"));
    std::smatch said;
    ASSERT_TRUE(std::regex_search(run.out, said,
                                  std::regex("\nERROR: interrupted at f=(\\S+) Hz; Zs holds the first (\\d+) of "
                                             "1000001 frequencies\n$")))
        << run.out;
    EXPECT_EQ(std::to_string(blocks.size()), said[2].str());
    EXPECT_FALSE(blocks.empty());
    // The message names the first frequency not written, point K of the sweep.
    const double next = 1e3 * std::pow(1e6, static_cast<double>(blocks.size()) / 1000000);
    EXPECT_NEAR(std::stod(said[1].str()) / next, 1.0, 1e-4);
    EXPECT_EQ(run.out.find("Elapsed"), std::string::npos);
}

TEST(Interruption, InductanceFillStopsPromptlyAndLeavesTheReportAlone)
{
    const std::string folder = makeTempFolder();
    std::ofstream(folder + "/Zs") << "an earlier report\n";
    std::ofstream(folder + "/deck.txt") << ".freq 1e6 1e9 3\nend\nline{ x2=1 y1=0 y2=1 nx=250 ny=250 }\nend\n";
    const auto start = std::chrono::steady_clock::now();
    const ProgramRun run = interruptedRun("--progress deck.txt w", folder, SIGINT, [](const ProgramRun& r) {
        return r.err.find("inductance fill") != std::string::npos;
    });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(run.status, 130) << run.out;
    EXPECT_TRUE(
        std::regex_search(run.out, std::regex("\nERROR: interrupted in the inductance fill; Zs is left as it was\n$")))
        << run.out;
    EXPECT_EQ(run.file("Zs"), "an earlier report\n");
    EXPECT_FALSE(run.has("induc"));
}

}  // namespace xsrl
