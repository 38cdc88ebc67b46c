// The one error type of the library. The library never prints and never exits: it throws an
// Error whose message says what is wrong and where, without a prefix or a line end, and whose
// category says what kind of failure it is. The command line decides how each is printed.
#pragma once

#include <stdexcept>
#include <string>

namespace xsrl {

enum class ErrorCategory {
    Usage,  // the command line
    Deck,  // the deck text: a keyword, a value, a block
    UnreadableDeck,  // a deck the reader cannot follow at all, told without a prefix
    Structure,  // the conductors and dielectrics: their shapes, overlaps, counts
    NoSignalOrGround,  // a loop report of conductors that are all signals or all grounds
    File,  // a file that cannot be opened, read or written, or does not fit the deck
    Memory,  // the structure needs more memory than is available
    MatrixAllocation,  // a matrix could not be allocated
    Numeric,  // a result that is not finite or not physical, a failed factorization
};

class Error : public std::runtime_error {
public:
    Error(ErrorCategory category, const std::string& message) : std::runtime_error(message), category_(category) {}
    ErrorCategory category() const { return category_; }

private:
    ErrorCategory category_;
};

// The memory refusal: a sweep runner may retry it elsewhere, unlike a fault of the deck.
class MemoryError : public Error {
public:
    explicit MemoryError(const std::string& message) : Error(ErrorCategory::Memory, message) {}
};

}  // namespace xsrl
