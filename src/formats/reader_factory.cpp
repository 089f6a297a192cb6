#include "formats/reader_factory.h"

#include "catalogue/known_dumps.h"
#include "formats/nes.h"

namespace vorne {

std::unique_ptr<RomHeader> CreateReader(RomType type, std::shared_ptr<const KnownDumpList> knownList) {
    switch (type) {
        case RomType::Nes: return std::make_unique<NesHeader>(std::move(knownList));
        default: return nullptr;
    }
}

}  // namespace vorne
