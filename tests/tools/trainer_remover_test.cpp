#include "tools/trainer_remover.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/rom_type.h"
#include "images.h"
#include "platform/file_error.h"
#include "support/temp_dir.h"
#include "tools/recording_report.h"

namespace vorne {
namespace trainer_remover_test {
namespace {

using samples::Bytes;

const int kNesColumns = ColumnCount(RomType::Nes);

CatalogRow Row(const std::string& filename, std::size_t size, const std::string& trainer = "Yes") {
    return test::RowOf(kNesColumns, {{kFilenameColumn, filename},
                                     {kSizeColumn, std::to_string(size)},
                                     {FieldNumber(NesField::Trainer), trainer}});
}

// An image with a trainer (flag and 512 bytes), `extra` bytes after whole banks.
Bytes Trained(int prgBanks, std::size_t extra = 0) {
    Bytes image = samples::MakeNes({.prgBanks = prgBanks, .chrBanks = 0, .flags6 = 0x04, .seed = 5});
    image.resize(image.size() + extra, 0x77);
    return image;
}

// What removal makes of `image`: the header with the trainer flag cleared, then everything from 528 on.
Bytes WithoutTrainer(const Bytes& image) {
    Bytes out = image;
    out.erase(out.begin() + 16, out.begin() + 528);
    out[6] &= 0xFB;
    return out;
}

TEST(TrainerRemover, SizeCheck) {
    struct Case {
        std::int64_t size;
        bool suspect;
    };
    const Case cases[] = {
        {25104, false},  // 16 + 512 + 3 * 8192: remainder 528
        {24592, true},   // 16 + 3 * 8192: remainder 16
        {8192 + 511, true}, {8192 + 512, false}, {528, false}, {0, true},
    };
    for (const Case& c : cases) EXPECT_EQ(TrainerSizeIsSuspect(c.size), c.suspect) << c.size;
    EXPECT_EQ(BadSizeQuestion("sub/x.nes"), "Inappropriate filesize for trained ROM sub/x.nes. Continue removal?");
}

TEST(TrainerRemover, RowsTakenAskedAndPassedOver) {
    struct Case {
        const char* what;
        Bytes file;
        std::string trainerText;
        std::vector<bool> answers;
        bool removed;
        std::vector<std::string> events;  // asks, skips and failures, in order
    };
    const Bytes normal = Trained(1);             // 16 + 512 + 16384: remainder 528
    const Bytes odd = Trained(1, 8192 - 528 + 16);  // remainder 16
    const Bytes tiny = Bytes{'N', 'E', 'S', 0x1A, 0, 0, 0x04};
    Bytes flagClear = normal;
    flagClear[6] = 0;
    const Case cases[] = {
        {"a well-sized file, no question", normal, "Yes", {}, true, {}},
        {"an odd size, answered Yes", odd, "Yes", {true}, true,
         {"ask Bad Size: Inappropriate filesize for trained ROM g.nes. Continue removal?"}},
        {"an odd size, answered No", odd, "Yes", {false}, false,
         {"ask Bad Size: Inappropriate filesize for trained ROM g.nes. Continue removal?"}},
        {"Trainer column No", normal, "No", {}, false, {}},
        {"any other Trainer text goes on", normal, "yes", {}, true, {}},
        {"shorter than 528 bytes: never cut, no question", tiny, "Yes", {true}, false,
         {"skipped g.nes: too short to hold a trainer (528 bytes of header and trainer); left as it is"}},
        {"the flag is clear on disk: refused and named", flagClear, "Yes", {}, false, {"skipped g.nes: has no trainer"}},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        dir.Write("g.nes", c.file);
        test::RecordingReport report;
        report.answers.assign(c.answers.begin(), c.answers.end());
        std::vector<CatalogRow> rows{Row("g.nes", c.file.size(), c.trainerText)};
        int removed = RemoveNesTrainers(dir.Path(), rows, ToolScope::WholeList, report);
        EXPECT_EQ(removed, c.removed ? 1 : 0) << c.what;
        EXPECT_EQ(test::ReadFile(dir / "g.nes"), c.removed ? WithoutTrainer(c.file) : c.file) << c.what;
        std::vector<std::string> told;
        for (const std::string& e : report.events) {
            if (!e.starts_with("message") && !e.starts_with("cells")) told.push_back(e);
        }
        EXPECT_EQ(told, c.events) << c.what;
        EXPECT_EQ(report.Of("message"), std::vector<std::string>{"message Trainer Remover: " + TrainerSummary(removed)});
    }
}

TEST(TrainerRemover, SelectionVariantAndArchiveMembers) {
    test::TempDir dir;
    const Bytes image = Trained(2);
    dir.Write("a.nes", image);
    dir.Write("b.nes", image);
    std::vector<CatalogRow> rows{Row("a.nes", image.size()), test::AsMember(Row("", 100), "pack.zip", "C.NES"), Row("b.nes", image.size())};
    test::RecordingReport report;
    EXPECT_EQ(RemoveNesTrainers(dir.Path(), rows, ToolScope::Selection, report), 2);
    EXPECT_EQ(report.Of("status"), (std::vector<std::string>{"status 0: Processing...", "status 2: a.nes", "status 2: b.nes"}));
    EXPECT_EQ(test::ReadFile(dir / "b.nes"), WithoutTrainer(image));
    EXPECT_EQ(TrainerSummary(2), "2 trainers removed.");
}

TEST(TrainerRemover, AFileErrorEndsTheCommand) {
    test::TempDir dir;
    const Bytes image = Trained(1);
    dir.Write("a.nes", image);
    dir.Write("c.nes", image);
    std::vector<CatalogRow> rows{Row("a.nes", image.size()), Row("b.nes", image.size()), Row("c.nes", image.size())};
    test::RecordingReport report;
    EXPECT_THROW(RemoveNesTrainers(dir.Path(), rows, ToolScope::WholeList, report), FileError);
    EXPECT_EQ(test::ReadFile(dir / "a.nes"), WithoutTrainer(image));
    EXPECT_EQ(test::ReadFile(dir / "c.nes"), image);
    EXPECT_TRUE(report.Of("message").empty());
    // The file done before the error shows as it is now until the next scan.
    const std::vector<std::string> cells = report.Of("cells");
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_TRUE(cells[0].starts_with("cells a.nes: 0=")) << cells[0];
    EXPECT_NE(cells[0].find(" 2=" + std::to_string(image.size() - 512) + " "), std::string::npos) << cells[0];
    EXPECT_NE(cells[0].find(" 8=No "), std::string::npos) << cells[0];
}

}  // namespace
}  // namespace trainer_remover_test
}  // namespace vorne
