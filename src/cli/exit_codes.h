// Every way vorne-cli can end, in one place.
#pragma once

#include <stdexcept>

namespace vorne::cli {

enum class ExitCode : int {
    Success = 0,
    Failure = 1,           // the operation failed; the reason is on stderr
    Usage = 2,             // the command line is wrong
    UnsupportedField = 3,  // `set` named a field the kind cannot write
};

// Thrown for a bad command line; main prints it with the usage hint.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Thrown for a `set` field the kind does not support.
class UnsupportedFieldError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace vorne::cli
