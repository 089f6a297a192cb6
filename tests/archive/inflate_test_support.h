// Running both of the decoder's paths over the same input, each from an exactly-sized heap copy
// so that the sanitizer build catches any read past the end.
#pragma once

#include "archive/inflate.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace vorne::test {

struct WindowRun {
    InflateResult result = InflateResult::Ok;
    std::vector<std::uint8_t> bytes;  // everything the sink received, in order
    std::vector<std::size_t> calls;   // the size of each sink call
};

inline WindowRun RunWindow(std::span<const std::uint8_t> input) {
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[input.size()]);
    std::copy(input.begin(), input.end(), copy.get());
    // Not cleared: filled with a value the stream must never see.
    auto window = std::make_unique<std::array<std::uint8_t, kInflateWindowSize>>();
    window->fill(0xA5);
    WindowRun run;
    run.result = Inflate({copy.get(), input.size()}, *window, [&](std::span<const std::uint8_t> bytes) {
        run.bytes.insert(run.bytes.end(), bytes.begin(), bytes.end());
        run.calls.push_back(bytes.size());
    });
    return run;
}

// InflateFrom over `input` given by a source a few bytes at a time, through an input buffer of
// `bufferSize` bytes and a window of `windowSize`.
inline WindowRun RunFrom(std::span<const std::uint8_t> input, std::size_t bufferSize = kInflateMinInput,
                         std::size_t windowSize = 2 * kInflateWindowSize) {
    std::size_t given = 0;
    const InflateSource source = [&](std::span<std::uint8_t> room) {
        const std::size_t n = std::min({room.size(), input.size() - given, std::size_t{13}});
        std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(given), n, room.begin());
        given += n;
        return n;
    };
    std::vector<std::uint8_t> buffer(bufferSize);
    std::vector<std::uint8_t> window(windowSize, 0xA5);
    WindowRun run;
    run.result = InflateFrom(source, buffer, window, [&](std::span<const std::uint8_t> bytes) {
        run.bytes.insert(run.bytes.end(), bytes.begin(), bytes.end());
        run.calls.push_back(bytes.size());
    });
    return run;
}

struct DirectRun {
    InflateIntoResult result;
    std::vector<std::uint8_t> bytes;  // the bytes produced
};

inline DirectRun RunDirect(std::span<const std::uint8_t> input, std::size_t outputSize) {
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[input.size()]);
    std::copy(input.begin(), input.end(), copy.get());
    std::vector<std::uint8_t> output(outputSize, 0x5A);
    DirectRun run;
    run.result = InflateInto({copy.get(), input.size()}, output);
    run.bytes.assign(output.begin(), output.begin() + static_cast<std::ptrdiff_t>(run.result.produced));
    return run;
}

inline bool IsPrefix(std::span<const std::uint8_t> part, std::span<const std::uint8_t> whole) {
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

}  // namespace vorne::test
