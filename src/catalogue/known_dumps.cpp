#include "catalogue/known_dumps.h"

#include <algorithm>
#include <cstdint>

#include "platform/file.h"

namespace vorne {

namespace {

// 0 to 15 for a lower-case hex digit, -1 for anything else.
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

bool IsCrcText(std::string_view text) {
    return text.size() == 8 && std::all_of(text.begin(), text.end(), [](char c) { return HexDigit(c) >= 0; });
}

KnownDumpList::KnownDumpList(std::string fileText) : text(std::move(fileText)) {
    // The list is a C text: nothing after a zero byte is ever seen.
    if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);

    if (text.size() > UINT32_MAX) return;  // positions would not fit: every lookup searches

    std::uint32_t window = 0;  // the last eight digits, one per nibble
    std::size_t run = 0;       // length of the current run of digits
    for (std::size_t i = 0; i < text.size(); ++i) {
        int digit = HexDigit(text[i]);
        if (digit < 0) {
            run = 0;
            continue;
        }
        window = (window << 4) | static_cast<std::uint32_t>(digit);
        if (++run >= 8) firstPositions.emplace_back(window, static_cast<std::uint32_t>(i - 7));
    }
    // Sorting by (value, position) and keeping the first of each value leaves its first place.
    std::sort(firstPositions.begin(), firstPositions.end());
    firstPositions.erase(std::unique(firstPositions.begin(), firstPositions.end(),
                                     [](const auto& a, const auto& b) { return a.first == b.first; }),
                         firstPositions.end());
    firstPositions.shrink_to_fit();
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
    auto it = std::lower_bound(firstPositions.begin(), firstPositions.end(), std::pair{value, std::uint32_t{0}});
    if (it == firstPositions.end() || it->first != value) return {};
    return NameAfter(it->second);
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
