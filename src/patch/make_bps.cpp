#include "patch/make_bps.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "base/crc32.h"
#include "patch/bps.h"
#include "patch/patch_bytes.h"

namespace vorne {

namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kHashBytes = 8;         // a copy is looked for by its first eight bytes
constexpr std::uint64_t kLongRun = 256;       // a run read in place this long is taken unsearched
constexpr std::uint64_t kGoodCopy = 4096;     // a copy this long ends the search
constexpr int kChainDepth = 24;               // candidates tried per table and position
constexpr std::uint64_t kMinSourceRead = 4;   // shorter runs in place cost more than literals

std::uint64_t Load64(const std::uint8_t* at) {
    std::uint64_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// How many bytes from `a` and `b` agree, up to `limit`; eight at a time while it can.
std::uint64_t MatchLength(const std::uint8_t* a, const std::uint8_t* b, std::uint64_t limit) {
    std::uint64_t n = 0;
    while (n + 8 <= limit) {
        const std::uint64_t diff = Load64(a + n) ^ Load64(b + n);
        if (diff != 0) {
            const int bit = std::endian::native == std::endian::little ? std::countr_zero(diff) : std::countl_zero(diff);
            return n + static_cast<std::uint64_t>(bit / 8);
        }
        n += 8;
    }
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

// Positions of a buffer by the hash of the eight bytes starting there, newest first.
class HashChains {
public:
    HashChains(std::span<const std::uint8_t> data)
        : data(data),
          bits(std::clamp(static_cast<int>(std::bit_width(data.size())) - 1, 10, 24)),
          heads(std::size_t{1} << bits, kNone),
          next(data.size(), kNone) {}

    std::uint32_t Hash(const std::uint8_t* at) const {
        return static_cast<std::uint32_t>((Load64(at) * 0x9E3779B97F4A7C15ull) >> (64 - bits));
    }
    void Insert(std::uint64_t position) {
        if (position + kHashBytes > data.size()) return;
        const std::uint32_t h = Hash(data.data() + position);
        next[position] = heads[h];
        heads[h] = static_cast<std::uint32_t>(position);
    }
    std::uint32_t First(std::uint32_t hash) const { return heads[hash]; }
    std::uint32_t Next(std::uint32_t position) const { return next[position]; }

private:
    std::span<const std::uint8_t> data;
    int bits;
    std::vector<std::uint32_t> heads;
    std::vector<std::uint32_t> next;
};

struct Choice {
    BpsAction action = BpsAction::TargetRead;
    std::uint64_t from = 0;
    std::uint64_t length = 0;
    std::int64_t gain = 0;  // bytes saved against sending them as literals
};

class Encoder {
public:
    Encoder(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target, BpsWriter& writer)
        : source(source), target(target), writer(writer), sourceChains(source), targetChains(target) {
        for (std::uint64_t p = 0; p < source.size(); ++p) sourceChains.Insert(p);
    }

    void Run() {
        std::uint64_t literalStart = 0;
        std::uint64_t at = 0;
        while (at < target.size()) {
            Choice best = Choose(at);
            if (best.length == 0) {
                targetChains.Insert(at++);
                continue;
            }
            // A copy may also cover the literals just before it.
            while (at > literalStart && best.length > 0 && ExtendsBack(best, at)) {
                --at;
                ++best.length;
                if (best.action != BpsAction::SourceRead) --best.from;
            }
            if (at > literalStart) writer.TargetRead(at - literalStart);
            Emit(best);
            for (std::uint64_t end = at + best.length; at < end;) targetChains.Insert(at++);
            literalStart = at;
        }
        if (at > literalStart) writer.TargetRead(at - literalStart);
    }

private:
    bool ExtendsBack(const Choice& c, std::uint64_t at) const {
        const std::uint8_t before = target[at - 1];
        switch (c.action) {
            case BpsAction::SourceRead: return at - 1 < source.size() && source[at - 1] == before;
            case BpsAction::SourceCopy: return c.from > 0 && source[c.from - 1] == before;
            case BpsAction::TargetCopy: return c.from > 0 && target[c.from - 1] == before;
            case BpsAction::TargetRead: break;
        }
        return false;
    }

    void Emit(const Choice& c) {
        switch (c.action) {
            case BpsAction::SourceRead: writer.SourceRead(c.length); break;
            case BpsAction::SourceCopy: writer.SourceCopy(c.from, c.length); break;
            case BpsAction::TargetCopy: writer.TargetCopy(c.from, c.length); break;
            case BpsAction::TargetRead: break;
        }
    }

    Choice Choose(std::uint64_t at) {
        const std::uint64_t left = target.size() - at;
        Choice best;
        if (at < source.size()) {
            const std::uint64_t run = MatchLength(source.data() + at, target.data() + at, std::min(left, source.size() - at));
            if (run >= kMinSourceRead || (run > 0 && run == left)) {
                best = {BpsAction::SourceRead, at, run,
                        static_cast<std::int64_t>(run) - static_cast<std::int64_t>(NumberSize((run - 1) << 2))};
                if (run >= kLongRun) return best;
            }
        }
        if (left < kHashBytes) return best;
        const std::uint8_t* here = target.data() + at;
        Search(sourceChains, source, BpsAction::SourceCopy, here, left, best);
        Search(targetChains, target, BpsAction::TargetCopy, here, left, best);
        return best;
    }

    void Search(const HashChains& chains, std::span<const std::uint8_t> data, BpsAction action, const std::uint8_t* here,
                std::uint64_t left, Choice& best) const {
        int depth = kChainDepth;
        for (std::uint32_t p = chains.First(chains.Hash(here)); p != kNone && depth-- > 0; p = chains.Next(p)) {
            const std::uint64_t length = MatchLength(data.data() + p, here, std::min<std::uint64_t>(left, data.size() - p));
            if (length < kHashBytes) continue;
            const std::uint64_t cost = action == BpsAction::SourceCopy ? writer.SourceCopyCost(p, length)
                                                                       : writer.TargetCopyCost(p, length);
            const auto gain = static_cast<std::int64_t>(length) - static_cast<std::int64_t>(cost);
            if (gain > best.gain) best = {action, p, length, gain};
            if (length >= kGoodCopy) return;
        }
    }

    std::span<const std::uint8_t> source;
    std::span<const std::uint8_t> target;
    BpsWriter& writer;
    HashChains sourceChains;
    HashChains targetChains;
};

}  // namespace

std::uint64_t NumberSize(std::uint64_t value) {
    std::uint64_t size = 1;
    while (value >= 0x80) {
        value = (value >> 7) - 1;
        ++size;
    }
    return size;
}

std::uint64_t MoveNumber(std::uint64_t offset, std::uint64_t to) {
    return to >= offset ? (to - offset) << 1 : (offset - to) << 1 | 1;
}

BpsWriter::BpsWriter(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target,
                     std::span<const std::uint8_t> metadata)
    : source(source), target(target) {
    out = {'B', 'P', 'S', '1'};
    AppendNumber(out, source.size());
    AppendNumber(out, target.size());
    AppendNumber(out, metadata.size());
    out.insert(out.end(), metadata.begin(), metadata.end());
}

void BpsWriter::Action(unsigned kind, std::uint64_t length) {
    AppendNumber(out, (length - 1) << 2 | kind);
    written += length;
}

void BpsWriter::Move(std::uint64_t& offset, std::uint64_t to) {
    AppendNumber(out, MoveNumber(offset, to));
    offset = to;
}

void BpsWriter::SourceRead(std::uint64_t length) { Action(0, length); }

void BpsWriter::TargetRead(std::uint64_t length) {
    const auto from = target.begin() + static_cast<std::ptrdiff_t>(written);
    Action(1, length);
    out.insert(out.end(), from, from + static_cast<std::ptrdiff_t>(length));
}

void BpsWriter::SourceCopy(std::uint64_t from, std::uint64_t length) {
    Action(2, length);
    Move(sourceOffset, from);
    sourceOffset += length;
}

void BpsWriter::TargetCopy(std::uint64_t from, std::uint64_t length) {
    Action(3, length);
    Move(targetOffset, from);
    targetOffset += length;
}

std::uint64_t BpsWriter::SourceCopyCost(std::uint64_t from, std::uint64_t length) const {
    return NumberSize((length - 1) << 2) + NumberSize(MoveNumber(sourceOffset, from));
}

std::uint64_t BpsWriter::TargetCopyCost(std::uint64_t from, std::uint64_t length) const {
    return NumberSize((length - 1) << 2) + NumberSize(MoveNumber(targetOffset, from));
}

std::vector<std::uint8_t> BpsWriter::Finish() {
    AppendLittleEndian32(out, Crc32(source));
    AppendLittleEndian32(out, Crc32(target));
    AppendLittleEndian32(out, Crc32(out));
    return std::move(out);
}

std::vector<std::uint8_t> MakeBpsPatch(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target,
                                       std::span<const std::uint8_t> metadata) {
    BpsWriter writer(source, target, metadata);
    Encoder(source, target, writer).Run();
    return writer.Finish();
}

}  // namespace vorne
