// scan --dat, verify, rename and --duplicates data through vorne-cli.
#include <gtest/gtest.h>

#include "dat/data_hasher.h"
#include "dat/dat_file.h"
#include "images.h"
#include "support/hash_oracles.h"
#include "support/temp_dir.h"
#include "zip_writer.h"

namespace vorne {
namespace dat_commands_test {
namespace {

using samples::Bytes;
// Every command here does without the hash cache (tests/cache has its own).
test::CommandResult RunCli(std::vector<std::string> args) {
    args.push_back("--no-cache");
    return test::RunCli(args);
}

// The <rom> of an NES image: the hashes of its bytes behind the 16-byte header.
std::string RomOf(const std::string& name, const Bytes& image) {
    const FileHashes h = HashBytes(std::span(image).subspan(16), {0, static_cast<std::int64_t>(image.size() - 16)}, {});
    return "<rom name=\"" + name + "\" size=\"" + std::to_string(h.data.size) + "\" crc=\"" + CrcText(h.data.crc) +
           "\" sha1=\"" + HexText(*h.data.sha1) + "\"/>";
}

struct Folder {
    test::TempDir dir;
    Bytes alpha = samples::MakeNes({.seed = 11});
    Bytes beta = samples::MakeNes({.seed = 12});
    Bytes stranger = samples::MakeNes({.seed = 13});
    std::string dat;

