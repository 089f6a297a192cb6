// InflateDecoder: raw DEFLATE (RFC 1951) decoding, through a window and sink or straight into a
// buffer of known size. The bit-level format is the RFC's and is not restated; these notes cover
// how this decoder reads it.
//
// Bit buffer. Up to 64 bits of input, taken from the least significant end. Refills add whole
// bytes: a fast refill loads 8 bytes at once and keeps as many as fit (bits above the count may
// then hold the next byte's first bits, which are the same bits the next refill puts there), a
// careful refill adds one byte at a time and, past the end of the input, zero bytes it counts as
// "overread". The bits consumed have gone past the input exactly when fewer bits are left than
// those zero bytes supplied; every step that uses bits checks that before it acts on them.
//
// Tables. One lookup of the next 11 bits resolves every literal/length code of up to 11 bits,
// with a length's extra bits counted in the same entry; 8 bits resolve most distance codes, 7 bits
// every code-length code. Longer codes take one more lookup in a sub-table (code_table.h).
//
// Two loops. A fast loop runs while at least kFastInputMargin bytes of input and
// kFastOutputMargin bytes of output room remain: it refills without looking at the input's end,
// decodes a literal/length code, its extra bits and a distance from one refill (at most 48 bits),
// and copies matches a word at a time, allowed to write up to 31 scratch bytes past a match's end.
// Near either end a careful step decodes one symbol at a time with every check.
//
// Output. InflateInto writes to the caller's buffer and stops when it is full. Inflate writes to
// the 32,768-byte window as if it were the buffer and hands it to the sink the moment it fills,
// then starts over at its beginning; a match whose source lies before the window's start then
// wraps to its end. There the bytes after a match are not free scratch space but the oldest part
// of the history, so the fast loop puts them back after each copy. In both, a distance beyond the
// bytes this stream has produced is rejected, so nothing is read from a window the stream has not
// written.
#include "archive/inflate.h"

#include "archive/code_table.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace vorne {

namespace {

using namespace code_table;

constexpr unsigned kLitlenRootBits = 11;
constexpr unsigned kDistRootBits = 8;
constexpr unsigned kPrecodeRootBits = 7;
constexpr std::uint64_t kLitlenMask = (1u << kLitlenRootBits) - 1;
constexpr std::uint64_t kDistMask = (1u << kDistRootBits) - 1;
constexpr std::uint64_t kPrecodeMask = (1u << kPrecodeRootBits) - 1;

constexpr std::size_t kLitlenSymbols = 288;  // 286 and 287 take part in the code but mean nothing
constexpr std::size_t kDistSymbols = 32;     // likewise 30 and 31
constexpr std::size_t kPrecodeSymbols = 19;
constexpr unsigned kMaxStreamCodeLength = 15;
constexpr unsigned kMaxPrecodeLength = 7;

// A dynamic block's counts are 5-bit fields plus 257 and plus 1, so they cannot exceed the
// alphabets: no run-time check is needed to keep the length arrays in bounds.
static_assert(31 + 257 == kLitlenSymbols && 31 + 1 == kDistSymbols);

constexpr std::size_t kLitlenCapacity = TableCapacity(kLitlenSymbols, kLitlenRootBits, kMaxStreamCodeLength);
constexpr std::size_t kDistCapacity = TableCapacity(kDistSymbols, kDistRootBits, kMaxStreamCodeLength);
constexpr std::size_t kPrecodeCapacity = TableCapacity(kPrecodeSymbols, kPrecodeRootBits, kMaxPrecodeLength);

// RFC 1951, 3.2.5: lengths for symbols 257-285, distances for symbols 0-29.
constexpr std::array<std::uint16_t, 31> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10,  11,  13,  15,
                                                       17, 19, 23, 27, 31, 35, 43, 51,  59,  67,  83,
                                                       99, 115, 131, 163, 195, 227, 258, 0,  0};
constexpr std::array<std::uint8_t, 31> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                                       3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0,
                                                       kInvalidSymbol, kInvalidSymbol};
