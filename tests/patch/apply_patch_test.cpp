#include "patch/apply_patch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "patch/patch_error.h"
#include "patch_builder.h"

namespace vorne {
namespace apply_patch_test {
namespace {

using test::Bps;
using test::BpsBody;
using test::BpsStep;
using test::Bytes;
using test::Close;
using test::Ups;
using test::UpsBody;
using test::ZlibCrc;

Bytes Of(const std::string& text) { return {text.begin(), text.end()}; }

std::string Printf(const char* format, std::uint32_t a, std::uint32_t b) {
    char text[200];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// What applying gives: the new file, or the text of the refusal, marked by its kind.
std::string Outcome(const Bytes& patch, const Bytes& file, bool force = false) {
    try {
        PatchedFile result = ApplyPatch(patch, file, force);
        std::string text(result.bytes.begin(), result.bytes.end());
        for (const std::string& w : result.warnings) text += " | warning: " + w;
        return text;
    } catch (const PatchError& e) {
        return std::string("damaged: ") + e.what();
    } catch (const PatchMismatch& e) {
        return std::string("mismatch: ") + e.what();
    }
}

const Bytes kSource = Of("ABCDEFGHIJ");

TEST(BpsApply, EachActionAsTheFormatDescribesIt) {
    struct Case {
        const char* what;
        std::string target;
        std::vector<BpsStep> steps;
    };
    const Case cases[] = {
        {"the source read whole", "ABCDEFGHIJ", {{0, 10}}},
        {"source reads follow the output position", "xyzDE", {{1, 3, 0, Of("xyz")}, {0, 2}}},
        {"source copies move forward and back", "FGHAB", {{2, 3, 5}, {2, 2, -8}}},
        {"a target copy repeats what it is writing", "abababab", {{1, 2, 0, Of("ab")}, {3, 6, 0}}},
        {"a target copy from later on", "abcbc", {{1, 3, 0, Of("abc")}, {3, 2, 1}}},
        {"the copy offsets are kept apart", "JAJBC", {{2, 1, 9}, {1, 1, 0, Of("A")}, {3, 1, 0}, {2, 2, -9}}},
        {"nothing to make", "", {}},
    };
    for (const Case& c : cases) {
        const Bytes target = Of(c.target);
        EXPECT_EQ(Outcome(Bps(kSource, target, c.steps), kSource), c.target) << c.what;
    }
    // The metadata is stepped over.
    const Bytes withMetadata = Close(BpsBody(10, 2, {{0, 2}}, "<patch/>"), ZlibCrc(kSource), ZlibCrc(Of("AB")));
    EXPECT_EQ(Outcome(withMetadata, kSource), "AB");
}

TEST(UpsApply, HunksGrowAndShrink) {
    const std::string cases[] = {"ABCDEFGHIJ", "AbCDEFGHIj", "ABCDE", "ABCDEFGHIJKLMN", "", "ABCDEFGHIJ\0\0x"};
    for (const std::string& target : cases) {
        EXPECT_EQ(Outcome(Ups(kSource, Of(target)), kSource), target) << target;
    }
}

TEST(ApplyPatch, DamagedPatchesAndMismatchesAreRefused) {
    const Bytes target = Of("ABxyzFGHIJ");
    const std::vector<BpsStep> steps{{0, 2}, {1, 3, 0, Of("xyz")}, {0, 5}};
    const Bytes good = Bps(kSource, target, steps);
    const Bytes goodUps = Ups(kSource, target);
    auto withByte = [](Bytes patch, std::size_t fromEnd, std::uint8_t xorWith) {
        patch[patch.size() - fromEnd] ^= xorWith;
        return patch;
    };
    auto cut = [](Bytes body, std::size_t n) {
        body.resize(body.size() - n);
        return body;
    };
    const std::string damagedCrc = "damaged: The patch is damaged: it says its CRC-32 is %08x, but its bytes give %08x.";
    const std::string cutShort = "damaged: The patch is damaged: it ends too early.";
    const std::string pastSizes = "damaged: The patch is damaged: an action reaches past the sizes it declares.";
    const std::string before = "damaged: The patch is damaged: a copy starts before the beginning of the file.";
    const std::string sourceText = "This patch is for a ROM with CRC-32 %08x; this file is %08x.";
    const std::string targetText = "The patched ROM should have CRC-32 %08x, but it has %08x.";
    // The text for a patch whose own CRC is wrong: what it says, what its bytes give.
    auto crcDamage = [&](const Bytes& patch) {
        const Bytes tail(patch.end() - 4, patch.end());
        const std::uint32_t says = tail[0] | tail[1] << 8 | tail[2] << 16 | static_cast<std::uint32_t>(tail[3]) << 24;
        return Printf(damagedCrc.c_str(), says, ZlibCrc(Bytes(patch.begin(), patch.end() - 4)));
    };
    const Bytes wrongPatchCrc = withByte(good, 1, 0x80);
    const Bytes wrongUpsCrc = withByte(goodUps, 4, 0x01);
    const Bytes flippedAction = withByte(good, 14, 0x04);  // a byte of the actions changed
    const std::uint32_t crc = ZlibCrc(kSource);
    const std::uint32_t targetCrc = ZlibCrc(target);
    struct Case {
        const char* what;
        Bytes patch;
        std::string refused;  // without --force
        std::string forced;   // with it; empty: refused all the same
    };
    const Case cases[] = {
        {"the patch's own CRC", wrongPatchCrc, crcDamage(wrongPatchCrc), ""},
        {"UPS: the patch's own CRC", wrongUpsCrc, crcDamage(wrongUpsCrc), ""},
        {"a byte of the actions", flippedAction, crcDamage(flippedAction), ""},
        {"the source CRC", Close(BpsBody(10, 10, steps), crc ^ 1, targetCrc), "mismatch: " + Printf(sourceText.c_str(), crc ^ 1, crc),
         "ABxyzFGHIJ | warning: " + Printf(sourceText.c_str(), crc ^ 1, crc)},
        {"UPS: the source CRC", Close(UpsBody(kSource, target), crc ^ 2, targetCrc),
         "mismatch: " + Printf(sourceText.c_str(), crc ^ 2, crc), "ABxyzFGHIJ | warning: " + Printf(sourceText.c_str(), crc ^ 2, crc)},
        {"the target CRC", Close(BpsBody(10, 10, steps), crc, targetCrc ^ 4),
         "mismatch: " + Printf(targetText.c_str(), targetCrc ^ 4, targetCrc) + " Nothing was written.",
         "ABxyzFGHIJ | warning: " + Printf(targetText.c_str(), targetCrc ^ 4, targetCrc)},
        {"UPS: the target CRC", Close(UpsBody(kSource, target), crc, targetCrc ^ 8),
         "mismatch: " + Printf(targetText.c_str(), targetCrc ^ 8, targetCrc) + " Nothing was written.",
         "ABxyzFGHIJ | warning: " + Printf(targetText.c_str(), targetCrc ^ 8, targetCrc)},
        {"cut inside a literal", Close(cut(BpsBody(10, 10, steps), 3), crc, targetCrc), cutShort, ""},
        {"cut inside a number", Close(Bytes{'B', 'P', 'S', '1', 0x0A}, crc, targetCrc), cutShort, ""},
        {"shorter than any patch", Bytes{'B', 'P', 'S', '1', 0, 0}, cutShort, ""},
        {"UPS: a hunk without its closing zero", Close(cut(UpsBody(kSource, target), 1), crc, targetCrc), cutShort, ""},
        {"a source read past the source", Close(BpsBody(10, 12, {{0, 12}}), crc, 0), pastSizes, ""},
        {"an action past the target", Close(BpsBody(10, 10, {{0, 10}, {1, 1, 0, Of("x")}}), crc, 0), pastSizes, ""},
        {"a source copy past the source", Close(BpsBody(10, 10, {{2, 4, 8}}), crc, 0), pastSizes, ""},
        {"a target copy of bytes not yet written", Close(BpsBody(10, 4, {{1, 1, 0, Of("a")}, {3, 3, 1}}), crc, 0), pastSizes, ""},
        {"a source copy before the start", Close(BpsBody(10, 4, {{2, 4, -1}}), crc, 0), before, ""},
        {"a target copy before the start", Close(BpsBody(10, 4, {{1, 2, 0, Of("ab")}, {3, 2, -1}}), crc, 0), before, ""},
        {"fewer bytes than declared", Close(BpsBody(10, 10, {{0, 9}}), crc, 0),
         "damaged: The patch is damaged: it makes fewer bytes than it declares.", ""},
        {"UPS: a change past both sizes", Close(Bytes{'U', 'P', 'S', '1', 0x8A, 0x8A, 0x8A, 0x01, 0x00}, crc, 0), pastSizes, ""},
        {"a format nobody knows", Of("PACH...."), "damaged: This is no patch: it starts with none of PATCH, IPS32, BPS1 or UPS1.",
         ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Outcome(c.patch, kSource), c.refused) << c.what;
        EXPECT_EQ(Outcome(c.patch, kSource, true), c.forced.empty() ? c.refused : c.forced) << c.what;
    }
}

TEST(ApplyPatch, AFileWithAHeaderIsPatchedBehindIt) {
    Bytes data(8192);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 3);
    Bytes changed = data;
    changed[100] ^= 0xFF;
    Bytes ines = Of("NES\x1A");
    ines.resize(16, 0x01);
    const Bytes copier(512, 0xCC);
    auto join = [](Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    struct Case {
        const char* what;
        Bytes file;
        std::size_t header;
    };
    const Case cases[] = {
        {"no header", data, 0},
        {"an iNES header", join(ines, data), 16},
        {"a copier header", join(copier, data), 512},
    };
    for (const Bytes& patch : {Bps(data, changed, {{0, 100}, {1, 1, 0, {changed[100]}}, {0, 8091}}), Ups(data, changed)}) {
        for (const Case& c : cases) {
            const PatchedFile result = ApplyPatch(patch, c.file, false);
            EXPECT_EQ(result.headerKept, c.header) << c.what;
            EXPECT_EQ(result.bytes, join(Bytes(c.file.begin(), c.file.begin() + static_cast<std::ptrdiff_t>(c.header)), changed))
                << c.what;
        }
    }
    // A patch made for the whole file, header and all, applies to the whole file.
    const Bytes whole = join(copier, data);
    Bytes wholeChanged = whole;
    wholeChanged[3] = 0;
    EXPECT_EQ(ApplyPatch(Ups(whole, wholeChanged), whole, false).headerKept, 0u);
    // A header whose removal does not give the CRC helps nothing.
    EXPECT_TRUE(Outcome(Ups(data, changed), join(copier, changed)).starts_with("mismatch: This patch is for a ROM"));
    // A copier header is 512 bytes beyond whole 8 KiB units, as the SNES reader and the DATs have
    // it: 512 bytes in front of a 2 KiB image are part of the image.
    const Bytes small(data.begin(), data.begin() + 2048);
    const Bytes smallChanged(changed.begin(), changed.begin() + 2048);
    EXPECT_TRUE(Outcome(Ups(small, smallChanged), join(copier, small)).starts_with("mismatch: This patch is for a ROM"));
}

// Targets larger than the windows the application goes through: runs that repeat short and long
// stretches of what was written, copies reaching back past what was flushed, sources read in
// pieces. The expectation is built byte by byte, as the format describes the actions.
TEST(BpsApply, LargeTargetsThroughTheWindows) {
    Bytes source(3 << 20);
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint8_t>(i * 7 + i / 4093);
    struct Case {
        const char* what;
        std::vector<BpsStep> steps;
    };
    const Case cases[] = {
        {"a run of one byte", {{1, 1, 0, Of("z")}, {3, (2 << 20) + 5, 0}}},
        {"a run of three bytes", {{1, 3, 0, Of("abc")}, {3, (3 << 20) + 1, 0}}},
        {"a period longer than a piece", {{0, 300000}, {3, 2 << 20, 0}}},
        {"copies from far back", {{0, 1 << 20}, {2, 1 << 20, 1 << 20}, {3, 700000, 5}, {3, 100, (1 << 20) - 700000}}},
        {"the source read and copied across windows", {{0, 1500000}, {2, 1 << 20, 12345}, {0, 10}}},
    };
    for (const Case& c : cases) {
        Bytes target;
        std::uint64_t sourceAt = 0, targetAt = 0;
        for (const BpsStep& s : c.steps) {
            if (s.kind == 2) sourceAt = static_cast<std::uint64_t>(static_cast<std::int64_t>(sourceAt) + s.move);
            if (s.kind == 3) targetAt = static_cast<std::uint64_t>(static_cast<std::int64_t>(targetAt) + s.move);
            for (std::uint64_t i = 0; i < s.length; ++i) {
                std::uint8_t next = 0;
                switch (s.kind) {
                    case 0: next = source[target.size()]; break;
                    case 1: next = s.literal[i]; break;
                    case 2: next = source[sourceAt++]; break;
                    default: next = target[targetAt++]; break;
                }
                target.push_back(next);
            }
        }
        const PatchedFile result = ApplyPatch(Bps(source, target, c.steps), source, false);
        EXPECT_TRUE(result.bytes == target) << c.what;
    }
}

TEST(ApplyPatch, IpsAndIps32) {
    const Bytes ips = Of(std::string("PATCH") + std::string("\x00\x00\x01\x00\x02xy", 7) + std::string("\x00\x00\x08\x00\x00\x00\x03z", 8) + "EOF");
    EXPECT_EQ(Outcome(ips, kSource), "AxyDEFGHzzz");
    const Bytes ips32 = Of(std::string("IPS32") + std::string("\x00\x45\x4F\x46\x00\x01q", 7) + std::string("\x00\x00\x00\x00\x00\x01w", 7) + "EEOF");
    const std::string grown = Outcome(ips32, kSource);
    ASSERT_EQ(grown.size(), 0x454F47u);  // an offset of 0x454F46 is no end marker in IPS32
    EXPECT_EQ(grown.substr(0, 10), "wBCDEFGHIJ");
    EXPECT_EQ(grown.back(), 'q');
    for (const Bytes& cut : {Bytes(ips.begin(), ips.end() - 1), Bytes(ips32.begin(), ips32.end() - 2), Of("PATCH")}) {
        EXPECT_EQ(Outcome(cut, kSource), "damaged: The patch is damaged: it ends too early.");
    }
}

}  // namespace
}  // namespace apply_patch_test
}  // namespace vorne
