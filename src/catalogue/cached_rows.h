// What the hash cache keeps of a listed file: the reader's column texts and the file's hashes,
// as one value, and the context they depend on besides the file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/rom_type.h"
#include "dat/data_hasher.h"

namespace vorne {

struct CachedRow {
    std::vector<std::string> cells;  // the reader's columns; column 1 is the path as listed then
    FileHashes hashes;
};

std::string EncodeCachedRow(const CachedRow& row);
// Nullopt for a value that is not one EncodeCachedRow made.
std::optional<CachedRow> DecodeCachedRow(std::string_view value);

// The kind, the readers' version and, for NES, the known-dump list (its path, size and times),
// whose names fill a column: an entry is used only with the same ones.
std::string CacheContext(RomType type, const std::string& knownDumpsPath);

}  // namespace vorne
