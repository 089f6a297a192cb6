#include "tools/genesis_conversion.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/rom_type.h"
#include "images.h"
#include "support/as_user.h"
#include "support/temp_dir.h"
#include "tools/recording_report.h"

namespace vorne {
namespace genesis_conversion_test {
namespace {

using samples::Bytes;

constexpr std::size_t kGenesisHalf = 8192;
constexpr std::size_t k32XHalf = 512 * 1024;

const int kColumns = ColumnCount(RomType::Genesis);

CatalogRow Row(const std::string& filename) { return test::RowOf(kColumns, {{kFilenameColumn, filename}}); }

Bytes OurCopierHeader(std::size_t linearLength) {
    Bytes header(512, 0);
    header[0] = static_cast<std::uint8_t>(linearLength >> 14);
    header[1] = 0x03;
    header[3] = 0xAA;
    header[4] = 0xBB;
    return header;
}

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Bytes kGenesis = samples::MakeGenesis({.size = 32768, .seed = 3});
const Bytes k32X = samples::MakeGenesis({.is32X = true, .size = 3 * 1024 * 1024, .seed = 4});

TEST(GenesisConversion, WhatEachFileBecomes) {
    struct Case {
        const char* what;
        std::string source;
        Bytes file;
        std::string extension;  // of the command
        std::string output;
        Bytes want;
    };
    const Case cases[] = {
        {"interleaved Genesis with a copier header to linear", "g.smd", samples::Interleave(kGenesis, kGenesisHalf, true),
         "smd", "g.bin", kGenesis},
        {"linear Genesis to interleaved behind our copier header", "g.bin", kGenesis, "bin", "g.smd",
         Join(OurCopierHeader(32768), samples::Interleave(kGenesis, kGenesisHalf, false))},
        {"linear 32X to interleaved in 1 MiB blocks, no header", "g.bin", k32X, "bin", "g.32X",
         samples::Interleave(k32X, k32XHalf, false)},
        {"interleaved 32X to linear", "g.32X", samples::Interleave(k32X, k32XHalf, false), "32x", "g.bin", k32X},
        {"the extension in capitals", "G.SMD", samples::Interleave(kGenesis, kGenesisHalf, true), "smd", "G.bin", kGenesis},
        {"in a subfolder", "sub/g.smd", samples::Interleave(kGenesis, kGenesisHalf, false), "smd", "sub/g.bin", kGenesis},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        dir.Write(c.source, c.file);
        test::RecordingReport report;
        std::vector<CatalogRow> rows{Row(c.source)};
        auto outputs = ConvertGenesisFiles(dir.Path(), rows, c.extension, 7, report);
        EXPECT_EQ(outputs, std::vector<std::string>{c.output}) << c.what;
        EXPECT_EQ(test::ReadFile(dir / c.output), c.want) << c.what;
        EXPECT_EQ(test::ReadFile(dir / c.source), c.file) << c.what;  // the source stays
        EXPECT_EQ(report.events, (std::vector<std::string>{"status 0: Converting...", "status 2: " + c.source,
                                                           "status 0: 8 ROMs"}))
            << c.what;
    }
}

// A file whose data is not whole blocks would come out empty or out of step: it is named and left.
TEST(GenesisConversion, LengthsOfNoWholeBlocksAreLeftAlone) {
    const Bytes shortGenesis = samples::MakeGenesis({.size = 16384 + 100, .seed = 5});
    const Bytes short32X = samples::MakeGenesis({.is32X = true, .size = 1024 * 1024 + 16384, .seed = 6});
    const std::string copier = " (behind a copier header of 512 bytes or none)";
    struct Case {
        std::string source;
        Bytes file;
        std::string extension;
        std::string reason;
    };
    const Case cases[] = {
        {"tiny.smd", Bytes(600, 0x41), "smd", "600 bytes, is not whole blocks of 16384 bytes" + copier},
        {"header.smd", Bytes(512, 0x41), "smd", "512 bytes, is not whole blocks of 16384 bytes" + copier},
        {"stray.smd", Join(samples::Interleave(kGenesis, kGenesisHalf, false), Bytes(128, 7)), "smd",
         "32896 bytes, is not whole blocks of 16384 bytes" + copier},
        {"short.bin", shortGenesis, "bin", "16484 bytes, is not whole blocks of 16384 bytes"},
        {"short.bin", short32X, "bin", "1064960 bytes, is not whole blocks of 1048576 bytes"},
        {"short.32x", samples::Interleave(short32X, k32XHalf, false), "32x",
         "1064960 bytes, is not whole blocks of 1048576 bytes" + copier},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        dir.Write(c.source, c.file);
        test::RecordingReport report;
        std::vector<CatalogRow> rows{Row(c.source)};
        EXPECT_TRUE(ConvertGenesisFiles(dir.Path(), rows, c.extension, 0, report).empty()) << c.source;
        EXPECT_EQ(report.Of("skipped"), std::vector<std::string>{"skipped " + c.source + ": its length, " + c.reason + "; left as it is"});
        EXPECT_EQ(test::ListFolder(dir.Path()), std::vector<std::string>{c.source});
    }
}

TEST(GenesisConversion, RoundTripsAndTheCopierHeader) {
    test::TempDir dir;
    const Bytes smd = samples::Interleave(kGenesis, kGenesisHalf, true);
    dir.Write("a.smd", smd);
    test::RecordingReport report;
    std::vector<CatalogRow> first{Row("a.smd")};
    ConvertGenesisFiles(dir.Path(), first, "smd", 0, report);
    EXPECT_EQ(test::ReadFile(dir / "a.bin").size(), 32768u);
    // Back again, once the old a.smd is gone: only the copier header differs from it.
    ASSERT_EQ(::unlink((dir / "a.smd").c_str()), 0);
    std::vector<CatalogRow> second{Row("a.bin")};
    ConvertGenesisFiles(dir.Path(), second, "bin", 0, report);
    Bytes back = test::ReadFile(dir / "a.smd");
    ASSERT_EQ(back.size(), 512u + 32768u);
    EXPECT_EQ(Bytes(back.begin(), back.begin() + 512), OurCopierHeader(32768));
    EXPECT_EQ(back[0], 0x02);
    EXPECT_EQ(Bytes(back.begin() + 512, back.end()), Bytes(smd.begin() + 512, smd.end()));

    EXPECT_EQ(ConvertedName("sub/x.smd", "bin"), "sub/x.bin");
    EXPECT_EQ(ConvertedName("x.32x", "bin"), "x.bin");
    EXPECT_EQ(ConvertedName("ab", "bin"), "bin");
}

TEST(GenesisConversion, RowsNotTakenAndFilesLeftAlone) {
    test::TempDir dir;
    const Bytes linear = kGenesis;
    const Bytes interleaved = samples::Interleave(kGenesis, kGenesisHalf, true);
    dir.Write("lin.smd", linear);       // linear already: its output would be itself
    dir.Write("int.bin", interleaved);  // interleaved already
    dir.Write("other.bin", linear);
    dir.Write("taken.bin", linear);
    dir.Write("taken.smd", {1, 2, 3});  // the output's name is taken: never replaced
    std::vector<CatalogRow> rows{Row("lin.smd"), test::AsMember(Row(""), "pack.zip", "X.SMD"), Row("other.bin"), Row("int.bin"),
                                 Row("taken.bin")};
    test::RecordingReport report;
    auto smd = ConvertGenesisFiles(dir.Path(), rows, "smd", 3, report);
    EXPECT_TRUE(smd.empty());
    EXPECT_EQ(report.events, (std::vector<std::string>{
                                 "status 0: Converting...", "status 2: lin.smd",
                                 "skipped lin.smd: it is linear already, so its converted name is its own; left as it is",
                                 "status 0: 3 ROMs"}));
    test::RecordingReport binReport;
    auto bin = ConvertGenesisFiles(dir.Path(), rows, "BIN", 3, binReport);
    EXPECT_EQ(bin, std::vector<std::string>{"other.smd"});
    EXPECT_EQ(binReport.Of("skipped"),
              (std::vector<std::string>{
                  "skipped int.bin: it is interleaved already, so its converted name is its own; left as it is",
                  "skipped taken.bin: " + dir / "taken.smd exists already; both are left as they are"}));
    EXPECT_EQ(test::ReadFile(dir / "lin.smd"), linear);
    EXPECT_EQ(test::ReadFile(dir / "int.bin"), interleaved);
    EXPECT_EQ(test::ReadFile(dir / "taken.smd"), (Bytes{1, 2, 3}));
    EXPECT_EQ(test::ListFolder(dir.Path()), (std::vector<std::string>{"int.bin", "lin.smd", "other.bin", "other.smd",
                                                                      "taken.bin", "taken.smd"}));
}

TEST(GenesisConversion, AReadOnlySourceConverts) {
    test::TempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
    std::string source = dir.Write("ro.smd", samples::Interleave(kGenesis, kGenesisHalf, true));
    ASSERT_EQ(::chmod(source.c_str(), 0444), 0);
    const test::Account nobody = test::Nobody();
    // Root may write any file; as another user the source is truly read-only.
    auto result = test::RunAs(test::IsRoot() ? &nobody : nullptr, [&] { ConvertGenesisFile(source); });
    EXPECT_EQ(result.outcome, test::ChildResult::Done) << result.message;
    EXPECT_EQ(test::ReadFile(dir / "ro.bin"), kGenesis);
}

TEST(GenesisConversion, AnOutputThatCannotBeWrittenLeavesNothingAndTheCommandGoesOn) {
    test::TempDir dir;
    dir.Write("big.smd", samples::Interleave(kGenesis, kGenesisHalf, true));  // 32 KiB out
    const Bytes small = samples::MakeGenesis({.size = 16384, .seed = 9});
    dir.Write("small.bin", small);  // 512 + 16 KiB out
    std::vector<CatalogRow> rows{Row("big.smd"), Row("small.bin")};
    test::RecordingReport report;
    std::vector<std::string> made;
    {
        test::FileSizeLimit limit(20000);
        made = ConvertGenesisFiles(dir.Path(), rows, "smd", 0, report);
        auto also = ConvertGenesisFiles(dir.Path(), rows, "bin", 0, report);
        made.insert(made.end(), also.begin(), also.end());
    }
    EXPECT_EQ(made, std::vector<std::string>{"small.smd"});
    ASSERT_EQ(report.Of("failed").size(), 1u);
    EXPECT_TRUE(report.Of("failed")[0].starts_with("failed big.smd: " + dir / "big.bin: File too large"))
        << report.Of("failed")[0];
    EXPECT_EQ(test::ListFolder(dir.Path()), (std::vector<std::string>{"big.smd", "small.bin", "small.smd"}));
}

TEST(GenesisConversion, NothingSelected) {
    test::TempDir dir;
    test::RecordingReport report;
    EXPECT_TRUE(ConvertGenesisFiles(dir.Path(), {}, "smd", 5, report).empty());
    EXPECT_EQ(report.events, (std::vector<std::string>{"status 0: Converting...", "status 0: 5 ROMs"}));
    test::RecordingReport one;
    dir.Write("a.smd", samples::Interleave(kGenesis, kGenesisHalf, true));
    std::vector<CatalogRow> rows{Row("a.smd")};
    ConvertGenesisFiles(dir.Path(), rows, "smd", 0, one);
    EXPECT_EQ(one.events.back(), "status 0: 1 ROM");
}

}  // namespace
}  // namespace genesis_conversion_test
}  // namespace vorne