constexpr std::array<std::uint16_t, 32> kDistBase = {1,    2,    3,    4,    5,    7,     9,     13,
                                                     17,   25,   33,   49,   65,   97,    129,   193,
                                                     257,  385,  513,  769,  1025, 1537,  2049,  3073,
                                                     4097, 6145, 8193, 12289, 16385, 24577, 0, 0};
constexpr std::array<std::uint8_t, 32> kDistExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,  4,
                                                     4, 5, 5,  6,  6,  7,  7,  8,  8,  9,  9,
                                                     10, 10, 11, 11, 12, 12, 13, 13, kInvalidSymbol, kInvalidSymbol};

const SymbolMeaning kLitlenMeaning{257, kLengthBase, kLengthExtra};
const SymbolMeaning kDistMeaning{0, kDistBase, kDistExtra};
const SymbolMeaning kPrecodeMeaning{kPrecodeSymbols, {}, {}};

// The order in which a dynamic block sends the code-length code's lengths.
constexpr std::array<std::uint8_t, kPrecodeSymbols> kPrecodeOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                                     11, 4,  12, 3, 13, 2, 14, 1, 15};

// ---- Fixed codes (RFC 1951, 3.2.6), built once per run -----------------------------------------

std::atomic<int> fixedBuilds{0};

struct FixedTables {
    std::array<std::uint32_t, kLitlenCapacity> litlen;
    std::array<std::uint32_t, kDistCapacity> dist;

    FixedTables() {
        std::array<std::uint8_t, kLitlenSymbols> lengths;
        std::fill(lengths.begin(), lengths.begin() + 144, 8);
        std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
        std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
        std::fill(lengths.begin() + 280, lengths.end(), 8);
        BuildEntries(lengths, TakeCensus(lengths), kLitlenMeaning, kLitlenRootBits, litlen);
        // Thirty 5-bit distance codes: symbols 30 and 31 have none, the set is incomplete.
        std::array<std::uint8_t, 30> distLengths;
        distLengths.fill(5);
        BuildEntries(distLengths, TakeCensus(distLengths), kDistMeaning, kDistRootBits, dist);
        fixedBuilds.fetch_add(1, std::memory_order_relaxed);
    }
};

// The first thread to get here builds the tables; any other waits for it (a function-local static
// is initialised exactly once).
const FixedTables& GetFixedTables() {
    static const FixedTables tables;
    return tables;
}

// ---- Bit and byte helpers ---------------------------------------------------------------------

#if defined(__GNUC__) || defined(__clang__)
#define VORNE_ALWAYS_INLINE __attribute__((always_inline)) inline
#else
#define VORNE_ALWAYS_INLINE inline
#endif

// On x86-64 the codes are decoded by one of two builds of the same loop, picked at run time: the
// baseline one, or one for processors with BMI2, whose shifts and masks by a variable count
// (shrx, bzhi) take one instruction each instead of several.
#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define VORNE_INFLATE_BMI2 1
bool CpuHasBmi2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("bmi2") != 0;
    }();
    return has;
}
#endif

VORNE_ALWAYS_INLINE std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

VORNE_ALWAYS_INLINE void Copy8(std::uint8_t* to, const std::uint8_t* from) { std::memcpy(to, from, 8); }
VORNE_ALWAYS_INLINE void Copy16(std::uint8_t* to, const std::uint8_t* from) { std::memcpy(to, from, 16); }

VORNE_ALWAYS_INLINE void Drop(std::uint64_t& bitbuf, unsigned& bitsleft, std::uint32_t entry) {
    bitbuf >>= DropBits(entry);
    bitsleft -= DropBits(entry);
}

// Needs 8 readable bytes at `in`; leaves 56 to 63 bits. Only the bit count's low byte is used,
// so the fast loop may subtract whole table entries from it.
VORNE_ALWAYS_INLINE void RefillFast(const std::uint8_t*& in, std::uint64_t& bitbuf, unsigned& bitsleft) {
    bitbuf |= Load64(in) << static_cast<std::uint8_t>(bitsleft);
    in += 7 - ((bitsleft >> 3) & 7);
    bitsleft |= 56;
}

