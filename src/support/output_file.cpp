#include "xsrl/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <filesystem>

#include "support/errors.h"

namespace xsrl {

namespace {

Error cannotOpen(const std::string& name, int error)
{
    return fileError("cannot open " + name + " for writing: " + std::strerror(error));
}

// A FIFO or a device would block the run or swallow its output.
Error notRegular(const std::string& name) { return fileError(name + " is not a regular file"); }

// The file a path names: a symbolic link is followed, so that a file written whole replaces
// what the link points to, not the link.
std::string resolvedTarget(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) return path;
    const std::filesystem::path target = std::filesystem::canonical(path, error);
    return error ? path : target.string();
}

std::string folderOf(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// A new file in `folder` no other process or writer has, created with the permissions the
// umask leaves (like fopen), or those of `existing` when that file is there.
int createTemporary(const std::string& folder, const std::string& existing, std::string& created)
{
    static std::atomic<unsigned> count{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = folder + "/.xsrl-" + std::to_string(::getpid()) + "-" + std::to_string(count++) + ".tmp";
        const int descriptor = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno == EEXIST) continue;
        struct stat status {};
        if (descriptor >= 0 && ::stat(existing.c_str(), &status) == 0) ::fchmod(descriptor, status.st_mode & 07777);
        return descriptor;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

OutputFile::OutputFile(const std::string& path, const std::string& name, Writing writing)
    : file_(nullptr), name_(name), target_(path)
{
    checkWritable(path, name, writing);
    if (writing == Writing::InPlace) {
        file_ = std::fopen(path.c_str(), "w");
        if (!file_) throw cannotOpen(name, errno);
        return;
    }
    target_ = resolvedTarget(path);
    const int descriptor = createTemporary(folderOf(target_), target_, temporary_);
    if (descriptor < 0) throw cannotOpen(name, errno);
    file_ = ::fdopen(descriptor, "w");
    if (!file_) {
        const int error = errno;
        ::close(descriptor);
        discard();
        throw cannotOpen(name, error);
    }
}

OutputFile::~OutputFile()
{
    if (file_) std::fclose(file_);
    discard();
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
    // A file written whole reaches the disk before it replaces the old one.
    if (!temporary_.empty() && (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0)) fail();
    std::FILE* file = file_;
    file_ = nullptr;
    if (std::fclose(file) != 0) fail();
    if (temporary_.empty()) return;
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) fail();
    temporary_.clear();
}

void OutputFile::fail()
{
    const int error = errno;
    if (file_) std::fclose(file_);
    file_ = nullptr;
    discard();
    throw fileError("cannot write " + name_ + ": " + std::strerror(error));
}

// Removes the temporary file of a file written whole that did not reach its path.
void OutputFile::discard()
{
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

void checkWritable(const std::string& path, const std::string& name, Writing writing)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) throw cannotOpen(name, EISDIR);
        if (!S_ISREG(status.st_mode)) throw notRegular(name);
        if (::access(path.c_str(), W_OK) != 0) throw cannotOpen(name, errno);
        if (writing == Writing::Whole && ::access(folderOf(resolvedTarget(path)).c_str(), W_OK) != 0)
            throw cannotOpen(name, errno);
        return;
    }
    // Only a file not there yet is fine: a name too long or a path through a file is not.
    if (errno != ENOENT) throw cannotOpen(name, errno);
    if (::access(folderOf(path).c_str(), W_OK) != 0) throw cannotOpen(name, errno);
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
