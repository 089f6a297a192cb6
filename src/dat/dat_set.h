// A DAT as a scan uses it: the file, its index, and what the scan must compute to check against
// it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dat/dat_file.h"
#include "dat/dat_match.h"

namespace vorne {

struct DatSet {
    std::string path;
    DatFile file;
    DatIndex index;
    bool md5 = false;     // some ROM has an MD5 but no SHA-1
    bool sha256 = false;  // some ROM has a SHA-256 but no SHA-1

    // The game a match names ("DAT Name"), empty for NotInDat.
    std::string GameName(const DatMatch& match) const;
};

// Loads and indexes the DAT at `path`. Throws DatError.
std::shared_ptr<const DatSet> LoadDatSet(const std::string& path);

// The games none of whose ROMs is in `matchedRoms` (indices into dat.roms), in DAT order.
std::vector<std::uint32_t> MissingGames(const DatFile& dat, const std::vector<std::uint32_t>& matchedRoms);

// A Logiqx DAT of `games` of `dat`: a fixdat, its header that of `dat` with a name saying so.
std::string FixdatText(const DatFile& dat, const std::vector<std::uint32_t>& games);

}  // namespace vorne
