#include "platform/file_error.h"

#include <cstring>

namespace vorne {

FileError::FileError(std::string path_, std::string message_)
    : std::runtime_error(path_ + ": " + message_), path(std::move(path_)), message(std::move(message_)) {}

FileError FileError::FromErrno(const std::string& path, int error) {
    return FileError(path, std::strerror(error));
}

}  // namespace vorne
