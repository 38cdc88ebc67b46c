#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/progress.h"

namespace {

// A stream into memory and a clock the test moves.
struct Capture {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    double now = 100.0;

    std::function<double()> clock()
    {
        return [this] { return now; };
    }
    std::string text()
    {
        std::fflush(stream);
        return std::string(buffer, size);
    }
    ~Capture()
    {
        std::fclose(stream);
        std::free(buffer);
    }
};

// The drawings: what stands between carriage returns.
std::vector<std::string> drawings(const std::string& text)
{
    std::vector<std::string> parts;
    size_t start = text.find('\r');
    while (start != std::string::npos) {
        const size_t end = text.find('\r', start + 1);
        parts.push_back(text.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1));
        start = end;
    }
    return parts;
}

} // namespace

TEST(Progress, LineShowsStagePercentElapsedAndRemainingThenIsErased)
{
    Capture capture;
    {
        ProgressLine line(capture.stream, "sweep", 4, capture.clock());
        capture.now += 30;
        line.advance(1);
        capture.now += 3600;
        line.advance(2);
    }
    const std::vector<std::string> drawn = drawings(capture.text());
    ASSERT_EQ(drawn.size(), 5u); // three lines, then blanks over the last and a final return
    EXPECT_EQ(drawn[0], "sweep   0%  elapsed 0:00  remaining ?");
    EXPECT_EQ(drawn[1], "sweep  25%  elapsed 0:30  remaining 1:30");
    EXPECT_EQ(drawn[2], "sweep  75%  elapsed 1:00:30  remaining 20:10");
    EXPECT_EQ(drawn[3], std::string(drawn[2].size(), ' '));
    EXPECT_EQ(drawn[4], "");
}

TEST(Progress, RedrawnAtMostTenTimesASecondFromManyThreads)
{
    Capture capture;
    const long steps = 4000;
    {
        ProgressLine line(capture.stream, "inductance fill", steps, capture.clock());
        // A thousandth of a second per step, four seconds in all.
        for (long k = 0; k < steps; ++k) {
            capture.now += 1e-3;
            line.advance(1);
        }
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t)
            workers.emplace_back([&] {
                for (int k = 0; k < 1000; ++k) line.advance(0);
            });
        for (std::thread& worker : workers) worker.join();
    }
    const std::vector<std::string> drawn = drawings(capture.text());
    EXPECT_GE(drawn.size(), 30u);
    EXPECT_LE(drawn.size(), 2u + 41u); // the first drawing, at most ten a second, the erasure
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), "inductance fill  97%  elapsed 0:03  remaining 0:00"), drawn.end());
}

TEST(Progress, ShownOnATerminalByDefaultAndWhereverForced)
{
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    EXPECT_TRUE(progressShown(ProgressChoice::Auto, slave));
    EXPECT_FALSE(progressShown(ProgressChoice::Auto, pipeEnds[1]));
    EXPECT_TRUE(progressShown(ProgressChoice::On, pipeEnds[1]));
    EXPECT_FALSE(progressShown(ProgressChoice::Off, slave));
    for (const int fd : {master, slave, pipeEnds[0], pipeEnds[1]}) close(fd);
}

TEST(Progress, ClockTimes)
{
    EXPECT_EQ(clockTime(0.4), "0:00");
    EXPECT_EQ(clockTime(61), "1:01");
    EXPECT_EQ(clockTime(3599.9), "59:59");
    EXPECT_EQ(clockTime(3 * 3600 + 62), "3:01:02");
}
