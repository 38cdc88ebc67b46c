// Entry point: runs the solver and turns the errors it raises into their messages and
// exit status 1.
#include <cstdio>
#include <exception>
#include <new>

#include "app/run.h"
#include "support/run_error.h"

int main(int argc, char** argv)
{
    try {
        return xsrl::runSolver(argc, argv);
    } catch (const xsrl::RunError& error) {
        std::FILE* stream = error.stream() == xsrl::RunError::Stream::Err ? stderr : stdout;
        std::fputs(error.what(), stream);
        return 1;
    } catch (const std::bad_alloc&) {
        std::fputs("ERROR: out of memory\n", stdout);
        return 1;
    } catch (const std::exception& error) {
        std::printf("ERROR: %s\n", error.what());
        return 1;
    }
}
