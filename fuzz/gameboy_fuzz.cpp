// Any bytes as a GameboyHeader: no read outside the buffer, the same columns every time, and the
// global checksum over the image behind any copier header.
#include <algorithm>

#include "formats/gameboy.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorne::fuzz::CheckReader<vorne::GameboyHeader>(data, size);
    std::vector<std::uint8_t> copy(data, data + size);
    vorne::GameboyHeader reader;
    reader.LoadMemory(copy, "fuzz");
    auto image = std::span<const std::uint8_t>(copy).subspan(std::min<std::size_t>(size, static_cast<std::size_t>(reader.Base())));
    (void)vorne::GlobalChecksum(image);
    return 0;
}
