// scan --dat, verify, rename and --duplicates data through vorne-cli.
#include <gtest/gtest.h>

#include "dat/data_hasher.h"
#include "dat/dat_file.h"
#include "images.h"
#include "support/temp_dir.h"
#include "zip_writer.h"

namespace vorne {
namespace {

using samples::Bytes;
using test::RunCli;

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
    EXPECT_NE(json.out.find("\"dat\": {\"name\": \"Test & NES\", \"entries\": 3, \"matched\": 3}"), std::string::npos);
    EXPECT_NE(json.out.find(", 3 of 3 in DAT\"]"), std::string::npos);

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
}  // namespace vorne
