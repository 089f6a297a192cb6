// Making BPS patches. The encoder walks the target once. At each position it weighs reading the
// source in place (SourceRead, which costs nothing but its length) against the longest copies a
// hash of the next eight bytes finds in the source (SourceCopy: moved data) and in the target
// already made (TargetCopy: repeated data), each priced at the bytes its action and offset take;
// a position nothing pays for goes out as a literal (TargetRead). A run read in place that is
// already long is taken without a search, which keeps a mostly unchanged file fast.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorne {

std::vector<std::uint8_t> MakeBpsPatch(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target,
                                       std::span<const std::uint8_t> metadata = {});

// Writes the actions and the frame of a BPS patch; the encoder above and any other (a benchmark's
// yardstick) share it.
class BpsWriter {
public:
    BpsWriter(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target,
              std::span<const std::uint8_t> metadata);

    std::uint64_t Written() const { return written; }
    void SourceRead(std::uint64_t length);
    void TargetRead(std::uint64_t length);  // the next `length` target bytes, as literals
    void SourceCopy(std::uint64_t from, std::uint64_t length);
    void TargetCopy(std::uint64_t from, std::uint64_t length);
    // The bytes a SourceCopy or TargetCopy from `from` would take for its action and offset.
    std::uint64_t SourceCopyCost(std::uint64_t from, std::uint64_t length) const;
    std::uint64_t TargetCopyCost(std::uint64_t from, std::uint64_t length) const;
    // The patch, once every target byte is written.
    std::vector<std::uint8_t> Finish();

private:
    void Action(unsigned kind, std::uint64_t length);
    void Move(std::uint64_t& offset, std::uint64_t to);

    std::span<const std::uint8_t> source;
    std::span<const std::uint8_t> target;
    std::vector<std::uint8_t> out;
    std::uint64_t written = 0;
    std::uint64_t sourceOffset = 0;
    std::uint64_t targetOffset = 0;
};

// How many bytes a variable-length number takes.
std::uint64_t NumberSize(std::uint64_t value);
// The number that moves a copy offset from `offset` to `to`.
std::uint64_t MoveNumber(std::uint64_t offset, std::uint64_t to);

}  // namespace vorne
