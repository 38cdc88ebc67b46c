#include "numerics/parallel.h"

#include <exception>
#include <system_error>
#include <thread>
#include <vector>

void runInParallel(int parts, const std::function<void(int part)>& work)
{
    if (parts <= 0) return;
    std::vector<std::exception_ptr> failures(parts);
    auto run = [&](int part) {
        try {
            work(part);
        } catch (...) {
            failures[part] = std::current_exception();
        }
    };
    // Reserved before any thread starts, so that only a thread's start can fail below.
    std::vector<std::thread> helpers;
    std::vector<int> leftOver;
    helpers.reserve(parts);
    leftOver.reserve(parts);
    for (int part = 1; part < parts; ++part) {
        try {
            helpers.emplace_back(run, part);
        } catch (const std::system_error&) {
            leftOver.push_back(part);
        }
    }
    run(0);
    for (int part : leftOver) run(part);
    for (std::thread& helper : helpers) helper.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}
