// The patch commands of "&Miscellaneous" and the image commands of "&Selection": what they ask,
// what they write, and what they say, with the files they leave alone.
#include <gtest/gtest.h>

#include <QAction>
#include <cstdio>

#include "images.h"
#include "patch/apply_patch.h"
#include "patch/patch_builder.h"
#include "tool_command_fixture.h"

namespace vorne::ui::test {
namespace patch_commands_test {
namespace {

using samples::Bytes;

Bytes Of(const std::string& text) { return {text.begin(), text.end()}; }

std::string Hex(const char* format, unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

class PatchCommandsTest : public ToolCommandTest {};

TEST_F(PatchCommandsTest, MyCommandsServeTheirKinds) {
    Open(RomType::Gameboy, QString());
    const Command mine[] = {Command::ApplyIpsPatch,          Command::CreatePatch,    Command::FixChecksums,
                            Command::ConvertN64ByteOrder,    Command::TagsFromFileNames, Command::RenameFromTags,
                            Command::SelectionTagsFromFileNames, Command::SelectionRenameFromTags};
    for (int kind = 0; kind < kRomTypeCount; ++kind) {
        window->OnKindChanged(kind);
        for (Command command : mine) {
            EXPECT_EQ(window->Action(command)->isEnabled(), ServesKind(command, static_cast<RomType>(kind)))
                << kind << " " << CommandName(command);
        }
    }
    // Checksums are greyed for the kinds without one.
    for (RomType kind : {RomType::Nes, RomType::Mp3, RomType::Zip}) EXPECT_FALSE(ServesKind(Command::FixChecksums, kind));
}

TEST_F(PatchCommandsTest, TheIpsPatcherAppliesBpsAndUpsByTheirHeaders) {
    const Bytes rom = samples::Filler(4096, 3);
    Bytes modified = rom;
    modified[10] ^= 0x5A;
    modified.resize(5000, 0x22);
    Bytes other = rom;
    other[0] ^= 1;
    const std::string target = dir.Write("rom.bin", rom);
    const std::string otherRom = dir.Write("other.bin", other);
    const std::string bps = dir.Write("p.bps", vorne::test::Bps(rom, modified, {{0, 10}, {1, 1, 0, {modified[10]}}, {0, 4085}, {1, 904, 0, Bytes(904, 0x22)}}));
    const std::string ups = dir.Write("p.ups", vorne::test::Ups(rom, modified));
    const std::string ips = dir.Write("p.ips", Of(std::string("PATCH\0\0\1\0\2ABEOF", 15)));
    Open(RomType::Gameboy, QString());
    Watch();
    const std::string prompted = "Vorne: Select file to be patched.|Vorne: Select patch file.|"
                                 "Vorne: Select file to save as (or cancel to not save as a different name).|";
    struct Case {
        const char* what;
        std::string target, patch, saveAs;
        std::string said;  // the last message
        std::string changed;  // the file that now holds `modified`, or none
    };
    const Case cases[] = {
        {"BPS in place", target, bps, "", "Success!: BPS patch applied.\n", target},
        {"UPS to a new file", target, ups, dir / "new.bin", "Success!: UPS patch applied.\n", dir / "new.bin"},
        {"another ROM", otherRom, ups, "",
         "Patch Error: This patch is for a ROM with CRC-32 " + Hex("%08x", vorne::test::ZlibCrc(rom)) + "; this file is " +
             Hex("%08x", vorne::test::ZlibCrc(other)) + ".",
         ""},
        {"IPS from a missing target", dir / "gone.bin", ips, dir / "x.bin", "IPS Error: " + dir / "gone.bin: No such file or directory", ""},
        {"IPS from a folder", dir.Path(), ips, dir / "x.bin", "IPS Error: " + dir.Path() + ": Not a regular file", ""},
    };
    for (const Case& c : cases) {
        dir.Write("rom.bin", rom);
        prompts.messages.clear();
        prompts.files = {Q(c.target), Q(c.patch), Q(c.saveAs)};
        Trigger(Command::ApplyIpsPatch);
        std::string said;
        for (const std::string& m : Messages()) said += m + "|";
        EXPECT_EQ(said, prompted + c.said + "|") << c.what;
        if (!c.changed.empty()) {
            EXPECT_EQ(vorne::test::ReadFile(c.changed), modified) << c.what;
        }
    }
    EXPECT_EQ(vorne::test::ReadFile(otherRom), other);
    EXPECT_EQ(vorne::test::ListFolder(dir.Path()),
              (std::vector<std::string>{"new.bin", "other.bin", "p.bps", "p.ips", "p.ups", "rom.bin", "vorne.conf"}));
    EXPECT_EQ(scans, 0);  // the list is left as it is
}

TEST_F(PatchCommandsTest, CreatePatchWritesBpsOrIpsByTheName) {
    const Bytes original = samples::Filler(20000, 4);
    Bytes modified = original;
    std::rotate(modified.begin(), modified.begin() + 3000, modified.end());
    const std::string a = dir.Write("a.bin", original);
    const std::string b = dir.Write("b.bin", modified);
    const std::string shorter = dir.Write("short.bin", Bytes(original.begin(), original.begin() + 100));
    Open(RomType::Gameboy, QString());
    Watch();
    for (const char* name : {"p.bps", "p.ips"}) {
        prompts.messages.clear();
        prompts.files = {Q(a), Q(b), Q(dir / name)};
        Trigger(Command::CreatePatch);
        const Bytes patch = vorne::test::ReadFile(dir / name);
        EXPECT_EQ(Messages(), std::vector<std::string>{"Create Patch: " + std::string(name[2] == 'b' ? "BPS" : "IPS") +
                                                       " patch written: " + std::to_string(patch.size()) + " bytes."});
        EXPECT_EQ(ApplyPatch(patch, original, false).bytes, modified) << name;
    }
    EXPECT_EQ(prompts.fileDialogs.back(), "save Save Patch As | BPS Patches (*.bps);;IPS Patches (*.ips) | bps");
    EXPECT_EQ(prompts.fileDialogs.front(), "open Select original file | All files (*)");

    // IPS cannot shrink a file, and says to make BPS instead; a name of neither kind is refused first.
    prompts.messages.clear();
    prompts.files = {Q(a), Q(shorter), Q(dir / "short.ips")};
    Trigger(Command::CreatePatch);
    prompts.files = {Q(a), Q(b), Q(dir / "p.txt")};
    window->Action(Command::CreatePatch)->trigger();
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Create Patch: IPS cannot make a file shorter; make a BPS patch instead.",
                                                    "Create Patch: A patch's name must end in .bps (BPS) or .ips (IPS)."}));
    EXPECT_EQ(vorne::test::ListFolder(dir.Path()),
              (std::vector<std::string>{"a.bin", "b.bin", "p.bps", "p.ips", "short.bin", "vorne.conf"}));
}

TEST_F(PatchCommandsTest, FixChecksumsOfTheSelectionNamesWhatItChangedAndLeft) {
    const Bytes right = samples::MakeGameboy({.seed = 1});
    const Bytes wrong = samples::MakeGameboy({.seed = 2});
    Bytes broken = wrong;
    broken[0x14E] = 0x12;
    broken[0x14F] = 0x34;
    dir.Write("roms/a.gb", broken);
    dir.Write("roms/b.gb", right);
    dir.Write("roms/c.gb", Bytes(100, 0));  // too short for a header
    Open(RomType::Gameboy);
    Feed({GbRow("A", "a.gb"), GbRow("B", "b.gb"), GbRow("C", "c.gb"), GbRow("Z", Member("z.zip", "z.gb"))});
    Watch();
    Select({"a.gb", "b.gb", "c.gb", Member("z.zip", "z.gb")});
    Trigger(Command::FixChecksums);
    EXPECT_EQ(vorne::test::ReadFile(roms + "/a.gb"), wrong);
    EXPECT_EQ(vorne::test::ReadFile(roms + "/b.gb"), right);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[0], "Fix Checksums: a.gb: Global checksum 0x1234 -> " + Hex("0x%04X", wrong[0x14E] << 8 | wrong[0x14F]));
    EXPECT_TRUE(Messages()[1].starts_with("Fix Checksums: These files were left as they are:\nc.gb: ")) << Messages()[1];
    EXPECT_TRUE(Messages()[1].ends_with("\nz.zip <z.gb>: it is inside a zip file; unzip it first")) << Messages()[1];
    EXPECT_EQ(scans, 1);

