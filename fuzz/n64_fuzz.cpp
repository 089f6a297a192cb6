// Any bytes as a N64Header: no read outside the buffer, the same columns every time.
#include "formats/n64.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return vorne::fuzz::CheckReader<vorne::N64Header>(data, size);
}
