#include "catalogue/row_hashing.h"

#include <algorithm>

namespace vorne {

void AddEmptyDatCells(CatalogRow& row) {
    row.cells.emplace_back();
    row.cells.emplace_back();
}

namespace {

// The whole file's hashes are needed beyond its CRC-32.
bool NeedsWholeFile(const DatSet& dat, const FileHashes& hashes) {
    const bool wholeDiffers = hashes.whole.size != hashes.data.size || hashes.whole.crc != hashes.data.crc;
    return wholeDiffers && dat.index.Contains(hashes.whole.size, hashes.whole.crc) &&
           MatchHashes(dat.file, dat.index, hashes.data).verdict != DatVerdict::Match;
}

}  // namespace

HashChoice HashChoiceFor(const DatSet* dat, std::int64_t length) {
    if (!dat) return {};
    return {.md5 = dat->md5,
            .sha256 = dat->sha256,
            .wholeFile = dat->index.HasSize(static_cast<std::uint64_t>(std::max<std::int64_t>(length, 0)))};
}

FileHashes SettleHashes(const DatSet* dat, FileHashes hashes) {
    const bool wholeDiffers = hashes.whole.size != hashes.data.size || hashes.whole.crc != hashes.data.crc;
    if (wholeDiffers && (!dat || !NeedsWholeFile(*dat, hashes))) {
        hashes.whole.sha1.reset();
        hashes.whole.md5.reset();
        hashes.whole.sha256.reset();
    }
    return hashes;
}

bool HashesSuffice(const DatSet* dat, const FileHashes& hashes) {
    if (!hashes.data.sha1) return false;
    if (!dat) return true;
    if ((dat->md5 && !hashes.data.md5) || (dat->sha256 && !hashes.data.sha256)) return false;
    return !NeedsWholeFile(*dat, hashes) ||
           (hashes.whole.sha1 && (!dat->md5 || hashes.whole.md5) && (!dat->sha256 || hashes.whole.sha256));
}

void ApplyHashes(CatalogRow& row, RomType type, const DatSet* dat, const FileHashes& hashes) {
    row.hashes = RowHashes{hashes.data.size, hashes.data.crc, hashes.data.sha1};
    if (!dat) return;
    const DatMatch match = MatchFile(dat->file, dat->index, hashes);
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
