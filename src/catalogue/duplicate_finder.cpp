#include "catalogue/duplicate_finder.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vorne {

namespace {

// Sizes are compared in classes of 8 KiB: a trailer or a padded last unit keeps a file in its class.
constexpr std::int64_t kSizeClassBytes = 8192;

// Column 2 read as a decimal number, in units of 8 KiB.
std::int64_t SizeClass(std::string_view sizeText) {
    std::int64_t size = 0;
    std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size);
    return size / kSizeClassBytes;
}

// Whether a column takes part in the comparison. The NES internal title and reserved bytes lie
// outside the image data, so images that differ only there are still the same dump.
bool Compared(RomType type, int column) {
    return !(type == RomType::Nes &&
             (column == FieldNumber(NesField::InternalTitle) || column == FieldNumber(NesField::Reserved)));
}

// The kind's own columns: the DAT's columns, when there are any, behind them take no part.
bool DecodedColumnsEqual(const CatalogModel& model, RomType type, int a, int b) {
    for (int column = kFirstDecodedColumn; column < ColumnCount(type); ++column) {
        if (Compared(type, column) && model.Cell(a, column) != model.Cell(b, column)) return false;
    }
    return true;
}

// Rows agree when their keys, size classes and compared columns are equal: an equivalence, so the
// nearest earlier row that agrees with a row is the latest row seen of its class. The table maps
// the first row seen of each class to the latest one, hashing and comparing the rows' texts, so
// a row costs the same however many rows share its key.
class LatestAlike {
public:
    LatestAlike(const CatalogModel& model, RomType type)
        : latest(0, Hash{this}, Equal{this}), hashes(static_cast<std::size_t>(model.RowCount())), model(model), type(type) {}
    LatestAlike(const LatestAlike&) = delete;  // the table points back at its owner
    LatestAlike& operator=(const LatestAlike&) = delete;

    // The nearest earlier row that agrees with `row`, or -1; `row` becomes the latest of its class.
    int Replace(int row) {
        hashes[static_cast<std::size_t>(row)] = HashOf(row);
        auto [it, inserted] = latest.try_emplace(row, row);
        if (inserted) return -1;
        return std::exchange(it->second, row);
    }

private:
    struct Hash {
        const LatestAlike* self;
        std::size_t operator()(int row) const { return self->hashes[static_cast<std::size_t>(row)]; }
    };
    struct Equal {
        const LatestAlike* self;
        bool operator()(int a, int b) const {
            const CatalogModel& m = self->model;
            return m.Cell(a, kKeyColumn) == m.Cell(b, kKeyColumn) &&
                   SizeClass(m.Cell(a, kSizeColumn)) == SizeClass(m.Cell(b, kSizeColumn)) &&
                   DecodedColumnsEqual(m, self->type, a, b);
        }
    };

    std::size_t HashOf(int row) const {
        auto mix = [](std::size_t h, std::size_t more) { return h * 0x9E3779B97F4A7C15u + more; };
        std::size_t h = std::hash<std::string_view>()(model.Cell(row, kKeyColumn));
        h = mix(h, std::hash<std::int64_t>()(SizeClass(model.Cell(row, kSizeColumn))));
        for (int column = kFirstDecodedColumn; column < ColumnCount(type); ++column) {
            if (Compared(type, column)) h = mix(h, std::hash<std::string_view>()(model.Cell(row, column)));
        }
        return h;
    }

    std::unordered_map<int, int, Hash, Equal> latest;
    std::vector<std::size_t> hashes;  // by row, filled as rows are seen
    const CatalogModel& model;
    RomType type;
};

// The hashes by which rows agree in their data: size and CRC-32 always, and the SHA-1 when both
// rows have one. Rows of one size and CRC-32 with different SHA-1s are kept apart.
struct DataKey {
    std::uint64_t size;
    std::uint32_t crc;
    bool operator==(const DataKey&) const = default;
};
struct DataKeyHash {
    std::size_t operator()(const DataKey& key) const { return std::hash<std::uint64_t>()(key.size * 0x9E3779B97F4A7C15u ^ key.crc); }
};

