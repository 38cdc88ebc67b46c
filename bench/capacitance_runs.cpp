// The capacitance stage of the bench decks through the public stages: each deck in a child
// process of its own, so that its peak memory is the stage's and not the bench's; the panels,
// the seconds of cutPanels and of computeCapacitance (the deck's solve and, with dielectric
// blocks, the one in vacuum for the L-C check), how the panel matrix was kept (the share of its
// entries stored, the largest rank of a compressed block) and the peak memory of the child.
// Usage: capacitance_runs [--limit SECONDS] DECK...   (a deck still running after SECONDS,
// 1800 by default, is stopped and reported so)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "xsrl/xsrl.h"

using namespace xsrl;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// In the child: the stages up to the capacitance, one line on `out`: "panels cut solve", or
// "refused: message".
[[noreturn]] void runStage(const std::string& path, int out)
{
    std::string line;
    int status = 0;
    try {
        Prepared prepared = cutRibbons(loadDeck(path));
        const auto start = std::chrono::steady_clock::now();
        cutPanels(prepared);
        const double cut = secondsSince(start);
        const auto solveStart = std::chrono::steady_clock::now();
        computeCapacitance(prepared);
        const PanelSolveFigures figures = prepared.capacitanceSolve();
        line = std::to_string(prepared.panelCount()) + " " + std::to_string(cut) + " " +
               std::to_string(secondsSince(solveStart)) + " " + std::to_string(figures.storedShare) + " " +
               std::to_string(figures.largestRank);
    } catch (const Error& error) {
        line = std::string("refused: ") + error.what();
        status = 1;
    }
    if (write(out, line.data(), line.size()) < 0) status = 2;
    _exit(status);
}

}  // namespace

int main(int argc, char** argv)
{
    int first = 1;
    unsigned limit = 1800;
    if (argc > 2 && std::strcmp(argv[1], "--limit") == 0) {
        limit = static_cast<unsigned>(std::atoi(argv[2]));
        first = 3;
    }
    if (first >= argc || limit == 0) {
        std::fprintf(stderr, "Usage: %s [--limit SECONDS] DECK...\n", argv[0]);
        return 1;
    }
    std::printf("| deck | panels | cutPanels | computeCapacitance | entries stored | largest rank | peak MiB |\n"
                "|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    for (int d = first; d < argc; ++d) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) return 1;
        const pid_t child = fork();
        if (child == 0) {
            close(pipeEnds[0]);
            alarm(limit);
            runStage(argv[d], pipeEnds[1]);
        }
        close(pipeEnds[1]);
        std::string reply;
        char buffer[512];
        for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) reply.append(buffer, got);
        close(pipeEnds[0]);
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        const std::string name = std::filesystem::path(argv[d]).filename().string();
        const double peakMiB = usage.ru_maxrss / 1024.0;
        long panels = 0;
        double cut = 0.0, solve = 0.0, stored = 0.0;
        int rank = 0;
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
            std::sscanf(reply.c_str(), "%ld %lf %lf %lf %d", &panels, &cut, &solve, &stored, &rank) == 5)
            std::printf("| %s | %ld | %.2f s | %.2f s | %.1f %% | %d | %.0f |\n", name.c_str(), panels, cut, solve,
                        100.0 * stored, rank, peakMiB);
        else if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
            std::printf("| %s | | | stopped after %u s | | | %.0f |\n", name.c_str(), limit, peakMiB);
        else if (WIFSIGNALED(status))
            std::printf("| %s | | | ended by signal %d | | | %.0f |\n", name.c_str(), WTERMSIG(status), peakMiB);
        else
            std::printf("| %s | | | %s | | | %.0f |\n", name.c_str(), reply.empty() ? "failed" : reply.c_str(),
                        peakMiB);
        std::fflush(stdout);
    }
    return 0;
}
