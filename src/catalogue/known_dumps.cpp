#include "catalogue/known_dumps.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/file.h"

namespace vorne {

namespace {

// 0 to 15 for a lower-case hex digit, -1 for anything else.
constexpr int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

constexpr std::array<std::int8_t, 256> kHexDigits = [] {
    std::array<std::int8_t, 256> table{};
    for (int c = 0; c < 256; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(HexDigit(static_cast<char>(c)));
    return table;
}();

}  // namespace

bool IsCrcText(std::string_view text) {
    return text.size() == 8 && std::all_of(text.begin(), text.end(), [](char c) { return HexDigit(c) >= 0; });
}

// Calls visit(value, position) for every run of eight lower-case hex digits, in text order.
template <typename Visit>
void KnownDumpList::ForEachRun(Visit visit) const {
    std::uint32_t window = 0;  // the last eight digits, one per nibble
    std::size_t run = 0;       // length of the current run of digits
    for (std::size_t i = 0; i < text.size(); ++i) {
        // Without branches on the digit test: a non-digit leaves a stray nibble in the window,
        // but it also resets the run, and eight digits push the nibble out again.
        int digit = kHexDigits[static_cast<unsigned char>(text[i])];
        run = digit >= 0 ? run + 1 : 0;
        window = (window << 4) | static_cast<std::uint32_t>(digit & 15);
        if (run >= 8) visit(window, static_cast<std::uint32_t>(i - 7));
    }
}

KnownDumpList::KnownDumpList(std::string fileText) : text(std::move(fileText)) {
    // The list is a C text: nothing after a zero byte is ever seen.
    if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    if (text.size() >= kEmpty) return;  // positions would not fit: every lookup searches

    std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;
    runs.reserve(text.size() / 32);
    ForEachRun([&](std::uint32_t value, std::uint32_t position) { runs.emplace_back(value, position); });
    std::size_t slots = 16;
    hashShift = 28;
    while (slots < runs.size() * 2) {
        slots *= 2;
        --hashShift;
    }
    firstPositions.assign(slots, {0, kEmpty});
    // Runs come in text order, so the first position of a value is the one that stays.
    for (const auto& [value, position] : runs) {
        for (std::size_t slot = Slot(value);; slot = (slot + 1) & (slots - 1)) {
            auto& entry = firstPositions[slot];
            if (entry.second == kEmpty) {
                entry = {value, position};
                break;
            }
            if (entry.first == value) break;
        }
    }
    indexed = true;
}

std::shared_ptr<const KnownDumpList> KnownDumpList::Load(const std::string& path) {
    try {
        std::vector<std::uint8_t> bytes = ReadWholeFile(path);
        return std::make_shared<const KnownDumpList>(std::string(bytes.begin(), bytes.end()));
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::string KnownDumpList::DefaultPath() { return ExecutableDirectory() + "/nescrcs.txt"; }

std::string KnownDumpList::LookUpKnownName(std::string_view crcText) const {
    if (!IsCrcText(crcText) || !indexed) return LookUpBySearch(crcText);
    std::uint32_t value = 0;
    for (char c : crcText) value = (value << 4) | static_cast<std::uint32_t>(HexDigit(c));
    const std::size_t mask = firstPositions.size() - 1;
    for (std::size_t slot = Slot(value);; slot = (slot + 1) & mask) {
        const auto& entry = firstPositions[slot];
        if (entry.second == kEmpty) return {};
        if (entry.first == value) return NameAfter(entry.second);
    }
}

std::string KnownDumpList::LookUpBySearch(std::string_view crcText) const {
    std::size_t at = text.find(crcText);
    if (at == std::string::npos) return {};
    return NameAfter(at);
}

std::string KnownDumpList::NameAfter(std::size_t position) const {
    std::size_t tab = text.find('\t', position);
    if (tab == std::string::npos) return {};
    std::size_t start = text.find_first_not_of('\t', tab);
    if (start == std::string::npos) return {};
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    return text.substr(start, std::min(end - start, kMaxNameLength));
}

}  // namespace vorne
