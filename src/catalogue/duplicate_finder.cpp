#include "catalogue/duplicate_finder.h"

#include <charconv>
#include <cstdint>

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
    return !(type == RomType::Nes && (column == kNesInternalTitleColumn || column == kNesReservedColumn));
}

bool DecodedColumnsEqual(const CatalogModel& model, RomType type, int a, int b) {
    for (int column = kFirstDecodedColumn; column < model.ColumnCount(); ++column) {
        if (Compared(type, column) && model.Cell(a, column) != model.Cell(b, column)) return false;
    }
    return true;
}

}  // namespace

std::string KnownUniqueText(int uniqueCount) { return std::to_string(uniqueCount) + " known unique"; }

int FindDuplicates(CatalogModel& model, RomType type, const StatusSink& status) {
    int uniqueCount = 0;
    status(kStatusDuplicates, "Sorting...");
    status(kStatusFile, "");
    model.ClearDuplicates();
    model.SortByColumn(kKeyColumn);
    status(kStatusDuplicates, "Finding dupes...");
    for (int r = 0; r < model.RowCount(); ++r) {
        std::string_view key = model.Cell(r, kKeyColumn);
        if (key.empty()) {
            ++uniqueCount;
            continue;
        }
        const std::int64_t sizeClass = SizeClass(model.Cell(r, kSizeColumn));
        bool matched = false;
        for (int n = r - 1; n >= 0; --n) {
            if (model.Cell(n, kKeyColumn) != key) break;
            if (SizeClass(model.Cell(n, kSizeColumn)) != sizeClass) continue;
            if (!DecodedColumnsEqual(model, type, r, n)) continue;
            model.AddDuplicate(r, n);
            matched = true;
            break;
        }
        if (!matched) ++uniqueCount;
    }
    status(kStatusDuplicates, KnownUniqueText(uniqueCount));
    return uniqueCount;
}

void RecheckRow(CatalogModel& model, RomType type, int g, int& uniqueCount, const StatusSink& status) {
    if (g < 0 || g >= model.RowCount()) return;
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
