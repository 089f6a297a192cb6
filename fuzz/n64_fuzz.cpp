// Loads arbitrary bytes as a N64Header: no read may leave the buffer, and the same bytes must give
// the same column texts whatever the reader held before.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/n64.h"

namespace {

std::vector<std::optional<std::string>> Columns(const vorne::N64Header& reader) {
    std::vector<std::optional<std::string>> texts;
    for (int i = 0;; ++i) {
        texts.push_back(reader.ColumnText(i));
        if (!texts.back()) break;
    }
    for (int i = 100; i <= 102; ++i) texts.push_back(reader.ColumnText(i));
    return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exactly sized heap copy: one byte past it is a sanitizer report.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size]);
    if (size > 0) std::memcpy(copy.get(), data, size);
    std::span<const std::uint8_t> bytes(copy.get(), size);

    static vorne::N64Header reused;  // still holds the previous input
    vorne::N64Header fresh;
    reused.LoadMemory(bytes, "fuzz");
    fresh.LoadMemory(bytes, "fuzz");
    auto first = Columns(fresh);
    if (Columns(reused) != first) std::abort();
    fresh.LoadMemory(bytes, "fuzz");
    if (Columns(fresh) != first) std::abort();
    return 0;
}
