#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "numerics/parallel.h"

TEST(NumericsParallel, EveryPartRunsOnceTheFirstOnTheCaller)
{
    std::vector<std::atomic<int>> runs(5);
    std::thread::id firstPartThread;
    runInParallel(5, [&](int part) {
        ++runs[part];
        if (part == 0) firstPartThread = std::this_thread::get_id();
    });
    for (const std::atomic<int>& count : runs) EXPECT_EQ(count.load(), 1);
    EXPECT_EQ(firstPartThread, std::this_thread::get_id());

    int calls = 0;
    runInParallel(0, [&](int) { ++calls; });
    EXPECT_EQ(calls, 0);
}

TEST(NumericsParallel, TheLowestFailingPartsExceptionReachesTheCallerAfterAllParts)
{
    std::atomic<int> finished{0};
    try {
        runInParallel(4, [&](int part) {
            ++finished;
            if (part >= 2) throw std::runtime_error("part " + std::to_string(part));
        });
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "part 2");
    }
    EXPECT_EQ(finished.load(), 4);
}
