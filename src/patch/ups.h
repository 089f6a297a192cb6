// UPS patches: "UPS1", the source and target sizes as variable-length numbers, then hunks up to
// three little-endian CRC-32s (source, target, and the patch up to its own CRC). A hunk is a
// number of bytes to step over, then bytes XOR-ed into the file, up to and including a zero
// byte. Bytes past the end of the source read as zero; the file takes the target size.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorne {

struct UpsPatch {
    std::uint64_t sourceSize = 0;
    std::uint64_t targetSize = 0;
    std::span<const std::uint8_t> hunks;  // in the patch
    std::uint32_t sourceCrc = 0;
    std::uint32_t targetCrc = 0;
};

// Reads the frame of a UPS patch and checks the patch's own CRC-32. Throws PatchError.
UpsPatch ReadUpsPatch(std::span<const std::uint8_t> bytes);
UpsPatch ReadUpsPatch(std::vector<std::uint8_t>&& bytes) = delete;  // the span would point into it

// The target made from `source` (which may differ from the declared source size). Throws
// PatchError when a hunk is cut short or changes a byte past the sizes the patch declares.
std::vector<std::uint8_t> ApplyUps(const UpsPatch& patch, std::span<const std::uint8_t> source);

}  // namespace vorne
