#include "catalogue/row_hashing.h"

namespace vorne {

void AddEmptyDatCells(CatalogRow& row) {
    row.cells.emplace_back();
    row.cells.emplace_back();
}

void AddHashes(CatalogRow& row, RomType type, const DatSet* dat, const HashSource& hash) {
    FileHashes hashes = hash({.md5 = dat && dat->md5});
    row.hashes = RowHashes{hashes.data.size, hashes.data.crc, hashes.data.sha1};
    if (!dat) return;
    DatMatch match = MatchFile(dat->file, dat->index, hashes);
    const bool wholeDiffers = hashes.whole.size != hashes.data.size || hashes.whole.crc != hashes.data.crc;
    if (match.verdict != DatVerdict::Match && wholeDiffers && dat->index.Contains(hashes.whole.size, hashes.whole.crc)) {
        hashes = hash({.md5 = dat->md5, .wholeFile = true});
        match = MatchFile(dat->file, dat->index, hashes);
    }
    row.dat = match;
    const std::string name = dat->GameName(match);
    // An NES image the known-dump list does not name takes the DAT's name there.
    const auto known = static_cast<std::size_t>(FieldNumber(NesField::ArtificialTitle));
    if (type == RomType::Nes && match.verdict == DatVerdict::Match && known < row.cells.size() && row.cells[known].empty()) {
        row.cells[known] = name;
    }
    row.cells.push_back(name);
    row.cells.emplace_back(VerdictText(match.verdict));
}

}  // namespace vorne
