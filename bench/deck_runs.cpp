// Whole runs of the bench decks: "w" (fill and sweep), then "r" with the exact solver and
// "r" with ".solver lu", each timed and with the peak memory of the run; then the two
// solvers compared at full precision at the first and last frequency of each deck.
// Usage: deck_runs XSRL DECK...
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "solver/solver_agreement.h"

using namespace xsrl;

namespace {

struct Measured {
    double seconds = 0.0;
    double peakMiB = 0.0;
    int status = -1;
};

// Runs `xsrl deck mode` in `folder`, output discarded.
Measured runProgram(const std::string& xsrl, const std::string& folder, const std::string& deck,
                    const std::string& mode)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        if (chdir(folder.c_str()) != 0) _exit(127);
        execl(xsrl.c_str(), xsrl.c_str(), deck.c_str(), mode.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Measured m;
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.peakMiB = usage.ru_maxrss / 1024.0;
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m;
}

std::string readText(const std::string& path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "Usage: %s XSRL DECK...\n", argv[0]);
        return 1;
    }
    const std::string xsrl = std::filesystem::absolute(argv[1]).string();
    std::printf("| deck | run | seconds | peak MiB |\n|---|---|---|---|\n");
    for (int d = 2; d < argc; ++d) {
        const std::filesystem::path deck(argv[d]);
        const std::string folder =
            (std::filesystem::temp_directory_path() / ("xsrl-bench-" + deck.stem().string())).string();
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/exact.deck") << readText(deck.string());
        std::ofstream(folder + "/lu.deck") << ".solver lu\n" << readText(deck.string());
        const struct {
            const char* label;
            const char* deck;
            const char* mode;
        } runs[] = {{"w, exact", "exact.deck", "w"}, {"r, exact", "exact.deck", "r"}, {"r, lu", "lu.deck", "r"}};
        for (const auto& run : runs) {
            const Measured m = runProgram(xsrl, folder, run.deck, run.mode);
            std::printf("| %s | %s | %.2f | %.0f |%s\n", deck.filename().c_str(), run.label, m.seconds, m.peakMiB,
                        m.status == 0 ? "" : " (failed)");
            std::fflush(stdout);
        }
        std::filesystem::remove_all(folder);
    }
    std::printf("\n| deck | lu against exact: largest relative difference of an R or L entry | the same against "
                "its diagonal entries |\n|---|---|---|\n");
    for (int d = 2; d < argc; ++d) {
        const std::string folder = std::filesystem::temp_directory_path() / "xsrl-bench-agreement";
        std::filesystem::create_directories(folder);
        PreparedDeck deck(std::filesystem::absolute(argv[d]).string(), folder);
        const SolverDifference difference = solverDifference(deck);
        std::printf("| %s | %.2g | %.2g |\n", std::filesystem::path(argv[d]).filename().c_str(), difference.entrywise,
                    difference.diagonalScaled);
        std::fflush(stdout);
        std::filesystem::remove_all(folder);
    }
    return 0;
}
