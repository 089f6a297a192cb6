// The indexed known-dump lookup must give exactly what the plain search gives, for any list.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalogue/known_dumps.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    // The first eight bytes, made into lower-case hex digits, are the CRC text; the rest is the list.
    std::string crc;
    for (std::size_t i = 0; i < 8; ++i) crc += "0123456789abcdef"[data[i] & 15];
    std::string text(reinterpret_cast<const char*>(data + 8), size - 8);
    vorne::KnownDumpList list(text);
    if (list.LookUpKnownName(crc) != vorne::LookUpInListText(text, crc)) std::abort();
    // Also probe each run of eight digits that stands in the text.
    for (std::size_t at = 0; at + 8 <= text.size(); at += 7) {
        std::string probe = text.substr(at, 8);
        if (vorne::IsCrcText(probe) && list.LookUpKnownName(probe) != vorne::LookUpInListText(text, probe)) std::abort();
    }
    return 0;
}
