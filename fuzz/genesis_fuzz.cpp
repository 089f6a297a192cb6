// GenesisHeader on arbitrary bytes: every column and the extra value must be readable, and a
// second load of the same bytes must give the same texts. An interleaved Genesis file needs
// 16 KiB and more to hold its first block, so run with -max_len=40000 (or more).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "formats/genesis.h"

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

    vorne::GenesisHeader reader;
    reader.LoadMemory(bytes, "fuzz.bin");
    std::vector<std::string> first = Texts(reader);
    if (first.size() != 12) std::abort();
    reader.LoadMemory(bytes, "fuzz.bin");
    if (Texts(reader) != first) std::abort();
    return 0;
}
