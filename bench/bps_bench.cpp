// Making a BPS patch for an 8 MiB original against a careful encoder of our own. The modified file
// has 2,000 scattered changes of 1 to 16 bytes and a 64 KiB block moved from near the start to
// near the end (so the 6 MiB between them sits 64 KiB earlier than in the original).
//
// The yardstick builds a suffix array of the original and, at every position where it has to
// choose, finds the longest match anywhere in the original by binary search, weighing it against
// reading the original in place with the same prices as our encoder; it never takes a shortcut.
// It does not look for repeats within the modified file (TargetCopy), which this file has none of.
// Both report the patch size; ours also its size over the yardstick's (the goal: at most 1.5).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "patch/apply_patch.h"
#include "patch/make_bps.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Pair {
    Bytes original;
    Bytes modified;
};

const Pair& EightMiB() {
    static const Pair pair = [] {
        std::mt19937_64 rng(8);
        Pair p;
        p.original.resize(std::size_t{8} << 20);
        for (std::size_t i = 0; i < p.original.size(); i += 8) {
            const std::uint64_t word = rng();
            std::memcpy(p.original.data() + i, &word, 8);
        }
        p.modified = p.original;
        for (int i = 0; i < 2000; ++i) {
            const std::size_t at = rng() % (p.modified.size() - 16);
            const std::size_t length = 1 + rng() % 16;
            for (std::size_t k = 0; k < length; ++k) p.modified[at + k] ^= static_cast<std::uint8_t>(1 + rng() % 255);
        }
        const std::size_t from = std::size_t{1} << 20, to = std::size_t{7} << 20, block = std::size_t{64} << 10;
        std::rotate(p.modified.begin() + from, p.modified.begin() + from + block, p.modified.begin() + to + block);
        return p;
    }();
    return pair;
}

// Suffixes of `text` in order: prefix doubling, refining only the groups still tied (Larsson and
// Sadakane). Bytes are taken as symbols 1 to 256 with 0 past the end, so no two suffixes tie for good.
std::vector<std::uint32_t> SuffixArray(const Bytes& text) {
    const std::size_t n = text.size();
    auto symbol = [&](std::size_t i) -> std::uint64_t { return i < n ? text[i] + 1u : 0u; };
    std::vector<std::uint64_t> key(n);
    for (std::size_t i = 0; i < n; ++i) key[i] = symbol(i) << 48 | symbol(i + 1) << 32 | symbol(i + 2) << 16 | symbol(i + 3);
    std::vector<std::uint32_t> sa(n);
    for (std::size_t i = 0; i < n; ++i) sa[i] = static_cast<std::uint32_t>(i);
    std::sort(sa.begin(), sa.end(), [&](std::uint32_t a, std::uint32_t b) { return key[a] < key[b]; });
    std::vector<std::int64_t> rank(n);
    std::vector<std::pair<std::size_t, std::size_t>> tied;  // [first, last] of groups still tied
    auto group = [&](std::size_t first, std::size_t last, auto sameAs) {
        for (std::size_t a = first; a <= last;) {
            std::size_t b = a;
            while (b < last && sameAs(sa[b], sa[b + 1])) ++b;
            for (std::size_t k = a; k <= b; ++k) rank[sa[k]] = static_cast<std::int64_t>(b);
            if (b > a) tied.emplace_back(a, b);
            a = b + 1;
        }
    };
    group(0, n - 1, [&](std::uint32_t a, std::uint32_t b) { return key[a] == key[b]; });
    for (std::size_t h = 4; !tied.empty(); h *= 2) {
        auto next = [&](std::uint32_t s) { return s + h < n ? rank[s + h] : -1; };
        std::vector<std::pair<std::size_t, std::size_t>> groups;
        groups.swap(tied);
        for (auto [first, last] : groups) {
            std::sort(sa.begin() + static_cast<std::ptrdiff_t>(first), sa.begin() + static_cast<std::ptrdiff_t>(last) + 1,
                      [&](std::uint32_t a, std::uint32_t b) { return next(a) < next(b); });
            group(first, last, [&](std::uint32_t a, std::uint32_t b) { return next(a) == next(b); });
        }
    }
    return sa;
}

