#include "patch/make_ips.h"

#include <algorithm>

#include "patch/ips.h"
#include "patch/patch_error.h"

namespace vorne {

namespace {

constexpr std::size_t kMaxSize = std::size_t{1} << 24;
constexpr std::size_t kMergeGap = 5;  // unchanged bytes a record carries rather than start another
constexpr std::size_t kMinRun = 9;    // a run record (8 bytes) and the record after it pay for this

class IpsWriter {
public:
    explicit IpsWriter(std::span<const std::uint8_t> modified) : modified(modified) { out = {'P', 'A', 'T', 'C', 'H'}; }

    // Writes modified[start, end) as records.
    void Stretch(std::size_t start, std::size_t end) {
        std::size_t at = start;
        while (at < end) {
            if (at == kIpsEndMarker) {
                // One byte earlier, as data: a run there could not take the earlier byte along.
                const std::size_t from = at - 1;
                at = from + std::min(kIpsMaxRecord, end - from);
                Data(from, at);
                continue;
            }
            const std::size_t run = RunAt(at, end);
            if (run >= kMinRun) {
                Run(at, run);
                at += run;
                continue;
            }
            // Data up to the next run worth its own record, the longest record, or the end.
            std::size_t stop = at + 1;
            while (stop < end && stop - at < kIpsMaxRecord && RunAt(stop, end) < kMinRun) ++stop;
            Data(at, stop);
            at = stop;
        }
    }

    std::vector<std::uint8_t> Finish() {
        out.insert(out.end(), {'E', 'O', 'F'});
        return std::move(out);
    }

private:
    // How long the run of one byte value at `at` is, up to `end` and the longest record.
    std::size_t RunAt(std::size_t at, std::size_t end) const {
        const std::size_t limit = std::min(end, at + kIpsMaxRecord);
        std::size_t stop = at + 1;
        while (stop < limit && modified[stop] == modified[at]) ++stop;
        return stop - at;
    }

    void Offset(std::size_t offset) {
        out.insert(out.end(), {static_cast<std::uint8_t>(offset >> 16), static_cast<std::uint8_t>(offset >> 8),
                               static_cast<std::uint8_t>(offset)});
    }
    void Size(std::size_t size) { out.insert(out.end(), {static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)}); }

    void Data(std::size_t from, std::size_t to) {
        Offset(from);
        Size(to - from);
        out.insert(out.end(), modified.begin() + static_cast<std::ptrdiff_t>(from), modified.begin() + static_cast<std::ptrdiff_t>(to));
    }
    void Run(std::size_t at, std::size_t count) {
        Offset(at);
        Size(0);
        Size(count);
        out.push_back(modified[at]);
    }

    std::span<const std::uint8_t> modified;
    std::vector<std::uint8_t> out;
};

}  // namespace

std::vector<std::uint8_t> MakeIpsPatch(std::span<const std::uint8_t> original, std::span<const std::uint8_t> modified) {
    if (modified.size() < original.size()) throw PatchError(kIpsCannotShrink);
    if (modified.size() > kMaxSize) throw PatchError(kIpsTooLarge);
    // Bytes past the original's end are all written, whatever their value: the file grows only as
    // far as a record reaches.
    auto changed = [&](std::size_t at) { return at >= original.size() || original[at] != modified[at]; };
    IpsWriter writer(modified);
    std::size_t at = 0;
    while (at < modified.size()) {
        if (!changed(at)) {
            ++at;
            continue;
        }
        std::size_t end = at + 1;  // one past the last changed byte of the stretch
        for (std::size_t probe = end; probe < modified.size() && probe - end <= kMergeGap; ++probe) {
            if (changed(probe)) end = probe + 1;
        }
        writer.Stretch(at, end);
        at = end;
    }
    return writer.Finish();
}

}  // namespace vorne
