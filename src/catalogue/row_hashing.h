// The hashes of a listed file's data and the DAT's verdict on them, put into its row.
#pragma once

#include <cstdint>

#include "base/rom_type.h"
#include "catalogue/catalog_model.h"
#include "dat/dat_set.h"

namespace vorne {

// What the scan hashes of a file of `length` bytes, in its one pass: its data's SHA-1 (and MD5
// when the DAT needs it), and the whole file's too when the DAT has a ROM of the whole file's size
// (a DAT of headered images may then name it by its whole bytes).
HashChoice HashChoiceFor(const DatSet* dat, std::int64_t length);
// The hashes of a pass with that choice, less the whole file's SHA-1 and MD5 where it differs from
// the data, unless the verdict needs them: its size and CRC-32 are in the DAT and its data's are
// not.
FileHashes SettleHashes(const DatSet* dat, FileHashes hashes);
// Whether hashes computed earlier (kept in the cache) are all the DAT needs.
bool HashesSuffice(const DatSet* dat, const FileHashes& hashes);

// Gives `row` its data hashes and, with a DAT, its verdict and the cells "DAT Name" and "DAT
// Match".
void ApplyHashes(CatalogRow& row, RomType type, const DatSet* dat, const FileHashes& hashes);

// The two cells of a row when there is no verdict to show.
void AddEmptyDatCells(CatalogRow& row);

// Files up to this size are read into memory once, for the reader and the hashes alike; larger
// ones go by in chunks, once for both.
inline constexpr std::int64_t kWholeReadLimit = std::int64_t{64} << 20;

}  // namespace vorne