    // alpha.nes, beta.nes (also in a zip), stranger.nes; the DAT knows alpha and beta under
    // their names and one game that is missing.
    explicit Folder(const std::string& betaName = "Beta (Japan).nes") {
        dir.Write("roms/alpha.nes", alpha);
        dir.Write("roms/beta.nes", beta);
        dir.Write("roms/stranger.nes", stranger);
        samples::ZipWriter zip;
        zip.Add({.name = "beta.nes", .data = beta, .deflate = true});
        dir.Write("roms/pack.zip", zip.Finish());
        const std::string text = "<datafile><header><name>Test &amp; NES</name></header>"
                                 "<game name=\"Alpha (USA)\">" + RomOf("Alpha (USA).nes", alpha) + "</game>"
                                 "<game name=\"Beta (Japan)\">" + RomOf(betaName, beta) + "</game>"
                                 "<game name=\"Gamma\"><rom name=\"Gamma.nes\" size=\"16\" crc=\"01234567\"/></game></datafile>";
        dat = dir.Write("nes.dat", {text.begin(), text.end()});
    }
    std::string Roms() const { return dir / "roms"; }
};

TEST(DatCommands, ScanVerifyAndFixdat) {
    Folder f;
    const auto json = RunCli({"scan", f.Roms(), "--kind", "nes", "--zip", "--dat", f.dat, "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_NE(json.out.find("\"DAT Name\", \"DAT Match\"]"), std::string::npos);
    EXPECT_NE(json.out.find("\"datName\": \"Alpha (USA)\", \"datMatch\": \"Yes\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"datName\": \"\", \"datMatch\": \"\""), std::string::npos);
    // beta.nes and its copy in pack.zip are one entry of the DAT: two of its three are here.
    EXPECT_NE(json.out.find("\"dat\": {\"name\": \"Test & NES\", \"entries\": 3, \"matched\": 2}"), std::string::npos);
    EXPECT_NE(json.out.find(", 2 of 3 in DAT\"]"), std::string::npos);
    const auto verifyJson = RunCli({"verify", f.Roms(), "--kind", "nes", "--zip", "--dat", f.dat, "--json"});
    ASSERT_EQ(verifyJson.exitCode, 0) << verifyJson.err;
    EXPECT_NE(verifyJson.out.find("\"matched\": 2, \"entries\": 3"), std::string::npos) << verifyJson.out;
    EXPECT_NE(verifyJson.out.find("\"summary\": \"2 of 3 in DAT, 1 not in DAT, 0 bad\""), std::string::npos);
    // Each file by its path, a member also by its name and directory entry, as scan --json gives them.
    EXPECT_NE(verifyJson.out.find("\"file\": \"alpha.nes\", \"path\": \"alpha.nes\"}"), std::string::npos);
    EXPECT_NE(verifyJson.out.find("\"path\": \"pack.zip\", \"member\": \"beta.nes\", \"entry\": 0}"), std::string::npos);

    const std::string fixdat = f.dir / "fix.dat";
    const auto verify = RunCli({"verify", f.Roms(), "--kind", "nes", "--dat", f.dat, "--fixdat", fixdat});
    ASSERT_EQ(verify.exitCode, 0) << verify.err;
    EXPECT_NE(verify.out.find("Yes\tAlpha (USA)\talpha.nes\n"), std::string::npos) << verify.out;
    EXPECT_NE(verify.out.find("No\t\tstranger.nes\n"), std::string::npos);
    EXPECT_NE(verify.out.find("Missing\tGamma\n2 of 3 in DAT, 1 not in DAT, 0 bad\n"), std::string::npos);
    // The fixdat is a DAT of the missing game alone.
    const DatFile missing = LoadDatFile(fixdat);
    ASSERT_EQ(missing.games.size(), 1u);
    EXPECT_EQ(missing.games[0].name, "Gamma");
    EXPECT_EQ(missing.header.name, "fixdat_Test & NES");
    EXPECT_EQ(missing.roms[0].crc, 0x01234567u);

    // A DAT that cannot be read fails the command, naming it.
    const auto broken = RunCli({"verify", f.Roms(), "--kind", "nes", "--dat", f.dir / "nothing.dat"});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_NE(broken.err.find("nothing.dat"), std::string::npos);
}

TEST(DatCommands, RenameNamesMatchedFilesAndRefusesTheRest) {
    struct Case {
        std::string betaName;  // the DAT's name for beta
        std::string betaAfter;
        std::string refusal;  // on stderr
    };
    const Case cases[] = {
        {"Beta (Japan).nes", "Beta (Japan).nes", ""},
        {"alpha.nes", "beta.nes", "beta.nes: left alone: alpha.nes exists already"},
        {"../Beta.nes", "beta.nes", "is not a plain file name"},
        {"sub/Beta.nes", "beta.nes", "is not a plain file name"},
        {"Be\x01ta.nes", "beta.nes", "is not a plain file name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.betaName);
        Folder f(c.betaName);
        const auto dry = RunCli({"rename", f.Roms(), "--kind", "nes", "--dat", f.dat, "--dry-run"});
        ASSERT_EQ(dry.exitCode, 0) << dry.err;
        EXPECT_TRUE(test::ListFolder(f.Roms()) ==
                    (std::vector<std::string>{"alpha.nes", "beta.nes", "pack.zip", "stranger.nes"}));
        const auto run = RunCli({"rename", f.Roms(), "--kind", "nes", "--dat", f.dat});
        EXPECT_EQ(run.out, dry.out);
        EXPECT_NE(run.out.find("alpha.nes -> Alpha (USA).nes\n"), std::string::npos) << run.out;
        EXPECT_EQ(test::ReadFile(f.dir / ("roms/" + c.betaAfter)), f.beta);
        EXPECT_EQ(test::ReadFile(f.dir / "roms/Alpha (USA).nes"), f.alpha);
        if (!c.refusal.empty()) {
            EXPECT_NE(run.err.find(c.refusal), std::string::npos) << run.err;
        }
        EXPECT_EQ(test::ReadFile(f.dir / "roms/stranger.nes"), f.stranger);
    }
}

TEST(DatCommands, ARenameTheSystemRefusesFailsTheCommand) {
    // A name the DAT allows but the file system does not (longer than 255 bytes): the rename is
    // tried and fails, which is a failure of the command, not a name left alone.
    Folder f(std::string(300, 'b') + ".nes");
    const auto run = RunCli({"rename", f.Roms(), "--kind", "nes", "--dat", f.dat});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.out.find("alpha.nes -> Alpha (USA).nes\n"), std::string::npos);
    EXPECT_NE(run.err.find("beta.nes: cannot be renamed: File name too long"), std::string::npos) << run.err;
    EXPECT_EQ(test::ReadFile(f.dir / "roms/beta.nes"), f.beta);
    // A collision is a refusal: the command succeeds.
    Folder taken("alpha.nes");
    EXPECT_EQ(RunCli({"rename", taken.Roms(), "--kind", "nes", "--dat", taken.dat}).exitCode, 0);
}

TEST(DatCommands, ADatIsForCartridgeKindsOnly) {
    Folder f;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"scan", f.Roms(), "--kind", "mp3", "--dat", f.dat},
                                                 {"scan", f.Roms(), "--kind", "zip", "--dat", f.dat},
                                                 {"verify", f.Roms(), "--kind", "zip", "--dat", f.dat}}) {
        const auto run = RunCli(args);
        EXPECT_EQ(run.exitCode, 2) << args[3];
        EXPECT_NE(run.err.find("--dat is for cartridge kinds"), std::string::npos) << run.err;
    }
}

