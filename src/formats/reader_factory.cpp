#include "formats/reader_factory.h"

#include "catalogue/known_dumps.h"
#include "formats/genesis.h"
#include "formats/nes.h"
#include "formats/snes.h"

namespace vorne {

std::unique_ptr<RomHeader> CreateReader(RomType type, std::shared_ptr<const KnownDumpList> knownList) {
    switch (type) {
        case RomType::Nes: return std::make_unique<NesHeader>(std::move(knownList));
        case RomType::Snes: return std::make_unique<SnesHeader>();
        case RomType::Genesis:
        case RomType::Genesis32X: return std::make_unique<GenesisHeader>();
        default: return nullptr;
    }
}

}  // namespace vorne