int FindDataDuplicates(CatalogModel& model) {
    int uniqueCount = 0;
    // For each size and CRC-32, the latest row seen of each SHA-1 (or of none).
    std::unordered_map<DataKey, std::vector<int>, DataKeyHash> latest;
    for (int r = 0; r < model.RowCount(); ++r) {
        const auto& hashes = model.Row(r).hashes;
        if (!hashes) {
            ++uniqueCount;
            continue;
        }
        std::vector<int>& seen = latest[{hashes->size, hashes->crc}];
        auto alike = std::find_if(seen.begin(), seen.end(), [&](int other) {
            const auto& sha1 = model.Row(other).hashes->sha1;
            return !sha1 || !hashes->sha1 || *sha1 == *hashes->sha1;
        });
        if (alike == seen.end()) {
            ++uniqueCount;
            seen.push_back(r);
        } else {
            model.AddDuplicate(r, *alike);
            *alike = r;
        }
    }
    return uniqueCount;
}

}  // namespace

std::string KnownUniqueText(int uniqueCount) { return std::to_string(uniqueCount) + " known unique"; }

int FindDuplicates(CatalogModel& model, RomType type, const StatusSink& status, DuplicateRule rule) {
    int uniqueCount = 0;
    status(kStatusDuplicates, "Sorting...");
    status(kStatusFile, "");
    model.ClearDuplicates();
    // Ascending whatever the list showed before: after every scan the list is in this order.
    model.SortBy(kKeyColumn, true);
    status(kStatusDuplicates, "Finding dupes...");
    if (rule == DuplicateRule::Data) {
        uniqueCount = FindDataDuplicates(model);
        status(kStatusDuplicates, KnownUniqueText(uniqueCount));
        return uniqueCount;
    }
    // Each row joins the group of the nearest earlier row that agrees with it. Only rows with the
    // same key can agree, and the sort has put them next to each other: a row whose neighbours
    // have other keys (or that has no key) is unique without a look at the table.
    LatestAlike alike(model, type);
    for (int r = 0; r < model.RowCount(); ++r) {
        std::string_view key = model.Cell(r, kKeyColumn);
        bool sharesKey = (r > 0 && model.Cell(r - 1, kKeyColumn) == key) ||
                         (r + 1 < model.RowCount() && model.Cell(r + 1, kKeyColumn) == key);
        int nearest = !key.empty() && sharesKey ? alike.Replace(r) : -1;
        if (nearest < 0) {
            ++uniqueCount;
        } else {
            model.AddDuplicate(r, nearest);
        }
    }
    status(kStatusDuplicates, KnownUniqueText(uniqueCount));
    return uniqueCount;
}

void RecheckRow(CatalogModel& model, RomType type, int g, int& uniqueCount, const StatusSink& status, DuplicateRule rule) {
    if (g < 0 || g >= model.RowCount()) return;
    if (rule == DuplicateRule::Data) {
        if (model.RemoveDuplicate(g)) ++uniqueCount;
        status(kStatusDuplicates, KnownUniqueText(uniqueCount));
        return;
    }
    std::string_view key = model.Cell(g, kKeyColumn);
    bool keepGroups = false;
    if (!key.empty()) {
        const std::int64_t sizeClass = SizeClass(model.Cell(g, kSizeColumn));
        bool sameKeySeen = false;
        for (int n = g + 1; n < model.RowCount(); ++n) {
            if (model.Cell(n, kKeyColumn) != key) break;
            sameKeySeen = true;
            if (SizeClass(model.Cell(n, kSizeColumn)) != sizeClass) continue;
            if (!DecodedColumnsEqual(model, type, g, n)) {
                sameKeySeen = false;
                continue;
            }
            if (model.AddDuplicate(g, n)) --uniqueCount;
            keepGroups = true;
            break;
        }
        if (!keepGroups && sameKeySeen) keepGroups = true;
    }
    if (!keepGroups && model.RemoveDuplicate(g)) ++uniqueCount;
    status(kStatusDuplicates, KnownUniqueText(uniqueCount));
}

}  // namespace vorne
