// Work shared over a thread count the caller chooses. Only the program's top level picks a
// count from the hardware; everything below is told, and never starts more threads than the
// hardware runs at once.
#pragma once

#include <functional>

namespace xsrl {

// Runs work(thread, item) for every item in [0, items) on at most `threads` threads, the calling
// thread (thread 0) among them, and at most one per item and per hardware thread. Each thread takes the next item nobody has taken yet, so one
// that starts late or is slowed by other programs simply does fewer; `thread`, in
// [0, threads), lets the work keep scratch space of its own. A thread that cannot be started
// leaves its share to the others. When an item throws, no further items are started, and once
// all threads are done the exception of the lowest failed item reaches the caller.
void runInParallel(int threads, int items, const std::function<void(int thread, int item)>& work);

// Caps the threads of OpenBLAS, which the LU solver and the eigen-decomposition call, at
// `threads` (and at the hardware's) for the whole process.
void limitBlasThreads(int threads);

// Caps the threads of OpenBLAS at `threads` while it lives, and gives the cap before back.
class BlasThreadsLimit {
public:
    explicit BlasThreadsLimit(int threads);
    ~BlasThreadsLimit();
    BlasThreadsLimit(const BlasThreadsLimit&) = delete;
    BlasThreadsLimit& operator=(const BlasThreadsLimit&) = delete;

private:
    int before_;
};

}  // namespace xsrl
