// The file kinds, their extensions and their column sets: one table, the single source of truth.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

namespace vorne {

// The value is the kind's index in the kind combo box and in the settings names.
enum class RomType : int { Gameboy = 0, Nes, Snes, N64, Genesis, Genesis32X, Mp3, Zip };

inline constexpr int kRomTypeCount = 8;

enum class Align { Left, Right, Center };

struct ColumnSpec {
    std::string_view title;
    int width;  // pixels
    Align align;
};

struct KindInfo {
    RomType type;
    std::string_view comboText;  // the text of the kind combo box
    std::string_view cliName;    // the name vorne-cli takes
    std::span<const std::string_view> extensions;  // without the dot, in scan order
    std::span<const ColumnSpec> columns;
};

namespace kinds {

using enum Align;

inline constexpr ColumnSpec kFilename{"Filename", 150, Left};
inline constexpr ColumnSpec kSize{"Size", 60, Right};

inline constexpr std::array kGameboyColumns{
    ColumnSpec{"Internal Title", 130, Left}, kFilename, kSize,
    ColumnSpec{"Rom Size", 60, Right}, ColumnSpec{"SRAM", 45, Right}, ColumnSpec{"Checksum", 65, Right},
    ColumnSpec{"Licensee", 60, Right}, ColumnSpec{"Super GB", 60, Left}, ColumnSpec{"Country", 50, Left},
    ColumnSpec{"Type", 140, Left}};
inline constexpr std::array kNesColumns{
    ColumnSpec{"CRC-32", 65, Right}, kFilename, kSize,
    ColumnSpec{"Mapper", 50, Right}, ColumnSpec{"PRG-ROM", 65, Right}, ColumnSpec{"CHR-ROM", 65, Right},
    ColumnSpec{"Mirroring", 65, Left}, ColumnSpec{"SRAM", 45, Left}, ColumnSpec{"Trainer", 50, Left},
    ColumnSpec{"4WV", 40, Left}, ColumnSpec{"Internal Title", 350, Left}, ColumnSpec{"Reserved", 70, Left},
    ColumnSpec{"Artificial Title", 220, Left}};
inline constexpr std::array kSnesColumns{
    ColumnSpec{"Internal Title", 160, Left}, kFilename, kSize,
    ColumnSpec{"Hi/Lo", 50, Left}, ColumnSpec{"Speed", 50, Left}, ColumnSpec{"Size", 50, Right},
    ColumnSpec{"SRAM", 45, Right}, ColumnSpec{"Type", 100, Left}, ColumnSpec{"Country", 100, Left},
    ColumnSpec{"Licensee", 100, Left}};
inline constexpr std::array kN64Columns{
    ColumnSpec{"Internal Title", 150, Left}, kFilename, kSize,
    ColumnSpec{"Licensee", 60, Left}, ColumnSpec{"ID", 30, Left}, ColumnSpec{"Country", 50, Left}};
inline constexpr std::array kGenesisColumns{
    ColumnSpec{"International Title", 285, Left}, kFilename, kSize,
    ColumnSpec{"Prod. Code", 70, Left}, ColumnSpec{"Checksum", 65, Right}, ColumnSpec{"Type", 90, Left},
    ColumnSpec{"I/O Support", 70, Left}, ColumnSpec{"Countries", 60, Left}, ColumnSpec{"Native Title", 285, Left}};
inline constexpr std::array kMp3Columns{
    ColumnSpec{"Title", 200, Left}, kFilename, kSize,
    ColumnSpec{"Artist", 200, Left}, ColumnSpec{"Album", 200, Left}, ColumnSpec{"Year", 40, Left},
    ColumnSpec{"Comment", 200, Left}, ColumnSpec{"Genre", 100, Left}};
inline constexpr std::array kZipColumns{
    ColumnSpec{"CRC-32", 80, Right}, kFilename, ColumnSpec{"Size", 60, Right},
    ColumnSpec{"Uncompressed", 85, Right}};

inline constexpr std::array<std::string_view, 1> kGameboyExtensions{"gb"};
inline constexpr std::array<std::string_view, 1> kNesExtensions{"nes"};
inline constexpr std::array<std::string_view, 7> kSnesExtensions{"smc", "sfc", "swc", "fig", "1", "078", "058"};
inline constexpr std::array<std::string_view, 2> kN64Extensions{"v64", "rom"};
inline constexpr std::array<std::string_view, 2> kGenesisExtensions{"bin", "smd"};
inline constexpr std::array<std::string_view, 2> k32XExtensions{"bin", "32X"};
inline constexpr std::array<std::string_view, 2> kMp3Extensions{"mp2", "mp3"};
inline constexpr std::array<std::string_view, 1> kZipExtensions{"zip"};

}  // namespace kinds

inline constexpr std::array<KindInfo, kRomTypeCount> kKinds{{
    {RomType::Gameboy, "Gameboy (*.gb)", "gameboy", kinds::kGameboyExtensions, kinds::kGameboyColumns},
    {RomType::Nes, "NES (*.nes)", "nes", kinds::kNesExtensions, kinds::kNesColumns},
    {RomType::Snes, "SNES (*.smc, *.sfc, *.swc, *.fig, *.1, *.078, *.058)", "snes", kinds::kSnesExtensions,
     kinds::kSnesColumns},
    {RomType::N64, "N64 (*.v64, *.rom)", "n64", kinds::kN64Extensions, kinds::kN64Columns},
    {RomType::Genesis, "Genesis (*.bin, *.smd)", "genesis", kinds::kGenesisExtensions, kinds::kGenesisColumns},
    {RomType::Genesis32X, "32X (*.bin, *.32X)", "32x", kinds::k32XExtensions, kinds::kGenesisColumns},
    {RomType::Mp3, "MP3 (*.mp2, *.mp3)", "mp3", kinds::kMp3Extensions, kinds::kMp3Columns},
    {RomType::Zip, "Zip (*.zip)", "zip", kinds::kZipExtensions, kinds::kZipColumns},
}};

constexpr const KindInfo& Kind(RomType type) { return kKinds[static_cast<int>(type)]; }
constexpr int ColumnCount(RomType type) { return static_cast<int>(Kind(type).columns.size()); }

// A kind named by its CLI name (any case) or by its number 0 to 7.
std::optional<RomType> ParseRomType(std::string_view text);

}  // namespace vorne
