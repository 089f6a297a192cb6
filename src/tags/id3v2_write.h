// Changing fields of an ID3v2 tag while keeping everything else of it: its version, its flags, its
// extended header and every frame not changed stay byte for byte (pictures, lyrics, ReplayGain,
// track numbers, frames no program here knows). Only the changed frames are made anew, by TagLib.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tags/id3v2_frames.h"

namespace vorne {

enum class TagField { Title, Artist, Album, Year, Comment, Genre, Track };

// A field's new text, UTF-8; a text of blanks alone (or none) removes the field from the tag.
struct TagFieldChange {
    TagField field;
    std::string text;
};

// The tag `tag` (all its bytes, header included) with `changes` made: a changed field's frame
// stays where it was, a new one goes after the last frame, and the comment is the comment frame
// without a description. The tag keeps its size when the frames fit in it, and its version: a
// 2.2 tag gets 2.2 frames. An unsynchronised tag is read as it decodes and written back without
// unsynchronisation, every other frame's content kept. Throws TagWriteRefused, also for a tag
// holding data after its last frame that is neither a frame nor padding (a write would lose it).
std::vector<std::uint8_t> ChangeId3v2(std::span<const std::uint8_t> tag, std::span<const TagFieldChange> changes);

// A new ID3v2.3 tag holding the fields of `changes` that have a text, with room to grow.
std::vector<std::uint8_t> NewId3v2(std::span<const TagFieldChange> changes);

}  // namespace vorne
