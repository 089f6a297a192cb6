// Any bytes as a Mp3Tag: no read outside the buffer, the same columns every time.
#include "formats/mp3.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return vorne::fuzz::CheckReader<vorne::Mp3Tag>(data, size);
}
