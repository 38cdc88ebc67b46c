#include "app/run.h"

#include <cstdio>

int runSolver(int argc, char** argv)
{
    std::printf("\n");
    if (argc != 3) {
        std::printf("Usage: %s <input file> <w/r>\n", argv[0]);
        return 1;
    }
    return 0;
}
