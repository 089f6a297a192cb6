// Any bytes as an NES image: no read outside the buffer, the same columns every time, with a
// known-dump list to look the CRC up in.
#include <memory>

#include "catalogue/known_dumps.h"
#include "formats/nes.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto list = std::make_shared<const vorne::KnownDumpList>("00000000\tEmpty\r\nffffffff\t\tAll ones\n");
    return vorne::fuzz::CheckReader<vorne::NesHeader>(data, size, [] { return vorne::NesHeader(list); });
}
