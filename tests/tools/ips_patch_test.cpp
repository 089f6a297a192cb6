#include "tools/ips_patch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vorne {
namespace ips_patch_test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Patch pieces.
Bytes Header(const std::string& text = "PATCH") { return {text.begin(), text.end()}; }
Bytes Record(std::uint32_t offset, const Bytes& data) {
    Bytes r{static_cast<std::uint8_t>(offset >> 16), static_cast<std::uint8_t>(offset >> 8), static_cast<std::uint8_t>(offset),
            static_cast<std::uint8_t>(data.size() >> 8), static_cast<std::uint8_t>(data.size())};
    r.insert(r.end(), data.begin(), data.end());
    return r;
}
Bytes RunRecord(std::uint32_t offset, std::uint16_t count, std::uint8_t value) {
    return {static_cast<std::uint8_t>(offset >> 16), static_cast<std::uint8_t>(offset >> 8), static_cast<std::uint8_t>(offset),
            0, 0, static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count), value};
}
const Bytes kEnd{'E', 'O', 'F'};

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes First(const Bytes& bytes, std::size_t n) { return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)); }

const Bytes kTarget{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

TEST(IpsPatch, RecordsRunsAndTheEnd) {
    const Bytes two = Cat({Header(), Record(2, {0xAA, 0xBB}), RunRecord(5, 3, 0xFF)});
    const Bytes whole = Cat({two, kEnd});
    struct Case {
        const char* what;
        Bytes patch;
        bool complete;
        Bytes result;
    };
    const Case cases[] = {
        {"the header and the end marker alone", Cat({Header(), kEnd}), true, kTarget},
        {"any header", Cat({Header("XXXXX"), Record(0, {9}), kEnd}), true, {9, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"a record and a run", whole, true, {0, 1, 0xAA, 0xBB, 4, 0xFF, 0xFF, 0xFF, 8, 9}},
        {"bytes after the end marker are ignored", Cat({whole, Record(0, {7})}), true, {0, 1, 0xAA, 0xBB, 4, 0xFF, 0xFF, 0xFF, 8, 9}},
        {"records in order: a later one wins", Cat({Header(), Record(1, {5, 5}), Record(2, {6}), kEnd}), true,
         {0, 5, 6, 3, 4, 5, 6, 7, 8, 9}},
        {"past the end: the file grows, the gap zero", Cat({Header(), Record(12, {1, 2}), kEnd}), true,
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 1, 2}},
        {"a run of 0 writes nothing", Cat({Header(), RunRecord(20, 0, 0xEE), kEnd}), true, kTarget},
        {"no end marker: every whole record", two, false, {0, 1, 0xAA, 0xBB, 4, 0xFF, 0xFF, 0xFF, 8, 9}},
        {"ends inside an offset", Cat({two, Bytes{0x00, 0x00}}), false, {0, 1, 0xAA, 0xBB, 4, 0xFF, 0xFF, 0xFF, 8, 9}},
        {"ends inside the end marker", Cat({two, Bytes{'E', 'O'}}), false, {0, 1, 0xAA, 0xBB, 4, 0xFF, 0xFF, 0xFF, 8, 9}},
        {"ends inside a size", Cat({two, Bytes{0, 0, 0, 0}}), false, {0, 1, 0xAA, 0xBB, 4, 0xFF, 0xFF, 0xFF, 8, 9}},
        {"ends inside data", Cat({Header(), Record(0, {7}), First(Record(1, {9, 9, 9}), 7)}), false,
         {7, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"ends inside a run count", Cat({Header(), First(RunRecord(0, 3, 1), 6)}), false, kTarget},
        {"ends before a run value", Cat({Header(), First(RunRecord(0, 3, 1), 7)}), false, kTarget},
        {"shorter than its header", Bytes{'P', 'A'}, false, kTarget},
        {"an empty patch", Bytes{}, false, kTarget},
    };
    for (const Case& c : cases) {
        IpsPatch patch = ParseIpsPatch(c.patch);
        EXPECT_EQ(patch.Complete(), c.complete) << c.what;
        Bytes image = kTarget;
        ApplyIpsRecords(patch, image);
        EXPECT_EQ(image, c.result) << c.what;
    }
}

TEST(IpsPatch, RecordsWritingMoreThanIpsCanAddressEndTheReading) {
    Bytes patch = Header();
    for (int i = 0; i < 258; ++i) patch = Cat({patch, RunRecord(0, 0xFFFF, 1)});  // 257 fit in 16 MiB + 64 KiB
    patch = Cat({patch, kEnd});
    const IpsPatch parsed = ParseIpsPatch(patch);
    EXPECT_EQ(parsed.end, IpsEnd::TooLarge);
    EXPECT_EQ(parsed.records.size(), 257u);
}

TEST(IpsPatch, LongRunsAndTheHighestOffset) {
    const Bytes bytes = Cat({Header(), RunRecord(4, 300, 0xFF), Record(0xFFFFFF, {1}), kEnd});
    IpsPatch patch = ParseIpsPatch(bytes);
    ASSERT_EQ(patch.records.size(), 2u);
    EXPECT_EQ(patch.records[0].runLength, 300);
    EXPECT_EQ(patch.records[1].offset, 0xFFFFFFu);
    Bytes image(4, 0);
    ApplyIpsRecords(patch, image);
    ASSERT_EQ(image.size(), 0x1000000u);
    EXPECT_EQ(std::count(image.begin(), image.end(), 0xFF), 300);
    EXPECT_EQ(image[303], 0xFF);
    EXPECT_EQ(image[304], 0x00);
    EXPECT_EQ(image.back(), 1);
}

class IpsFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string target = dir.Write("game.bin", kTarget);
    std::string patch = dir.Write("fix.ips", Cat({Header(), Record(2, {0xAA}), kEnd}));
    const Bytes patched{0, 1, 0xAA, 3, 4, 5, 6, 7, 8, 9};
};

TEST_F(IpsFileTest, InPlaceOrToANewFile) {
    struct Case {
        const char* what;
        std::string saveAs;  // relative to the folder; "-" for none
        IpsOutcome outcome;
        bool targetPatched;
        bool copyMade;
    };
    const Case cases[] = {
        {"in place", "-", IpsOutcome::Applied, true, false},
        {"to a new name: the target stays", "copy.bin", IpsOutcome::Applied, false, true},
        {"the target's own name", "game.bin", IpsOutcome::Applied, true, false},
        {"the target by another spelling", "./sub/../game.bin", IpsOutcome::Applied, true, false},
        {"a link to the target", "link.bin", IpsOutcome::Applied, true, false},
    };
    for (const Case& c : cases) {
        test::TempDir d;
        std::string t = d.Write("game.bin", kTarget);
        std::string p = d.Write("fix.ips", Cat({Header(), Record(2, {0xAA}), kEnd}));
        d.Write("sub/keep", {});
        ASSERT_EQ(::symlink("game.bin", (d / "link.bin").c_str()), 0);
        IpsResult result = ApplyIpsPatch(t, p, c.saveAs == "-" ? "" : d / c.saveAs);
        EXPECT_EQ(result.outcome, c.outcome) << c.what;
        EXPECT_EQ(test::ReadFile(t), c.targetPatched ? patched : kTarget) << c.what;
        if (c.copyMade) {
            EXPECT_EQ(test::ReadFile(d / c.saveAs), patched) << c.what;
            EXPECT_EQ(result.patchedPath, d / c.saveAs);
        } else {
            EXPECT_EQ(test::ListFolder(d.Path()), (std::vector<std::string>{"fix.ips", "game.bin", "link.bin", "sub"})) << c.what;
            EXPECT_EQ(result.patchedPath, t);
        }
    }
}

TEST_F(IpsFileTest, FailuresChangeNothing) {
    dir.Write("empty.bin", {});
    dir.Write("cut.ips", Cat({Header(), Record(0, {0xEE}), First(Record(4, {1, 2, 3}), 6)}));
    struct Case {
        const char* what;
        std::string target;
        std::string patch;
        std::string saveAs;
        IpsOutcome outcome;
    };
    const Case cases[] = {
        {"an empty target to a new name", "empty.bin", "fix.ips", "new.bin", IpsOutcome::InvalidTargetSize},
        {"a missing target to a new name", "none.bin", "fix.ips", "new.bin", IpsOutcome::InvalidTargetSize},
        {"a missing target in place", "none.bin", "fix.ips", "", IpsOutcome::CannotOpenTarget},
        {"a missing patch", "game.bin", "none.ips", "", IpsOutcome::CannotOpenPatch},
        {"a missing patch to a new name: no copy", "game.bin", "none.ips", "new.bin", IpsOutcome::CannotOpenPatch},
    };
    for (const Case& c : cases) {
        IpsResult result = ApplyIpsPatch(dir / c.target, dir / c.patch, c.saveAs.empty() ? "" : dir / c.saveAs);
        EXPECT_EQ(result.outcome, c.outcome) << c.what;
        EXPECT_EQ(test::ReadFile(target), kTarget) << c.what;
        EXPECT_EQ(test::ListFolder(dir.Path()), (std::vector<std::string>{"cut.ips", "empty.bin", "fix.ips", "game.bin"}))
            << c.what;
    }

    // A patch cut short, a file that is no patch, or one whose records write more than IPS can
    // address: nothing is written, in place or to a copy.
    Bytes tooLarge = Header();
    for (int i = 0; i < 258; ++i) tooLarge = Cat({tooLarge, RunRecord(0, 0xFFFF, 1)});
    const Bytes zip{'P', 'K', 3, 4, 20, 0, 0, 0, 8, 0, 0x21, 0x7A, 0x55, 0x3B, 0x11, 0x22, 0x33, 0x44, 0, 1, 0, 0, 0, 2};
    const Case wrong[] = {
        {"cut inside a record", "game.bin", "cut.ips", "", IpsOutcome::PatchEof},
        {"cut inside a record, to a new name", "game.bin", "cut.ips", "new.bin", IpsOutcome::PatchEof},
        {"a zip archive", "game.bin", "hack.zip", "", IpsOutcome::PatchEof},
        {"too much written", "game.bin", "large.ips", "", IpsOutcome::PatchTooLarge},
    };
    dir.Write("hack.zip", zip);
    dir.Write("large.ips", Cat({tooLarge, kEnd}));
    for (const Case& c : wrong) {
        IpsResult result = ApplyIpsPatch(dir / c.target, dir / c.patch, c.saveAs.empty() ? "" : dir / c.saveAs);
        EXPECT_EQ(result.outcome, c.outcome) << c.what;
        EXPECT_EQ(test::ReadFile(target), kTarget) << c.what;
        EXPECT_EQ(test::ListFolder(dir.Path()).size(), 6u) << c.what;
    }
}

// The patch is read a window at a time: records that straddle its refills apply as in memory.
TEST_F(IpsFileTest, APatchLargerThanItsReadingWindow) {
    Bytes image(400000);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7);
    Bytes patchBytes = Header();
    for (std::uint32_t i = 0; i < 9; ++i) {
        patchBytes = Cat({patchBytes, Record(i * 41000 + 3, Bytes(60000 - i, static_cast<std::uint8_t>(i + 1))),
                          RunRecord(i * 997, 300, 0xEE)});
    }
    patchBytes = Cat({patchBytes, kEnd});
    std::string big = dir.Write("big.bin", image);
    std::string bigPatch = dir.Write("big.ips", patchBytes);
    ASSERT_EQ(ApplyIpsPatch(big, bigPatch, dir / "copy.bin").outcome, IpsOutcome::Applied);
    ApplyIpsRecords(ParseIpsPatch(patchBytes), image);
    EXPECT_EQ(test::ReadFile(dir / "copy.bin"), image);
}

