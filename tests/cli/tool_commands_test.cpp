// vorne-cli's batch commands as a black box: standard output, stderr and exit codes apart.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "images.h"
#include "support/as_user.h"
#include "support/temp_dir.h"
#include "zip_writer.h"

namespace vorne {
namespace tool_commands_test {
namespace {

using samples::Bytes;
using test::RunCli;

std::string Text(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }
Bytes Of(const std::string& text) { return {text.begin(), text.end()}; }

TEST(CliTools, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"clean-headers"},
        {"remove-trainers", "--subdirs"},
        {"clean-headers", ".", "--yes"},
        {"convert"},
        {"convert", "smd"},
        {"convert", "zip", "."},
        {"tag", "."},
        {"tag", ".", "--delete", "--title", "x"},
        {"tag", ".", "--delete", "--delete-id3v2"},
        {"tag", ".", "--id3v2", "--delete"},
        {"set", "x.nes", "--kind", "nes", test::SetPair(NesField::Mapper, "1"), "--id3v2"},
        {"tag", "--artist", "x"},
        {"ips", "a"},
        {"ips", "a", "b", "c"},
        {"compare", "a"},
        {"save-list", ".", "--kind", "nes"},
        {"save-list", ".", "-o", "x"},
        {"save-list", ".", "--kind", "mp3", "-o", "x", "--widths", "1,2,3"},
        {"save-list", ".", "--kind", "zip", "-o", "x", "--widths", "1,2,x,4"},
        {"save-list", ".", "--kind", "zip", "-o", "x", "--widths", "1,,3,4"},
        {"save-list", ".", "--kind", "zip", "-o", "x", "--widths", "1,2147483647,3,4"},
        {"save-list", ".", "--kind", "zip", "-o", "x", "--widths", "1,20481,3,4"},
    };
    test::TempDir dir;
    for (const auto& args : cases) {
        const std::string joined = test::CommandLine(args);
        auto result = RunCli(args);
        EXPECT_EQ(result.exitCode, 2) << joined << "\n" << result.err;
        EXPECT_NE(result.err.find("(try vorne-cli --help)"), std::string::npos) << joined;
        EXPECT_EQ(result.out, "") << joined;
    }
    EXPECT_TRUE(test::ListFolder(dir.Path()).empty());
    auto help = RunCli({"--help"});
    for (const char* synopsis : {"save-list FOLDER", "compare ORIGINAL TEST", "clean-headers PATH...", "remove-trainers PATH...",
                                 "convert EXT PATH...", "ips TARGET PATCH", "tag PATH..."}) {
        EXPECT_NE(help.out.find(synopsis), std::string::npos) << synopsis;
    }
}

TEST(CliTools, SaveListWithTheKindsWidthsOrGivenOnes) {
    test::TempDir dir;
    dir.Write("roms/b.mp3", samples::MakeMp3({.frames = 1, .title = "Beta", .artist = "Band", .genre = 3}));
    dir.Write("roms/a.mp3", samples::MakeMp3({.frames = 1, .title = "Alpha", .year = "1999"}));
    const std::string size = std::to_string(samples::MakeMp3({.frames = 1}).size());

    auto saved = RunCli({"save-list", dir / "roms", "--kind", "mp3", "-o", dir / "list.txt"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_EQ(saved.out, "");
    EXPECT_EQ(saved.err, "");
    // Widths 200, 150, 60, 200, 200, 40, 200, 100 make fields of 40, 30, 12, 40, 40, 8 and 20
    // characters; rows sorted by title.
    auto line = [&](const std::string& title, const std::string& file, const std::string& artist, const std::string& year,
                    const std::string& genre) {
        auto pad = [](std::string s, std::size_t n) { return s.append(n - s.size(), ' '); };
        return pad(title, 40) + "\t" + pad(file, 30) + "\t" + pad(size, 12) + "\t" + pad(artist, 40) + "\t" + pad("", 40) +
               "\t" + pad(year, 8) + "\t" + pad("", 40) + "\t" + pad(genre, 20) + "\tID3v1\r\n";
    };
    EXPECT_EQ(Text(test::ReadFile(dir / "list.txt")),
              line("Alpha", "a.mp3", "", "1999", "255") + line("Beta", "b.mp3", "Band", "", "3"));

    auto narrow = RunCli({"save-list", dir / "roms", "--kind", "mp3", "-o", dir / "narrow.txt", "--widths=10,15,0,5,5,5,5,5,15"});
    ASSERT_EQ(narrow.exitCode, 0) << narrow.err;
    EXPECT_EQ(Text(test::ReadFile(dir / "narrow.txt")), "Al\ta.m\t\t \t \t1\t \t2\tID3v1\r\nBe\tb.m\t\tB\t \t \t \t3\tID3v1\r\n");

    auto failed = RunCli({"save-list", dir / "roms", "--kind", "mp3", "-o", dir / "none/list.txt"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.err.find("none/list.txt: No such file or directory"), std::string::npos) << failed.err;
}

TEST(CliTools, CompareLists) {
    test::TempDir dir;
    dir.Write("original.txt", Of("crc1\ta.nes\tGame\r\ncrc2\tb.nes\tOther\r\n"));
    dir.Write("test.txt", Of("CRC1\tz.nes\tgame\r\nzz\tq\tNew\r\nab\tq\tNewer\r\n"));
    dir.Write("lf.txt", Of("crc1\ta.nes\tGame\n"));
    dir.Write("empty.txt", {});

    auto result = RunCli({"compare", dir / "original.txt", dir / "test.txt", "-o", dir / "out.txt"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "ab\tq\tNewer\r\r\nzz\tq\tNew\r\r\n");
    EXPECT_EQ(result.err, "2 ROMs\n3 ROMs\n2 Unmatched\n");
    EXPECT_EQ(Text(test::ReadFile(dir / "out.txt")), result.out);

    auto crlfAgainstLf = RunCli({"compare", dir / "original.txt", dir / "lf.txt"});
    EXPECT_EQ(crlfAgainstLf.out, "crc1\ta.nes\tGame\r\n");
    EXPECT_EQ(crlfAgainstLf.err, "2 ROMs\n1 ROMs\n1 Unmatched\n");

    auto none = RunCli({"compare", dir / "original.txt", dir / "original.txt"});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "2 ROMs\n2 ROMs\n0 Unmatched\n");

    auto empty = RunCli({"compare", dir / "empty.txt", dir / "test.txt"});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.err, "0 ROMs\n3 ROMs\nvorne-cli: nothing to compare: " + dir / "empty.txt" + " holds no lines\n");

    auto missing = RunCli({"compare", dir / "none.txt", dir / "test.txt"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "vorne-cli: " + dir / "none.txt" + ": No such file or directory\n");
}

TEST(CliTools, CleanHeadersOverFoldersAndFiles) {
    test::TempDir dir;
    const std::array<std::uint8_t, 9> signature{'D', 'i', 's', 'k', 'D', 'u', 'd', 'e', '!'};
    dir.Write("roms/a.nes", samples::MakeNes({.bytes7to15 = signature, .seed = 1}));
    dir.Write("roms/sub/b.nes", samples::MakeNes({.bytes7to15 = {0x10, 0, 0, 0, 'x'}, .seed = 2}));
    dir.Write("single.nes", samples::MakeNes({.bytes7to15 = signature, .seed = 3}));

    auto top = RunCli({"clean-headers", dir / "roms"});
    ASSERT_EQ(top.exitCode, 0) << top.err;
    EXPECT_EQ(top.out, "1 headers cleaned, 1 mappers changed, 1 reserved bytes changed.\n");
    EXPECT_EQ(top.err, "");
    auto all = RunCli({"clean-headers", dir / "roms", dir / "single.nes", "--subdirs"});
    EXPECT_EQ(all.out, "2 headers cleaned, 1 mappers changed, 2 reserved bytes changed.\n");
    EXPECT_EQ(test::ReadFile(dir / "roms/sub/b.nes")[7], 0x10);
    EXPECT_EQ(test::ReadFile(dir / "single.nes")[8], 0);

    auto missing = RunCli({"clean-headers", dir / "gone.nes"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "vorne-cli: " + dir / "gone.nes" + ": No such file or directory\n");
}

TEST(CliTools, RemoveTrainersAnswersNoUnlessYes) {
    test::TempDir dir;
    Bytes odd = samples::MakeNes({.prgBanks = 1, .chrBanks = 0, .flags6 = 0x04});
    odd.resize(odd.size() + 8192 - 512, 0);  // remainder 16: the size check asks
    dir.Write("roms/odd.nes", odd);
    dir.Write("roms/fine.nes", samples::MakeNes({.prgBanks = 1, .chrBanks = 0, .flags6 = 0x04, .seed = 2}));
    dir.Write("roms/tiny.nes", Bytes{'N', 'E', 'S', 0x1A, 0, 0, 0x04, 0});

    auto no = RunCli({"remove-trainers", dir / "roms"});
    ASSERT_EQ(no.exitCode, 0) << no.err;
    EXPECT_EQ(no.out, "1 trainers removed.\n");
    EXPECT_NE(no.err.find("vorne-cli: Bad Size: Inappropriate filesize for trained ROM " + dir / "roms/odd.nes" +
                          ". Continue removal? No (--yes answers Yes)\n"),
              std::string::npos)
        << no.err;
    EXPECT_NE(no.err.find("vorne-cli: " + dir / "roms/tiny.nes" + ": too short to hold a trainer"), std::string::npos) << no.err;
    EXPECT_EQ(test::ReadFile(dir / "roms/odd.nes"), odd);

    auto yes = RunCli({"remove-trainers", dir / "roms/odd.nes", "--yes"});
    EXPECT_EQ(yes.exitCode, 0) << yes.err;
    EXPECT_EQ(yes.out, "1 trainers removed.\n");
    EXPECT_EQ(yes.err, "");
    EXPECT_EQ(test::ReadFile(dir / "roms/odd.nes").size(), odd.size() - 512);
}

TEST(CliTools, ConvertPrintsWhatItMade) {
    test::TempDir dir;
    const Bytes linear = samples::MakeGenesis({.size = 32768});
    dir.Write("g/a.smd", samples::Interleave(linear, 8192, true));
    dir.Write("g/lin.smd", linear);
    dir.Write("g/x.bin", linear);

    auto made = RunCli({"convert", "SMD", dir / "g"});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(made.out, dir / "g/a.bin\n");
    EXPECT_EQ(made.err, "vorne-cli: " + dir / "g/lin.smd" +
                            ": it is linear already, so its converted name is its own; left as it is\n");
    EXPECT_EQ(test::ReadFile(dir / "g/a.bin"), linear);

    auto file = RunCli({"convert", "bin", dir / "g/x.bin"});
    EXPECT_EQ(file.exitCode, 0) << file.err;
    EXPECT_EQ(file.out, dir / "g/x.smd\n");

    dir.Write("full/y.bin", linear);
    test::FileSizeLimit limit(4096);
    auto failed = RunCli({"convert", "bin", dir / "full"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err, "vorne-cli: " + dir / "full/y.bin" + ": " + dir / "full/y.smd" + ": File too large\n");
    EXPECT_EQ(test::ListFolder(dir / "full"), std::vector<std::string>{"y.bin"});
}

TEST(CliTools, IpsInPlaceOrToACopy) {
    test::TempDir dir;
    const std::string target = dir.Write("t.bin", Of("0123456789"));
    dir.Write("p.ips", Of(std::string("PATCH\0\0\1\0\2ABEOF", 15)));
    dir.Write("cut.ips", Of(std::string("PATCH\0\0\1\0\2A", 11)));

    auto copy = RunCli({"ips", target, dir / "p.ips", "-o", dir / "copy.bin"});
    EXPECT_EQ(copy.exitCode, 0) << copy.err;
    EXPECT_EQ(copy.out, "IPS patch applied.\n");
    EXPECT_EQ(copy.err, "");
    EXPECT_EQ(Text(test::ReadFile(dir / "copy.bin")), "0AB3456789");
    EXPECT_EQ(Text(test::ReadFile(target)), "0123456789");

    auto cut = RunCli({"ips", target, dir / "cut.ips"});
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_EQ(cut.out, "");
    EXPECT_EQ(cut.err, "vorne-cli: Patch EOF reached.\n");
    EXPECT_EQ(Text(test::ReadFile(target)), "0123456789");

    auto noPatch = RunCli({"ips", target, dir / "none.ips"});
    EXPECT_EQ(noPatch.err, "vorne-cli: Cannot open patch file.\n");
    dir.Write("empty.bin", {});
    auto empty = RunCli({"ips", dir / "empty.bin", dir / "p.ips", "-o", dir / "e2.bin"});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err, "vorne-cli: Invalid target file size.\n");
}

TEST(CliTools, TagSetsErasesAndDeletes) {
    test::TempDir dir;
    const Bytes plain = samples::MakeMp3({.frames = 1, .tagged = false});
    dir.Write("m/a.mp3", plain);
    dir.Write("m/b.mp3", samples::MakeMp3({.frames = 1, .title = "Old", .comment = "note", .genre = 4}));

    auto set = RunCli({"tag", dir / "m", "--artist", "Band", "--comment", "   ", "--title", ""});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "");
    auto shown = RunCli({"scan", dir / "m", "--kind", "mp3", "--json"});
    EXPECT_NE(shown.out.find("[\" \", \"a.mp3\", \"" + std::to_string(plain.size() + 128) + "\", \"Band \", \" \", \" \", \"    \", \"255\", \"ID3v1\"]"),
              std::string::npos)
        << shown.out;
    EXPECT_NE(shown.out.find("[\"Old\", \"b.mp3\""), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("\"Band \", \"\", \"\", \"    \", \"4\", \"ID3v1\"]"), std::string::npos) << shown.out;

    auto removed = RunCli({"tag", dir / "m/a.mp3", "--delete"});
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(test::ReadFile(dir / "m/a.mp3"), plain);
}

// Files named by mistake (`vorne-cli tag *`, `clean-headers cover.png roms`) are named and left
// alone: a file PATH is taken only with one of the kind's extensions, and the cleaner takes only
// what begins with the iNES mark.
TEST(CliTools, FilesOfAnotherKindAreLeftAlone) {
    test::TempDir dir;
    const Bytes text = Of("NES readme: nothing here is a header\n");
    const Bytes nes = samples::MakeNes({.bytes7to15 = {'D', 'i', 's', 'k'}});
    const Bytes mp3 = samples::MakeMp3({.frames = 1, .tagged = false});
    for (const char* name : {"cover.png", "manual.pdf", "readme.nes", "game.sfc", "pack.zip"}) dir.Write(name, text);
    dir.Write("game.nes", nes);
    dir.Write("song.mp3", mp3);
    const std::string all[] = {dir / "cover.png", dir / "manual.pdf", dir / "readme.nes", dir / "game.sfc",
                               dir / "pack.zip",  dir / "game.nes",   dir / "song.mp3"};
    const auto named = [](const std::string& err, const std::string& path) { return err.find(path + ": ") != std::string::npos; };

    auto clean = RunCli({"clean-headers", all[0], all[1], all[2], all[3], all[4], all[6]});
    EXPECT_EQ(clean.exitCode, 0) << clean.err;
    EXPECT_EQ(clean.out, "0 headers cleaned, 0 mappers changed, 0 reserved bytes changed.\n");
    EXPECT_NE(clean.err.find(all[2] + ": is not an iNES image (it does not begin with NES and 0x1A); left as it is"),
              std::string::npos)
        << clean.err;
    EXPECT_NE(clean.err.find(all[0] + ": is not a file of the nes kind (its extension is none of .nes); left as it is"),
              std::string::npos)
        << clean.err;

    std::vector<std::string> tag{"tag", "--year", "2024"};
    tag.insert(tag.end(), std::begin(all), std::end(all));
    auto tagged = RunCli(tag);
    EXPECT_EQ(tagged.exitCode, 0) << tagged.err;
    for (const std::string& path : all) {
        if (path.ends_with(".mp3")) continue;
        EXPECT_TRUE(named(tagged.err, path)) << path << "\n" << tagged.err;
        EXPECT_EQ(test::ReadFile(path), path.ends_with("game.nes") ? nes : text) << path;
    }
    EXPECT_EQ(test::ReadFile(dir / "song.mp3").size(), mp3.size() + 128);

    auto convert = RunCli({"convert", "smd", all[0], all[3]});
    EXPECT_EQ(convert.exitCode, 0) << convert.err;
    EXPECT_NE(convert.err.find(all[3] + ": is not a file of the genesis kind (its extension is none of .smd); left as it is"),
              std::string::npos)
        << convert.err;

    auto trainers = RunCli({"remove-trainers", all[3], "--yes"});
    EXPECT_EQ(trainers.exitCode, 0) << trainers.err;
    EXPECT_TRUE(named(trainers.err, all[3])) << trainers.err;
    EXPECT_EQ(test::ReadFile(all[3]), text);
}

// An empty OUT (an unset variable in a script) is refused, never taken for "in place".
TEST(CliTools, AnEmptyOutIsAUsageError) {
    test::TempDir dir;
    const std::string target = dir.Write("t.bin", Of("0123456789"));
    dir.Write("p.ips", Of(std::string("PATCH\0\0\1\0\2ABEOF", 15)));
    dir.Write("l.txt", Of("a\tb\tc\n"));
    const std::vector<std::vector<std::string>> cases = {
        {"ips", target, dir / "p.ips", "-o", ""},
        {"compare", dir / "l.txt", dir / "l.txt", "-o", ""},
        {"save-list", dir.Path(), "--kind", "nes", "-o", ""},
        {"extract", dir / "none.zip", "a", "-o", ""},
    };
    for (const auto& args : cases) {
        auto result = RunCli(args);
        EXPECT_EQ(result.exitCode, 2) << test::CommandLine(args) << "\n" << result.err;
        EXPECT_NE(result.err.find("-o needs a file name, not an empty text"), std::string::npos) << result.err;
    }
    EXPECT_EQ(Text(test::ReadFile(target)), "0123456789");
}

// A new file made from a source is as private as the source: it takes the source's permission
// bits less setuid and setgid (and less the umask), as cp does.
TEST(CliTools, NewFilesTakeTheirSourcesPermissionBits) {
    const Bytes linear = samples::MakeGenesis({.size = 32768});
    samples::ZipWriter zip;
    zip.Add({.name = "GAME.NES", .data = Of("member")});
    const mode_t mask = ::umask(022);
    ::umask(mask);
    struct Case {
        const char* what;
        mode_t source;
    };
    for (const Case& c : {Case{"private", 0600}, Case{"group-readable", 0640}, Case{"setuid and setgid", 06755}}) {
        test::TempDir dir;
        const std::string bin = dir.Write("a.bin", linear);
        const std::string archive = dir.Write("a.zip", zip.Finish());
        dir.Write("p.ips", Of(std::string("PATCH\0\0\1\0\2ABEOF", 15)));
        for (const std::string& path : {bin, archive}) ASSERT_EQ(::chmod(path.c_str(), c.source), 0);
        const std::vector<std::vector<std::string>> commands = {
            {"convert", "bin", bin}, {"ips", bin, dir / "p.ips", "-o", dir / "patched.bin"}, {"extract", archive, "GAME.NES", "-o", dir / "x.nes"}};
        for (const auto& args : commands) ASSERT_EQ(RunCli(args).exitCode, 0) << test::CommandLine(args);
        for (const char* made : {"a.smd", "patched.bin", "x.nes"}) {
            struct stat st {};
            ASSERT_EQ(::stat((dir / made).c_str(), &st), 0) << made;
            EXPECT_EQ(st.st_mode & 07777, c.source & 0777 & ~mask) << c.what << ": " << made;
        }
    }
}

// A file the command should have done but did not is a failure: one the scan could not read (a
// FIFO under a ROM's name), one that could not be written.
TEST(CliTools, FilesNotDoneMakeTheCommandFail) {
    test::TempDir dir;
    dir.Write("roms/a.nes", samples::MakeNes({.bytes7to15 = {'D', 'i', 's', 'k'}}));
    dir.Write("roms/a.mp3", samples::MakeMp3({.frames = 1}));
    for (const char* fifo : {"roms/b.nes", "roms/b.mp3"}) ASSERT_EQ(::mkfifo((dir / fifo).c_str(), 0644), 0);
    const std::vector<std::vector<std::string>> commands = {
        {"clean-headers", dir / "roms"},
        {"remove-trainers", dir / "roms"},
        {"tag", dir / "roms", "--year", "1999"},
        {"save-list", dir / "roms", "--kind", "nes", "-o", dir / "list.txt"},
    };
    for (const auto& args : commands) {
        auto result = RunCli(args);
        EXPECT_EQ(result.exitCode, 1) << test::CommandLine(args) << result.err;
        EXPECT_NE(result.err.find("/roms/b."), std::string::npos) << result.err;
    }
    EXPECT_EQ(test::ReadFile(dir / "roms/a.nes")[7], 0);  // the readable file was done all the same

    // The target of a copy that cannot be read is named with the reason.
    dir.Write("p.ips", Of(std::string("PATCH\0\0\1\0\2ABEOF", 15)));
    for (const std::string& target : {dir / "none.bin", dir / "roms"}) {
        auto ips = RunCli({"ips", target, dir / "p.ips", "-o", dir / "out.bin"});
        EXPECT_EQ(ips.exitCode, 1);
        EXPECT_EQ(ips.err, "vorne-cli: " + target + (target.ends_with("roms") ? ": Not a regular file\n" : ": No such file or directory\n"));
    }
}

// A batch command stopped by a file it may not write still says what it changed before.
TEST(CliTools, StoppedByAFileErrorPrintsItsSummary) {
    const struct {
        const char* command;
        std::string extension;
        samples::Bytes image;
        std::vector<std::string> options;
        std::string out;
    } cases[] = {
        {"clean-headers", "nes", samples::MakeNes({.bytes7to15 = {'D', 'i', 's', 'k'}}), {},
         "1 headers cleaned, 1 mappers changed, 1 reserved bytes changed.\n"},
        {"remove-trainers", "nes", samples::MakeNes({.prgBanks = 1, .chrBanks = 0, .flags6 = 0x04}), {}, "1 trainers removed.\n"},
        {"tag", "mp3", samples::MakeMp3({.frames = 1}), {"--year", "1999"}, "1 files changed before the error.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        test::TempDir dir;
        ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
        const std::string open = dir.Write("roms/a." + c.extension, c.image);
        // The second file may not be written, nor may its folder (a rewrite makes a file beside it).
        const std::string locked = dir.Write("locked/b." + c.extension, c.image);
        ASSERT_EQ(::chmod((dir / "roms").c_str(), 0777), 0);
        ASSERT_EQ(::chmod(open.c_str(), 0666), 0);
        ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
        const test::Account nobody = test::Nobody();
        // A rewrite keeps its file's owner, which only the owner may do.
        if (test::IsRoot()) {
            ASSERT_EQ(::chown(open.c_str(), nobody.uid, nobody.gid), 0);
        }
        test::CommandResult result;
        std::vector<std::string> args{c.command, open, locked};
        args.insert(args.end(), c.options.begin(), c.options.end());
        auto child = test::RunAs(test::IsRoot() ? &nobody : nullptr, [&] {
            result = RunCli(args);
            if (result.exitCode != 1 || result.out != c.out || result.err.find(locked + ": Permission denied") == std::string::npos) {
                throw std::runtime_error(std::to_string(result.exitCode) + " out: " + result.out + " err: " + result.err);
            }
        });
        EXPECT_EQ(child.outcome, test::ChildResult::Done) << child.message;
        EXPECT_NE(test::ReadFile(open), c.image);
        EXPECT_EQ(test::ReadFile(locked), c.image);
    }
}

}  // namespace
}  // namespace tool_commands_test
}  // namespace vorne
