#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/progress.h"

namespace xsrl {

namespace {

// A stream into memory, a clock the test moves, and the drawings between carriage returns.
struct Capture {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    std::atomic<double> now{100.0};

    std::function<double()> clock()
    {
        return [this] { return now.load(); };
    }
    std::vector<std::string> drawings()
    {
        std::fflush(stream);
        std::istringstream text(std::string(buffer, size));
        std::vector<std::string> parts;
        std::string part;
        std::getline(text, part, '\r');  // nothing before the first return
        while (std::getline(text, part, '\r')) parts.push_back(part);
        return parts;
    }
    ~Capture()
    {
        std::fclose(stream);
        std::free(buffer);
    }
};

}  // namespace

TEST(Progress, LineShowsStagePercentElapsedAndRemainingThenIsErased)
{
    Capture capture;
    {
        ProgressLine line(capture.stream, "sweep", 4, capture.clock());
        capture.now = capture.now + 30;
        line.advance(1);
        capture.now = capture.now + 3600;
        line.advance(2);
    }
    const std::vector<std::string> drawn = capture.drawings();
    ASSERT_EQ(drawn.size(), 4u);  // three lines, then blanks over the last
    EXPECT_EQ(drawn[0], "sweep   0%  elapsed 0:00  remaining ?");
    EXPECT_EQ(drawn[1], "sweep  25%  elapsed 0:30  remaining 1:30");
    EXPECT_EQ(drawn[2], "sweep  75%  elapsed 1:00:30  remaining 20:10");
    EXPECT_EQ(drawn[3], std::string(drawn[2].size(), ' '));
}

TEST(Progress, RedrawnAtMostTenTimesASecondFromManyThreads)
{
    Capture capture;
    {
        ProgressLine line(capture.stream, "inductance fill", 4000, capture.clock());
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t)
            workers.emplace_back([&] {
                for (int k = 0; k < 1000; ++k) line.advance(1);
            });
        // Four seconds go by while they work, a thousandth at a time.
        for (int k = 0; k < 4000; ++k) {
            capture.now = capture.now + 1e-3;
            line.advance(0);
        }
        for (std::thread& worker : workers) worker.join();
    }
    const std::vector<std::string> drawn = capture.drawings();
    // A thread that finds another drawing skips its turn, so only the upper bound is sure.
    EXPECT_LE(drawn.size(), 1u + 40u + 1u);  // the first drawing, ten a second, the erasure
}

TEST(Progress, ShownOnATerminalByDefaultAndWhereverForced)
{
    int master = -1, slave = -1, pipeEnds[2];
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(pipe(pipeEnds), 0);
    EXPECT_TRUE(progressShown(ProgressChoice::Auto, slave));
    EXPECT_FALSE(progressShown(ProgressChoice::Auto, pipeEnds[1]));
    EXPECT_TRUE(progressShown(ProgressChoice::On, pipeEnds[1]));
    EXPECT_FALSE(progressShown(ProgressChoice::Off, slave));
    for (const int fd : {master, slave, pipeEnds[0], pipeEnds[1]}) close(fd);
}

}  // namespace xsrl
