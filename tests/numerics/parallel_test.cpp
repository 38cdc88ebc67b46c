#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "numerics/parallel.h"

extern "C" int openblas_get_num_threads();

namespace xsrl {

TEST(NumericsParallel, EveryItemRunsOnceOnOneOfTheThreads)
{
    for (int threads : {1, 3, 8}) {
        std::vector<std::atomic<int>> runs(50);
        std::atomic<bool> threadInRange{true};
        std::atomic<bool> threadZeroIsTheCaller{true};
        const std::thread::id caller = std::this_thread::get_id();
        runInParallel(threads, 50, [&](int thread, int item) {
            ++runs[item];
            if (thread < 0 || thread >= threads) threadInRange = false;
            if (thread == 0 && std::this_thread::get_id() != caller) threadZeroIsTheCaller = false;
        });
        for (const std::atomic<int>& count : runs) EXPECT_EQ(count.load(), 1) << threads;
        EXPECT_TRUE(threadInRange) << threads;
        EXPECT_TRUE(threadZeroIsTheCaller) << threads;
    }
    int calls = 0;
    runInParallel(2, 0, [&](int, int) { ++calls; });
    runInParallel(0, 3, [&](int, int) { ++calls; });  // no thread count: the caller does it all
    EXPECT_EQ(calls, 3);
}

TEST(NumericsParallel, TheLowestFailedItemsExceptionReachesTheCaller)
{
    for (int threads : {1, 3}) {
        try {
            // Item 2 is taken before item 3: it fails whether or not item 3 starts.
            runInParallel(threads, 6, [&](int, int item) {
                if (item >= 2) throw std::runtime_error("item " + std::to_string(item));
            });
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "item 2") << threads;
        }
    }
}

// "--threads 100000" once started a thread per work item at every stage.
TEST(NumericsParallel, NeverMoreThreadsThanTheHardwareRuns)
{
    const int hardware = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::atomic<int> highest{0};
    runInParallel(100000, 200, [&](int thread, int) {
        for (int seen = highest; thread > seen && !highest.compare_exchange_weak(seen, thread);) {}
        std::this_thread::sleep_for(std::chrono::microseconds(500));  // time for every started thread to take an item
    });
    EXPECT_LT(highest.load(), hardware);
}

TEST(NumericsParallel, OpenBlasTakesTheLimit)
{
    const int before = openblas_get_num_threads();
    limitBlasThreads(1);
    EXPECT_EQ(openblas_get_num_threads(), 1);
    limitBlasThreads(100000);  // OpenBLAS would start as many threads as its build allows
    EXPECT_EQ(openblas_get_num_threads(), static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    limitBlasThreads(before);
}

}  // namespace xsrl
