// InflateDecoder: decodes one raw DEFLATE stream (RFC 1951, no zlib or gzip wrapper), the data of a
// deflated zip member.
//
// Three ways in, one decoder behind them:
//  - Inflate passes the output through a caller-supplied 32,768-byte window and a sink;
//  - InflateFrom does the same with a larger window, and takes its input a buffer at a time from
//    a source, so that neither the compressed nor the decoded stream need be in memory whole;
//  - InflateInto writes straight into a buffer of known size (the zip reader always knows the
//    member's uncompressed size), with no window and no sink.
// Given an output buffer large enough, both give the same result and the same bytes.
//
// Input is never read past its end. Peeking at bits beyond the end sees zeros (decoding the last
// end-of-block code may look further ahead than the code is long), but a stream that actually
// consumes a bit beyond its end is invalid data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace vorne {

inline constexpr std::size_t kInflateWindowSize = 32768;

// The longest match a DEFLATE stream can copy (RFC 1951, 3.2.5).
inline constexpr unsigned kDeflateMaxMatch = 258;

// The decoder's results. The zip reader reports a nonzero one as "Error %d inflating ...", so the
// numbers are part of the interface.
enum class InflateResult : int {
    Ok = 0,
    // A stored block's length not matched by its one's complement; a repeat of code lengths past
    // their total; an empty or incomplete code-length or literal/length code; no distance codes
    // while length codes exist; a code with no symbol, a literal/length symbol 286 or 287, a
    // distance symbol 30 or 31; a distance reaching back before the stream's first byte; a bit
    // consumed beyond the end of the input.
    InvalidData = 1,
    // Block type 3, or an over-subscribed code of any of the three kinds.
    InvalidBlockTypeOrOversubscribed = 2,
    // Code tables could not be built for lack of memory.
    MemoryExhausted = 3,
};

// Receives decoded bytes from the window: all of them (32,768 for Inflate) each time it fills, and once
// at the end of a successful stream whatever the window then holds (possibly nothing). It is not
// called again after a failure; what it received before stays valid output of the stream's start.
using InflateSink = std::function<void(std::span<const std::uint8_t>)>;

// Decodes `input` block by block until the final block. The window need not be cleared: no byte
// of it is read before this stream wrote it. `sink` must be callable.
InflateResult Inflate(std::span<const std::uint8_t> input, std::span<std::uint8_t, kInflateWindowSize> window,
                      const InflateSink& sink);

// Where the compressed bytes come from when they are not all in memory: fills the front of
// `room` with the stream's next bytes and returns how many, 0 once there are no more.
using InflateSource = std::function<std::size_t(std::span<std::uint8_t> room)>;

// The smallest input buffer InflateFrom takes.
inline constexpr std::size_t kInflateMinInput = 64;

// Decodes the stream `source` gives, read into `input` a buffer at a time, through `window`: a
// circular window as Inflate's, but of any power-of-two size from kInflateWindowSize on (a
// larger one hands the sink larger pieces, and fewer), each time it fills. So a stream of any
// length costs the two buffers. std::invalid_argument for buffers too small or a window of
// another size. What the source or the sink throws goes through to the caller.
InflateResult InflateFrom(const InflateSource& source, std::span<std::uint8_t> input, std::span<std::uint8_t> window,
                          const InflateSink& sink);

struct InflateIntoResult {
    InflateResult result = InflateResult::Ok;
    // Bytes written to the front of the output, in stream order. On a failure, the bytes decoded
    // before it. Bytes after these may have been overwritten with scratch data.
    std::size_t produced = 0;
    // The stream had more bytes to give when the output was full. Decoding stops at that point with
    // `result` Ok (nothing wrong was found up to there; the rest is not examined) and
    // `produced` equal to the output's size.
    bool outputFull = false;
};

// Decodes `input` straight into `output`. A stream that yields fewer bytes than the output holds
// ends with `produced` below its size; one that yields more ends with `outputFull`.
InflateIntoResult InflateInto(std::span<const std::uint8_t> input, std::span<std::uint8_t> output);

// More room for InflateInto's output, asked for when the output is full and the stream has more
// to give. Called with the number of bytes produced; returns the new output, whose first bytes
// are those produced, or an output no larger when there is no more room (the stream then ends
// with `outputFull`, and the function is not called again).
using OutputGrowth = std::function<std::span<std::uint8_t>(std::size_t produced)>;

// The same, starting with `output` and growing it through `grow`.
InflateIntoResult InflateInto(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                              const OutputGrowth& grow);

// How many times this run built the fixed-code tables (RFC 1951, 3.2.6): 0 before the first block
// with fixed codes, 1 ever after, however many threads race to decode one first.
int FixedCodeTableBuilds();

// ---- Code tables ------------------------------------------------------------------------------
//
// The tables behind every code the decoder reads, also usable on their own. A code set is given
// as one code length per symbol (0 for "no code"), and codes are assigned canonically as RFC 1951,
// 3.2.2 describes: shorter codes first, then by symbol.

enum class CodeTableResult : int {
    Complete = 0,        // also a set of one code of length 1, the other half of its space unused
    Incomplete = 1,      // some codes have no symbol; the table is built, those codes decode as invalid
    OverSubscribed = 2,  // more codes than the lengths leave room for; no table
    MemoryExhausted = 3, // no table
};

struct CodeTable;  // opaque: the first-level table with its sub-tables

// What the lengths' symbols stand for. Symbols below `plainCount` are themselves: a literal byte
// below 256, the end of a block from 256 on. Symbol `plainCount + i` has the base value `bases[i]`
// with `extraBits[i]` extra bits after its code; an extra-bit count of kInvalidSymbol (or a symbol
// beyond the arrays) marks a symbol that has a code but no meaning, which decodes as invalid.
inline constexpr std::uint8_t kInvalidSymbol = 99;

struct CodeTableBuild {
    CodeTable* table = nullptr;  // release with ReleaseCodeTable
    // The width of the first-level table: the requested width, raised to the shortest length and
    // lowered to the longest; in a set of more than 256 symbols (literal/length), lowered further
    // to the end-of-block code's length so that code ends exactly at the table's edge. 0 for a set
    // with no codes (no table, Complete).
    int width = 0;
    CodeTableResult result = CodeTableResult::Complete;
};

// Lengths are at most 16 and there are at most 288 of them (a set breaking these limits is refused
// as over-subscribed). Bases are below 32,768 and extra-bit counts at most 15; a symbol breaking
// these decodes as invalid.
CodeTableBuild BuildCodeTable(std::span<const std::uint8_t> lengths, std::size_t plainCount,
                              std::span<const std::uint16_t> bases, std::span<const std::uint8_t> extraBits,
                              int requestedWidth);

void ReleaseCodeTable(CodeTable* table);

struct CodeLookup {
    enum class Kind { Literal, EndOfBlock, Value, Invalid };
    Kind kind = Kind::Invalid;
    std::uint16_t value = 0;     // the literal byte, or the base value
    std::uint8_t extraBits = 0;  // for Value: extra bits following the code
    std::uint8_t length = 0;     // bits of the code itself (not for Invalid)
};

// Decodes the code at the front of `bits`, taken least significant bit first as a stream packs
// them (a code's first bit is bit 0 of `bits`).
CodeLookup LookUpCode(const CodeTable& table, std::uint32_t bits);

}  // namespace vorne
