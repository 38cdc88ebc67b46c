// The progress of a long stage as one line on standard error, redrawn in place:
//   inductance fill  42%  elapsed 0:12  remaining 0:16
// at most ten times a second, and erased when the stage ends.
#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

namespace xsrl {

// --progress, --no-progress, or neither: shown when the stream is a terminal.
enum class ProgressChoice { Auto, On, Off };

// Whether progress goes to the stream with descriptor `fd`.
bool progressShown(ProgressChoice choice, int fd);

// Seconds of a monotonic clock.
double steadySeconds();

class ProgressLine {
public:
    // A line for `stage` out of `total` units of work, drawn at once (0%) on `stream`; a null
    // stream writes nothing at all.
    ProgressLine(std::FILE* stream, std::string stage, long total, std::function<double()> clock = steadySeconds);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Counts `units` more done and redraws when a tenth of a second has passed since the last
    // drawing. Safe from several threads; one that finds another drawing does not wait.
    void advance(long units);
    // Erases the line; nothing is drawn afterwards. The destructor does it too.
    void finish();

private:
    void draw(long done, double now);

    std::FILE* stream_;
    std::string stage_;
    long total_;
    std::function<double()> clock_;
    double start_;
    double lastDraw_;
    std::size_t drawnWidth_ = 0;
    bool finished_ = false;
    std::atomic<long> done_{0};
    std::mutex drawing_;
};

// m:ss below an hour, h:mm:ss above.
std::string clockTime(double seconds);

}  // namespace xsrl
