#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/run.h"

namespace xsrl {

namespace {

CommandLine parse(const std::vector<const char*>& words)
{
    std::vector<const char*> argv{"xsrl"};
    argv.insert(argv.end(), words.begin(), words.end());
    return parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

// What is wrong with the command line: "" for a wrong argument count.
std::string problemOf(const std::vector<const char*>& words)
{
    try {
        parse(words);
    } catch (const UsageError& error) {
        return error.problem;
    }
    return "no error";
}

// What the program prints for the command line, which it refuses with status 1.
std::string printedFor(const std::vector<const char*>& words)
{
    std::vector<std::string> text{"xsrl"};
    text.insert(text.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (std::string& word : text) argv.push_back(word.data());
    testing::internal::CaptureStdout();
    const int status = runCommandLine(static_cast<int>(argv.size()), argv.data());
    std::fflush(stdout);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 1) << printed;
    return printed;
}

const std::string kUsage = "Usage: xsrl <input file> <w/r>\n";

}  // namespace

TEST(CommandLine, OptionsGoAnywhereInEitherFormAroundTheTwoArguments)
{
    const CommandLine plain = parse({"bus.deck", "w"});
    EXPECT_EQ(plain.deck + " " + plain.mode, "bus.deck w");
    EXPECT_TRUE(plain.threads == 0 && plain.exports.empty() && !plain.length && plain.z0 == 50.0);
    EXPECT_EQ(plain.progress, ProgressChoice::Auto);
    EXPECT_FALSE(plain.strict);

    const CommandLine line = parse({"--threads", "3", "bus.deck", "--export=csv,touchstone", "--length", "2.5e3", "r",
                                    "--z0=75", "--export", "rlgc,csv", "--no-progress", "--progress", "--strict"});
    EXPECT_EQ(line.deck + " " + line.mode, "bus.deck r");
    EXPECT_EQ(line.threads, 3);
    EXPECT_EQ(line.exports,
              (std::vector<ExportFormat>{ExportFormat::Csv, ExportFormat::Touchstone, ExportFormat::Rlgc}));
    EXPECT_EQ(line.length, 2.5e3);
    EXPECT_EQ(line.z0, 75.0);
    EXPECT_EQ(line.progress, ProgressChoice::On);  // the last one counts
    EXPECT_TRUE(line.strict);

    const CommandLine ended = parse({"--no-progress", "--", "--odd-name.deck", "-"});
    EXPECT_EQ(ended.deck + " " + ended.mode, "--odd-name.deck -");
    EXPECT_EQ(ended.progress, ProgressChoice::Off);
}

TEST(CommandLine, HelpAndVersionStopTheParsing)
{
    EXPECT_TRUE(parse({"-h"}).help);
    EXPECT_TRUE(parse({"bus.deck", "--help", "--bogus"}).help);
    EXPECT_TRUE(parse({"--version", "x"}).version);
    const std::string help = helpText("xsrl");
    EXPECT_EQ(help.rfind("Usage: xsrl [options] <input file> <w/r>\n", 0), 0u);
    for (const char* word :
         {"--help", "--version", "--threads N", "--export F", "--length L", "--z0 OHMS", "--progress", "--no-progress",
          "--strict", "csv", "rlgc", "touchstone", "Zs", "induc", "Example"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

TEST(CommandLine, ErrorsNameTheOptionBeforeTheUsageLine)
{
    EXPECT_EQ(usageLine("xsrl"), kUsage);
    for (const auto& words :
         {std::vector<const char*>{}, {"bus.deck"}, {"bus.deck", "w", "extra"}, {"--threads", "2", "bus.deck"}}) {
        EXPECT_EQ(problemOf(words), "");
        EXPECT_EQ(printedFor(words), "\n" + kUsage);
    }
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"--frob", "bus.deck", "w"}, "unknown option '--frob'"},
        {{"-h=1", "bus.deck", "w"}, "unknown option '-h=1'"},
        {{"bus.deck", "w", "--threads"}, "option --threads needs a value"},
        {{"--threads=1.5", "bus.deck", "w"}, "option --threads needs a whole number; found '1.5'"},
        {{"--threads=99999999999", "bus.deck", "w"}, "option --threads needs a whole number; found '99999999999'"},
        {{"--threads", "0", "bus.deck", "w"}, "option --threads must be at least 1; found '0'"},
        {{"--export", "csv,xls", "bus.deck", "w"}, "option --export: unknown format 'xls' (csv, rlgc, touchstone or spice)"},
        {{"--length=", "bus.deck", "w"}, "option --length needs a number; found ''"},
        {{"--z0", "-50", "bus.deck", "w"}, "option --z0 must be a positive number; found '-50'"},
        {{"--z0", "inf", "bus.deck", "w"}, "option --z0 must be a positive number; found 'inf'"},
        {{"--progress=yes", "bus.deck", "w"}, "option --progress takes no value"},
        {{"--strict=1", "bus.deck", "w"}, "option --strict takes no value"},
        {{"--export", "touchstone", "bus.deck", "w"},
         "--export touchstone needs --length, the line length in deck units"},
        {{"--export", "csv,spice", "bus.deck", "w"}, "--export spice needs --length, the line length in deck units"},
    };
    for (const auto& [words, what] : cases) {
        EXPECT_EQ(problemOf(words), what);
        EXPECT_EQ(printedFor(words), "\nERROR: " + what + "\n" + kUsage);
    }
}

}  // namespace xsrl
