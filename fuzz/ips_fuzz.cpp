// The IPS reader against a plain interpreter of the format: the same records, the same bytes
// written, and nothing taken from past the end of the patch.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tools/ips_patch.h"

namespace {

// Reads the patch byte by byte as the format describes it and applies each record as soon as it
// is whole. Returns whether the end marker was reached.
bool Interpret(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& image) {
    std::size_t at = 5;
    auto need = [&](std::size_t n) { return at <= size && size - at >= n; };
    while (need(3)) {
        std::uint32_t offset = data[at] << 16 | data[at + 1] << 8 | data[at + 2];
        at += 3;
        if (offset == 0x454F46) return true;
        if (!need(2)) return false;
        std::size_t length = data[at] << 8 | data[at + 1];
        at += 2;
        std::vector<std::uint8_t> bytes;
        if (length > 0) {
            if (!need(length)) return false;
            bytes.assign(data + at, data + at + length);
            at += length;
        } else {
            if (!need(3)) return false;
            bytes.assign(static_cast<std::size_t>(data[at] << 8 | data[at + 1]), data[at + 2]);
            at += 3;
        }
        if (bytes.empty()) continue;  // a run of 0: the position moves, nothing is written
        if (image.size() < offset + bytes.size()) image.resize(offset + bytes.size());
        for (std::size_t i = 0; i < bytes.size(); ++i) image[offset + i] = bytes[i];
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exactly sized copy, so that a read past the end of the patch is caught.
    std::vector<std::uint8_t> bytes(data, data + size);
    const vorne::IpsPatch patch = vorne::ParseIpsPatch(bytes);
    std::size_t reach = 0;
    for (const vorne::IpsRecord& record : patch.records) {
        if (!record.data.empty() &&
            (record.data.data() < bytes.data() || record.data.data() + record.data.size() > bytes.data() + bytes.size())) {
            std::abort();
        }
        reach = std::max<std::size_t>(reach, record.offset + (record.data.empty() ? record.runLength : record.data.size()));
    }
    // Records reach up to 16 MiB and more; the images are compared where that stays cheap. A
    // patch that writes more than IPS can address is read no further, which the interpreter
    // does not know.
    if (reach > (std::size_t{1} << 20) || patch.end == vorne::IpsEnd::TooLarge) return 0;
    std::vector<std::uint8_t> ours(64, 0x5A);
    std::vector<std::uint8_t> theirs(64, 0x5A);
    vorne::ApplyIpsRecords(patch, ours);
    if (Interpret(data, size, theirs) != patch.Complete() || ours != theirs) std::abort();
    return 0;
}
