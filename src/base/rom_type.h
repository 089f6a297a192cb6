// The file kinds, their extensions and their column sets: one table, the single source of truth.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>

namespace vorne {

// The value is the kind's index in the kind combo box and in the settings names.
enum class RomType : int { Gameboy = 0, Nes, Snes, N64, Genesis, Genesis32X, Mp3, Zip };

inline constexpr int kRomTypeCount = 8;

enum class Align { Left, Right, Center };
// How a column sorts: texts byte by byte; numbers by the value of their leading digits, so that
// "9" comes before "10" and "512k" before "1024k".
enum class SortAs { Text, Number };

struct ColumnInfo {
    std::string_view title;
    int width;  // pixels
    Align align;
    SortAs sortAs = SortAs::Text;
};

struct KindInfo {
    RomType type;
    std::string_view comboText;  // the text of the kind combo box
    std::string_view cliName;    // the name vorne-cli takes
    std::span<const std::string_view> extensions;  // without the dot, in scan order
    std::span<const ColumnInfo> columns;
    int extraFieldEnd;  // one past the kind's last extra field (kFirstExtraField when it has none)
    std::span<const std::string_view> extraNames;  // of the extra fields, from kFirstExtraField on
};

// Columns with the same role in every kind, at the places every field enum gives them
// (FieldsMatchColumns below checks each enum against them).
inline constexpr int kKeyColumn = 0;           // the title, or the CRC-32 for NES and Zip
inline constexpr int kFilenameColumn = 1;      // the path relative to the folder
inline constexpr int kSizeColumn = 2;          // the length in bytes, decimal
inline constexpr int kFirstDecodedColumn = 3;  // the reader's own columns start here
// Fields from here on are values beyond a kind's columns, which the edit dialogs show and write.
inline constexpr int kFirstExtraField = 100;

// The fields of each kind, by number: its columns in list order up to the Count sentinel, then
// its extra values from kFirstExtraField up to the ExtraEnd sentinel. These numbers are what
// ColumnText, WriteField and `vorne-cli set` take, and scripts keep them: a new column goes
// before Count, a new extra value before ExtraEnd, and the kind's column table below gets its
// column at the same place.
enum class GameboyField : int {
    Title, Filename, Size, RomSize, Sram, Checksum, Licensee, SuperGameboy, Country, Type,
    Count,
    TypeCode = kFirstExtraField,  // the cartridge type's code
    ExtraEnd,
};
enum class NesField : int {
    Crc, Filename, Size, Mapper, PrgRom, ChrRom, Mirroring, Sram, Trainer, FourScreen,
    InternalTitle,  // the title behind the image data
    Reserved,       // header bytes 7 to 15 as text; written: bytes 8 to 15
    ArtificialTitle,  // the name the known-dump list gives the CRC-32
    Count,
    FirstReservedByte = kFirstExtraField,  // header byte 7
    ExtraEnd,
};
enum class SnesField : int {
    Title, Filename, Size, HiLo, Speed, RomSize, Sram, Type, Country, Licensee,
    Count,
    MapMode = kFirstExtraField,  // the "Makeup Byte"
    TypeCode,                    // the cartridge type's code
    LicenseeCode,
    ExtraEnd,
};
enum class N64Field : int {
    Title, Filename, Size, Licensee, CartId, Country, ByteOrder,
    Count,
    ExtraEnd = kFirstExtraField,
};
enum class GenesisField : int {  // Genesis and 32X
    InternationalTitle, Filename, Size, ProductCode, Checksum, Type, IoSupport, Countries, NativeTitle,
    Count,
    TypeCode = kFirstExtraField,  // the two letters the Type column names
    ExtraEnd,
};
enum class Mp3Field : int {
    Title, Filename, Size, Artist, Album, Year, Comment, Genre,
    Tags,  // which tags the file carries: "ID3v1", "ID3v1 + ID3v2.3", "APE", ...
    Count,
    Track = kFirstExtraField,  // the track number: ID3v1.1's last comment byte, ID3v2's TRCK
    ExtraEnd,
};
enum class ZipField : int {
    Crc, Filename, Size, Uncompressed,
    Count,
    ExtraEnd = kFirstExtraField,
};

// One of the field enums above.
template <typename Field>
concept FieldEnum = std::is_enum_v<Field> && requires {
    Field::Count;
    Field::ExtraEnd;
};

template <FieldEnum Field>
constexpr int FieldNumber(Field field) {
    return static_cast<int>(field);
}

// Whether a field enum names exactly the columns of `columns` and the extra values `extras`
// names, with the shared columns in their places (the key first, then the file name and the size,
// then the reader's own columns) and its extra values after them.
template <FieldEnum Field>
constexpr bool FieldsMatchColumns(std::span<const ColumnInfo> columns, std::span<const std::string_view> extras) {
    return static_cast<int>(columns.size()) == FieldNumber(Field::Count) &&
           FieldNumber(Field::Filename) - 1 == kKeyColumn && FieldNumber(Field::Filename) == kFilenameColumn &&
           FieldNumber(Field::Size) == kSizeColumn && FieldNumber(Field::Size) + 1 == kFirstDecodedColumn &&
           FieldNumber(Field::Count) <= kFirstExtraField && FieldNumber(Field::ExtraEnd) >= kFirstExtraField &&
           static_cast<int>(extras.size()) == FieldNumber(Field::ExtraEnd) - kFirstExtraField;
}

namespace kinds {

using enum Align;
using enum SortAs;

inline constexpr ColumnInfo kFilename{"Filename", 150, Left};
inline constexpr ColumnInfo kSize{"Size", 60, Right, Number};

inline constexpr std::array kGameboyColumns{
    ColumnInfo{"Internal Title", 130, Left}, kFilename, kSize,
    ColumnInfo{"Rom Size", 60, Right, Number}, ColumnInfo{"SRAM", 45, Right, Number}, ColumnInfo{"Checksum", 65, Right, Number},
    ColumnInfo{"Licensee", 60, Right, Number}, ColumnInfo{"Super GB", 60, Left}, ColumnInfo{"Country", 50, Left},
    ColumnInfo{"Type", 140, Left}};
inline constexpr std::array kNesColumns{
    ColumnInfo{"CRC-32", 65, Right}, kFilename, kSize,
    ColumnInfo{"Mapper", 50, Right, Number}, ColumnInfo{"PRG-ROM", 65, Right, Number},
    ColumnInfo{"CHR-ROM", 65, Right, Number},
    ColumnInfo{"Mirroring", 65, Left}, ColumnInfo{"SRAM", 45, Left}, ColumnInfo{"Trainer", 50, Left},
    ColumnInfo{"4WV", 40, Left}, ColumnInfo{"Internal Title", 350, Left}, ColumnInfo{"Reserved", 70, Left},
    ColumnInfo{"Artificial Title", 220, Left}};
inline constexpr std::array kSnesColumns{
    ColumnInfo{"Internal Title", 160, Left}, kFilename, kSize,
    ColumnInfo{"Hi/Lo", 50, Left}, ColumnInfo{"Speed", 50, Left}, ColumnInfo{"Size", 50, Right, Number},
    ColumnInfo{"SRAM", 45, Right, Number}, ColumnInfo{"Type", 100, Left}, ColumnInfo{"Country", 100, Left},
    ColumnInfo{"Licensee", 100, Left}};
inline constexpr std::array kN64Columns{
    ColumnInfo{"Internal Title", 150, Left}, kFilename, kSize,
    ColumnInfo{"Licensee", 60, Left}, ColumnInfo{"ID", 30, Left}, ColumnInfo{"Country", 50, Left},
    ColumnInfo{"Byte Order", 70, Left}};
inline constexpr std::array kGenesisColumns{
    ColumnInfo{"International Title", 285, Left}, kFilename, kSize,
    ColumnInfo{"Prod. Code", 70, Left}, ColumnInfo{"Checksum", 65, Right, Number}, ColumnInfo{"Type", 90, Left},
    ColumnInfo{"I/O Support", 70, Left}, ColumnInfo{"Countries", 60, Left}, ColumnInfo{"Native Title", 285, Left}};
inline constexpr std::array kMp3Columns{
    ColumnInfo{"Title", 200, Left}, kFilename, kSize,
    ColumnInfo{"Artist", 200, Left}, ColumnInfo{"Album", 200, Left}, ColumnInfo{"Year", 40, Left, Number},
    ColumnInfo{"Comment", 200, Left}, ColumnInfo{"Genre", 100, Left}, ColumnInfo{"Tags", 110, Left}};
inline constexpr std::array kZipColumns{
    ColumnInfo{"CRC-32", 80, Right}, kFilename, ColumnInfo{"Size", 60, Right, Number},
    ColumnInfo{"Uncompressed", 85, Right, Number}};

// The names of the extra fields, in enum order (vorne-cli's `show` and `set` use them).
inline constexpr std::array<std::string_view, 1> kGameboyExtras{"Type Code"};
inline constexpr std::array<std::string_view, 1> kNesExtras{"Reserved Byte 7"};
inline constexpr std::array<std::string_view, 3> kSnesExtras{"Map Mode", "Type Code", "Licensee Code"};
inline constexpr std::array<std::string_view, 0> kNoExtras{};
inline constexpr std::array<std::string_view, 1> kGenesisExtras{"Type Code"};
inline constexpr std::array<std::string_view, 1> kMp3Extras{"Track"};

inline constexpr std::array<std::string_view, 1> kGameboyExtensions{"gb"};
inline constexpr std::array<std::string_view, 1> kNesExtensions{"nes"};
inline constexpr std::array<std::string_view, 7> kSnesExtensions{"smc", "sfc", "swc", "fig", "1", "078", "058"};
inline constexpr std::array<std::string_view, 4> kN64Extensions{"v64", "rom", "z64", "n64"};
inline constexpr std::array<std::string_view, 2> kGenesisExtensions{"bin", "smd"};
inline constexpr std::array<std::string_view, 2> k32XExtensions{"bin", "32X"};
inline constexpr std::array<std::string_view, 2> kMp3Extensions{"mp2", "mp3"};
inline constexpr std::array<std::string_view, 1> kZipExtensions{"zip"};

}  // namespace kinds

static_assert(FieldsMatchColumns<GameboyField>(kinds::kGameboyColumns, kinds::kGameboyExtras));
static_assert(FieldsMatchColumns<NesField>(kinds::kNesColumns, kinds::kNesExtras));
static_assert(FieldsMatchColumns<SnesField>(kinds::kSnesColumns, kinds::kSnesExtras));
static_assert(FieldsMatchColumns<N64Field>(kinds::kN64Columns, kinds::kNoExtras));
static_assert(FieldsMatchColumns<GenesisField>(kinds::kGenesisColumns, kinds::kGenesisExtras));
static_assert(FieldsMatchColumns<Mp3Field>(kinds::kMp3Columns, kinds::kMp3Extras));
static_assert(FieldsMatchColumns<ZipField>(kinds::kZipColumns, kinds::kNoExtras));

inline constexpr std::array<KindInfo, kRomTypeCount> kKinds{{
    {RomType::Gameboy, "Gameboy (*.gb)", "gameboy", kinds::kGameboyExtensions, kinds::kGameboyColumns,
     FieldNumber(GameboyField::ExtraEnd), kinds::kGameboyExtras},
    {RomType::Nes, "NES (*.nes)", "nes", kinds::kNesExtensions, kinds::kNesColumns, FieldNumber(NesField::ExtraEnd),
     kinds::kNesExtras},
    {RomType::Snes, "SNES (*.smc, *.sfc, *.swc, *.fig, *.1, *.078, *.058)", "snes", kinds::kSnesExtensions,
     kinds::kSnesColumns, FieldNumber(SnesField::ExtraEnd), kinds::kSnesExtras},
    {RomType::N64, "N64 (*.v64, *.rom, *.z64, *.n64)", "n64", kinds::kN64Extensions, kinds::kN64Columns, FieldNumber(N64Field::ExtraEnd),
     kinds::kNoExtras},
    {RomType::Genesis, "Genesis (*.bin, *.smd)", "genesis", kinds::kGenesisExtensions, kinds::kGenesisColumns,
     FieldNumber(GenesisField::ExtraEnd), kinds::kGenesisExtras},
    {RomType::Genesis32X, "32X (*.bin, *.32X)", "32x", kinds::k32XExtensions, kinds::kGenesisColumns,
     FieldNumber(GenesisField::ExtraEnd), kinds::kGenesisExtras},
    {RomType::Mp3, "MP3 (*.mp2, *.mp3)", "mp3", kinds::kMp3Extensions, kinds::kMp3Columns, FieldNumber(Mp3Field::ExtraEnd),
     kinds::kMp3Extras},
    {RomType::Zip, "Zip (*.zip)", "zip", kinds::kZipExtensions, kinds::kZipColumns, FieldNumber(ZipField::ExtraEnd), kinds::kNoExtras},
}};

constexpr const KindInfo& Kind(RomType type) { return kKinds[static_cast<int>(type)]; }
constexpr int ColumnCount(RomType type) { return static_cast<int>(Kind(type).columns.size()); }

// A kind named by its CLI name (any case) or by its number 0 to 7.
std::optional<RomType> ParseRomType(std::string_view text);

}  // namespace vorne
