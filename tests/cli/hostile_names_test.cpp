// Files whose names hold '<' and '>' are ordinary files: every batch command acts on exactly the
// file a row lists, and never on a file whose name is part of it or on an archive.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "base/rom_type.h"
#include "images.h"
#include "support/temp_dir.h"
#include "zip_writer.h"

namespace vorne {
namespace hostile_names_test {
namespace {

using samples::Bytes;
using test::RunCli;

// Names that read like "ARCHIVE <MEMBER>", or hold its marks; one lies in such a folder; two are
// twins by case.
const std::vector<std::string> kHostile = {"Zelda <Beta>", "a<b>c", "x.zip <y", ">", "<", " <", "Nintendo <NES>/game",
                                           "twin", "TWIN"};
// Files a guess from the text would reach instead: they must stay as they are.
const std::vector<std::string> kDecoys = {"Zelda", "x.zip", "a", "Nintendo"};

struct Collection {
    test::TempDir dir;
    Bytes image;
    Bytes archive;

    Collection(const std::string& extension, const Bytes& image) : image(image) {
        for (const std::string& name : kHostile) dir.Write("roms/" + name + "." + extension, image);
        for (const std::string& name : kDecoys) dir.Write("roms/" + name, image);
        samples::ZipWriter zip;
        zip.Add({.name = "in <a>." + extension, .data = image});
        zip.Add({.name = "Zelda <Beta>." + extension, .data = image});
        zip.Add({.name = "Twin." + extension, .data = image});
        zip.Add({.name = "TWIN." + extension, .data = image});
        archive = zip.Finish();
        dir.Write("roms/pack.zip", archive);
    }

    std::string Stem(const std::string& name) const { return dir / ("roms/" + name); }

