#include "cli/field_arguments.h"

#include <charconv>

#include "base/text_rules.h"
#include "cli/exit_codes.h"
#include "tags/tag_read.h"

namespace vorne::cli {

std::string_view FieldName(RomType type, int field) {
    const KindInfo& kind = Kind(type);
    if (field >= 0 && field < static_cast<int>(kind.columns.size())) return kind.columns[static_cast<std::size_t>(field)].title;
    const int extra = field - kFirstExtraField;
    if (extra >= 0 && extra < static_cast<int>(kind.extraNames.size())) return kind.extraNames[static_cast<std::size_t>(extra)];
    return {};
}

std::optional<int> FieldOfName(RomType type, std::string_view name, const std::function<bool(int)>& writable) {
    int number = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (!name.empty() && error == std::errc() && end == name.data() + name.size()) return number;
    std::optional<int> found;
    for (int field = 0; field < Kind(type).extraFieldEnd; ++field) {
        const std::string_view title = FieldName(type, field);
        if (title.empty() || !EqualsIgnoringCase(title, name)) continue;
        if (!found || (!writable(*found) && writable(field))) found = field;
    }
    return found;
}

std::string GenreArgument(std::string_view text) {
    if (text.find_first_not_of(' ') == std::string_view::npos) return {};
    if (text.find_first_not_of("0123456789") == std::string_view::npos) return std::string(text);
    if (const std::optional<int> number = GenreNumber(text)) return std::to_string(*number);
    throw UsageError("'" + std::string(text) + "' is neither a genre number nor the name of an ID3v1 genre (such as Rock)");
}

}  // namespace vorne::cli
