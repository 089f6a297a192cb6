// Files whose names hold '<' and '>' are ordinary files: every batch command acts on exactly the
// file a row lists, and never on a file whose name is part of it or on an archive.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "images.h"
#include "support/temp_dir.h"
#include "zip_writer.h"

namespace vorne {
namespace {

using samples::Bytes;
using test::RunCli;

// Names that read like "ARCHIVE <MEMBER>", or hold its marks; the last lies in such a folder.
const std::vector<std::string> kHostile = {"Zelda <Beta>", "a<b>c", "x.zip <y", ">", "<", " <", "Nintendo <NES>/game"};
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
        archive = zip.Finish();
        dir.Write("roms/pack.zip", archive);
    }

    void ExpectLeftAlone() {
        for (const std::string& name : kDecoys) EXPECT_EQ(test::ReadFile(dir / ("roms/" + name)), image) << name;
        EXPECT_EQ(test::ReadFile(dir / "roms/pack.zip"), archive);
    }
};

TEST(HostileNames, EveryBatchCommandActsOnExactlyTheListedFile) {
    const std::array<std::uint8_t, 9> signature{'D', 'i', 's', 'k', 'D', 'u', 'd', 'e', '!'};
    const struct {
        const char* what;
        std::string extension;
        Bytes image;
        std::vector<std::string> command;  // the folder follows
        std::string out;
        // What became of each hostile file.
        bool (*changed)(const Bytes& before, const Bytes& after);
    } cases[] = {
        {"clean-headers", "nes", samples::MakeNes({.bytes7to15 = signature}), {"clean-headers"},
         "7 headers cleaned, 7 mappers changed, 7 reserved bytes changed.\n",
         [](const Bytes& before, const Bytes& after) { return after.size() == before.size() && after[8] == 0; }},
        {"remove-trainers", "nes", samples::MakeNes({.prgBanks = 1, .chrBanks = 0, .flags6 = 0x04}), {"remove-trainers"},
         "7 trainers removed.\n",
         [](const Bytes& before, const Bytes& after) { return after.size() == before.size() - 512; }},
        {"tag", "mp3", samples::MakeMp3({.frames = 1, .tagged = false}), {"tag", "--title", "T"}, "",
         [](const Bytes& before, const Bytes& after) { return after.size() == before.size() + 128; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Collection files(c.extension, c.image);
        std::vector<std::string> args = c.command;
        args.insert(args.begin() + 1, files.dir / "roms");
        args.insert(args.end(), {"--subdirs", "--zip"});
        auto result = RunCli(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, c.out);
        for (const std::string& name : kHostile) {
            EXPECT_TRUE(c.changed(c.image, test::ReadFile(files.dir / ("roms/" + name + "." + c.extension)))) << name;
        }
        files.ExpectLeftAlone();
    }
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
}

}  // namespace
}  // namespace vorne
