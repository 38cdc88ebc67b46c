// Runs the xsrl program on a deck in a fresh temporary folder and reads back what it wrote.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace xsrl {

inline bool fileExists(const std::string& path) { return std::ifstream(path).good(); }

// A fresh folder below one scratch root per test process; the root goes when the process ends.
inline std::string makeTempFolder()
{
    struct ScratchRoot {
        std::string path;
        ScratchRoot()
        {
            char name[] = "/tmp/xsrl-test-XXXXXX";
            path = mkdtemp(name) ? name : "/tmp";
        }
        ~ScratchRoot() { std::filesystem::remove_all(path); }
    };
    static ScratchRoot root;
    static int count = 0;
    const std::string folder = root.path + "/run" + std::to_string(++count);
    std::filesystem::create_directory(folder);
    return folder;
}

struct ProgramRun {
    std::string folder;
    int status = -1;
    std::string out;
    std::string err;

    std::string file(const std::string& name) const { return readFile(folder + "/" + name); }
    bool has(const std::string& name) const { return fileExists(folder + "/" + name); }
};

// Runs `xsrl <args>` inside `folder` (made if empty), after the shell commands `setup` (such as
// a ulimit).
inline ProgramRun runProgram(const std::string& args, std::string folder = "", const std::string& setup = "")
{
    ProgramRun run;
    run.folder = folder.empty() ? makeTempFolder() : folder;
    const std::string command =
        "cd '" + run.folder + "' && " + setup + "'" XSRL_BINARY "' " + args + " >stdout.txt 2>stderr.txt";
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = run.file("stdout.txt");
    run.err = run.file("stderr.txt");
    return run;
}

// Writes `deck` as deck.txt into a fresh folder (or `folder`) and runs it in `mode`.
inline ProgramRun runDeck(const std::string& deck, const std::string& mode = "w", std::string folder = "")
{
    if (folder.empty()) folder = makeTempFolder();
    std::ofstream(folder + "/deck.txt") << deck;
    return runProgram("deck.txt " + mode, folder);
}

// The elapsed time is the one line that may differ between runs.
inline std::string withoutElapsedTime(const std::string& out)
{
    return std::regex_replace(out, std::regex("Elapsed time=\\d+ Seconds"), "Elapsed time=0 Seconds");
}

// Standard error without the notes a run ends with ("note: ...", a line each, "\r\n" on a
// terminal).
inline std::string withoutNotes(const std::string& err)
{
    return std::regex_replace(err, std::regex("note: [^\r\n]*\r?\n"), "");
}

// One frequency block of the report: the frequency and the (R, L) pairs row by row.
struct ReportBlock {
    double frequency = 0.0;
    int size = 0;
    std::vector<double> r;
    std::vector<double> l;
};

// The first line of a block of Cs, for parseReport.
inline const char* const CsHeading = "Capacitance %d x %*d matrix (C,G) at f=%le Hz";

// `heading` reads a block's first line; with that of Cs the (C, G) pairs land in r and l.
inline std::vector<ReportBlock> parseReport(const std::string& text,
                                            const char* heading = "Impedance %d x %*d matrix (R,L) at f=%le Hz")
{
    std::vector<ReportBlock> blocks;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        ReportBlock block;
        if (std::sscanf(line.c_str(), heading, &block.size, &block.frequency) != 2) continue;
        for (int row = 0; row < block.size && std::getline(in, line); ++row) {
            std::istringstream entries(line);
            char open, comma, close;
            double r, l;
            while (entries >> open >> r >> comma >> l >> close) {
                block.r.push_back(r);
                block.l.push_back(l);
            }
        }
        blocks.push_back(block);
    }
    return blocks;
}

}  // namespace xsrl
