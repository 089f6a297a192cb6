// The data each kind hashes, against the bytes cut or reordered by hand here and hashed by zlib
// and sha1sum; and the verdicts a DAT gives those hashes.
#include <gtest/gtest.h>

#include "dat/dat_match.h"
#include "formats/reader_factory.h"
#include "images.h"
#include "platform/file.h"
#include "support/hash_oracles.h"
#include "support/temp_dir.h"

namespace vorne {
namespace hashed_data_test {
namespace {

using samples::Bytes;

using test::Sha1sum;
using test::ZlibCrc;

FileHashes HashAsReaderSays(RomType type, const std::string& path, HashChoice choice = {.wholeFile = true}) {
    File file = File::OpenRead(path);
    auto reader = CreateReader(type, nullptr);
    reader->LoadFile(file, path);
    return HashFile(file, file.Size(), reader->DataForHashing(), choice);
}

Bytes Cut(const Bytes& bytes, std::size_t from, std::size_t to) { return {bytes.begin() + from, bytes.begin() + to}; }

Bytes ReverseWords(Bytes bytes) {
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
        std::swap(bytes[i], bytes[i + 3]);
        std::swap(bytes[i + 1], bytes[i + 2]);
    }
    return bytes;
}

TEST(HashedData, EachKindHashesTheDataADatDescribes) {
    test::TempDir dir;
    const Bytes nes = samples::MakeNes({.trailer = std::string(128, 'T')});
    const Bytes nesTrainer = samples::MakeNes({.flags6 = 4, .seed = 2});
    const Bytes snes = samples::MakeSnes({.copierHeader = true});
    const Bytes genesis = samples::MakeGenesis({});
    const Bytes x32 = samples::MakeGenesis({.is32X = true, .size = 1 << 20});
    const Bytes n64 = samples::MakeN64({.size = 1 << 18});
    const Bytes gameboy = samples::MakeGameboy({.copierHeader = true});
    struct Case {
        std::string label;
        RomType type;
        Bytes file;
        Bytes data;  // what the DAT's hashes are of
    };
    // A 32X image with an odd length keeps its last byte as it is when byte-swapped: none here.
    const Case cases[] = {
        {"nes, title trailer left out", RomType::Nes, nes, Cut(nes, 16, nes.size() - 128)},
        {"nes, trainer kept", RomType::Nes, nesTrainer, Cut(nesTrainer, 16, nesTrainer.size())},
        {"snes, copier header left out", RomType::Snes, snes, Cut(snes, 512, snes.size())},
        {"snes, headerless", RomType::Snes, Cut(snes, 512, snes.size()), Cut(snes, 512, snes.size())},
        {"genesis, linear", RomType::Genesis, genesis, genesis},
        {"genesis, interleaved behind a copier header", RomType::Genesis, samples::Interleave(genesis, 8192, true), genesis},
        {"32x, interleaved", RomType::Genesis32X, samples::Interleave(x32, 0x80000, false), x32},
        {"n64, big-endian", RomType::N64, n64, n64},
        {"n64, byte-swapped", RomType::N64, samples::MakeN64({.size = 1 << 18, .byteSwapped = true}), n64},
        {"n64, little-endian", RomType::N64, ReverseWords(n64), n64},
        {"game boy, whole file", RomType::Gameboy, gameboy, gameboy},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = dir.Write("rom.bin", c.file);
        const FileHashes hashes = HashAsReaderSays(c.type, path);
        EXPECT_EQ(hashes.data.size, c.data.size());
        EXPECT_EQ(CrcText(hashes.data.crc), CrcText(ZlibCrc(c.data)));
        ASSERT_TRUE(hashes.data.sha1);
        EXPECT_EQ(HexText(*hashes.data.sha1), Sha1sum(dir, c.data));
        EXPECT_EQ(hashes.whole.size, c.file.size());
        EXPECT_EQ(CrcText(hashes.whole.crc), CrcText(ZlibCrc(c.file)));
        ASSERT_TRUE(hashes.whole.sha1);
        EXPECT_EQ(HexText(*hashes.whole.sha1), Sha1sum(dir, c.file));
        // Bytes arriving a few at a time (as an archive member streams out) hash the same.
        auto reader = CreateReader(c.type, nullptr);
        reader->LoadMemory(c.file, "rom.bin");
        DataHasher hasher(reader->DataForHashing(), static_cast<std::int64_t>(c.file.size()), {});
        for (std::size_t at = 0; at < c.file.size(); at += 777) {
            hasher.Feed(std::span(c.file).subspan(at, std::min<std::size_t>(777, c.file.size() - at)));
        }
        const FileHashes streamed = hasher.Finish();
        EXPECT_EQ(streamed.data.crc, hashes.data.crc);
        EXPECT_EQ(streamed.data.sha1, hashes.data.sha1);
    }
}

// Changes bytes 0 to 4 of `bytes` so that the CRC-32 stays what it was: the changes of single
// bits move the CRC linearly, and 33 of them always have a combination that cancels out.
Bytes ForgeSameCrc(Bytes bytes) {
    const Bytes zeros(bytes.size(), 0);
    const std::uint32_t base = ZlibCrc(zeros);
    // A basis of the effects by their highest bit, each with the bits it combines.
    std::array<std::pair<std::uint32_t, std::uint64_t>, 32> basis{};
    for (int bit = 0; bit < 33; ++bit) {
        Bytes one = zeros;
        one[static_cast<std::size_t>(bit / 8)] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        std::uint32_t effect = ZlibCrc(one) ^ base;
        std::uint64_t combination = std::uint64_t{1} << bit;
        for (int high = 31; high >= 0 && effect != 0; --high) {
            if (!(effect >> high & 1)) continue;
            if (basis[static_cast<std::size_t>(high)].first == 0) {
                basis[static_cast<std::size_t>(high)] = {effect, combination};
                break;
            }
            effect ^= basis[static_cast<std::size_t>(high)].first;
            combination ^= basis[static_cast<std::size_t>(high)].second;
        }
        if (effect == 0) {
            for (int b = 0; b < 33; ++b) {
                if (combination >> b & 1) bytes[static_cast<std::size_t>(b / 8)] ^= static_cast<std::uint8_t>(1u << (b % 8));
            }
            return bytes;
        }
    }
    return bytes;
}

TEST(HashedData, DatVerdicts) {
    test::TempDir dir;
    const Bytes good = samples::Filler(32768, 5);
    const Bytes forged = ForgeSameCrc(good);
    ASSERT_NE(forged, good);
    ASSERT_EQ(ZlibCrc(forged), ZlibCrc(good));
    const Bytes nes = samples::MakeNes({.seed = 9});
    const FileHashes nesHashes = HashAsReaderSays(RomType::Nes, dir.Write("n.nes", nes));
    const FileHashes goodHashes = HashBytes(good, {0, 32768}, {});
    const FileHashes forgedHashes = HashBytes(forged, {0, 32768}, {});

    const std::string crc = CrcText(ZlibCrc(good));
    const std::string dat = "<datafile>"
                            "<game name=\"Good\"><rom name=\"good.gb\" size=\"32768\" crc=\"" + crc + "\" sha1=\"" +
                            HexText(*goodHashes.data.sha1) + "\"/></game>"
                            "<game name=\"Headered\"><rom name=\"h.nes\" size=\"" + std::to_string(nes.size()) +
                            "\" crc=\"" + CrcText(ZlibCrc(nes)) + "\" sha1=\"" + Sha1sum(dir, nes) + "\"/></game>"
                            "</datafile>";
    const DatFile withSha1 = ParseDat(dat, "x.dat");
    const DatFile crcOnly = ParseDat("game ( name Good rom ( name good.gb size 32768 crc " + crc + " ) )", "y.dat");
    const DatIndex index(withSha1);
    const DatIndex crcIndex(crcOnly);
    // DATs that give no SHA-1, only an MD5 or a SHA-256: the scan computes that one, and it decides.
    const FileHashes goodAll = HashBytes(good, {0, 32768}, {.md5 = true, .sha256 = true});
    const FileHashes forgedAll = HashBytes(forged, {0, 32768}, {.md5 = true, .sha256 = true});
    const DatFile md5Only = ParseDat("game ( name Good rom ( name good.gb size 32768 crc " + crc + " md5 " +
                                         HexText(*goodAll.data.md5) + " ) )", "m.dat");
    const DatFile sha256Only = ParseDat("<datafile><game name=\"Good\"><rom name=\"good.gb\" size=\"32768\" crc=\"" + crc +
                                            "\" sha256=\"" + HexText(*goodAll.data.sha256) + "\"/></game></datafile>", "s.dat");
    ASSERT_TRUE(NeedsMd5(md5Only) && !NeedsSha256(md5Only));
    ASSERT_TRUE(NeedsSha256(sha256Only) && !NeedsMd5(sha256Only) && !NeedsSha256(withSha1));
    const DatIndex md5Index(md5Only);
    const DatIndex sha256Index(sha256Only);
    struct Case {
        std::string label;
        const DatFile& dat;
        const DatIndex& index;
        FileHashes hashes;
        DatVerdict verdict;
        std::string_view text;
        bool wholeFile = false;
    };
    FileHashes unknown = goodHashes;
    unknown.data.crc ^= 1;
    unknown.whole = unknown.data;
    FileHashes noWholeSha1 = nesHashes;
    noWholeSha1.whole.sha1.reset();
    const Case cases[] = {
        {"the dump", withSha1, index, goodHashes, DatVerdict::Match, "Yes"},
        {"a CRC-32 collision", withSha1, index, forgedHashes, DatVerdict::Bad, "Bad"},
        {"a collision where the DAT has only the CRC-32", crcOnly, crcIndex, forgedHashes, DatVerdict::Match, "Yes"},
        {"not listed", withSha1, index, unknown, DatVerdict::NotInDat, ""},
        {"a headered DAT, by the whole file", withSha1, index, nesHashes, DatVerdict::Match, "Yes", true},
        {"the whole file's SHA-1 not computed", withSha1, index, noWholeSha1, DatVerdict::NotInDat, ""},
        {"an MD5-only DAT, the dump", md5Only, md5Index, goodAll, DatVerdict::Match, "Yes"},
        {"an MD5-only DAT, a collision", md5Only, md5Index, forgedAll, DatVerdict::Bad, "Bad"},
        {"a SHA-256-only DAT, the dump", sha256Only, sha256Index, goodAll, DatVerdict::Match, "Yes"},
        {"a SHA-256-only DAT, a collision", sha256Only, sha256Index, forgedAll, DatVerdict::Bad, "Bad"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const DatMatch match = MatchFile(c.dat, c.index, c.hashes);
        EXPECT_EQ(match.verdict, c.verdict);
        EXPECT_EQ(VerdictText(match.verdict), c.text);
        EXPECT_EQ(match.wholeFile, c.wholeFile);
    }
}

}  // namespace
}  // namespace hashed_data_test
}  // namespace vorne
