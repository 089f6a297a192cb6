#include "base/rom_type.h"

#include "base/text_rules.h"

namespace vorne {

std::optional<RomType> ParseRomType(std::string_view text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] < '0' + kRomTypeCount) {
        return static_cast<RomType>(text[0] - '0');
    }
    for (const KindInfo& kind : kKinds) {
        if (EqualsIgnoringCase(text, kind.cliName)) return kind.type;
    }
    return std::nullopt;
}

}  // namespace vorne
