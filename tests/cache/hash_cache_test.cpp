// The hash cache gives what reading the files gives, whatever happened to them or to it.
#include "cache/hash_cache.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "images.h"
#include "support/as_user.h"
#include "support/temp_dir.h"

namespace vorne {
namespace hash_cache_test {
namespace {

using samples::Bytes;
using test::RunCli;

struct Folder {
    test::TempDir dir;
    std::string cache = dir / "cache/hashes.sqlite";
    std::string dat;

    Folder() {
        for (int i = 0; i < 3; ++i) dir.Write("roms/game" + std::to_string(i) + ".nes", samples::MakeNes({.seed = static_cast<std::uint32_t>(i + 1)}));
        const std::string text = "<datafile><game name=\"x\"><rom name=\"x.nes\" size=\"1\" crc=\"00000000\"/></game></datafile>";
        dat = dir.Write("x.dat", {text.begin(), text.end()});
        // Files changed in the last two seconds before a scan are not kept: let them settle.
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    }
    // With the DAT, or a plain scan (the reader's columns alone) when `plain`.
    test::CommandResult Scan(bool useCache, bool plain = false) const {
        std::vector<std::string> args{"scan", dir / "roms", "--kind", "nes", "--json"};
        if (!plain) args.insert(args.end(), {"--dat", dat});
        if (useCache) {
            args.insert(args.end(), {"--cache", cache});
        } else {
            args.push_back("--no-cache");
        }
        return RunCli(args);
    }
};

// Puts the file's modification time back to what `before` says (its change time moves on).
void RestoreTimes(const std::string& path, const struct stat& before) {
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(HashCache, ARescanSeesEveryChange) {
    struct Case {
        const char* what;
        void (*change)(const Folder& f);
    };
    const Case cases[] = {
        {"nothing changed", [](const Folder&) {}},
        {"the content changed, its size and modification time put back",
         [](const Folder& f) {
             const std::string path = f.dir / "roms/game1.nes";
             struct stat before;
             ASSERT_EQ(stat(path.c_str(), &before), 0);
             Bytes bytes = test::ReadFile(path);
             bytes[100] ^= 0xFF;
             {
                 std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
                 file.seekp(100);
                 file.put(static_cast<char>(bytes[100]));
             }
             RestoreTimes(path, before);
         }},
        {"the file replaced by a rename",
         [](const Folder& f) {
             const std::string path = f.dir / "roms/game2.nes";
             struct stat before;
             ASSERT_EQ(stat(path.c_str(), &before), 0);
             const std::string other = f.dir.Write("other.nes", samples::MakeNes({.seed = 99}));
             RestoreTimes(other, before);
             ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
         }},
        {"a file removed and another made in its place",
         [](const Folder& f) {
             const std::string path = f.dir / "roms/game0.nes";
             struct stat before;
             ASSERT_EQ(stat(path.c_str(), &before), 0);
             ASSERT_EQ(std::remove(path.c_str()), 0);
             f.dir.Write("roms/game0.nes", samples::MakeNes({.seed = 77}));  // may well get the inode back
             RestoreTimes(path, before);
         }},
    };
    for (const bool plain : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (plain ? ", plain scans" : ", with a DAT"));
            Folder f;
            const auto first = f.Scan(true, plain);
            ASSERT_EQ(first.exitCode, 0) << first.err;
            c.change(f);
            const auto again = f.Scan(true, plain);
            const auto fresh = f.Scan(false, plain);
            ASSERT_EQ(again.exitCode, 0) << again.err;
            // The timing differs from run to run; everything before it must not.
            EXPECT_EQ(again.out.substr(0, again.out.find("\"status\"")), fresh.out.substr(0, fresh.out.find("\"status\"")));
            EXPECT_EQ(again.err, "");
        }
    }
}

TEST(HashCache, ADamagedOrUnusableCacheIsRebuiltOrDoneWithout) {
    Folder f;
    const auto fresh = f.Scan(false);
    struct Case {
        const char* what;
        std::string contents;  // of the cache file, written before the scan
        std::string warning;
    };
    const Case cases[] = {
        {"not a database", std::string(4096, 'x'), "the hash cache was damaged and is made afresh"},
        {"a database cut short", "SQLite format 3" + std::string(1, '\0') + std::string(200, '\x01'),
         "the hash cache was damaged and is made afresh"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        f.dir.Write("cache/hashes.sqlite", {c.contents.begin(), c.contents.end()});
        const auto scan = f.Scan(true);
        ASSERT_EQ(scan.exitCode, 0);
        EXPECT_NE(scan.err.find(c.warning), std::string::npos) << scan.err;
        EXPECT_EQ(scan.out.substr(0, scan.out.find("\"status\"")), fresh.out.substr(0, fresh.out.find("\"status\"")));
        const auto again = f.Scan(true);  // and the rebuilt cache serves
        EXPECT_EQ(again.err, "");
        EXPECT_EQ(again.out.substr(0, again.out.find("\"status\"")), fresh.out.substr(0, fresh.out.find("\"status\"")));
    }
    // Damage past the first page shows only when the folder's rows are read: made afresh then.
    {
        ASSERT_EQ(std::remove(f.cache.c_str()), 0);
        ASSERT_EQ(f.Scan(true).err, "");
        Bytes bytes = test::ReadFile(f.cache);
        ASSERT_GE(bytes.size(), 2 * 4096u);
        std::fill(bytes.end() - 4096, bytes.end(), std::uint8_t{0xA5});
        f.dir.Write("cache/hashes.sqlite", bytes);
        const auto scan = f.Scan(true);
        EXPECT_NE(scan.err.find("the hash cache was damaged and is made afresh"), std::string::npos) << scan.err;
        EXPECT_EQ(scan.out.substr(0, scan.out.find("\"status\"")), fresh.out.substr(0, fresh.out.find("\"status\"")));
    }
    // A cache where none can be made: the scan goes on without it.
    const auto nowhere = RunCli({"scan", f.dir / "roms", "--kind", "nes", "--dat", f.dat, "--json", "--cache",
                                 f.dir / "x.dat/hashes.sqlite"});
    EXPECT_EQ(nowhere.exitCode, 0);
    EXPECT_NE(nowhere.err.find("scanning without it"), std::string::npos) << nowhere.err;
    EXPECT_EQ(nowhere.out.substr(0, nowhere.out.find("\"status\"")), fresh.out.substr(0, fresh.out.find("\"status\"")));
}

TEST(HashCache, TwoVorneCliAtOnceShareIt) {
    Folder f;
    // Enough files that both write their entries while the other reads and writes.
    for (int i = 3; i < 400; ++i) f.dir.Write("roms/more" + std::to_string(i) + ".nes", samples::MakeNes({.prgBanks = 1, .seed = static_cast<std::uint32_t>(i + 1)}));
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    const auto fresh = f.Scan(false);
    for (int round = 0; round < 2; ++round) {  // an empty cache, then a full one
        SCOPED_TRACE(round);
        auto one = std::async(std::launch::async, [&] { return f.Scan(true); });
        auto two = std::async(std::launch::async, [&] { return f.Scan(true); });
        for (const test::CommandResult& scan : {one.get(), two.get()}) {
            EXPECT_EQ(scan.exitCode, 0);
            EXPECT_EQ(scan.err, "");
            EXPECT_EQ(scan.out.substr(0, scan.out.find("\"status\"")), fresh.out.substr(0, fresh.out.find("\"status\"")));
        }
    }
}

// A cache this user may not write says so, not that it cannot be read: it is read when it can be.
TEST(HashCache, ACacheThatCannotBeWrittenSaysSo) {
    test::TempDir dir;
    const std::string folder = dir / "cache";
    const std::string path = folder + "/hashes.sqlite";
    {
        HashCache cache(path);
        cache.Store("/roms", "a.nes", "nes", {}, "value");
        cache.Commit();
        ASSERT_TRUE(cache.TakeWarnings().empty());
    }
    namespace fs = std::filesystem;
    fs::permissions(dir.Path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const struct {
        const char* what;
        fs::perms folder;
        std::string warning;
        bool usable;
    } cases[] = {
        {"in a folder it may write", fs::perms::all, "the hash cache cannot be written; it is read, and nothing new is kept", true},
        {"in a folder it may not write", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec,
         "the hash cache cannot be written, nor read without writing (", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(path + "-wal");
        fs::remove(path + "-shm");
        fs::permissions(folder, c.folder);
        test::OrdinaryFileUser user;
        HashCache cache(path);
        const std::vector<std::string> warnings = cache.TakeWarnings();
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0].substr(0, c.warning.size()), c.warning);
        EXPECT_EQ(cache.Usable(), c.usable);
        if (c.usable) {
            std::string value;
            EXPECT_TRUE(cache.LoadFolder("/roms", "nes", [&](std::string_view name, const FileStamp&, std::string_view v) {
                if (name == HashCache::EntryName("a.nes")) value = v;
            }));
            EXPECT_EQ(value, "value");
        }
    }
    fs::permissions(folder, fs::perms::all);
}

TEST(HashCache, ARescanOpensNoRomFile) {
    if (system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
    for (const bool plain : {false, true}) {
        SCOPED_TRACE(plain ? "a plain scan" : "a scan with a DAT");
        Folder f;
        ASSERT_EQ(f.Scan(true, plain).exitCode, 0);
        const std::string log = f.dir / "trace.log";
        // Leak checking cannot run under ptrace: a sanitizer build of vorne-cli would fail for that alone.
        const std::string command = "ASAN_OPTIONS=detect_leaks=0 strace -f -qq -e trace=open,openat,open_tree -o '" + log + "' '" + test::CliPath() + "' scan '" +
                                    f.dir / "roms" + "' --kind nes " + (plain ? "" : "--dat '" + f.dat + "' ") + "--cache '" + f.cache + "' >/dev/null";
        ASSERT_EQ(system(command.c_str()), 0);
        std::ifstream trace(log);
        std::string line;
        int opens = 0;
        while (std::getline(trace, line)) {
            if (line.find("open") != std::string::npos) ++opens;
            EXPECT_EQ(line.find(".nes\""), std::string::npos) << line;
        }
        EXPECT_GT(opens, 0);  // the trace saw the process at all
    }
}

}  // namespace
}  // namespace hash_cache_test
}  // namespace vorne
