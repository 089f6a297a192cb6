#include "tools/genesis_conversion.h"

#include <sys/stat.h>

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/rom_type.h"
#include "base/text_rules.h"
#include "catalogue/catalogue.h"
#include "formats/genesis.h"
#include "platform/file.h"
#include "platform/file_error.h"
#include "platform/rewrite.h"
#include "tools/tool_rows.h"

namespace vorne {

namespace {

// The source is read this much at a time: a whole number of blocks of either kind.
constexpr std::size_t kChunk = std::size_t{1} << 20;
constexpr std::size_t kExtensionLength = 3;

// Writes the converted data of `source` (`length` bytes) to `out`.
void WriteConverted(const File& source, std::int64_t length, const ConversionPlan& plan, RewriteOutput& out) {
    if (plan.copierHeader) out.Write(MakeCopierHeader(length));
    std::vector<std::uint8_t> in(kChunk);
    std::vector<std::uint8_t> converted(kChunk);
    for (std::int64_t at = plan.skip; at < length;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(kChunk, length - at));
        const std::size_t got = source.ReadAt(at, std::span(in).first(want));
        if (got < want) throw FileError(source.Path(), "the file became shorter while it was converted");
        // The length was checked to be whole blocks, and a chunk is whole blocks too.
        auto from = std::span(in).first(got);
        auto to = std::span(converted).first(got);
        if (plan.deinterleave) {
            DeinterleaveBlocks(from, to, static_cast<std::size_t>(plan.halfBlock));
        } else {
            InterleaveBlocks(from, to, static_cast<std::size_t>(plan.halfBlock));
        }
        out.Write(to);
        at += static_cast<std::int64_t>(got);
    }
}

}  // namespace

ConversionPlan PlanConversion(const GenesisHeader& loaded) {
    ConversionPlan plan;
    plan.halfBlock = loaded.HalfBlockSize();
    plan.deinterleave = loaded.IsInterleaved();
    if (plan.deinterleave) {
        plan.skip = loaded.Length() % GenesisHeader::kCopierUnit;
        plan.extension = "bin";
    } else {
        plan.copierHeader = loaded.IsGenesis();
        plan.extension = loaded.IsGenesis() ? "smd" : "32X";
    }
    return plan;
}

std::string ConvertedName(std::string_view path, std::string_view extension) {
    std::string name(path.substr(0, path.size() - std::min(path.size(), kExtensionLength)));
    name += extension;
    return name;
}

std::array<std::uint8_t, kCopierHeaderSize> MakeCopierHeader(std::int64_t length) {
    std::array<std::uint8_t, kCopierHeaderSize> header{};
    header[0] = static_cast<std::uint8_t>((length >> 14) & 0xFF);  // whole 16 KiB units
    header[1] = 0x03;
    header[3] = 0xAA;
    header[4] = 0xBB;
    return header;
}

// A block of the copier layout holds the odd bytes of its 2H image bytes first, then the even ones.
// Half blocks are whole multiples of 16 bytes, so the loops below take 16 bytes of each half at a
// time (SSE2, which every x86-64 processor has); other processors take them one by one.
void DeinterleaveBlocks(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, std::size_t halfBlock) {
    for (std::size_t block = 0; block < in.size(); block += 2 * halfBlock) {
        const std::uint8_t* odd = in.data() + block;
        const std::uint8_t* even = odd + halfBlock;
        std::uint8_t* linear = out.data() + block;
        std::size_t i = 0;
#if defined(__SSE2__)
        for (; i + 16 <= halfBlock; i += 16) {
            const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(even + i));
            const __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(odd + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(linear + 2 * i), _mm_unpacklo_epi8(e, o));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(linear + 2 * i + 16), _mm_unpackhi_epi8(e, o));
        }
#endif
        for (; i < halfBlock; ++i) {
            linear[2 * i] = even[i];
            linear[2 * i + 1] = odd[i];
        }
    }
}

void InterleaveBlocks(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, std::size_t halfBlock) {
    for (std::size_t block = 0; block < in.size(); block += 2 * halfBlock) {
        const std::uint8_t* linear = in.data() + block;
        std::uint8_t* odd = out.data() + block;
        std::uint8_t* even = odd + halfBlock;
        std::size_t i = 0;
#if defined(__SSE2__)
        const __m128i lowBytes = _mm_set1_epi16(0x00FF);
        for (; i + 16 <= halfBlock; i += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(linear + 2 * i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(linear + 2 * i + 16));
            // Little-endian words: the even byte is each word's low half, the odd byte its high half.
            _mm_storeu_si128(reinterpret_cast<__m128i*>(even + i),
                             _mm_packus_epi16(_mm_and_si128(a, lowBytes), _mm_and_si128(b, lowBytes)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(odd + i),
                             _mm_packus_epi16(_mm_srli_epi16(a, 8), _mm_srli_epi16(b, 8)));
        }
#endif
        for (; i < halfBlock; ++i) {
            odd[i] = linear[2 * i + 1];
            even[i] = linear[2 * i];
        }
    }
}

std::string ConvertGenesisFile(const std::string& path) {
    // Opened for reading only: a read-only source converts, and nothing can write to it.
    const File source = File::OpenRead(path);
    GenesisHeader reader;
    reader.LoadFile(source, path);
    const ConversionPlan plan = PlanConversion(reader);
    reader.RequireWholeBlocks();
    std::string output = ConvertedName(path, plan.extension);
    if (output == path || IsSameFile(path, output)) {
        throw OperationRefused(path + ": it is " + (plan.deinterleave ? "interleaved" : "linear") +
                               " already, so its converted name is its own; left as it is");
    }
    // A file that has the output's name may be another dump (or the original copier file with
    // a header of its own): it is never replaced.
    struct stat existing;
    if (::lstat(output.c_str(), &existing) == 0) {
        throw OperationRefused(path + ": " + output + " exists already; both are left as they are");
    }
    WriteNewFile(output, [&](RewriteOutput& out) { WriteConverted(source, reader.Length(), plan, out); },
                 PermissionBitsOf(source));
    return output;
}

std::vector<std::string> ConvertGenesisFiles(const std::string& folder, std::span<const CatalogRow> rows,
                                             std::string_view extension, int entryCount, ToolReport& report) {
    report.Status(kStatusEntries, "Converting...");
    std::vector<std::string> outputs;
    ForEachFileRow(rows, report, [&](const CatalogRow& row, const std::string& filename) {
        if (filename.size() < kExtensionLength ||
            !EqualsIgnoringCase(std::string_view(filename).substr(filename.size() - kExtensionLength), extension)) {
            return;
        }
        report.Status(kStatusFile, filename);
        const std::string path = RowFilePath(folder, row.file);
        std::string output;
        if (!DoRow(report, filename, path, [&] { output = ConvertGenesisFile(path); })) return;
        ++entryCount;  // the new file
        outputs.push_back(ConvertedName(filename, std::string_view(output).substr(output.size() - kExtensionLength)));
    });
    report.Status(kStatusEntries, RomCountText(entryCount));
    return outputs;
}

}  // namespace vorne