std::uint64_t Common(const std::uint8_t* a, const std::uint8_t* b, std::uint64_t limit) {
    std::uint64_t n = 0;
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

// The longest match for target[at...] anywhere in the source, and where it starts.
std::pair<std::uint64_t, std::uint64_t> LongestMatch(const Bytes& source, const std::vector<std::uint32_t>& sa, const Bytes& target,
                                                     std::size_t at) {
    const std::uint8_t* pattern = target.data() + at;
    const std::size_t left = target.size() - at;
    auto below = [&](std::uint32_t s, int) {
        const std::size_t n = std::min(source.size() - s, left);
        const int c = std::memcmp(source.data() + s, pattern, n);
        return c < 0 || (c == 0 && n < left && source.size() - s == n);
    };
    const auto it = std::lower_bound(sa.begin(), sa.end(), 0, below);
    std::pair<std::uint64_t, std::uint64_t> best{0, 0};
    for (auto p : {it, it == sa.begin() ? it : it - 1}) {
        if (p == sa.end()) continue;
        const std::uint64_t length = Common(source.data() + *p, pattern, std::min<std::uint64_t>(source.size() - *p, left));
        if (length > best.first) best = {length, *p};
    }
    return best;
}

Bytes YardstickPatch(const Bytes& source, const Bytes& target) {
    const std::vector<std::uint32_t> sa = SuffixArray(source);
    vorne::BpsWriter writer(source, target, {});
    std::size_t literalStart = 0;
    std::size_t at = 0;
    while (at < target.size()) {
        const std::uint64_t left = target.size() - at;
        const std::uint64_t run = at < source.size() ? Common(source.data() + at, target.data() + at, std::min<std::uint64_t>(left, source.size() - at)) : 0;
        const auto [length, from] = LongestMatch(source, sa, target, at);
        const auto readGain = static_cast<std::int64_t>(run) - static_cast<std::int64_t>(vorne::NumberSize((run - 1) << 2));
        const auto copyGain = static_cast<std::int64_t>(length) - static_cast<std::int64_t>(writer.SourceCopyCost(from, length));
        if (std::max(readGain, copyGain) <= 1) {
            ++at;
            continue;
        }
        if (at > literalStart) writer.TargetRead(at - literalStart);
        if (readGain >= copyGain) {
            writer.SourceRead(run);
            at += run;
        } else {
            writer.SourceCopy(from, length);
            at += length;
        }
        literalStart = at;
    }
    if (at > literalStart) writer.TargetRead(at - literalStart);
    return writer.Finish();
}

std::size_t yardstickSize = 0;

void Check(benchmark::State& state, const Bytes& patch) {
    const Pair& pair = EightMiB();
    if (vorne::ApplyPatch(patch, pair.original, false).bytes != pair.modified) state.SkipWithError("the patch does not apply back");
    state.counters["patch_bytes"] = static_cast<double>(patch.size());
}

void Ours(benchmark::State& state) {
    const Pair& pair = EightMiB();
    Bytes patch;
    for (auto _ : state) patch = vorne::MakeBpsPatch(pair.original, pair.modified);
    Check(state, patch);
    if (yardstickSize == 0) yardstickSize = YardstickPatch(pair.original, pair.modified).size();
    state.counters["size_vs_yardstick"] = static_cast<double>(patch.size()) / static_cast<double>(yardstickSize);
}

void SuffixArrayYardstick(benchmark::State& state) {
    const Pair& pair = EightMiB();
    Bytes patch;
    for (auto _ : state) patch = YardstickPatch(pair.original, pair.modified);
    Check(state, patch);
}

}  // namespace

BENCHMARK(Ours)->Name("make-bps-8MiB/vorne")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(SuffixArrayYardstick)->Name("make-bps-8MiB/suffix-array")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
