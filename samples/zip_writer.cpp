#include "zip_writer.h"

#include "base/crc32.h"
#include "deflate_writer.h"

namespace vorne::samples {

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void Put64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    Put32(out, static_cast<std::uint32_t>(v));
    Put32(out, static_cast<std::uint32_t>(v >> 32));
}

template <typename Bytes>
void PutBytes(std::vector<std::uint8_t>& out, const Bytes& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

constexpr std::uint32_t kDosTime = (12u << 11) | (30u << 5);            // 12:30:00
constexpr std::uint32_t kDosDate = ((2026u - 1980u) << 9) | (12u << 5) | 8u;  // 2026-12-08

}  // namespace

void ZipWriter::Add(ZipMemberRecipe member) { members.push_back(std::move(member)); }

void ZipWriter::AddFolder(const std::string& name) { members.push_back({.name = name + "/"}); }

std::vector<std::uint8_t> ZipWriter::Finish(const std::string& comment, const ZipEndOverrides& end,
                                            const ZipLayout& layout) const {
    std::vector<std::uint8_t> out = layout.prefix;
    // Offsets as the archive's records give them.
    const std::size_t uncounted = layout.offsetsCountPrefix ? 0 : layout.prefix.size();
    auto offsetOf = [&](std::size_t at) { return static_cast<std::uint32_t>(at - uncounted); };
    std::vector<std::uint8_t> directory;
    for (const ZipMemberRecipe& m : members) {
        const std::uint32_t offset = offsetOf(out.size());
        const std::uint32_t crc = Crc32(m.data);
        const bool deflate = m.deflate || m.deflated.has_value();
        const std::vector<std::uint8_t> stored = m.deflated ? *m.deflated : deflate ? DeflateFixed(m.data) : m.data;
        const std::uint16_t method = m.methodOverride != 0xFFFF ? m.methodOverride : (deflate ? 8 : 0);
        const std::uint16_t flags = static_cast<std::uint16_t>(m.flags | (m.dataDescriptor ? 8 : 0));
        const std::uint32_t csize = static_cast<std::uint32_t>(stored.size());
        const std::uint32_t usize = static_cast<std::uint32_t>(m.data.size());
        const ZipFieldOverrides& lo = m.local;
        const std::string localName = lo.name.value_or(m.name);

        if (!m.directoryOnly) {
            const std::uint32_t localCsize = lo.compressedSize.value_or(m.dataDescriptor ? 0 : csize);
            const std::uint32_t localUsize = lo.uncompressedSize.value_or(m.dataDescriptor ? 0 : usize);
            std::vector<std::uint8_t> extra;
            if (m.zip64Local) {
                Put16(extra, 1);
                Put16(extra, 16);
                Put64(extra, localUsize);
                Put64(extra, localCsize);
            }
            PutBytes(extra, lo.extra);
            Put32(out, lo.signature.value_or(0x04034B50));
            Put16(out, m.zip64Local ? 45 : 20);
            Put16(out, lo.flags.value_or(flags));
            Put16(out, lo.method.value_or(method));
            Put16(out, kDosTime);
            Put16(out, kDosDate);
            Put32(out, lo.crc.value_or(m.dataDescriptor ? 0 : crc));
            Put32(out, m.zip64Local ? 0xFFFFFFFF : localCsize);
            Put32(out, m.zip64Local ? 0xFFFFFFFF : localUsize);
            Put16(out, static_cast<std::uint32_t>(localName.size()));
            Put16(out, static_cast<std::uint32_t>(extra.size()));
            PutBytes(out, localName);
            PutBytes(out, extra);
            PutBytes(out, stored);
            if (m.dataDescriptor) {
                if (m.descriptorSignature) Put32(out, 0x08074B50);
                Put32(out, crc);
                Put32(out, csize);
                Put32(out, usize);
            }
        }

        const ZipFieldOverrides& d = m.directory;
        const std::string directoryName = d.name.value_or(m.name);
        const std::uint32_t headerOffset = m.localHeaderOffset.value_or(offset);
        std::vector<std::uint8_t> extra;
        if (m.zip64Directory) {
            Put16(extra, 1);
            Put16(extra, 24);
            Put64(extra, d.uncompressedSize.value_or(usize));
            Put64(extra, d.compressedSize.value_or(csize));
            Put64(extra, headerOffset);
        }
        PutBytes(extra, d.extra);
        Put32(directory, d.signature.value_or(0x02014B50));
        Put16(directory, (3u << 8) | 20u);  // made by: Unix, 2.0
        Put16(directory, (std::uint32_t{m.versionNeededUpper} << 8) | m.versionNeeded);
        Put16(directory, d.flags.value_or(flags));
        Put16(directory, d.method.value_or(method));
        Put16(directory, kDosTime);
        Put16(directory, kDosDate);
        Put32(directory, d.crc.value_or(crc));
        Put32(directory, m.zip64Directory ? 0xFFFFFFFF : d.compressedSize.value_or(csize));
        Put32(directory, m.zip64Directory ? 0xFFFFFFFF : d.uncompressedSize.value_or(usize));
        Put16(directory, static_cast<std::uint32_t>(directoryName.size()));
        Put16(directory, static_cast<std::uint32_t>(extra.size()));
        Put16(directory, static_cast<std::uint32_t>(m.comment.size()));
        Put16(directory, m.startDisk);
        Put16(directory, 0);
        Put32(directory, directoryName.ends_with('/') ? 0x41ED0010u : 0x81A40000u);
        Put32(directory, m.zip64Directory ? 0xFFFFFFFF : headerOffset);
        PutBytes(directory, directoryName);
        PutBytes(directory, extra);
        PutBytes(directory, m.comment);
    }
    const std::uint32_t directoryOffset = offsetOf(out.size());
    const std::uint16_t count = static_cast<std::uint16_t>(members.size());
    const auto directorySize = static_cast<std::uint32_t>(directory.size());
    PutBytes(out, directory);
    if (layout.zip64End) {
        const std::uint32_t recordOffset = offsetOf(out.size());
        Put32(out, 0x06064B50);
        Put64(out, 44);  // the record's size after this field
        Put16(out, (3u << 8) | 45u);  // made by: Unix, 4.5
        Put16(out, 45);
        Put32(out, 0);  // this disk
        Put32(out, 0);  // the directory's disk
        Put64(out, count);
        Put64(out, count);
        Put64(out, directorySize);
        Put64(out, directoryOffset);
        Put32(out, 0x07064B50);
        Put32(out, 0);  // the zip64 end record's disk
        Put64(out, recordOffset);
        Put32(out, 1);  // disks in all
    }
    const bool wide = layout.zip64End;
    Put32(out, 0x06054B50);
    Put16(out, end.thisDisk.value_or(0));
    Put16(out, end.directoryDisk.value_or(0));
    Put16(out, end.entriesOnDisk.value_or(wide ? 0xFFFF : count));
    Put16(out, end.totalEntries.value_or(wide ? 0xFFFF : count));
    Put32(out, end.directorySize.value_or(wide ? 0xFFFFFFFF : directorySize));
    Put32(out, end.directoryOffset.value_or(wide ? 0xFFFFFFFF : directoryOffset));
    Put16(out, end.commentLength.value_or(static_cast<std::uint16_t>(comment.size())));
    PutBytes(out, comment);
    return out;
}

}  // namespace vorne::samples
