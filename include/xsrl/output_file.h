// A text file the run writes (the report, induc, exports). A write, flush or close that
// fails throws "cannot write <name>: <reason>" (ErrorCategory::File) instead of leaving a
// truncated file behind a run that looks successful.
#pragma once

#include <cstdio>
#include <string>

namespace xsrl {

// How a file reaches its path. The reports grow point by point in place, so that an
// interrupted sweep leaves its whole points. An export is written whole: into a temporary file
// beside it (".xsrl-<number>.tmp"), renamed onto the path once complete, so that a failed
// write (a full disk, a file-size limit) leaves no partial file and an older file as it was.
enum class Writing { InPlace, Whole };

class OutputFile {
public:
    // Opens `path` for writing; `name` is how messages call it.
    OutputFile(const std::string& path, const std::string& name, Writing writing = Writing::InPlace);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // fprintf with the check.
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void flush();
    // Closes the file; one written whole is then renamed into place.
    void close();

private:
    [[noreturn]] void fail();
    void discard();

    std::FILE* file_;
    std::string name_;
    std::string target_;  // the path a file written whole is renamed onto
    std::string temporary_;  // where it is written until then; empty when written in place
};

// Refuses, before any costly work, a path that cannot be opened for writing later: a folder,
// a FIFO or any other file that is not a regular one, a file or folder without write
// permission, or a path that cannot be looked up (a name too long). A file written whole also
// needs its folder writable, for the temporary file. Nothing is created or truncated.
void checkWritable(const std::string& path, const std::string& name, Writing writing = Writing::InPlace);

// The same for a file the run reads later (induc): it must be there, readable and regular.
void checkReadable(const std::string& path, const std::string& name);

}  // namespace xsrl
