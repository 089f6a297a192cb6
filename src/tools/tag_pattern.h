// File-name patterns of the tag fields, as tag editors write them: "%artist% - %title%" is an
// artist, the text " - " and a title. The place holders are %artist%, %title%, %album%, %year%,
// %track%, %comment% and %genre%; everything else is literal text.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/rom_type.h"

namespace vorne {

class TagPattern {
public:
    // One place holder (`field`) or one run of literal text.
    struct Piece {
        std::optional<Mp3Field> field;
        std::string literal;
    };

    // Throws std::invalid_argument for a pattern without a place holder, an unknown or unclosed
    // one, or two with no text between them (where one ends would be anybody's guess).
    static TagPattern Parse(std::string_view text);

    // The field texts `name` (a file name without its extension) holds: each place holder takes
    // the text up to the first place the literal after it fits, the last one the rest. Nullopt
    // when the name does not fit, or a field would be empty.
    std::optional<std::vector<std::pair<Mp3Field, std::string>>> Match(std::string_view name) const;

    // The pattern with each place holder replaced by `text`(its field).
    std::string Fill(const std::function<std::string(Mp3Field)>& text) const;

    const std::vector<Piece>& Pieces() const { return pieces; }

    // "artist" for the artist, as a pattern names it between its '%'s.
    static std::string_view PlaceHolderName(Mp3Field field);
    // The fields a place holder can name, in the order above.
    static std::array<Mp3Field, 7> PlaceHolderFields();

private:
    std::vector<Piece> pieces;
};

}  // namespace vorne
