#include "dat/dat_builder.h"

namespace vorne {

void DatBuilder::BeginGame(std::string_view name, std::string_view description) {
    dat.games.push_back({std::string(name), std::string(description), static_cast<std::uint32_t>(dat.roms.size()), 0});
}

void DatBuilder::AddRom(const RomTexts& rom) {
    if (dat.games.empty()) BeginGame("", "");
    // A ROM the DAT marks as not dumped has nothing a file could match.
    const auto size = ParseRomSize(rom.size);
    const auto crc = ParseCrc(rom.crc);
    const auto sha1 = ParseDigest<20>(rom.sha1);
    const auto md5 = ParseDigest<16>(rom.md5);
    const auto sha256 = ParseDigest<32>(rom.sha256);
    if (rom.status == "nodump" || !size || !crc || (rom.sha1.data() && !sha1) || (rom.md5.data() && !md5) ||
        (rom.sha256.data() && !sha256)) {
        ++dat.skipped;
        return;
    }
    dat.roms.push_back({std::string(rom.name), *size, *crc, sha1, md5, sha256, static_cast<std::uint32_t>(dat.games.size() - 1)});
    ++dat.games.back().romCount;
}

void DatBuilder::EndGame(bool singleRomOnly) {
    if (dat.games.empty()) return;
    const DatGame& game = dat.games.back();
    if (singleRomOnly && game.romCount > 1) {
        for (std::uint32_t i = 0; i < game.romCount; ++i) dat.roms[game.firstRom + i].matchable = false;
    }
}

}  // namespace vorne
