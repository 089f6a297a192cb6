// SnesHeader on arbitrary bytes: every column and extra value must be readable, and a second load
// of the same bytes must give the same texts. The HiROM place starts at 0xFFB0, so run with
// -max_len=70000 (or more) to reach it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "formats/snes.h"

namespace {

std::vector<std::string> Texts(const vorne::RomHeader& reader) {
    std::vector<std::string> texts;
    while (auto text = reader.ColumnText(static_cast<int>(texts.size()))) texts.push_back(*text);
    for (int extra = 100; extra <= 102; ++extra) texts.push_back(reader.ColumnText(extra).value_or("(none)"));
    return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exactly-sized heap copy, so that any read past the end trips the address sanitizer.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size]);
    if (size != 0) std::memcpy(copy.get(), data, size);
    std::span<const std::uint8_t> bytes(copy.get(), size);

    vorne::SnesHeader reader;
    reader.LoadMemory(bytes, "fuzz.smc");
    std::vector<std::string> first = Texts(reader);
    if (first.size() != 13) std::abort();
    reader.LoadMemory(bytes, "fuzz.smc");
    if (Texts(reader) != first) std::abort();
    return 0;
}
