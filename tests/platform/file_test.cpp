#include "platform/file.h"

#include <gtest/gtest.h>
#include <cerrno>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/directory.h"
#include "platform/file_error.h"
#include "support/temp_dir.h"

namespace vorne {
namespace file_test {
namespace {

TEST(File, ErrorsCarryThePlatformMessage) {
    test::TempDir dir;
    try {
        File::OpenRead(dir / "missing.nes");
        FAIL() << "opened a missing file";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), dir / "missing.nes");
        EXPECT_EQ(e.Message(), "No such file or directory");
    }
    EXPECT_THROW(File::OpenReadWrite(dir.Path()), FileError);
}

TEST(FileError, TextsOfErrnoValues) {
    struct Case {
        int error;
        std::string text;
    };
    for (const Case& c : {Case{ENOENT, "No such file or directory"}, Case{EACCES, "Permission denied"},
                          Case{EFBIG, "File too large"}, Case{0x7FFF, "Unknown error 32767"}}) {
        EXPECT_EQ(ErrnoText(c.error), c.text) << c.error;
        EXPECT_EQ(FileError::FromErrno("p", c.error).what(), "p: " + c.text);
    }
}

// Opening must neither wait for a FIFO's writer nor take anything but a regular file.
TEST(File, OpensRefuseWhatIsNoRegularFile) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.nes").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("pipe.nes", (dir / "link.nes").c_str()), 0);
    ASSERT_EQ(::mkdir((dir / "folder.nes").c_str(), 0755), 0);
    Directory folder = Directory::Open(dir.Path());
    using Open = std::function<File(const std::string& name)>;
    const std::pair<const char*, Open> opens[] = {
        {"OpenRead", [&](const std::string& name) { return File::OpenRead(dir / name); }},
        {"OpenReadWrite", [&](const std::string& name) { return File::OpenReadWrite(dir / name); }},
        {"OpenFile", [&](const std::string& name) { return folder.OpenFile(name, name); }},
    };
    for (const auto& [how, open] : opens) {
        for (std::string name : {"pipe.nes", "link.nes", "folder.nes"}) {
            try {
                open(name);
                ADD_FAILURE() << how << " opened " << name;
            } catch (const FileError& e) {
                // A folder is never opened for writing at all.
                bool writingFolder = std::string_view(how) == "OpenReadWrite" && name == "folder.nes";
                EXPECT_EQ(e.Message(), writingFolder ? "Is a directory" : kNotRegularFile) << how << " " << name;
            }
        }
    }
    EXPECT_THROW(File::OpenRead("/dev/zero"), FileError);
    // A regular file reads and writes as usual after the non-blocking open.
    File file = File::OpenReadWrite(dir.Write("f.bin", {1, 2, 3}));
    file.WriteAt(3, std::vector<std::uint8_t>{4});
    std::uint8_t bytes[4];
    EXPECT_EQ(file.ReadAt(0, bytes), 4u);
    EXPECT_EQ(bytes[3], 4);
}

TEST(File, ReadsPastTheEndStopShort) {
    test::TempDir dir;
    File file = File::OpenRead(dir.Write("f", {1, 2, 3}));
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(file.ReadAt(1, buffer), 2u);
    EXPECT_EQ(buffer[0], 2);
    EXPECT_EQ(file.ReadAt(10, buffer), 0u);
    EXPECT_EQ(file.Size(), 3);
}

TEST(Directory, ExtensionsMatchWithoutRegardToCase) {
    struct Case {
        std::string_view name, extension;
        bool match;
    };
    for (const Case& c : {Case{"a.nes", "nes", true}, Case{"A.NES", "nes", true}, Case{"a.b.Nes", "nes", true},
                          Case{"nes", "nes", false}, Case{"a.nesx", "nes", false}, Case{"a.nes.bak", "nes", false},
                          Case{"x.32x", "32X", true}, Case{".078", "078", true}, Case{"a.", "nes", false}}) {
        EXPECT_EQ(HasExtension(c.name, c.extension), c.match) << c.name << " " << c.extension;
    }
}

TEST(Directory, EntriesTellFoldersFromFiles) {
    test::TempDir dir;
    dir.Write("file.nes", {1});
    dir.Write("sub/inner.nes", {2});
    Directory d = Directory::Open(dir.Path());
    auto entries = d.Entries();
    ASSERT_EQ(entries.size(), 2u);
    for (const auto& e : entries) EXPECT_EQ(e.isDirectory, e.name == "sub") << e.name;
    Directory sub = d.OpenChild("sub", "sub");
    ASSERT_EQ(sub.Entries().size(), 1u);
    EXPECT_EQ(sub.OpenFile("inner.nes", "sub/inner.nes").Size(), 1);
}

}  // namespace
}  // namespace file_test
}  // namespace vorne
