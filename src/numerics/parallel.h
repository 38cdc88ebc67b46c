// Work shared over a thread count the caller chooses. Only the program's top level asks the
// hardware how many threads it has; everything below is told.
#pragma once

#include <functional>

// Runs work(part) for every part in [0, parts), each on a thread of its own, part 0 on the
// calling thread, and returns when all are done. A part whose thread cannot be started runs on
// the calling thread. If parts throw, the exception of the lowest such part reaches the caller.
void runInParallel(int parts, const std::function<void(int part)>& work);
