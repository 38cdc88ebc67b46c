#include "support/run_error.h"

#include <cerrno>
#include <cstring>

std::string perrorText(const std::string& label)
{
    return label + ": " + std::strerror(errno) + "\n";
}
