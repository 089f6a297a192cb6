#include "archive/zip_status.h"

#include <cstdio>

namespace vorne {

std::string ZipStatus::Reason() const {
    if (lines.empty()) return {};
    const std::string& first = lines.front();
    return first.substr(0, first.find('\n'));
}

void ZipStatus::Add(std::string line) {
    if (line.size() > kZipLineLimit) line.resize(kZipLineLimit);
    lines.push_back(std::move(line));
}

std::string DollarHex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "$%0*x", digits, value);
    return text;
}

}  // namespace vorne
