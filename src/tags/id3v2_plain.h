// The column texts of an ID3v2 tag whose frames are plain, read without TagLib: most tags as
// players and taggers write them (2.3 or 2.4, each shown frame once, in ISO-8859-1 or UTF-8, no
// frame flags). Taking the frames into TagLib's objects costs a scan of many files more than all
// the rest of reading them, and these texts come out the same as TagLib's.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "tags/tag_read.h"

namespace vorne {

// The texts of `tag` (a whole tag, header first, holding the frames the columns show alone), or
// nullopt when anything in it is not plain, and TagLib is to read it.
std::optional<TagTexts> PlainId3v2Texts(std::span<const std::uint8_t> tag);

}  // namespace vorne
