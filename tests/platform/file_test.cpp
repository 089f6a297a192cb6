#include "platform/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/directory.h"
#include "platform/file_error.h"
#include "support/temp_dir.h"

namespace vorne {
namespace {

TEST(ReplaceFileContents, KeepsPermissionsAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    std::string path = dir.Write("f.bin", {1, 2, 3, 4, 5});
    ::chmod(path.c_str(), 0604);
    ReplaceFileContents(path, std::vector<std::uint8_t>{9, 8});
    EXPECT_EQ(test::ReadFile(path), (std::vector<std::uint8_t>{9, 8}));
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
    EXPECT_EQ(test::ListFolder(dir.Path()), std::vector<std::string>{"f.bin"});
}

TEST(ReplaceFileContents, ALinkStaysALinkToTheRewrittenFile) {
    test::TempDir dir;
    std::string target = dir.Write("real.nes", {1, 2, 3});
    ASSERT_EQ(::symlink("real.nes", (dir / "link.nes").c_str()), 0);
    ReplaceFileContents(dir / "link.nes", std::vector<std::uint8_t>{4});
    EXPECT_EQ(test::ReadFile(target), (std::vector<std::uint8_t>{4}));
    struct stat st;
    ASSERT_EQ(::lstat((dir / "link.nes").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(ReplaceFileContents, FailuresLeaveTheOriginal) {
    test::TempDir dir;
    std::vector<std::uint8_t> original(100, 7);
    std::string path = dir.Write("f.bin", original);
    {
        test::FileSizeLimit limit(50);
        EXPECT_THROW(ReplaceFileContents(path, std::vector<std::uint8_t>(80, 1)), FileError);
    }
    EXPECT_EQ(test::ReadFile(path), original);
    EXPECT_EQ(test::ListFolder(dir.Path()), std::vector<std::string>{"f.bin"});
    EXPECT_THROW(ReplaceFileContents(dir / "missing", original), FileError);
    EXPECT_THROW(ReplaceFileContents(dir.Path(), original), FileError);  // a folder is no file
}

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
}  // namespace vorne