// Copies a match whose source lies `distance` bytes back in the same buffer, front to back, so a
// distance shorter than the length repeats the last `distance` bytes. Returns the match's end; may
// write up to 31 bytes beyond it. Each move reads only bytes before the ones it writes or already
// written by an earlier move.
VORNE_ALWAYS_INLINE std::uint8_t* CopyMatch(std::uint8_t* out, std::size_t distance, unsigned length) {
    std::uint8_t* const end = out + length;
    const std::uint8_t* from = out - distance;
    if (distance >= 16) {
        // Most matches are short: two moves cover them without a loop.
        Copy16(out, from);
        Copy16(out + 16, from + 16);
        for (out += 32, from += 32; out < end; out += 16, from += 16) Copy16(out, from);
    } else if (distance >= 8) {
        Copy8(out, from);
        Copy8(out + 8, from + 8);
        Copy8(out + 16, from + 16);
        Copy8(out + 24, from + 24);
        for (out += 32, from += 32; out < end; out += 8, from += 8) Copy8(out, from);
    } else if (distance == 1) {
        const std::uint64_t v = 0x0101010101010101ull * *from;
        for (; out < end; out += 16) {
            std::memcpy(out, &v, 8);
            std::memcpy(out + 8, &v, 8);
        }
    } else {
        // Distances 2 to 7: a 16-byte stretch of the repeating pattern, written again and again a
        // whole number of periods further on.
        std::uint8_t pattern[16];
        for (unsigned i = 0; i < 16; ++i) pattern[i] = i < distance ? from[i] : pattern[i - distance];
        const unsigned stride = 16 - 16 % static_cast<unsigned>(distance);
        for (; out < end; out += stride) std::memcpy(out, pattern, 16);
    }
    return end;
}

// The fast loop's preconditions: two fast refills (8 bytes read, at most 7 taken, each), for
// entering the loop and for one step; and room for one match of up to 258 bytes with its scratch
// bytes, or three literals.
constexpr std::ptrdiff_t kFastInputMargin = 16;
constexpr std::ptrdiff_t kFastOutputMargin = kDeflateMaxMatch + 32;

// ---- The stream decoder -----------------------------------------------------------------------

// One stream's state. kCircular: the output is Inflate's window, handed to the sink whenever it
// fills; otherwise it is InflateInto's buffer, and decoding stops when it is full.
template <bool kCircular>
class StreamDecoder {
public:
    StreamDecoder(std::span<const std::uint8_t> input, std::span<std::uint8_t> output, const InflateSink* sink,
                  const OutputGrowth* grow = nullptr)
        : inNext_(input.data()),
          inEnd_(input.data() + input.size()),
          outBegin_(output.data()),
          outNext_(output.data()),
          outEnd_(output.data() + output.size()),
          sink_(sink),
          grow_(grow) {}
    // Input from `source`, read through `buffer`; the output is a circular window.
    StreamDecoder(const InflateSource& source, std::span<std::uint8_t> buffer, std::span<std::uint8_t> window,
                  const InflateSink* sink)
        : StreamDecoder(std::span<const std::uint8_t>(buffer.data(), 0), window, sink) {
        source_ = &source;
        sourceBuffer_ = buffer;
    }

    InflateResult Run();
    std::size_t Produced() const { return static_cast<std::size_t>(outNext_ - outBegin_); }
    bool OutputFull() const { return outputFull_; }

private:
    // Bit buffer steps on the member state.
    bool Refill() { return RefillCareful(inNext_, bitbuf_, bitsleft_); }
    std::uint32_t Take(unsigned n) {
        const auto v = static_cast<std::uint32_t>(bitbuf_ & ((std::uint64_t{1} << n) - 1));
        bitbuf_ >>= n;
        bitsleft_ -= n;
        return v;
    }
    bool ConsumedPastEnd(unsigned bitsleft) const { return bitsleft < 8 * overread_; }

    // Brings the buffer to at least 56 bits, supplying zeros past the end of the input. False once
    // the zeros supplied exceed what the buffer can hold: bits past the end were then consumed.
    bool RefillCareful(const std::uint8_t*& in, std::uint64_t& bitbuf, unsigned& bitsleft) {
        if (inEnd_ - in < 8) TopUp(in);
        if (inEnd_ - in >= 8) {
            RefillFast(in, bitbuf, bitsleft);
            return true;
        }
        while (bitsleft <= 55) {
            if (in != inEnd_) {
                bitbuf |= std::uint64_t{*in++} << bitsleft;
            } else if (++overread_ > 8) {
                return false;
            }
            bitsleft += 8;
        }
        return true;
    }

