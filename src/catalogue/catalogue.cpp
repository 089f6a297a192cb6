#include "catalogue/catalogue.h"

#include <cstdio>
#include <type_traits>
#include <utility>

#include "catalogue/duplicate_finder.h"

namespace vorne {

std::string RomCountText(int count) {
    return std::to_string(count) + (count == 1 ? " ROM" : " ROMs");
}

std::string TimingText(std::chrono::nanoseconds elapsed, int count) {
    double seconds = std::chrono::duration<double>(elapsed).count();
    double rate = seconds > 0 ? count / seconds : 0.0;
    char text[96];
    std::snprintf(text, sizeof text, "%.3f seconds, %.3f files per second", seconds, rate);
    return text;
}

Catalogue::Catalogue() { ChooseKind(currentType); }

CatalogueObserver& Catalogue::Observer() {
    static CatalogueObserver nobody;  // has no state: every handler does nothing
    return observer != nullptr ? *observer : nobody;
}

std::string InDatText(int matched, std::size_t entries) {
    return std::to_string(matched) + " of " + std::to_string(entries) + " in DAT";
}

void Catalogue::SetDat(std::shared_ptr<const DatSet> set) {
    dat = std::move(set);
    ChooseKind(currentType);
}

std::vector<ColumnInfo> Catalogue::Columns() const {
    const auto& own = Kind(currentType).columns;
    std::vector<ColumnInfo> columns(own.begin(), own.end());
    if (dat) columns.insert(columns.end(), std::begin(kDatColumns), std::end(kDatColumns));
    return columns;
}

const ColumnInfo* Catalogue::ColumnAt(int column) const {
    const auto& own = Kind(currentType).columns;
    const auto count = static_cast<int>(own.size());
    if (column >= 0 && column < count) return &own[static_cast<std::size_t>(column)];
    if (dat && column >= count && column < count + kDatColumnCount) return &kDatColumns[column - count];
    return nullptr;
}

int Catalogue::DatMatchCount() const {
    if (!dat) return 0;
    std::vector<bool> matched(dat->file.games.size());
    int count = 0;
    for (int r = 0; r < model.RowCount(); ++r) {
        const DatMatch& match = model.Row(r).dat;
        if (match.verdict != DatVerdict::Match || match.rom >= dat->file.roms.size()) continue;
        const std::uint32_t game = dat->file.roms[match.rom].game;
        if (!matched[game]) ++count;
        matched[game] = true;
    }
    return count;
}

void Catalogue::ChooseKind(RomType type) {
    Observer().RowsAboutToBeReset();
    currentType = type;
    const std::vector<ColumnInfo> columns = Columns();
    columnCount = static_cast<int>(columns.size());
    model.Reset(columns);
    entryCount = 0;
    uniqueCount = 0;
    Observer().RowsReset();
}

void Catalogue::SetStatus(int part, std::string text) {
    status[static_cast<std::size_t>(part)] = std::move(text);
    Observer().StatusChanged(part);
}

void Catalogue::Apply(ScanEvent event) {
    std::visit(
        [this](auto& e) {
            using T = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<T, ScanStarted>) {
                idle = false;
                Observer().IdleChanged(false);
                model.ClearDuplicates();
                SetStatus(kStatusEntries, "Processing...");
                SetStatus(kStatusDuplicates, "");
                entryCount = 0;
                problems.clear();
                Observer().RowsAboutToBeReset();
                model.DeleteAllRows();
                Observer().RowsReset();
            } else if constexpr (std::is_same_v<T, RowsFound>) {
                int first = entryCount;
                if (e.rows.empty()) return;
                Observer().RowsAboutToBeInserted(first, static_cast<int>(e.rows.size()));
                for (CatalogRow& row : e.rows) model.InsertRow(entryCount++, std::move(row));
                Observer().RowsInserted(first, entryCount - first);
            } else if constexpr (std::is_same_v<T, StatusText>) {
                SetStatus(e.part, std::move(e.text));
            } else if constexpr (std::is_same_v<T, FileProblem>) {
                problems.push_back(e);
                Observer().FileProblemReported(problems.back());
            } else if constexpr (std::is_same_v<T, WalkDone>) {
                Finish(e);
            }
        },
        event);
}

