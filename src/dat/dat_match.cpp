#include "dat/dat_match.h"

#include <algorithm>

namespace vorne {

std::string_view VerdictText(DatVerdict verdict) {
    switch (verdict) {
        case DatVerdict::Match: return "Yes";
        case DatVerdict::Bad: return "Bad";
        case DatVerdict::NotInDat: break;
    }
    return "";
}

DatMatch MatchHashes(const DatFile& dat, const DatIndex& index, const Hashes& hashes) {
    DatMatch found;
    for (std::uint32_t i : index.Find(hashes.size, hashes.crc)) {
        const DatRom& rom = dat.roms[i];
        const bool agrees = (!rom.sha1 || (hashes.sha1 && *hashes.sha1 == *rom.sha1)) &&
                            (!rom.md5 || !hashes.md5 || *hashes.md5 == *rom.md5) &&
                            (!rom.sha256 || !hashes.sha256 || *hashes.sha256 == *rom.sha256);
        if (agrees) return {DatVerdict::Match, i};
        if (found.verdict == DatVerdict::NotInDat) found = {DatVerdict::Bad, i};
    }
    return found;
}

DatMatch MatchFile(const DatFile& dat, const DatIndex& index, const FileHashes& hashes) {
    DatMatch byData = MatchHashes(dat, index, hashes.data);
    if (byData.verdict == DatVerdict::Match) return byData;
    const bool wholeDiffers = hashes.whole.size != hashes.data.size || hashes.whole.crc != hashes.data.crc;
    if (wholeDiffers && hashes.whole.sha1) {
        DatMatch byWhole = MatchHashes(dat, index, hashes.whole);
        byWhole.wholeFile = true;
        if (byWhole.verdict == DatVerdict::Match || byData.verdict == DatVerdict::NotInDat) return byWhole;
    }
    return byData;
}

bool NeedsMd5(const DatFile& dat) {
    return std::any_of(dat.roms.begin(), dat.roms.end(), [](const DatRom& rom) { return rom.md5 && !rom.sha1; });
}

bool NeedsSha256(const DatFile& dat) {
    return std::any_of(dat.roms.begin(), dat.roms.end(), [](const DatRom& rom) { return rom.sha256 && !rom.sha1; });
}

}  // namespace vorne
