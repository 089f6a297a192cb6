// Test helper: running a piece of work as another user, in a child process.
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>

namespace vorne::test {

// The unprivileged account the tests act as when they run as root.
struct Account {
    uid_t uid;
    gid_t gid;
};
Account Nobody();

// True when the tests run as root (and so may act as another user and give files away).
bool IsRoot();

struct ChildResult {
    enum Outcome { Done, FileError, Refused, OtherError, Crashed } outcome = Crashed;
    std::string message;  // what was thrown, if anything
};

// Runs `work` in a child process that has become `account` (all its groups dropped but the
// account's own) when the caller is root, or stays who the caller is otherwise. Exceptions
// thrown by `work` come back as the outcome and message.
ChildResult RunAs(const Account* account, const std::function<void()>& work);

// While it lives, file permissions apply to the calling thread as they would to an ordinary user,
// even when the tests run as root (the thread's file system user is then Nobody(), which also
// drops root's power to ignore permissions for this thread alone).
class OrdinaryFileUser {
public:
    OrdinaryFileUser();
    ~OrdinaryFileUser();
    OrdinaryFileUser(const OrdinaryFileUser&) = delete;
    OrdinaryFileUser& operator=(const OrdinaryFileUser&) = delete;
};

}  // namespace vorne::test
