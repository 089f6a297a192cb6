#include "formats/reader_factory.h"

#include "base/known_names.h"
#include "formats/gameboy.h"
#include "formats/genesis.h"
#include "formats/mp3.h"
#include "formats/n64.h"
#include "formats/nes.h"
#include "formats/snes.h"

namespace vorne {

std::unique_ptr<RomHeader> CreateReader(RomType type, std::shared_ptr<const KnownNames> knownList) {
    switch (type) {
        case RomType::Gameboy: return std::make_unique<GameboyHeader>();
        case RomType::Nes: return std::make_unique<NesHeader>(std::move(knownList));
        case RomType::Snes: return std::make_unique<SnesHeader>();
        case RomType::N64: return std::make_unique<N64Header>();
        case RomType::Genesis:
        case RomType::Genesis32X: return std::make_unique<GenesisHeader>();
        case RomType::Mp3: return std::make_unique<Mp3Tag>();
        default: return nullptr;
    }
}

}  // namespace vorne