// alpha.nes against DATs that describe it in other ways. A match names the game in the known-dump
// column too (the list given knows no dumps); a bad dump does not.
TEST(DatCommands, ScansMatchByEveryHashTheDatGives) {
    Folder f;
    const FileHashes data = HashBytes(std::span(f.alpha).subspan(16), {0, static_cast<std::int64_t>(f.alpha.size() - 16)}, {.md5 = true});
    const std::string size = std::to_string(f.alpha.size() - 16);
    const std::string crc = CrcText(data.data.crc);
    std::string otherMd5 = HexText(*data.data.md5);
    otherMd5[0] = otherMd5[0] == '0' ? '1' : '0';
    const struct {
        std::string label;
        std::string rom;
        std::string verdict;
    } cases[] = {
        {"an MD5-only DAT", "size=\"" + size + "\" crc=\"" + crc + "\" md5=\"" + HexText(*data.data.md5) + "\"", "Yes"},
        {"an MD5-only DAT whose MD5 differs", "size=\"" + size + "\" crc=\"" + crc + "\" md5=\"" + otherMd5 + "\"", "Bad"},
        {"a headered DAT: the whole file's hashes",
         "size=\"" + std::to_string(f.alpha.size()) + "\" crc=\"" + CrcText(test::ZlibCrc(f.alpha)) + "\" sha1=\"" +
             test::Sha1sum(f.dir, f.alpha) + "\"",
         "Yes"},
    };
    const std::string noDumps = f.dir.Write("none.txt", {});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string text = "<datafile><game name=\"Alpha (USA)\"><rom name=\"a.nes\" " + c.rom + "/></game></datafile>";
        const std::string dat = f.dir.Write("alpha.dat", {text.begin(), text.end()});
        const auto scan = RunCli({"scan", f.Roms(), "--kind", "nes", "--dat", dat, "--json", "--known-dumps", noDumps});
        ASSERT_EQ(scan.exitCode, 0) << scan.err;
        const std::size_t at = scan.out.find("\"path\": \"alpha.nes\"");
        ASSERT_NE(at, std::string::npos);
        const std::string row = scan.out.substr(scan.out.rfind('\n', at), scan.out.find('\n', at) - scan.out.rfind('\n', at));
        EXPECT_NE(row.find("\"datMatch\": \"" + c.verdict + "\""), std::string::npos) << row;
        // The name stands in "DAT Name" and "datName", and for a match in the known-dump column.
        std::size_t names = 0;
        for (std::size_t p = row.find("\"Alpha (USA)\""); p != std::string::npos; p = row.find("\"Alpha (USA)\"", p + 1)) ++names;
        EXPECT_EQ(names, c.verdict == "Yes" ? 3u : 2u) << row;
    }
}

// vorne-cli hash against zlib, md5sum and sha1sum of the data cut by hand.
TEST(DatCommands, HashGivesTheDataAndTheWholeFile) {
    test::TempDir dir;
    const Bytes nes = samples::MakeNes({.prgBanks = 1, .chrBanks = 1, .seed = 3, .trailer = std::string(128, 'T')});
    const Bytes snes = samples::MakeSnes({.copierHeader = true, .seed = 4});
    const struct {
        std::string kind;
        std::string path;
        Bytes whole;
        Bytes data;
    } cases[] = {
        {"nes", dir.Write("t.nes", nes), nes, Bytes(nes.begin() + 16, nes.end() - 128)},
        {"snes", dir.Write("t.smc", snes), snes, Bytes(snes.begin() + 512, snes.end())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        const auto run = test::RunCli({"hash", c.path, "--kind", c.kind});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        auto line = [&](const std::string& label, const Bytes& bytes) {
            return label + " size " + std::to_string(bytes.size()) + " crc32 " + CrcText(test::ZlibCrc(bytes)) + " md5 " +
                   test::Md5sum(dir, bytes) + " sha1 " + test::Sha1sum(dir, bytes) + "\n";
        };
        EXPECT_EQ(run.out, line("data", c.data) + line("file", c.whole));
    }
}

TEST(DatCommands, DuplicatesByData) {
    Folder f;
    // alpha again with another mapper in its header: the same data, other columns.
    Bytes remapped = f.alpha;
    remapped[6] ^= 0x10;
    f.dir.Write("roms/remapped.nes", remapped);
    const auto columns = RunCli({"scan", f.Roms(), "--kind", "nes", "--zip", "--json"});
    const auto data = RunCli({"scan", f.Roms(), "--kind", "nes", "--zip", "--json", "--duplicates", "data"});
    ASSERT_EQ(data.exitCode, 0) << data.err;
    // beta and its copy in the zip are alike either way; alpha and remapped only by their data.
    EXPECT_NE(columns.out.find("\"uniqueCount\": 4"), std::string::npos) << columns.out;
    EXPECT_NE(data.out.find("\"uniqueCount\": 3"), std::string::npos) << data.out;
    EXPECT_EQ(columns.out.find("\"crc32\""), std::string::npos);  // nothing hashed without a reason
    EXPECT_EQ(RunCli({"scan", f.Roms(), "--kind", "nes", "--duplicates", "size"}).exitCode, 2);
}

}  // namespace
}  // namespace dat_commands_test
}  // namespace vorne
