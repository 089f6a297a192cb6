// What the three DAT parsers share: collecting games and their ROMs from texts, checking each
// ROM's size and hashes as it goes.
#pragma once

#include <string>
#include <string_view>

#include "dat/dat_file.h"

namespace vorne {

// The texts of one ROM as the DAT gives them; a null view is a value the DAT leaves out.
struct RomTexts {
    std::string_view name;
    std::string_view size;
    std::string_view crc;
    std::string_view sha1;
    std::string_view md5;
    std::string_view sha256;
    std::string_view status;
};

class DatBuilder {
public:
    explicit DatBuilder(DatFormat format) { dat.format = format; }

    DatHeader& Header() { return dat.header; }
    void BeginGame(std::string_view name, std::string_view description);
    // Adds a ROM to the game begun last; a ROM without a size and CRC-32 that can be read (or
    // with a hash that cannot) is counted as skipped instead.
    void AddRom(const RomTexts& rom);
    // Ends the game: `singleRomOnly` leaves its ROMs unmatchable unless it has just one.
    void EndGame(bool singleRomOnly = false);
    DatFile Finish() { return std::move(dat); }

private:
    DatFile dat;
};

}  // namespace vorne
