// A text file the run writes (the report, induc, exports). A write, flush or close that
// fails throws "cannot write <name>: <reason>" (ErrorCategory::File) instead of leaving a
// truncated file behind a run that looks successful.
#pragma once

#include <cstdio>
#include <string>

namespace xsrl {

class OutputFile {
public:
    // Opens `path` for writing; `name` is how messages call it.
    OutputFile(const std::string& path, const std::string& name);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // fprintf with the check.
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void flush();
    void close();

private:
    [[noreturn]] void fail();

    std::FILE* file_;
    std::string name_;
};

// Refuses, before any costly work, a path that cannot be opened for writing later: a folder,
// a FIFO or any other file that is not a regular one, a file or folder without write
// permission, or a path that cannot be looked up (a name too long). Nothing is created or
// truncated.
void checkWritable(const std::string& path, const std::string& name);

// The same for a file the run reads later (induc): it must be there, readable and regular.
void checkReadable(const std::string& path, const std::string& name);

}  // namespace xsrl
