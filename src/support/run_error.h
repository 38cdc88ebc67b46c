// Errors that end a run. The library never exits: it throws RunError, and main prints the
// text exactly as it stands on the stream it names and exits with status 1.
#pragma once

#include <stdexcept>
#include <string>

namespace xsrl {

class RunError : public std::runtime_error {
public:
    enum class Stream { Out, Err };

    // `text` is printed verbatim (newlines included); an empty text ends the run silently.
    explicit RunError(const std::string& text, Stream stream = Stream::Out)
        : std::runtime_error(text), stream_(stream) {}

    Stream stream() const { return stream_; }

private:
    Stream stream_;
};

// An input or structure error: one line "ERROR: <what>" on standard output.
inline RunError errorLine(const std::string& what) { return RunError("ERROR: " + what + "\n"); }

// What the C library's perror prints for `label` with the current errno, for errors that
// are reported on standard error in that form.
std::string perrorText(const std::string& label);

}  // namespace xsrl