    void ExpectLeftAlone() {
        for (const std::string& name : kDecoys) EXPECT_EQ(test::ReadFile(dir / ("roms/" + name)), image) << name;
        EXPECT_EQ(test::ReadFile(dir / "roms/pack.zip"), archive);
    }
};

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

const Bytes kTaggedMp3 = samples::MakeMp3({.frames = 1, .title = "Renamed"});
const Bytes kPlainMp3 = samples::MakeMp3({.frames = 1, .tagged = false});

TEST(HostileNames, EveryBatchCommandActsOnExactlyTheListedFile) {
    const std::array<std::uint8_t, 9> signature{'D', 'i', 's', 'k', 'D', 'u', 'd', 'e', '!'};
    const std::string n = std::to_string(kHostile.size());
    const struct {
        const char* what;
        std::string extension;
        Bytes image;
        std::vector<std::string> command;  // the folder follows the first word, or the second
        std::string out;                   // unchecked when it is "?"
        // What became of each hostile file, by its path without the extension.
        bool (*done)(const std::string& stem, const Bytes& image);
    } cases[] = {
        {"clean-headers", "nes", samples::MakeNes({.bytes7to15 = signature}), {"clean-headers"},
         n + " headers cleaned, " + n + " mappers changed, " + n + " reserved bytes changed.\n",
         [](const std::string& stem, const Bytes&) { return test::ReadFile(stem + ".nes")[8] == 0; }},
        {"remove-trainers", "nes", samples::MakeNes({.prgBanks = 1, .chrBanks = 0, .flags6 = 0x04}), {"remove-trainers"},
         n + " trainers removed.\n",
         [](const std::string& stem, const Bytes& image) { return test::ReadFile(stem + ".nes").size() == image.size() - 512; }},
        {"tag", "mp3", kPlainMp3, {"tag", "--title", "T"}, "",
         [](const std::string& stem, const Bytes& image) { return test::ReadFile(stem + ".mp3").size() == image.size() + 128; }},
        {"tag --from-name", "mp3", kPlainMp3, {"tag", "--from-name", "%title%"}, "",
         [](const std::string& stem, const Bytes& image) { return test::ReadFile(stem + ".mp3").size() == image.size() + 128; }},
        {"tag --delete", "mp3", kTaggedMp3, {"tag", "--delete"}, "",
         [](const std::string& stem, const Bytes& image) { return test::ReadFile(stem + ".mp3").size() == image.size() - 128; }},
        {"convert", "bin", samples::MakeGenesis({.size = 32768}), {"convert", "bin"}, "?",
         [](const std::string& stem, const Bytes& image) {
             return test::ReadFile(stem + ".bin") == image && test::ReadFile(stem + ".smd").size() == image.size() + 512;
         }},
        {"convert-n64", "v64", samples::MakeN64({.byteSwapped = true}), {"convert-n64", "z64"}, "?",
         [](const std::string& stem, const Bytes& image) {
             return test::ReadFile(stem + ".v64") == image && test::ReadFile(stem + ".z64").size() == image.size();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Collection files(c.extension, c.image);
        std::vector<std::string> args = c.command;
        args.insert(args.begin() + (c.command[0].starts_with("convert") ? 2 : 1), files.dir / "roms");
        args.push_back("--subdirs");
        if (!c.command[0].starts_with("convert")) args.push_back("--zip");
        auto result = RunCli(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        if (c.out != "?") {
            EXPECT_EQ(result.out, c.out);
        }
        for (const std::string& name : kHostile) EXPECT_TRUE(c.done(files.Stem(name), c.image)) << name;
        files.ExpectLeftAlone();
        for (const std::string& name : kDecoys) EXPECT_FALSE(Exists(files.Stem(name) + ".smd") || Exists(files.Stem(name) + ".z64"));
    }
}

// The commands that take one file, or rename it, reach exactly that file.
TEST(HostileNames, CommandsOnOneFileActOnExactlyIt) {
    Collection nes("nes", samples::MakeNes({}));
    Collection mp3("mp3", kTaggedMp3);
    for (const std::string& name : kHostile) {
        SCOPED_TRACE(name);
        const std::string image = nes.Stem(name) + ".nes";
        auto shown = RunCli({"show", image, "--kind", "nes"});
        EXPECT_EQ(shown.exitCode, 0) << shown.err;
        EXPECT_NE(shown.out.find(test::ShowLine(RomType::Nes, NesField::Filename, image)), std::string::npos) << shown.out;
        auto set = RunCli({"set", image, "--kind", "nes", test::SetPair(NesField::Mapper, "4")});
        EXPECT_EQ(set.exitCode, 0) << set.err;
        EXPECT_EQ(test::ReadFile(image)[6] >> 4, 4);

        const std::string song = mp3.Stem(name) + ".mp3";
        const std::string folder = song.substr(0, song.rfind('/') + 1);
        auto renamed = RunCli({"rename-from-tags", song, "--pattern", "%title%"});
        EXPECT_EQ(renamed.exitCode, 0) << renamed.err;
        EXPECT_EQ(renamed.out, song + " -> " + folder + "Renamed.mp3\n");
        EXPECT_FALSE(Exists(song));
        ASSERT_EQ(::rename((folder + "Renamed.mp3").c_str(), song.c_str()), 0);
    }
    // Each file was changed once: a namesake never.
    for (const std::string& name : kHostile) EXPECT_EQ(test::ReadFile(nes.Stem(name) + ".nes")[6] >> 4, 4) << name;
    nes.ExpectLeftAlone();
    mp3.ExpectLeftAlone();
}

// save-list writes each row's own file name; members keep their archive's name and their own.
TEST(HostileNames, SaveListNamesEachFile) {
    Collection files("nes", samples::MakeNes({}));
    auto saved = RunCli({"save-list", files.dir / "roms", "--kind", "nes", "--subdirs", "--zip", "--widths",
                         "65,2000,60,50,65,65,65,45,50,40,350,70,220", "-o", files.dir / "list.txt"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const Bytes list = test::ReadFile(files.dir / "list.txt");
    const std::string text(list.begin(), list.end());
    for (const std::string& name : kHostile) EXPECT_NE(text.find("\t" + name + ".nes "), std::string::npos) << name;
    for (const std::string member : {"in <a>", "Zelda <Beta>", "Twin", "TWIN"}) {
        EXPECT_NE(text.find("\tpack.zip <" + member + ".nes> "), std::string::npos) << member;
    }
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<std::ptrdiff_t>(kHostile.size() + 4));
}

TEST(HostileNames, ScanNamesEachRowsFileApartFromItsText) {
    Collection files("nes", samples::MakeNes({}));
    auto scan = RunCli({"scan", files.dir / "roms", "--kind", "nes", "--subdirs", "--zip", "--json"});
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    for (const std::string& name : kHostile) {
        EXPECT_NE(scan.out.find("\"path\": \"" + name + ".nes\"}"), std::string::npos) << name;
    }
    // Members keep their archive and their own entry, whatever their names hold.
    EXPECT_NE(scan.out.find("\"pack.zip <in <a>.nes>\""), std::string::npos) << scan.out;
    EXPECT_NE(scan.out.find("\"path\": \"pack.zip\", \"member\": \"in <a>.nes\", \"entry\": 0}"), std::string::npos);
    EXPECT_NE(scan.out.find("\"path\": \"pack.zip\", \"member\": \"Zelda <Beta>.nes\", \"entry\": 1}"), std::string::npos);
    // Twins by case are two rows of their own.
    EXPECT_NE(scan.out.find("\"path\": \"pack.zip\", \"member\": \"Twin.nes\", \"entry\": 2}"), std::string::npos);
    EXPECT_NE(scan.out.find("\"path\": \"pack.zip\", \"member\": \"TWIN.nes\", \"entry\": 3}"), std::string::npos);
}

}  // namespace
}  // namespace hostile_names_test
}  // namespace vorne
