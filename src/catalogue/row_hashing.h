// The hashes of a listed file's data and the DAT's verdict on them, put into its row.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "base/rom_type.h"
#include "catalogue/catalog_model.h"
#include "dat/dat_set.h"

namespace vorne {

class File;

// Hashes with `choice`: from memory or from a file, whichever the row's bytes are in.
using HashSource = std::function<FileHashes(HashChoice choice)>;

// The hashes the scan needs of a file: its data's (with MD5 when the DAT needs it), and the whole
// file's SHA-1 too only when its size and CRC-32 are in the DAT and its data's are not (a DAT of
// headered images).
FileHashes ComputeHashes(const DatSet* dat, const HashSource& hash);
// Whether hashes computed earlier (kept in the cache) are all the DAT needs.
bool HashesSuffice(const DatSet* dat, const FileHashes& hashes);

// Gives `row` its data hashes and, with a DAT, its verdict and the cells "DAT Name" and "DAT
// Match".
void ApplyHashes(CatalogRow& row, RomType type, const DatSet* dat, const FileHashes& hashes);

// The two cells of a row when there is no verdict to show.
void AddEmptyDatCells(CatalogRow& row);

// Files up to this size are read into memory once, for the reader and the hashes alike; larger
// ones are read for each in turn.
inline constexpr std::int64_t kWholeReadLimit = std::int64_t{64} << 20;

}  // namespace vorne
