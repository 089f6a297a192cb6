// Any bytes as a SnesHeader: no read outside the buffer, the same columns every time.
#include "formats/snes.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return vorne::fuzz::CheckReader<vorne::SnesHeader>(data, size);
}
