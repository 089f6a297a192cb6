#include "tools/tag_pattern.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace vorne {

namespace {

constexpr std::array<std::pair<std::string_view, Mp3Field>, 7> kPlaceHolders{{
    {"artist", Mp3Field::Artist},
    {"title", Mp3Field::Title},
    {"album", Mp3Field::Album},
    {"year", Mp3Field::Year},
    {"track", Mp3Field::Track},
    {"comment", Mp3Field::Comment},
    {"genre", Mp3Field::Genre},
}};

}  // namespace

std::string_view TagPattern::PlaceHolderName(Mp3Field field) {
    for (const auto& [name, named] : kPlaceHolders) {
        if (named == field) return name;
    }
    return {};
}

std::array<Mp3Field, 7> TagPattern::PlaceHolderFields() {
    std::array<Mp3Field, 7> fields{};
    std::transform(kPlaceHolders.begin(), kPlaceHolders.end(), fields.begin(), [](const auto& p) { return p.second; });
    return fields;
}

TagPattern TagPattern::Parse(std::string_view text) {
    TagPattern pattern;
    std::string literal;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] != '%') {
            literal += text[at++];
            continue;
        }
        const std::size_t close = text.find('%', at + 1);
        if (close == std::string_view::npos) throw std::invalid_argument("the pattern has a '%' without its closing '%'");
        const std::string_view name = text.substr(at + 1, close - at - 1);
        const auto* found = std::find_if(kPlaceHolders.begin(), kPlaceHolders.end(),
                                         [&](const auto& holder) { return holder.first == name; });
        if (found == kPlaceHolders.end()) {
            throw std::invalid_argument("the pattern names an unknown field %" + std::string(name) +
                                        "% (known: %artist%, %title%, %album%, %year%, %track%, %comment%, %genre%)");
        }
        if (!literal.empty()) {
            pattern.pieces.push_back({std::nullopt, literal});
            literal.clear();
        } else if (!pattern.pieces.empty() && pattern.pieces.back().field) {
            throw std::invalid_argument("the pattern has two fields with no text between them");
        }
        pattern.pieces.push_back({found->second, {}});
        at = close + 1;
    }
    if (!literal.empty()) pattern.pieces.push_back({std::nullopt, literal});
    if (std::none_of(pattern.pieces.begin(), pattern.pieces.end(), [](const Piece& p) { return p.field.has_value(); })) {
        throw std::invalid_argument("the pattern names no field (such as %title%)");
    }
    return pattern;
}

std::optional<std::vector<std::pair<Mp3Field, std::string>>> TagPattern::Match(std::string_view name) const {
    std::vector<std::pair<Mp3Field, std::string>> fields;
    std::size_t at = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& piece = pieces[i];
        if (!piece.field) {
            if (name.substr(at, piece.literal.size()) != piece.literal) return std::nullopt;
            at += piece.literal.size();
            continue;
        }
        std::size_t end = name.size();
        if (i + 1 < pieces.size()) {
            // The literal after a field: the last piece of the pattern must end the name.
            const std::string& next = pieces[i + 1].literal;
            end = i + 2 == pieces.size() ? (name.ends_with(next) && name.size() - next.size() >= at ? name.size() - next.size()
                                                                                                 : std::string_view::npos)
                                         : name.find(next, at);
            if (end == std::string_view::npos) return std::nullopt;
        }
        if (end == at) return std::nullopt;
        fields.emplace_back(*piece.field, std::string(name.substr(at, end - at)));
        at = end;
    }
    if (at != name.size()) return std::nullopt;
    return fields;
}

std::string TagPattern::Fill(const std::function<std::string(Mp3Field)>& text) const {
    std::string out;
    for (const Piece& piece : pieces) out += piece.field ? text(*piece.field) : piece.literal;
    return out;
}

}  // namespace vorne
