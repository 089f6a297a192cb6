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

struct ColumnInfo {
    std::string_view title;
    int width;  // pixels
    Align align;
};

struct KindInfo {
    RomType type;
    std::string_view comboText;  // the text of the kind combo box
    std::string_view cliName;    // the name vorne-cli takes
    std::span<const std::string_view> extensions;  // without the dot, in scan order
    std::span<const ColumnInfo> columns;
};

namespace kinds {

using enum Align;

inline constexpr ColumnInfo kFilename{"Filename", 150, Left};
inline constexpr ColumnInfo kSize{"Size", 60, Right};

inline constexpr std::array kGameboyColumns{
    ColumnInfo{"Internal Title", 130, Left}, kFilename, kSize,
    ColumnInfo{"Rom Size", 60, Right}, ColumnInfo{"SRAM", 45, Right}, ColumnInfo{"Checksum", 65, Right},
    ColumnInfo{"Licensee", 60, Right}, ColumnInfo{"Super GB", 60, Left}, ColumnInfo{"Country", 50, Left},
    ColumnInfo{"Type", 140, Left}};
inline constexpr std::array kNesColumns{
    ColumnInfo{"CRC-32", 65, Right}, kFilename, kSize,
    ColumnInfo{"Mapper", 50, Right}, ColumnInfo{"PRG-ROM", 65, Right}, ColumnInfo{"CHR-ROM", 65, Right},
    ColumnInfo{"Mirroring", 65, Left}, ColumnInfo{"SRAM", 45, Left}, ColumnInfo{"Trainer", 50, Left},
    ColumnInfo{"4WV", 40, Left}, ColumnInfo{"Internal Title", 350, Left}, ColumnInfo{"Reserved", 70, Left},
    ColumnInfo{"Artificial Title", 220, Left}};
inline constexpr std::array kSnesColumns{
    ColumnInfo{"Internal Title", 160, Left}, kFilename, kSize,
    ColumnInfo{"Hi/Lo", 50, Left}, ColumnInfo{"Speed", 50, Left}, ColumnInfo{"Size", 50, Right},
    ColumnInfo{"SRAM", 45, Right}, ColumnInfo{"Type", 100, Left}, ColumnInfo{"Country", 100, Left},
    ColumnInfo{"Licensee", 100, Left}};
inline constexpr std::array kN64Columns{
    ColumnInfo{"Internal Title", 150, Left}, kFilename, kSize,
    ColumnInfo{"Licensee", 60, Left}, ColumnInfo{"ID", 30, Left}, ColumnInfo{"Country", 50, Left}};
inline constexpr std::array kGenesisColumns{
    ColumnInfo{"International Title", 285, Left}, kFilename, kSize,
    ColumnInfo{"Prod. Code", 70, Left}, ColumnInfo{"Checksum", 65, Right}, ColumnInfo{"Type", 90, Left},
    ColumnInfo{"I/O Support", 70, Left}, ColumnInfo{"Countries", 60, Left}, ColumnInfo{"Native Title", 285, Left}};
inline constexpr std::array kMp3Columns{
    ColumnInfo{"Title", 200, Left}, kFilename, kSize,
    ColumnInfo{"Artist", 200, Left}, ColumnInfo{"Album", 200, Left}, ColumnInfo{"Year", 40, Left},
    ColumnInfo{"Comment", 200, Left}, ColumnInfo{"Genre", 100, Left}};
inline constexpr std::array kZipColumns{
    ColumnInfo{"CRC-32", 80, Right}, kFilename, ColumnInfo{"Size", 60, Right},
    ColumnInfo{"Uncompressed", 85, Right}};

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

// Columns with the same role in every kind.
inline constexpr int kKeyColumn = 0;           // the title, or the CRC-32 for NES and Zip
inline constexpr int kFilenameColumn = 1;      // the path relative to the folder
inline constexpr int kSizeColumn = 2;          // the length in bytes, decimal
inline constexpr int kFirstDecodedColumn = 3;  // the reader's own columns start here
// NES columns that hold what lies outside the image data.
inline constexpr int kNesInternalTitleColumn = 10;
inline constexpr int kNesReservedColumn = 11;

constexpr const KindInfo& Kind(RomType type) { return kKinds[static_cast<int>(type)]; }
constexpr int ColumnCount(RomType type) { return static_cast<int>(Kind(type).columns.size()); }

// A kind named by its CLI name (any case) or by its number 0 to 7.
std::optional<RomType> ParseRomType(std::string_view text);

}  // namespace vorne
