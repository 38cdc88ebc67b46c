#include "support/run_error.h"

#include <cerrno>
#include <cstring>

namespace xsrl {

std::string perrorText(const std::string& label)
{
    return label + ": " + std::strerror(errno) + "\n";
}

}  // namespace xsrl