    prompts.messages.clear();
    Select({"a.gb"});
    Trigger(Command::FixChecksums);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Fix Checksums: No checksum needed fixing."});
}

TEST_F(PatchCommandsTest, ConvertN64ByteOrderWritesCopiesInTheChosenOrder) {
    const Bytes z64 = samples::MakeN64({.seed = 1});
    dir.Write("roms/a.z64", z64);
    dir.Write("roms/b.v64", samples::MakeN64({.byteSwapped = true, .seed = 2}));
    Open(RomType::N64);
    Watch();
    Select({"a.z64", "b.v64"});
    prompts.choice = 1;
    Trigger(Command::ConvertN64ByteOrder);
    ASSERT_EQ(prompts.choicesShown.size(), 1u);
    EXPECT_EQ(prompts.choicesShown[0].title, QStringLiteral("Convert N64 Byte Order"));
    EXPECT_EQ(prompts.choicesShown[0].text,
              QStringLiteral("Write copies of the selected images in the byte order: | z64 (big-endian), v64 (byte-swapped), "
                             "n64 (little-endian words) | 0"));
    Bytes swapped = z64;
    for (std::size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    EXPECT_EQ(vorne::test::ReadFile(roms + "/a.v64"), swapped);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Convert N64 Byte Order: These files were left as they are:\n"
                                                   "b.v64: it is v64 already; left as it is"});
    EXPECT_EQ(scans, 1);
    EXPECT_NE(RowNamed("a.v64"), -1);

    // Cancelled: nothing is asked of the worker.
    prompts.choice.reset();
    window->Action(Command::ConvertN64ByteOrder)->trigger();
    EXPECT_TRUE(window->Idle());
    EXPECT_EQ(finished, 1);
}

}  // namespace
}  // namespace patch_commands_test
}  // namespace vorne::ui::test
