#include "platform/file_error.h"

#include <cstring>

namespace vorne {

namespace {

// strerror_r comes in two forms: the GNU one returns the text (which may or may not be the buffer),
// the XSI one fills the buffer and returns 0 on success. strerror itself may share one buffer
// among threads, and files are read on worker threads.
[[maybe_unused]] const char* ErrorText(int result, const char* buffer) { return result == 0 ? buffer : nullptr; }
[[maybe_unused]] const char* ErrorText(const char* result, const char*) { return result; }

}  // namespace

FileError::FileError(std::string path_, std::string message_)
    : std::runtime_error(path_ + ": " + message_), path(std::move(path_)), message(std::move(message_)) {}

FileError FileError::FromErrno(const std::string& path, int error) {
    return FileError(path, ErrnoText(error));
}

std::string ErrnoText(int error) {
    char buffer[256] = {};
    const char* text = ErrorText(::strerror_r(error, buffer, sizeof buffer), buffer);
    if (text == nullptr || *text == '\0') return "Unknown error " + std::to_string(error);
    return text;
}

}  // namespace vorne
