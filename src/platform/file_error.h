// Errors from the file system, carrying the path and the platform's own message.
#pragma once

#include <stdexcept>
#include <string>

namespace vorne {

class FileError : public std::runtime_error {
public:
    // `message` is the platform's text for the failure (see ErrnoText).
    FileError(std::string path, std::string message);

    // Builds the error from an errno value.
    static FileError FromErrno(const std::string& path, int error);

    const std::string& Path() const { return path; }
    const std::string& Message() const { return message; }

private:
    std::string path;
    std::string message;
};

// The platform's text for an errno value ("No such file or directory"); safe on any thread.
std::string ErrnoText(int error);

}  // namespace vorne
