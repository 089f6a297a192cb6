#include <gtest/gtest.h>

#include <random>
#include <string>

#include "patch/apply_patch.h"
#include "patch/make_bps.h"
#include "patch/make_ips.h"
#include "patch/patch_error.h"
#include "patch_builder.h"

namespace vorne {
namespace make_patch_test {
namespace {

using test::Bytes;

Bytes Random(std::mt19937& rng, std::size_t size) {
    Bytes b(size);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    return b;
}

// A modified copy of `original`: one kind of edit or a mixture, chosen by `kind`.
Bytes Modify(const Bytes& original, int kind, std::mt19937& rng) {
    Bytes m = original;
    auto pick = [&](std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(rng() % n); };
    switch (kind % 7) {
        case 0:  // scattered bytes
            for (int i = 0; i < 20 && !m.empty(); ++i) m[pick(m.size())] ^= static_cast<std::uint8_t>(1 + rng() % 255);
            break;
        case 1: {  // a block moved
            const std::size_t len = pick(m.size() / 3) + 1, from = pick(m.size() - len), to = pick(m.size() - len);
            Bytes block(m.begin() + from, m.begin() + from + len);
            m.erase(m.begin() + from, m.begin() + from + len);
            m.insert(m.begin() + to, block.begin(), block.end());
            break;
        }
        case 2:  // grown by new bytes and by a repeat of its start
            m.resize(m.size() + pick(300), 0);
            m.insert(m.end(), original.begin(), original.begin() + pick(original.size()));
            break;
        case 3:  // cut
            m.resize(pick(m.size()));
            break;
        case 4:  // runs written over it
            for (int i = 0; i < 3; ++i) {
                const std::size_t at = pick(m.size()), len = std::min(m.size() - at, pick(400));
                std::fill_n(m.begin() + at, len, static_cast<std::uint8_t>(rng()));
            }
            break;
        case 5:  // unrelated
            m = Random(rng, pick(2000));
            break;
        default:  // a few of the above
            for (int k : {0, 1, 4}) m = Modify(m, k, rng);
    }
    return m;
}

TEST(MakePatch, EveryPatchMadeGivesBackTheModifiedFile) {
    std::mt19937 rng(17);
    for (int round = 0; round < 140; ++round) {
        const Bytes original = round % 5 == 0 ? Bytes(1 + rng() % 3000, 0) : Random(rng, 1 + rng() % 5000);
        const Bytes modified = Modify(original, round, rng);
        const std::string what = "round " + std::to_string(round);
        const Bytes bps = MakeBpsPatch(original, modified);
        EXPECT_EQ(ApplyPatch(bps, original, false).bytes, modified) << what;
        if (modified.size() >= original.size()) {
            EXPECT_EQ(ApplyPatch(MakeIpsPatch(original, modified), original, false).bytes, modified) << what;
        }
    }
}

TEST(MakePatch, BpsCopiesMovedAndRepeatedData) {
    std::mt19937 rng(5);
    const Bytes original = Random(rng, 64 * 1024);
    Bytes moved = original;  // the last 4 KiB put first
    std::rotate(moved.begin(), moved.end() - 4096, moved.end());
    Bytes repeated = original;
    repeated.insert(repeated.end(), original.begin(), original.begin() + 20000);
    repeated.insert(repeated.end(), repeated.end() - 1000, repeated.end());
    for (const Bytes& modified : {moved, repeated}) {
        const Bytes patch = MakeBpsPatch(original, modified);
        EXPECT_LT(patch.size(), 60u);
        EXPECT_EQ(ApplyPatch(patch, original, false).bytes, modified);
    }
}

struct IpsRecord {
    std::size_t offset, size;
    bool run;
};

// The records of an IPS patch, read as the format describes them.
std::vector<IpsRecord> Records(const Bytes& patch) {
    std::vector<IpsRecord> records;
    std::size_t at = 5;
    while (at + 3 <= patch.size()) {
        const std::size_t offset = patch[at] << 16 | patch[at + 1] << 8 | patch[at + 2];
        if (offset == 0x454F46) break;
        const std::size_t size = patch[at + 3] << 8 | patch[at + 4];
        if (size == 0) {
            records.push_back({offset, static_cast<std::size_t>(patch[at + 5] << 8 | patch[at + 6]), true});
            at += 8;
        } else {
            records.push_back({offset, size, false});
            at += 5 + size;
        }
    }
    EXPECT_EQ(at + 3, patch.size()) << "the end marker closes the patch";
    return records;
}

TEST(MakePatch, IpsRecords) {
    std::mt19937 rng(3);
    const Bytes original = Random(rng, 0x460000);
    struct Case {
        const char* what;
        std::size_t from, to;  // the bytes changed
        bool run;              // to one value, or to random ones
        std::vector<IpsRecord> records;
    };
    const Case cases[] = {
        {"a change at the end marker's offset starts a byte early", 0x454F46, 0x454F48, false, {{0x454F45, 3, false}}},
        {"a run there does too, as data", 0x454F46, 0x454F66, true, {{0x454F45, 0x21, false}}},
        {"a record of 65,535 bytes at most", 0x1000, 0x1000 + 70000, false, {{0x1000, 65535, false}, {0x1000 + 65535, 4465, false}}},
        {"a run becomes a run record", 0x2000, 0x2000 + 300, true, {{0x2000, 300, true}}},
        {"a long run takes two", 0x2000, 0x2000 + 70000, true, {{0x2000, 65535, true}, {0x2000 + 65535, 4465, true}}},
        {"a short run stays data", 0x2000, 0x2004, true, {{0x2000, 4, false}}},
    };
    for (const Case& c : cases) {
        Bytes modified = original;
        const auto value = static_cast<std::uint8_t>(original[c.from] ^ 0x5A);
        for (std::size_t i = c.from; i < c.to; ++i) {
            modified[i] = c.run ? value : static_cast<std::uint8_t>(original[i] ^ (1 + rng() % 255));
        }
        const Bytes patch = MakeIpsPatch(original, modified);
        const auto records = Records(patch);
        ASSERT_EQ(records.size(), c.records.size()) << c.what;
        for (std::size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i].offset, c.records[i].offset) << c.what << " #" << i;
            EXPECT_EQ(records[i].size, c.records[i].size) << c.what << " #" << i;
            EXPECT_EQ(records[i].run, c.records[i].run) << c.what << " #" << i;
        }
        EXPECT_EQ(ApplyPatch(patch, original, false).bytes, modified) << c.what;
    }
    // Nearby changes share a record; distant ones do not.
    Bytes modified = original;
    for (std::size_t at : {0x100, 0x104, 0x200}) modified[at] ^= 1;
    const auto records = Records(MakeIpsPatch(original, modified));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].size, 5u);
}

TEST(MakePatch, IpsRefusesWhatItCannotSay) {
    const Bytes original(100, 1);
    struct Case {
        Bytes modified;
        const char* text;
    };
    const Case cases[] = {
        {Bytes(99, 1), "IPS cannot make a file shorter; make a BPS patch instead."},
        {Bytes((std::size_t{1} << 24) + 1, 1), "IPS cannot reach past 16 MiB; make a BPS patch instead."},
    };
    for (const Case& c : cases) {
        try {
            MakeIpsPatch(original, c.modified);
            ADD_FAILURE() << c.text;
        } catch (const PatchError& e) {
            EXPECT_STREQ(e.what(), c.text);
        }
    }
    // Exactly 16 MiB can be said: the last record ends there.
    const IpsRecord last = Records(MakeIpsPatch(original, Bytes(std::size_t{1} << 24, 1))).back();
    EXPECT_EQ(last.offset + last.size, std::size_t{1} << 24);
}

}  // namespace
}  // namespace make_patch_test
}  // namespace vorne
