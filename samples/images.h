// Synthetic images of every kind, for the sample collection and the tests. Every byte is made
// up: headers are laid out as the cartridges lay them out, the rest is pseudo-random filler.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vorne::samples {

using Bytes = std::vector<std::uint8_t>;

// Deterministic filler: the same seed gives the same bytes.
Bytes Filler(std::size_t size, std::uint32_t seed);

struct NesRecipe {
    int prgBanks = 2;         // 16 KiB each
    int chrBanks = 1;         // 8 KiB each
    std::uint8_t flags6 = 0;  // bit 2 adds a 512-byte trainer
    std::array<std::uint8_t, 9> bytes7to15{};
    std::uint32_t seed = 1;
    std::string trailer;      // appended behind the data as is (the title of our own)
};
Bytes MakeNes(const NesRecipe& recipe);

struct GameboyRecipe {
    std::string title = "SAMPLE";
    std::uint8_t cartridgeType = 1;
    std::uint8_t romSizeCode = 0;  // 32 KiB << code
    std::uint8_t ramSizeCode = 0;
    std::uint8_t destination = 1;
    std::uint8_t oldLicensee = 1;
    std::string newLicensee = "00";  // used when oldLicensee is 0x33
    bool copierHeader = false;       // a 512-byte copier header in front
    std::uint32_t seed = 1;
};
Bytes MakeGameboy(const GameboyRecipe& recipe);

struct SnesRecipe {
    bool hiRom = false;
    std::size_t size = 512 * 1024;
    std::string title = "SAMPLE";
    std::uint8_t mapMode = 0x20;
    std::uint8_t cartridgeType = 2;
    std::uint8_t romSizeCode = 9;
    std::uint8_t sramSizeCode = 1;
    std::uint8_t destination = 1;
    std::uint8_t licensee = 0x33;
    bool copierHeader = false;
    std::uint32_t seed = 1;
};
Bytes MakeSnes(const SnesRecipe& recipe);

struct GenesisRecipe {
    bool is32X = false;
    std::size_t size = 256 * 1024;
    std::string nativeTitle = "SAMPLE";
    std::string internationalTitle = "SAMPLE";
    std::string typeCode = "GM";
    std::string productCode = "00000000-0";
    std::string ioSupport = "J";
    std::string countries = "JUE";
    std::uint32_t seed = 1;
};
// The linear image, with the sum of its 16-bit words from 0x200 on as the checksum.
Bytes MakeGenesis(const GenesisRecipe& recipe);
// The copier layout: blocks of 2H bytes, odd bytes first, behind an optional 512-byte header.
Bytes Interleave(const Bytes& linear, std::size_t halfBlock, bool copierHeader);

struct N64Recipe {
    std::string title = "SAMPLE";
    char manufacturer = 'N';
    std::string cartId = "SA";
    char country = 'E';
    std::size_t size = 1024 * 1024;
    bool byteSwapped = false;  // the .v64 layout: every pair of bytes exchanged
    std::uint32_t seed = 1;
};
Bytes MakeN64(const N64Recipe& recipe);

struct Mp3Recipe {
    int frames = 40;
    bool layer2 = false;
    bool tagged = true;
    std::string title, artist, album, year, comment;
    std::uint8_t genre = 255;
    std::uint32_t seed = 1;
};
Bytes MakeMp3(const Mp3Recipe& recipe);

// An ID3v2 frame made by hand: `id` (three letters in 2.2, four later), its size as version
// `major` writes it (or in 2.4 as a plain number, `plainSize`, as iTunes writes them), no flags.
Bytes Id3v2Frame(int major, const std::string& id, const std::string& body, bool plainSize = false);
// An ID3v2.`major` tag of the frames `frames` (one after the other) and `padding` zero bytes.
Bytes Id3v2Tag(int major, std::uint8_t flags, std::initializer_list<Bytes> frames, std::size_t padding = 20);

// Writes `bytes` to `path`, creating folders as needed. Throws on failure.
void WriteFile(const std::string& path, const Bytes& bytes);

}  // namespace vorne::samples
