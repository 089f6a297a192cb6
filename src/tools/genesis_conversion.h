// Converting Genesis and 32X images between the linear layout and the interleaved copier layout.
//
// What a file becomes is decided by the file itself, as GenesisHeader reads it: an interleaved
// file is turned linear ("bin"), its copier header dropped; a linear Genesis image is turned
// interleaved behind a new 512-byte copier header ("smd"); a linear 32X image is turned
// interleaved without one ("32X"). Blocks are 2H bytes (16 KiB for Genesis, 1 MiB for 32X); a file
// whose data is not whole blocks (behind a copier header of 512 bytes or none, when interleaved)
// is left alone, as its output would be useless. The output goes beside the
// source, named by replacing the last three characters of the source's name, and appears whole or
// not at all; the source is only read. A file whose output would be itself, or whose output name
// is taken, is left alone.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalog_model.h"
#include "tools/tool_report.h"

namespace vorne {

class GenesisHeader;

inline constexpr std::size_t kCopierHeaderSize = 512;

// How one loaded file is converted.
struct ConversionPlan {
    bool deinterleave = false;   // interleaved to linear; otherwise linear to interleaved
    bool copierHeader = false;   // a copier header goes first (a linear Genesis image)
    std::int64_t skip = 0;       // source bytes before the first block (its copier header)
    std::int64_t halfBlock = 0;  // H
    std::string_view extension;  // of the output: "bin", "smd" or "32X"
};
ConversionPlan PlanConversion(const GenesisHeader& loaded);

// `path` with its last three characters replaced by `extension`.
std::string ConvertedName(std::string_view path, std::string_view extension);

// The copier header written in front of an interleaved Genesis image made from a linear file of
// `length` bytes: all zero but for the number of 16 KiB units at 0, 0x03 at 1, 0xAA at 3, 0xBB at 4.
std::array<std::uint8_t, kCopierHeaderSize> MakeCopierHeader(std::int64_t length);

// Converts whole blocks of 2H bytes from `in` into `out` (the same size, a multiple of 2H).
void DeinterleaveBlocks(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, std::size_t halfBlock);
void InterleaveBlocks(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, std::size_t halfBlock);

// Converts the file at `path` and returns the output's path. Throws OperationRefused when its
// length is not whole blocks, the output would be the source itself or a file of its name exists, FileError when the source
// cannot be read or the output cannot be written (no output appears then).
std::string ConvertGenesisFile(const std::string& path);

// The conversion commands over the selected rows: only files whose names end in `extension`
// ("smd", "bin" or "32x", any case) are taken. Status part 0 shows "Converting...", part 2 each
// file, and at the end part 0 the count `entryCount` grown by the files made. A file that cannot
// be converted is named and the command goes on. Returns the outputs' paths as rows name them.
std::vector<std::string> ConvertGenesisFiles(const std::string& folder, std::span<const CatalogRow> rows,
                                             std::string_view extension, int entryCount, ToolReport& report);

}  // namespace vorne
