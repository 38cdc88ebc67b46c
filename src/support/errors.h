// Shorthands for the library's errors (xsrl/error.h), one per category.
#pragma once

#include <string>

#include "xsrl/error.h"

namespace xsrl {

inline Error deckError(const std::string& what) { return Error(ErrorCategory::Deck, what); }
inline Error structureError(const std::string& what) { return Error(ErrorCategory::Structure, what); }
inline Error fileError(const std::string& what) { return Error(ErrorCategory::File, what); }
inline Error numericError(const std::string& what) { return Error(ErrorCategory::Numeric, what); }

}  // namespace xsrl
