// Rewrites and new files: what a file keeps through a rewrite, who may rewrite it, and what a
// failure or a kill leaves behind.
#include "platform/rewrite.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <stdexcept>

#include "platform/directory.h"
#include "platform/file_error.h"
#include "platform/temporary_file.h"
#include "support/as_user.h"
#include "support/temp_dir.h"

namespace vorne {
namespace rewrite_test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

// The umask of this process, read without changing it.
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Umask:")) return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    }
    ADD_FAILURE() << "no Umask line in /proc/self/status";
    return 0;
}

// The user.* extended attributes of a file.
std::map<std::string, std::string> UserAttributes(const std::string& path) {
    std::map<std::string, std::string> found;
    char names[4096];
    ssize_t size = ::listxattr(path.c_str(), names, sizeof names);
    for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
        std::string name = names + at;
        if (!name.starts_with("user.")) continue;
        char value[1024];
        ssize_t length = ::getxattr(path.c_str(), name.c_str(), value, sizeof value);
        found[name] = std::string(value, static_cast<std::size_t>(std::max<ssize_t>(length, 0)));
    }
    return found;
}

const std::map<std::string, std::string> kAttributes{{"user.origin", "cartridge dump"}, {"user.empty", ""}};

// Gives `path` the attributes above; false when the file system has no user.* attributes.
bool SetAttributes(const std::string& path) {
    for (const auto& [name, value] : kAttributes) {
        if (::setxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0) != 0) return false;
    }
    return true;
}

// The rewrite that moves bytes: the first `cut` bytes go.
RewriteProducer CutFront(std::int64_t cut) {
    return [cut](const File& original, RewriteOutput& out) { out.CopyRest(original, cut); };
}