    // Moves the unread input to the front of the source's buffer, with the few bytes before it
    // that the bit buffer may hold (a stored block gives them back), and fills the rest from the
    // source. Does nothing for input that was given whole, or once the source has run dry.
    void TopUp(const std::uint8_t*& in) {
        if (source_ == nullptr) return;
        std::uint8_t* const front = sourceBuffer_.data();
        const auto kept = std::min<std::size_t>(kInputHistory, static_cast<std::size_t>(in - front));
        const auto unread = static_cast<std::size_t>(inEnd_ - in);
        std::memmove(front, in - kept, kept + unread);
        std::size_t filled = kept + unread;
        while (filled < sourceBuffer_.size()) {
            const std::size_t got = (*source_)(sourceBuffer_.subspan(filled));
            if (got == 0) {
                source_ = nullptr;
                break;
            }
            filled += got;
        }
        in = front + kept;
        inEnd_ = front + filled;
    }

    void Flush() {
        (*sink_)(std::span<const std::uint8_t>(outBegin_, outEnd_));
        wrapped_ = true;
    }

    // The direct output is full at `out`: asks for more room, and moves `out` into it. False when
    // there is none.
    bool GrowOutput(std::uint8_t*& out) {
        if (grow_ == nullptr) return false;
        const auto produced = static_cast<std::size_t>(out - outBegin_);
        const auto before = static_cast<std::size_t>(outEnd_ - outBegin_);
        const std::span<std::uint8_t> grown = (*grow_)(produced);
        if (grown.size() <= before) {
            grow_ = nullptr;
            return false;
        }
        outBegin_ = grown.data();
        outEnd_ = grown.data() + grown.size();
        out = outBegin_ + produced;
        return true;
    }

    InflateResult StoredBlock();
    InflateResult ReadDynamicCodes();
    InflateResult HuffmanBlock(const std::uint32_t* litlen, const std::uint32_t* dist) {
#ifdef VORNE_INFLATE_BMI2
        if (CpuHasBmi2()) return DecodeCodesBmi2(litlen, dist);
#endif
        return DecodeCodes(litlen, dist);
    }
#ifdef VORNE_INFLATE_BMI2
    __attribute__((target("bmi2"))) InflateResult DecodeCodesBmi2(const std::uint32_t* litlen,
                                                                 const std::uint32_t* dist) {
        return DecodeCodes(litlen, dist);
    }
#endif
    VORNE_ALWAYS_INLINE InflateResult DecodeCodes(const std::uint32_t* litlen, const std::uint32_t* dist);

    // The bit buffer holds at most 7 whole bytes of input.
    static constexpr std::size_t kInputHistory = 8;

    const std::uint8_t* inNext_;
    const std::uint8_t* inEnd_;
    const InflateSource* source_ = nullptr;  // while it has more to give
    std::span<std::uint8_t> sourceBuffer_;
    std::uint64_t bitbuf_ = 0;
    unsigned bitsleft_ = 0;
    unsigned overread_ = 0;  // zero bytes supplied past the end of the input

    std::uint8_t* outBegin_;  // only InflateInto's growing output moves
    std::uint8_t* outNext_;
    std::uint8_t* outEnd_;
    const InflateSink* const sink_;
    const OutputGrowth* grow_;
    bool wrapped_ = false;     // kCircular: the window has been handed over at least once
    bool outputFull_ = false;  // !kCircular: the stream wanted more room than the buffer has

    // A dynamic block's tables, rebuilt for each one. Left uninitialised: they are filled before use.
    std::array<std::uint32_t, kLitlenCapacity> litlenTable_;
    std::array<std::uint32_t, kDistCapacity> distTable_;
    std::array<std::uint32_t, kPrecodeCapacity> precodeTable_;
    std::array<std::uint8_t, kLitlenSymbols + kDistSymbols> lengths_;
};