void Catalogue::HeaderClicked(int column) {
    if (column < 0 || column >= model.ColumnCount()) return;
    Observer().RowsAboutToBeReordered();
    model.HeaderClicked(column);
    Observer().RowsReordered();
}

void Catalogue::SortBy(int column, bool ascending) {
    if (column < 0 || column >= model.ColumnCount()) return;
    Observer().RowsAboutToBeReordered();
    model.SortBy(column, ascending);
    Observer().RowsReordered();
}

void Catalogue::SetIdle(bool isIdle) {
    idle = isIdle;
    Observer().IdleChanged(isIdle);
}

void Catalogue::SetCells(const std::unordered_map<std::string, CellTexts>& byFilename) {
    if (byFilename.empty()) return;
    for (int row = 0; row < model.RowCount(); ++row) {
        const RowFile& file = model.Row(row).file;
        if (file.IsMember()) continue;  // the tools never change a member
        auto found = byFilename.find(file.path);
        if (found == byFilename.end()) continue;
        for (const auto& [column, text] : found->second) model.SetCell(row, column, text);
        Observer().RowChanged(row);
    }
}

void Catalogue::RemoveRow(int row) {
    if (row < 0 || row >= model.RowCount()) return;
    Observer().RowsAboutToBeRemoved(row);
    --entryCount;
    model.DeleteRow(row);
    if (!model.RemoveDuplicate(row)) --uniqueCount;
    model.ShiftDuplicatesAfterDelete(row);
    Observer().RowRemoved(row);
}

int Catalogue::RefreshRow(int row, std::vector<std::string> cells) {
    if (row < 0 || row >= model.RowCount()) return -1;
    Observer().RowsAboutToBeReordered();
    for (std::size_t column = 0; column < cells.size(); ++column) {
        model.SetCell(row, static_cast<int>(column), std::move(cells[column]));
    }
    // The file was rewritten: what the DAT said of it is not known any more.
    for (int column = vorne::ColumnCount(currentType); column < columnCount; ++column) model.SetCell(row, column, "");
    model.ForgetHashes(row);
    const int place = model.RepositionRow(row);
    std::vector<std::pair<int, std::string>> told;  // status texts, shown once the rows are in place
    RecheckRow(
        model, currentType, place, uniqueCount,
        [&told](int part, std::string text) { told.emplace_back(part, std::move(text)); }, duplicateRule);
    Observer().RowsReordered();
    Observer().RowChanged(place);  // its texts, in their new place
    for (auto& [part, text] : told) SetStatus(part, std::move(text));
    return place;
}

void Catalogue::Finish(const WalkDone& done) {
    SetStatus(kStatusEntries, RomCountText(entryCount));
    Observer().RowsAboutToBeReordered();
    uniqueCount = FindDuplicates(
        model, currentType, [this](int part, std::string text) { SetStatus(part, std::move(text)); }, duplicateRule);
    Observer().RowsReordered();
    EndScan(done);
}

CatalogModel Catalogue::TakeRowsToFinish() {
    SetStatus(kStatusEntries, RomCountText(entryCount));
    SetStatus(kStatusDuplicates, "Sorting...");
    SetStatus(kStatusFile, "");
    Observer().RowsAboutToBeReset();
    CatalogModel rows = std::move(model);
    model = CatalogModel();
    model.Reset(Columns());  // the DAT's too: the view keeps its columns while the rows are away
    Observer().RowsReset();
    return rows;
}

void Catalogue::FinishWith(CatalogModel sorted, int unique, const WalkDone& done) {
    Observer().RowsAboutToBeReset();
    model = std::move(sorted);
    Observer().RowsReset();
    uniqueCount = unique;
    SetStatus(kStatusDuplicates, KnownUniqueText(uniqueCount));
    EndScan(done);
}

void Catalogue::EndScan(const WalkDone& done) {
    auto elapsed = std::chrono::steady_clock::now() - done.started;
    std::string text = done.stopped ? "Stopped" : TimingText(elapsed, entryCount);
    if (dat) text += ", " + InDatText(DatMatchCount(), dat->file.games.size());
    SetStatus(kStatusFile, std::move(text));
    idle = true;
    Observer().IdleChanged(true);
}

}  // namespace vorne
