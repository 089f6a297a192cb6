#include "zip_writer.h"

#include "catalogue/crc32.h"
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

void PutText(std::vector<std::uint8_t>& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

constexpr std::uint32_t kDosTime = (12u << 11) | (30u << 5);            // 12:30:00
constexpr std::uint32_t kDosDate = ((2026u - 1980u) << 9) | (12u << 5) | 8u;  // 2026-12-08

}  // namespace

void ZipWriter::Add(ZipMemberSpec member) { members.push_back(std::move(member)); }

void ZipWriter::AddFolder(const std::string& name) { members.push_back({.name = name + "/"}); }

std::vector<std::uint8_t> ZipWriter::Finish(const std::string& comment) const {
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> directory;
    for (const ZipMemberSpec& m : members) {
        const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
        const std::uint32_t crc = Crc32(m.data);
        const std::vector<std::uint8_t> stored = m.deflate ? DeflateFixed(m.data) : m.data;
        const std::uint16_t method = m.methodOverride != 0xFFFF ? m.methodOverride : (m.deflate ? 8 : 0);
        const std::uint16_t flags = static_cast<std::uint16_t>(m.flags | (m.dataDescriptor ? 8 : 0));
        const std::uint32_t csize = static_cast<std::uint32_t>(stored.size());
        const std::uint32_t usize = static_cast<std::uint32_t>(m.data.size());

        Put32(out, 0x04034B50);
        Put16(out, 20);
        Put16(out, flags);
        Put16(out, method);
        Put16(out, kDosTime);
        Put16(out, kDosDate);
        Put32(out, m.dataDescriptor ? 0 : crc);
        Put32(out, m.dataDescriptor ? 0 : csize);
        Put32(out, m.dataDescriptor ? 0 : usize);
        Put16(out, static_cast<std::uint32_t>(m.name.size()));
        Put16(out, 0);
        PutText(out, m.name);
        out.insert(out.end(), stored.begin(), stored.end());
        if (m.dataDescriptor) {
            if (m.descriptorSignature) Put32(out, 0x08074B50);
            Put32(out, crc);
            Put32(out, csize);
            Put32(out, usize);
        }

        Put32(directory, 0x02014B50);
        Put16(directory, (3u << 8) | 20u);  // made by: Unix, 2.0
        Put16(directory, 20);               // needed: 2.0
        Put16(directory, flags);
        Put16(directory, method);
        Put16(directory, kDosTime);
        Put16(directory, kDosDate);
        Put32(directory, crc);
        Put32(directory, csize);
        Put32(directory, usize);
        Put16(directory, static_cast<std::uint32_t>(m.name.size()));
        Put16(directory, 0);
        Put16(directory, static_cast<std::uint32_t>(m.comment.size()));
        Put16(directory, 0);
        Put16(directory, 0);
        Put32(directory, m.name.ends_with('/') ? 0x41ED0010u : 0x81A40000u);
        Put32(directory, offset);
        PutText(directory, m.name);
        PutText(directory, m.comment);
    }
    const std::uint32_t directoryOffset = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), directory.begin(), directory.end());
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<std::uint32_t>(members.size()));
    Put16(out, static_cast<std::uint32_t>(members.size()));
    Put32(out, static_cast<std::uint32_t>(directory.size()));
    Put32(out, directoryOffset);
    Put16(out, static_cast<std::uint32_t>(comment.size()));
    PutText(out, comment);
    return out;
}

}  // namespace vorne::samples