template <bool kCircular>
InflateResult StreamDecoder<kCircular>::Run() {
    for (;;) {
        if (!Refill()) return InflateResult::InvalidData;
        const bool final = bitbuf_ & 1;
        const unsigned type = (bitbuf_ >> 1) & 3;
        Take(3);
        if (ConsumedPastEnd(bitsleft_)) return InflateResult::InvalidData;

        InflateResult result;
        if (type == 0) {
            result = StoredBlock();
        } else if (type == 1) {
            const FixedTables& fixed = GetFixedTables();
            result = HuffmanBlock(fixed.litlen.data(), fixed.dist.data());
        } else if (type == 2) {
            result = ReadDynamicCodes();
            if (result == InflateResult::Ok) result = HuffmanBlock(litlenTable_.data(), distTable_.data());
        } else {
            return InflateResult::InvalidBlockTypeOrOversubscribed;
        }
        if (result != InflateResult::Ok || outputFull_) return result;
        if (final) break;
    }
    if constexpr (kCircular) (*sink_)(std::span<const std::uint8_t>(outBegin_, outNext_));
    return InflateResult::Ok;
}

// Stored block. Format notes:
//  - the bits up to the next byte boundary are skipped;
//  - then come the length and its one's complement, 16 bits each, least significant byte first;
//  - then that many bytes, copied as they are.
template <bool kCircular>
InflateResult StreamDecoder<kCircular>::StoredBlock() {
    Take(bitsleft_ & 7);
    if (bitsleft_ < 32 && !Refill()) return InflateResult::InvalidData;
    const std::uint32_t length = Take(16);
    const std::uint32_t complement = Take(16);
    if (ConsumedPastEnd(bitsleft_) || length != (~complement & 0xFFFF)) return InflateResult::InvalidData;

    // Give the whole bytes still in the bit buffer back to the input, all but the zeros it held
    // beyond the end.
    inNext_ -= (bitsleft_ >> 3) - overread_;
    bitbuf_ = 0;
    bitsleft_ = 0;
    overread_ = 0;
    // Input given whole is known to be too short before a byte is copied.
    if (source_ == nullptr && static_cast<std::size_t>(inEnd_ - inNext_) < length) return InflateResult::InvalidData;

    std::size_t left = length;
    while (left != 0) {
        if (inNext_ == inEnd_) {
            TopUp(inNext_);
            if (inNext_ == inEnd_) return InflateResult::InvalidData;
        }
        const std::size_t n = std::min({left, static_cast<std::size_t>(outEnd_ - outNext_),
                                        static_cast<std::size_t>(inEnd_ - inNext_)});
        if (n == 0) {  // only the direct buffer stays full
            if (GrowOutput(outNext_)) continue;
            outputFull_ = true;
            return InflateResult::Ok;
        }
        std::memcpy(outNext_, inNext_, n);
        inNext_ += n;
        outNext_ += n;
        left -= n;
        if (kCircular && outNext_ == outEnd_) {
            Flush();
            outNext_ = outBegin_;
        }
    }
    return InflateResult::Ok;
}

