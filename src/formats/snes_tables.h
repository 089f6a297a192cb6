// The SNES header's code tables: ROM and SRAM sizes, cartridge types, destinations and the 256
// licensee texts. Codes without a name read as the code in decimal.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

#include "base/code_names.h"

namespace vorne::snes {

// ROM size code -> the number of Mbit shown before " Mbit"; other codes show "?".
inline constexpr std::array<CodeName, 5> kRomSizes{{
    {8, "2"}, {9, "4"}, {10, "8"}, {11, "16"}, {12, "32"},
}};

// SRAM size code -> the number of Kbit shown before " Kbit"; other codes show "?".
inline constexpr std::array<CodeName, 4> kSramSizes{{
    {0, "0"}, {1, "16"}, {2, "32"}, {3, "64"},
}};

// Cartridge type code -> name; other codes show "<unknown: %d>".
inline constexpr std::array<CodeName, 9> kCartridgeTypes{{
    {0, "ROM"}, {1, "ROM/RAM"}, {2, "ROM/SRAM"}, {3, "ROM/DSP1"}, {4, "ROM/DSP1/RAM"}, {5, "ROM/DSP1/SRAM"},
    {0x13, "ROM/FX"}, {0xE3, "ROM/RAM/GB"}, {0xF6, "ROM/DSP2"},
}};

// Destination code -> country; codes 14 to 255 have no name and show the code in decimal.
inline constexpr std::array<std::string_view, 14> kDestinations{
    "Japan", "USA", "Australia, Oceania", "Sweden", "Finland", "Denmark", "France", "Holland", "Spain",
    "Germany, Austria, Switzerland", "Italy", "Hong Kong, China", "Indonesia", "Korea",
};

// The publishers with a name; several appear under more than one code.
inline constexpr std::pair<std::uint8_t, std::string_view> kNamedLicensees[] = {
    {0, "<Invalid (0)>"},
    {1, "Nintendo"},
    {3, "Imagineer-Zoom"},
    {5, "Zamuse"},
    {6, "Falcom"},
    {8, "Capcom"},
    {9, "HOT-B"},
    {10, "Jaleco"},
    {11, "Coconuts"},
    {12, "Rage Software"},
    {14, "Technos"},
    {15, "Mebio Software"},
    {18, "Gremlin Graphics"},
    {19, "Electronic Arts"},
    {21, "COBRA Team"},
    {22, "Human/Field"},
    {23, "KOEI"},
    {24, "Hudson Soft"},
    {26, "Yanoman"},
    {28, "Tecmo"},
    {30, "Open System"},
    {31, "Virgin Games"},
    {32, "KSS"},
    {33, "Sunsoft"},
    {34, "POW"},
    {35, "Micro World"},
    {38, "Enix"},
    {39, "Loriciel/Electro Brain"},
    {40, "Kemco"},
    {41, "Seta Co., Ltd."},
    {45, "Visit Co., Ltd."},
    {49, "Carrozzeria"},
    {50, "Dynamic"},
    {51, "Nintendo"},
    {52, "Magifact"},
    {53, "Hect"},
    {60, "Empire Software"},
    {61, "Loricel"},
    {64, "Seika Corp."},
    {65, "UBI Soft"},
    {70, "System 3"},
    {71, "Spectrum Holobyte"},
    {73, "Irem"},
    {75, "Raya Systems/Sculptured Software"},
    {76, "Renovation Products"},
    {77, "Malibu Games/Black Pearl"},
    {79, "U.S. Gold"},
    {80, "Absolute Entertainment"},
    {81, "Acclaim"},
    {82, "Activision"},
    {83, "American Sammy"},
    {84, "GameTek"},
    {85, "Hi Tech Expressions"},
    {86, "LJN Toys"},
    {90, "Mindscape"},
    {93, "Tradewest"},
    {95, "American Softworks Corp."},
    {96, "Titus"},
    {97, "Virgin Interactive Entertainment"},
    {98, "Maxis"},
    {103, "Ocean"},
    {105, "Electronic Arts"},
    {107, "Laser Beam"},
    {110, "Elite"},
    {111, "Electro Brain"},
    {112, "Infogames"},
    {113, "Interplay"},
    {114, "LucasArts"},
    {115, "Parker Brothers"},
    {117, "STORM"},
    {120, "THQ Software"},
    {121, "Accolade Inc."},
    {122, "Triffix Entertainment"},
    {124, "Microprose"},
    {127, "Kemco"},
    {128, "Misawa"},
    {129, "Teichio"},
    {130, "Namco Ltd."},
    {131, "Lozc"},
    {132, "KOEI"},
    {134, "Tokuma Shoten Intermedia"},
    {136, "DATAM-Polystar"},
    {139, "Bullet-Proof Software"},
    {140, "Vic Tokai"},
    {142, "Character Soft"},
    {144, "Takara"},
    {145, "CHUN Soft"},
    {146, "Video System Co., Ltd."},
    {147, "BEC"},
    {149, "Varie"},
    {151, "Kaneco"},
    {153, "Pack in Video"},
    {154, "Nichibutsu"},
    {155, "Tecmo"},
    {156, "Imagineer Co."},
    {160, "Telenet"},
    {164, "Konami"},
    {165, "K. Amusement Leasing Co."},
    {167, "Takara"},
    {169, "Technos Jap."},
    {170, "JVC"},
    {172, "Toei Animation"},
    {173, "Toho"},
    {175, "Namco Ltd."},
    {177, "ASCII Co. Activision"},
    {178, "BanDai America"},
    {180, "Enix"},
    {182, "Halken"},
    {186, "Culture Brain"},
    {187, "Sunsoft"},
    {188, "Toshiba EMI"},
    {189, "Sony Imagesoft"},
    {191, "Sammy"},
    {192, "Taito"},
    {194, "Kemco"},
    {195, "Square"},
    {196, "Tokuma Soft"},
    {197, "Data East"},
    {198, "Tonkin House"},
    {200, "KOEI"},
    {202, "Konami USA"},
    {203, "NTVIC"},
    {205, "Meldac"},
    {206, "Pony Canyon"},
    {207, "Sotsu Agency/Sunrise"},
    {208, "Disco/Taito"},
    {209, "Sofel"},
    {210, "Quest Corp."},
    {211, "Sigma"},
    {214, "Naxat"},
    {216, "Capcom Co., Ltd."},
    {217, "Banpresto"},
    {218, "Tomy"},
    {219, "Acclaim"},
    {221, "NCS"},
    {222, "Human Entertainment"},
    {223, "Altron"},
    {224, "Jaleco"},
    {226, "Yutaka"},
    {228, "T&ESoft"},
    {229, "EPOCH Co., Ltd."},
    {231, "Athena"},
    {232, "Asmik"},
    {233, "Natsume"},
    {234, "King Records"},
    {235, "Atlus"},
    {236, "Sony Music Entertainment"},
    {238, "IGS"},
    {241, "Motown Software"},
    {242, "Left Field Entertainment"},
    {243, "Beam Software"},
    {244, "Tec Magik"},
    {249, "Cybersoft"},
    {255, "Hudson Soft"},
};

namespace detail {

// "0" to "255", for the codes without a name.
struct DecimalTexts {
    std::array<std::array<char, 4>, 256> digits{};
    std::array<std::string_view, 256> texts{};
    constexpr DecimalTexts() {
        for (int code = 0; code < 256; ++code) {
            auto& d = digits[code];
            int n = 0;
            if (code >= 100) d[n++] = static_cast<char>('0' + code / 100);
            if (code >= 10) d[n++] = static_cast<char>('0' + code / 10 % 10);
            d[n++] = static_cast<char>('0' + code % 10);
            texts[code] = std::string_view(d.data(), static_cast<std::size_t>(n));
        }
    }
};

inline constexpr DecimalTexts kDecimalTexts{};

constexpr std::array<std::string_view, 256> BuildLicensees() {
    std::array<std::string_view, 256> table = kDecimalTexts.texts;
    for (const auto& [code, name] : kNamedLicensees) table[code] = name;
    return table;
}

}  // namespace detail

// The decimal text of a code, "0" to "255".
constexpr std::string_view DecimalText(std::uint8_t code) { return detail::kDecimalTexts.texts[code]; }

// Licensee code -> text: the publisher's name, or the code in decimal.
inline constexpr std::array<std::string_view, 256> kLicensees = detail::BuildLicensees();

}  // namespace vorne::snes
