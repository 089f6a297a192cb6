// The DAT parsers on any input: an entry or a DatError, never a crash, and every ROM the index
// gives back is one of that size and CRC-32.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "dat/dat_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const vorne::DatFile dat = vorne::ParseDat(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.dat");
        const vorne::DatIndex index(dat);
        for (const vorne::DatRom& rom : dat.roms) {
            if (rom.game >= dat.games.size()) std::abort();
            for (std::uint32_t i : index.Find(rom.size, rom.crc)) {
                if (dat.roms[i].size != rom.size || dat.roms[i].crc != rom.crc) std::abort();
            }
        }
    } catch (const vorne::DatError&) {
    }
    return 0;
}
