// The check every header reader's fuzz target makes: any bytes load without a read outside the
// buffer, and the same bytes give the same column texts, whether the reader is fresh or still
// holds the previous input.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/rom_header.h"

namespace vorne::fuzz {

inline std::vector<std::string> Texts(const RomHeader& reader) {
    std::vector<std::string> texts = ColumnTexts(reader);
    texts.push_back("|");
    // Every kind's extra values: past a kind's own they read as none.
    int extraEnd = kFirstExtraField;
    for (const KindInfo& kind : kKinds) extraEnd = std::max(extraEnd, kind.extraFieldEnd);
    for (int extra = kFirstExtraField; extra < extraEnd; ++extra) {
        texts.push_back(reader.ColumnText(extra).value_or("(none)"));
    }
    return texts;
}

// `Reader` must be default-constructible or `make` must build one.
template <typename Reader, typename Make>
int CheckReader(const std::uint8_t* data, std::size_t size, Make make) {
    // An exactly-sized heap copy: one byte read past it is a sanitizer report.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size]);
    if (size != 0) std::memcpy(copy.get(), data, size);
    std::span<const std::uint8_t> bytes(copy.get(), size);

    static Reader reused = make();  // still holds the previous input
    Reader fresh = make();
    fresh.LoadMemory(bytes, "fuzz");
    std::vector<std::string> first = Texts(fresh);
    reused.LoadMemory(bytes, "fuzz");
    if (Texts(reused) != first) std::abort();
    fresh.LoadMemory(bytes, "fuzz");
    if (Texts(fresh) != first) std::abort();
    return 0;
}

template <typename Reader>
int CheckReader(const std::uint8_t* data, std::size_t size) {
    return CheckReader<Reader>(data, size, [] { return Reader(); });
}

}  // namespace vorne::fuzz
