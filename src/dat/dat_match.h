// Whether a file is one a DAT lists: size and CRC-32 agree and, where the DAT gives a SHA-1, that
// agrees too, as does every other hash (MD5, SHA-256) that both the DAT and the file have. A
// scan computes the others only where the DAT lacks a SHA-1 to decide by.
#pragma once

#include <cstdint>
#include <string_view>

#include "dat/dat_file.h"
#include "dat/data_hasher.h"

namespace vorne {

enum class DatVerdict {
    NotInDat,  // no ROM of that size and CRC-32
    Match,     // size, CRC-32 and the DAT's other hashes agree
    Bad,       // size and CRC-32 agree, a hash the DAT gives does not: a bad dump or a forged CRC
};

struct DatMatch {
    DatVerdict verdict = DatVerdict::NotInDat;
    std::uint32_t rom = 0;  // into DatFile::roms, unless NotInDat
    bool wholeFile = false;  // matched by the whole file's hashes (a DAT of headered images)
};

// The "DAT Match" column's text: "Yes", "Bad" or empty.
std::string_view VerdictText(DatVerdict verdict);

// Compares one set of hashes with the ROMs of its size and CRC-32. A match wins over a bad one.
DatMatch MatchHashes(const DatFile& dat, const DatIndex& index, const Hashes& hashes);

// The DAT's verdict on a file: by its data, else by the whole file (when it differs from the
// data and `hashes.whole` holds its SHA-1).
DatMatch MatchFile(const DatFile& dat, const DatIndex& index, const FileHashes& hashes);

// Whether a DAT needs MD5s (SHA-256s): some ROM has one but no SHA-1.
bool NeedsMd5(const DatFile& dat);
bool NeedsSha256(const DatFile& dat);

}  // namespace vorne