Bytes Counting(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

TEST(TemporaryFile, PutInPlaceUnderAnyNameTheFolderAllows) {
    for (auto naming : {TemporaryFile::Naming::Unnamed, TemporaryFile::Naming::Named}) {
        for (std::size_t length : {1u, 242u, 255u}) {
            test::TempDir dir;
            std::string name(length, 'n');
            Directory folder = Directory::Open(dir.Path());
            {
                TemporaryFile temp = TemporaryFile::Create(folder.Fd(), dir / name, 0666, naming);
                temp.Output().WriteAt(0, Bytes{1, 2, 3});
                temp.PlaceAs(name);
            }
            EXPECT_EQ(test::ListFolder(dir.Path()), std::vector<std::string>{name}) << length;
            EXPECT_EQ(test::ReadFile(dir / name), (Bytes{1, 2, 3}));
            EXPECT_EQ(StatOf(dir / name).st_mode & 07777, 0666 & ~CurrentUmask()) << "the mode a new file gets";
        }
    }
}

TEST(TemporaryFile, OneNeverPutInPlaceLeavesNothing) {
    for (auto naming : {TemporaryFile::Naming::Unnamed, TemporaryFile::Naming::Named}) {
        test::TempDir dir;
        Directory folder = Directory::Open(dir.Path());
        {
            TemporaryFile temp = TemporaryFile::Create(folder.Fd(), dir / "x", 0600, naming);
            temp.Output().WriteAt(0, Bytes(1000, 1));
            auto names = test::ListFolder(dir.Path());
            if (temp.IsUnnamed()) {
                EXPECT_TRUE(names.empty());
            } else {
                ASSERT_EQ(names.size(), 1u);
                EXPECT_TRUE(names[0].starts_with(".vorne-") && names[0].size() == 13) << names[0];
            }
        }
        EXPECT_TRUE(test::ListFolder(dir.Path()).empty());
    }
}

TEST(RewriteFile, WritesWhatTheProducerMakes) {
    struct Case {
        const char* what;
        std::size_t nameLength;
        Bytes original;
        RewriteProducer produce;
        Bytes want;
    };
    const Bytes big = Counting((std::size_t{10} << 20) + 12345);  // more than one copy chunk
    const Case cases[] = {
        {"the front of a large file cut", 8, big, CutFront(512), Bytes(big.begin() + 512, big.end())},
        {"new bytes, then the rest", 8, {1, 2, 3, 4},
         [](const File& original, RewriteOutput& out) {
             out.Write(Bytes{9});
             EXPECT_EQ(out.CopyRest(original, 2), 2);
             EXPECT_EQ(out.Written(), 3);
         },
         {9, 3, 4}},
        {"a name of 242 bytes", 242, {1, 2, 3}, CutFront(1), {2, 3}},
        {"a name of 255 bytes", 255, {1, 2, 3}, CutFront(1), {2, 3}},
        {"to nothing", 8, {1, 2, 3}, CutFront(3), {}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        std::string name(c.nameLength, 'g');
        std::string path = dir.Write(name, c.original);
        RewriteFile(path, c.produce);
        EXPECT_EQ(test::ReadFile(path), c.want) << c.what;
        EXPECT_EQ(test::ListFolder(dir.Path()), std::vector<std::string>{name}) << c.what;
    }
}

TEST(RewriteFile, ALinkStaysALinkToTheRewrittenFile) {
    test::TempDir dir;
    std::string target = dir.Write("real.nes", {1, 2, 3});
    ASSERT_EQ(::symlink("real.nes", (dir / "link.nes").c_str()), 0);
    ReplaceFileContents(dir / "link.nes", Bytes{4});
    EXPECT_EQ(test::ReadFile(target), Bytes{4});
    EXPECT_TRUE(S_ISLNK(StatOf(dir / "link.nes").st_mode));
}

TEST(RewriteFile, FailuresLeaveTheOriginal) {
    struct Case {
        const char* what;
        std::function<void(const std::string& path)> run;
    };
    const Case cases[] = {
        {"the size limit stops the new file",
         [](const std::string& path) {
             test::FileSizeLimit limit(50);
             EXPECT_THROW(ReplaceFileContents(path, Bytes(80, 1)), FileError);
         }},
        {"the producer calls it off",
         [](const std::string& path) {
             EXPECT_THROW(RewriteFile(path,
                                      [](const File&, RewriteOutput& out) {
                                          out.Write(Bytes(10, 2));
                                          throw std::runtime_error("no");
                                      }),
                          std::runtime_error);
         }},
        {"a missing file", [](const std::string& path) { EXPECT_THROW(ReplaceFileContents(path + "x", Bytes{1}), FileError); }},
        {"a folder",
         [](const std::string& path) {
             EXPECT_THROW(ReplaceFileContents(path.substr(0, path.find_last_of('/')), Bytes{1}), FileError);
         }},
    };
    const Bytes original(100, 7);
    for (const Case& c : cases) {
        test::TempDir dir;
        std::string path = dir.Write("f.bin", original);
        c.run(path);
        EXPECT_EQ(test::ReadFile(path), original) << c.what;
        EXPECT_EQ(test::ListFolder(dir.Path()), std::vector<std::string>{"f.bin"}) << c.what;
    }
}

// What another program does to the file while it is copied is never lost: a file replaced, grown
// or written over meanwhile stays as that program left it, and the copy goes.
TEST(RewriteFile, AFileChangedMeanwhileIsLeftAlone) {
    struct Case {
        const char* what;
        std::function<void(const std::string& path, const std::string& other)> meanwhile;
        const char* reason;
        Bytes left;
    };
    const auto writeAt = [](const std::string& path, off_t at, const Bytes& bytes) {
        File file = File::OpenReadWrite(path);
        file.WriteAt(at, bytes);
    };
    const Case cases[] = {
        {"replaced", [](const std::string& path, const std::string& other) { ASSERT_EQ(::rename(other.c_str(), path.c_str()), 0); },
         "was replaced by another file", {5, 6}},
        {"appended to", [&](const std::string& path, const std::string&) { writeAt(path, 3, {4}); },
         "was changed by another program", {1, 2, 3, 4}},
        {"written over, its size kept", [&](const std::string& path, const std::string&) { writeAt(path, 0, {7}); },
         "was changed by another program", {7, 2, 3}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        std::string path = dir.Write("f.bin", {1, 2, 3});
        std::string other = dir.Write("other.bin", {5, 6});
        // An old modification time, so that a write now gives it another even on a coarse clock.
        const struct timespec old[2] = {{1000, 0}, {1000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
        try {
            RewriteFile(path, [&](const File& from, RewriteOutput& out) {
                out.CopyRest(from, 1);
                c.meanwhile(path, other);
            });
            ADD_FAILURE() << "rewrote a file that was " << c.what;
        } catch (const FileError& e) {
            EXPECT_EQ(e.Message(), std::string(c.reason) + " while it was rewritten; it is left as it is") << c.what;
        }
        EXPECT_EQ(test::ReadFile(path), c.left) << c.what;
        EXPECT_EQ(test::ListFolder(dir.Path()).size(), c.left.size() == 2 ? 1u : 2u) << c.what;  // no temporary file
    }
}

// Who may rewrite a file, and what it keeps: its owner, group and mode (setuid, setgid and sticky
// bits too), its extended attributes and its hard links. A rewrite is allowed exactly when a
// write in place would be, and is refused rather than lose any of these.
TEST(RewriteFile, KeepsOwnerModeAttributesAndLinks) {
    enum Who { Root, Nobody };
    struct Case {
        const char* what;
        mode_t mode;
        Who owner;
        Who group;
        Who rewriter;
        bool attributes;
        bool secondLink;
        const char* refusal;  // part of the message when the rewrite is refused
    };
    const Case cases[] = {
        {"a plain file", 0640, Root, Root, Root, false, false, nullptr},
        {"setuid, another user's, by root", 04755, Nobody, Nobody, Root, false, false, nullptr},
        {"setgid, another user's, by root", 02755, Nobody, Nobody, Root, false, false, nullptr},
        {"sticky, another user's, by root", 01644, Nobody, Nobody, Root, false, false, nullptr},
        {"setuid and setgid, own file", 06750, Nobody, Nobody, Nobody, false, false, nullptr},
        {"sticky, own file", 01600, Nobody, Nobody, Nobody, false, false, nullptr},
        {"read-only, by root", 0444, Root, Root, Root, false, false, nullptr},
        {"extended attributes", 0644, Root, Root, Root, true, false, nullptr},
        {"extended attributes, own file", 0600, Nobody, Nobody, Nobody, true, false, nullptr},
        {"read-only, another user's, in a writable folder", 0644, Root, Root, Nobody, false, false, "Permission denied"},
        {"read-only, own file, in a writable folder", 0444, Nobody, Nobody, Nobody, false, false, "Permission denied"},
        {"another user's, group-writable", 0664, Root, Nobody, Nobody, false, false, "owner"},
        {"two hard links", 0644, Root, Root, Root, false, true, "hard links"},
        {"two hard links, own file", 0644, Nobody, Nobody, Nobody, false, true, "hard links"},
    };
    const test::Account nobody = test::Nobody();
    const Bytes original = Counting(3000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // An ordinary user plays both parts of a case that has one user only; the others need
        // root, to give files away, to act as another user, or to write a read-only file.
        const bool oneUser = c.owner == c.group && c.group == c.rewriter;
        const bool rootWritesReadOnly = c.rewriter == Root && (c.mode & 0200) == 0 && c.refusal == nullptr;
        if (!test::IsRoot() && (!oneUser || rootWritesReadOnly)) {
            std::cout << "skipped (needs root to act as another user): " << c.what << "\n";
            continue;
        }
        if (!test::IsRoot() && c.rewriter == Root && (c.mode & 0222) == 0) {
            std::cout << "skipped (needs root to write a read-only file): " << c.what << "\n";
            continue;
        }
        const bool asNobody = test::IsRoot() && c.rewriter == Nobody;
        test::TempDir dir;
        ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);  // a folder the other user may write
        std::string path = dir.Write("f.bin", original);
        const bool giveAway = test::IsRoot();
        ASSERT_EQ(::chown(path.c_str(), giveAway && c.owner == Nobody ? nobody.uid : ::geteuid(),
                          giveAway && c.group == Nobody ? nobody.gid : ::getegid()),
                  0);
        ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);  // after the owner, which clears setuid
        if (c.attributes && !SetAttributes(path)) {
            std::cout << "skipped (no user.* extended attributes on " << dir.Path() << "): " << c.what << "\n";
            continue;
        }
        if (c.secondLink) {
            ASSERT_EQ(::link(path.c_str(), (dir / "second.bin").c_str()), 0);
        }
        const struct stat before = StatOf(path);
        const auto attributes = UserAttributes(path);

        auto result = test::RunAs(asNobody ? &nobody : nullptr, [&] { RewriteFile(path, CutFront(100)); });

        const struct stat after = StatOf(path);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_EQ(after.st_mode, before.st_mode) << std::oct << after.st_mode << " against " << before.st_mode;
        EXPECT_EQ(UserAttributes(path), attributes);
        if (c.refusal == nullptr) {
            EXPECT_EQ(result.outcome, test::ChildResult::Done) << result.message;
            EXPECT_EQ(test::ReadFile(path), Bytes(original.begin() + 100, original.end()));
        } else {
            EXPECT_EQ(result.outcome, test::ChildResult::FileError) << result.message;
            EXPECT_NE(result.message.find(c.refusal), std::string::npos) << result.message;
            EXPECT_EQ(test::ReadFile(path), original);
            EXPECT_EQ(after.st_ino, before.st_ino);
        }
        if (c.secondLink) {
            EXPECT_EQ(after.st_nlink, 2u);
            EXPECT_EQ(StatOf(dir / "second.bin").st_ino, after.st_ino);
        }
        auto names = test::ListFolder(dir.Path());
        EXPECT_EQ(names.size(), c.secondLink ? 2u : 1u) << "a temporary file was left";
    }
}

// A process killed in the middle of a rewrite leaves the original, and no temporary file.
TEST(RewriteFile, AKillLeavesNothingBehind) {
    test::TempDir dir;
    {
        Directory folder = Directory::Open(dir.Path());
        if (!TemporaryFile::Create(folder.Fd(), dir / "probe", 0600).IsUnnamed()) {
            GTEST_SKIP() << "the file system of " << dir.Path() << " has no unnamed temporary files";
        }
    }
    const Bytes original = Counting(1 << 20);
    std::string path = dir.Write("f.bin", original);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RewriteFile(path, [&](const File& from, RewriteOutput& out) {
            out.CopyRest(from, 10);
            [[maybe_unused]] ssize_t ignored = ::write(ready[1], "x", 1);  // half-way: kill me now
            for (;;) ::pause();
        });
        ::_exit(0);
    }
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(test::ReadFile(path), original);
    EXPECT_EQ(test::ListFolder(dir.Path()), std::vector<std::string>{"f.bin"});
}

TEST(WriteFileAtomically, NewAndExistingFiles) {
    enum Existing { None, Regular, Fifo };
    struct Case {
        const char* what;
        std::size_t nameLength;
        Existing existing;
        bool written;
        mode_t mode;  // of the file afterwards (0: what a new file gets)
    };
    const Case cases[] = {
        {"a new file", 5, None, true, 0},
        {"a new file with a name of 255 bytes", 255, None, true, 0},
        {"an existing file keeps its mode", 5, Regular, true, 0604},
        {"an existing file with a name of 255 bytes", 255, Regular, true, 0604},
        {"a FIFO is no file to write", 5, Fifo, false, 0},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        std::string path = dir / std::string(c.nameLength, 'o');
        if (c.existing == Regular) {
            dir.Write(std::string(c.nameLength, 'o'), {1});
            ::chmod(path.c_str(), c.mode);
        }
        if (c.existing == Fifo) {
            ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        }
        if (c.written) {
            WriteFileAtomically(path, Bytes{7, 8});
            EXPECT_EQ(test::ReadFile(path), (Bytes{7, 8})) << c.what;
            EXPECT_EQ(StatOf(path).st_mode & 07777, c.mode != 0 ? c.mode : 0666 & ~CurrentUmask()) << c.what;
        } else {
            EXPECT_THROW(WriteFileAtomically(path, Bytes{7, 8}), FileError) << c.what;
        }
        EXPECT_EQ(test::ListFolder(dir.Path()).size(), 1u) << c.what;
    }
}

// A new output never takes the place of a file that has its name, even one that appears while
// the output is written; a producer that throws leaves nothing.
TEST(WriteNewFile, NeverReplacesAFile) {
    struct Case {
        const char* what;
        bool exists;        // before the write
        bool appears;       // made while the output is written
        bool producerThrows;
    };
    const Case cases[] = {
        {"a free name", false, false, false},
        {"a taken name", true, false, false},
        {"a name taken meanwhile", false, true, false},
        {"a producer that gives up", false, false, true},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string path = dir / "out.bin";
        if (c.exists) dir.Write("out.bin", {1});
        auto write = [&] {
            WriteNewFile(path, [&](RewriteOutput& out) {
                out.Write(Bytes{7, 8});
                out.WriteAt(5, Bytes{9});
                if (c.appears) dir.Write("out.bin", {2});
                if (c.producerThrows) throw std::runtime_error("no");
            });
        };
        if (c.exists || c.appears) {
            try {
                write();
                ADD_FAILURE() << c.what << ": no error";
            } catch (const FileError& e) {
                EXPECT_EQ(e.Path(), path) << c.what;
                EXPECT_EQ(e.Message(), "File exists") << c.what;
            }
            EXPECT_EQ(test::ReadFile(path), (Bytes{static_cast<std::uint8_t>(c.exists ? 1 : 2)})) << c.what;
        } else if (c.producerThrows) {
            EXPECT_THROW(write(), std::runtime_error) << c.what;
        } else {
            write();
            EXPECT_EQ(test::ReadFile(path), (Bytes{7, 8, 0, 0, 0, 9})) << c.what;
            EXPECT_EQ(StatOf(path).st_mode & 07777, 0666 & ~CurrentUmask()) << c.what;
        }
        EXPECT_EQ(test::ListFolder(dir.Path()), c.producerThrows ? std::vector<std::string>{}
                                                                 : std::vector<std::string>{"out.bin"})
            << c.what;
    }
    // Both ways of placing: an unnamed file is linked, a named one renamed without replacing.
    for (auto naming : {TemporaryFile::Naming::Unnamed, TemporaryFile::Naming::Named}) {
        test::TempDir dir;
        dir.Write("taken", {1});
        Directory folder = Directory::Open(dir.Path());
        TemporaryFile temp = TemporaryFile::Create(folder.Fd(), dir / "taken", 0644, naming);
        temp.Output().WriteAt(0, Bytes{5});
        EXPECT_THROW(temp.PlaceAsNew("taken"), FileError);
        temp.PlaceAsNew("free");
        EXPECT_EQ(test::ReadFile(dir / "taken"), Bytes{1});
        EXPECT_EQ(test::ReadFile(dir / "free"), Bytes{5});
        EXPECT_EQ(test::ListFolder(dir.Path()), (std::vector<std::string>{"free", "taken"}));
    }
}

// Past the file-size limit a write fails with EFBIG once SIGXFSZ is ignored; otherwise the
// signal kills the process in the middle of the write.
TEST(IgnoreFileSizeSignal, MakesTheLimitAnError) {
    for (bool ignored : {true, false}) {
        test::TempDir dir;
        std::string path = dir.Write("f.bin", {});
        auto result = test::RunAs(nullptr, [&] {
            ::signal(SIGXFSZ, SIG_DFL);
            if (ignored) IgnoreFileSizeSignal();
            struct rlimit limit {};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 10;
            ::setrlimit(RLIMIT_FSIZE, &limit);
            File::OpenReadWrite(path).WriteAt(0, Bytes(100, 1));
        });
        if (ignored) {
            EXPECT_EQ(result.outcome, test::ChildResult::FileError);
            EXPECT_NE(result.message.find("File too large"), std::string::npos) << result.message;
        } else {
            EXPECT_EQ(result.outcome, test::ChildResult::Crashed);
        }
    }
}

}  // namespace
}  // namespace rewrite_test
}  // namespace vorne
