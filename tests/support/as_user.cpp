#include "support/as_user.h"

#include <grp.h>
#include <pwd.h>
#include <sys/fsuid.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "base/rom_header.h"
#include "platform/file_error.h"

namespace vorne::test {

Account Nobody() {
    if (const passwd* entry = ::getpwnam("nobody")) return {entry->pw_uid, entry->pw_gid};
    return {65534, 65534};
}

bool IsRoot() { return ::geteuid() == 0; }

ChildResult RunAs(const Account* account, const std::function<void()>& work) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
    pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        ::close(pipeFds[0]);
        ChildResult::Outcome outcome = ChildResult::Done;
        std::string message;
        if (account != nullptr && (::setgroups(0, nullptr) != 0 || ::setgid(account->gid) != 0 || ::setuid(account->uid) != 0)) {
            message = "cannot become the other user";
            outcome = ChildResult::OtherError;
        } else {
            try {
                work();
            } catch (const FileError& e) {
                outcome = ChildResult::FileError;
                message = e.what();
            } catch (const OperationRefused& e) {
                outcome = ChildResult::Refused;
                message = e.what();
            } catch (const std::exception& e) {
                outcome = ChildResult::OtherError;
                message = e.what();
            }
        }
        [[maybe_unused]] ssize_t ignored = ::write(pipeFds[1], message.data(), message.size());
        ::_exit(static_cast<int>(outcome));
    }
    ::close(pipeFds[1]);
    ChildResult result;
    char buffer[512];
    ssize_t got;
    while ((got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) result.message.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.outcome = WIFEXITED(status) ? static_cast<ChildResult::Outcome>(WEXITSTATUS(status)) : ChildResult::Crashed;
    return result;
}

OrdinaryFileUser::OrdinaryFileUser() {
    if (IsRoot()) ::setfsuid(Nobody().uid);
}

OrdinaryFileUser::~OrdinaryFileUser() {
    if (IsRoot()) ::setfsuid(0);
}

}  // namespace vorne::test