// Dynamic block header. Format notes:
//  - 5 bits: literal/length lengths - 257; 5 bits: distance lengths - 1; 4 bits: code-length
//    code lengths - 4;
//  - 3 bits for each code-length code length, in kPrecodeOrder; the ones not sent are 0;
//  - the literal/length and distance lengths as one sequence in the code-length code: 0-15 a
//    length; 16 repeats the previous length 3-6 times (2 extra bits), 17 writes 3-10 zeros (3
//    bits), 18 writes 11-138 zeros (7 bits). "Previous" starts at 0, and is 0 after 17 and 18.
// The code-length code and the literal/length code must be complete (or one code of length 1);
// the distance code may be incomplete, or empty when there are no length codes to need it.
template <bool kCircular>
InflateResult StreamDecoder<kCircular>::ReadDynamicCodes() {
    if (!Refill()) return InflateResult::InvalidData;
    const unsigned litlenCount = Take(5) + 257;
    const unsigned distCount = Take(5) + 1;
    const unsigned precodeCount = Take(4) + 4;

    std::array<std::uint8_t, kPrecodeSymbols> precodeLengths{};
    for (unsigned i = 0; i < precodeCount; ++i) {
        if (bitsleft_ < 3 && !Refill()) return InflateResult::InvalidData;
        precodeLengths[kPrecodeOrder[i]] = static_cast<std::uint8_t>(Take(3));
    }
    if (ConsumedPastEnd(bitsleft_)) return InflateResult::InvalidData;
    const Census precode = TakeCensus(precodeLengths);
    if (precode.longest == 0) return InflateResult::InvalidData;
    if (const CodeTableResult code = Classify(precode); code != CodeTableResult::Complete) {
        return static_cast<InflateResult>(code);
    }
    BuildEntries(precodeLengths, precode, kPrecodeMeaning, kPrecodeRootBits, precodeTable_);

    const unsigned total = litlenCount + distCount;
    unsigned previous = 0;
    for (unsigned i = 0; i < total;) {
        // A code of at most 7 bits and at most 7 extra bits.
        if (bitsleft_ < 14 && !Refill()) return InflateResult::InvalidData;
        const std::uint32_t entry = precodeTable_[bitbuf_ & kPrecodeMask];
        if (entry & kExceptional) return InflateResult::InvalidData;  // the unused half of a one-code set
        Take(DropBits(entry));
        const unsigned symbol = Value(entry);
        if (symbol < 16) {
            lengths_[i++] = static_cast<std::uint8_t>(symbol);
            previous = symbol;
            continue;
        }
        unsigned repeat;
        if (symbol == 16) {
            repeat = 3 + Take(2);
        } else if (symbol == 17) {
            repeat = 3 + Take(3);
            previous = 0;
        } else {
            repeat = 11 + Take(7);
            previous = 0;
        }
        if (repeat > total - i) return InflateResult::InvalidData;
        std::memset(&lengths_[i], static_cast<int>(previous), repeat);
        i += repeat;
    }
    if (ConsumedPastEnd(bitsleft_)) return InflateResult::InvalidData;

    const std::span<const std::uint8_t> litlenLengths(lengths_.data(), litlenCount);
    const Census litlen = TakeCensus(litlenLengths);
    if (litlen.longest == 0) return InflateResult::InvalidData;
    if (const CodeTableResult code = Classify(litlen); code != CodeTableResult::Complete) {
        return static_cast<InflateResult>(code);
    }
    if (BuildEntries(litlenLengths, litlen, kLitlenMeaning, kLitlenRootBits, litlenTable_) == 0) {
        return InflateResult::MemoryExhausted;
    }

    const std::span<const std::uint8_t> distLengths(lengths_.data() + litlenCount, distCount);
    const Census dist = TakeCensus(distLengths);
    if (dist.longest == 0) {
        if (litlenCount > 257) return InflateResult::InvalidData;
        std::fill_n(distTable_.begin(), std::size_t{1} << kDistRootBits, kInvalidEntry);
        return InflateResult::Ok;
    }
    if (dist.overSubscribed) return InflateResult::InvalidBlockTypeOrOversubscribed;
    if (BuildEntries(distLengths, dist, kDistMeaning, kDistRootBits, distTable_) == 0) {
        return InflateResult::MemoryExhausted;
    }
    return InflateResult::Ok;
}

