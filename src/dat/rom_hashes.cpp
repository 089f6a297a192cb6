#include "dat/rom_hashes.h"

#include "formats/reader_factory.h"
#include "platform/file.h"

namespace vorne {

FileHashes HashRomFile(RomType type, const std::string& path, HashChoice choice) {
    File file = File::OpenRead(path);
    const std::int64_t length = file.Size();
    HashedData layout{0, length};
    if (auto reader = CreateReader(type, nullptr)) {
        reader->LoadFile(file, path, length);
        layout = reader->DataForHashing();
    }
    return HashFile(file, length, layout, choice);
}

}  // namespace vorne