TEST_F(IpsFileTest, AWriteThatFailsPartWayLeavesTheTargetAsItWas) {
    std::string big = dir.Write("big.bin", Bytes(3000, 0x11));
    std::string grow = dir.Write("grow.ips", Cat({Header(), Record(0, {0x22}), RunRecord(5000, 100, 0x33), kEnd}));
    IpsResult result;
    {
        test::FileSizeLimit limit(4096);
        result = ApplyIpsPatch(big, grow);
    }
    EXPECT_EQ(result.outcome, IpsOutcome::WriteFailed);
    EXPECT_NE(result.error.find("File too large"), std::string::npos) << result.error;
    EXPECT_EQ(test::ReadFile(big), Bytes(3000, 0x11));
    EXPECT_EQ(MessageFor(result).title, "IPS Error");
    EXPECT_EQ(MessageFor(result).text, "Cannot write the patched file: " + result.error + "\n");
}

TEST(IpsPatch, Messages) {
    struct Case {
        IpsOutcome outcome;
        std::string_view title;
        std::string text;
    };
    const Case cases[] = {
        {IpsOutcome::Applied, "Success!", "IPS patch applied.\n"},
        {IpsOutcome::PatchEof, "IPS Error", "Patch EOF reached.\n"},
        {IpsOutcome::PatchTooLarge, "IPS Error",
         "The patch writes more than the 16 MiB + 64 KiB an IPS patch can address; nothing was patched.\n"},
        {IpsOutcome::CannotOpenTarget, "IPS Error", "Cannot open target file.\n"},
        {IpsOutcome::CannotOpenPatch, "IPS Error", "Cannot open patch file.\n"},
        {IpsOutcome::InvalidTargetSize, "", "Invalid target file size."},
    };
    for (const Case& c : cases) {
        IpsMessage message = MessageFor({c.outcome});
        EXPECT_EQ(message.title, c.title);
        EXPECT_EQ(message.text, c.text);
    }
    // A target that cannot be read says why.
    const IpsMessage unread = MessageFor({IpsOutcome::InvalidTargetSize, "t.bin: Is a directory"});
    EXPECT_EQ(unread.title, "IPS Error");
    EXPECT_EQ(unread.text, "t.bin: Is a directory");
}

}  // namespace
}  // namespace ips_patch_test
}  // namespace vorne
