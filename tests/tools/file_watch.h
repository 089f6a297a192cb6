// Test helper: counts how often a file is opened while the object lives (inotify). Closes are
// watched too, so that two opens in a row are not merged into one event.
#pragma once

#include <sys/inotify.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace vorne::test {

class FileWatch {
public:
    explicit FileWatch(const std::string& path) : fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (fd < 0 || ::inotify_add_watch(fd, path.c_str(), IN_OPEN | IN_CLOSE) < 0) {
            throw std::runtime_error("cannot watch " + path);
        }
    }
    ~FileWatch() { ::close(fd); }
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // The opens so far (each call drains them).
    int TakeOpens() {
        int opens = 0;
        alignas(inotify_event) char buffer[4096];
        ssize_t got;
        while ((got = ::read(fd, buffer, sizeof buffer)) > 0) {
            for (char* p = buffer; p < buffer + got;) {
                auto* event = reinterpret_cast<inotify_event*>(p);
                if (event->mask & IN_OPEN) ++opens;
                p += sizeof(inotify_event) + event->len;
            }
        }
        return opens;
    }

private:
    int fd;
};

}  // namespace vorne::test
