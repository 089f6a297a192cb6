// The list-file loader and the comparison on any bytes: entries of at most 1023 characters that
// hold every byte but the line feeds, keys no longer than their lines, and a comparison whose
// unmatched lines are exactly the test lines without a key among the original's.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/text_rules.h"
#include "tools/list_compare.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    const std::vector<std::string> lines = vorne::SplitListLines(bytes);
    std::string joined;
    for (const std::string& line : lines) {
        if (line.size() > vorne::kMaxListEntry || line.find('\n') != std::string::npos) std::abort();
        if (vorne::ComparisonKey(line).size() > line.size()) std::abort();
        joined += line;
    }
    std::string withoutLineFeeds(bytes.begin(), bytes.end());
    std::erase(withoutLineFeeds, '\n');
    if (joined != withoutLineFeeds) std::abort();

    // The first half of the entries is the original list, the rest the test list.
    vorne::ListComparison comparison;
    comparison.SetOriginal({lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(lines.size() / 2)});
    comparison.SetTest({lines.begin() + static_cast<std::ptrdiff_t>(lines.size() / 2), lines.end()});
    if (!comparison.CanCompare()) return 0;
    comparison.Compare();
    if (lines.size() > 2000) return 0;  // the check below compares every pair
    std::size_t next = 0;
    for (const std::string& line : comparison.test) {
        const std::string key = vorne::ComparisonKey(line);
        const bool matched = std::any_of(comparison.original.begin(), comparison.original.end(),
                                         [&](const std::string& original) { return vorne::EqualsIgnoringCase(original, key); });
        const bool listed = next < comparison.unmatched.size() && comparison.unmatched[next] == line;
        if (matched == listed) std::abort();
        if (listed) ++next;
    }
    if (next != comparison.unmatched.size()) std::abort();
    return 0;
}
