// Where the frames of an ID3v2 tag lie, from their headers alone: what a reader needs of a tag
// whose picture it does not show, and what a write keeps byte for byte. The frames' contents are
// TagLib's affair.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/rom_header.h"
#include "tags/byte_source.h"

namespace vorne {

// A tag that cannot be walked or changed safely (a compressed ID3v2.2 tag, one whose frames run
// past its end, one holding data after its last frame that is no frame): nothing is written.
class TagWriteRefused : public OperationRefused {
public:
    using OperationRefused::OperationRefused;
};

struct Id3v2Frame {
    std::string id;
    std::int64_t offset = 0;  // from the start of the tag
    std::size_t size = 0;     // header included
    bool plainSize = false;   // a 2.4 frame whose size is written as a plain number, as 2.3 writes it
};

struct Id3v2Layout {
    int major = 0;
    std::uint8_t flags = 0;
    std::size_t headerSize = 0;  // of each frame: 6 in 2.2, 10 later
    std::size_t framesStart = 0;  // after the tag's header and extended header
    std::size_t end = 0;          // where the frames and the padding end
    std::vector<Id3v2Frame> frames;  // in order; what follows the last one is padding
};

// The numbers of ID3v2 headers: plain big-endian ones, and synchsafe ones (seven bits a byte, so
// that no size holds the byte 0xFF).
std::uint32_t BigEndianNumber(std::span<const std::uint8_t> bytes);
std::uint32_t SynchsafeNumber(std::span<const std::uint8_t> bytes);
void PutSynchsafe(std::span<std::uint8_t> out, std::size_t value);  // into out's 4 bytes

// The layout of the ID3v2 tag at the start of `source`. Throws TagWriteRefused for a tag that
// is none, is unsynchronised as a whole (its frames lie where only the decoded bytes tell), is a
// compressed 2.2 tag, or has an extended header or a frame running past its end. A 2.4 frame size
// written as a plain number (as iTunes writes them) is read as one when the synchsafe reading does
// not land on the next frame or on padding and the plain one does.
Id3v2Layout WalkId3v2(const ByteSource& source);

}  // namespace vorne
