#include "numerics/parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

extern "C" void openblas_set_num_threads(int threads);
extern "C" int openblas_get_num_threads(void);

namespace xsrl {

namespace {

// More threads than the hardware runs at once only add their start-up and their scratch space.
int hardwareThreads()
{
    static const int count = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return count;
}

}  // namespace

void runInParallel(int threads, int items, const std::function<void(int thread, int item)>& work)
{
    if (items <= 0) return;
    threads = std::max(1, std::min({threads, items, hardwareThreads()}));
    std::atomic<int> nextItem{0};
    std::atomic<bool> failed{false};
    // Per thread: the item that failed and its exception.
    const std::size_t threadCount = static_cast<std::size_t>(threads);
    std::vector<int> failedItem(threadCount, items);
    std::vector<std::exception_ptr> failure(threadCount);
    auto run = [&](std::size_t thread) {
        for (int item = nextItem++; item < items && !failed; item = nextItem++) {
            try {
                work(static_cast<int>(thread), item);
            } catch (...) {
                failedItem[thread] = item;
                failure[thread] = std::current_exception();
                failed = true;
            }
        }
    };
    // Reserved before any thread starts, so that only a thread's start can fail below.
    std::vector<std::thread> helpers;
    helpers.reserve(threadCount);
    for (std::size_t thread = 1; thread < threadCount; ++thread) {
        try {
            helpers.emplace_back(run, thread);
        } catch (const std::system_error&) {
            break;
        }
    }
    run(0);
    for (std::thread& helper : helpers) helper.join();
    const auto first = std::min_element(failedItem.begin(), failedItem.end());
    if (*first < items) std::rethrow_exception(failure[static_cast<std::size_t>(first - failedItem.begin())]);
}

void limitBlasThreads(int threads) { openblas_set_num_threads(std::max(1, std::min(threads, hardwareThreads()))); }

BlasThreadsLimit::BlasThreadsLimit(int threads) : before_(openblas_get_num_threads()) { limitBlasThreads(threads); }

BlasThreadsLimit::~BlasThreadsLimit() { limitBlasThreads(before_); }

}  // namespace xsrl