// The codes of a fixed or dynamic block, up to and including its end-of-block code.
template <bool kCircular>
VORNE_ALWAYS_INLINE InflateResult StreamDecoder<kCircular>::DecodeCodes(const std::uint32_t* litlen,
                                                                        const std::uint32_t* dist) {
    // The hot state lives in locals and is written back on every way out.
    const std::uint8_t* in = inNext_;
    std::uint64_t bitbuf = bitbuf_;
    unsigned bitsleft = bitsleft_;
    std::uint8_t* out = outNext_;
    std::uint8_t* outBegin = outBegin_;
    std::uint8_t* outEnd = outEnd_;
    const std::uint8_t* inEnd = inEnd_;

    auto leave = [&](InflateResult result) {
        inNext_ = in;
        bitbuf_ = bitbuf;
        bitsleft_ = static_cast<std::uint8_t>(bitsleft);
        outNext_ = out;
        return result;
    };
    // The entry itself, or the sub-table entry it links to, for the bits that follow.
    auto resolve = [&](const std::uint32_t* table, std::uint32_t entry) {
        if (entry & kSubtable) {
            Drop(bitbuf, bitsleft, entry);
            entry = table[Value(entry) + (bitbuf & ((std::uint32_t{1} << CodeBits(entry)) - 1))];
        }
        return entry;
    };

    for (;;) {
        if (inEnd - in < kFastInputMargin) {
            TopUp(in);
            inEnd = inEnd_;
        }
        if (inEnd - in >= kFastInputMargin && outEnd - out >= kFastOutputMargin) {
            // Each entry's bits are dropped as soon as it is read, whatever it turns out to be; a
            // length or distance takes its extra bits from `saved`, the buffer before the drop.
            // The bit count's high bits collect garbage from whole entries subtracted.
            std::uint64_t saved;
            auto consume = [&](std::uint32_t entry) {
                saved = bitbuf;
                bitbuf >>= DropBits(entry);
                bitsleft -= entry;
            };
            RefillFast(in, bitbuf, bitsleft);
            std::uint32_t entry = litlen[bitbuf & kLitlenMask];
            do {
                // Here the buffer holds at least 56 bits and `entry` is their literal/length entry.
                consume(entry);
                if (entry & kLiteral) {
                    // Up to three literals of at most 11 bits each, then a refill; the entry read
                    // after them stays valid, since a refill only adds bits above those held.
                    *out++ = static_cast<std::uint8_t>(Value(entry));
                    entry = litlen[bitbuf & kLitlenMask];
                    if (entry & kLiteral) {
                        consume(entry);
                        *out++ = static_cast<std::uint8_t>(Value(entry));
                        entry = litlen[bitbuf & kLitlenMask];
                        if (entry & kLiteral) {
                            consume(entry);
                            *out++ = static_cast<std::uint8_t>(Value(entry));
                            entry = litlen[bitbuf & kLitlenMask];
                        }
                    }
                    RefillFast(in, bitbuf, bitsleft);
                    continue;
                }
                if (entry & kExceptional) {
                    if (entry & kSubtable) {
                        entry = litlen[Value(entry) + (bitbuf & ((std::uint32_t{1} << CodeBits(entry)) - 1))];
                        consume(entry);
                        if (entry & kLiteral) {
                            *out++ = static_cast<std::uint8_t>(Value(entry));
                            RefillFast(in, bitbuf, bitsleft);
                            entry = litlen[bitbuf & kLitlenMask];
                            continue;
                        }
                    }
                    if (entry & kEndOfBlock) return leave(InflateResult::Ok);
                    if (entry & kExceptional) return leave(InflateResult::InvalidData);
                }
                // A length and its extra bits (at most 20 bits), then a distance and its extra
                // bits (at most 28), all from the bits held.
                const unsigned length = Value(entry) + ExtraValue(saved, entry);
                entry = dist[bitbuf & kDistMask];
                consume(entry);
                if (entry & kExceptional) {
                    if (entry & kSubtable) {
                        entry = dist[Value(entry) + (bitbuf & ((std::uint32_t{1} << CodeBits(entry)) - 1))];
                        consume(entry);
                    }
                    if (entry & kExceptional) return leave(InflateResult::InvalidData);
                }
                const std::size_t distance = Value(entry) + ExtraValue(saved, entry);
                // Look up the next code before copying, so the two overlap.
                RefillFast(in, bitbuf, bitsleft);
                entry = litlen[bitbuf & kLitlenMask];
                if constexpr (!kCircular) {
                    if (distance > static_cast<std::size_t>(out - outBegin)) return leave(InflateResult::InvalidData);
                    out = CopyMatch(out, distance, length);
                } else {
                    // The window's bytes after the match are the oldest of the history, still
                    // in reach of later matches: keep them from the copy's scratch writes.
                    std::uint8_t kept[32];
                    std::memcpy(kept, out + length, sizeof kept);
                    if (distance <= static_cast<std::size_t>(out - outBegin)) {
                        out = CopyMatch(out, distance, length);
                    } else {
                        if (!wrapped_) return leave(InflateResult::InvalidData);
                        // The source starts near the window's end and may wrap to its
                        // beginning. It lies at or after the destination, so a forward move
                        // reads every byte before it is overwritten.
                        const auto windowSize = static_cast<std::size_t>(outEnd - outBegin);
                        const std::size_t from = static_cast<std::size_t>(out - outBegin) + windowSize - distance;
                        const std::size_t first = std::min<std::size_t>(length, windowSize - from);
                        std::memmove(out, outBegin + from, first);
                        out += first;
                        if (length > first) out = CopyMatch(out, distance, static_cast<unsigned>(length - first));
                    }
                    std::memcpy(out, kept, sizeof kept);
                }
            } while (inEnd - in >= kFastInputMargin && outEnd - out >= kFastOutputMargin);
            bitsleft = static_cast<std::uint8_t>(bitsleft);
        }

        // The careful step: one symbol, near the end of the input or of the output.
        const bool refilled = RefillCareful(in, bitbuf, bitsleft);
        inEnd = inEnd_;
        if (!refilled) return leave(InflateResult::InvalidData);
        std::uint32_t entry = resolve(litlen, litlen[bitbuf & kLitlenMask]);
        if ((entry & kExceptional) && !(entry & kEndOfBlock)) return leave(InflateResult::InvalidData);
        const std::uint32_t kind = entry & (kLiteral | kEndOfBlock);
        const unsigned value = Value(entry) + ExtraValue(bitbuf, entry);
        Drop(bitbuf, bitsleft, entry);
        std::size_t distance = 0;
        if (kind == 0) {
            entry = resolve(dist, dist[bitbuf & kDistMask]);
            if (entry & kExceptional) return leave(InflateResult::InvalidData);
            distance = Value(entry) + ExtraValue(bitbuf, entry);
            Drop(bitbuf, bitsleft, entry);
        }
        if (ConsumedPastEnd(bitsleft)) return leave(InflateResult::InvalidData);
        if (kind == kEndOfBlock) return leave(InflateResult::Ok);

        const std::size_t position = static_cast<std::size_t>(out - outBegin);
        if (kind == 0 && distance > position && (!kCircular || !wrapped_)) return leave(InflateResult::InvalidData);
        for (unsigned n = kind == kLiteral ? 1 : value; n != 0; --n) {
            if (!kCircular && out == outEnd) {
                if (!GrowOutput(out)) {
                    outputFull_ = true;
                    return leave(InflateResult::Ok);
                }
                outBegin = outBegin_;
                outEnd = outEnd_;
            }
            if (kind == kLiteral) {
                *out = static_cast<std::uint8_t>(value);
            } else if constexpr (kCircular) {
                *out = outBegin[(static_cast<std::size_t>(out - outBegin) - distance) &
                                (static_cast<std::size_t>(outEnd - outBegin) - 1)];
            } else {
                *out = *(out - distance);
            }
            if (++out == outEnd && kCircular) {
                Flush();
                out = outBegin;
            }
        }
    }
}

}  // namespace

