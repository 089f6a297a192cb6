// Any bytes as an NES image: no crash, no read outside the buffer, the same columns every time.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/known_dumps.h"
#include "formats/nes.h"

namespace {

std::vector<std::string> Columns(vorne::NesHeader& reader, const std::uint8_t* data, std::size_t size) {
    // An exactly-sized copy, so that a read past its end is caught at once.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size]);
    std::copy(data, data + size, copy.get());
    reader.LoadMemory(std::span<const std::uint8_t>(copy.get(), size), "fuzz.nes");
    std::vector<std::string> cells;
    while (auto text = reader.ColumnText(static_cast<int>(cells.size()))) cells.push_back(*text);
    for (int extra = 100; extra <= 102; ++extra) cells.push_back(reader.ColumnText(extra).value_or("<none>"));
    return cells;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto list = std::make_shared<const vorne::KnownDumpList>("00000000\tEmpty\r\nffffffff\t\tAll ones\n");
    vorne::NesHeader reader(list);
    auto first = Columns(reader, data, size);
    auto second = Columns(reader, data, size);
    if (first != second || first.size() != 16) std::abort();
    return 0;
}
