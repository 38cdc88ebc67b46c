// Small helpers shared by the tests of every module.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace xsrl {

// The whole content of a file, or "" when it cannot be read.
inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace xsrl
