#include "platform/trash.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

#include "support/temp_dir.h"

namespace vorne {
namespace trash_test {
namespace {

namespace fs = std::filesystem;

std::string Text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A home whose data folder is `dir`/home/share and a second volume, `dir`/usb: the volume check
// is put in, since the tests cannot mount one.
struct Volumes {
    std::string root;
    TrashSystem system;

    explicit Volumes(const test::TempDir& dir) : root(fs::canonical(dir.Path()).string()) {
        system.dataHome = root + "/home/share";
        system.uid = ::geteuid();
        const std::string usb = root + "/usb";
        system.volume = [usb](const std::string& path) { return static_cast<dev_t>(path.starts_with(usb) ? 2 : 1); };
        system.topDirectory = [usb](const std::string&) { return usb; };
    }
};

TEST(Trash, MovesIntoTheTrashOfTheFilesVolume) {
    const struct Case {
        const char* what;
        std::string file;                                 // under the test folder
        std::function<void(const std::string& root)> set;  // what is there beforehand
        std::string trashed;                              // where the file goes, under the test folder
        std::string pathKey;                              // the info file's Path, with ROOT for the test folder
    } cases[] = {
        {"the home trash", "roms/a.gb", [](const std::string& root) { fs::create_directories(root + "/home/share/Trash/files"); },
         "home/share/Trash/files/a.gb", "ROOT/roms/a.gb"},
        {"a home trash not made yet, nor its data folder", "roms/a.gb", nullptr, "home/share/Trash/files/a.gb", "ROOT/roms/a.gb"},
        {"a name that needs escaping", "roms/Zelda <Beta> 100%\xC3\xBC.nes", nullptr,
         "home/share/Trash/files/Zelda <Beta> 100%\xC3\xBC.nes", "ROOT/roms/Zelda%20%3CBeta%3E%20100%25%C3%BC.nes"},
        {"namesakes already trashed, one without its info file", "roms/a.gb",
         [](const std::string& root) {
             fs::create_directories(root + "/home/share/Trash/info");
             fs::create_directories(root + "/home/share/Trash/files");
             std::ofstream(root + "/home/share/Trash/info/a.gb.trashinfo") << "[Trash Info]\n";
             std::ofstream(root + "/home/share/Trash/files/a.gb");
             std::ofstream(root + "/home/share/Trash/files/a.2.gb");
         },
         "home/share/Trash/files/a.3.gb", "ROOT/roms/a.gb"},
        {"another volume without a shared trash", "usb/roms/a.gb", nullptr, "usb/.Trash-UID/files/a.gb", "roms/a.gb"},
        {"another volume's shared trash", "usb/a.gb",
         [](const std::string& root) {
             fs::create_directories(root + "/usb/.Trash");
             fs::permissions(root + "/usb/.Trash", fs::perms::all | fs::perms::sticky_bit);
         },
         "usb/.Trash/UID/files/a.gb", "a.gb"},
        {"a shared trash without the sticky bit is not used", "usb/a.gb",
         [](const std::string& root) { fs::create_directories(root + "/usb/.Trash"); }, "usb/.Trash-UID/files/a.gb", "a.gb"},
        {"a shared trash that is a link is not used", "usb/a.gb",
         [](const std::string& root) {
             fs::create_directories(root + "/elsewhere");
             fs::permissions(root + "/elsewhere", fs::perms::all | fs::perms::sticky_bit);
             fs::create_directory_symlink(root + "/elsewhere", root + "/usb/.Trash");
         },
         "usb/.Trash-UID/files/a.gb", "a.gb"},
    };
    const std::string uid = std::to_string(::geteuid());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        Volumes volumes(dir);
        const std::string file = dir.Write(c.file, {1, 2, 3});
        fs::create_directories(volumes.root + "/usb");
        if (c.set) c.set(volumes.root);
        const std::string expected = std::regex_replace(volumes.root + "/" + c.trashed, std::regex("UID"), uid);

        EXPECT_EQ(MoveToTrash(file, volumes.system), expected);

        EXPECT_FALSE(fs::exists(fs::symlink_status(file)));
        EXPECT_EQ(test::ReadFile(expected), (std::vector<std::uint8_t>{1, 2, 3}));
        const fs::path trash = fs::path(expected).parent_path().parent_path();
        if (!c.set) {
            EXPECT_EQ(fs::status(trash).permissions() & fs::perms::all, fs::perms::owner_all);  // made private
        }
        const std::string info = Text((trash / "info" / fs::path(expected).filename()).string() + ".trashinfo");
        const std::string head = "[Trash Info]\nPath=" + std::regex_replace(c.pathKey, std::regex("ROOT"), volumes.root) + "\nDeletionDate=";
        EXPECT_TRUE(info.starts_with(head) &&
                    std::regex_match(info.substr(head.size()), std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n")))
            << info;
    }
}

TEST(Trash, WithoutAUsableTrashTheFileStays) {
    const struct Case {
        const char* what;
        std::string file;
        std::function<void(const std::string& root)> set;
    } cases[] = {
        {"the other volume's trash folder is a file", "usb/a.gb",
         [](const std::string& root) { std::ofstream(root + "/usb/.Trash-" + std::to_string(::geteuid())); }},
        {"the home's data folder is a file", "roms/a.gb",
         [](const std::string& root) {
             fs::create_directories(root + "/home");
             std::ofstream(root + "/home/share");
         }},
        {"the home trash's info folder is a file", "roms/a.gb",
         [](const std::string& root) {
             fs::create_directories(root + "/home/share/Trash");
             std::ofstream(root + "/home/share/Trash/info");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        Volumes volumes(dir);
        const std::string file = dir.Write(c.file, {1, 2, 3});
        fs::create_directories(volumes.root + "/usb");
        c.set(volumes.root);
        try {
            MoveToTrash(file, volumes.system);
            ADD_FAILURE() << "moved to a trash";
        } catch (const NoTrashError& e) {
            EXPECT_EQ(e.Path(), file);
            EXPECT_TRUE(std::string(e.what()).find("cannot be moved to the trash") != std::string::npos) << e.what();
        }
        EXPECT_EQ(test::ReadFile(file), (std::vector<std::uint8_t>{1, 2, 3}));
    }
    // A file that is not there is an ordinary file error, not a missing trash.
    test::TempDir dir;
    Volumes volumes(dir);
    try {
        MoveToTrash(dir / "gone.gb", volumes.system);
        ADD_FAILURE() << "moved a missing file";
    } catch (const NoTrashError&) {
        ADD_FAILURE() << "told of no trash";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Message(), "No such file or directory");
    }
}

}  // namespace
}  // namespace trash_test
}  // namespace vorne