InflateResult Inflate(std::span<const std::uint8_t> input, std::span<std::uint8_t, kInflateWindowSize> window,
                      const InflateSink& sink) {
    StreamDecoder<true> decoder(input, window, &sink);
    return decoder.Run();
}

InflateResult InflateFrom(const InflateSource& source, std::span<std::uint8_t> input, std::span<std::uint8_t> window,
                          const InflateSink& sink) {
    if (input.size() < kInflateMinInput || window.size() < kInflateWindowSize || !std::has_single_bit(window.size())) {
        throw std::invalid_argument("InflateFrom: input or window too small, or a window not a power of two");
    }
    StreamDecoder<true> decoder(source, input, window, &sink);
    return decoder.Run();
}

InflateIntoResult InflateInto(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
    StreamDecoder<false> decoder(input, output, nullptr);
    const InflateResult result = decoder.Run();
    return {result, decoder.Produced(), decoder.OutputFull()};
}

InflateIntoResult InflateInto(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                              const OutputGrowth& grow) {
    StreamDecoder<false> decoder(input, output, nullptr, &grow);
    const InflateResult result = decoder.Run();
    return {result, decoder.Produced(), decoder.OutputFull()};
}

int FixedCodeTableBuilds() { return fixedBuilds.load(std::memory_order_relaxed); }

}  // namespace vorne
