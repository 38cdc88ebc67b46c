#include "xsrl/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "support/errors.h"

namespace xsrl {

namespace {

Error cannotOpen(const std::string& name, int error)
{
    return fileError("cannot open " + name + " for writing: " + std::strerror(error));
}

// A FIFO or a device would block the run or swallow its output.
Error notRegular(const std::string& name) { return fileError(name + " is not a regular file"); }

}  // namespace

OutputFile::OutputFile(const std::string& path, const std::string& name) : file_(nullptr), name_(name)
{
    checkWritable(path, name);
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) throw cannotOpen(name, errno);
}

OutputFile::~OutputFile()
{
    if (file_) std::fclose(file_);
}

void OutputFile::print(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vfprintf(file_, format, arguments);
    va_end(arguments);
    if (written < 0) fail();
}

void OutputFile::flush()
{
    if (std::fflush(file_) != 0) fail();
}

void OutputFile::close()
{
    std::FILE* file = file_;
    file_ = nullptr;
    if (std::fclose(file) != 0) fail();
}

void OutputFile::fail()
{
    const int error = errno;
    if (file_) std::fclose(file_);
    file_ = nullptr;
    throw fileError("cannot write " + name_ + ": " + std::strerror(error));
}

void checkWritable(const std::string& path, const std::string& name)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) throw cannotOpen(name, EISDIR);
        if (!S_ISREG(status.st_mode)) throw notRegular(name);
        if (::access(path.c_str(), W_OK) != 0) throw cannotOpen(name, errno);
        return;
    }
    // Only a file not there yet is fine: a name too long or a path through a file is not.
    if (errno != ENOENT) throw cannotOpen(name, errno);
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (::access(folder.c_str(), W_OK) != 0) throw cannotOpen(name, errno);
}

void checkReadable(const std::string& path, const std::string& name)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || ::access(path.c_str(), R_OK) != 0)
        throw fileError("cannot open " + name + " for reading: " + std::strerror(errno));
    if (S_ISDIR(status.st_mode)) throw fileError(name + " is a directory");
    if (!S_ISREG(status.st_mode)) throw notRegular(name);
}

}  // namespace xsrl
