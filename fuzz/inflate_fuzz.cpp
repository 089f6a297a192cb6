// Arbitrary bytes through both of the decoder's paths, which must agree: the same result, and the
// same bytes up to where each stopped; the direct path also into memory that grows as it goes.
#include "archive/inflate.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t kKeep = std::size_t{8} << 20;  // output compared; longer outputs only counted

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorne;
    // An exactly-sized heap copy, so any read past the end is caught.
    std::unique_ptr<std::uint8_t[]> input(new std::uint8_t[size]);
    if (size != 0) std::memcpy(input.get(), data, size);
    const std::span<const std::uint8_t> stream(input.get(), size);

    auto window = std::make_unique<std::array<std::uint8_t, kInflateWindowSize>>();
    std::vector<std::uint8_t> sunk;
    std::size_t total = 0;
    bool finished = false;
    const InflateResult result = Inflate(stream, *window, [&](std::span<const std::uint8_t> bytes) {
        Check(!finished);
        Check(bytes.data() == window->data());
        if (bytes.size() != kInflateWindowSize) finished = true;  // only the last call holds less
        total += bytes.size();
        if (total <= kKeep) sunk.insert(sunk.end(), bytes.begin(), bytes.end());
    });
    Check(finished == (result == InflateResult::Ok));
    if (total > kKeep) return 0;

    // A failure comes less than a window after the last full window; success fills exactly `total`.
    const std::size_t room = result == InflateResult::Ok ? total : total + kInflateWindowSize;
    std::vector<std::uint8_t> output(room);
    const InflateIntoResult direct = InflateInto(stream, output);
    Check(direct.result == result && !direct.outputFull);
    Check(direct.produced >= sunk.size() && direct.produced < sunk.size() + kInflateWindowSize);
    Check(std::equal(sunk.begin(), sunk.end(), output.begin()));
    if (result == InflateResult::Ok) Check(direct.produced == total);

    // Memory that grows from a few bytes, doubling as the stream asks, gives the same bytes.
    std::vector<std::uint8_t> grown(size % 64);
    const InflateIntoResult growing = InflateInto(stream, grown, [&](std::size_t produced) {
        Check(produced == grown.size());
        if (grown.size() < room) grown.resize(std::min(room, std::max<std::size_t>(1, grown.size() * 2)));
        return std::span<std::uint8_t>(grown);
    });
    Check(growing.result == result && growing.produced == direct.produced);
    Check(std::equal(grown.begin(), grown.begin() + static_cast<std::ptrdiff_t>(growing.produced), output.begin()));

    if (result == InflateResult::Ok && total != 0) {
        std::vector<std::uint8_t> tight(total - 1);
        const InflateIntoResult cut = InflateInto(stream, tight);
        Check(cut.result == InflateResult::Ok && cut.outputFull && cut.produced == total - 1);
        Check(std::equal(tight.begin(), tight.end(), sunk.begin()));
    }
    return 0;
}
