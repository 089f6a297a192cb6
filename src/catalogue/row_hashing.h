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

// Gives `row` its data hashes and, with a DAT, its verdict and the cells "DAT Name" and "DAT
// Match". The whole file is hashed again only when its size and CRC-32 are in the DAT and its
// data's are not (a DAT of headered images).
void AddHashes(CatalogRow& row, RomType type, const DatSet* dat, const HashSource& hash);

// The two cells of a row when there is no verdict to show.
void AddEmptyDatCells(CatalogRow& row);

// Files up to this size are read into memory once, for the reader and the hashes alike; larger
// ones are read for each in turn.
inline constexpr std::int64_t kWholeReadLimit = std::int64_t{64} << 20;

}  // namespace vorne
