// What the NES reader asks of a known-dump list: the name it gives a CRC-32 text. The list itself
// (loading, indexing) belongs to the catalogue; readers only see this.
#pragma once

#include <string>
#include <string_view>

namespace vorne {

class KnownNames {
public:
    virtual ~KnownNames() = default;
    // The name for `crcText` (eight lower-case hex digits), or the empty text.
    virtual std::string LookUpKnownName(std::string_view crcText) const = 0;
};

}  // namespace vorne
