#include "cli/progress.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <utility>

namespace xsrl {

bool progressShown(ProgressChoice choice, int fd)
{
    return choice == ProgressChoice::On || (choice == ProgressChoice::Auto && ::isatty(fd) == 1);
}

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string clockTime(double seconds)
{
    const long whole = static_cast<long>(seconds);
    char text[40];
    if (whole < 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

ProgressLine::ProgressLine(std::FILE* stream, std::string stage, long total, std::function<double()> clock)
    : stream_(stream), stage_(std::move(stage)), total_(total), clock_(std::move(clock)), start_(0.0), lastDraw_(0.0)
{
    if (!stream_) return;
    start_ = clock_();
    draw(0, start_);
}

ProgressLine::~ProgressLine() { finish(); }

void ProgressLine::advance(long units)
{
    const long done = done_ += units;
    if (!stream_) return;
    std::unique_lock<std::mutex> lock(drawing_, std::try_to_lock);
    if (!lock.owns_lock() || finished_) return;
    const double now = clock_();
    if (now - lastDraw_ >= 0.1) draw(done, now);
}

void ProgressLine::finish()
{
    if (!stream_) return;
    const std::lock_guard<std::mutex> lock(drawing_);
    if (finished_) return;
    finished_ = true;
    std::fprintf(stream_, "\r%*s\r", static_cast<int>(drawnWidth_), "");
    std::fflush(stream_);
}

void ProgressLine::draw(long done, double now)
{
    lastDraw_ = now;
    const double elapsed = now - start_;
    const double fraction = total_ > 0 ? std::min(1.0, static_cast<double>(done) / static_cast<double>(total_)) : 1.0;
    const std::string remaining = done > 0 ? clockTime(elapsed * (1.0 - fraction) / fraction) : "?";
    char text[200];
    const int width =
        std::snprintf(text, sizeof text, "%s %3d%%  elapsed %s  remaining %s", stage_.c_str(),
                      static_cast<int>(std::floor(100.0 * fraction)), clockTime(elapsed).c_str(), remaining.c_str());
    // Blanks over what is left of a longer earlier line.
    const int pad = std::max(0, static_cast<int>(drawnWidth_) - width);
    std::fprintf(stream_, "\r%s%*s", text, pad, "");
    std::fflush(stream_);
    drawnWidth_ = std::max(drawnWidth_, static_cast<std::size_t>(width));
}

}  // namespace xsrl
