// Any bytes after an ID3v2 header, read as an MP3 file's tags and changed as a write would: no read
// outside the buffer, the same columns every time, and a change either refused or giving a tag
// that reads again. (Whether the new title reads back depends on what TagLib makes of the frames
// kept as they were, which may stop it early.) The plain frames read on their own read as TagLib
// reads them.

#include "formats/mp3.h"
#include "reader_fuzz.h"
#include "tags/id3v2_write.h"
#include "tags/tag_read.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks the version; the rest follows a header that claims it all.
    if (size < 1) return 0;
    const std::size_t body = size - 1;
    std::vector<std::uint8_t> file{'I', 'D', '3', static_cast<std::uint8_t>(2 + data[0] % 3), 0,
                                   static_cast<std::uint8_t>(data[0] & 0xF0),
                                   static_cast<std::uint8_t>((body >> 21) & 0x7F), static_cast<std::uint8_t>((body >> 14) & 0x7F),
                                   static_cast<std::uint8_t>((body >> 7) & 0x7F), static_cast<std::uint8_t>(body & 0x7F)};
    file.insert(file.end(), data + 1, data + size);
    vorne::fuzz::CheckReader<vorne::Mp3Tag>(file.data(), file.size());
    if (vorne::ReadId3v2(vorne::MemorySource(file)) != vorne::ReadId3v2ByTagLib(vorne::MemorySource(file))) __builtin_trap();

    const vorne::TagFieldChange title{vorne::TagField::Title, "Fuzzed"};
    std::vector<std::uint8_t> changed;
    try {
        changed = vorne::ChangeId3v2(file, std::span(&title, 1));
    } catch (const vorne::TagWriteRefused&) {
        return 0;
    }
    vorne::fuzz::CheckReader<vorne::Mp3Tag>(changed.data(), changed.size());
    return 0;
}
