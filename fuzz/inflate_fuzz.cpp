// Arbitrary bytes through both of the decoder's paths, which must agree: the same result, and the
// same bytes up to where each stopped.
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

    if (result == InflateResult::Ok && total != 0) {
        std::vector<std::uint8_t> tight(total - 1);
        const InflateIntoResult cut = InflateInto(stream, tight);
        Check(cut.result == InflateResult::Ok && cut.outputFull && cut.produced == total - 1);
        Check(std::equal(tight.begin(), tight.end(), sunk.begin()));
    }
    return 0;
}
