#include "catalogue/known_dumps.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <utility>

#include "platform/file.h"

namespace vorne {

namespace {

constexpr std::uint32_t kFree = UINT32_MAX;
constexpr std::size_t kReadPiece = std::size_t{1} << 20;

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

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

std::uint32_t ValueOf(std::string_view crcText) {
    std::uint32_t value = 0;
    for (char c : crcText) value = (value << 4) | static_cast<std::uint32_t>(HexDigit(c));
    return value;
}

}  // namespace

bool IsCrcText(std::string_view text) {
    return text.size() == 8 && std::all_of(text.begin(), text.end(), [](char c) { return HexDigit(c) >= 0; });
}

std::string LookUpInListText(std::string_view text, std::string_view crcText) {
    text = text.substr(0, text.find('\0'));
    std::size_t at = text.find(crcText);
    if (at == std::string_view::npos) return {};
    std::size_t tab = text.find('\t', at);
    if (tab == std::string_view::npos) return {};
    std::size_t start = text.find_first_not_of('\t', tab);
    if (start == std::string_view::npos) return {};
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    return std::string(text.substr(start, std::min(end - start, KnownDumpList::kMaxNameLength)));
}

KnownDumpList::KnownDumpList(std::string_view text) {
    Add(text);
    Finish();
}

std::shared_ptr<const KnownDumpList> KnownDumpList::Load(const std::string& path) {
    try {
        const File file = File::OpenRead(path);
        auto list = std::make_shared<KnownDumpList>();
        std::string piece(kReadPiece, '\0');
        std::int64_t at = 0;
        while (const std::size_t got = file.ReadAt(at, std::span(reinterpret_cast<std::uint8_t*>(piece.data()), piece.size()))) {
            list->Add(std::string_view(piece).substr(0, got));
            at += static_cast<std::int64_t>(got);
        }
        list->Finish();
        return list;
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::string KnownDumpList::DefaultPath() { return ExecutableDirectory() + "/nescrcs.txt"; }

const std::uint32_t* KnownDumpList::Find(std::uint32_t value) const {
    if (table.empty()) return nullptr;
    const std::size_t mask = table.size() - 1;
    for (std::size_t slot = (value * 0x9E3779B1u) >> hashShift;; slot = (slot + 1) & mask) {
        if (table[slot] == kFree || entries[table[slot]].value == value) return &table[slot];
    }
}

std::uint32_t* KnownDumpList::Find(std::uint32_t value) {
    return const_cast<std::uint32_t*>(std::as_const(*this).Find(value));
}

void KnownDumpList::Grow() {
    const std::size_t size = table.empty() ? 16 : table.size() * 2;
    hashShift = 32 - std::countr_zero(size);
    table.assign(size, kFree);
    for (std::uint32_t i = 0; i < entries.size(); ++i) *Find(entries[i].value) = i;
}

void KnownDumpList::Insert(std::uint32_t value) {
    if ((entries.size() + 1) * 2 > table.size()) Grow();
    std::uint32_t* slot = Find(value);
    if (*slot != kFree) return;  // the first place a value stands is the one that counts
    *slot = static_cast<std::uint32_t>(entries.size());
    waitingForTab.push_back(*slot);
    entries.push_back({value, 0, 0});
}

void KnownDumpList::Resolve(Capture& capture) {
    const std::uint64_t at = names.size();
    names += capture.name;
    for (std::uint32_t index : capture.waiting) entries[index] = {entries[index].value, static_cast<std::uint8_t>(capture.name.size()), at};
    capture.waiting.clear();
}

void KnownDumpList::Add(std::string_view piece) {
    if (ended) return;
    for (char c : piece) {
        if (c == '\0') {
            ended = true;
            return;
        }
        if (!captures.empty()) {
            for (Capture& capture : captures) {
                if (capture.waiting.empty()) continue;
                if (IsLineEnd(c) || (!capture.skippingTabs && capture.name.size() == kMaxNameLength)) {
                    Resolve(capture);
                } else if (c != '\t' || !capture.skippingTabs) {
                    capture.skippingTabs = false;
                    capture.name += c;
                }
            }
            std::erase_if(captures, [](const Capture& capture) { return capture.waiting.empty(); });
        }
        if (c == '\t' && !waitingForTab.empty()) {
            // The first TAB behind the runs that wait: their name comes after it.
            captures.push_back({std::move(waitingForTab), {}, true});
            waitingForTab.clear();
        }
        // Without branches on the digit test: a non-digit leaves a stray nibble in the window,
        // but it also resets the run, and eight digits push the nibble out again.
        const int digit = kHexDigits[static_cast<unsigned char>(c)];
        run = digit >= 0 ? run + 1 : 0;
        window = (window << 4) | static_cast<std::uint32_t>(digit & 15);
        if (run >= 8) Insert(window);
    }
}

void KnownDumpList::Finish() {
    // The text ends: a name being taken ends with it; runs without a TAB behind them have none.
    for (Capture& capture : captures) Resolve(capture);
    captures.clear();
    waitingForTab.clear();
    ended = true;
    names.shrink_to_fit();
}

std::string KnownDumpList::LookUpKnownName(std::string_view crcText) const {
    if (!IsCrcText(crcText)) return {};
    const std::uint32_t* slot = Find(ValueOf(crcText));
    if (slot == nullptr || *slot == kFree) return {};
    const Entry& entry = entries[*slot];
    return names.substr(entry.nameAt, entry.nameLength);
}

}  // namespace vorne
