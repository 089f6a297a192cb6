// The two ends of applying a BPS or UPS patch: the source, read where the actions point, and the
// target, written front to back. Both go through small windows, so a patch of any size costs the
// same little memory, and the target's CRC-32 is taken as its bytes go out.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "patch/patch_io.h"

namespace vorne {

class TargetWriter;

class SourceReader {
public:
    // The source is `input` from `start` on (behind a header the patch does not see); bytes past
    // its end read as zero (a forced application to a shorter file).
    SourceReader(const ByteInput& input, std::uint64_t start) : input(input), start(start) {}

    std::uint8_t At(std::uint64_t offset) {
        if (offset - windowStart >= window.size()) Load(offset);  // before the window, too
        return window[static_cast<std::size_t>(offset - windowStart)];
    }
    // Appends `length` source bytes from `offset` on to `target`.
    void CopyTo(std::uint64_t offset, std::uint64_t length, TargetWriter& target);

private:
    void Load(std::uint64_t offset);

    const ByteInput& input;
    std::uint64_t start;
    std::vector<std::uint8_t> window;  // the source from windowStart on, zeros past its end
    std::uint64_t windowStart = 0;
};

class TargetWriter {
public:
    // The target goes to `out` from `base` on (behind the header kept there).
    TargetWriter(PatchOutput& out, std::uint64_t base);

    std::uint64_t Written() const { return flushed + pending.size(); }
    void Append(std::span<const std::uint8_t> bytes);
    void Append(std::uint8_t byte) {
        pending.push_back(byte);
        if (pending.size() == kPending) Flush();
    }
    // Appends `length` bytes copied from target offset `from`, which must lie before Written().
    // The copy may overlap what it writes: then it repeats the bytes between `from` and the end.
    void CopyWithin(std::uint64_t from, std::uint64_t length);
    // Writes out what waits and returns the CRC-32 of the whole target.
    std::uint32_t Finish();

private:
    static constexpr std::size_t kPending = std::size_t{1} << 20;

    void Flush();
    // Fills `into` with the target bytes from `from` on, all written already.
    void ReadBack(std::uint64_t from, std::span<std::uint8_t> into) const;

    PatchOutput& out;
    std::uint64_t base;
    std::uint64_t flushed = 0;  // target bytes in `out`
    std::vector<std::uint8_t> pending;
    std::vector<std::uint8_t> copy;  // a piece of a CopyWithin
    std::uint32_t crc = 0;
};

}  // namespace vorne
